// Geometric interpolation of the view between two parameter sets.
#include "engine/fractal/zoom_animation.h"

#include <algorithm>
#include <cmath>

namespace qm::fractal {

namespace {

struct Axis {
    double upper;
    double lower;
};

// One axis at time t: the span shrinks (or grows) by the same factor per frame, and the centre
// moves so that the point of the plane that ends in the centre drifts steadily.
Axis interpolateAxis(Axis a, Axis b, double t) {
    const double w0 = a.lower - a.upper, w1 = b.lower - b.upper;
    const double r = w1 / w0;
    if (!(r > 0.0) || !std::isfinite(r))
        throw ERenderParameters("The start and end views of an animation must run the same way");
    const double logR = std::log(r);
    // (1 - r^t) / (1 - r) computed as expm1(t ln r) / expm1(ln r): accurate for r near 1.
    const double share = logR == 0.0 ? t : std::expm1(t * logR) / std::expm1(logR);
    const double c0 = (a.upper + a.lower) / 2, c1 = (b.upper + b.lower) / 2;
    const double centre = c0 + (c1 - c0) * share;
    const double half = w0 * std::pow(r, t) / 2;
    return {centre - half, centre + half};
}

} // namespace

FractalParams zoomFrame(const FractalParams& from, const FractalParams& to, int frame, int frames) {
    FractalParams p = from;
    const double t = frames > 1 ? static_cast<double>(frame) / (frames - 1) : 0.0;
    // Checked for every frame, so a pair that cannot animate fails the same way everywhere.
    const Axis x = interpolateAxis({from.UpperX, from.LowerX}, {to.UpperX, to.LowerX}, t);
    const Axis y = interpolateAxis({from.UpperY, from.LowerY}, {to.UpperY, to.LowerY}, t);
    if (frames > 1 && frame == frames - 1) {
        p.setView(to.view());
        p.Max = to.Max;
        return p;
    }
    p.UpperX = x.upper;
    p.LowerX = x.lower;
    p.UpperY = y.upper;
    p.LowerY = y.lower;
    const double max = from.Max * std::pow(static_cast<double>(to.Max) / from.Max, t);
    p.Max = static_cast<std::int32_t>(
        std::clamp(std::lround(max), 1L, static_cast<long>(kMaxIterationsLimit)));
    return p;
}

} // namespace qm::fractal
