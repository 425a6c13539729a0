// Turning formula values into colours: the Fixed Palette index with its "Repeat Palette"
// folding, the channel rule of the split-channel models, and the HLS conversion.
#pragma once

#include "engine/core/arith.h"
#include "engine/core/colour.h"

#include <cstdint>

namespace qm::fractal {

// The rounded formula value: Round(v) below 2147483647, else 2147483647 (NaN included); 0 when
// the evaluation failed or Round fails.
std::int32_t paletteValue(double v, ArithFault evaluationFault);

// 0..255 from the rounded value: folded with "Repeat Palette" (256 -> 254, 509 -> 1, -1 -> 254),
// clamped without it.
int paletteIndex(std::int32_t n, bool repeatPalette);

// The channel rule with limit L: folded into 0..L with "Repeat Palette" (no reversal), clamped
// without it; the result is not yet rounded. v must be finite.
double channelValue(double v, double limit, bool repeatPalette);

// Hue in degrees, lightness and saturation in percent to the pixel's colour; the components are
// 0..100 (the conversion's percentages taken as 8-bit values). false when the conversion
// raised (the caller paints the pixel black).
bool hlsToColour(double hue, double lightness, double saturation, ColourValue& out);

} // namespace qm::fractal
