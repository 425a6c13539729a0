// Colour resolutions: the eight kinds of picture a file writer can be asked for, how a
// picture's resolution follows from its storage, and the conversions between them.
#pragma once

#include "engine/image/pixel_graphic.h"

#include <array>
#include <cstdint>

namespace qm::image {

enum class ColourResolution : int {
    BlackAndWhite = 0, // 1 bit, palette black and white
    TwoColours = 1,    // 1 bit, any other two colours
    Grey16 = 2,        // 4 bits, the grey ramp 0, 17, ..., 255
    System16 = 3,      // 4 bits, the 16 standard colours
    Colours16 = 4,     // 4 bits, any other palette
    Grey256 = 5,       // 8 bits, the grey ramp 0 .. 255
    Colours256 = 6,    // 8 bits, any other palette
    TrueColour = 7,    // 24 bits
};
inline constexpr int kColourResolutionCount = 8;

// The English name that messages use ("16.7 million colors").
const char* colourResolutionName(ColourResolution resolution);

// A set of resolutions, bit r for resolution r.
using ResolutionSet = std::uint8_t;
constexpr ResolutionSet resolutionBit(ColourResolution r) {
    return static_cast<ResolutionSet>(1u << static_cast<int>(r));
}
inline constexpr ResolutionSet kAllResolutions = 0xFF;

// The order in which target resolutions are tried when saving a picture of `current`.
const std::array<ColourResolution, 8>& fallbackOrder(ColourResolution current);

// The first resolution of fallbackOrder(current) that `writable` contains (every writer can
// write at least one, so one is always found; an empty set gives `current`).
ColourResolution chooseResolution(ColourResolution current, ResolutionSet writable);

// Derived from the storage: 1 bit with a black and a white entry (either order) is black and
// white; a 4- or 8-bit palette that is exactly the grey ramp is grey; a 4-bit palette that is
// exactly the standard colours is System16; 24 bits is true colour.
ColourResolution currentResolution(const TPixelGraphic& picture);

// A copy of `source` in the storage of `target`:
// - grey targets take the luminance 0.299 R + 0.587 G + 0.114 B; 16 greys and black and white
//   diffuse the quantisation error (Floyd-Steinberg);
// - palette targets keep the exact colours when the picture has no more than the palette
//   holds; otherwise the palette comes from a median cut of the picture's colours (the
//   standard colours for System16) and the error is diffused;
// - true colour expands the palette.
// Colours that the target can hold exactly come through unchanged.
TPixelGraphic convertToResolution(const TPixelGraphic& source, ColourResolution target);

// The levels of the standard grey ramps.
ColourValue greyColour(int level);
int luminance(ColourValue colour);

} // namespace qm::image
