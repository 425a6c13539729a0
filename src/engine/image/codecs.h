// The codecs behind the registries: one reader and (where the format is written) one writer
// per file format.
#pragma once

#include "engine/image/picture_files.h"

namespace qm::image {

bool isBmp(std::span<const std::uint8_t> head);
DecodedPicture readBmp(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress);
void writeBmp(const TPixelGraphic& picture, std::ostream& out, ColourResolution resolution,
              std::string_view extension, const SaveOptions& options);

bool isPng(std::span<const std::uint8_t> head);
DecodedPicture readPng(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress);
void writePng(const TPixelGraphic& picture, std::ostream& out, ColourResolution resolution,
              std::string_view extension, const SaveOptions& options);

bool isJpeg(std::span<const std::uint8_t> head);
DecodedPicture readJpeg(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress);
void writeJpeg(const TPixelGraphic& picture, std::ostream& out, ColourResolution resolution,
               std::string_view extension, const SaveOptions& options);
// The quality of written JPEG files (0..100).
inline constexpr int kJpegQuality = 90;

bool isPcx(std::span<const std::uint8_t> head);
DecodedPicture readPcx(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress);

bool isPbm(std::span<const std::uint8_t> head);
bool isPgm(std::span<const std::uint8_t> head);
bool isPpm(std::span<const std::uint8_t> head);
DecodedPicture readPnm(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress);
// Writes P4, P5 or P6 by the extension pbm, pgm or ppm; any other raises
// EPGPxMFileFormatWriter "Unknown file extention".
void writePnm(const TPixelGraphic& picture, std::ostream& out, ColourResolution resolution,
              std::string_view extension, const SaveOptions& options);

// Signals progress start on construction, every finished row, and the end on destruction.
class RowProgress {
public:
    RowProgress(const TPixelGraphic& picture, int total);
    ~RowProgress();
    RowProgress(const RowProgress&) = delete;
    RowProgress& operator=(const RowProgress&) = delete;
    void row(int current);

private:
    const TPixelGraphic& picture_;
    int total_;
};

} // namespace qm::image
