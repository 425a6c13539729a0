// Portable anymap files: PBM, PGM and PPM read in their plain (P1-P3) and binary (P4-P6) forms
// with comments and any maxval up to 65535; written in the binary forms.
#include "engine/image/codecs.h"

#include <ostream>
#include <string>

namespace qm::image {

namespace {

[[noreturn]] void fail(const char* text) {
    throw EPGPxMFileFormatReader(text);
}
[[noreturn]] void endOfFile() {
    fail(kUnexpectedEndOfFile);
}

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Tokens {
public:
    explicit Tokens(ByteReader& in) : in_(in) {}

    // Skips blanks and "#" comments; returns the first other byte without consuming it
    // (-1 at the end).
    int skipBlanks() {
        for (;;) {
            const auto next = in_.peek(1);
            if (next.empty()) return -1;
            const int c = next[0];
            if (c == '#') {
                int d;
                do {
                    d = in_.get();
                } while (d >= 0 && d != '\n' && d != '\r');
            } else if (isSpace(c)) {
                in_.get();
            } else {
                return c;
            }
        }
    }

    // A decimal number no larger than `limit` (else not an anymap file).
    std::uint32_t number(std::uint32_t limit) {
        const int first = skipBlanks();
        if (first < 0) endOfFile();
        if (first < '0' || first > '9') fail(kNotAPxMFile);
        std::uint64_t value = 0;
        for (;;) {
            const auto next = in_.peek(1);
            if (next.empty() || next[0] < '0' || next[0] > '9') break;
            value = value * 10 + static_cast<std::uint64_t>(next[0] - '0');
            if (value > limit) fail(kNotAPxMFile);
            in_.get();
        }
        return static_cast<std::uint32_t>(value);
    }

    // A plain PBM digit: "0" or "1", blanks between them optional.
    int bit() {
        const int c = skipBlanks();
        if (c < 0) endOfFile();
        if (c != '0' && c != '1') fail(kNotAPxMFile);
        in_.get();
        return c - '0';
    }

private:
    ByteReader& in_;
};

std::uint8_t scale(std::uint32_t sample, std::uint32_t maxval) {
    if (sample >= maxval) return 255;
    return static_cast<std::uint8_t>((sample * 255 + maxval / 2) / maxval);
}

} // namespace

bool isPbm(std::span<const std::uint8_t> h) {
    return h.size() >= 2 && h[0] == 'P' && (h[1] == '1' || h[1] == '4');
}
bool isPgm(std::span<const std::uint8_t> h) {
    return h.size() >= 2 && h[0] == 'P' && (h[1] == '2' || h[1] == '5');
}
bool isPpm(std::span<const std::uint8_t> h) {
    return h.size() >= 2 && h[0] == 'P' && (h[1] == '3' || h[1] == '6');
}

DecodedPicture readPnm(ByteReader& in, const LoadOptions& options,
                       const TPixelGraphic& progressTarget) {
    std::uint8_t magic[2];
    if (!in.readExact(magic, 2)) endOfFile();
    if (magic[0] != 'P' || magic[1] < '1' || magic[1] > '6') fail(kNotAPxMFile);
    const int kind = magic[1] - '0';
    const bool plain = kind <= 3;
    const bool bitmap = kind == 1 || kind == 4;
    const int samples = (kind == 3 || kind == 6) ? 3 : 1;

    Tokens tokens(in);
    const std::uint32_t width = tokens.number(std::uint32_t{1} << 30);
    const std::uint32_t height = tokens.number(std::uint32_t{1} << 30);
    const std::uint32_t maxval = bitmap ? 1 : tokens.number(65535);
    if (width == 0 || height == 0 || maxval == 0) fail(kNotAPxMFile);
    checkPictureSize(width, height, options.maxPixels);
    if (!plain) {
        // Exactly one blank separates the header from the samples.
        const int c = in.get();
        if (c < 0) endOfFile();
        if (!isSpace(c)) fail(kNotAPxMFile);
    }

    // Refuse a file too short for its samples before allocating the picture.
    const std::uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    const std::uint64_t rowBytes =
        bitmap ? (width + 7) / 8 : std::uint64_t{width} * samples * sampleBytes;
    const std::uint64_t needed =
        plain ? std::uint64_t{width} * height * samples : rowBytes * height;
    if (const auto left = in.remaining(); left && *left < needed) endOfFile();

    DecodedPicture result;
    TPixelGraphic& picture = result.picture;
    const PixelFormat format = bitmap         ? PixelFormat::Bits1
                               : samples == 1 ? PixelFormat::Bits8
                                              : PixelFormat::Bits24;
    picture.SetSize(static_cast<int>(width), static_cast<int>(height), format);
    // SetSize gave the black-and-white and grey-ramp palettes the readers need.

    std::vector<std::uint8_t> row(static_cast<size_t>(plain ? 0 : rowBytes));
    // Every possible binary sample (one or two bytes) scaled once.
    std::vector<std::uint8_t> levels(plain || bitmap ? 0 : sampleBytes == 2 ? 65536 : 256);
    for (size_t v = 0; v < levels.size(); ++v)
        levels[v] = scale(static_cast<std::uint32_t>(v), maxval);
    RowProgress progress(progressTarget, static_cast<int>(height));
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* out = picture.scanLine(static_cast<int>(y));
        if (plain) {
            for (std::uint32_t x = 0; x < width; ++x) {
                if (bitmap) {
                    picture.setPixelIndex(static_cast<int>(x), static_cast<int>(y),
                                          1 - tokens.bit());
                } else {
                    for (int s = 0; s < samples; ++s)
                        out[static_cast<size_t>(x) * static_cast<size_t>(samples) +
                            static_cast<size_t>(s)] = scale(tokens.number(65535), maxval);
                }
            }
        } else {
            if (!in.readExact(row.data(), row.size())) endOfFile();
            if (bitmap) {
                // PBM 1 is black; the picture's index 1 is white.
                for (size_t i = 0; i < row.size(); ++i)
                    out[i] = static_cast<std::uint8_t>(~row[i]);
            } else {
                const size_t count = static_cast<size_t>(width) * static_cast<size_t>(samples);
                for (size_t i = 0; i < count; ++i) {
                    const std::uint32_t v = sampleBytes == 2
                                                ? (std::uint32_t{row[2 * i]} << 8 | row[2 * i + 1])
                                                : row[i];
                    out[i] = levels[v];
                }
            }
        }
        progress.row(static_cast<int>(y) + 1);
    }
    return result;
}

void writePnm(const TPixelGraphic& picture, std::ostream& out, ColourResolution,
              std::string_view extension, const SaveOptions&) {
    std::string header;
    const std::string size =
        std::to_string(picture.width()) + " " + std::to_string(picture.height()) + "\n";
    int kind;
    if (extension == "pbm") {
        kind = 4;
        header = "P4\n" + size;
    } else if (extension == "pgm") {
        kind = 5;
        header = "P5\n" + size + "255\n";
    } else if (extension == "ppm") {
        kind = 6;
        header = "P6\n" + size + "255\n";
    } else {
        throw EPGPxMFileFormatWriter(kUnknownFileExtention);
    }
    out << header;
    RowProgress progress(picture, picture.height());
    const auto width = static_cast<size_t>(picture.width());
    std::vector<std::uint8_t> row;
    for (int y = 0; y < picture.height(); ++y) {
        row.clear();
        if (kind == 4) {
            // 1 is black: dark palette entries set the bit.
            row.assign((width + 7) / 8, 0);
            for (size_t x = 0; x < width; ++x)
                if (luminance(picture.pixel(static_cast<int>(x), y)) < 128)
                    row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80u >> (x & 7)));
        } else if (kind == 5) {
            for (size_t x = 0; x < width; ++x)
                row.push_back(
                    static_cast<std::uint8_t>(luminance(picture.pixel(static_cast<int>(x), y))));
        } else {
            const std::uint8_t* in = picture.scanLine(y);
            if (picture.pixelFormat() == PixelFormat::Bits24) {
                row.assign(in, in + 3 * width);
            } else {
                for (size_t x = 0; x < width; ++x) {
                    const ColourValue c = picture.pixel(static_cast<int>(x), y);
                    row.insert(row.end(), {redOf(c), greenOf(c), blueOf(c)});
                }
            }
        }
        out.write(reinterpret_cast<const char*>(row.data()),
                  static_cast<std::streamsize>(row.size()));
        progress.row(y + 1);
    }
    if (!out) throw EPGPxMFileFormatWriter("Write error");
}

} // namespace qm::image
