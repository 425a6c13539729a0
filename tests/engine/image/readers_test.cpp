// The readers on hand-made files: every variant each format allows, and the clean failures on
// cut-off, lying or oversized files.
#include "image_test_util.h"

#include <csetjmp>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

namespace {

using namespace qm::imagetest;
using qm::ColourValue;
using qm::makeColour;
using qm::image::EPixelGraphic;

constexpr ColourValue kBlack = makeColour(0, 0, 0);
constexpr ColourValue kWhite = makeColour(255, 255, 255);

// ---- builders -------------------------------------------------------------------------------

struct BmpSpec {
    int bits;
    std::int32_t width;
    std::int32_t height; // negative: top-down
    std::uint32_t compression;
    std::vector<ColourValue> palette;
    std::string data;
    std::uint32_t headerSize;
    std::vector<std::uint32_t> masks; // BI_BITFIELDS
};

std::string bmpFile(int bits, std::int32_t width, std::int32_t height, std::uint32_t compression,
                    std::vector<ColourValue> palette, std::string data,
                    std::uint32_t headerSize = 40, std::vector<std::uint32_t> masks = {}) {
    const BmpSpec s{
        bits,       width,           height, compression, std::move(palette), std::move(data),
        headerSize, std::move(masks)};
    Bytes info;
    if (s.headerSize == 12) {
        info.u32(12)
            .u16(static_cast<unsigned>(s.width))
            .u16(static_cast<unsigned>(s.height))
            .u16(1)
            .u16(static_cast<unsigned>(s.bits));
    } else {
        info.u32(s.headerSize)
            .u32(static_cast<std::uint32_t>(s.width))
            .u32(static_cast<std::uint32_t>(s.height));
        info.u16(1)
            .u16(static_cast<unsigned>(s.bits))
            .u32(s.compression)
            .u32(static_cast<std::uint32_t>(s.data.size()));
        info.u32(2835).u32(2835).u32(static_cast<std::uint32_t>(s.palette.size())).u32(0);
        size_t extra = s.headerSize - 40;
        if (s.headerSize >= 52)
            for (const auto m : s.masks) {
                info.u32(m);
                extra -= 4;
            }
        info.fill(extra, 0);
        if (s.headerSize == 40)
            for (const auto m : s.masks)
                info.u32(m);
    }
    for (const ColourValue c : s.palette) {
        info.u8(qm::blueOf(c)).u8(qm::greenOf(c)).u8(qm::redOf(c));
        if (s.headerSize != 12) info.u8(0);
    }
    Bytes file;
    const auto offset = static_cast<std::uint32_t>(14 + info.s.size());
    file.text("BM").u32(offset + static_cast<std::uint32_t>(s.data.size())).u32(0).u32(offset);
    return file.s + info.s + s.data;
}

std::string pcxFile(int bits, int planes, int width, int height, int bytesPerLine,
                    const std::vector<ColourValue>& headerPalette, const std::string& runs) {
    Bytes h;
    h.u8(0x0A).u8(5).u8(1).u8(static_cast<unsigned>(bits));
    h.u16(0)
        .u16(0)
        .u16(static_cast<unsigned>(width - 1))
        .u16(static_cast<unsigned>(height - 1))
        .u16(72)
        .u16(72);
    for (int i = 0; i < 16; ++i) {
        const ColourValue c =
            i < static_cast<int>(headerPalette.size()) ? headerPalette[static_cast<size_t>(i)] : 0;
        h.u8(qm::redOf(c)).u8(qm::greenOf(c)).u8(qm::blueOf(c));
    }
    h.u8(0)
        .u8(static_cast<unsigned>(planes))
        .u16(static_cast<unsigned>(bytesPerLine))
        .u16(1)
        .u16(0)
        .u16(0);
    h.fill(128 - h.s.size(), 0);
    return h.s + runs;
}

// A PNG written by libpng directly, so the reader is checked against files our writer never
// produces (16 bits, alpha, 2 bits, interlacing, gamma).
std::string pngFile(int width, int height, int depth, int colourType, bool interlaced,
                    const std::vector<std::string>& rows,
                    const std::vector<png_color>& palette = {}, double gamma = 0.0) {
    struct Sink {
        std::string bytes;
    } sink;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng failed to write the test file";
        return {};
    }
    png_set_write_fn(
        png, &sink,
        [](png_structp p, png_bytep data, size_t n) {
            static_cast<Sink*>(png_get_io_ptr(p))
                ->bytes.append(reinterpret_cast<const char*>(data), n);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 depth, colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (gamma > 0) png_set_gAMA(png, info, gamma);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (const auto& r : rows)
        pointers.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.data())));
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return sink.bytes;
}

// Every strict prefix must fail with the picture library's error, never anything else.
void expectEveryPrefixFails(const std::string& file, const char* what) {
    ASSERT_NO_THROW(loadBytes(file)) << what << " must be valid";
    for (size_t n = 0; n < file.size(); ++n) {
        try {
            loadBytes(file.substr(0, n));
            ADD_FAILURE() << what << ": prefix of " << n << " of " << file.size()
                          << " bytes loaded";
            return;
        } catch (const EPixelGraphic&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": prefix of " << n << " bytes: " << e.what();
            return;
        }
    }
}

template <class E> void expectError(const std::string& file, const std::string& message) {
    try {
        loadBytes(file);
        ADD_FAILURE() << "loaded, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(e.what(), message);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "wrong error: " << e.what() << ", expected: " << message;
    }
}

std::string rowsOf(std::initializer_list<unsigned> bytes) {
    Bytes b;
    for (auto v : bytes)
        b.u8(v);
    return b.s;
}

// ---- BMP ------------------------------------------------------------------------------------

TEST(BmpReader, ReadsEveryDepthAndRowOrder) {
    const ColourValue red = makeColour(255, 0, 0), green = makeColour(0, 255, 0),
                      blue = makeColour(0, 0, 255);
    struct Case {
        const char* name;
        std::string file;
        PixelFormat format;
        std::vector<ColourValue> top, bottom; // expected rows, left to right
    };
    const std::vector<Case> cases = {
        {"1 bit bottom-up",
         bmpFile(1, 10, 2, 0, {kBlack, red}, rowsOf({0x80, 0x40, 0, 0, 0xFF, 0xC0, 0, 0})),
         PixelFormat::Bits1,
         {red, red, red, red, red, red, red, red, red, red},
         {red, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, red}},
        {"4 bit top-down",
         bmpFile(4, 3, -2, 0, {kBlack, red, green, blue},
                 rowsOf({0x12, 0x30, 0, 0, 0x33, 0x20, 0, 0})),
         PixelFormat::Bits4,
         {red, green, blue},
         {blue, blue, green}},
        {"8 bit short palette",
         bmpFile(8, 2, 2, 0, {red, green, blue}, rowsOf({2, 1, 0, 0, 0, 5, 0, 0})),
         PixelFormat::Bits8,
         {red, kBlack},
         {blue, green}},
        {"24 bit",
         bmpFile(24, 2, 2, 0, {}, rowsOf({0, 0, 255, 255, 0, 0, 0, 0, 0, 255, 0, 1, 2, 3, 0, 0})),
         PixelFormat::Bits24,
         {green, makeColour(3, 2, 1)},
         {red, blue}},
        {"32 bit",
         bmpFile(32, 1, 2, 0, {}, rowsOf({1, 2, 3, 99, 255, 0, 0, 0})),
         PixelFormat::Bits24,
         {blue},
         {makeColour(3, 2, 1)}},
        {"16 bit 555",
         bmpFile(16, 2, 1, 0, {}, rowsOf({0x00, 0x7C, 0x1F, 0x00})),
         PixelFormat::Bits24,
         {red, blue},
         {red, blue}},
        {"16 bit 565 fields",
         bmpFile(16, 2, 1, 3, {}, rowsOf({0xE0, 0x07, 0x00, 0xF8}), 40, {0xF800, 0x07E0, 0x001F}),
         PixelFormat::Bits24,
         {green, red},
         {green, red}},
        {"32 bit fields in a v5 header",
         bmpFile(32, 1, 1, 3, {}, rowsOf({0x00, 0xFF, 0x00, 0x00}), 124,
                 {0x0000FF00, 0x00FF0000, 0xFF000000}),
         PixelFormat::Bits24,
         {red},
         {red}},
        {"OS/2 core header",
         bmpFile(8, 2, 1, 0, std::vector<ColourValue>(256, green), rowsOf({0, 7, 0, 0}), 12),
         PixelFormat::Bits8,
         {green, green},
         {green, green}},
    };
    for (const auto& c : cases) {
        TPixelGraphic p;
        ASSERT_NO_THROW(p = loadBytes(c.file)) << c.name;
        EXPECT_EQ(p.pixelFormat(), c.format) << c.name;
        ASSERT_EQ(p.width(), static_cast<int>(c.top.size())) << c.name;
        for (int x = 0; x < p.width(); ++x) {
            EXPECT_EQ(p.pixel(x, 0), c.top[static_cast<size_t>(x)]) << c.name << " top " << x;
            EXPECT_EQ(p.pixel(x, p.height() - 1), c.bottom[static_cast<size_t>(x)])
                << c.name << " bottom " << x;
        }
    }
}

TEST(BmpReader, DecodesRunLengthData) {
    std::vector<ColourValue> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back(makeColour(static_cast<std::uint8_t>(i * 10), 0, 0));
    // RLE8, 6 x 3, bottom row first: a run, an absolute run (odd, padded), end of line; a delta
    // to (4, 2); end of bitmap. Everything skipped stays index 0.
    const std::string rle8 = rowsOf({3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 4, 1, 2, 9, 0, 1});
    const TPixelGraphic p = loadBytes(bmpFile(8, 6, 3, 1, palette, rle8));
    const int rowBottom[] = {5, 5, 5, 1, 2, 3};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(p.pixelIndex(x, 2), rowBottom[x]) << x;
        EXPECT_EQ(p.pixelIndex(x, 1), 0) << x;
    }
    EXPECT_EQ(p.pixelIndex(3, 0), 0);
    EXPECT_EQ(p.pixelIndex(4, 0), 9);
    EXPECT_EQ(p.pixelIndex(5, 0), 9);

    // RLE4: alternating nibbles in a run, an absolute run of 3 nibbles (2 bytes), runs past the
    // row end are clipped.
    const std::string rle4 = rowsOf({5, 0x12, 0, 3, 0xAB, 0xC0, 0, 0, 9, 0x77, 0, 1});
    const TPixelGraphic q = loadBytes(bmpFile(4, 8, 2, 2, palette, rle4));
    const int row0[] = {1, 2, 1, 2, 1, 10, 11, 12};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(q.pixelIndex(x, 1), row0[x]) << x;
        EXPECT_EQ(q.pixelIndex(x, 0), 7) << x;
    }
}

TEST(BmpReader, RefusesBrokenHeaders) {
    using E = qm::image::EPGBMPFileFormatReaderWriter;
    expectError<E>(bmpFile(2, 2, 2, 0, {kBlack}, std::string(8, '\0')),
                   "BMP: Unsupported bit depth or compression");
    expectError<E>(bmpFile(8, 2, 2, 2, {kBlack}, std::string(8, '\0')),
                   "BMP: Unsupported bit depth or compression");
    expectError<E>(bmpFile(24, 0, 2, 0, {}, ""), "BMP: Invalid size");
    expectError<E>(bmpFile(8, 2, -2, 1, {kBlack}, rowsOf({0, 1})),
                   "BMP: Top-down pictures cannot be compressed");
    expectError<E>(bmpFile(32, 1, 1, 3, {}, std::string(4, '\0'), 40, {0x0F0F, 0xF0, 0xF00}),
                   "BMP: Invalid bit fields");
    expectError<E>(bmpFile(24, 2, 2, 0, {}, std::string(15, '\0')), "BMP: Unexpected end of file");
    expectError<E>(bmpFile(8, 4, 4, 1, {kBlack}, rowsOf({4, 1, 0, 0})),
                   "BMP: Unexpected end of file"); // no end marker
    std::string badHeader = bmpFile(24, 1, 1, 0, {}, std::string(4, '\0'));
    badHeader[14] = 20;
    expectError<E>(badHeader, "BMP: Unsupported header size");
    // Above the pixel limit: refused from the header alone.
    EXPECT_THROW(loadBytes(bmpFile(24, 70000, 1, 0, {}, "")), qm::image::EPGPictureTooLarge);
    EXPECT_THROW(loadBytes(bmpFile(8, 20000, 20000, 1, {kBlack}, rowsOf({0, 1}))),
                 qm::image::EPGPictureTooLarge);
    qm::image::LoadOptions tight;
    tight.maxPixels = 100;
    EXPECT_THROW(loadBytes(bmpFile(8, 20, 20, 1, {kBlack}, rowsOf({0, 1})), "", tight),
                 qm::image::EPGPictureTooLarge);
}

// ---- PCX ------------------------------------------------------------------------------------

TEST(PcxReader, ReadsEveryLayout) {
    const ColourValue red = makeColour(255, 0, 0), blue = makeColour(0, 0, 255);
    // 1 bit: runs continue across lines; an empty header palette means black and white.
    const TPixelGraphic mono = loadBytes(pcxFile(1, 1, 10, 2, 2, {}, rowsOf({0xC3, 0xF0, 0x40})));
    EXPECT_EQ(mono.pixelFormat(), PixelFormat::Bits1);
    EXPECT_EQ(mono.pixel(0, 0), kWhite);
    EXPECT_EQ(mono.pixel(4, 0), kBlack);
    EXPECT_EQ(mono.pixel(3, 1), kWhite);
    EXPECT_EQ(mono.pixel(8, 1), kBlack);
    EXPECT_EQ(mono.pixel(9, 1), kWhite);
    EXPECT_EQ(qm::image::currentResolution(mono), ColourResolution::BlackAndWhite);

    // 4 planes of 1 bit: plane p holds bit p of the index.
    std::vector<ColourValue> ega(16, kBlack);
    ega[5] = red;
    ega[10] = blue;
    const TPixelGraphic planar =
        loadBytes(pcxFile(1, 4, 2, 1, 2, ega, rowsOf({0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0})));
    EXPECT_EQ(planar.pixel(0, 0), red);
    EXPECT_EQ(planar.pixel(1, 0), blue);

    // 8 bits with the palette after the pixels; 0xC0 is a run of length 0.
    Bytes palette;
    palette.u8(0x0C);
    for (int i = 0; i < 256; ++i)
        palette.u8(static_cast<unsigned>(i)).u8(0).u8(static_cast<unsigned>(255 - i));
    const TPixelGraphic indexed =
        loadBytes(pcxFile(8, 1, 3, 1, 4, {}, rowsOf({0xC0, 7, 0xC1, 200, 9, 0xC2, 1})) + palette.s);
    EXPECT_EQ(indexed.pixel(0, 0), makeColour(200, 0, 55));
    EXPECT_EQ(indexed.pixel(1, 0), makeColour(9, 0, 246));
    EXPECT_EQ(indexed.pixel(2, 0), makeColour(1, 0, 254));

    // 24 bits: three planes per line.
    const TPixelGraphic rgb =
        loadBytes(pcxFile(8, 3, 2, 1, 2, {}, rowsOf({10, 20, 30, 40, 50, 60})));
    EXPECT_EQ(rgb.pixel(0, 0), makeColour(10, 30, 50));
    EXPECT_EQ(rgb.pixel(1, 0), makeColour(20, 40, 60));
}

TEST(PcxReader, RefusesBrokenFiles) {
    using E = qm::image::EPGPCXFileFormatReader;
    expectError<E>(pcxFile(8, 3, 2, 1, 2, {}, rowsOf({10, 20, 30})), "PCX: Unexpected end of file");
    expectError<E>(pcxFile(8, 1, 3, 1, 4, {}, rowsOf({1, 2, 3, 4, 0x0C, 0})),
                   "PCX: Unexpected end of file");
    expectError<E>(pcxFile(8, 1, 9, 1, 4, {}, rowsOf({1, 2, 3, 4})), "PCX: Invalid bytes per line");
    expectError<E>(pcxFile(2, 1, 4, 1, 2, {}, rowsOf({0, 0})), "PCX: Unsupported bit depth");
    expectError<E>(pcxFile(4, 2, 4, 1, 2, {}, rowsOf({0, 0})), "PCX: Unsupported bit depth");
}

// ---- PBM, PGM, PPM --------------------------------------------------------------------------

TEST(PnmReader, ReadsPlainAndBinaryFormsWithAnyMaxval) {
    const TPixelGraphic p1 = loadBytes("P1\n# a comment\n3 2\n010\n1 1 1\n");
    EXPECT_EQ(qm::image::currentResolution(p1), ColourResolution::BlackAndWhite);
    EXPECT_EQ(p1.pixel(0, 0), kWhite);
    EXPECT_EQ(p1.pixel(1, 0), kBlack);
    EXPECT_EQ(p1.pixel(2, 1), kBlack);

    const TPixelGraphic p2 = loadBytes("P2 2 1 # size\n# maxval next\n1000 0 1000\n");
    EXPECT_EQ(p2.pixel(0, 0), kBlack);
    EXPECT_EQ(p2.pixel(1, 0), kWhite);

    const TPixelGraphic p3 = loadBytes("P3 1 1 15 15 0 7\n");
    EXPECT_EQ(p3.pixel(0, 0), makeColour(255, 0, 119));

    const TPixelGraphic p4 = loadBytes("P4 10 1\n" + rowsOf({0x80, 0x40}));
    EXPECT_EQ(p4.pixel(0, 0), kBlack);
    EXPECT_EQ(p4.pixel(1, 0), kWhite);
    EXPECT_EQ(p4.pixel(9, 0), kBlack);

    const TPixelGraphic p5 = loadBytes("P5 2 1 65535\n" + rowsOf({0xFF, 0xFF, 0x80, 0x00}));
    EXPECT_EQ(qm::image::currentResolution(p5), ColourResolution::Grey256);
    EXPECT_EQ(p5.pixel(0, 0), kWhite);
    EXPECT_EQ(p5.pixel(1, 0), makeColour(128, 128, 128));

    const TPixelGraphic p6 = loadBytes("P6\n1 1\n3\n" + rowsOf({3, 1, 0}));
    EXPECT_EQ(p6.pixel(0, 0), makeColour(255, 85, 0));
}

TEST(PnmReader, RefusesBrokenFiles) {
    using E = qm::image::EPGPxMFileFormatReader;
    const std::string notPnm = "PBM, PGM, PPM: Not a PBM, PGM, PPM file";
    const std::string eof = "PBM, PGM, PPM: Unexpected end of file";
    expectError<E>("P5 -1 2 255\n", notPnm);
    expectError<E>("P5 0 2 255\n", notPnm);
    expectError<E>("P5 2 2 0\n", notPnm);
    expectError<E>("P5 2 2 70000\n", notPnm);
    expectError<E>("P3 1 1 255 1 2 x\n", notPnm);
    expectError<E>("P1 2 1 0 2\n", notPnm);
    expectError<E>("P6 2 2 255x" + std::string(12, 'a'), notPnm);
    expectError<E>("P6 2 2 255\n" + std::string(11, 'a'), eof);
    expectError<E>("P5 2", eof);
    expectError<E>("P2 2 1 255 7", eof);
    EXPECT_THROW(loadBytes("P5 20000 20000 255\n"), qm::image::EPGPictureTooLarge);
    EXPECT_THROW(loadBytes("P5 99999999999 1 255\n"), EPixelGraphic);
}

// ---- PNG ------------------------------------------------------------------------------------

TEST(PngReader, ReadsEveryColourTypeAndDepth) {
    const std::vector<png_color> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    struct Case {
        const char* name;
        std::string file;
        PixelFormat format;
        std::vector<ColourValue> row; // the first row
    };
    const auto grey = [](int v) { return qm::image::greyColour(v); };
    for (const bool interlaced : {false, true}) {
        const std::vector<Case> cases = {
            {"grey 1",
             pngFile(3, 2, 1, PNG_COLOR_TYPE_GRAY, interlaced, {rowsOf({0xA0}), rowsOf({0})}),
             PixelFormat::Bits1,
             {kWhite, kBlack, kWhite}},
            {"grey 2",
             pngFile(3, 2, 2, PNG_COLOR_TYPE_GRAY, interlaced, {rowsOf({0x1B}), rowsOf({0})}),
             PixelFormat::Bits4,
             {grey(0), grey(85), grey(170)}},
            {"grey 4",
             pngFile(2, 2, 4, PNG_COLOR_TYPE_GRAY, interlaced, {rowsOf({0x3F}), rowsOf({0})}),
             PixelFormat::Bits4,
             {grey(51), grey(255)}},
            {"grey 16",
             pngFile(2, 2, 16, PNG_COLOR_TYPE_GRAY, interlaced,
                     {rowsOf({0x80, 0x00, 0xFF, 0xFF}), rowsOf({0, 0, 0, 0})}),
             PixelFormat::Bits8,
             {grey(128), grey(255)}},
            {"grey alpha 8",
             pngFile(2, 2, 8, PNG_COLOR_TYPE_GRAY_ALPHA, interlaced,
                     {rowsOf({9, 0, 200, 255}), rowsOf({0, 0, 0, 0})}),
             PixelFormat::Bits8,
             {grey(9), grey(200)}},
            {"palette 2",
             pngFile(3, 2, 2, PNG_COLOR_TYPE_PALETTE, interlaced, {rowsOf({0x24}), rowsOf({0})},
                     palette),
             PixelFormat::Bits4,
             {makeColour(255, 0, 0), makeColour(0, 0, 255), makeColour(0, 255, 0)}},
            {"palette 8, index past PLTE",
             pngFile(2, 2, 8, PNG_COLOR_TYPE_PALETTE, interlaced, {rowsOf({2, 7}), rowsOf({0, 0})},
                     palette),
             PixelFormat::Bits8,
             {makeColour(0, 0, 255), kBlack}},
            {"rgb 16",
             pngFile(1, 2, 16, PNG_COLOR_TYPE_RGB, interlaced,
                     {rowsOf({0xFF, 0xFF, 0x80, 0x00, 0, 0}), rowsOf({0, 0, 0, 0, 0, 0})}),
             PixelFormat::Bits24,
             {makeColour(255, 128, 0)}},
            {"rgba 8",
             pngFile(1, 2, 8, PNG_COLOR_TYPE_RGBA, interlaced,
                     {rowsOf({1, 2, 3, 0}), rowsOf({0, 0, 0, 0})}),
             PixelFormat::Bits24,
             {makeColour(1, 2, 3)}},
        };
        for (const auto& c : cases) {
            TPixelGraphic p;
            ASSERT_NO_THROW(p = loadBytes(c.file)) << c.name;
            EXPECT_EQ(p.pixelFormat(), c.format) << c.name;
            for (size_t x = 0; x < c.row.size(); ++x)
                EXPECT_EQ(p.pixel(static_cast<int>(x), 0), c.row[x])
                    << c.name << " interlaced " << interlaced << " x " << x;
            EXPECT_EQ(p.pixel(0, 1), c.format == PixelFormat::Bits24 || c.name[0] == 'g'
                                         ? kBlack
                                         : makeColour(255, 0, 0))
                << c.name;
        }
    }
}

TEST(PngReader, InterlacedPicturesMatchPlainOnes) {
    std::vector<std::string> rows;
    for (int y = 0; y < 13; ++y) {
        std::string r;
        for (int x = 0; x < 11; ++x)
            r += {static_cast<char>(x * 20), static_cast<char>(y * 19), static_cast<char>(x * y)};
        rows.push_back(r);
    }
    EXPECT_TRUE(samePixels(loadBytes(pngFile(11, 13, 8, PNG_COLOR_TYPE_RGB, true, rows)),
                           loadBytes(pngFile(11, 13, 8, PNG_COLOR_TYPE_RGB, false, rows))));
}

TEST(PngReader, GammaCorrectionIsASwitch) {
    const std::vector<std::string> rows = {rowsOf({128, 0, 255})};
    const std::string linear = pngFile(1, 1, 8, PNG_COLOR_TYPE_RGB, false, rows, {}, 1.0);
    const std::string display = pngFile(1, 1, 8, PNG_COLOR_TYPE_RGB, false, rows, {}, 1.0 / 2.2);
    qm::image::LoadOptions on;
    on.gammaCorrection = true;
    EXPECT_EQ(loadBytes(linear).pixel(0, 0), makeColour(128, 0, 255)); // off by default
    EXPECT_EQ(loadBytes(linear, "", on).pixel(0, 0), makeColour(186, 0, 255));
    EXPECT_EQ(loadBytes(display, "", on).pixel(0, 0), makeColour(128, 0, 255)); // within 5 %
    // Grey pictures stay on the grey ramp.
    const std::string grey = pngFile(1, 1, 8, PNG_COLOR_TYPE_GRAY, false, {rowsOf({128})}, {}, 1.0);
    const TPixelGraphic g = loadBytes(grey, "", on);
    EXPECT_EQ(g.pixel(0, 0), qm::image::greyColour(186));
    EXPECT_EQ(qm::image::currentResolution(g), ColourResolution::Grey256);
}

TEST(PngReader, RefusesBrokenFiles) {
    using E = qm::image::EPGPNGFileFormatReaderWriter;
    const std::string good = pngFile(4, 4, 8, PNG_COLOR_TYPE_RGB, false,
                                     std::vector<std::string>(4, std::string(12, '\x40')));
    std::string badCrc = good;
    badCrc[29] = static_cast<char>(badCrc[29] ^ 1); // inside the IHDR CRC
    expectError<E>(badCrc, "PNG: IHDR: CRC error");
    expectError<E>(good.substr(0, good.size() - 5), "PNG: Unexpected end of file");
    // A header declaring 60000 x 60000 over a few bytes of data is refused before allocating.
    std::string huge = good;
    const auto setBig = [](std::string& f, size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
    };
    setBig(huge, 16, 60000);
    setBig(huge, 20, 4000);
    const std::uint32_t crc = static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17));
    setBig(huge, 29, crc);
    expectError<E>(huge, "PNG: Unexpected end of file");
    setBig(huge, 20, 60000);
    setBig(huge, 29,
           static_cast<std::uint32_t>(
               ::crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17)));
    EXPECT_THROW(loadBytes(huge), qm::image::EPGPictureTooLarge);
}

// ---- every format: cut-off files and found crashers -----------------------------------------

TEST(Readers, EveryTruncatedPrefixFailsCleanly) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto r : {ColourResolution::BlackAndWhite, ColourResolution::Colours16,
                         ColourResolution::Colours256, ColourResolution::TrueColour}) {
        const TPixelGraphic p = samplePicture(r, 9, 5);
        files.emplace_back("bmp " + std::to_string(static_cast<int>(r)), saveBytes(p, "bmp"));
        files.emplace_back("png " + std::to_string(static_cast<int>(r)), saveBytes(p, "png"));
    }
    files.emplace_back("jpg colour",
                       saveBytes(samplePicture(ColourResolution::TrueColour, 20, 20), "jpg"));
    files.emplace_back("jpg grey",
                       saveBytes(samplePicture(ColourResolution::Grey256, 20, 20), "jpg"));
    files.emplace_back("pbm",
                       saveBytes(samplePicture(ColourResolution::BlackAndWhite, 9, 5), "pbm"));
    files.emplace_back("pgm", saveBytes(samplePicture(ColourResolution::Grey256, 9, 5), "pgm"));
    files.emplace_back("ppm", saveBytes(samplePicture(ColourResolution::TrueColour, 9, 5), "ppm"));
    files.emplace_back("pgm 16", "P5 2 2 1000\n" + std::string(8, '\x01'));
    files.emplace_back("pbm plain", "P1 3 2\n0 1 0\n1 1 1");
    files.emplace_back("ppm plain", "P3 2 1 255\n1 22 255 0 100 0");
    files.emplace_back("png interlaced", pngFile(5, 5, 8, PNG_COLOR_TYPE_GRAY, true,
                                                 std::vector<std::string>(5, "abcde")));
    files.emplace_back("bmp rle8",
                       bmpFile(8, 6, 3, 1, {kBlack},
                               rowsOf({3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 4, 1, 2, 9, 0, 1})));
    files.emplace_back(
        "bmp rle4",
        bmpFile(4, 8, 2, 2, {kBlack}, rowsOf({5, 0x12, 0, 3, 0xAB, 0xC0, 0, 0, 9, 0x77, 0, 1})));
    files.emplace_back("bmp core", bmpFile(8, 2, 1, 0, std::vector<ColourValue>(256, kWhite),
                                           rowsOf({0, 7, 0, 0}), 12));
    files.emplace_back("pcx 1", pcxFile(1, 1, 10, 2, 2, {}, rowsOf({0xC3, 0xF0, 0x40})));
    files.emplace_back("pcx 4",
                       pcxFile(1, 4, 2, 1, 2, {}, rowsOf({0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0})));
    files.emplace_back("pcx 8", pcxFile(8, 1, 3, 1, 4, {}, rowsOf({0xC1, 200, 9, 0xC2, 1})) +
                                    "\x0C" + std::string(768, '\x11'));
    files.emplace_back("pcx 24", pcxFile(8, 3, 2, 1, 2, {}, rowsOf({10, 20, 30, 40, 50, 60})));
    for (const auto& [name, bytes] : files)
        expectEveryPrefixFails(bytes, name.c_str());
}

TEST(Readers, EveryKnownCrasherFailsCleanly) {
    const std::filesystem::path folder = std::filesystem::path(QM_TEST_DATA_DIR) / "crashers";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() == "README.md") continue;
        TPixelGraphic p;
        try {
            p.loadFromFile(entry.path());
        } catch (const EPixelGraphic&) {
            continue;
        } catch (const std::exception& e) {
            ADD_FAILURE() << entry.path() << ": " << e.what();
            continue;
        }
        ADD_FAILURE() << entry.path() << " loaded";
    }
}

} // namespace

namespace {

// JPEG files of other encoders (made by fuzz/make_corpus.sh with ImageMagick): progressive,
// greyscale and CMYK, against the picture they were made from.
TEST(JpegReader, ReadsProgressiveGreyAndCmykFiles) {
    const std::filesystem::path folder = std::filesystem::path(QM_TEST_DATA_DIR) / "images";
    TPixelGraphic expected;
    expected.loadFromFile(folder / "smooth.ppm");
    TPixelGraphic expectedGrey;
    expectedGrey.loadFromFile(folder / "smooth.pgm");
    struct Case {
        const char* file;
        const TPixelGraphic* expected;
        PixelFormat format;
        int tolerance;
    };
    const Case cases[] = {{"progressive.jpg", &expected, PixelFormat::Bits24, 6},
                          {"grey.jpg", &expectedGrey, PixelFormat::Bits8, 3},
                          {"cmyk.jpg", &expected, PixelFormat::Bits24, 6}};
    for (const auto& c : cases) {
        TPixelGraphic p;
        ASSERT_NO_THROW(p.loadFromFile(folder / c.file)) << c.file;
        EXPECT_EQ(p.pixelFormat(), c.format) << c.file;
        EXPECT_TRUE(samePixels(p, *c.expected, c.tolerance)) << c.file;
        const std::string bytes = readBytes(folder / c.file);
        expectEveryPrefixFails(bytes, c.file);
    }
}

} // namespace

namespace {

TEST(JpegReader, RefusesEndlessProgressionsAndCutFiles) {
    using E = qm::image::EPGJPGFileFormatReaderWriter;
    const std::string file =
        readBytes(std::filesystem::path(QM_TEST_DATA_DIR) / "images" / "progressive.jpg");
    // The last scan repeated: each repetition makes the decoder walk the picture again.
    const size_t scan = file.rfind("\xFF\xDA"), end = file.rfind("\xFF\xD9");
    std::string endless = file.substr(0, end);
    for (int i = 0; i < 1001; ++i)
        endless += file.substr(scan, end - scan);
    expectError<E>(endless + "\xFF\xD9", "JPG: Too many scans");
    expectError<E>(file.substr(0, end), "JPG: Unexpected end of file");
    expectError<E>(std::string("\xFF\xD8\xFF\xC3", 4) + std::string(20, 'x'),
                   "JPG: Unsupported JPEG process: SOF type 0xc3");
}

} // namespace
