// The kernel and render commands through the real binary.
#include "cli/cli_runner.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using qm::test::runCli;
namespace fs = std::filesystem;

TEST(CliKernel, WorkedValues) {
    struct Row {
        std::initializer_list<std::string> args;
        const char* out;
    };
    const Row rows[] = {
        {{"kernel", "mandel", "2", "0"}, "2 36 6 0\n"},
        {{"kernel", "mandel", "0", "0", "--max", "50"}, "51 0 0 0\n"},
        {{"kernel", "newton", "1", "0"}, "1 0 1 0\n"},
        {{"kernel", "mandelorder", "0.25", "0", "--order", "1"}, "8 5.0625 2.25 0\n"},
        {{"kernel", "mandel", "0", "-2", "--orientation", "0,1"}, "2 36 6 0\n"},
        {{"kernel", "mandel", "2", "0", "--julia", "0,0"}, "1 16 4 0\n"},
        {{"kernel", "off", "1", "1"}, "0 0 0 0\n"},
        {{"kernel", "mandelorder", "1.5", "0", "--order", "2000"},
         "1 1.79769313486232E308 1.5 0\n"},
    };
    for (const auto& row : rows) {
        const auto r = runCli(row.args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
    }
}

TEST(CliKernel, BadInput) {
    const std::initializer_list<std::string> bad[] = {
        {"kernel", "Mandel", "0", "0"},
        {"kernel", "mandel", "nan", "0"},
        {"kernel", "mandel", "0"},
        {"kernel", "mandel", "0", "0", "--max", "0"},
        {"kernel", "mandel", "0", "0", "--julia", "1"},
        {"kernel", "mandel", "1", "2", "3"},
    };
    for (const auto& args : bad) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(r.err.empty());
    }
}

class CliRender : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qm_render_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(CliRender, WritesPicturesByExtension) {
    const auto png = runCli({"render", "-o", path("m.png"), "--stats", "--threads", "2"});
    ASSERT_EQ(png.exitCode, 0) << png.err;
    EXPECT_NE(png.out.find("rendered 320 x 240"), std::string::npos);
    EXPECT_GT(fs::file_size(path("m.png")), 100u);

    const auto ppm = runCli({"render",  "-o",      path("j.ppm"), "--type",        "spider",
                             "--size",  "40x30",   "--model",     "rgb",           "--red",
                             "i*9",     "--green", "x*50",        "--blue",        "?",
                             "--julia", "0.3,0.2", "--mirror",    "--plasma-seed", "4"});
    ASSERT_EQ(ppm.exitCode, 0) << ppm.err;
    const std::string bytes = qm::test::readWholeFile(path("j.ppm"));
    EXPECT_EQ(bytes.rfind("P6", 0), 0u);
    EXPECT_NE(bytes.find("40 30"), std::string::npos);
}

TEST_F(CliRender, SameSeedSamePicture) {
    for (const char* name : {"a.bmp", "b.bmp"}) {
        const auto r = runCli({"render", "-o", path(name), "--model", "hls", "--red", "i*3",
                               "--green", "50", "--blue", "x*40+60", "--size", "64x48",
                               "--plasma-seed", "77", "--threads", name[0] == 'a' ? "1" : "2"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    // One thread or two: the same picture.
    EXPECT_EQ(qm::test::readWholeFile(path("a.bmp")), qm::test::readWholeFile(path("b.bmp")));
}

TEST_F(CliRender, ParameterFile) {
    std::ofstream(path("p.qmp")) << "[Coordinates]\r\nUpperX=-1\r\nLowerX=1\r\nUpperY=-1\r\n"
                                    "LowerY=1\r\nMax=64\r\nWidth=50\r\nHeight=40\r\n"
                                    "[Formulas]\r\nRGB=i*4\r\n[Mode]\r\nType=newton\r\n";
    const auto r = runCli({"render", path("p.qmp"), "-o", path("p.pgm"), "--stats"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("rendered 50 x 40"), std::string::npos);
}

TEST_F(CliRender, BadInputIsReported) {
    struct Row {
        std::initializer_list<std::string> args;
        const char* message;
    };
    const std::string out = path("x.png");
    const Row rows[] = {
        {{"render", "-o", out, "--size", "0x10"}, "--size"},
        {{"render", "-o", out, "--size", "-5x10"}, "--size"},
        {{"render", "-o", out, "--view", "1,1,0,2"}, "ERenderParameters"},
        {{"render", "-o", out, "--view", "nan,1,0,2"}, "EConvertError"},
        {{"render", "-o", out, "--max", "1000000"}, "--max"},
        {{"render", "-o", out, "--formula", "1+"}, "Error"},
        {{"render", "-o", out, "--size", "70000x70000"}, "too large"},
        {{"render", "--size", "10x10"}, "-o"},
        {{"render", "-o", out, "--type", "frob"}, "unknown fractal type"},
    };
    for (const auto& row : rows) {
        const auto r = runCli(row.args);
        EXPECT_EQ(r.exitCode, 2) << row.message;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

} // namespace

namespace {

// A rendered PNG or JPEG carries the parameter file of what was rendered: `params` prints it,
// and rendering from the picture gives the same picture.
TEST_F(CliRender, PicturesCarryTheirParameters) {
    const auto r = runCli({"render", "-o", path("a.png"), "--type", "spider", "--view",
                           "-1.5,0.5,-1,1", "--max", "300", "--size", "61x47", "--model", "rgb",
                           "--red", "i*9", "--green", "x*50", "--flip-y"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(runCli({"render", "-o", path("a.jpg"), "--size", "30x20"}).exitCode, 0);

    const auto text = runCli({"params", path("a.png")});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("UpperX=-1.5\r\nLowerX=0.5\r\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Max=300\r\n"), std::string::npos);
    EXPECT_NE(text.out.find("Width=61\r\nHeight=47\r\n"), std::string::npos);
    // The text is what `params` writes for the same document loaded from a file.
    std::ofstream(path("a.qmp"), std::ios::binary) << text.out;
    EXPECT_EQ(runCli({"params", path("a.qmp")}).out, text.out);
    EXPECT_EQ(runCli({"params", path("a.jpg")}).out.rfind("[Coordinates]\r\n", 0), 0u);

    ASSERT_EQ(runCli({"render", path("a.png"), "-o", path("b.ppm")}).exitCode, 0);
    ASSERT_EQ(runCli({"render", path("a.qmp"), "-o", path("c.ppm")}).exitCode, 0);
    ASSERT_EQ(runCli({"convert", path("a.png"), path("a.ppm")}).exitCode, 0);
    EXPECT_EQ(qm::test::readWholeFile(path("b.ppm")), qm::test::readWholeFile(path("a.ppm")));
    EXPECT_EQ(qm::test::readWholeFile(path("c.ppm")), qm::test::readWholeFile(path("a.ppm")));
}

// Frames and band parts are pictures like any other: each carries what it was rendered from.
TEST_F(CliRender, FramesAndPartsCarryTheirOwnParameters) {
    std::ofstream(path("from.qmp"))
        << "[Coordinates]\r\nUpperX=-2\r\nLowerX=2\r\n[Formulas]\r\nRGB=i*2\r\n";
    std::ofstream(path("to.qmp"))
        << "[Coordinates]\r\nUpperX=-1\r\nLowerX=0\r\n[Formulas]\r\nRGB=i*2\r\n";
    ASSERT_EQ(runCli({"animate", path("from.qmp"), path("to.qmp"), "--frames", "2", "-o",
                      path("f%d.png"), "--size", "20x10", "--quiet"})
                  .exitCode,
              0);
    EXPECT_NE(runCli({"params", path("f1.png")}).out.find("UpperX=-1\r\nLowerX=0\r\n"),
              std::string::npos);
    ASSERT_EQ(
        runCli({"render", "-o", path("part.png"), "--size", "20x10", "--band", "1/2"}).exitCode, 0);
    EXPECT_NE(runCli({"params", path("part.png")}).out.find("Width=20\r\nHeight=10\r\n"),
              std::string::npos);
}

TEST_F(CliRender, NoParamsLeavesThePictureWithout) {
    ASSERT_EQ(runCli({"render", "-o", path("n.png"), "--size", "20x10", "--no-params"}).exitCode,
              0);
    for (const auto& args : {std::initializer_list<std::string>{"params", path("n.png")},
                             {"render", path("n.png"), "-o", path("m.png")}}) {
        const auto r = runCli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err,
                  "ENoEmbeddedParameters: No Quillmora parameters in " + path("n.png") + "\n");
    }
    EXPECT_FALSE(fs::exists(path("m.png")));
}

} // namespace
