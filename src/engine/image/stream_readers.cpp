// Row-by-row PNG (through libpng) and PPM readers.
//
// libpng reports errors by longjmp: the functions that call setjmp keep only trivially
// destructible locals after it, and our callbacks only copy bytes and longjmp.
#include "engine/image/stream_readers.h"

#include "engine/core/atomic_file.h"
#include "engine/image/embedded_text.h"
#include "engine/image/image_errors.h"
#include "engine/image/picture_limits.h"
#include "engine/image/png_memory.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace qm::image {

const std::string* RowSource::note(std::string_view keyword) const {
    for (const auto& [k, text] : texts_.notes)
        if (k == keyword) return &text;
    return nullptr;
}

namespace {

struct PngInput {
    std::FILE* file = nullptr;
    char message[256] = {};
};

void onError(png_structp png, png_const_charp text) {
    auto* io = static_cast<PngInput*>(png_get_error_ptr(png));
    std::snprintf(io->message, sizeof io->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onRead(png_structp png, png_bytep data, size_t length) {
    auto* io = static_cast<PngInput*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, io->file) != length) png_error(png, kUnexpectedEndOfFile);
}

bool readHeader(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxPictureSide),
                        static_cast<png_uint_32>(kMaxPictureSide));
    png_read_info(png, info);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        png_error(png, "Interlaced pictures cannot be read row by row");
    // Whatever the file holds becomes 8-bit RGB.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    return true;
}

bool readPngRow(png_structp png, std::uint8_t* row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_row(png, row, nullptr);
    return true;
}

bool readPngEnd(png_structp png) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_end(png, nullptr);
    return true;
}

class PngSource final : public RowSource {
public:
    explicit PngSource(std::FILE* file) {
        io_.file = file;
        try {
            open();
        } catch (...) {
            release();
            throw;
        }
    }
    ~PngSource() override { release(); }
    PngSource(const PngSource&) = delete;
    PngSource& operator=(const PngSource&) = delete;

    void readRow(std::uint8_t* rgb) override {
        if (rows_ == height_) fail("No more rows");
        if (!readPngRow(png_, rgb)) fail(io_.message);
        // The end of the file is checked with the last row: a part missing its last chunks
        // is truncated even when all rows decoded.
        if (++rows_ == height_ && !readPngEnd(png_)) fail(io_.message);
    }

private:
    [[noreturn]] static void fail(const char* text) { throw EPGPNGFileFormatReaderWriter(text); }

    void release() {
        if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
        if (io_.file) std::fclose(io_.file);
        png_ = nullptr;
        info_ = nullptr;
        io_.file = nullptr;
    }

    void open() {
        png_ = createBoundedReadStruct(&io_, onError, onWarning);
        if (!png_) fail("png_create_read_struct failed");
        info_ = png_create_info_struct(png_);
        if (!info_) fail("png_create_info_struct failed");
        png_set_read_fn(png_, &io_, onRead);
        if (!readHeader(png_, info_)) fail(io_.message);
        width_ = static_cast<int>(png_get_image_width(png_, info_));
        height_ = static_cast<int>(png_get_image_height(png_, info_));
        if (png_get_rowbytes(png_, info_) != static_cast<size_t>(width_) * 3)
            fail("Unsupported pixel layout");
        png_textp text = nullptr;
        int count = 0;
        png_get_text(png_, info_, &text, &count);
        for (int i = 0; i < count; ++i) {
            if (text[i].compression != PNG_TEXT_COMPRESSION_NONE &&
                text[i].compression != PNG_ITXT_COMPRESSION_NONE)
                continue;
            std::string key = text[i].key;
            std::string value(text[i].text, text[i].compression == PNG_ITXT_COMPRESSION_NONE
                                                ? text[i].itxt_length
                                                : text[i].text_length);
            if (key == kParametersKeyword)
                texts_.parameters = std::move(value);
            else
                texts_.notes.emplace_back(std::move(key), std::move(value));
        }
    }

    PngInput io_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    int rows_ = 0;
};

class PpmSource final : public RowSource {
public:
    explicit PpmSource(std::FILE* file) : file_(file) {
        try {
            if (std::getc(file_) != 'P' || std::getc(file_) != '6') fail(kNotAPxMFile);
            width_ = number();
            height_ = number();
            if (number() != 255) fail("Only 8-bit pixel maps (maxval 255) are read row by row");
            const int blank = std::getc(file_);
            if (blank != ' ' && blank != '\n' && blank != '\r' && blank != '\t') fail(kNotAPxMFile);
            rowBytes_ = static_cast<std::size_t>(width_) * 3;
        } catch (...) {
            std::fclose(file_);
            throw;
        }
    }
    ~PpmSource() override { std::fclose(file_); }
    PpmSource(const PpmSource&) = delete;
    PpmSource& operator=(const PpmSource&) = delete;

    void readRow(std::uint8_t* rgb) override {
        if (rows_ == height_) fail("No more rows");
        if (std::fread(rgb, 1, rowBytes_, file_) != rowBytes_) fail(kUnexpectedEndOfFile);
        ++rows_;
    }

private:
    static constexpr const char* kNotAPxMFile = "Not a PBM, PGM, PPM file";
    [[noreturn]] static void fail(const char* text) { throw EPGPxMFileFormatReader(text); }

    // Blanks and comments (kept as notes), then a decimal number from 1 to 65535.
    int number() {
        int c = std::getc(file_);
        for (;;) {
            if (c == '#') {
                std::string line;
                for (c = std::getc(file_); c != EOF && c != '\n' && c != '\r'; c = std::getc(file_))
                    if (line.size() < 4096) line.push_back(static_cast<char>(c));
                if (!line.empty() && line.front() == ' ') line.erase(0, 1);
                const auto blank = line.find(' ');
                if (texts_.notes.size() < 64)
                    texts_.notes.emplace_back(line.substr(0, blank), blank == std::string::npos
                                                                         ? std::string()
                                                                         : line.substr(blank + 1));
            } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                c = std::getc(file_);
            } else {
                break;
            }
        }
        if (c == EOF) fail(kUnexpectedEndOfFile);
        if (c < '0' || c > '9') fail(kNotAPxMFile);
        long value = 0;
        while (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (value > kMaxPictureSide) fail(kNotAPxMFile);
            c = std::getc(file_);
        }
        if (value == 0) fail(kNotAPxMFile);
        std::ungetc(c, file_);
        return static_cast<int>(value);
    }

    std::FILE* file_;
    std::size_t rowBytes_ = 0;
    int rows_ = 0;
};

} // namespace

std::unique_ptr<RowSource> openRowSource(std::FILE* file) {
    std::uint8_t head[8] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const bool png = got == 8 && std::memcmp(head, kPng, 8) == 0;
    const bool ppm = got >= 2 && head[0] == 'P' && head[1] == '6';
    if (!png && !ppm) {
        std::fclose(file);
        throw EPGUnknownFileFormat();
    }
    std::rewind(file);
    // The sources own the file from here, even when they fail.
    if (png) return std::make_unique<PngSource>(file);
    return std::make_unique<PpmSource>(file);
}

std::unique_ptr<RowSource> openRowSource(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw EFOpenError(path, std::strerror(errno));
    return openRowSource(file);
}

} // namespace qm::image
