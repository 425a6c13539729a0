// How many digits a deep view's coordinates need: whether the 15-digit fields stand for the view
// at a picture size, and the texts a parameter file stores for it.
#pragma once

#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/view_geometry.h"

namespace qm::params {

// True when every field lies within 1/1024 of a pixel step of its exact text at a picture of
// width x height (sizes below 1 count as 1): such a view renders and saves as the fields alone,
// exactly as views did before coordinates could be longer. Texts that do not parse count as
// held (the fields are then all there is).
bool fieldsHoldView(const fractal::DeepView& texts, const fractal::View& fields, int width,
                    int height);

// The coordinate texts a file stores for a deep view at a picture of width x height: each
// rounded at the decimal place just below 2^-64 of the pixel step (the finer of the two axes),
// in the shortest form. That is what the view "needs": the deep renderer resolves the view to
// about 2^-64 of a pixel step, so cutting there changes no picture, while cutting nearer the
// pixel would move every pixel's point by more than the renderer's own rounding and change
// chaotic pixels between the picture and one rendered from its file. Texts already that short
// come back digit for digit, so writing what was read changes nothing. A view without width
// or height keeps its texts.
fractal::DeepView textsForFile(const fractal::DeepView& texts, int width, int height);

} // namespace qm::params
