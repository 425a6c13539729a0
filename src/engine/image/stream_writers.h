// Picture writers that take the rows of a 24-bit picture one at a time, top to bottom, so a
// picture of any size (up to 65535 pixels a side) is written without ever being held whole.
#pragma once

#include "engine/core/colour.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm::image {

// Text that travels with a streamed picture.
struct StreamTexts {
    // The parameter file the picture was rendered from. PNG only: when not empty, an
    // uncompressed iTXt chunk "Quillmora.Parameters" and a tEXt chunk "Software" = "Quillmora".
    std::string parameters;
    // Keyword and text pairs: a PNG tEXt chunk each, a "# keyword text" comment line each in
    // a PPM header. Keywords are 1 to 79 printable Latin-1 characters; texts hold no newline.
    std::vector<std::pair<std::string, std::string>> notes;
};

inline constexpr const char* kParametersKeyword = "Quillmora.Parameters";

class RowSink {
public:
    virtual ~RowSink() = default;
    // rgb holds width red, green, blue byte triples; rows arrive top to bottom.
    virtual void writeRow(const std::uint8_t* rgb) = 0;
    // The same row as width colour values (what a render delivers).
    virtual void writePixels(const ColourValue* pixels) = 0;
    // After the last row: completes the file. Throws when fewer rows than the height came.
    virtual void finish() = 0;
};

// The PNG writer compresses blocks of rows on this many threads (0: one per core, 1: on the
// caller's thread).
struct StreamOptions {
    int threads = 0;
};

// True for the extensions a streamed writer exists for ("png", "ppm"; any case).
bool isStreamedExtension(std::string_view extension);

// A writer for the extension (without the dot). Throws EPGUnknownExtention for others and
// EPGPictureTooLarge / EPGInvalidSize for sizes outside 1 to 65535 per side.
std::unique_ptr<RowSink> makeRowSink(std::string_view extension, std::ostream& out, int width,
                                     int height, const StreamTexts& texts,
                                     const StreamOptions& options = {});

} // namespace qm::image
