// The zoom history and the pixel/plane mappings.
#include "engine/fractal/view_geometry.h"

#include "engine/core/arith.h"
#include "engine/core/number_text.h"

#include <algorithm>
#include <cmath>

namespace qm::fractal {

PixelSteps computeSteps(const View& view, int width, int height) {
    return {(view.lowerX - view.upperX) / width, (view.lowerY - view.upperY) / height};
}

bool beyondDoublePrecision(const View& view, const PixelSteps& steps) {
    const auto tooFine = [](double step, double a, double b) {
        const double magnitude = std::max(std::abs(a), std::abs(b));
        return step != 0.0 && std::abs(step) < std::ldexp(magnitude, -50);
    };
    return tooFine(steps.StepX, view.upperX, view.lowerX) ||
           tooFine(steps.StepY, view.upperY, view.lowerY);
}

View selectionToFields(const Selection& sel, const PixelSteps& steps, const View& current) {
    return {sel.left * steps.StepX + current.upperX, sel.right() * steps.StepX + current.upperX,
            sel.top * steps.StepY + current.upperY, sel.bottom() * steps.StepY + current.upperY};
}

int constrainedHeight(int selectionWidth, int pictureWidth, int pictureHeight) {
    return Trunc(static_cast<double>(selectionWidth) * pictureHeight / pictureWidth);
}

PlaneReadout mouseToPlane(int x, int y, const PixelSteps& steps, const View& current) {
    PlaneReadout r;
    if (steps.StepX != 0.0) r.x = x * steps.StepX + current.upperX;
    if (steps.StepY != 0.0) r.y = -(y * steps.StepY + current.upperY);
    return r;
}

MagnifierText magnifierText(int x, int y, const PixelSteps& steps, const View& current) {
    const PlaneReadout p = mouseToPlane(x, y, steps, current);
    MagnifierText t;
    if (p.x) t.x = formatNumber(*p.x);
    if (p.y) t.y = formatNumber(*p.y);
    return t;
}

} // namespace qm::fractal
