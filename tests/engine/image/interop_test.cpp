// Interoperability with independent tools: what we write, ImageMagick and netpbm read with the
// same pixels, and what they write, we read with the same pixels.
#include "image_test_util.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using namespace qm::imagetest;
using qm::makeColour;
using CR = ColourResolution;

bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_TOOLS(...)                                                                         \
    for (const char* tool : {__VA_ARGS__})                                                         \
        if (!haveTool(tool))                                                                       \
            GTEST_SKIP()                                                                           \
                << tool                                                                            \
                << " is not installed (scripts/bootstrap.sh installs imagemagick and netpbm)";

// Runs a shell command; failures show its error output.
::testing::AssertionResult run(const std::string& command, const TempDir& dir) {
    const auto log = dir / "tool.log";
    if (std::system((command + " 2>" + log.string()).c_str()) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command << "\n" << readBytes(log);
}

std::string quote(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

// A picture as another program decoded it: 8-bit RGB triples.
struct Decoded {
    int width = 0, height = 0;
    std::string rgb;
};

// ImageMagick's reading of a file.
Decoded readWithImageMagick(const std::filesystem::path& file, const TempDir& dir) {
    Decoded d;
    const auto size = dir / "size.txt", raw = dir / "pixels.rgb";
    EXPECT_TRUE(run("identify -format '%w %h' " + quote(file) + " >" + quote(size), dir));
    EXPECT_TRUE(run("convert " + quote(file) + " -depth 8 rgb:" + quote(raw), dir));
    std::istringstream(readBytes(size)) >> d.width >> d.height;
    d.rgb = readBytes(raw);
    return d;
}

// A netpbm converter's output (binary PBM, PGM or PPM, maxval up to 255), parsed here so that
// none of our own reading is involved.
Decoded readWithNetpbm(const std::string& converter, const std::filesystem::path& file,
                       const TempDir& dir) {
    Decoded d;
    const auto out = dir / "netpbm.pnm";
    EXPECT_TRUE(run(converter + " " + quote(file) + " >" + quote(out), dir));
    const std::string bytes = readBytes(out);
    std::istringstream in(bytes);
    std::string magic;
    int maxval = 1;
    in >> magic >> d.width >> d.height;
    if (magic != "P4") in >> maxval;
    in.get();
    const std::string data = bytes.substr(static_cast<size_t>(in.tellg()));
    EXPECT_LE(maxval, 255) << converter;
    const auto level = [&](char c) {
        return static_cast<char>((static_cast<unsigned char>(c) * 255 + maxval / 2) / maxval);
    };
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const auto i =
                static_cast<size_t>(y) * static_cast<size_t>(d.width) + static_cast<size_t>(x);
            if (magic == "P6") {
                for (size_t k = 0; k < 3; ++k)
                    d.rgb += level(data[3 * i + k]);
            } else if (magic == "P5") {
                d.rgb += std::string(3, level(data[i]));
            } else {
                const auto row = static_cast<size_t>((d.width + 7) / 8);
                const bool black =
                    (static_cast<unsigned char>(
                         data[static_cast<size_t>(y) * row + static_cast<size_t>(x) / 8]) >>
                     (7 - x % 8)) &
                    1;
                d.rgb += std::string(3, black ? '\0' : '\xFF');
            }
        }
    return d;
}

::testing::AssertionResult matches(const Decoded& d, const TPixelGraphic& p, int tolerance = 0) {
    if (d.width != p.width() || d.height != p.height() ||
        d.rgb.size() != static_cast<size_t>(3 * p.width() * p.height()))
        return ::testing::AssertionFailure()
               << "size " << d.width << "x" << d.height << " (" << d.rgb.size() << " bytes)";
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const size_t i = 3 * (static_cast<size_t>(y) * static_cast<size_t>(p.width()) +
                                  static_cast<size_t>(x));
            const qm::ColourValue c = p.pixel(x, y);
            const int channels[] = {qm::redOf(c), qm::greenOf(c), qm::blueOf(c)};
            for (int k = 0; k < 3; ++k)
                if (std::abs(static_cast<unsigned char>(d.rgb[i + static_cast<size_t>(k)]) -
                             channels[k]) > tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " channel " << k << ": "
                           << int(static_cast<unsigned char>(d.rgb[i + static_cast<size_t>(k)]))
                           << " vs " << channels[k];
        }
    return ::testing::AssertionSuccess();
}

TPixelGraphic smoothPicture() {
    TPixelGraphic p(48, 32, PixelFormat::Bits24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            p.SetPixel(
                x, y,
                makeColour(static_cast<std::uint8_t>(x * 5), static_cast<std::uint8_t>(y * 7), 90));
    return p;
}

// Twelve colours in blocks: every palette conversion of the tools keeps them exactly.
TPixelGraphic blockPicture() {
    const qm::ColourValue colours[] = {
        makeColour(255, 0, 0),     makeColour(0, 200, 0),    makeColour(0, 0, 255),
        makeColour(255, 255, 0),   makeColour(0, 0, 0),      makeColour(255, 255, 255),
        makeColour(120, 60, 30),   makeColour(17, 170, 220), makeColour(128, 128, 128),
        makeColour(250, 128, 200), makeColour(40, 80, 40),   makeColour(90, 0, 160)};
    TPixelGraphic p(27, 14, PixelFormat::Bits24);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 27; ++x)
            p.SetPixel(x, y, colours[(x / 3 + y / 4 * 5) % 12]);
    return p;
}

TEST(Interop, ImageMagickReadsWhatWeWrite) {
    REQUIRE_TOOLS("convert", "identify");
    TempDir dir;
    struct Case {
        const char* extension;
        std::vector<CR> resolutions;
    };
    const Case cases[] = {
        {"bmp",
         {CR::BlackAndWhite, CR::TwoColours, CR::Grey16, CR::System16, CR::Colours16, CR::Grey256,
          CR::Colours256, CR::TrueColour}},
        {"png",
         {CR::BlackAndWhite, CR::TwoColours, CR::Grey16, CR::System16, CR::Colours16, CR::Grey256,
          CR::Colours256, CR::TrueColour}},
        {"pbm", {CR::BlackAndWhite}},
        {"pgm", {CR::Grey256}},
        {"ppm", {CR::TrueColour}},
    };
    for (const auto& c : cases)
        for (const auto r : c.resolutions) {
            const TPixelGraphic picture = samplePicture(r);
            const auto file = dir / ("ours." + std::string(c.extension));
            picture.saveToFile(file);
            EXPECT_TRUE(matches(readWithImageMagick(file, dir), picture))
                << c.extension << " " << static_cast<int>(r);
        }
    // JPEG: a smooth picture within a small error, colour and grey.
    TPixelGraphic smooth = smoothPicture();
    smooth.saveToFile(dir / "ours.jpg");
    EXPECT_TRUE(matches(readWithImageMagick(dir / "ours.jpg", dir), smooth, 8));
    const TPixelGraphic grey = qm::image::convertToResolution(smooth, CR::Grey256);
    grey.saveToFile(dir / "grey.jpeg");
    EXPECT_TRUE(matches(readWithImageMagick(dir / "grey.jpeg", dir), grey, 4));
}

TEST(Interop, NetpbmReadsWhatWeWrite) {
    REQUIRE_TOOLS("bmptopnm", "pngtopnm", "jpegtopnm", "pnmtopnm");
    TempDir dir;
    struct Case {
        const char* extension;
        const char* converter;
        CR resolution;
    };
    const Case cases[] = {
        {"bmp", "bmptopnm", CR::TrueColour}, {"bmp", "bmptopnm", CR::Colours256},
        {"bmp", "bmptopnm", CR::Colours16},  {"bmp", "bmptopnm", CR::BlackAndWhite},
        {"png", "pngtopnm", CR::TrueColour}, {"png", "pngtopnm", CR::Colours256},
        {"png", "pngtopnm", CR::Grey16},     {"png", "pngtopnm", CR::BlackAndWhite},
        {"png", "pngtopnm", CR::TwoColours}, {"ppm", "pnmtopnm", CR::TrueColour},
        {"pgm", "pnmtopnm", CR::Grey256},    {"pbm", "pnmtopnm", CR::BlackAndWhite},
    };
    for (const auto& c : cases) {
        const TPixelGraphic picture = samplePicture(c.resolution);
        const auto file = dir / ("ours." + std::string(c.extension));
        picture.saveToFile(file);
        EXPECT_TRUE(matches(readWithNetpbm(c.converter, file, dir), picture))
            << c.extension << " " << static_cast<int>(c.resolution);
    }
    const TPixelGraphic smooth = smoothPicture();
    smooth.saveToFile(dir / "ours.jpg");
    EXPECT_TRUE(matches(readWithNetpbm("jpegtopnm", dir / "ours.jpg", dir), smooth, 8));
}

// The known pictures as binary anymaps written byte by byte here.
void writeKnown(const TPixelGraphic& p, const std::filesystem::path& file, bool grey) {
    std::string bytes = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(p.width()) + " " +
                        std::to_string(p.height()) + "\n255\n";
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const qm::ColourValue c = p.pixel(x, y);
            if (grey)
                bytes += static_cast<char>(qm::redOf(c));
            else
                bytes += {static_cast<char>(qm::redOf(c)), static_cast<char>(qm::greenOf(c)),
                          static_cast<char>(qm::blueOf(c))};
        }
    writeBytes(file, bytes);
}

TEST(Interop, WeReadWhatTheToolsWrite) {
    REQUIRE_TOOLS("convert", "ppmtobmp", "pnmtopng", "ppmtopcx", "pnmtojpeg", "pnmtoplainpnm");
    TempDir dir;
    const TPixelGraphic blocks = blockPicture();
    const TPixelGraphic smooth = smoothPicture();
    const TPixelGraphic grey = qm::image::convertToResolution(smooth, CR::Grey256);
    TPixelGraphic bw(19, 7, PixelFormat::Bits24);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x)
            bw.SetPixel(x, y, (x * y + x) % 3 == 0 ? makeColour(255, 255, 255) : 0);
    writeKnown(blocks, dir / "blocks.ppm", false);
    writeKnown(smooth, dir / "smooth.ppm", false);
    writeKnown(grey, dir / "grey.pgm", true);
    writeKnown(bw, dir / "bw.pgm", true);
    ASSERT_TRUE(
        run("convert " + quote(dir / "bw.pgm") + " -monochrome " + quote(dir / "bw.pbm"), dir));

    struct Case {
        const char*
            command; // {b} blocks.ppm, {s} smooth.ppm, {g} grey.pgm, {w} bw.pbm; output to {o}
        const TPixelGraphic* expected;
        int tolerance;
        const char* format; // the reader that must recognise it
    };
    const Case cases[] = {
        {"convert {b} BMP3:{o}", &blocks, 0, "bmp"},
        {"convert {b} -type Palette -compress RLE BMP3:{o}", &blocks, 0, "bmp"},
        {"convert {b} -type Palette BMP3:{o}", &blocks, 0, "bmp"},
        {"convert {b} -define bmp:format=bmp4 -type TrueColorAlpha BMP:{o}", &blocks, 0, "bmp"},
        {"convert {w} BMP3:{o}", &bw, 0, "bmp"},
        {"ppmtobmp {b} >{o}", &blocks, 0, "bmp"},
        {"ppmtobmp -bpp=8 {b} >{o}", &blocks, 0, "bmp"},
        {"ppmtobmp -os2 {b} >{o}", &blocks, 0, "bmp"},
        {"convert {b} -interlace PNG {o}.png && mv {o}.png {o}", &blocks, 0, "png"},
        {"convert {b} -depth 16 PNG48:{o}", &blocks, 0, "png"},
        {"convert {b} PNG8:{o}", &blocks, 0, "png"},
        {"convert {g} -depth 16 PNG:{o}", &grey, 0, "png"},
        {"convert {w} PNG:{o}", &bw, 0, "png"},
        {"pnmtopng -interlace {b} >{o}", &blocks, 0, "png"},
        {"pnmtopng {g} >{o}", &grey, 0, "png"},
        {"convert {s} -interlace Plane -quality 95 JPEG:{o}", &smooth, 10, "jpg"},
        {"convert {g} -quality 95 JPEG:{o}", &grey, 4, "jpg"},
        {"pnmtojpeg --progressive --quality=95 {s} >{o}", &smooth, 10, "jpg"},
        {"pnmtojpeg --quality=95 {g} >{o}", &grey, 4, "jpg"},
        {"convert {b} PCX:{o}", &blocks, 0, "pcx"},
        {"convert {b} -type Palette PCX:{o}", &blocks, 0, "pcx"},
        {"convert {w} -monochrome PCX:{o}", &bw, 0, "pcx"},
        {"ppmtopcx {b} >{o}", &blocks, 0, "pcx"},
        {"ppmtopcx -24bit {b} >{o}", &blocks, 0, "pcx"},
        {"ppmtopcx -planes=4 {b} >{o}", &blocks, 0, "pcx"},
        {"pnmtoplainpnm {b} >{o}", &blocks, 0, "ppm"},
        {"pnmtoplainpnm {g} >{o}", &grey, 0, "pgm"},
        {"pnmtoplainpnm {w} >{o}", &bw, 0, "pbm"},
        {"convert {g} -depth 16 PGM:{o}", &grey, 0, "pgm"},
        {"convert {b} -depth 16 PPM:{o}", &blocks, 0, "ppm"},
    };
    for (const auto& c : cases) {
        std::string command = c.command;
        const auto replace = [&](const std::string& key, const std::filesystem::path& p) {
            for (size_t at; (at = command.find(key)) != std::string::npos;)
                command.replace(at, key.size(), quote(p));
        };
        replace("{b}", dir / "blocks.ppm");
        replace("{s}", dir / "smooth.ppm");
        replace("{g}", dir / "grey.pgm");
        replace("{w}", dir / "bw.pbm");
        replace("{o}", dir / "tool.out");
        ASSERT_TRUE(run(command, dir)) << c.command;
        TPixelGraphic p;
        ASSERT_NO_THROW(p.loadFromFile(dir / "tool.out")) << c.command;
        EXPECT_TRUE(samePixels(p, *c.expected, c.tolerance)) << c.command;
        std::ifstream in(dir / "tool.out", std::ios::binary);
        qm::image::ByteReader bytes(in);
        const auto* reader = qm::image::findReader(bytes.peek(qm::image::kSignatureBytes), "");
        ASSERT_NE(reader, nullptr);
        EXPECT_STREQ(reader->extension, c.format) << c.command;
    }
}

} // namespace

namespace {

// Other programs list the parameter text: the PNG text chunk and the JPEG comment.
TEST(Interop, ImageMagickListsTheParameterText) {
    REQUIRE_TOOLS("identify");
    const TempDir dir;
    const TPixelGraphic p(12, 9, PixelFormat::Bits24);
    const std::string text = "[Coordinates]\r\nUpperX=-2\r\n";
    for (const char* name : {"p.png", "p.jpg"}) {
        p.saveToFile(dir / name, {text});
        ASSERT_TRUE(run(
            "identify -verbose " + quote(dir / name) + " > " + quote(dir / "verbose.txt"), dir));
        const std::string listed = readBytes(dir / "verbose.txt");
        EXPECT_NE(listed.find("Quillmora.Parameters"), std::string::npos) << name << listed;
        EXPECT_NE(listed.find("UpperX=-2"), std::string::npos) << name;
    }
}

} // namespace
