// PNG files through libpng: every colour type and bit depth read (interlaced too), all eight
// colour resolutions written.
//
// libpng reports errors by longjmp. Every function that calls setjmp below keeps only trivially
// destructible locals after the setjmp, and no C++ exception ever passes through libpng: our
// callbacks only copy bytes and longjmp, and C++ errors are raised in our own frames.
#include "engine/image/codecs.h"
#include "engine/image/embedded_text.h"
#include "engine/image/png_memory.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <ostream>
#include <png.h>

namespace qm::image {

namespace {

struct PngIo {
    ByteReader* in = nullptr;
    std::ostream* out = nullptr;
    char message[256] = {};
};

void onError(png_structp png, png_const_charp text) {
    auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
    std::snprintf(io->message, sizeof io->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onRead(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (io->in->read(data, length) != length) png_error(png, kUnexpectedEndOfFile);
}

void onWrite(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    if (!io->out->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length)))
        png_error(png, "Write error");
}

void onFlush(png_structp png) {
    auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
    io->out->flush();
}

// deflate cannot expand data by more than about 1032:1; a file declaring more pixels than its
// remaining bytes could hold is truncated or lying, and is refused before allocating.
constexpr std::uint64_t kMaxInflateRatio = 1100;

struct ReadPlan {
    PixelFormat format = PixelFormat::Bits24;
    bool unpackTwoBit = false; // 2-bit samples arrive one per byte and become 4-bit indices
    bool grey = false;
    int greyStep = 0; // index step of a 2-bit grey sample on the 16-level ramp
};

std::vector<ColourValue> greyRamp(int levels) {
    std::vector<ColourValue> ramp;
    for (int i = 0; i < levels; ++i)
        ramp.push_back(greyColour(i * 255 / (levels - 1)));
    return ramp;
}

// Runs libpng over the file; false with io.message set when libpng gave up.
bool decode(png_structp png, png_infop info, const LoadOptions& options, DecodedPicture& result,
            std::vector<std::uint8_t>& scratch, const TPixelGraphic& progressTarget,
            ByteReader& in) {
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_user_limits(png, static_cast<png_uint_32>(kMaxPictureSide),
                        static_cast<png_uint_32>(kMaxPictureSide));
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    checkPictureSize(width, height, options.maxPixels);
    const std::uint64_t channels = png_get_channels(png, info);
    const std::uint64_t raw =
        (std::uint64_t{width} * channels * static_cast<std::uint64_t>(depth) + 7) / 8 + 1;
    if (const auto left = in.remaining(); left && raw * height > (*left + 64) * kMaxInflateRatio)
        png_error(png, kUnexpectedEndOfFile);

    double gamma = 0.0;
    if (png_get_valid(png, info, PNG_INFO_gAMA) && png_get_gAMA(png, info, &gamma) && gamma > 0)
        result.fileGamma = gamma;

    ReadPlan plan;
    if (depth == 16) png_set_scale_16(png);
    if (colourType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        plan.grey = true;
        plan.format = depth == 1   ? PixelFormat::Bits1
                      : depth <= 4 ? PixelFormat::Bits4
                                   : PixelFormat::Bits8;
        plan.unpackTwoBit = depth == 2;
        plan.greyStep = 5;
        break;
    case PNG_COLOR_TYPE_PALETTE:
        plan.format = depth == 1   ? PixelFormat::Bits1
                      : depth <= 4 ? PixelFormat::Bits4
                                   : PixelFormat::Bits8;
        plan.unpackTwoBit = depth == 2;
        break;
    default:
        plan.format = PixelFormat::Bits24;
        break;
    }
    if (plan.unpackTwoBit) png_set_packing(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    TPixelGraphic& picture = result.picture;
    picture.SetSize(static_cast<int>(width), static_cast<int>(height), plan.format);
    if (plan.grey) {
        picture.setPalette(greyRamp(paletteSize(plan.format)));
    } else if (plan.format != PixelFormat::Bits24) {
        // Entries the file lacks stay black (SetSize gave a default palette: clear it first).
        png_colorp entries = nullptr;
        int count = 0;
        picture.setPalette({});
        if (png_get_PLTE(png, info, &entries, &count))
            for (int i = 0; i < count && i < 256; ++i)
                picture.setPaletteEntry(
                    i, makeColour(entries[i].red, entries[i].green, entries[i].blue));
    }

    // 2-bit pictures are read one byte per pixel into scratch: every row when interlaced (the
    // passes revisit rows), one row otherwise.
    const bool interlaced = passes > 1;
    if (plan.unpackTwoBit)
        scratch.assign(static_cast<size_t>(width) * (interlaced ? height : 1), 0);
    const auto scratchRow = [&](png_uint_32 y) {
        return scratch.data() + static_cast<size_t>(width) * (interlaced ? y : 0);
    };
    const auto unpackRow = [&](png_uint_32 y) {
        const std::uint8_t* s = scratchRow(y);
        for (png_uint_32 x = 0; x < width; ++x)
            picture.setPixelIndex(static_cast<int>(x), static_cast<int>(y),
                                  plan.grey ? s[x] * plan.greyStep : s[x]);
    };
    const int total = passes * static_cast<int>(height);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png,
                         plan.unpackTwoBit ? scratchRow(y) : picture.scanLine(static_cast<int>(y)),
                         nullptr);
            if (plan.unpackTwoBit && !interlaced) unpackRow(y);
            progressTarget.progress(pass * static_cast<int>(height) + static_cast<int>(y) + 1,
                                    total);
        }
    }
    if (plan.unpackTwoBit && interlaced)
        for (png_uint_32 y = 0; y < height; ++y)
            unpackRow(y);
    png_read_end(png, nullptr); // the rest of the file up to IEND, CRCs checked
    return true;
}

class ReadStruct {
public:
    explicit ReadStruct(PngIo& io) : png_(createBoundedReadStruct(&io, onError, onWarning)) {
        if (!png_) throw EPGPNGFileFormatReaderWriter("png_create_read_struct failed");
        info_ = png_create_info_struct(png_);
        if (!info_) {
            png_destroy_read_struct(&png_, nullptr, nullptr);
            throw EPGPNGFileFormatReaderWriter("png_create_info_struct failed");
        }
    }
    ~ReadStruct() { png_destroy_read_struct(&png_, &info_, nullptr); }
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_;
    png_infop info_ = nullptr;
};

class WriteStruct {
public:
    explicit WriteStruct(PngIo& io)
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, onError, onWarning)) {
        if (!png_) throw EPGPNGFileFormatReaderWriter("png_create_write_struct failed");
        info_ = png_create_info_struct(png_);
        if (!info_) {
            png_destroy_write_struct(&png_, nullptr);
            throw EPGPNGFileFormatReaderWriter("png_create_info_struct failed");
        }
    }
    ~WriteStruct() { png_destroy_write_struct(&png_, &info_); }
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_;
    png_infop info_ = nullptr;
};

struct WritePlan {
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool invert = false; // black and white stored as white, black
};

WritePlan planFor(const TPixelGraphic& picture, ColourResolution resolution) {
    using CR = ColourResolution;
    const int bits = bitsPerPixel(picture.pixelFormat());
    switch (resolution) {
    case CR::BlackAndWhite:
        return {PNG_COLOR_TYPE_GRAY, 1, picture.palette()[0] != makeColour(0, 0, 0)};
    case CR::Grey16:
    case CR::Grey256:
        return {PNG_COLOR_TYPE_GRAY, bits, false};
    case CR::TwoColours:
    case CR::System16:
    case CR::Colours16:
    case CR::Colours256:
        return {PNG_COLOR_TYPE_PALETTE, bits, false};
    case CR::TrueColour:
        break;
    }
    return {PNG_COLOR_TYPE_RGB, 8, false};
}

bool encode(png_structp png, png_infop info, const TPixelGraphic& picture, const WritePlan& plan,
            const png_color* palette, int paletteCount,
            const std::vector<std::pair<std::string, std::string>>& texts,
            std::uint8_t* rowBuffer) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), plan.depth, plan.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (plan.colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, paletteCount);
    png_write_info(png, info);
    // Written between the header and the first row: the texts precede the image data.
    for (const auto& [type, data] : texts)
        png_write_chunk(png, reinterpret_cast<png_const_bytep>(type.c_str()),
                        reinterpret_cast<png_const_bytep>(data.data()), data.size());
    const size_t used = (static_cast<size_t>(picture.width()) * static_cast<size_t>(plan.depth) *
                             (plan.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1) +
                         7) /
                        8;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* row = picture.scanLine(y);
        if (plan.invert) {
            for (size_t i = 0; i < used; ++i)
                rowBuffer[i] = static_cast<std::uint8_t>(~row[i]);
            row = rowBuffer;
        }
        png_write_row(png, row);
        picture.progress(y + 1, picture.height());
    }
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool isPng(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return head.size() >= 8 && std::equal(kSignature, kSignature + 8, head.begin());
}

DecodedPicture readPng(ByteReader& in, const LoadOptions& options, const TPixelGraphic& progress) {
    PngIo io;
    io.in = &in;
    ReadStruct s(io);
    png_set_read_fn(s.png(), &io, onRead);
    DecodedPicture result;
    std::vector<std::uint8_t> scratch;
    progress.progressStart();
    struct End {
        const TPixelGraphic& p;
        ~End() { p.progressEnd(); }
    } end{progress};
    if (!decode(s.png(), s.info(), options, result, scratch, progress, in))
        throw EPGPNGFileFormatReaderWriter(io.message);
    return result;
}

void writePng(const TPixelGraphic& picture, std::ostream& out, ColourResolution resolution,
              std::string_view, const SaveOptions& options) {
    PngIo io;
    io.out = &out;
    WriteStruct s(io);
    png_set_write_fn(s.png(), &io, onWrite, onFlush);
    const WritePlan plan = planFor(picture, resolution);
    std::vector<png_color> palette;
    for (const ColourValue c : picture.palette())
        palette.push_back({redOf(c), greenOf(c), blueOf(c)});
    std::vector<std::uint8_t> rowBuffer(static_cast<size_t>(picture.rowBytes()));
    const auto texts = pngParameterChunks(options.parameters);
    picture.progressStart();
    struct End {
        const TPixelGraphic& p;
        ~End() { p.progressEnd(); }
    } end{picture};
    if (!encode(s.png(), s.info(), picture, plan, palette.data(), static_cast<int>(palette.size()),
                texts, rowBuffer.data()))
        throw EPGPNGFileFormatReaderWriter(io.message);
}

} // namespace qm::image
