// The `gradient` and `plasma` commands.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST(CliGradient, PrintsTheTableOfAStopString) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::pair<size_t, std::string>> expected;
    };
    const Case cases[] = {
        {{"gradient"},
         {{0, "0 0 0 0"},
          {32, "32 32 64 64"},
          {128, "128 255 255 255"},
          {255, "255 2 1 2"},
          {256, "256 0 0 0"}}},
        {{"gradient", "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"},
         {{32, "32 16 16 16"}, {256, "256 255 255 255"}}},
        {{"gradient", ""}, {{128, "128 0 0 0"}}},
    };
    for (const auto& c : cases) {
        qm::test::CliResult r;
        if (c.args.size() == 1)
            r = qm::test::runCli({c.args[0]});
        else
            r = qm::test::runCli({c.args[0], c.args[1]});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto out = lines(r.out);
        ASSERT_EQ(out.size(), 257u);
        for (const auto& [index, line] : c.expected)
            EXPECT_EQ(out[index], line);
    }
}

TEST(CliGradient, BadTokenIsAConversionError) {
    const auto r = qm::test::runCli({"gradient", "5;x;"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "EConvertError: 'x' is not a valid integer value\n");
    EXPECT_EQ(qm::test::runCli({"gradient", "1;", "2;"}).exitCode, 2);
}

} // namespace
