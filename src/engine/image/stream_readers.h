// Reading a PNG or PPM picture one row at a time (for joining band parts into a poster), with
// the text the file carries. The files are untrusted: every failure is a clear exception of the
// picture library's family, never a read outside the file.
#pragma once

#include "engine/image/stream_writers.h"

#include <cstdio>
#include <filesystem>

namespace qm::image {

class RowSource {
public:
    virtual ~RowSource() = default;
    int width() const { return width_; }
    int height() const { return height_; }
    // PNG: the tEXt and uncompressed iTXt chunks before the image data; PPM: the header's
    // comment lines, split at the first blank into keyword and text.
    const StreamTexts& texts() const { return texts_; }
    // The text of note `keyword`, or nullptr.
    const std::string* note(std::string_view keyword) const;
    // The next row as width RGB triples; throws when the file ends early or is damaged.
    virtual void readRow(std::uint8_t* rgb) = 0;

protected:
    int width_ = 0;
    int height_ = 0;
    StreamTexts texts_;
};

// Opens a PNG (any colour type and depth, not interlaced) or a binary PPM with maxval 255,
// recognised by its first bytes. Throws EFOpenError, EPGUnknownFileFormat or the codec's error.
std::unique_ptr<RowSource> openRowSource(const std::filesystem::path& path);
// The same over an open file, which the source then owns (closed also when opening fails).
std::unique_ptr<RowSource> openRowSource(std::FILE* file);

} // namespace qm::image
