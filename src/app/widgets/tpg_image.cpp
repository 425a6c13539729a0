// The picture view: fitted painting, rubber-band selection in picture pixels, animation.
#include "app/widgets/tpg_image.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qm::app {

namespace {
// Widget pixels around the bottom-right corner that grab the selection for resizing.
constexpr double kGrip = 6.0;
constexpr int kAnimationMs = 50;
} // namespace

TPGImage::TPGImage(QWidget* parent)
    : QWidget(parent), picture_(std::make_unique<image::TPixelGraphic>()) {
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_->setOnChange([this](const image::TPixelGraphic&) { pictureChanged(); });
    animation_.setInterval(kAnimationMs);
    connect(&animation_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % 8;
        update();
    });
}

TPGImage::~TPGImage() {
    picture_->setOnChange({});
}

void TPGImage::setPixelGraphic(const image::TPixelGraphic& picture) {
    picture_->Assign(picture); // raises the change notification
}

void TPGImage::pictureChanged() {
    update();
}

void TPGImage::setSelection(bool on) {
    selection_ = on;
    if (on) {
        animation_.start();
    } else {
        animation_.stop();
        drag_ = Drag::None;
    }
    update();
}

void TPGImage::setSelectionRect(int left, int top, int width, int height) {
    selLeft_ = left;
    selTop_ = top;
    selWidth_ = std::max(0, width);
    selHeight_ = std::max(0, height);
    setSelection(true);
    emitChange();
}

void TPGImage::emitChange() {
    if (changeAttached_) emit OnSelectionChange();
}

QRectF TPGImage::pictureRect() const {
    const int w = picture_->width();
    const int h = picture_->height();
    if (w <= 0 || h <= 0 || width() <= 0 || height() <= 0) return {};
    const double scale =
        std::min(static_cast<double>(width()) / w, static_cast<double>(height()) / h);
    const double dw = w * scale;
    const double dh = h * scale;
    return {(width() - dw) / 2.0, (height() - dh) / 2.0, dw, dh};
}

QPoint TPGImage::toPicture(QPointF widgetPos) const {
    const QRectF r = pictureRect();
    if (r.isEmpty()) return {};
    const double x = (widgetPos.x() - r.left()) * picture_->width() / r.width();
    const double y = (widgetPos.y() - r.top()) * picture_->height() / r.height();
    return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
}

QPointF TPGImage::toWidget(QPointF picturePos) const {
    const QRectF r = pictureRect();
    if (r.isEmpty()) return {};
    return {r.left() + picturePos.x() * r.width() / picture_->width(),
            r.top() + picturePos.y() * r.height() / picture_->height()};
}

TPGImage::Drag TPGImage::hitTest(QPoint picturePos) const {
    if (!selection_) return Drag::Create;
    const QPointF corner = toWidget(QPointF(selLeft_ + selWidth_, selTop_ + selHeight_));
    const QPointF at = toWidget(picturePos);
    if (std::abs(at.x() - corner.x()) <= kGrip && std::abs(at.y() - corner.y()) <= kGrip)
        return Drag::Resize;
    const QRect sel(selLeft_, selTop_, selWidth_, selHeight_);
    return sel.contains(picturePos) ? Drag::Move : Drag::Create;
}

void TPGImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF target = pictureRect();
    if (target.isEmpty()) return;
    const image::TPixelGraphic& pic = *picture_;
    if (pic.pixelFormat() == image::PixelFormat::Bits24) {
        // The 24-bit rows are red, green, blue bytes padded to 4: exactly RGB888 with a stride.
        const QImage view(pic.scanLine(0), pic.width(), pic.height(), pic.rowBytes(),
                          QImage::Format_RGB888);
        p.drawImage(target, view);
    } else {
        QImage converted(pic.width(), pic.height(), QImage::Format_RGB32);
        for (int y = 0; y < pic.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(converted.scanLine(y));
            for (int x = 0; x < pic.width(); ++x) {
                const ColourValue c = pic.pixel(x, y);
                line[x] = qRgb(static_cast<int>(c & 0xff), static_cast<int>((c >> 8) & 0xff),
                               static_cast<int>((c >> 16) & 0xff));
            }
        }
        p.drawImage(target, converted);
    }
    if (selection_) {
        const QRectF sel(toWidget(QPointF(selLeft_, selTop_)),
                         toWidget(QPointF(selLeft_ + selWidth_, selTop_ + selHeight_)));
        QPen white(Qt::white, 1, Qt::SolidLine);
        p.setPen(white);
        p.drawRect(sel);
        QPen ants(Qt::black, 1, Qt::DashLine);
        ants.setDashOffset(phase_);
        p.setPen(ants);
        p.drawRect(sel);
    }
}

void TPGImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selectionEnabled_ || picture_->empty()) return;
    const QPoint at = toPicture(event->position());
    drag_ = hitTest(at);
    dragStart_ =
        QPoint(std::clamp(at.x(), 0, picture_->width()), std::clamp(at.y(), 0, picture_->height()));
    dragOrigin_ = QRect(selLeft_, selTop_, selWidth_, selHeight_);
    if (drag_ == Drag::Create) setSelectionRect(dragStart_.x(), dragStart_.y(), 0, 0);
    if (drag_ == Drag::Move) setCursor(Qt::SizeAllCursor);
}

void TPGImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = toPicture(event->position());
    const int w = picture_->width();
    const int h = picture_->height();
    const QPoint clamped(std::clamp(at.x(), 0, w), std::clamp(at.y(), 0, h));
    switch (drag_) {
    case Drag::Create: {
        const int left = std::min(dragStart_.x(), clamped.x());
        const int top = std::min(dragStart_.y(), clamped.y());
        setSelectionRect(left, top, std::abs(clamped.x() - dragStart_.x()),
                         std::abs(clamped.y() - dragStart_.y()));
        break;
    }
    case Drag::Move: {
        const int left = std::clamp(dragOrigin_.left() + clamped.x() - dragStart_.x(), 0,
                                    std::max(0, w - dragOrigin_.width()));
        const int top = std::clamp(dragOrigin_.top() + clamped.y() - dragStart_.y(), 0,
                                   std::max(0, h - dragOrigin_.height()));
        setSelectionRect(left, top, dragOrigin_.width(), dragOrigin_.height());
        break;
    }
    case Drag::Resize:
        setSelectionRect(selLeft_, selTop_, std::max(1, clamped.x() - selLeft_),
                         std::max(1, clamped.y() - selTop_));
        break;
    case Drag::None:
        break;
    }
    if (at.x() >= 0 && at.y() >= 0 && at.x() < w && at.y() < h)
        emit PicBoxOnMouseMove(event->buttons(), event->modifiers(), at.x(), at.y());
}

void TPGImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = toPicture(event->position());
    if (event->button() == Qt::LeftButton && drag_ != Drag::None) {
        const Drag was = drag_;
        drag_ = Drag::None;
        setCursor(Qt::CrossCursor);
        // A click without a drag makes no selection; the release is still reported, so the
        // owner can put back what the click's selection changes showed.
        if (was == Drag::Create && (selWidth_ == 0 || selHeight_ == 0)) setSelection(false);
        emit OnSelectionMade();
    }
    // Like moves, releases count only over the picture, not over the margin around it.
    if (at.x() >= 0 && at.y() >= 0 && at.x() < picture_->width() && at.y() < picture_->height())
        emit PicBoxOnMouseUp(event->button(), event->modifiers(), at.x(), at.y());
}

} // namespace qm::app
