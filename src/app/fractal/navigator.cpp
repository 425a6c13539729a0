// Navigation of a document window: wheel, drags and keys over the picture turned into view steps
// with an instant preview and a restarted render; history, Back/Forward and Fit Window.
#include "app/fractal/navigator.h"

#include "app/fractal/mandel_form.h"
#include "app/widgets/command_errors.h"
#include "app/widgets/tpg_image.h"
#include "engine/core/number_text.h"
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/recolour.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace qm::app {

namespace {
constexpr int kWheelStep = 120; // angle delta of one notch
} // namespace

Navigator::Navigator(Tmandelform& form) : QObject(&form), form_(form) {
    TPGImage* image = form_.Image1();
    image->installEventFilter(this);
    // Keys reach the picture once it is clicked or wheeled over, never from the fields.
    image->setFocusPolicy(Qt::WheelFocus);
    fitTimer_.setSingleShot(true);
    fitTimer_.setInterval(kFitDelayMs);
    connect(&fitTimer_, &QTimer::timeout, this, [this] { runGuarded([this] { fitNow(); }); });
}

void Navigator::addMenuItems(QMenu* settings, QMenu* imageSize) {
    auto item = [this](QMenu* menu, const char* name, const QString& caption, auto&& handler) {
        auto* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [handler] { runGuarded(handler); });
        return a;
    };
    settings->addSeparator();
    QAction* out = item(settings, "ZoomOut1", "Zoom Out", [this] { ZoomOut1Click(); });
    back_ = item(settings, "Back1", "Back", [this] { Back1Click(); });
    forward_ = item(settings, "Forward1", "Forward", [this] { Forward1Click(); });
    // "-" only while the picture has the focus (formula fields need the key); Back and Forward
    // anywhere in the window.
    out->setShortcut(Qt::Key_Minus);
    out->setShortcutContext(Qt::WidgetShortcut);
    form_.Image1()->addAction(out);
    back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    for (QAction* a : {back_, forward_}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        form_.addAction(a);
    }
    fitAction_ = item(imageSize, "FitWindow1", "Fit Window", [this] { setFitWindow(!fit_); });
    fitAction_->setCheckable(true);
    updateMenuState();
}

void Navigator::updateMenuState() {
    if (back_ == nullptr) return;
    back_->setEnabled(views_.trail.canBack());
    forward_->setEnabled(views_.trail.canForward());
    fitAction_->setChecked(fit_);
}

fractal::PlaneView planeViewOf(const params::FractalDocument& doc) {
    const fractal::DeepView& exact = doc.deepView();
    if (exact.empty()) return doc.view();
    return {fractal::nearestView(exact), exact};
}

void setPlaneView(params::FractalDocument& doc, const fractal::PlaneView& view) {
    if (view.isDeep())
        doc.setDeepView(view.deep);
    else
        doc.setView(view);
}

fractal::PlaneView Navigator::base() const {
    return views_.shown.rendered() ? views_.shown.view : planeViewOf(form_.document());
}

void Navigator::navigate(const fractal::PlaneView& to, double scale, double u, double v, double dx,
                         double dy) {
    form_.Image1()->setSelection(false);
    params::FractalDocument& doc = form_.document();
    const fractal::PlaneView before = planeViewOf(doc);
    setPlaneView(doc, to);
    try {
        form_.restartRender([=](image::TPixelGraphic& picture) {
            fractal::previewInPlace(picture, scale, u, v, dx, dy);
        });
    } catch (...) {
        setPlaneView(doc, before); // the render did not start: the fields keep the view on screen
        throw;
    }
}

void Navigator::zoomAt(double u, double v, double factor) {
    const image::TPixelGraphic& pic = form_.picture();
    if (pic.empty()) return;
    navigate(fractal::zoomAt(base(), pic.width(), pic.height(), u, v, factor), factor, u, v, 0, 0);
}

void Navigator::zoomIn() {
    const image::TPixelGraphic& pic = form_.picture();
    zoomAt(pic.width() / 2.0, pic.height() / 2.0, fractal::kWheelFactor);
}

void Navigator::ZoomOut1Click() {
    const image::TPixelGraphic& pic = form_.picture();
    if (pic.empty()) return;
    navigate(fractal::zoomOut(base(), pic.width(), pic.height()), 0.5, pic.width() / 2.0,
             pic.height() / 2.0, 0, 0);
}

void Navigator::pan(double dx, double dy) {
    const image::TPixelGraphic& pic = form_.picture();
    if (pic.empty()) return;
    navigate(fractal::panBy(base(), pic.width(), pic.height(), dx, dy), 1.0, 0, 0, dx, dy);
}

void Navigator::Back1Click() {
    walk(false);
}

void Navigator::Forward1Click() {
    walk(true);
}

void Navigator::walk(bool ahead) {
    fractal::ViewTrail& trail = views_.trail;
    if (ahead ? !trail.canForward() : !trail.canBack()) return;
    params::FractalDocument& doc = form_.document();
    const fractal::PlaneView before = planeViewOf(doc);
    setPlaneView(doc, ahead ? trail.forward() : trail.back());
    try {
        form_.restartRender({});
    } catch (...) {
        // Not shown: the trail stays where the picture is.
        static_cast<void>(ahead ? trail.back() : trail.forward());
        setPlaneView(doc, before);
        throw;
    }
}

void Navigator::setFitWindow(bool on) {
    fit_ = on;
    if (fitAction_ != nullptr) fitAction_->setChecked(on);
    if (on) fitNow();
}

void Navigator::fitNow() {
    if (!fit_) return;
    const QSize area = form_.Image1()->size();
    const image::TPixelGraphic& pic = form_.picture();
    if (area.width() < 1 || area.height() < 1 || area == QSize(pic.width(), pic.height())) return;
    const fractal::PlaneView fitted =
        fractal::fitView(base(), pic.width(), pic.height(), area.width(), area.height());
    form_.resizeit(area.width(), area.height(), true);
    setPlaneView(form_.document(), fitted);
    form_.restartRender({});
}

void Navigator::renderStarted(const fractal::FractalParams& params, int width, int height) {
    rendered_ = params;
    haveRendered_ = true;
    // A drag records its end once, not every step of the hand.
    views_.renderStarted(fractal::PlaneView(params.view(), params.deepView), width, height,
                         dragButton_ == Qt::NoButton);
    updateMenuState();
}

void Navigator::pictureShown(const fractal::FractalParams& params, int width, int height) {
    rendered_ = params;
    haveRendered_ = true;
    const fractal::PlaneView view(params.view(), params.deepView);
    views_.shown = {view, fractal::computeSteps(params.view(), width, height)};
    views_.history.newzoom(view);
    views_.history.newzoom(view);
    views_.trail.shown(view);
    updateMenuState();
}

QString Navigator::pixelReadout(int x, int y) const {
    if (!haveRendered_ || !views_.shown.rendered()) return {};
    const image::TPixelGraphic& pic = form_.picture();
    if (views_.shown.view.isDeep() ||
        fractal::deep::usesDeepPath(rendered_, pic.width(), pic.height())) {
        // Deep: the exact point, and I as the render kept it; the double kernel would iterate
        // another point (and Max may be in the millions).
        const fractal::PlanePointText p =
            fractal::planePointAt(views_.shown.view, pic.width(), pic.height(), x, y);
        QString text =
            QString("X: %1  Y: %2").arg(QString::fromStdString(p.x), QString::fromStdString(p.y));
        const fractal::KernelResults& kept = form_.keptResults();
        if (kept.complete() && kept.width() == pic.width() && kept.height() == pic.height() &&
            x >= 0 && y >= 0 && x < pic.width() && y < pic.height())
            text += QString("  I: %1").arg(
                kept.iterations()[static_cast<std::size_t>(y) * pic.width() + x]);
        return text;
    }
    const fractal::MagnifierText xy =
        fractal::magnifierText(x, y, views_.shown.steps, views_.shown.view);
    QString text = QString("X: %1  Y: %2")
                       .arg(QString::fromStdString(xy.x.value_or("")),
                            QString::fromStdString(xy.y.value_or("")));
    // I and Z of the pixel: the kernel once more for it (Max is bounded, so this is cheap).
    const fractal::KernelResult r =
        fractal::kernelAtPixel(rendered_, pic.width(), pic.height(), x, y,
                               form_.host().renderState().Bailout.load(std::memory_order_relaxed));
    return text + QString("  I: %1  Z: %2").arg(r.I).arg(QString::fromStdString(formatNumber(r.Z)));
}

bool Navigator::dragStarts(const QEvent* event) const {
    const auto* m = static_cast<const QMouseEvent*>(event);
    return m->button() == Qt::MiddleButton || (m->button() == Qt::LeftButton && spaceHeld_);
}

void Navigator::endDrag() {
    dragButton_ = Qt::NoButton;
    form_.Image1()->setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::CrossCursor);
    views_.record(planeViewOf(form_.document()));
    updateMenuState();
}

bool Navigator::eventFilter(QObject* watched, QEvent* event) {
    TPGImage* image = form_.Image1();
    if (watched != image) return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* w = static_cast<QWheelEvent*>(event);
        wheelRest_ += w->angleDelta().y();
        const int steps = wheelRest_ / kWheelStep;
        wheelRest_ -= steps * kWheelStep;
        const QRectF r = image->pictureRect();
        if (steps != 0 && !r.isEmpty()) {
            const double u = (w->position().x() - r.left()) * form_.picture().width() / r.width();
            const double v = (w->position().y() - r.top()) * form_.picture().height() / r.height();
            runGuarded([&] { zoomAt(u, v, std::pow(fractal::kWheelFactor, steps)); });
        }
        return true; // the wheel never scrolls the window around the picture
    }
    case QEvent::MouseButtonPress:
        if (dragButton_ == Qt::NoButton && dragStarts(event)) {
            dragButton_ = static_cast<QMouseEvent*>(event)->button();
            dragLast_ = static_cast<QMouseEvent*>(event)->position();
            dragRest_ = {};
            image->setCursor(Qt::ClosedHandCursor);
            image->setFocus(Qt::MouseFocusReason);
            return true;
        }
        return false;
    case QEvent::MouseMove:
        if (dragButton_ != Qt::NoButton) {
            const auto* m = static_cast<QMouseEvent*>(event);
            const QRectF r = image->pictureRect();
            if (r.isEmpty()) return true;
            // Screen pixels to picture pixels; whole picture pixels are panned, the rest waits.
            dragRest_ += (m->position() - dragLast_) * (form_.picture().width() / r.width());
            dragLast_ = m->position();
            const double dx = std::trunc(dragRest_.x()), dy = std::trunc(dragRest_.y());
            dragRest_ -= QPointF(dx, dy);
            if (dx != 0.0 || dy != 0.0) runGuarded([&] { pan(dx, dy); });
        }
        return false; // the loupe and the readout still follow the pointer
    case QEvent::MouseButtonRelease:
        if (dragButton_ != Qt::NoButton &&
            static_cast<QMouseEvent*>(event)->button() == dragButton_) {
            endDrag();
            return true;
        }
        return false;
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) return false;
        const image::TPixelGraphic& pic = form_.picture();
        const double px = std::round(pic.width() * fractal::kPanFraction);
        const double py = std::round(pic.height() * fractal::kPanFraction);
        switch (k->key()) {
        case Qt::Key_Space:
            if (!k->isAutoRepeat()) {
                spaceHeld_ = true;
                if (dragButton_ == Qt::NoButton) image->setCursor(Qt::OpenHandCursor);
            }
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            runGuarded([this] { zoomIn(); });
            return true;
        // An arrow shows what lies that way: the picture moves the other way.
        case Qt::Key_Left:
            runGuarded([&] { pan(px, 0); });
            return true;
        case Qt::Key_Right:
            runGuarded([&] { pan(-px, 0); });
            return true;
        case Qt::Key_Up:
            runGuarded([&] { pan(0, py); });
            return true;
        case Qt::Key_Down:
            runGuarded([&] { pan(0, -py); });
            return true;
        case Qt::Key_Escape:
            if (!image->Selection()) return false;
            runGuarded([this] { form_.CancelSelection1Click(); });
            return true;
        default:
            return false;
        }
    }
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() != Qt::Key_Space || k->isAutoRepeat()) return false;
        spaceHeld_ = false;
        if (dragButton_ == Qt::NoButton) image->setCursor(Qt::CrossCursor);
        return true;
    }
    case QEvent::FocusOut:
        spaceHeld_ = false;
        if (dragButton_ == Qt::NoButton) image->setCursor(Qt::CrossCursor);
        return false;
    case QEvent::Resize:
        if (fit_) fitTimer_.start();
        return false;
    default:
        return false;
    }
}

} // namespace qm::app
