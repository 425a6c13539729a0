// BMP/DIB files: reading 1, 4, 8, 16, 24 and 32 bits (RLE4, RLE8, bit fields, bottom-up and
// top-down, OS/2 core headers) and writing uncompressed files.
#include "engine/image/codecs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <ostream>

namespace qm::image {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

[[noreturn]] void fail(const char* text) {
    throw EPGBMPFileFormatReaderWriter(text);
}
[[noreturn]] void endOfFile() {
    fail(kUnexpectedEndOfFile);
}

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

void need(ByteReader& in, void* destination, size_t n) {
    if (!in.readExact(destination, n)) endOfFile();
}

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
        // Only contiguous masks make sense; others are refused by the caller.
    }
    bool contiguous() const { return mask == 0 || ((max + 1) & max) == 0; }
    std::uint8_t operator()(std::uint32_t value) const {
        if (mask == 0) return 0;
        const std::uint64_t v = (value & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0; // positive; topDown tells the row order
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colours = 0;
    bool core = false; // OS/2 core header: 3-byte palette entries
    std::array<std::uint32_t, 3> masks{};
};

PixelFormat formatFor(int bits) {
    switch (bits) {
    case 1:
        return PixelFormat::Bits1;
    case 4:
        return PixelFormat::Bits4;
    case 8:
        return PixelFormat::Bits8;
    default:
        return PixelFormat::Bits24;
    }
}

// Decodes RLE8 / RLE4 data into palette indices, row 0 being the file's first (bottom) row.
void decodeRle(ByteReader& in, const Header& h, TPixelGraphic& picture, RowProgress& progress) {
    const bool four = h.compression == kBiRle4;
    const auto width = static_cast<int>(h.width);
    const auto height = static_cast<int>(h.height);
    int x = 0, y = 0;
    const auto put = [&](int index) {
        if (x < width && y < height) picture.setPixelIndex(x, height - 1 - y, index);
        ++x;
    };
    const auto next = [&]() {
        const int b = in.get();
        if (b < 0) endOfFile();
        return b;
    };
    for (;;) {
        const int count = next();
        const int value = next();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            if (++y <= height) progress.row(y);
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta
            x += next();
            const int dy = next();
            y += dy;
            if (dy > 0) progress.row(std::min(y, height));
        } else { // absolute run, padded to a 16-bit boundary
            const int bytes = four ? (value + 1) / 2 : value;
            for (int i = 0; i < value; ++i) {
                if (four) {
                    if ((i & 1) == 0) {
                        const int b = next();
                        put(b >> 4);
                        if (i + 1 < value) {
                            put(b & 0x0F);
                        }
                    }
                } else {
                    put(next());
                }
            }
            if (bytes & 1) next();
        }
    }
}

void decodeRows(ByteReader& in, const Header& h, TPixelGraphic& picture, RowProgress& progress) {
    const std::int64_t stride = (h.bits * h.width + 31) / 32 * 4;
    if (const auto left = in.remaining();
        left && *left < static_cast<std::uint64_t>(stride * h.height))
        endOfFile(); // refuse before reading a file that is too short for its rows
    std::vector<std::uint8_t> row(static_cast<size_t>(stride));
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const auto width = static_cast<int>(h.width);
    const auto height = static_cast<int>(h.height);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        need(in, row.data(), row.size());
        const int y = h.topDown ? fileRow : height - 1 - fileRow;
        std::uint8_t* out = picture.scanLine(y);
        switch (h.bits) {
        case 1:
        case 4:
        case 8: // the same packing as the picture's rows
            std::copy(row.begin(), row.begin() + std::min<std::int64_t>(stride, picture.rowBytes()),
                      out);
            break;
        case 24:
            for (int x = 0; x < width; ++x) {
                out[3 * x] = row[static_cast<size_t>(3 * x + 2)];
                out[3 * x + 1] = row[static_cast<size_t>(3 * x + 1)];
                out[3 * x + 2] = row[static_cast<size_t>(3 * x)];
            }
            break;
        case 16:
        case 32:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = h.bits == 16 ? le16(&row[static_cast<size_t>(2 * x)])
                                                     : le32(&row[static_cast<size_t>(4 * x)]);
                out[3 * x] = red(v);
                out[3 * x + 1] = green(v);
                out[3 * x + 2] = blue(v);
            }
            break;
        default:
            break;
        }
        progress.row(fileRow + 1);
    }
}

Header readHeader(ByteReader& in, std::uint32_t& dataOffset) {
    std::uint8_t file[14];
    need(in, file, sizeof file);
    if (file[0] != 'B' || file[1] != 'M') fail("Not a BMP file");
    dataOffset = le32(file + 10);

    std::uint8_t info[124] = {};
    need(in, info, 4);
    const std::uint32_t size = le32(info);
    Header h;
    if (size == 12) {
        need(in, info + 4, 8);
        h.core = true;
        h.width = le16(info + 4);
        h.height = le16(info + 6);
        h.bits = le16(info + 10);
    } else if (size >= 40 && size <= 124) {
        need(in, info + 4, size - 4);
        h.width = static_cast<std::int32_t>(le32(info + 4));
        h.height = static_cast<std::int32_t>(le32(info + 8));
        h.bits = le16(info + 14);
        h.compression = le32(info + 16);
        h.colours = le32(info + 32);
        if (h.compression == kBiBitfields) {
            if (size >= 52) {
                h.masks = {le32(info + 40), le32(info + 44), le32(info + 48)};
            } else {
                std::uint8_t m[12];
                need(in, m, sizeof m);
                h.masks = {le32(m), le32(m + 4), le32(m + 8)};
            }
        }
    } else {
        fail("Unsupported header size");
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.width <= 0 || h.height <= 0) fail("Invalid size");

    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    const bool known =
        (h.compression == kBiRgb && (h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 ||
                                     h.bits == 24 || h.bits == 32)) ||
        (h.compression == kBiRle8 && h.bits == 8) || (h.compression == kBiRle4 && h.bits == 4) ||
        (h.compression == kBiBitfields && (h.bits == 16 || h.bits == 32));
    if (!known) fail("Unsupported bit depth or compression");
    if (rle && h.topDown) fail("Top-down pictures cannot be compressed");
    if (h.compression == kBiRgb && h.bits == 16) h.masks = {0x7C00, 0x03E0, 0x001F};
    if (h.compression == kBiRgb && h.bits == 32) h.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    for (const auto m : h.masks)
        if (!Channel(m).contiguous()) fail("Invalid bit fields");
    return h;
}

} // namespace

bool isBmp(std::span<const std::uint8_t> head) {
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

DecodedPicture readBmp(ByteReader& in, const LoadOptions& options,
                       const TPixelGraphic& progressTarget) {
    std::uint32_t dataOffset = 0;
    const Header h = readHeader(in, dataOffset);
    checkPictureSize(h.width, h.height, options.maxPixels);

    DecodedPicture result;
    TPixelGraphic& picture = result.picture;
    const PixelFormat format = formatFor(h.bits);
    if (format != PixelFormat::Bits24) {
        const std::uint32_t entries =
            h.colours == 0 ? (1u << h.bits) : std::min<std::uint32_t>(h.colours, 1u << h.bits);
        const size_t entrySize = h.core ? 3 : 4;
        std::vector<std::uint8_t> raw(entries * entrySize);
        need(in, raw.data(), raw.size());
        std::vector<ColourValue> palette;
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = &raw[i * entrySize];
            palette.push_back(makeColour(e[2], e[1], e[0]));
        }
        picture.SetSize(static_cast<int>(h.width), static_cast<int>(h.height), format);
        picture.setPalette(palette);
    } else {
        picture.SetSize(static_cast<int>(h.width), static_cast<int>(h.height), format);
    }
    // The pixels start at the offset the file header names; a smaller offset (often 0) is
    // taken to mean "right after the palette".
    if (dataOffset > in.consumed() && !in.skip(dataOffset - in.consumed())) endOfFile();

    RowProgress progress(progressTarget, static_cast<int>(h.height));
    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        decodeRle(in, h, picture, progress);
    } else {
        decodeRows(in, h, picture, progress);
    }
    return result;
}

void writeBmp(const TPixelGraphic& picture, std::ostream& out, ColourResolution, std::string_view,
              const SaveOptions&) {
    const int bits = bitsPerPixel(picture.pixelFormat());
    const auto& palette = picture.palette();
    const std::uint64_t stride =
        static_cast<std::uint64_t>(rowBytesFor(picture.width(), picture.pixelFormat()));
    const std::uint64_t offset = 14 + 40 + 4 * palette.size();
    const std::uint64_t fileSize = offset + stride * static_cast<std::uint64_t>(picture.height());
    if (fileSize > 0xFFFFFFFFu)
        throw EPGBMPFileFormatReaderWriter("Picture too large for a BMP file");

    std::vector<std::uint8_t> head;
    const auto put16 = [&](std::uint32_t v) {
        head.push_back(static_cast<std::uint8_t>(v));
        head.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    const auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    head.push_back('B');
    head.push_back('M');
    put32(static_cast<std::uint32_t>(fileSize));
    put32(0);
    put32(static_cast<std::uint32_t>(offset));
    put32(40);
    put32(static_cast<std::uint32_t>(picture.width()));
    put32(static_cast<std::uint32_t>(picture.height())); // bottom-up
    put16(1);
    put16(static_cast<std::uint32_t>(bits));
    put32(kBiRgb);
    put32(static_cast<std::uint32_t>(stride * static_cast<std::uint64_t>(picture.height())));
    put32(2835); // 72 dpi
    put32(2835);
    put32(static_cast<std::uint32_t>(palette.size()));
    put32(0);
    for (const ColourValue c : palette) {
        head.push_back(blueOf(c));
        head.push_back(greenOf(c));
        head.push_back(redOf(c));
        head.push_back(0);
    }
    out.write(reinterpret_cast<const char*>(head.data()),
              static_cast<std::streamsize>(head.size()));

    RowProgress progress(picture, picture.height());
    std::vector<std::uint8_t> row(static_cast<size_t>(stride));
    for (int i = 0; i < picture.height(); ++i) {
        const int y = picture.height() - 1 - i;
        const std::uint8_t* in = picture.scanLine(y);
        if (bits == 24) {
            for (int x = 0; x < picture.width(); ++x) {
                row[static_cast<size_t>(3 * x)] = in[3 * x + 2];
                row[static_cast<size_t>(3 * x + 1)] = in[3 * x + 1];
                row[static_cast<size_t>(3 * x + 2)] = in[3 * x];
            }
        } else {
            std::copy(in, in + stride, row.begin());
        }
        out.write(reinterpret_cast<const char*>(row.data()),
                  static_cast<std::streamsize>(row.size()));
        progress.row(i + 1);
    }
    if (!out) throw EPGBMPFileFormatReaderWriter("Write error");
}

} // namespace qm::image
