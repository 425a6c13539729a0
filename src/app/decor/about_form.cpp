// The about box: icon, product name, version, a credits panel scrolled by a timer, and "OK".
#include "app/decor/about_form.h"

#include "engine/core/version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <iterator>

namespace qm::app {

namespace {

const char* const kCredits[] = {
    "Quillmora",           "a fractal image generator", "",
    "Twenty-two formulas", "colour formulas per pixel", "",
    "Gradients, plasma",   "and image filters",         "",
    "Built with Qt 6,",    "libpng, libjpeg and zlib",  "",
};

class CreditsPanel : public QWidget {
public:
    CreditsPanel(const TAboutBox1& box, QWidget* parent) : QWidget(parent), box_(box) {
        setObjectName("Credits");
        setFixedSize(240, 64);
    }
    static int lines() { return static_cast<int>(std::size(kCredits)); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Base));
        p.setPen(palette().color(QPalette::Text));
        const int line = fontMetrics().height();
        // The text enters at the bottom and leaves at the top; two copies make the cycle endless.
        const int offset = box_.scrollOffset();
        for (int copy = 0; copy < 2; ++copy)
            for (int i = 0; i < lines(); ++i) {
                const int y = height() + (copy * lines() + i) * line - offset;
                if (y + line < 0 || y > height()) continue;
                p.drawText(QRect(0, y, width(), line), Qt::AlignHCenter, kCredits[i]);
            }
    }

private:
    const TAboutBox1& box_;
};

} // namespace

TAboutBox1::TAboutBox1(QWidget* parent) : TGradientForm(parent, Qt::Dialog) {
    setObjectName("AboutBox1");
    setCaption("About");
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(body);
    icon->setObjectName("ProgramIcon");
    QIcon programIcon = QApplication::windowIcon();
    if (programIcon.isNull()) programIcon = style()->standardIcon(QStyle::SP_DesktopIcon);
    icon->setPixmap(programIcon.pixmap(48, 48));
    auto* names = new QVBoxLayout;
    auto* product = new QLabel("Quillmora", body);
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel("Version " QM_VERSION, body);
    version->setObjectName("Version");
    names->addWidget(product);
    names->addWidget(version);
    top->addWidget(icon);
    top->addLayout(names, 1);
    layout->addLayout(top);
    credits_ = new CreditsPanel(*this, body);
    layout->addWidget(credits_, 0, Qt::AlignHCenter);
    auto* ok = new QPushButton("OK", body);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setBody(body);
    connect(ok, &QPushButton::clicked, this, [this] {
        result_ = 1;
        close();
    });
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &TAboutBox1::step);
    timer_->start(kScrollMs);
    ok->setFocus();
}

int TAboutBox1::cycleLength() const {
    return credits_->fontMetrics().height() * CreditsPanel::lines();
}

void TAboutBox1::step() {
    offset_ = (offset_ + 1) % cycleLength();
    credits_->update();
}

bool TAboutBox1::scrolling() const {
    return timer_->isActive();
}

int TAboutBox1::exec() {
    setWindowModality(Qt::ApplicationModal);
    adjustSize();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    result_ = 0;
    QEventLoop loop;
    loop_ = &loop;
    show();
    loop.exec();
    loop_ = nullptr;
    return result_;
}

void TAboutBox1::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        result_ = 1;
        close();
        return;
    }
    TGradientForm::keyPressEvent(e);
}

void TAboutBox1::closeEvent(QCloseEvent* e) {
    timer_->stop();
    TGradientForm::closeEvent(e);
    if (loop_ != nullptr) loop_->quit();
}

} // namespace qm::app
