// PlaneView: a view at any precision, as navigation keeps it: the four doubles, and beside them
// the exact decimals once doubles no longer resolve the view's pixels. Navigation steps move
// its edges by fractions of its own width and height, in doubles while doubles resolve the
// result (exactly the arithmetic of shallow views) and in MPFR beyond.
#pragma once

#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/view_geometry.h"

#include <string>

namespace qm::fractal {

struct PlaneView : View {
    DeepView deep; // empty while the doubles are the view

    PlaneView() = default;
    PlaneView(const View& v, DeepView exact = {}) : View(v), deep(std::move(exact)) {}
    PlaneView(double ux, double lx, double uy, double ly) : View{ux, lx, uy, ly} {}

    bool isDeep() const { return !deep.empty(); }
    const View& doubles() const { return *this; }
    bool operator==(const PlaneView&) const = default;
    // Equal to a view of doubles only while no exact decimals are kept.
    bool operator==(const View& v) const { return deep.empty() && View::operator==(v); }
};

// Whether a width x height picture of `view` needs exact coordinates: pixel steps below 2^-40
// of the coordinates' magnitude (doubles would round an edge by more than 1/8192 pixel per
// step), steps near the end of the double range, or edges that doubles merge.
bool needsExactView(const View& view, int width, int height);

// New edges as fractions of the view's width and height from its Upper edges:
// upperX' = upperX + (lowerX - upperX) * x0, lowerX' = upperX + (lowerX - upperX) * x1, and so
// for Y.
struct EdgeFractions {
    double x0, x1, y0, y1;
};

// The view with the edges `f` in exact arithmetic, for a width x height picture: the exact
// decimals (as many digits as resolve 2^-32 of a pixel step) when it needs them, else the
// doubles nearest to it.
PlaneView exactEdges(const PlaneView& view, const EdgeFractions& f, int width, int height);

// The plane point at picture position (x, y) (pixels from the top-left corner), as text with
// the digits that tell neighbouring pixels apart, Y negated like the loupe's readout.
struct PlanePointText {
    std::string x, y;
    double nearX = 0.0, nearY = 0.0; // the nearest doubles (Y not negated)
};
PlanePointText planePointAt(const PlaneView& view, int width, int height, double x, double y);

// log10 of the magnification, 4 / plane width, of a view at any depth.
double magnificationLog10(const PlaneView& view);

} // namespace qm::fractal
