// The loupe: enlarged copy of the picture under the pointer, coordinate labels, blinking.
#include "app/shell/loupe.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace qm::app {

namespace {

QImage toImage(const image::TPixelGraphic& picture) {
    QImage out(picture.width(), picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const ColourValue c = picture.pixel(x, y);
            row[x] = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                          static_cast<int>((c >> 16) & 0xFF));
        }
    }
    return out;
}

} // namespace

LoupeView::LoupeView(const image::TPixelGraphic& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
    setFixedSize(80, 80);
}

void LoupeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!picture_.empty()) {
        // Zoom 1.0, kept at its aspect ratio, centred.
        const QImage image = toImage(picture_);
        p.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
    }
    p.setPen(Qt::gray);
    p.drawLine(width() / 2, 0, width() / 2, height() - 1);
    p.drawLine(0, height() / 2, width() - 1, height() / 2);
}

LoupeWindow::LoupeWindow(QWidget* parent) : QDockWidget("Loupe", parent) {
    setObjectName("lensbar");
    picture_.SetSize(kPictureSide, kPictureSide, image::PixelFormat::Bits24);
    picture_.Clear();

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    QFont font("Arial");
    font.setPixelSize(9);
    for (QLabel** label : {&PGLabel1, &PGLabel2}) {
        *label = new QLabel("0.00000", body);
        (*label)->setFont(font);
        layout->addWidget(*label);
    }
    PGLabel1->setObjectName("PGLabel1");
    PGLabel2->setObjectName("PGLabel2");
    PGImage2 = new LoupeView(picture_, body);
    PGImage2->setObjectName("PGImage2");
    layout->addWidget(PGImage2, 0, Qt::AlignHCenter);
    setWidget(body);
    setFloating(true);
    hide();

    Timer1.setObjectName("Timer1");
    Timer1.setThreadPriority(TThreadPriority::tpLowest);
    Timer1.setEnabled(false);
    Timer1.setOnTimer([this](TThreadedTimer& t) { Timer1Timer(t); });
}

bool LoupeWindow::updateFrom(const image::TPixelGraphic& source, int x, int y, std::int64_t nowMs,
                             const fractal::PixelSteps& steps, const fractal::PlaneView& current) {
    if (!isVisible() || nowMs - lastUpdateMs_ <= kMinUpdateMs) return false;
    picture_.Clear();
    picture_.StretchCopyRect(0, 0, source, fractal::kMagnifierSource, fractal::kMagnifierSource,
                             fractal::magnifierSourceTop(y), fractal::magnifierSourceLeft(x),
                             fractal::kMagnifierTarget, fractal::kMagnifierTarget);
    lastUpdateMs_ = nowMs;
    const fractal::MagnifierText text =
        fractal::magnifierText(x, y, steps, current, source.width(), source.height());
    if (text.x) PGLabel1->setText(QString::fromStdString(*text.x));
    if (text.y) PGLabel2->setText(QString::fromStdString(*text.y));
    PGImage2->update();
    return true;
}

void LoupeWindow::toggle() {
    setVisible(!isVisible());
    Timer1.setEnabled(isVisible());
}

void LoupeWindow::Timer1Timer(TThreadedTimer& timer) {
    timer.setEnabled(isVisible());
    if (!isVisible()) return;
    labelColour_ = labelColour_ == QColor(Qt::black) ? QColor(Qt::white) : QColor(Qt::black);
    for (QLabel* label : {PGLabel1, PGLabel2}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, labelColour_);
        label->setPalette(palette);
    }
}

} // namespace qm::app
