// The streamed PPM writer and the writer factory; the PNG writer is png_stream_writer.cpp.
#include "engine/image/stream_writers.h"

#include "engine/image/image_errors.h"
#include "engine/image/picture_limits.h"
#include "engine/image/png_stream_writer.h"

#include <ostream>

namespace qm::image {

namespace {

bool equalsLower(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

// P6 with maxval 255: byte for byte what the in-memory writer makes of the same picture, plus
// one comment line per note before the size.
class PpmStreamWriter final : public RowSink {
public:
    PpmStreamWriter(std::ostream& out, int width, int height, const StreamTexts& texts)
        : out_(out), rowBytes_(static_cast<std::size_t>(width) * 3), height_(height),
          row_(rowBytes_) {
        out_ << "P6\n";
        for (const auto& [keyword, text] : texts.notes)
            out_ << "# " << keyword << ' ' << text << '\n';
        out_ << width << ' ' << height << "\n255\n";
    }

    void writeRow(const std::uint8_t* rgb) override {
        if (rows_ == height_) throw EPGPxMFileFormatWriter("More rows than the picture has");
        out_.write(reinterpret_cast<const char*>(rgb), static_cast<std::streamsize>(rowBytes_));
        if (!out_) throw EPGPxMFileFormatWriter("Write error");
        ++rows_;
    }

    void writePixels(const ColourValue* pixels) override {
        std::uint8_t* out = row_.data();
        for (std::size_t x = 0; x < rowBytes_ / 3; ++x) {
            *out++ = redOf(pixels[x]);
            *out++ = greenOf(pixels[x]);
            *out++ = blueOf(pixels[x]);
        }
        writeRow(row_.data());
    }

    void finish() override {
        if (rows_ != height_) throw EPGPxMFileFormatWriter("Fewer rows than the picture has");
        out_.flush();
        if (!out_) throw EPGPxMFileFormatWriter("Write error");
    }

private:
    std::ostream& out_;
    std::size_t rowBytes_;
    int height_;
    int rows_ = 0;
    std::vector<std::uint8_t> row_;
};

} // namespace

bool isStreamedExtension(std::string_view extension) {
    return equalsLower(extension, "png") || equalsLower(extension, "ppm");
}

std::unique_ptr<RowSink> makeRowSink(std::string_view extension, std::ostream& out, int width,
                                     int height, const StreamTexts& texts,
                                     const StreamOptions& options) {
    if (!isStreamedExtension(extension)) throw EPGUnknownExtention(extension);
    if (width <= 0 || height <= 0) throw EPGInvalidSize(width, height);
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        throw EPGPictureTooLarge(width, height, kMaxPictureSide * kMaxPictureSide);
    if (equalsLower(extension, "ppm"))
        return std::make_unique<PpmStreamWriter>(out, width, height, texts);
    return std::make_unique<PngStreamWriter>(out, width, height, texts, options.threads);
}

} // namespace qm::image
