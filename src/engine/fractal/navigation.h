// Navigation of a document's picture: the view a selection, a wheel step, a pan, a zoom out or a
// window fit leads to, the preview that shows it at once, the views a document showed, and the
// kernel result of one pixel. All plane arithmetic of navigation lives here, so a wider number
// type for deep views replaces it in one place.
#pragma once

#include "engine/fractal/kernels.h"
#include "engine/fractal/plane_view.h"
#include "engine/fractal/view_geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::image {
class TPixelGraphic;
}

namespace qm::fractal {

struct FractalParams;

// The picture on screen: the view it shows and its plane steps per pixel (0 before any render).
struct ShownView {
    PlaneView view = kDefaultView;
    PixelSteps steps;
    bool rendered() const { return steps.StepX != 0.0 || steps.StepY != 0.0; }
};

// A wheel step zooms by the square root of 2; the arrow keys pan by a tenth of the picture.
inline constexpr double kWheelFactor = 1.4142135623730951;
inline constexpr double kPanFraction = 0.1;

// The fields of a constrained selection: left, right and top as the pixels give them, and the
// bottom so that the plane rectangle has exactly the aspect of the picture's pixels:
// plane height = plane width * (H / W) * (StepY / StepX). Repeated small zooms then keep the
// pixels' aspect instead of drifting with the height's rounding. Without steps (no render yet)
// the plain pixel mapping.
View constrainedSelectionView(const Selection& sel, const PixelSteps& steps, const View& current,
                              int width, int height);

// The same steps for views at any precision: the double arithmetic above while doubles resolve
// the result, exact arithmetic (PlaneView) beyond. width x height is the picture's size.
PlaneView selectionView(const Selection& sel, const PlaneView& current, int width, int height);
PlaneView constrainedSelectionView(const Selection& sel, const PlaneView& current, int width,
                                   int height);
PlaneView zoomAt(const PlaneView& view, int width, int height, double u, double v, double factor);
PlaneView zoomOut(const PlaneView& view, int width, int height);
PlaneView panBy(const PlaneView& view, int width, int height, double dx, double dy);
PlaneView fitView(const PlaneView& view, int oldW, int oldH, int newW, int newH);

// The loupe's texts for mouse position (x, y) over a width x height picture of `current`: the
// doubles' texts while they are the view, the exact point's digits at deep views.
MagnifierText magnifierText(int x, int y, const PixelSteps& steps, const PlaneView& current,
                            int width, int height);

// Zooms by `factor` (above 1 zooms in) about picture position (u, v), in pixels from the
// picture's top-left corner: the plane point there stays there.
View zoomAt(const View& view, int width, int height, double u, double v, double factor);
// Twice the span in each direction, about the centre.
View zoomOut(const View& view);
// The view after the picture moved (dx, dy) pixels on screen: the plane follows the hand.
View panBy(const View& view, int width, int height, double dx, double dy);
// The view of a picture resized from oldW x oldH to newW x newH that keeps the centre and the
// pixels' aspect and shows at least the whole old view.
View fitView(const View& view, int oldW, int oldH, int newW, int newH);

// The preview of a navigation step: the picture scaled by `scale` about (u, v) and then moved
// by (dx, dy) pixels, the same mapping as zoomAt and panBy; pixels it uncovers become black.
void previewInPlace(image::TPixelGraphic& picture, double scale, double u, double v, double dx,
                    double dy);

// Every view a document showed, oldest first, and where Back and Forward stand in it.
class ViewTrail {
public:
    // A render showed `view`: unless the trail stands at that view, the views ahead of the
    // position are dropped and `view` is appended (the oldest go beyond kLimit).
    void shown(const PlaneView& view);
    bool canBack() const { return at_ > 0; }
    bool canForward() const { return at_ + 1 < views_.size(); }
    // Step and return the view there; the caller renders it (which the trail then ignores).
    PlaneView back();
    PlaneView forward();
    std::size_t size() const { return views_.size(); }
    std::size_t position() const { return at_; }

    static constexpr std::size_t kLimit = 1000;

private:
    std::vector<PlaneView> views_;
    std::size_t at_ = 0;
};

// Everything one document knows of its views.
struct DocumentViews {
    ShownView shown;
    BasicViewHistory<PlaneView> history; // CurrentView, PreviousView: "Undo last zoom"
    ViewTrail trail;                     // Back, Forward

    // A render of `view` at width x height starts: its preview is on screen from now on, so
    // selections, the loupe and the Julia pick map with it. With `recordView` (false inside a
    // drag, which records once at its end) the history steps when the view is a new one.
    void renderStarted(const PlaneView& view, int width, int height, bool recordView = true);
    // The view a gesture ended on joins the history and the trail.
    void record(const PlaneView& view);
};

// What the render computed for picture pixel (x, y), 0-based, of a render of `params` at
// width x height: the kernel run once more for that pixel.
KernelResult kernelAtPixel(const FractalParams& params, int width, int height, int x, int y,
                           std::int32_t bailout);

} // namespace qm::fractal
