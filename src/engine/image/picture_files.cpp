// The reader and writer registries and TPixelGraphic's loading and saving: recognition by
// content, writer choice by extension, colour-resolution fallback, gamma correction.
#include "engine/image/picture_files.h"

#include "engine/core/atomic_file.h"
#include "engine/image/codecs.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace qm::image {

namespace {

using CR = ColourResolution;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

constexpr const char* kBitmap = "Bitmap";
constexpr const char* kJpeg = "JPEG (JFIF compliant)";
constexpr const char* kPngName = "Portable Network Graphics";

constexpr ResolutionSet kJpegResolutions =
    resolutionBit(CR::Grey256) | resolutionBit(CR::TrueColour);

} // namespace

void correctGamma(TPixelGraphic& picture, double fileEncodingGamma, double displayGamma) {
    if (!(fileEncodingGamma > 0) || !(displayGamma > 0)) return;
    const double ratio = (1.0 / fileEncodingGamma) / displayGamma;
    if (!(std::fabs(ratio - 1.0) > 0.05)) return;
    std::uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 255.0, ratio)));
    const auto mapColour = [&](ColourValue c) {
        return makeColour(table[redOf(c)], table[greenOf(c)], table[blueOf(c)]);
    };
    const CR resolution = currentResolution(picture);
    if (picture.pixelFormat() == PixelFormat::Bits24) {
        for (int y = 0; y < picture.height(); ++y) {
            std::uint8_t* row = picture.scanLine(y);
            for (int i = 0; i < 3 * picture.width(); ++i)
                row[i] = table[row[i]];
        }
    } else if (resolution == CR::Grey16 || resolution == CR::Grey256) {
        // Keep the grey ramp: move each pixel to the ramp level nearest its corrected grey.
        const int levels = paletteSize(picture.pixelFormat());
        const int step = 255 / (levels - 1);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixelIndex(x, y,
                                      (table[picture.pixelIndex(x, y) * step] + step / 2) / step);
    } else {
        std::vector<ColourValue> palette = picture.palette();
        for (auto& c : palette)
            c = mapColour(c);
        picture.setPalette(palette);
    }
}

RowProgress::RowProgress(const TPixelGraphic& picture, int total)
    : picture_(picture), total_(total) {
    picture_.progressStart();
}

RowProgress::~RowProgress() {
    try {
        picture_.progressEnd();
    } catch (...) { // a handler failing at the end must not end the program
    }
}

void RowProgress::row(int current) {
    picture_.progress(current, total_);
}

const std::vector<PictureReader>& pictureReaders() {
    static const std::vector<PictureReader> kReaders = {
        {"bmp", kBitmap, true, true, isBmp, readBmp},
        {"dib", kBitmap, false, true, isBmp, readBmp},
        {"jpg", kJpeg, true, true, isJpeg, readJpeg},
        {"jpeg", kJpeg, false, true, isJpeg, readJpeg},
        {"jif", kJpeg, false, true, isJpeg, readJpeg},
        {"png", kPngName, true, true, isPng, readPng},
        {"pcx", "Paintbrush", true, true, isPcx, readPcx},
        {"pbm", "Portable Bitmap", true, true, isPbm, readPnm},
        {"pgm", "Portable Graymap", true, true, isPgm, readPnm},
        {"ppm", "Portable Pixelmap", true, true, isPpm, readPnm},
    };
    return kReaders;
}

const std::vector<PictureWriter>& pictureWriters() {
    static const std::vector<PictureWriter> kWriters = {
        {"bmp", kBitmap, true, kAllResolutions, writeBmp},
        {"dib", kBitmap, false, kAllResolutions, writeBmp},
        {"jpg", kJpeg, true, kJpegResolutions, writeJpeg},
        {"jpeg", kJpeg, false, kJpegResolutions, writeJpeg},
        {"jif", kJpeg, false, kJpegResolutions, writeJpeg},
        {"png", kPngName, true, kAllResolutions, writePng},
        {"pbm", "Portable Bitmap", true, resolutionBit(CR::BlackAndWhite), writePnm},
        {"pgm", "Portable Graymap", true, resolutionBit(CR::Grey256), writePnm},
        {"ppm", "Portable Pixelmap", true, resolutionBit(CR::TrueColour), writePnm},
    };
    return kWriters;
}

const PictureReader* findReader(std::span<const std::uint8_t> head, std::string_view extension) {
    for (const auto& r : pictureReaders())
        if (r.hasContentTest && r.accepts(head)) return &r;
    for (const auto& r : pictureReaders())
        if (!r.hasContentTest && equalsIgnoringCase(r.extension, extension)) return &r;
    return nullptr;
}

const PictureWriter* findWriter(std::string_view extension) {
    for (const auto& w : pictureWriters())
        if (equalsIgnoringCase(w.extension, extension)) return &w;
    return nullptr;
}

std::string colourResolutionWarning(std::string_view formatName, ColourResolution current,
                                    ColourResolution chosen) {
    return "The graphic cannot be saved with to a " + std::string(formatName) +
           " file the current color resolution (" + colourResolutionName(current) + ").\r\r" +
           "The graphic will be saved with a different color resolution (" +
           colourResolutionName(chosen) + ").";
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

void TPixelGraphic::loadFromStream(std::istream& in, std::string_view extension,
                                   const LoadOptions& options) {
    ByteReader bytes(in);
    const PictureReader* reader = findReader(bytes.peek(kSignatureBytes), extension);
    if (reader == nullptr) throw EPGUnknownFileFormat();
    DecodedPicture decoded = reader->read(bytes, options, *this);
    if (options.gammaCorrection)
        correctGamma(decoded.picture, decoded.fileGamma, options.displayGamma);
    // The picture is replaced only once the whole file has been read.
    const TPGWarningAction action = SaveColorResWarningAction;
    *this = std::move(decoded.picture);
    SaveColorResWarningAction = action;
    Changed();
}

void TPixelGraphic::loadFromFile(const std::filesystem::path& path, const LoadOptions& options) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw EFOpenError(path, std::strerror(EISDIR));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFOpenError(path, std::strerror(errno));
    loadFromStream(in, lowerExtension(path), options);
}

void TPixelGraphic::saveToStream(std::ostream& out, std::string_view extension,
                                 const SaveOptions& options) const {
    if (empty()) throw EPixelGraphic(kPixelGraphicEmpty);
    const PictureWriter* writer = findWriter(extension);
    if (writer == nullptr) throw EPGUnknownExtention(extension);
    const CR current = currentResolution(*this);
    const CR chosen = chooseResolution(current, writer->writable);
    if (chosen == current) {
        writer->write(*this, out, chosen, writer->extension, options);
        return;
    }
    switch (SaveColorResWarningAction) {
    case pgwaIgnore:
        break;
    case pgwaOKBox:
        if (messageHandler_)
            messageHandler_(colourResolutionWarning(writer->description, current, chosen), false);
        break;
    case pgwaOKCancelBox:
        // Nobody to ask counts as Cancel: a silent change of resolution needs pgwaIgnore.
        if (!messageHandler_ ||
            !messageHandler_(colourResolutionWarning(writer->description, current, chosen), true))
            throw EPGCannotWriteColorRes(writer->description, colourResolutionName(current));
        break;
    case pgwaRaise:
        throw EPGCannotWriteColorRes(writer->description, colourResolutionName(current));
    }
    TPixelGraphic copy = convertToResolution(*this, chosen);
    copy.setProgressHandlers(progressHandlers());
    writer->write(copy, out, chosen, writer->extension, options);
}

void TPixelGraphic::saveToFile(const std::filesystem::path& path,
                               const SaveOptions& options) const {
    if (empty()) throw EPixelGraphic(kPixelGraphicEmpty);
    const std::string extension = lowerExtension(path);
    // Refused before anything touches the disk.
    if (findWriter(extension) == nullptr) throw EPGUnknownExtention(extension);
    writeFileAtomically(path, [&](std::ostream& out) { saveToStream(out, extension, options); });
}

} // namespace qm::image
