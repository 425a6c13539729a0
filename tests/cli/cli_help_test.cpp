// The command line explains itself: per-command help, the catalogue listing, and errors that
// name the valid values.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace {

using qm::test::runCli;

// The command names of the overview: lines "  NAME ARGS...".
std::vector<std::string> commandNames() {
    std::vector<std::string> names;
    const std::regex line(R"(^  ([a-z]+)\b)");
    std::istringstream in(runCli({"--help"}).out);
    for (std::string l; std::getline(in, l);) {
        std::smatch m;
        if (std::regex_search(l, m, line)) names.push_back(m[1]);
    }
    return names;
}

std::set<std::string> optionsIn(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    return found;
}

TEST(CliHelp, EveryCommandExplainsEveryOptionOfItsUsage) {
    const auto names = commandNames();
    ASSERT_GE(names.size(), 13u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const auto help = runCli({"help", name});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind("usage: quillmora-cli " + name, 0), 0u);
        EXPECT_TRUE(help.err.empty());
        EXPECT_EQ(runCli({name, "--help"}).out, help.out);

        // Every option of the usage line has its own line in the explanation.
        const std::string usage = help.out.substr(0, help.out.find('\n'));
        const auto inUsage = optionsIn(usage, std::regex(R"([\[ |](--?[a-z][a-z-]*))"));
        const auto explained = optionsIn(help.out, std::regex(R"(\n  (--?[a-z][a-z-]*))"));
        for (const auto& option : inUsage)
            EXPECT_TRUE(explained.count(option)) << option << " is not explained";
    }
}

TEST(CliHelp, TypesListsTheSelectableCatalogue) {
    const auto r = runCli({"types"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 23);
    EXPECT_EQ(r.out.rfind("mandel       Mandelbrot             f(z)=z*z+c\n", 0), 0u);
    EXPECT_NE(r.out.find("\nbarns        Barnsley "), std::string::npos);
    EXPECT_NE(r.out.find("\noff          Fractals Off\n"), std::string::npos);
    EXPECT_EQ(r.out.find("TEST"), std::string::npos); // the hidden entry
    EXPECT_EQ(runCli({"types", "extra"}).exitCode, 2);
}

TEST(CliHelp, UnknownValuesNameTheValidOnes) {
    const auto type = runCli({"render", "-o", "x.png", "--type", "mandle"});
    EXPECT_EQ(type.exitCode, 2);
    EXPECT_NE(type.err.find("unknown fractal type 'mandle'; one of: mandel, mandelorder, "),
              std::string::npos);
    EXPECT_NE(type.err.find(", novavar2, off\n"), std::string::npos);

    const auto command = runCli({"help", "rendr"});
    EXPECT_EQ(command.exitCode, 2);
    EXPECT_NE(command.err.find("unknown command 'rendr'; one of: "), std::string::npos);
    EXPECT_NE(command.err.find(", compile, convert, "), std::string::npos);
    EXPECT_EQ(runCli({"rendr", "--help"}).exitCode, 2);
}

} // namespace
