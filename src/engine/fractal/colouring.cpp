// Palette folding, the channel rule and the HLS conversion, step for step.
#include "engine/fractal/colouring.h"

#include <algorithm>
#include <cmath>

namespace qm::fractal {

namespace {

constexpr double kSqrt3 = 1.73205080756888;
constexpr double kHalfSqrt3 = 0.86602540378444;

// A component formula's result, or 1 when it raised.
double guardedComponent(double numerator, double denominator) {
    if (denominator == 0.0) return 1.0;
    const double r = numerator / denominator;
    return std::isfinite(r) ? r : 1.0;
}

bool toByte(double component, std::uint8_t& out) {
    std::int32_t n = 0;
    if (!tryTrunc(component * 100.0, n)) return false;
    out = static_cast<std::uint8_t>(n & 0xFF); // the integer is taken as it is, as a byte
    return true;
}

} // namespace

bool hlsToColour(double hue, double lightness, double saturation, ColourValue& out) {
    double L = lightness * 0.01;
    double S = saturation * 0.01;
    const double H = std::clamp(hue, 0.0, 360.0);
    L = std::clamp(L, 0.0, 1.0);
    S = std::clamp(S, 0.0, 1.0);

    double red = 0.0, green = 0.0, blue = 0.0;
    if (std::fabs(S) < 0.001) {
        red = green = blue = L;
    } else {
        const double m2 = L <= 0.5 ? L * (1.0 + S) : L + S - L * S;
        const double m1 = L <= 0.5 ? L * (1.0 - S) : L - S + L * S;
        bool hasRed = false, hasGreen = false, hasBlue = false;
        if (H >= 300.0 || H < 60.0) blue = m2, hasBlue = true;
        if (H >= 60.0 && H < 180.0) red = m2, hasRed = true;
        if (H >= 180.0 && H < 300.0) green = m2, hasGreen = true;
        if (H >= 0.0 && H < 120.0) green = m1, hasGreen = true;
        if (H >= 120.0 && H < 240.0) blue = m1, hasBlue = true;
        if (H >= 240.0 && H <= 360.0) red = m1, hasRed = true;

        const double t = std::tan(H * M_PI / 180.0);
        const double c = kHalfSqrt3;
        if (!hasRed) {
            if (std::fabs(t + kSqrt3) < 0.001)
                red = blue;
            else
                red = guardedComponent(c * green + t * (blue - green / 2.0), t / 2.0 + c);
        } else if (!hasGreen) {
            if (std::fabs(t - kSqrt3) < 0.001)
                green = blue;
            else
                green = guardedComponent(c * red + t * (red / 2.0 - blue), c - t / 2.0);
        } else if (!hasBlue) {
            if (std::fabs(t) < 0.001)
                blue = red;
            else
                blue = guardedComponent(c * (red - green) + t * (red + green) / 2.0, t);
        }
    }
    std::uint8_t r = 0, g = 0, b = 0;
    if (!toByte(red, r) || !toByte(green, g) || !toByte(blue, b)) return false;
    out = makeColour(r, g, b);
    return true;
}

} // namespace qm::fractal
