// Turning formula values into colours: the Fixed Palette index with its "Repeat Palette"
// folding, the channel rule of the split-channel models, and the HLS conversion.
#pragma once

#include "engine/core/arith.h"
#include "engine/core/colour.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qm::fractal {

// The rounded formula value: Round(v) below 2147483647, else 2147483647 (NaN included); 0 when
// the evaluation failed or Round fails.
inline std::int32_t paletteValue(double v, ArithFault evaluationFault) {
    if (evaluationFault != ArithFault::None) return 0;
    if (!(v < 2147483647.0)) return 2147483647;
    // An integral value is its own rounding; most formulas ("i*2") give only such values.
    if (v > -2147483648.0) {
        const auto t = static_cast<std::int32_t>(v);
        if (t == v) return t;
    }
    std::int32_t n = 0;
    return tryRound(v, n) ? n : 0;
}

// 0..255 from the rounded value: folded with "Repeat Palette" (256 -> 254, 509 -> 1, -1 -> 254),
// clamped without it.
inline int paletteIndex(std::int32_t n, bool repeatPalette) {
    if (!repeatPalette) return n < 0 ? 0 : (n > 255 ? 255 : n);
    // Repeated subtraction (or addition) of 255, done as one remainder so 2147483647 costs no
    // more than 256.
    if (n > 255) return 255 - n % 255;
    if (n < 0) return n % 255 + 255; // the remainder is -254..0
    return n;
}

// The channel rule with limit L: folded into 0..L with "Repeat Palette" (no reversal), clamped
// without it; the result is not yet rounded. v must be finite.
inline double channelValue(double v, double limit, bool repeatPalette) {
    if (!repeatPalette) return std::clamp(v, 0.0, limit);
    // fmod is the exact result of subtracting (adding) the limit until in range.
    if (v > limit) return std::fmod(v, limit);
    if (v < 0.0) {
        const double r = std::fmod(v, limit);
        return r <= 0.0 ? r + limit : r;
    }
    return v;
}

// A channel formula's value through the channel rule, rounded (halves to even); false for a
// value that is not finite (the pixel becomes black).
inline bool channelLevel(double v, double limit, bool repeatPalette, std::int32_t& out) {
    if (!std::isfinite(v)) return false;
    const double c = channelValue(v, limit, repeatPalette);
    // c lies in 0..limit; most formulas give integers, which are their own rounding.
    const auto t = static_cast<std::int32_t>(c);
    if (t == c) {
        out = t;
        return true;
    }
    return tryRound(c, out);
}

// Hue in degrees, lightness and saturation in percent to the pixel's colour; the components are
// 0..100 (the conversion's percentages taken as 8-bit values). false when the conversion
// raised (the caller paints the pixel black).
bool hlsToColour(double hue, double lightness, double saturation, ColourValue& out);

} // namespace qm::fractal
