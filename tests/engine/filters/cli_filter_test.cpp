// quillmora-cli filter: settings by name, in-place colour filters, convolution into a new
// picture, and refusals that leave no output file.
#include "cli/cli_runner.h"
#include "engine/filters/filter_test_util.h"
#include "engine/image/filters/apply_filter.h"
#include "engine/image/filters/filter_dialogs.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace qm;
using namespace qm::image;
namespace fs = std::filesystem;

class CliFilter : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qm_cli_filter_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        source_ = qm::test::randomPicture(17, 9, 5);
        source_.saveToFile(in());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string in() const { return (dir_ / "in.ppm").string(); }
    std::string out() const { return (dir_ / "out.ppm").string(); }
    TPixelGraphic loadOut() const {
        TPixelGraphic p;
        p.loadFromFile(out());
        return p;
    }

    fs::path dir_;
    TPixelGraphic source_;
};

TEST_F(CliFilter, ColourFilterWithSettings) {
    const auto r =
        qm::test::runCli({"filter", "rgb", "--set", "Red=100", "--set", "Blue=-100", in(), out()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const TPixelGraphic p = loadOut();
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x) {
            EXPECT_EQ(redOf(p.pixel(x, y)), 255);
            EXPECT_EQ(greenOf(p.pixel(x, y)), greenOf(source_.pixel(x, y)));
            EXPECT_EQ(blueOf(p.pixel(x, y)), 0);
        }
}

TEST_F(CliFilter, ConvolutionUsesTheMainWindowsInitialValues) {
    for (const char* name : {"smooth", "contours"}) {
        const auto r = qm::test::runCli({"filter", name, "--threads", "2", in(), out()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto dialog = createMainWindowFilterDialog(*filterKindFromName(name));
        TPixelGraphic expected;
        applyFilter(expected, dialog->Filter(), source_);
        EXPECT_TRUE(qm::test::samePixels(loadOut(), expected)) << name;
    }
}

TEST_F(CliFilter, RefusalsLeaveNoOutput) {
    const struct {
        std::initializer_list<std::string> args;
        const char* message;
    } cases[] = {
        {{"filter", "emboss", in(), out()}, "unknown filter 'emboss'"},
        {{"filter", "rgb", "--set", "Cyan=1", in(), out()}, "unknown setting 'Cyan'"},
        {{"filter", "bcg", "--set", "Contrast=6", in(), out()}, "EFilterSetting: Contrast"},
        {{"filter", "blur", "--set", "Radius", in(), out()}, "KEY=VALUE"},
        {{"filter", "contours", "--set", "BlackBk=maybe", in(), out()}, "BlackBk"},
        {{"filter", "hls", in()}, "missing"},
        {{"filter", "hls", (dir_ / "none.ppm").string(), out()}, ""},
    };
    for (const auto& c : cases) {
        const auto r = qm::test::runCli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out())) << c.message;
    }
}

} // namespace
