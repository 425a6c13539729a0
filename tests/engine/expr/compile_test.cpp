// The compiler: accepted syntax, precedence, the level/slot program order, limits and errors.
#include "expr_test_util.h"

#include <gtest/gtest.h>

namespace qm::expr {
namespace {

using test::compileOutcome;
using test::listing;

struct ListingCase {
    const char* formula;
    const char* program;
};

TEST(Compile, ProducesTheProgramInRunOrder) {
    const ListingCase cases[] = {
        {"i*2", "opMultiply I 2"},
        {"sin(x*2)+y", "opMultiply X 2|opFunc1 SIN #1|opAdd #2 Y"},
        {"SIN(X*2)+Y", "opMultiply X 2|opFunc1 SIN #1|opAdd #2 Y"},
        {"x", "opVariable X"},
        {"5", "opConstant 5"},
        {"  X  ", "opVariable X"},
        {"((X))", "opVariable X"},
        {"2*3", "opMultiply 2 3"}, // no constant folding
        {"?+!", "opAdd ? !"},
        {"l*r*g", "opMultiply R G|opMultiply L #1"},
        // Deepest level first; on a level, slots in depth-first order.
        {"(A+B)*(X+Y)", "opAdd A B|opAdd X Y|opMultiply #1 #2"},
        {"SIN(X*2)+Y*3", "opMultiply X 2|opFunc1 SIN #1|opMultiply Y 3|opAdd #2 #3"},
        {"MAX(MIN(X,Y),Z)", "opFunc2 MIN X Y|opFunc2 MAX #1 Z"},
        {"&(6,3)", "opFunc2 & 6 3"},
        {"\\(6,3)+|(6,3)", "opFunc2 \\ 6 3|opFunc2 | 6 3|opAdd #1 #2"},
        // Redundant brackets are dropped wherever a bracketed text is accepted.
        {"SIN((X+1))", "opAdd X 1|opFunc1 SIN #1"},
        {"MAX((X),((Y)))", "opFunc2 MAX X Y"},
        {"-((X))", "opNegate X"},
        {"((X))*2", "opMultiply X 2"},
    };
    RandomGenerator random;
    TParser parser(random);
    for (const auto& c : cases) {
        parser.setExpression(c.formula);
        EXPECT_EQ(listing(parser), c.program) << c.formula;
    }
}

TEST(Compile, PrecedenceAndGroupingFollowTheRecogniserOrder) {
    const ListingCase cases[] = {
        {"X+Y+Z", "opAdd Y Z|opAdd X #1"},           // "+" splits at its first occurrence
        {"X+Y-Z", "opSubtract Y Z|opAdd X #1"},      // X+(Y-Z)
        {"X-Y+Z", "opSubtract X Y|opAdd #1 Z"},      // "+" is tried before "-"
        {"X-Y-Z", "opSubtract X Y|opSubtract #1 Z"}, // "-" groups to the left
        {"X*Y*Z", "opMultiply Y Z|opMultiply X #1"}, // "*" groups to the right
        {"XDIVYMODZ", "opDiv X Y|opMod #1 Z"},
        {"7*5MOD3", "opMod 5 3|opMultiply 7 #1"}, // "*" binds more loosely than MOD
        {"5MOD3*7", "opMod 5 3|opMultiply #1 7"},
        {"X/Y*Z", "opDivide X Y|opMultiply #1 Z"},
        {"-X-Y", "opNegate X|opSubtract #1 Y"},
        {"-2-X", "opSubtract -2 X"},
        {"-X*Y", "opNegate X|opMultiply #1 Y"},
        {"-X^2", "opSquare X|opNegate #1"},
        {"-2^2", "opSquare 2|opNegate #1"},
        {"-2*3", "opMultiply -2 3"},
        {"X*-2", "opMultiply X -2"},
        {"X^-2", "opIntPower X -2"},
        {"-SIN(X)", "opFunc1 SIN X|opNegate #1"},
        {"(-X)^2", "opNegate X|opSquare #1"},
        {"2^(3^2)", "opSquare 3|opPower 2 #1"},
        {"X-1E-5", "opSubtract X 1E-5"},
        {"1E-5*X", "opMultiply 1E-5 X"},
        {"X*2E+5", "opMultiply X 200000"},
    };
    RandomGenerator random;
    TParser parser(random);
    for (const auto& c : cases) {
        parser.setExpression(c.formula);
        EXPECT_EQ(listing(parser), c.program) << c.formula;
    }
}

TEST(Compile, PowerRulePicksTheKindFromTheExponentLiteral) {
    const ListingCase cases[] = {
        {"X^2", "opSquare X"},       {"X^2.0", "opSquare X"},
        {"X^+2", "opSquare X"},      {"X^3", "opCube X"},
        {"X^4", "opFourth X"},       {"X^5", "opIntPower X 5"},
        {"X^7", "opIntPower X 7"},   {"X^0", "opIntPower X 0"},
        {"X^-1", "opIntPower X -1"}, {"X^(2)", "opPower X 2"},
        {"X^0.5", "opPower X 0.5"},  {"X^PI", "opPower X 3.14159265358979"},
        {"X^Y", "opPower X Y"},      {"X^SIN(Y)", "opFunc1 SIN Y|opPower X #1"},
        {"X^E5", "opIntPower X 0"},  {"X^-2147483648", "opIntPower X -2147483648"},
    };
    RandomGenerator random;
    TParser parser(random);
    for (const auto& c : cases) {
        parser.setExpression(c.formula);
        EXPECT_EQ(listing(parser), c.program) << c.formula;
    }
}

TEST(Compile, NumberLiterals) {
    const ListingCase cases[] = {
        {"5", "opConstant 5"},
        {"-5", "opConstant -5"},
        {"+5", "opConstant 5"},
        {".5", "opConstant 0.5"},
        {"1.5E3", "opConstant 1500"},
        {"1.E5", "opConstant 100000"},
        {"E5", "opConstant 0"},
        {"PI", "opConstant 3.14159265358979"},
        {"-PI", "opConstant -3.14159265358979"},
        {"1e-400", "opConstant 0"},
        {"0.000000000000000000000000000001E30", "opConstant 1"},
    };
    RandomGenerator random;
    TParser parser(random);
    for (const auto& c : cases) {
        parser.setExpression(c.formula);
        EXPECT_EQ(listing(parser), c.program) << c.formula;
    }
}

struct ErrorCase {
    const char* formula;
    const char* className;
    const char* message;
};

TEST(Compile, ReportsEachErrorWithItsClassAndMessage) {
    const ErrorCase cases[] = {
        {"X + 1", "EExpressionHasBlanks", "Expression has blanks"},
        {"(X))", "EMissMatchingBracket", "Missing brackets in expression"},
        {"((X)", "EMissMatchingBracket", "Missing brackets in expression"},
        // The sides shown are those of the last split tried on the node.
        {"X+*Y", "ESyntaxError", "Error parsing expression:\rX+\rY"},
        {"X^Y^Z", "ESyntaxError", "Error parsing expression:\rX^Y\rZ"},
        {"2^3^2", "ESyntaxError", "Error parsing expression:\r2^3\r2"},
        {"X*-Y", "ESyntaxError", "Error parsing expression:\rX\r-Y"},
        {"--X", "ESyntaxError", "Error parsing expression:\r-\rX"},
        {"X^-Y", "ESyntaxError", "Error parsing expression:\rX\r-Y"},
        // No split tried: the text itself is shown.
        {"ABS(X,Y)", "ESyntaxError", "Error parsing expression:\rABS(X,Y)"},
        {"MAX(X)", "ESyntaxError", "Error parsing expression:\rMAX(X)"},
        {"MAX(,X,Y)", "ESyntaxError", "Error parsing expression:\rMAX(,X,Y)"},
        {"W", "ESyntaxError", "Error parsing expression:\rW"},
        {"1.", "ESyntaxError", "Error parsing expression:\r1."},
        {"1E+", "ESyntaxError", "Error parsing expression:\r1E+"},
        {"()", "ESyntaxError", "Error parsing expression:\r()"},
        {")X(", "ESyntaxError", "Error parsing expression:\r)X("},
        {"   ", "ESyntaxError", "Error parsing expression:\r"},
        {"(X+*Y)", "ESyntaxError", "Error parsing expression:\r(X+\rY)"},
        // Literals outside the ranges: the runtime's conversion errors.
        {"X^1E10", "EInvalidOp", "Invalid floating point operation"},
        {"X^2147483648", "EInvalidOp", "Invalid floating point operation"},
        {"1E400", "EOverflow", "Floating point overflow"},
        {"X*-1E999", "EOverflow", "Floating point overflow"},
    };
    RandomGenerator random;
    TParser parser(random);
    for (const auto& c : cases) {
        const auto outcome = compileOutcome(parser, c.formula);
        EXPECT_EQ(outcome.className, c.className) << c.formula;
        EXPECT_EQ(outcome.message, c.message) << c.formula;
        EXPECT_TRUE(parser.ParserError()) << c.formula;
        EXPECT_FALSE(parser.hasProgram()) << c.formula;
    }
}

std::string repeated(const std::string& first, const std::string& more, int times) {
    std::string out = first;
    for (int k = 0; k < times; ++k)
        out += more;
    return out;
}

// A bracketed sum tree over `leaves`, balanced so every leaf sits at the same depth.
std::string balancedSum(const std::vector<std::string>& leaves, std::size_t b, std::size_t e) {
    if (e - b == 1) return leaves[b];
    const std::size_t mid = b + (e - b) / 2;
    return "(" + balancedSum(leaves, b, mid) + "+" + balancedSum(leaves, mid, e) + ")";
}

// 64 leaves at depth 6, `products` of them X*Y: those products are operations on level 7.
std::string productsOnOneLevel(int products) {
    std::vector<std::string> leaves;
    for (int k = 0; k < 64; ++k)
        leaves.push_back(k < products ? "X*Y" : "X");
    return balancedSum(leaves, 0, leaves.size());
}

TEST(Compile, LevelAndSlotLimits) {
    RandomGenerator random;
    TParser parser(random);
    const auto outcome = [&](const std::string& text) {
        return compileOutcome(parser, text).className;
    };
    // 20 operators in a chain: the last operand sits on level 20.
    EXPECT_EQ(outcome(repeated("X", "+X", 20)), "");
    EXPECT_EQ(outcome(repeated("X", "+X", 21)), "ETooManyNestings");
    EXPECT_EQ(outcome(repeated("X", "-X", 20)), "");
    EXPECT_EQ(outcome(repeated("X", "-X", 21)), "ETooManyNestings");
    EXPECT_EQ(outcome(repeated("", "SIN(", 20) + "X" + std::string(20, ')')), "");
    EXPECT_EQ(outcome(repeated("", "SIN(", 21) + "X" + std::string(21, ')')), "ETooManyNestings");
    EXPECT_EQ(outcome(productsOnOneLevel(50)), "");
    EXPECT_EQ(outcome(productsOnOneLevel(51)), "EExpressionTooComplex");
    parser.setExpression(productsOnOneLevel(50));
    EXPECT_EQ(parser.program().ops.size(), 63u + 50u);
}

TEST(Compile, HostileTextFailsCleanlyAndQuickly) {
    RandomGenerator random;
    TParser parser(random);
    // Deep redundant brackets and very long chains would exhaust the stack of a naively
    // recursive check.
    EXPECT_EQ(
        compileOutcome(parser, std::string(5000, '(') + "X" + std::string(5000, ')')).className,
        "ETooManyNestings");
    EXPECT_EQ(compileOutcome(parser, repeated("X", "+X", 5000)).className, "ETooManyNestings");
    // A chain that groups to the left costs time quadratic in its length; a bound on the work
    // of the checks stops it.
    EXPECT_EQ(compileOutcome(parser, repeated("X", "-X", 5000)).className, "EExpressionTooComplex");
    // Mixed operators: the checks are cached, so this does not take exponential time.
    EXPECT_EQ(compileOutcome(parser, repeated("X", "*X-X/X+X", 300)).className, "ETooManyNestings");
    EXPECT_EQ(compileOutcome(parser, repeated("(X", "*(X", 400) + std::string(401, ')')).className,
              "ETooManyNestings");
    // A long literal is fine.
    EXPECT_EQ(compileOutcome(parser, "1" + std::string(100000, '0') + "E-100000").className, "");
    EXPECT_EQ(parser.Value(), 1.0);
}

TEST(Compile, LowerAndUpperCaseCompileIdentically) {
    RandomGenerator random;
    TParser lower(random);
    TParser upper(random);
    upper.setExpression("SIN(X)+MAX(I,Y)*PI-7MOD2");
    lower.setExpression("sin(x)+max(i,y)*pi-7mod2");
    EXPECT_EQ(listing(lower), listing(upper));
}

} // namespace
} // namespace qm::expr
