// The picture library's exception family (EPixelGraphic and its descendants) with their texts.
#pragma once

#include "engine/core/errors.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qm::image {

QM_DECLARE_EXCEPTION(EPixelGraphic, Exception);

// Texts raised as plain EPixelGraphic.
inline constexpr const char* kPixelGraphicEmpty = "PixelGraphic is empty";
inline constexpr const char* kScanLineOutOfRange = "Scan line index out of range";
inline constexpr const char* kUnexpectedEndOfFile = "Unexpected end of file";

// A codec's errors: one fixed prefix ("PNG: ") before every text of that codec.
#define QM_DECLARE_PREFIXED_EXCEPTION(Name, Base, Prefix)                                          \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        static constexpr const char* kPrefix = Prefix;                                             \
        explicit Name(std::string_view detail)                                                     \
            : Base(std::string(kPrefix) + std::string(detail)) {}                                  \
        const char* className() const noexcept override { return #Name; }                          \
    }

// Negative width or height.
class EPGInvalidSize : public EPixelGraphic {
public:
    EPGInvalidSize(std::int64_t width, std::int64_t height);
    const char* className() const noexcept override { return "EPGInvalidSize"; }
};

// A picture above the pixel limit (see kMaxPictureSide / kMaxPicturePixels).
class EPGPictureTooLarge : public EPixelGraphic {
public:
    EPGPictureTooLarge(std::int64_t width, std::int64_t height, std::int64_t maxPixels);
    const char* className() const noexcept override { return "EPGPictureTooLarge"; }
};

// Saving under an extension that no writer has. The text keeps the library's spelling.
class EPGUnknownExtention : public EPixelGraphic {
public:
    explicit EPGUnknownExtention(std::string_view extension);
    const char* className() const noexcept override { return "EPGUnknownExtention"; }
};

QM_DECLARE_FIXED_EXCEPTION(EPGUnknownFileFormat, EPixelGraphic, "Unknown file-format");

// Refusal (or cancel) of a save that would change the colour resolution.
class EPGCannotWriteColorRes : public EPixelGraphic {
public:
    EPGCannotWriteColorRes(std::string_view formatName, std::string_view resolutionName);
    const char* className() const noexcept override { return "EPGCannotWriteColorRes"; }
};

QM_DECLARE_PREFIXED_EXCEPTION(EPGPNGFileFormatReaderWriter, EPixelGraphic, "PNG: ");
QM_DECLARE_PREFIXED_EXCEPTION(EPGJPGFileFormatReaderWriter, EPixelGraphic, "JPG: ");
QM_DECLARE_PREFIXED_EXCEPTION(EPGBMPFileFormatReaderWriter, EPixelGraphic, "BMP: ");
QM_DECLARE_PREFIXED_EXCEPTION(EPGPCXFileFormatReader, EPixelGraphic, "PCX: ");
QM_DECLARE_PREFIXED_EXCEPTION(EPGPxMFileFormatReader, EPixelGraphic, "PBM, PGM, PPM: ");
QM_DECLARE_PREFIXED_EXCEPTION(EPGPxMFileFormatWriter, EPixelGraphic, "PBM, PGM, PPM: ");

inline constexpr const char* kNotAPxMFile = "Not a PBM, PGM, PPM file";
inline constexpr const char* kUnknownFileExtention = "Unknown file extention";

} // namespace qm::image
