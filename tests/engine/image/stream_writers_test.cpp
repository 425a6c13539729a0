// The streamed writers and readers: PNG compressed on several threads decodes (libpng) to the
// rows written, carries its texts, and the readers refuse damaged files cleanly.
#include "engine/image/stream_readers.h"
#include "image_test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using namespace qm::imagetest;
using qm::image::makeRowSink;
using qm::image::openRowSource;
using qm::image::StreamTexts;

// Rows of a picture with runs, gradients and noise, so every filter byte and deflate path is
// exercised.
std::vector<std::uint8_t> pattern(int w, int h) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[static_cast<std::size_t>((y * w + x) * 3 + c)] =
                    static_cast<std::uint8_t>(y % 7 == 0 ? random() : (x / 5 + y * c) & 0xFF);
    return rgb;
}

std::string write(const std::string& extension, int w, int h, const std::vector<std::uint8_t>& rgb,
                  const StreamTexts& texts, int threads) {
    std::ostringstream out;
    const auto sink = makeRowSink(extension, out, w, h, texts, {threads});
    for (int y = 0; y < h; ++y)
        sink->writeRow(rgb.data() + static_cast<std::size_t>(y) * w * 3);
    sink->finish();
    return out.str();
}

// The IDAT data of a PNG file inflated by zlib itself, which checks the Adler-32 trailer (libpng
// takes a wrong one as a mere warning). Empty when the stream is damaged.
std::string inflatedImageData(const std::string& png, std::size_t expected) {
    std::string idat;
    for (std::size_t p = 8; p + 12 <= png.size();) {
        const auto byte = [&](std::size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(png[i]));
        };
        const std::uint32_t length =
            byte(p) << 24 | byte(p + 1) << 16 | byte(p + 2) << 8 | byte(p + 3);
        if (png.compare(p + 4, 4, "IDAT") == 0) idat += png.substr(p + 8, length);
        p += 12 + length;
    }
    std::string raw(expected + 1, '\0');
    uLongf size = raw.size();
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                   reinterpret_cast<const Bytef*>(idat.data()), idat.size()) != Z_OK)
        return {};
    raw.resize(size);
    return raw;
}

TEST(StreamWriters, PngFromManyThreadsDecodesToTheRows) {
    TempDir dir;
    // 1200 rows of 1000 pixels make four compression blocks.
    const int w = 1000, h = 1200;
    const auto rgb = pattern(w, h);
    StreamTexts texts;
    texts.parameters = "[Coordinates]\r\nUpperX=-2\r\n";
    texts.notes = {{"Quillmora.Band", "full=1000x1200 band=0/1 digest=0123456789abcdef"}};
    const std::string one = write("png", w, h, rgb, texts, 1);
    const std::string four = write("PNG", w, h, rgb, texts, 4);
    EXPECT_EQ(one, four); // blocks do not depend on the thread count
    const std::size_t filtered = static_cast<std::size_t>(h) * (3 * w + 1);
    EXPECT_EQ(inflatedImageData(four, filtered).size(), filtered);
    writeBytes(dir / "s.png", four);

    TPixelGraphic picture;
    picture.loadFromFile(dir / "s.png");
    ASSERT_EQ(picture.width(), w);
    ASSERT_EQ(picture.height(), h);
    for (int y = 0; y < h; ++y)
        ASSERT_TRUE(
            std::equal(rgb.begin() + y * w * 3, rgb.begin() + (y + 1) * w * 3, picture.scanLine(y)))
            << y;

    const auto source = openRowSource(dir / "s.png");
    EXPECT_EQ(source->texts().parameters, texts.parameters);
    ASSERT_NE(source->note("Software"), nullptr);
    EXPECT_EQ(*source->note("Software"), "Quillmora");
    EXPECT_EQ(*source->note("Quillmora.Band"), texts.notes[0].second);
    std::vector<std::uint8_t> row(w * 3);
    for (int y = 0; y < h; ++y) {
        source->readRow(row.data());
        ASSERT_TRUE(std::equal(row.begin(), row.end(), rgb.begin() + y * w * 3)) << y;
    }
    // Without parameter text there is no iTXt and no Software chunk.
    const std::string plain = write("png", w, h, rgb, {}, 2);
    EXPECT_EQ(plain.find("iTXt"), std::string::npos);
    EXPECT_EQ(plain.find("Software"), std::string::npos);
}

TEST(StreamWriters, PpmIsTheInMemoryWritersFileAndCarriesNotes) {
    TempDir dir;
    const int w = 37, h = 11;
    const auto rgb = pattern(w, h);
    TPixelGraphic picture(w, h, PixelFormat::Bits24);
    for (int y = 0; y < h; ++y)
        std::copy_n(rgb.begin() + y * w * 3, w * 3, picture.scanLine(y));
    std::ostringstream mem;
    picture.saveToStream(mem, "ppm");
    EXPECT_EQ(write("ppm", w, h, rgb, {}, 1), mem.str());

    writeBytes(dir / "n.ppm", write("ppm", w, h, rgb, {{}, {{"Quillmora.Band", "x y"}}}, 1));
    const auto source = openRowSource(dir / "n.ppm");
    ASSERT_NE(source->note("Quillmora.Band"), nullptr);
    EXPECT_EQ(*source->note("Quillmora.Band"), "x y");
}

TEST(StreamWriters, DamagedFilesAndWrongRowCountsAreErrors) {
    TempDir dir;
    const int w = 64, h = 300;
    const auto rgb = pattern(w, h);
    for (const char* ext : {"png", "ppm"}) {
        const std::string whole = write(ext, w, h, rgb, {}, 2);
        for (const std::size_t cut : {whole.size() - 13, whole.size() / 2, std::size_t{30}}) {
            writeBytes(dir / "cut", whole.substr(0, cut));
            std::vector<std::uint8_t> row(w * 3);
            EXPECT_THROW(
                {
                    const auto source = openRowSource(dir / "cut");
                    for (int y = 0; y < source->height(); ++y)
                        source->readRow(row.data());
                },
                qm::image::EPixelGraphic)
                << ext << " " << cut;
        }
        std::ostringstream out;
        const auto sink = makeRowSink(ext, out, w, h, {}, {2});
        sink->writeRow(rgb.data());
        EXPECT_THROW(sink->finish(), qm::image::EPixelGraphic);
    }
    writeBytes(dir / "x", "GIF89a");
    EXPECT_THROW(openRowSource(dir / "x"), qm::image::EPGUnknownFileFormat);
    std::ostringstream out;
    EXPECT_THROW(makeRowSink("bmp", out, 5, 5, {}), qm::image::EPGUnknownExtention);
    EXPECT_THROW(makeRowSink("png", out, 70000, 5, {}), qm::image::EPGPictureTooLarge);
}

} // namespace
