// Colour-model arithmetic of the point filters: lookup tables, table interpolation and the
// double-hexcone (HLS) and hexcone (HSV) conversions.
#pragma once

#include <array>
#include <cstdint>

namespace qm::image {

using ByteTable = std::array<std::uint8_t, 256>;

// Hue of a colour without one (grey); any hue at or above it counts as undefined.
inline constexpr double kUndefinedHue = 1e10;
inline bool hueDefined(double h) {
    return h < kUndefinedHue;
}

ByteTable identityTable();

// T[i] = clamp(i + (percent * 255) div 100, 0, 255), the division truncating toward zero.
ByteTable shiftTable(int percent);

// T[i] = i + (degrees * 256) div 360, brought into 0..255 by whole turns of 256.
ByteTable hueTable(int degrees);

// A hue (0 <= h < 360) through a hue table: linear between entries, shortest way round the
// circle, result again in 0 <= h < 360.
double lookUpHue(const ByteTable& table, double h);

// A fraction 0..1 through a table: entry value * 255, linear between neighbouring entries.
double lookUpFraction(const ByteTable& table, double value);

// Channels are fractions 0..1; hue in degrees (or kUndefinedHue).
struct HlsColour {
    double h, l, s;
};
struct HsvColour {
    double h, s, v;
};
struct RgbFraction {
    double r, g, b;
};

HlsColour rgbToHls(RgbFraction c);
RgbFraction hlsToRgb(HlsColour c);
HsvColour rgbToHsv(RgbFraction c);
RgbFraction hsvToRgb(HsvColour c);

// A fraction 0..1 as a channel byte: * 255, rounded halves to even, clamped to 0..255.
std::uint8_t fractionToByte(double fraction);

} // namespace qm::image
