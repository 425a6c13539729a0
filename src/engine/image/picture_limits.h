// The largest picture the program allocates, and the check every reader makes before allocating.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::image {

// Readers check a file's declared size against these before allocating anything. Tools with a
// tighter memory budget (the fuzzers) pass a lower pixel limit to the readers.
inline constexpr std::int64_t kMaxPictureSide = 65535;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;
// The most libpng may allocate at once when reading (rows, one text or profile chunk): a chunk
// length is untrusted, and the texts read here are at most a 16 MiB parameter file.
inline constexpr std::size_t kMaxPngChunkBytes = 32u << 20;

// Throws EPGInvalidSize for negative sides and EPGPictureTooLarge above kMaxPictureSide per
// side or min(maxPixels, kMaxPicturePixels) in all.
void checkPictureSize(std::int64_t width, std::int64_t height,
                      std::int64_t maxPixels = kMaxPicturePixels);

} // namespace qm::image
