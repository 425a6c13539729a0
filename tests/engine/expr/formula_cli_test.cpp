// The eval and compile commands of quillmora-cli.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

namespace {

using qm::test::runCli;

TEST(FormulaCli, EvalPrintsTheValueInTheNumberFormat) {
    struct Case {
        std::initializer_list<std::string> args;
        const char* out;
    };
    const Case cases[] = {
        {{"eval", "i*2", "I=7"}, "14\n"},
        {{"eval", "x/4", "x=1"}, "0.25\n"},
        {{"eval", "?*1E-4", "?=1"}, "0.0001\n"},
        {{"eval", "1E-5"}, "1E-5\n"},
        {{"eval", "1.5E20"}, "1.5E20\n"},
        {{"eval", "-x-y", "X=1", "y=2"}, "-3\n"},
        {{"eval", "a+b+m+d+t+!+s+j+k+l+r+g+z", "A=1", "B=1", "M=1", "D=1", "T=1", "!=1", "S=1",
          "J=1", "K=1", "L=1", "R=1", "G=1", "Z=1"},
         "13\n"},
        {{"eval", ""}, "0\n"},
    };
    for (const auto& c : cases) {
        const auto r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 0) << *(c.args.begin() + 1) << r.err;
        EXPECT_EQ(r.out, c.out) << *(c.args.begin() + 1);
    }
}

TEST(FormulaCli, EvalErrors) {
    const auto compileError = runCli({"eval", "X+*Y"});
    EXPECT_EQ(compileError.exitCode, 2);
    EXPECT_EQ(compileError.err, "ESyntaxError: Error parsing expression:\rX+\rY\n");
    EXPECT_EQ(compileError.out, "");

    const auto evalError = runCli({"eval", "X/0", "X=1"});
    EXPECT_EQ(evalError.exitCode, 3);
    EXPECT_EQ(evalError.err, "EZeroDivide: Floating point division by zero\n");
    EXPECT_EQ(evalError.out, "");

    EXPECT_EQ(runCli({"eval", "7MOD0"}).err, "EDivByZero: Division by zero\n");
    EXPECT_EQ(runCli({"eval", "X+1", "W=2"}).exitCode, 2);
    EXPECT_EQ(runCli({"eval", "X+1", "X=abc"}).exitCode, 2);
    EXPECT_EQ(runCli({"eval"}).exitCode, 2);
}

TEST(FormulaCli, CompileListsTheProgram) {
    struct Case {
        const char* formula;
        const char* out;
    };
    const Case cases[] = {
        {"i*2", "opMultiply I 2\n"},
        {"sin(x*2)+y", "opMultiply X 2\nopFunc1 SIN #1\nopAdd #2 Y\n"},
        {"x", "opVariable X\n"},
        {"5", "opConstant 5\n"},
        {"max(x,0.25)^2", "opFunc2 MAX X 0.25\nopSquare #1\n"},
    };
    for (const auto& c : cases) {
        const auto r = runCli({"compile", c.formula});
        EXPECT_EQ(r.exitCode, 0) << c.formula;
        EXPECT_EQ(r.out, c.out) << c.formula;
    }
    const auto bad = runCli({"compile", "(X"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "EMissMatchingBracket: Missing brackets in expression\n");
}

} // namespace
