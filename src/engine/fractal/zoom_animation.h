// Zoom animations: the parameters of frame f of N between a start and an end parameter set,
// a steady zoom on screen. Each frame depends only on (FROM, TO, f, N), so frames made by
// different processes agree.
#pragma once

#include "engine/fractal/fractal_params.h"

namespace qm::fractal {

// t = f / (N - 1) (0 when N = 1). The width of the view is w0 * r^t with r = w1 / w0, the
// height likewise with its own ratio, and each centre coordinate moves by
// (c1 - c0) * (1 - r^t) / (1 - r) (t itself when r = 1), so the zoom speed is constant on
// screen. Max grows geometrically from FROM's to TO's value, rounded to the nearest integer.
// Everything else is FROM's; the last frame has TO's view and Max exactly. Throws
// ERenderParameters when the two views run opposite ways (a ratio that is not positive).
// Where either end has an exact decimal view, the same formulas run in MPFR, precise to far
// below a pixel of the deepest frame; every frame then carries its view as decimals (and the
// nearest doubles), Max up to the deep path's limit (frames beyond the double path's limit take
// the deep path), and one deepReference for all frames: the deeper end's centre, at the
// precision of the deepest frame and with the orbit length of the larger Max.
FractalParams zoomFrame(const FractalParams& from, const FractalParams& to, int frame, int frames);

} // namespace qm::fractal
