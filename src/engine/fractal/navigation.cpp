// View arithmetic of navigation, the preview transform and the trail of shown views.
#include "engine/fractal/navigation.h"

#include "engine/fractal/fractal_params.h"
#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm::fractal {

View constrainedSelectionView(const Selection& sel, const PixelSteps& steps, const View& current,
                              int width, int height) {
    View v = selectionToFields(sel, steps, current);
    if (steps.StepX == 0.0 || width <= 0) return v;
    const double planeWidth = v.lowerX - v.upperX;
    v.lowerY =
        v.upperY + planeWidth * (static_cast<double>(height) / width) * (steps.StepY / steps.StepX);
    return v;
}

View zoomAt(const View& view, int width, int height, double u, double v, double factor) {
    // The plane point under (u, v) keeps its place; every edge moves towards it.
    const double px = view.upperX + (view.lowerX - view.upperX) * (u / width);
    const double py = view.upperY + (view.lowerY - view.upperY) * (v / height);
    return {px + (view.upperX - px) / factor, px + (view.lowerX - px) / factor,
            py + (view.upperY - py) / factor, py + (view.lowerY - py) / factor};
}

View zoomOut(const View& view) {
    return zoomAt(view, 2, 2, 1.0, 1.0, 0.5);
}

View panBy(const View& view, int width, int height, double dx, double dy) {
    const double sx = (view.lowerX - view.upperX) / width * dx;
    const double sy = (view.lowerY - view.upperY) / height * dy;
    return {view.upperX - sx, view.lowerX - sx, view.upperY - sy, view.lowerY - sy};
}

View fitView(const View& view, int oldW, int oldH, int newW, int newH) {
    const PixelSteps old = computeSteps(view, oldW, oldH);
    if (old.StepX == 0.0 || old.StepY == 0.0) return view;
    // The larger of the two scales that show the old width and the old height whole.
    const double ratio = std::abs(old.StepY / old.StepX);
    const double sx = std::max(std::abs(view.lowerX - view.upperX) / newW,
                               std::abs(view.lowerY - view.upperY) / (newH * ratio));
    const double halfX = std::copysign(sx * newW / 2.0, old.StepX);
    const double halfY = std::copysign(sx * ratio * newH / 2.0, old.StepY);
    const double cx = (view.upperX + view.lowerX) / 2.0;
    const double cy = (view.upperY + view.lowerY) / 2.0;
    return {cx - halfX, cx + halfX, cy - halfY, cy + halfY};
}

namespace {

// A step of the double arithmetic while doubles resolve its result (views from doubles keep
// exactly their former values), else the same edges in exact arithmetic.
template <class DoubleStep>
PlaneView planeStep(const PlaneView& view, int width, int height, DoubleStep doublesStep,
                    const EdgeFractions& f) {
    if (!view.isDeep()) {
        const View r = doublesStep(view.doubles());
        if (!needsExactView(r, width, height)) return r;
    }
    return exactEdges(view, f, width, height);
}

} // namespace

PlaneView selectionView(const Selection& sel, const PlaneView& current, int width, int height) {
    return planeStep(
        current, width, height,
        [&](const View& v) { return selectionToFields(sel, computeSteps(v, width, height), v); },
        {static_cast<double>(sel.left) / width, static_cast<double>(sel.right()) / width,
         static_cast<double>(sel.top) / height, static_cast<double>(sel.bottom()) / height});
}

PlaneView constrainedSelectionView(const Selection& sel, const PlaneView& current, int width,
                                   int height) {
    const double top = static_cast<double>(sel.top) / height;
    // Plane height = plane width * (H / W) * (StepY / StepX): a fraction sel.width / W of the
    // view's height.
    return planeStep(
        current, width, height,
        [&](const View& v) {
            return constrainedSelectionView(sel, computeSteps(v, width, height), v, width, height);
        },
        {static_cast<double>(sel.left) / width, static_cast<double>(sel.right()) / width, top,
         top + static_cast<double>(sel.width) / width});
}

PlaneView zoomAt(const PlaneView& view, int width, int height, double u, double v, double factor) {
    const double fu = u / width, fv = v / height;
    return planeStep(
        view, width, height, [&](const View& d) { return zoomAt(d, width, height, u, v, factor); },
        {fu - fu / factor, fu + (1.0 - fu) / factor, fv - fv / factor, fv + (1.0 - fv) / factor});
}

PlaneView zoomOut(const PlaneView& view, int width, int height) {
    return planeStep(view, width, height, [](const View& d) { return zoomOut(d); },
                     {-0.5, 1.5, -0.5, 1.5});
}

PlaneView panBy(const PlaneView& view, int width, int height, double dx, double dy) {
    const double fx = dx / width, fy = dy / height;
    return planeStep(view, width, height,
                     [&](const View& d) { return panBy(d, width, height, dx, dy); },
                     {-fx, 1.0 - fx, -fy, 1.0 - fy});
}

PlaneView fitView(const PlaneView& view, int oldW, int oldH, int newW, int newH) {
    if (oldW <= 0 || oldH <= 0 || newW <= 0 || newH <= 0) return view;
    // The share of the old width and height the new picture shows: at least all of both.
    const double kx =
        std::max(1.0, static_cast<double>(newW) * oldH / (static_cast<double>(newH) * oldW));
    const double ky = kx * newH * oldW / (static_cast<double>(newW) * oldH);
    return planeStep(view, newW, newH,
                     [&](const View& d) { return fitView(d, oldW, oldH, newW, newH); },
                     {0.5 - kx / 2, 0.5 + kx / 2, 0.5 - ky / 2, 0.5 + ky / 2});
}

MagnifierText magnifierText(int x, int y, const PixelSteps& steps, const PlaneView& current,
                            int width, int height) {
    if (!current.isDeep() || width <= 0 || height <= 0)
        return magnifierText(x, y, steps, current.doubles());
    const PlanePointText p = planePointAt(current, width, height, x, y);
    MagnifierText t;
    if (steps.StepX != 0.0) t.x = p.x;
    if (steps.StepY != 0.0) t.y = p.y;
    return t;
}

void previewInPlace(image::TPixelGraphic& picture, double scale, double u, double v, double dx,
                    double dy) {
    if (picture.empty() || picture.pixelFormat() != image::PixelFormat::Bits24 || scale <= 0.0)
        return;
    const image::TPixelGraphic source = picture;
    const int w = picture.width();
    const int h = picture.height();
    // Screen position p' of old position p: p' = u + (p - u) * scale + dx; each new pixel takes
    // the old pixel under its centre.
    const auto sourceIndex = [scale](int to, double about, double shift, int limit) {
        const double from = about + (to + 0.5 - shift - about) / scale;
        return from >= 0.0 && from < limit ? static_cast<int>(from) : -1;
    };
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        columns[static_cast<std::size_t>(x)] = sourceIndex(x, u, dx, w);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = picture.scanLine(y);
        const int sy = sourceIndex(y, v, dy, h);
        if (sy < 0) {
            std::memset(out, 0, static_cast<std::size_t>(w) * 3);
            continue;
        }
        const std::uint8_t* in = source.scanLine(sy);
        for (int x = 0; x < w; ++x, out += 3) {
            const int sx = columns[static_cast<std::size_t>(x)];
            if (sx < 0) {
                out[0] = out[1] = out[2] = 0;
            } else {
                std::memcpy(out, in + static_cast<std::ptrdiff_t>(sx) * 3, 3);
            }
        }
    }
}

void ViewTrail::shown(const PlaneView& view) {
    if (!views_.empty() && views_[at_] == view) return;
    if (!views_.empty()) views_.resize(at_ + 1);
    views_.push_back(view);
    if (views_.size() > kLimit) views_.erase(views_.begin());
    at_ = views_.size() - 1;
}

PlaneView ViewTrail::back() {
    if (canBack()) --at_;
    return views_.empty() ? PlaneView(kDefaultView) : views_[at_];
}

PlaneView ViewTrail::forward() {
    if (canForward()) ++at_;
    return views_.empty() ? PlaneView(kDefaultView) : views_[at_];
}

void DocumentViews::renderStarted(const PlaneView& view, int width, int height, bool recordView) {
    shown = {view, computeSteps(view, width, height)};
    if (recordView) record(view);
}

void DocumentViews::record(const PlaneView& view) {
    if (!(view == history.CurrentView)) history.newzoom(view);
    trail.shown(view);
}

KernelResult kernelAtPixel(const FractalParams& params, int width, int height, int x, int y,
                           std::int32_t bailout) {
    // The renderer's mapping of the pixel, with its flips and mirror.
    const PixelSteps steps = computeSteps(params.view(), width, height);
    double X = renderPlaneX(x + 1, steps, params.view());
    double Y = renderPlaneY(y + 1, steps, params.view());
    if (params.flipX) X = -X;
    if (params.flipY) Y = -Y;
    if (params.mirror) {
        X = std::fabs(X);
        Y = std::fabs(Y);
    }
    KernelParams kp;
    kp.max = params.Max;
    kp.bailout = bailout;
    kp.julia = params.julia;
    kp.juliaConst = {params.JuliaX, params.JuliaY};
    kp.insideOut = params.insideOut;
    kp.order = params.Order;
    kp.orientation = params.Orientation;
    KernelResult result;
    getresults(params.type, result, X, Y, kp);
    return result;
}

} // namespace qm::fractal
