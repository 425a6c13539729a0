// Number text, integer conversions, arithmetic fault rules and the random generator.
#include "engine/core/arith.h"
#include "engine/core/errors.h"
#include "engine/core/number_text.h"
#include "engine/core/random.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(NumberText, FormatsWithFifteenSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {14, "14"},          {0.25, "0.25"},        {0.0001, "0.0001"},    {0.00001, "1E-5"},
        {1.5e20, "1.5E20"},  {0.0000123, "1.23E-5"}, {128, "128"},          {0, "0"},
        {-0.0, "0"},         {-3, "-3"},            {1e15, "1E15"},        {999999999999999, "999999999999999"},
        {0.1 + 0.2, "0.3"},  {1.0 / 3.0, "0.333333333333333"},              {-2.5, "-2.5"},
        {123456.789, "123456.789"}, {1e-300, "1E-300"}, {2.5e-7, "2.5E-7"}, {1e100, "1E100"},
        {3.14159265358979, "3.14159265358979"}, {100, "100"}, {1234567890123456789.0, "1.23456789012346E18"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qm::formatNumber(c.value), c.text) << c.value;
}

TEST(NumberText, RoundingToFifteenDigitsCanCarryIntoScientific) {
    EXPECT_EQ(qm::formatNumber(999999999999999.9), "1E15");
    EXPECT_EQ(qm::formatNumber(0.000099999999999999999), "0.0001");
}

TEST(NumberText, ParsesFloatsLikeTheRuntime) {
    EXPECT_EQ(qm::parseFloat(" -2.5 "), -2.5);
    EXPECT_EQ(qm::parseFloat("1e3"), 1000.0);
    EXPECT_EQ(qm::parseFloat("1.E5"), 1e5);
    EXPECT_EQ(qm::parseFloat(".5"), 0.5);
    EXPECT_EQ(qm::parseFloat("+7"), 7.0);
    for (const char* bad : {"", ".", "1e", "1e+", "abc", "1,5", "1.5x", "--1", "inf", "nan", "1e999"}) {
        EXPECT_FALSE(qm::tryParseFloat(bad).has_value()) << bad;
    }
    try {
        qm::parseFloat("x1");
        FAIL();
    } catch (const qm::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x1' is not a valid floating point value");
        EXPECT_STREQ(e.className(), "EConvertError");
    }
}

TEST(NumberText, ParsesIntegers) {
    EXPECT_EQ(qm::parseInteger("42"), 42);
    EXPECT_EQ(qm::parseInteger(" -7"), -7);
    EXPECT_EQ(qm::parseInteger("$FF"), 255);
    EXPECT_EQ(qm::parseInteger("-2147483648"), std::numeric_limits<std::int32_t>::min());
    for (const char* bad : {"", " ", "2147483648", "1.5", "12a", "-"})
        EXPECT_FALSE(qm::tryParseInteger(bad).has_value()) << bad;
    try {
        qm::parseInteger("x");
        FAIL();
    } catch (const qm::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
}

TEST(Arith, TruncAndRoundUseThirtyTwoBitRangeAndEvenHalves) {
    EXPECT_EQ(qm::Trunc(-2.7), -2);
    EXPECT_EQ(qm::Trunc(2147483647.9), 2147483647);
    EXPECT_EQ(qm::Trunc(-2147483648.9), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(qm::Trunc(2147483648.0), qm::EInvalidOp);
    EXPECT_THROW(qm::Trunc(std::nan("")), qm::EInvalidOp);
    EXPECT_EQ(qm::Round(2.5), 2);
    EXPECT_EQ(qm::Round(3.5), 4);
    EXPECT_EQ(qm::Round(-2.5), -2);
    EXPECT_EQ(qm::Round(-0.5), 0);
    EXPECT_EQ(qm::Round(2147483647.4), 2147483647);
    EXPECT_THROW(qm::Round(2147483647.5), qm::EInvalidOp);
    EXPECT_EQ(qm::Round(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(qm::Round(-2147483648.6), qm::EInvalidOp);
    EXPECT_THROW(qm::Round(std::nan("")), qm::EInvalidOp);
    for (double v = -40.0; v <= 40.0; v += 0.125)
        EXPECT_EQ(qm::Round(v), static_cast<std::int32_t>(std::nearbyint(v))) << v;
}

TEST(Arith, FaultsMapToTheRuntimeTexts) {
    EXPECT_EQ(qm::divideFault(1, 0), qm::ArithFault::ZeroDivide);
    EXPECT_EQ(qm::divideFault(0, 0), qm::ArithFault::InvalidOp);
    EXPECT_EQ(qm::divideFault(1, 2), qm::ArithFault::None);
    EXPECT_EQ(qm::resultFault(std::numeric_limits<double>::infinity()), qm::ArithFault::Overflow);
    EXPECT_EQ(qm::resultFault(std::nan("")), qm::ArithFault::InvalidOp);
    struct Case {
        qm::ArithFault fault;
        const char* cls;
        const char* text;
    };
    const Case cases[] = {
        {qm::ArithFault::ZeroDivide, "EZeroDivide", "Floating point division by zero"},
        {qm::ArithFault::InvalidOp, "EInvalidOp", "Invalid floating point operation"},
        {qm::ArithFault::Overflow, "EOverflow", "Floating point overflow"},
        {qm::ArithFault::DivByZero, "EDivByZero", "Division by zero"},
        {qm::ArithFault::InvalidArgument, "EInvalidArgument", ""},
    };
    for (const auto& c : cases) {
        try {
            qm::raiseFault(c.fault);
            FAIL() << c.cls;
        } catch (const qm::EExternal& e) {
            EXPECT_STREQ(e.className(), c.cls);
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    EXPECT_NO_THROW(qm::raiseFault(qm::ArithFault::None));
}

TEST(Random, StepAndDrawsFollowTheSequence) {
    qm::RandomGenerator r;
    EXPECT_EQ(r.nextReal(), 1.0 / 4294967296.0);
    r.seed(0);
    EXPECT_EQ(r.nextInt(256), 0u);
    r.seed(1);
    EXPECT_EQ(r.step(), 134775814u);
    r.seed(0xFFFFFFFFu);
    EXPECT_EQ(r.step(), 0xFFFFFFFFu * 134775813u + 1u);
    qm::RandomGenerator s(12345);
    for (int k = 0; k < 1000; ++k) {
        const double v = s.nextReal();
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
        ASSERT_LT(s.nextInt(7), 7u);
    }
    EXPECT_LT(qm::RandomGenerator::clockSeed(), 86400000u);
}

TEST(Errors, FormatMessageFillsPlaceholdersInOrder) {
    EXPECT_EQ(qm::formatMessage("a %s b %s", {"1", "2"}), "a 1 b 2");
    EXPECT_EQ(qm::formatMessage("Item_%d", {"3"}), "Item_3");
    EXPECT_EQ(qm::formatMessage("100%", {}), "100%");
}

} // namespace

namespace {

TEST(NumberText, OutOfRangeInputsUnderflowToZeroOrFail) {
    EXPECT_EQ(qm::parseFloat("1e-400"), 0.0);
    EXPECT_EQ(qm::parseFloat("0.00000000001e-350"), 0.0);
    EXPECT_FALSE(qm::tryParseFloat("123456e400").has_value());
    EXPECT_EQ(qm::parseFloat("0.001e310"), 1e307);
}

TEST(NumberText, DecimalDigitsRoundTheBinaryValue) {
    const auto d = qm::toDecimalDigits(-0.000123456, 4);
    EXPECT_TRUE(d.negative);
    EXPECT_EQ(d.digits, "1235");
    EXPECT_EQ(d.exponent, -4);
    EXPECT_EQ(qm::toDecimalDigits(9.9999, 2).digits, "10");
    EXPECT_EQ(qm::toDecimalDigits(9.9999, 2).exponent, 1);
}

} // namespace
