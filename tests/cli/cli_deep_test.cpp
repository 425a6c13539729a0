// Deep views from the command line: the view options, the deep switch, Max and the figures.
#include "cli/cli_runner.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using qm::test::runCli;
namespace fs = std::filesystem;

class CliDeep : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qm_deep_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(CliDeep, ViewsOfAnyDepthRenderOnTheDeepPath) {
    const auto at1E30 = runCli({"render", "-o", path("a.ppm"), "--size", "32x24", "--center", "0,1",
                                "--width", "1E-30", "--max", "2000", "--stats", "--quiet"});
    ASSERT_EQ(at1E30.exitCode, 0) << at1E30.err;
    EXPECT_NE(at1E30.out.find("deep path: magnification 4.00E30, "), std::string::npos)
        << at1E30.out;
    EXPECT_NE(at1E30.out.find("double deltas"), std::string::npos);

    const auto below =
        runCli({"render", "-o", path("b.ppm"), "--size", "16x12", "--center", "1E-401,1", "--width",
                "1E-400", "--max", "3000", "--stats", "--quiet"});
    ASSERT_EQ(below.exitCode, 0) << below.err;
    EXPECT_NE(below.out.find("extended-exponent deltas"), std::string::npos) << below.out;

    // --view keeps the digits that doubles drop.
    const auto view = runCli({"render", "-o", path("c.ppm"), "--size", "16x12", "--view",
                              "-0.75000000000000000000001,-0.74999999999999999999999,"
                              "0.10000000000000000000001,0.10000000000000000000003",
                              "--stats", "--quiet"});
    ASSERT_EQ(view.exitCode, 0) << view.err;
    EXPECT_NE(view.out.find("deep path"), std::string::npos);

    // --julia too; the picture's parameters keep every digit.
    const std::string jx = "-0.99999999999999999999999997";
    const auto julia = runCli({"render", "-o", path("j.png"), "--size", "16x12", "--center",
                               "1.6180339887498948482045868343656,0", "--width", "1E-25", "--julia",
                               jx + ",0", "--quiet"});
    ASSERT_EQ(julia.exitCode, 0) << julia.err;
    const auto params = runCli({"params", path("j.png")});
    EXPECT_NE(params.out.find("JuliaX=" + jx + "\r\n"), std::string::npos) << params.out;
}

TEST_F(CliDeep, TheSwitchAndMaxFollowThePath) {
    // Forced on at the default view, Max beyond the double path's limit is taken.
    const auto on = runCli({"render", "-o", path("d.ppm"), "--size", "16x12", "--deep", "on",
                            "--max", "100000", "--stats", "--quiet"});
    EXPECT_EQ(on.exitCode, 0) << on.err;
    EXPECT_NE(on.out.find("deep path"), std::string::npos);
    const auto shallow =
        runCli({"render", "-o", path("e.ppm"), "--size", "16x12", "--stats", "--quiet"});
    EXPECT_EQ(shallow.out.find("deep path"), std::string::npos);

    struct Row {
        std::initializer_list<std::string> args;
        const char* message;
    };
    const std::string out = path("x.ppm");
    const Row rows[] = {
        {{"render", "-o", out, "--deep", "off", "--max", "100000"}, "--max"},
        {{"render", "-o", out, "--deep", "on", "--max", "100000001"}, "--max"},
        {{"render", "-o", out, "--deep", "maybe"}, "--deep"},
        {{"render", "-o", out, "--center", "0,1"}, "--width"},
        {{"render", "-o", out, "--center", "0,1", "--width", "0"}, "width"},
        {{"render", "-o", out, "--center", "0,x", "--width", "1E-20"}, "decimal"},
        {{"render", "-o", out, "--center", "0,1", "--width", "1", "--view", "0,1,0,1"}, "not both"},
    };
    for (const auto& row : rows) {
        const auto r = runCli(row.args);
        EXPECT_EQ(r.exitCode, 2) << row.message;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

// Frames below 1E-300 made alone are the frames of the whole run, byte for byte (the frames
// share one reference orbit per process; a frame alone computes the same one).
TEST_F(CliDeep, DeepAnimationFramesAloneMatchTheRun) {
    ASSERT_EQ(
        runCli({"render", "-o", path("from.png"), "--size", "24x18", "--max", "200", "--quiet"})
            .exitCode,
        0);
    ASSERT_EQ(runCli({"params", path("from.png"), "-o", path("from.qmp")}).exitCode, 0);
    const auto animate = [&](const std::string& dir, const std::string& which,
                             const std::string& value) {
        fs::create_directories(path(dir));
        return runCli({"animate", path("from.qmp"), path("from.qmp"), "--frames", "5", "-o",
                       path(dir + "/f%d.ppm"), "--to-center", "-1.9999999999999999999999,0",
                       "--to-width", "1E-310", "--to-max", "3000", which, value, "--quiet"});
    };
    const auto run = animate("all", "--range", "0:5");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* k : {"2", "4"}) {
        ASSERT_EQ(animate(std::string("one") + k, "--frame", k).exitCode, 0);
        const auto bytes = [](const fs::path& file) {
            std::ifstream in(file, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        const std::string frame = std::string("/f") + k + ".ppm";
        EXPECT_EQ(bytes(path("all" + frame)), bytes(path(std::string("one") + k + frame))) << k;
    }
}

} // namespace
