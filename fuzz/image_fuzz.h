// The shared body of the picture-reader fuzzers: read, touch every pixel, write back.
#pragma once

#include "engine/image/codecs.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace qm::fuzz {

// The fuzzers use a smaller pixel limit than the program: the readers must refuse anything
// above it from the header alone, and the run stays within libFuzzer's memory budget.
inline constexpr std::int64_t kFuzzMaxPixels = std::int64_t{1} << 22;

// Keeps the pixel reads below from being optimised away.
inline volatile std::uint32_t pixelSink = 0;

// Runs `read` over the bytes (with gamma correction when `gamma`). Only the picture library's own
// errors are expected; anything else escapes and libFuzzer reports it. A picture that reads is
// written again with `write` (when given), so the writers see whatever the readers can produce.
inline int readPicture(const std::uint8_t* data, std::size_t size, image::PictureReadFn read,
                       image::PictureWriteFn write, const char* extension, bool gamma = false) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    image::ByteReader bytes(in);
    image::LoadOptions options;
    options.maxPixels = kFuzzMaxPixels;
    options.gammaCorrection = gamma;
    image::TPixelGraphic progress;
    try {
        image::DecodedPicture decoded = read(bytes, options, progress);
        if (gamma) image::correctGamma(decoded.picture, decoded.fileGamma, options.displayGamma);
        const image::TPixelGraphic& p = decoded.picture;
        // Every pixel is read once, so a short row or palette shows up under the sanitizers.
        std::uint32_t sum = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x)
                sum += p.pixel(x, y);
        pixelSink = sum;
        if (write != nullptr && !p.empty()) {
            std::ostringstream out;
            write(p, out, image::currentResolution(p), extension, {});
        }
        return 0;
    } catch (const image::EPixelGraphic&) {
        return 0;
    }
}

} // namespace qm::fuzz
