// Helpers of the picture tests: temporary folders, byte builders, sample pictures per colour
// resolution, and loading from memory.
#pragma once

#include "engine/core/atomic_file.h"
#include "engine/image/codecs.h"
#include "engine/image/colour_resolution.h"
#include "engine/image/picture_files.h"
#include "engine/image/pixel_graphic.h"
#include "test_files.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

namespace qm::imagetest {

using image::ColourResolution;
using image::PixelFormat;
using image::TPixelGraphic;

using test::readBytes;
using test::TempDir;
using test::writeBytes;

// Little-endian byte builder for hand-made files.
struct Bytes {
    std::string s;
    Bytes& u8(unsigned v) {
        s.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& u16(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& text(std::string_view t) {
        s += t;
        return *this;
    }
    Bytes& fill(size_t n, unsigned v) {
        s.append(n, static_cast<char>(v));
        return *this;
    }
};

// A picture of the given resolution with a varied pattern, each pixel drawn from the
// resolution's palette (so the picture really has that resolution).
inline TPixelGraphic samplePicture(ColourResolution r, int w = 23, int h = 17) {
    using CR = ColourResolution;
    static const PixelFormat formats[] = {
        PixelFormat::Bits1, PixelFormat::Bits1, PixelFormat::Bits4, PixelFormat::Bits4,
        PixelFormat::Bits4, PixelFormat::Bits8, PixelFormat::Bits8, PixelFormat::Bits24};
    TPixelGraphic p(w, h, formats[static_cast<int>(r)]);
    std::vector<ColourValue> palette;
    switch (r) {
    case CR::TwoColours:
        palette = {makeColour(200, 30, 40), makeColour(10, 90, 250)};
        break;
    case CR::Grey16:
        for (int i = 0; i < 16; ++i)
            palette.push_back(image::greyColour(i * 17));
        break;
    case CR::Colours16:
        for (int i = 0; i < 16; ++i)
            palette.push_back(makeColour(static_cast<std::uint8_t>(i * 16),
                                         static_cast<std::uint8_t>(255 - i * 9), 77));
        break;
    case CR::Colours256:
        for (int i = 0; i < 256; ++i)
            palette.push_back(makeColour(static_cast<std::uint8_t>(i),
                                         static_cast<std::uint8_t>(i * 7),
                                         static_cast<std::uint8_t>(255 - i)));
        break;
    default:
        break; // default palettes: black/white, standard colours, grey ramp
    }
    if (!palette.empty()) p.setPalette(palette);
    const int n = image::paletteSize(p.pixelFormat());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (n > 0)
                p.setPixelIndex(x, y, (x * 7 + y * 3 + (x * y) % 5) % n);
            else
                p.SetPixel(x, y,
                           makeColour(static_cast<std::uint8_t>(x * 11),
                                      static_cast<std::uint8_t>(y * 13),
                                      static_cast<std::uint8_t>(x * y)));
        }
    return p;
}

inline TPixelGraphic loadBytes(const std::string& bytes, std::string_view extension = "",
                               const image::LoadOptions& options = {}) {
    std::istringstream in(bytes);
    TPixelGraphic p;
    p.loadFromStream(in, extension, options);
    return p;
}

inline std::string saveBytes(const TPixelGraphic& p, std::string_view extension) {
    std::ostringstream out;
    p.saveToStream(out, extension);
    return out.str();
}

// Pixel-by-pixel comparison with a tolerance per channel; reports the first difference.
inline ::testing::AssertionResult samePixels(const TPixelGraphic& a, const TPixelGraphic& b,
                                             int tolerance = 0) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs "
                                             << b.width() << "x" << b.height();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const ColourValue p = a.pixel(x, y), q = b.pixel(x, y);
            const int d =
                std::max({std::abs(redOf(p) - redOf(q)), std::abs(greenOf(p) - greenOf(q)),
                          std::abs(blueOf(p) - blueOf(q))});
            if (d > tolerance)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": " << std::hex << p << " vs " << q;
        }
    return ::testing::AssertionSuccess();
}

} // namespace qm::imagetest
