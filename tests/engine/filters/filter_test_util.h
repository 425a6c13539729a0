// Helpers of the filter tests: pictures with known or random content.
#pragma once

#include "engine/image/pixel_graphic.h"

#include <cstdint>
#include <random>

namespace qm::test {

using image::PixelFormat;
using image::TPixelGraphic;

inline TPixelGraphic randomPicture(int width, int height, std::uint32_t seed,
                                   PixelFormat format = PixelFormat::Bits24) {
    TPixelGraphic p;
    p.SetSize(width, height, format);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.SetPixel(x, y, rng() & 0xFFFFFF);
    return p;
}

inline TPixelGraphic filledPicture(int width, int height, ColourValue colour) {
    TPixelGraphic p;
    p.SetSize(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.SetPixel(x, y, colour);
    return p;
}

inline bool samePixels(const TPixelGraphic& a, const TPixelGraphic& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

} // namespace qm::test
