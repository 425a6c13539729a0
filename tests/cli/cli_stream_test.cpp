// Streamed renders, supersampling, bands with `assemble`, and `animate`, through the real
// binary: every path gives the pixels of the plain in-memory render.
#include "cli/cli_runner.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using qm::test::readWholeFile;
using qm::test::runCli;
namespace fs = std::filesystem;

class CliStream : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qm_stream_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Renders with the common options plus `extra`; fails the test on a non-zero exit.
    void render(const std::string& out, std::initializer_list<std::string> extra = {}) {
        std::vector<std::string> args = {"render", "-o",       path(out), "--model", "rgb",
                                         "--red",  "i*5+t/9",  "--green", "x*120",   "--blue",
                                         "y*90+j", "--repeat", "--size",  "90x61",   "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    static qm::test::CliResult run(const std::vector<std::string>& args) {
        std::string line;
        for (const auto& a : args)
            line += " " + qm::test::shellQuote(a);
        return runShell(qm::test::shellQuote(qm::test::cliPath()) + line);
    }
    static qm::test::CliResult runShell(const std::string& command) {
        qm::test::CliResult r;
        const int status = std::system(
            (command + " >/dev/null 2>" + qm::test::shellQuote(errFile()) + " </dev/null").c_str());
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = readWholeFile(errFile());
        return r;
    }
    static std::string errFile() {
        return (fs::temp_directory_path() / ("qm_stream_err_" + std::to_string(::getpid())))
            .string();
    }
    // The picture as our in-memory PNG/BMP reader decodes it, written by the in-memory PPM
    // writer.
    std::string asPpm(const std::string& name) {
        const std::string out = path(name + ".decoded.ppm");
        const auto r = runCli({"convert", path(name), out});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return readWholeFile(out);
    }
    fs::path dir_;
};

TEST_F(CliStream, StreamedPpmAndPngHoldTheInMemoryPicture) {
    render("mem.bmp", {"--threads", "3"});
    render("s.ppm", {"--threads", "3"});
    render("s.png", {"--threads", "3"});
    render("one.png", {"--threads", "1"});
    // The in-memory writer's PPM of the same picture, byte for byte.
    EXPECT_EQ(readWholeFile(path("s.ppm")), asPpm("mem.bmp"));
    EXPECT_EQ(asPpm("s.png"), asPpm("mem.bmp"));
    EXPECT_EQ(asPpm("one.png"), asPpm("mem.bmp"));
    if (std::system("command -v convert >/dev/null 2>&1") == 0) {
        // An independent PNG decoder agrees.
        ASSERT_EQ(runShell("convert " + path("s.png") + " " + path("im.ppm")).exitCode, 0);
        EXPECT_EQ(readWholeFile(path("im.ppm")), readWholeFile(path("s.ppm")));
    }
}

TEST_F(CliStream, ProgressLinesForLogsAndQuiet) {
    auto r = runCli({"render", "-o", path("p.png"), "--size", "40x30", "--progress"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("render: 100% (30/30 rows)"), std::string::npos) << r.err;
    r = runCli({"render", "-o", path("p.bmp"), "--size", "40x30", "--band", "1/3", "--quiet"});
    EXPECT_EQ(r.exitCode, 2); // bands are PNG or PPM parts
    r = runCli({"render", "-o", path("q.png"), "--size", "40x30", "--band", "1/3", "--progress"});
    EXPECT_NE(r.err.find("render: 100% (10/10 rows)"), std::string::npos) << r.err;
    r = runCli({"filter", "blur", "--progress", path("p.png"), path("b.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("filter: 100% (30/30 rows)"), std::string::npos) << r.err;
    r = runCli({"assemble", path("a.png"), path("q.png"), "--progress"});
    EXPECT_EQ(r.exitCode, 2);
    r = runCli({"render", "-o", path("p.ppm"), "--size", "40x30", "--quiet"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(CliStream, SupersampledPictureIsTheMeanOfTheLargerRender) {
    for (const char* model : {"palette", "hls"}) {
        const std::vector<std::string> common = {
            "--model", model,       "--red", "i*7",     "--green", "x*30+50",      "--blue",
            "y*40+60", "--formula", "i*9",   "--quiet", "--view",  "-1.5,0.5,-1,1"};
        auto big = common, small = common;
        big.insert(big.end(), {"render", "-o", path("big.ppm"), "--size", "60x45"});
        small.insert(small.end(),
                     {"render", "-o", path("ss.ppm"), "--size", "20x15", "--supersample", "3"});
        std::rotate(big.begin(), big.end() - 5, big.end());
        std::rotate(small.begin(), small.end() - 7, small.end());
        ASSERT_EQ(run(big).exitCode, 0);
        ASSERT_EQ(run(small).exitCode, 0);
        const std::string b = readWholeFile(path("big.ppm")), s = readWholeFile(path("ss.ppm"));
        const std::size_t bh = b.size() - 60 * 45 * 3, sh = s.size() - 20 * 15 * 3;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 20; ++x)
                for (int c = 0; c < 3; ++c) {
                    unsigned sum = 0;
                    for (int j = 0; j < 3; ++j)
                        for (int i = 0; i < 3; ++i)
                            sum += static_cast<unsigned char>(
                                b[bh + static_cast<std::size_t>(((y * 3 + j) * 60 + x * 3 + i) * 3 +
                                                                c)]);
                    ASSERT_EQ(static_cast<unsigned char>(
                                  s[sh + static_cast<std::size_t>((y * 20 + x) * 3 + c)]),
                              (sum + 4) / 9)
                        << model << " " << x << "," << y;
                }
    }
}

TEST_F(CliStream, BandsAssembleIntoTheSingleRender) {
    render("whole.ppm", {"--supersample", "2"});
    render("b2.png", {"--supersample", "2", "--band", "2/4"});
    render("b0.ppm", {"--supersample", "2", "--band", "0/4", "--threads", "1"});
    render("b3.png", {"--supersample", "2", "--band", "3/4"});
    render("b1.png", {"--supersample", "2", "--band", "1/4"});
    // Any order, mixed formats; PPM output byte for byte, PNG pixel for pixel.
    auto r = runCli({"assemble", path("a.ppm"), path("b3.png"), path("b1.png"), path("b0.ppm"),
                     path("b2.png"), "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readWholeFile(path("a.ppm")), readWholeFile(path("whole.ppm")));
    r = runCli({"assemble", path("a.png"), path("b0.ppm"), path("b1.png"), path("b2.png"),
                path("b3.png"), "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(asPpm("a.png"), readWholeFile(path("whole.ppm")));

    render("other.png", {"--supersample", "2", "--band", "1/4", "--max", "64"});
    render("n3.png", {"--supersample", "2", "--band", "1/3"});
    {
        const std::string bytes = readWholeFile(path("b2.png"));
        std::ofstream(path("cut.png"), std::ios::binary) << bytes.substr(0, bytes.size() - 40);
    }
    std::ofstream(path("junk.png")) << "not a picture";
    struct Row {
        std::vector<std::string> parts;
        const char* message;
    };
    const Row rows[] = {
        {{"b0.ppm", "b1.png", "b3.png"}, "rows 30-44 are missing"},
        {{"b0.ppm", "b1.png", "b2.png"}, "rows 45-60 are missing"},
        {{"b0.ppm", "b1.png", "b1.png", "b2.png", "b3.png"}, "given twice"},
        {{"b0.ppm", "n3.png", "b1.png", "b2.png", "b3.png"}, "overlap"},
        {{"b0.ppm", "other.png", "b2.png", "b3.png"}, "other.png: from another render"},
        {{"b0.ppm", "b1.png", "cut.png", "b3.png"}, "cut.png"},
        {{"b0.ppm", "junk.png"}, "junk.png"},
        {{"b0.ppm", "whole.ppm"}, "whole.ppm: not a band part"},
        {{"b0.ppm", "gone.png"}, "gone.png"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"assemble", path("bad.png")};
        for (const auto& p : row.parts)
            args.push_back(path(p));
        r = run(args);
        EXPECT_EQ(r.exitCode, 2) << row.message;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(path("bad.png"))) << row.message;
    }

    for (const char* band : {"4/4", "-1/4", "0/0", "1/62", "1", "a/b"}) {
        r = run({"render", "-o", path("x.png"), "--size", "90x61", "--band", band});
        EXPECT_EQ(r.exitCode, 2) << band;
        EXPECT_NE(r.err.find("--band"), std::string::npos) << r.err;
    }
    r = run({"render", "-o", path("x.bmp"), "--band", "0/2"});
    EXPECT_NE(r.err.find("PNG or PPM"), std::string::npos) << r.err;
    r = run({"render", "-o", path("x.png"), "--band", "0/2", "--formula", "!"});
    EXPECT_NE(r.err.find("--plasma-seed"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("x.png")));
}

TEST_F(CliStream, AnimationFramesAreIndependentRenders) {
    std::ofstream(path("from.qmp")) << "[Coordinates]\r\nUpperX=-2\r\nLowerX=2\r\nUpperY=-1.5\r\n"
                                       "LowerY=1.5\r\nMax=32\r\nWidth=40\r\nHeight=30\r\n"
                                       "[Formulas]\r\nRGB=i*3\r\n";
    std::ofstream(path("to.qmp"))
        << "[Coordinates]\r\nUpperX=-0.8\r\nLowerX=-0.7\r\nUpperY=0.05\r\n"
           "LowerY=0.125\r\nMax=512\r\nWidth=40\r\nHeight=30\r\n"
           "[Formulas]\r\nRGB=i*3\r\n";
    const std::string from = path("from.qmp"), to = path("to.qmp");
    auto r = runCli({"animate", from, to, "--frames", "4", "-o", path("f%03d.ppm"), "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = runCli({"animate", from, to, "--frames", "4", "-o", path("g%d.ppm"), "--range", "1:3",
                "--threads", "1", "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::exists(path("g0.ppm")));
    EXPECT_FALSE(fs::exists(path("g3.ppm")));
    EXPECT_EQ(readWholeFile(path("g1.ppm")), readWholeFile(path("f001.ppm")));
    EXPECT_EQ(readWholeFile(path("g2.ppm")), readWholeFile(path("f002.ppm")));
    // The first frame is FROM, the last TO, rendered as `render` does.
    r = runCli({"render", to, "-o", path("to.ppm"), "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readWholeFile(path("to.ppm")), readWholeFile(path("f003.ppm")));
    r = runCli({"animate", from, to, "--frames", "4", "-o", path("h%d.png"), "--frame", "0",
                "--size", "20x10", "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(path("h0.png")));

    const std::vector<std::vector<std::string>> bad = {
        {"-o", path("x.png")},   {"-o", path("x%d%d.png")},
        {"-o", path("x%s.png")}, {"-o", path("x%ld.png")},
        {"--frame", "4"},        {"--range", "2:5"},
        {"--range", "3:2"},      {"--frame", "1", "--range", "1:2"},
    };
    for (const auto& extra : bad) {
        std::vector<std::string> args = {"animate", from, to, "--frames", "4"};
        if (extra[0] != "-o") args.insert(args.end(), {"-o", path("y%d.png")});
        args.insert(args.end(), extra.begin(), extra.end());
        r = run(args);
        EXPECT_EQ(r.exitCode, 2) << extra[0] << " " << extra[1];
    }
    EXPECT_FALSE(fs::exists(path("y0.png")));
}

} // namespace

namespace {

// Ctrl+C during a render: the command ends with 130 and leaves neither the picture nor a
// temporary file; a picture that was there before stays as it was.
TEST_F(CliStream, InterruptedRenderLeavesNoFile) {
    for (const std::string name : {"poster.png", "picture.bmp", "old.ppm"}) {
        if (name == "old.ppm") std::ofstream(path(name)) << "old";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string cli = qm::test::cliPath(), out = path(name);
            // Interior points at the largest Max with a formula that reads Z: slow rows.
            ::execl(cli.c_str(), cli.c_str(), "render", "-o", out.c_str(), "--size", "1500x1500",
                    "--max", "65535", "--view", "-0.1,0.1,-0.1,0.1", "--formula", "z", "--quiet",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The streamed writer creates its temporary at once; give the others a moment too.
        for (int i = 0; i < 25 && fs::is_empty(dir_); ++i)
            ::usleep(20000);
        ::usleep(300000);
        ::kill(child, SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << name;
        EXPECT_EQ(WEXITSTATUS(status), 130) << name;
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(dir_))
            left.push_back(e.path().filename().string());
        if (name == "old.ppm") {
            EXPECT_EQ(left, std::vector<std::string>{"old.ppm"});
            EXPECT_EQ(readWholeFile(path(name)), "old");
            fs::remove(path(name));
        } else {
            EXPECT_TRUE(left.empty()) << name << ": " << (left.empty() ? "" : left[0]);
        }
    }
}

} // namespace
