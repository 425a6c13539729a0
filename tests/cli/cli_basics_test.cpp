// The command dispatcher: help, version, unknown commands.
#include "cli/cli_runner.h"
#include "engine/core/version.h"

#include <gtest/gtest.h>

namespace {

TEST(Cli, HelpAndUnknownCommand) {
    const auto help = qm::test::runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: quillmora-cli"), std::string::npos);
    const auto none = qm::test::runCli({});
    EXPECT_EQ(none.exitCode, 2);
    const auto bad = qm::test::runCli({"frobnicate"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_EQ(qm::test::runCli({"--version"}).out,
              std::string("quillmora-cli ") + QM_VERSION + "\n");
}

} // namespace
