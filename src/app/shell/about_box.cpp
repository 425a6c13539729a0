// The about box and its credits panel, scrolled one step every 100 ms while the box is open.
#include "app/shell/about_box.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qm::app {

namespace {

const char* const kCredits[] = {"Quillmora",           "fractal image generator", "",
                                "Formulas, gradients", "plasma and filters",      "",
                                "written with Qt 6",   "and the C++ library",     ""};

class CreditsPanel : public QWidget {
public:
    CreditsPanel(const int& offset, QWidget* parent) : QWidget(parent), offset_(offset) {
        setFixedSize(220, 60);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.setPen(Qt::white);
        const int line = fontMetrics().height();
        const int count = static_cast<int>(std::size(kCredits));
        const int cycle = line * count;
        for (int copy = 0; copy < 2; ++copy)
            for (int i = 0; i < count; ++i) {
                const int y = height() + i * line + copy * cycle - offset_ % cycle;
                p.drawText(QRect(0, y, width(), line), Qt::AlignHCenter, kCredits[i]);
            }
    }

private:
    const int& offset_;
};

} // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    auto* layout = new QVBoxLayout(this);
    auto* product = new QLabel("Quillmora", this);
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel("Version 0.9", this);
    version->setObjectName("Version");
    credits_ = new CreditsPanel(offset_, this);
    credits_->setObjectName("Credits");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    for (QWidget* w : {static_cast<QWidget*>(product), static_cast<QWidget*>(version), credits_,
                       static_cast<QWidget*>(ok)})
        layout->addWidget(w, 0, Qt::AlignHCenter);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] {
        ++offset_;
        credits_->update();
    });
    timer_->start(kScrollMs);
}

bool AboutBox::scrolling() const {
    return timer_->isActive();
}

void AboutBox::done(int result) {
    timer_->stop();
    QDialog::done(result);
}

} // namespace qm::app
