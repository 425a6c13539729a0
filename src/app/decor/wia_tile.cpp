// The tiled background: working pictures for each mode and painting whole tiles.
#include "app/decor/wia_tile.h"

#include <QEvent>
#include <QPainter>

namespace qm::app {

TwiaTile::TwiaTile(QWidget* parent) : QWidget(parent) {
    setObjectName("wiaTile");
    fadeColor_ = palette().color(QPalette::Light);
    if (parent != nullptr) {
        parent->installEventFilter(this);
        follow();
    }
}

void TwiaTile::setImage(const QImage& image) {
    image_ = image.convertToFormat(QImage::Format_RGB32);
    if (!image_.isNull()) tranColor_ = QColor(image_.pixel(0, image_.height() - 1));
    prepare();
}

void TwiaTile::setTileMode(TwiaTileMode mode) {
    mode_ = mode;
    prepare();
}

void TwiaTile::setTranColor(const QColor& c) {
    tranColor_ = c;
    prepare();
}

void TwiaTile::setFadeColor(const QColor& c) {
    fadeColor_ = c;
    prepare();
}

void TwiaTile::setFaded(bool on) {
    if (on)
        setTileMode(tmFaded);
    else if (mode_ == tmFaded)
        setTileMode(tmTransparent);
}

void TwiaTile::setAlignClient(bool on) {
    alignClient_ = on;
    follow();
}

void TwiaTile::follow() {
    QWidget* p = parentWidget();
    if (p == nullptr) return;
    // Inside the parent's frame, as an aligned control sits inside its parent's bevels.
    const QRect client = p->contentsRect();
    if (alignClient_)
        setGeometry(client);
    else
        setGeometry(client.left(), client.top(), width(), client.height());
}

bool TwiaTile::eventFilter(QObject* watched, QEvent* e) {
    if (watched == parentWidget() && e->type() == QEvent::Resize) follow();
    return QWidget::eventFilter(watched, e);
}

void TwiaTile::prepare() {
    mask_ = QImage();
    display_ = QImage();
    if (image_.isNull()) {
        update();
        return;
    }
    const QRgb tran = tranColor_.rgb() | 0xFF000000u;
    mask_ = QImage(image_.size(), QImage::Format_RGB32);
    for (int y = 0; y < image_.height(); ++y)
        for (int x = 0; x < image_.width(); ++x)
            mask_.setPixel(x, y,
                           (image_.pixel(x, y) | 0xFF000000u) == tran ? 0xFFFFFFFFu : 0xFF000000u);
    switch (mode_) {
    case tmNormal:
        display_ = image_;
        break;
    case tmTransparent:
        // Transparent pixels are left out when drawn, as the mask and OR would leave them.
        display_ = image_.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < display_.height(); ++y)
            for (int x = 0; x < display_.width(); ++x)
                if (mask_.pixel(x, y) == 0xFFFFFFFFu) display_.setPixel(x, y, 0);
        break;
    case tmFaded: {
        const QWidget* p = parentWidget();
        const QColor background = p != nullptr ? p->palette().color(p->backgroundRole())
                                               : palette().color(QPalette::Window);
        display_ = QImage(image_.size(), QImage::Format_RGB32);
        for (int y = 0; y < display_.height(); ++y)
            for (int x = 0; x < display_.width(); ++x)
                display_.setPixel(
                    x, y, mask_.pixel(x, y) == 0xFFFFFFFFu ? background.rgb() : fadeColor_.rgb());
        break;
    }
    }
    update();
}

void TwiaTile::changeEvent(QEvent* e) {
    // The faded tile shows the parent's background colour, which may just have changed.
    if (e->type() == QEvent::PaletteChange && mode_ == tmFaded) prepare();
    QWidget::changeEvent(e);
}

void TwiaTile::paintEvent(QPaintEvent*) {
    if (display_.isNull()) return;
    QPainter p(this);
    for (int y = 0; y < height(); y += display_.height())
        for (int x = 0; x < width(); x += display_.width())
            p.drawImage(x, y, display_);
}

} // namespace qm::app
