// The `gradient` and `plasma` commands.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

std::string line(const std::string& text, size_t index) {
    std::istringstream in(text);
    std::string l;
    for (size_t i = 0; i <= index && std::getline(in, l); ++i) {
    }
    return l;
}

TEST(CliGradient, PrintsTheTableOfAStopString) {
    const auto standard = qm::test::runCli({"gradient"});
    ASSERT_EQ(standard.exitCode, 0) << standard.err;
    EXPECT_EQ(std::count(standard.out.begin(), standard.out.end(), '\n'), 257);
    EXPECT_EQ(line(standard.out, 32), "32 32 64 64");
    EXPECT_EQ(line(standard.out, 255), "255 2 1 2");
    const auto grey =
        qm::test::runCli({"gradient", "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"});
    EXPECT_EQ(line(grey.out, 32), "32 16 16 16");
    EXPECT_EQ(line(grey.out, 256), "256 255 255 255");
}

TEST(CliGradient, BadTokenIsAConversionError) {
    const auto r = qm::test::runCli({"gradient", "5;x;"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "EConvertError: 'x' is not a valid integer value\n");
    EXPECT_EQ(qm::test::runCli({"gradient", "1;", "2;"}).exitCode, 2);
}

} // namespace
