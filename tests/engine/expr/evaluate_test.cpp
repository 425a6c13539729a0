// Value: every operator and function with its exact arithmetic, kept quirks and runtime errors;
// the parser's assignment semantics and error reporting.
#include "expr_test_util.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>

namespace qm::expr {
namespace {

constexpr double kPi = std::numbers::pi;

// Either a value (compared within `tolerance`, exactly when 0) or the class of the error Value
// raises.
struct ValueCase {
    const char* formula;
    double value;
    const char* error = nullptr;
    double tolerance = 0.0;
};

std::string evaluate(TParser& parser, const ValueCase& c) {
    parser.setExpression(c.formula);
    try {
        const double v = parser.Value();
        if (c.error != nullptr) return "no error, got " + std::to_string(v);
        if (c.tolerance == 0.0 ? v == c.value : std::fabs(v - c.value) <= c.tolerance) return "";
        return "got " + std::to_string(v);
    } catch (const Exception& e) {
        if (c.error != nullptr && std::string(e.className()) == c.error) return "";
        return std::string("raised ") + e.className();
    }
}

void expectAll(TParser& parser, std::initializer_list<ValueCase> cases) {
    for (const auto& c : cases)
        EXPECT_EQ(evaluate(parser, c), "") << c.formula;
}

TEST(Value, Operators) {
    RandomGenerator random;
    TParser parser(random);
    parser.X() = 1;
    parser.i() = 7;
    expectAll(
        parser,
        {
            {"i*2", 14},
            {"7*5MOD3", 14},
            {"7DIV2", 3},
            {"-7DIV2", -3},
            {"-7MOD2", -1},
            {"7.9MOD2", 1},
            {"X/0", 0, "EZeroDivide"},
            {"0/0", 0, "EInvalidOp"},
            {"7MOD0", 0, "EDivByZero"},
            {"7DIV0.5", 0, "EDivByZero"},
            {"3E9MOD2", 0, "EInvalidOp"},
            {"7MOD3E9", 0, "EInvalidOp"},
            // Worked in 64 bits: no trap for the one quotient outside the 32-bit range.
            {"-2147483648DIV-1", 2147483648.0},
            {"-2147483648MOD-1", 0},
            {"1E200*1E200", 0, "EOverflow"},
            {"-1E308-1E308", 0, "EOverflow"},
            {"2^10", 1024},
            {"X^-1", 1},
            {"4^-1", 0.25},
            {"2^0.5", std::sqrt(2.0), nullptr, 1e-15},
            {"-2^2", -4},
            {"(-2)^3", -8},
            {"(-8)^(1/3)", 0, "EInvalidArgument"},
            {"0^0.5", 0, "EZeroDivide"},
            {"0^-1", 0, "EZeroDivide"},
            {"1E200^2", 0, "EOverflow"},
            {"1E103^3", 0, "EOverflow"},
            {"1E100^3", 1e300, nullptr, 1e286},
            {"1E100^4", 0, "EOverflow"},
            {"3^4", 81},
            {"10^-400", 0},
            {"1E-200^-2", 0, "EOverflow"}, // the product underflows, its reciprocal cannot exist
            {"2^(1/2)*2^(1/2)", 2, nullptr, 1e-15},
        });
}

TEST(Value, OneArgumentFunctions) {
    RandomGenerator random;
    TParser parser(random);
    expectAll(parser, {
                          {"TAN(1)", std::tan(1.0)},
                          {"SIN(1)", std::sin(1.0)},
                          {"COS(1)", std::cos(1.0)},
                          {"SINH(1)", (std::exp(1.0) - std::exp(-1.0)) * 0.5},
                          {"COSH(1)", (std::exp(1.0) + std::exp(-1.0)) * 0.5},
                          {"SINH(800)", 0, "EOverflow"},
                          {"COSH(-800)", 0, "EOverflow"},
                          {"ARCTAN(1)", kPi / 4},
                          {"COTAN(1)", 1 / std::tan(1.0)},
                          {"COTAN(0)", 0, "EZeroDivide"},
                          {"EXP(1)", std::numbers::e},
                          {"EXP(1000)", 0, "EOverflow"},
                          {"EXP(-1000)", 0},
                          {"LN(0)", 0, "EZeroDivide"},
                          {"LN(-1)", 0, "EInvalidOp"},
                          {"LN(1)", 0},
                          {"LOG10(1000)", 3},
                          {"LOG10(0)", 0, "EZeroDivide"},
                          {"LOG2(8)", 3},
                          {"LOG2(-8)", 0, "EInvalidOp"},
                          {"SQR(3)", 9},
                          {"SQR(1E200)", 0, "EOverflow"},
                          {"SQRT(16)", 4},
                          {"SQRT(-1)", 0, "EInvalidOp"},
                          {"ABS(-2)", 2},
                          {"TRUNC(-2.7)", -2},
                          {"INT(2.7)", 2},
                          {"TRUNC(1E300)", 1e300}, // kept as a float, no range limit
                          {"CEIL(2.5)", 3},
                          {"CEIL(-2.5)", -2},
                          {"CEIL(2)", 2},
                          {"FLOOR(-2.5)", -3},
                          {"FLOOR(-2)", -2},
                          {"FLOOR(2.5)", 2},
                          {"HEAV(0)", 1},
                          {"HEAV(-0.5)", 0},
                          {"SIGN(0)", 0},
                          {"SIGN(-3)", -1},
                          {"SIGN(0.1)", 1},
                          {"ZERO(0)", 0},
                          {"ZERO(5)", 1},
                          // PH multiplies by pi/2, not 1/(2 pi): PH(1) = (pi/2 - 2) * 2 pi.
                          {"PH(1)", kPi * kPi - 4 * kPi, nullptr, 1e-13},
                          {"PH(0)", 0},
                          {"PH(1E10)", 0, "EInvalidOp"},
                          // ODD answers 1 for even numbers.
                          {"ODD(2)", 1},
                          {"ODD(4)", 1},
                          {"ODD(3)", 0},
                          {"ODD(-3)", 0},
                          {"ODD(3E9)", 0, "EInvalidOp"},
                          {"PRIME(1)", 1},
                          {"PRIME(2)", 0},
                          {"PRIME(3)", 1},
                          {"PRIME(9)", 0},
                          {"PRIME(15)", 0},
                          {"PRIME(-7)", 1},
                          {"PRIME(7.9)", 1},
                          {"PRIME(2147483647)", 1},
                          {"PRIME(-2147483648)", 0, "EInvalidOp"},
                      });
}

TEST(Value, TwoArgumentFunctions) {
    RandomGenerator random;
    TParser parser(random);
    expectAll(parser,
              {
                  {"MAX(1,2)", 2},
                  {"MAX(2,1)", 2},
                  {"MIN(1,2)", 1},
                  {"MIN(2,1)", 1},
                  {"GAMMA(0,5)", 0},
                  {"GAMMA(1,1)", 0.99992, nullptr, 1e-5},
                  {"GAMMA(0.5,1)", 1.7724535, nullptr, 1e-6},
                  {"GAMMA(3,1)", -2.64, nullptr, 0.01},
                  {"GAMMA(-0.5,1)", -3.5449, nullptr, 0.01},
                  {"GAMMA(1E-10,1E308)", 0}, // the division overflows: 0
                  {"GAMMA(1E100,1)", 0, "EOverflow"},
                  {"&(6,3)", 2},
                  {"\\(6,3)", 7},
                  {"|(6,3)", 4},
                  {"&(2.5,3)", 2}, // Round(2.5) = 2
                  {"&(3.5,7)", 4}, // Round(3.5) = 4
                  {"&(-1,255)", 255},
                  {"&(1E10,1)", 0, "EInvalidOp"},
                  {"POWER(2,0.5)", std::sqrt(2.0), nullptr, 1e-15},
                  {"POWER(-8,2)", 64},
                  {"POWER(-8,0.5)", 0, "EInvalidArgument"},
                  {"POWER(0,0)", 1},
                  {"POWER(0,0.5)", 0, "EZeroDivide"},
                  {"POWER(2,-2)", 0.25},
                  {"POWER(2,3E9)", 0, "EOverflow"},
                  {"POWER(0.5,3E9)", 0},
                  {"POWER(-2,3E9)", 0, "EInvalidArgument"},
                  {"POWER(2,-3E9)", 0, "EInvalidOp"}, // integral and below the limit: Trunc fails
                  {"INTPOWER(2,-2)", 0.25},
                  {"INTPOWER(2,2.9)", 4},
                  {"INTPOWER(-2,3)", -8},
                  {"INTPOWER(3,0)", 1},
                  {"INTPOWER(2,1024)", 0, "EOverflow"},
                  {"INTPOWER(10,-400)", 0},
                  {"INTPOWER(0,-2)", 0, "EZeroDivide"},
                  {"INTPOWER(2,3E9)", 0, "EInvalidOp"},
                  {"LOGN(2,8)", 3},
                  {"LOGN(10,0.001)", -3, nullptr, 1e-15},
                  {"LOGN(1,8)", 0, "EZeroDivide"},
                  {"LOGN(1,1)", 0, "EInvalidOp"},
                  {"LOGN(2,0)", 0, "EZeroDivide"},
                  {"LOGN(-2,0)", 0, "EZeroDivide"}, // log2(y) is taken first
                  {"ARG(1,1)", kPi / 4},
                  {"ARG(-1,0)", kPi},
                  {"ARG(-1,-1)", kPi / 4 + kPi}, // always arctan(y/x) + pi for x < 0
                  {"ARG(0,-1)", -kPi / 2},
                  {"ARG(0,1)", kPi / 2},
                  {"ARG(0,0)", -kPi / 2},
                  {"ARG(1E-300,1E300)", kPi / 2}, // y/x beyond the range is no error
              });
}

TEST(Value, FirstFailingOperationInRunOrderDecidesTheError) {
    RandomGenerator random;
    TParser parser(random);
    expectAll(parser, {
                          {"LN(0)+SQRT(-1)", 0, "EZeroDivide"},
                          {"SQRT(-1)+LN(0)", 0, "EInvalidOp"},
                          // The deeper operation runs first, whatever its side.
                          {"LN(0)+SQRT(SQRT(-1))", 0, "EInvalidOp"},
                          {"1/0*0", 0, "EZeroDivide"},
                      });
}

TEST(Value, RandomFunctionsDrawFromTheGivenGenerator) {
    RandomGenerator random(42);
    TParser parser(random);
    RandomGenerator expected(42);
    parser.setExpression("RANDOM(0)");
    const double first = parser.Value();
    EXPECT_EQ(first, expected.nextReal());
    const double second = parser.Value();
    EXPECT_EQ(second, expected.nextReal());
    EXPECT_NE(first, second);

    // Operations on one level run in slot order: the left call draws first.
    parser.setExpression("RANDOM(0)-RANDOM(1)");
    const double a = expected.nextReal();
    const double b = expected.nextReal();
    EXPECT_EQ(parser.Value(), a - b);
    // A deeper call runs before a shallower one, whatever its side.
    parser.setExpression("RANDOM(0)-2*RANDOM(1)");
    const double deeper = expected.nextReal();
    const double shallower = expected.nextReal();
    EXPECT_EQ(parser.Value(), shallower - 2 * deeper);

    parser.setExpression("RND(10)");
    const double r = parser.Value();
    EXPECT_EQ(r, 10 * expected.nextReal());
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 10.0);

    // GRND draws pairs until they fall inside the unit circle.
    parser.setExpression("GRND(2,100)");
    double u = 0;
    double s = 0;
    do {
        u = 2 * expected.nextReal() - 1;
        const double v = 2 * expected.nextReal() - 1;
        s = v * v + u * u;
    } while (s >= 1);
    EXPECT_EQ(parser.Value(), u * std::sqrt(-2 * std::log(s) / s) * 2 + 100);
    EXPECT_EQ(random.state(), expected.state());
}

TEST(Parser, ExpressionAssignment) {
    RandomGenerator random;
    TParser parser(random);
    EXPECT_EQ(parser.Value(), 0.0); // no program yet
    EXPECT_FALSE(parser.ParserError());
    EXPECT_TRUE(parser.PascalNumberformat());

    parser.i() = 7;
    parser.setExpression("i*2");
    EXPECT_EQ(parser.Value(), 14.0);
    parser.i() = 8; // no recompilation needed
    EXPECT_EQ(parser.Value(), 16.0);
    EXPECT_EQ(parser.Value(), 16.0);

    EXPECT_THROW(parser.setExpression("i*"), ESyntaxError);
    EXPECT_TRUE(parser.ParserError());
    EXPECT_EQ(parser.Expression(), "i*"); // the text stays
    EXPECT_EQ(parser.Value(), 0.0);       // and there is no program

    parser.setExpression(""); // not compiled: the flag keeps its value
    EXPECT_TRUE(parser.ParserError());
    EXPECT_EQ(parser.Value(), 0.0);

    parser.setExpression("i+1"); // variables keep their values across compilations
    EXPECT_FALSE(parser.ParserError());
    EXPECT_EQ(parser.Value(), 9.0);
}

TEST(Parser, OnParserErrorReceivesTheErrorInsteadOfTheCaller) {
    RandomGenerator random;
    TParser parser(random);
    std::string seen;
    parser.OnParserError = [&](TCustomParser& sender, const Exception& e) {
        EXPECT_EQ(&sender, &parser);
        seen = std::string(e.className()) + ": " + e.message();
    };
    EXPECT_NO_THROW(parser.setExpression("X Y"));
    EXPECT_EQ(seen, "EExpressionHasBlanks: Expression has blanks");
    EXPECT_TRUE(parser.ParserError());
    EXPECT_FALSE(parser.hasProgram());
    EXPECT_NO_THROW(parser.setExpression("X^1E10"));
    EXPECT_EQ(seen, "EInvalidOp: Invalid floating point operation");
}

TEST(Parser, AllSeventeenLettersReadTheirCells) {
    RandomGenerator random;
    TParser parser(random);
    // Cell references are taken afresh: a compilation may move the cell array.
    using Property = double& (*)(TParser&);
    const Property properties[] = {
        [](TParser& t) -> double& { return t.A(); },  [](TParser& t) -> double& { return t.B(); },
        [](TParser& t) -> double& { return t.i(); },  [](TParser& t) -> double& { return t.S(); },
        [](TParser& t) -> double& { return t.M(); },  [](TParser& t) -> double& { return t.D(); },
        [](TParser& t) -> double& { return t.J(); },  [](TParser& t) -> double& { return t.K(); },
        [](TParser& t) -> double& { return t.X(); },  [](TParser& t) -> double& { return t.Y(); },
        [](TParser& t) -> double& { return t.T(); },  [](TParser& t) -> double& { return t.q(); },
        [](TParser& t) -> double& { return t.p(); },  [](TParser& t) -> double& { return t.z(); },
        [](TParser& t) -> double& { return t.zj(); }, [](TParser& t) -> double& { return t.r(); },
        [](TParser& t) -> double& { return t.g(); },
    };
    const char* letters = "ABISMDJKXYT?!ZLRG";
    for (int k = 0; k < 17; ++k)
        properties[k](parser) = k + 1;
    for (int k = 0; k < 17; ++k) {
        const std::string formula(1, letters[k]);
        parser.setExpression(formula + "*1");
        EXPECT_EQ(parser.Value(), k + 1) << formula;
        EXPECT_EQ(parser.variable(formula), &properties[k](parser));
    }
    EXPECT_EQ(parser.variable("x"), &parser.X());
    EXPECT_EQ(parser.variable("PI"), nullptr);
}

TEST(Parser, CustomVariablesAndFunctions) {
    RandomGenerator random;
    TParser parser(random);
    parser.X() = 3;
    parser.setExpression("X*2+1");
    const std::int32_t cell = parser.defineVariable("width");
    EXPECT_EQ(parser.defineVariable("WIDTH"), cell); // existing names keep their cell
    EXPECT_EQ(parser.Value(), 7.0);                  // the program moved with the cells
    *parser.variable("Width") = 10;
    parser.setExpression("width/X");
    EXPECT_EQ(parser.Value(), 10.0 / 3.0);

    EXPECT_THROW(parser.defineFunction1("sin", FunctionRoutine{}), EStringListError);
    parser.defineFunction1(
        "twice", FunctionRoutine{[](double x, double, EvalContext&) { return 2 * x; }, nullptr});
    parser.setExpression("TWICE(width)");
    EXPECT_EQ(parser.Value(), 20.0);
}

TEST(Parser, NumberFormatOffUsesTheConversionRoutine) {
    RandomGenerator random;
    TParser parser(random);
    parser.setPascalNumberformat(false);
    parser.setExpression("1.5E3+PI");
    EXPECT_EQ(parser.Value(), 1500 + kPi);
    EXPECT_THROW(parser.setExpression("E5"), ESyntaxError);
}

} // namespace
} // namespace qm::expr
