// libpng's memory for the readers: every allocation bounded, since chunk lengths are untrusted
// and libpng only warns about a chunk too large before it allocates its length.
#pragma once

#include "engine/image/picture_limits.h"

#include <cstdlib>
#include <png.h>

namespace qm::image {

// Refused allocations make libpng skip the chunk (texts, profiles) or stop with an error.
inline png_voidp boundedPngMalloc(png_structp, png_alloc_size_t size) {
    return size > kMaxPngChunkBytes ? nullptr : std::malloc(size);
}

inline void boundedPngFree(png_structp, png_voidp p) {
    std::free(p);
}

// png_create_read_struct with the bounded allocator.
inline png_structp createBoundedReadStruct(png_voidp errorPtr, png_error_ptr onError,
                                           png_error_ptr onWarning) {
    return png_create_read_struct_2(PNG_LIBPNG_VER_STRING, errorPtr, onError, onWarning, nullptr,
                                    boundedPngMalloc, boundedPngFree);
}

} // namespace qm::image
