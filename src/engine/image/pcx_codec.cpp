// PCX (Paintbrush) files, read only: 1 bit, 4 bits (one plane or four), 8 bits with the
// palette at the end, and 24 bits (three or four planes), all run-length encoded.
#include "engine/image/codecs.h"

#include <algorithm>

namespace qm::image {

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 769; // marker 0x0C and 256 RGB entries

[[noreturn]] void fail(const char* text) {
    throw EPGPCXFileFormatReader(text);
}
[[noreturn]] void endOfFile() {
    fail(kUnexpectedEndOfFile);
}

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Decodes the run-length stream; runs may continue from one scan line into the next.
class RunDecoder {
public:
    explicit RunDecoder(ByteReader& in) : in_(in) {}
    void line(std::uint8_t* out, size_t length) {
        size_t i = 0;
        while (i < length) {
            if (run_ == 0) {
                const int b = in_.get();
                if (b < 0) endOfFile();
                if ((b & 0xC0) == 0xC0) {
                    run_ = static_cast<size_t>(b & 0x3F);
                    const int v = in_.get();
                    if (v < 0) endOfFile();
                    value_ = static_cast<std::uint8_t>(v);
                    continue; // a run of length 0 is legal and yields nothing
                }
                run_ = 1;
                value_ = static_cast<std::uint8_t>(b);
            }
            const size_t take = std::min(run_, length - i);
            std::fill(out + i, out + i + take, value_);
            i += take;
            run_ -= take;
        }
    }

private:
    ByteReader& in_;
    size_t run_ = 0;
    std::uint8_t value_ = 0;
};

} // namespace

bool isPcx(std::span<const std::uint8_t> head) {
    if (head.size() < 4 || head[0] != 0x0A || head[2] != 1) return false;
    const int version = head[1];
    const int bits = head[3];
    return (version == 0 || version == 2 || version == 3 || version == 4 || version == 5) &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

DecodedPicture readPcx(ByteReader& in, const LoadOptions& options,
                       const TPixelGraphic& progressTarget) {
    std::uint8_t h[kHeaderSize];
    if (!in.readExact(h, sizeof h)) endOfFile();
    if (!isPcx({h, sizeof h})) fail("Not a PCX file");
    const int bits = h[3];
    const int xMin = le16(h + 4), yMin = le16(h + 6), xMax = le16(h + 8), yMax = le16(h + 10);
    const int planes = h[65];
    const size_t bytesPerLine = le16(h + 66);
    if (xMax < xMin || yMax < yMin) fail("Invalid size");
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;

    PixelFormat format;
    if (bits == 1 && planes == 1)
        format = PixelFormat::Bits1;
    else if ((bits == 1 && planes == 4) || (bits == 4 && planes == 1))
        format = PixelFormat::Bits4;
    else if (bits == 8 && planes == 1)
        format = PixelFormat::Bits8;
    else if (bits == 8 && (planes == 3 || planes == 4))
        format = PixelFormat::Bits24;
    else
        fail("Unsupported bit depth");
    if (bytesPerLine * 8 < static_cast<size_t>(width) * static_cast<size_t>(bits))
        fail("Invalid bytes per line");
    checkPictureSize(width, height, options.maxPixels);

    DecodedPicture result;
    TPixelGraphic& picture = result.picture;
    picture.SetSize(width, height, format);
    std::vector<ColourValue> palette;
    const std::uint8_t* headerPalette = h + 16;
    if (format == PixelFormat::Bits1) {
        // Most writers leave the header palette empty and mean black and white.
        const ColourValue c0 = makeColour(headerPalette[0], headerPalette[1], headerPalette[2]);
        const ColourValue c1 = makeColour(headerPalette[3], headerPalette[4], headerPalette[5]);
        palette = c0 == c1
                      ? std::vector<ColourValue>{makeColour(0, 0, 0), makeColour(255, 255, 255)}
                      : std::vector<ColourValue>{c0, c1};
    } else if (format == PixelFormat::Bits4) {
        for (int i = 0; i < 16; ++i)
            palette.push_back(makeColour(headerPalette[3 * i], headerPalette[3 * i + 1],
                                         headerPalette[3 * i + 2]));
    }
    if (!palette.empty()) picture.setPalette(palette);

    const size_t lineBytes = bytesPerLine * static_cast<size_t>(planes);
    std::vector<std::uint8_t> line(lineBytes);
    RunDecoder runs(in);
    {
        RowProgress progress(progressTarget, height);
        for (int y = 0; y < height; ++y) {
            runs.line(line.data(), lineBytes);
            std::uint8_t* out = picture.scanLine(y);
            if (format == PixelFormat::Bits24) {
                for (int x = 0; x < width; ++x)
                    for (int c = 0; c < 3; ++c)
                        out[3 * x + c] =
                            line[static_cast<size_t>(c) * bytesPerLine + static_cast<size_t>(x)];
            } else if (format == PixelFormat::Bits4 && planes == 4) {
                for (int x = 0; x < width; ++x) {
                    int index = 0;
                    for (int p = 0; p < 4; ++p) {
                        const std::uint8_t byte = line[static_cast<size_t>(p) * bytesPerLine +
                                                       static_cast<size_t>(x >> 3)];
                        index |= ((byte >> (7 - (x & 7))) & 1) << p;
                    }
                    picture.setPixelIndex(x, y, index);
                }
            } else { // one plane: the same packing as the picture's rows
                const size_t used =
                    (static_cast<size_t>(width) * static_cast<size_t>(bits) + 7) / 8;
                std::copy(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(used), out);
            }
            progress.row(y + 1);
        }
    }

    if (format == PixelFormat::Bits8) {
        // The palette is the file's last 769 bytes: read the rest (bounded) and look there.
        constexpr size_t kMaxTrailer = 1 << 20;
        std::vector<std::uint8_t> rest(kMaxTrailer);
        rest.resize(in.read(rest.data(), rest.size()));
        if (rest.size() < kPaletteSize) endOfFile();
        const std::uint8_t* p = rest.data() + rest.size() - kPaletteSize;
        if (p[0] == 0x0C) {
            for (int i = 0; i < 256; ++i)
                palette.push_back(makeColour(p[1 + 3 * i], p[2 + 3 * i], p[3 + 3 * i]));
            picture.setPalette(palette);
        } // else: an old file without a palette keeps the grey ramp
    }
    return result;
}

} // namespace qm::image
