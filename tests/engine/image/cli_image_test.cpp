// quillmora-cli convert and identify, run as the real program.
#include "cli/cli_runner.h"
#include "image_test_util.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::imagetest;
using qm::test::runCli;

TEST(CliImage, IdentifyNamesTheReaderTheSizeAndTheResolution) {
    TempDir dir;
    struct Case {
        const char* file; // the name hides the format: content decides
        const char* extension;
        ColourResolution resolution;
        const char* output;
    };
    const Case cases[] = {
        {"a.png", "bmp", ColourResolution::Colours16,
         "format: bmp\nwidth: 23\nheight: 17\nresolution: 16 colors\n"},
        {"b.bmp", "png", ColourResolution::TwoColours,
         "format: png\nwidth: 23\nheight: 17\nresolution: 2 colors\n"},
        {"c.dat", "jpg", ColourResolution::TrueColour,
         "format: jpg\nwidth: 23\nheight: 17\nresolution: 16.7 million colors\n"},
        {"d", "pbm", ColourResolution::BlackAndWhite,
         "format: pbm\nwidth: 23\nheight: 17\nresolution: black and white\n"},
        {"e.ppm", "pgm", ColourResolution::Grey256,
         "format: pgm\nwidth: 23\nheight: 17\nresolution: 256 shades of gray\n"},
        {"f.pgm", "ppm", ColourResolution::TrueColour,
         "format: ppm\nwidth: 23\nheight: 17\nresolution: 16.7 million colors\n"},
        {"g.jpg", "png", ColourResolution::Grey16,
         "format: png\nwidth: 23\nheight: 17\nresolution: 16 shades of gray\n"},
    };
    for (const auto& c : cases) {
        writeBytes(dir / c.file, saveBytes(samplePicture(c.resolution), c.extension));
        const auto r = runCli({"identify", (dir / c.file).string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.output);
    }
    Bytes pcx; // a 1 x 1, 8-bit header with no pixel data after it
    pcx.u8(0x0A).u8(5).u8(1).u8(8).fill(61, 0).u8(1).u16(2).fill(60, 0);
    writeBytes(dir / "h.pcx", pcx.s);
    const auto r = runCli({"identify", (dir / "h.pcx").string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "EPGPCXFileFormatReader: PCX: Unexpected end of file\n");
}

TEST(CliImage, ConvertPicksTheWriterByExtension) {
    TempDir dir;
    writeBytes(dir / "in.png", saveBytes(samplePicture(ColourResolution::TrueColour), "png"));
    auto r = runCli({"convert", (dir / "in.png").string(), (dir / "out.pgm").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readBytes(dir / "out.pgm").substr(0, 2), "P5");

    r = runCli({"convert", (dir / "in.png").string(), (dir / "raised.pgm").string(),
                "--resolution-change", "raise"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(
        r.err,
        "EPGCannotWriteColorRes: The graphic cannot be saved with to a Portable Graymap file the "
        "current color resolution (16.7 million colors)\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "raised.pgm"));

    r = runCli({"convert", "--resolution-change", "raise", (dir / "in.png").string(),
                (dir / "same.BMP").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(samePixels(loadBytes(readBytes(dir / "same.BMP")),
                           samplePicture(ColourResolution::TrueColour)));

    r = runCli({"convert", (dir / "in.png").string(), (dir / "out.GIF").string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "EPGUnknownExtention: Unknown file extention \"gif\"\n");

    writeBytes(dir / "text.png", "hello, world, this is no picture");
    r = runCli({"convert", (dir / "text.png").string(), (dir / "x.png").string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "EPGUnknownFileFormat: Unknown file-format\n");

    r = runCli({"convert", (dir / "in.png").string(), (dir / "x.png").string(),
                "--resolution-change", "ask"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--resolution-change takes ignore or raise"), std::string::npos) << r.err;
    r = runCli({"convert", (dir / "in.png").string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4)
        << "no stray files";
}

} // namespace
