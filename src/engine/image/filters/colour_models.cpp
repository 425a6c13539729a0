// Colour-model arithmetic of the point filters.
#include "engine/image/filters/colour_models.h"

#include <algorithm>
#include <cmath>

namespace qm::image {

namespace {

int tableIndex(double t) {
    // t lies in 0..255 by construction; the clamp only keeps rounding noise in bounds.
    const double k = std::floor(t);
    if (!(k >= 0.0)) return 0;
    if (k > 255.0) return 255;
    return static_cast<int>(k);
}

// Hue of a colour from its extremes; shared by both models.
double hueOf(RgbFraction c, double mx, double mn) {
    const double delta = mx - mn;
    double h;
    if (c.r == mx)
        h = 60.0 * ((c.g - c.b) / delta);
    else if (c.g == mx)
        h = 60.0 * (2.0 + (c.b - c.r) / delta);
    else
        h = 60.0 * (4.0 + (c.r - c.g) / delta);
    if (h < 0.0) h += 360.0;
    return h;
}

double hlsValue(double n1, double n2, double hue) {
    if (hue > 360.0)
        hue -= 360.0;
    else if (hue < 0.0)
        hue += 360.0;
    if (hue < 60.0) return n1 + (n2 - n1) * hue / 60.0;
    if (hue < 180.0) return n2;
    if (hue < 240.0) return n1 + (n2 - n1) * (240.0 - hue) / 60.0;
    return n1;
}

} // namespace

ByteTable identityTable() {
    ByteTable t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i);
    return t;
}

ByteTable shiftTable(int percent) {
    // 64-bit so that any int setting is safe; C++ division truncates toward zero.
    const std::int64_t shift = std::int64_t{percent} * 255 / 100;
    ByteTable t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] =
            static_cast<std::uint8_t>(std::clamp<std::int64_t>(i + shift, 0, 255));
    return t;
}

ByteTable hueTable(int degrees) {
    const std::int64_t shift = std::int64_t{degrees} * 256 / 360;
    ByteTable t{};
    for (int i = 0; i < 256; ++i) {
        std::int64_t v = (i + shift) % 256;
        if (v < 0) v += 256;
        t[static_cast<size_t>(i)] = static_cast<std::uint8_t>(v);
    }
    return t;
}

double lookUpHue(const ByteTable& table, double h) {
    double t = (h + 180.0) * 256.0 / 360.0;
    if (t >= 256.0) t -= 256.0;
    const int k = tableIndex(t);
    const double f = t - k;
    const double a = table[static_cast<size_t>(k)];
    double b = table[k == 255 ? 0 : static_cast<size_t>(k + 1)];
    // Interpolate the short way round: entries more than half a turn apart wrap.
    if (a - b > 128.0) b += 256.0;
    if (a - b + 128.0 < 0.0) b -= 256.0;
    const double v = (1.0 - f) * a + f * b;
    double hue = v * 360.0 / 256.0 - 180.0;
    while (hue < 0.0)
        hue += 360.0;
    while (hue >= 360.0)
        hue -= 360.0;
    return hue;
}

double lookUpFraction(const ByteTable& table, double value) {
    const double t = value * 255.0;
    const int k = tableIndex(t);
    const double f = t - k;
    if (k > 254) return table[static_cast<size_t>(k)] / 255.0;
    return ((1.0 - f) * table[static_cast<size_t>(k)] + f * table[static_cast<size_t>(k + 1)]) /
           255.0;
}

HlsColour rgbToHls(RgbFraction c) {
    const double mx = std::max({c.r, c.g, c.b});
    const double mn = std::min({c.r, c.g, c.b});
    HlsColour out{kUndefinedHue, (mx + mn) / 2.0, 0.0};
    if (mx == mn) return out;
    out.s = out.l <= 0.5 ? (mx - mn) / (mx + mn) : (mx - mn) / (2.0 - mx - mn);
    out.h = hueOf(c, mx, mn);
    return out;
}

RgbFraction hlsToRgb(HlsColour c) {
    const double m2 = c.l <= 0.5 ? c.l * (1.0 + c.s) : c.l + c.s - c.l * c.s;
    const double m1 = 2.0 * c.l - m2;
    if (c.s == 0.0 || !hueDefined(c.h)) return {c.l, c.l, c.l};
    return {hlsValue(m1, m2, c.h + 120.0), hlsValue(m1, m2, c.h), hlsValue(m1, m2, c.h - 120.0)};
}

HsvColour rgbToHsv(RgbFraction c) {
    const double mx = std::max({c.r, c.g, c.b});
    const double mn = std::min({c.r, c.g, c.b});
    HsvColour out{kUndefinedHue, mx != 0.0 ? (mx - mn) / mx : 0.0, mx};
    if (out.s == 0.0) return out;
    out.h = hueOf(c, mx, mn);
    return out;
}

RgbFraction hsvToRgb(HsvColour c) {
    if (c.s == 0.0 || !hueDefined(c.h)) return {c.v, c.v, c.v};
    double h = c.h == 360.0 ? 0.0 : c.h;
    h /= 60.0;
    const double i = std::floor(h);
    const double f = h - i;
    const double p = c.v * (1.0 - c.s);
    const double q = c.v * (1.0 - c.s * f);
    const double t = c.v * (1.0 - c.s * (1.0 - f));
    switch (std::clamp(static_cast<int>(i), 0, 5)) {
    case 0:
        return {c.v, t, p};
    case 1:
        return {q, c.v, p};
    case 2:
        return {p, c.v, t};
    case 3:
        return {p, q, c.v};
    case 4:
        return {t, p, c.v};
    default:
        return {c.v, p, q};
    }
}

std::uint8_t fractionToByte(double fraction) {
    const double v = std::nearbyint(fraction * 255.0); // halves to even
    if (!(v > 0.0)) return 0;
    if (v > 255.0) return 255;
    return static_cast<std::uint8_t>(v);
}

} // namespace qm::image
