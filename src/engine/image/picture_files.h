// The picture file registries: which readers and writers exist, in which order, what each can
// write, and how a file's first bytes pick its reader.
#pragma once

#include "engine/image/byte_reader.h"
#include "engine/image/colour_resolution.h"
#include "engine/image/pixel_graphic.h"

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm::image {

// Readers look at this many leading bytes to recognise their format.
inline constexpr size_t kSignatureBytes = 17;

// A reader's result: the picture and the gamma the file declares (0 when none).
struct DecodedPicture {
    TPixelGraphic picture;
    double fileGamma = 0.0;
};

// Reads a whole picture; progress goes to `progress`'s handlers (the picture being loaded).
using PictureReadFn = DecodedPicture (*)(ByteReader& in, const LoadOptions& options,
                                         const TPixelGraphic& progress);
// Writes a picture that already has one of the writer's resolutions.
using PictureWriteFn = void (*)(const TPixelGraphic& picture, std::ostream& out,
                                ColourResolution resolution, std::string_view extension,
                                const SaveOptions& options);

struct PictureReader {
    const char* extension; // lower case, without the dot
    const char* description;
    bool isMain; // false for aliases (dib, jpeg, jif)
    bool hasContentTest;
    bool (*accepts)(std::span<const std::uint8_t> head); // the first kSignatureBytes bytes
    PictureReadFn read;
};

struct PictureWriter {
    const char* extension;
    const char* description;
    bool isMain;
    ResolutionSet writable;
    PictureWriteFn write;
};

// In registry order: BMP, DIB, JPG, JPEG, JIF, PNG, PCX, PBM, PGM, PPM.
const std::vector<PictureReader>& pictureReaders();
// In registry order: BMP, DIB, JPG, JPEG, JIF, PNG, PBM, PGM, PPM.
const std::vector<PictureWriter>& pictureWriters();

// The first reader whose content test accepts `head`; then, for readers without a content
// test, the first whose extension matches (case-insensitive); nullptr when none.
const PictureReader* findReader(std::span<const std::uint8_t> head, std::string_view extension);
// The first writer with this extension (case-insensitive); nullptr when none.
const PictureWriter* findWriter(std::string_view extension);

// The text of the OK and OK/Cancel boxes when saving changes the colour resolution.
std::string colourResolutionWarning(std::string_view formatName, ColourResolution current,
                                    ColourResolution chosen);

// Gamma correction of a loaded picture: when the file's gamma (the encoding exponent, as in a PNG
// gAMA chunk; 0 for none) and the display gamma differ by more than 5 %, levels go through
// v' = 255 (v / 255)^(decoding gamma / display gamma). Grey pictures stay on their grey ramp.
void correctGamma(TPixelGraphic& picture, double fileEncodingGamma, double displayGamma);

// The extension of a file name: lower case, without the dot ("" when none).
std::string lowerExtension(const std::filesystem::path& path);

} // namespace qm::image
