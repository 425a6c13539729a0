// The colour value used everywhere: red + 256*green + 65536*blue, top byte zero.
#pragma once

#include <cstdint>

namespace qm {

using ColourValue = std::uint32_t;

constexpr ColourValue makeColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return ColourValue{r} | (ColourValue{g} << 8) | (ColourValue{b} << 16);
}
constexpr std::uint8_t redOf(ColourValue c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t greenOf(ColourValue c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t blueOf(ColourValue c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

} // namespace qm
