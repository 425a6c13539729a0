// The command line explains itself: per-command help, the catalogue listing, and errors that
// name the valid values.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using qm::test::runCli;

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

// The option word starting at `at` ("-o", "--max"), or "" when none starts there.
std::string optionAt(const std::string& text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && text[end] == '-' && end - at < 2)
        ++end;
    if (end == at || end >= text.size() || !isLower(text[end])) return {};
    while (end < text.size() && (isLower(text[end]) || text[end] == '-'))
        ++end;
    return text.substr(at, end - at);
}

// The command names of the overview: lines "  NAME ARGS...".
std::vector<std::string> commandNames() {
    std::vector<std::string> names;
    std::istringstream in(runCli({"--help"}).out);
    for (std::string l; std::getline(in, l);) {
        if (l.size() < 3 || l.compare(0, 2, "  ") != 0 || !isLower(l[2])) continue;
        std::size_t end = 2;
        while (end < l.size() && isLower(l[end]))
            ++end;
        if (end == l.size() || l[end] == ' ') names.push_back(l.substr(2, end - 2));
    }
    return names;
}

// The options that directly follow `prefix` anywhere in `text`.
std::set<std::string> optionsAfter(const std::string& text, const std::string& prefix) {
    std::set<std::string> found;
    for (auto at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1))
        if (auto option = optionAt(text, at + prefix.size()); !option.empty())
            found.insert(std::move(option));
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
        std::set<std::string> inUsage;
        for (const char* before : {"[", " ", "|"})
            inUsage.merge(optionsAfter(usage, before));
        const auto explained = optionsAfter(help.out, "\n  ");
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
