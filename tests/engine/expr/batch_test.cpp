// The block evaluator against Value pixel by pixel, and programs that outlive or are copied
// from their parser.
#include "expr_test_util.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace qm::expr {
namespace {

// Inputs that reach every fault: zeros, negatives, huge, tiny and non-integral values.
const double kPool[] = {0.0,   1.0,    -1.0, 0.5, -0.5,  2.0,   3.0,   -7.0,  16.0, 1e-300,
                        1e300, -1e300, 1e10, 2.5, -2.5,  100.0, 0.25,  710.0, -3e9, 12345.678,
                        7.0,   -0.0,   1e-5, 4.0, 1e200, -16.0, 255.0, 0.75,  30.0, -100.0};
constexpr std::size_t kPoolSize = std::size(kPool);

// Per-pixel lanes for the eleven letters the renderers write; n is more than one block.
struct Pixels {
    static constexpr std::size_t n = 600;
    std::vector<std::vector<double>> lanes;
    BatchInputs inputs;

    Pixels() {
        const VariableCell letters[] = {cellI, cellZ, cellA, cellB, cellX, cellY,
                                        cellM, cellD, cellT, cellQ, cellP};
        for (std::size_t v = 0; v < std::size(letters); ++v) {
            std::vector<double> lane(n);
            for (std::size_t k = 0; k < n; ++k)
                lane[k] = kPool[(k * (2 * v + 1) + v * v + k / kPoolSize) % kPoolSize];
            lanes.push_back(std::move(lane));
            inputs.lanes[static_cast<std::size_t>(letters[v])] = lanes.back().data();
        }
    }
};

// What Value gives for pixel k: the value, and the fault as the batch reports it.
void valueAt(TParser& parser, const BatchInputs& inputs, std::size_t k, double& value,
             std::uint8_t& fault) {
    // The letter of each variable cell, in cell order.
    static const char* const kLetters[] = {"I", "S", "M", "D", "J", "Z", "L", "A", "B",
                                           "X", "Y", "T", "K", "?", "!", "R", "G"};
    for (std::size_t v = 0; v < std::size(kLetters); ++v) {
        if (inputs.lanes[v] != nullptr) *parser.variable(kLetters[v]) = inputs.lanes[v][k];
    }
    try {
        value = parser.Value();
        fault = 0;
    } catch (const EZeroDivide&) {
        fault = static_cast<std::uint8_t>(ArithFault::ZeroDivide);
    } catch (const EInvalidOp&) {
        fault = static_cast<std::uint8_t>(ArithFault::InvalidOp);
    } catch (const EOverflow&) {
        fault = static_cast<std::uint8_t>(ArithFault::Overflow);
    } catch (const EDivByZero&) {
        fault = static_cast<std::uint8_t>(ArithFault::DivByZero);
    } catch (const EInvalidArgument&) {
        fault = static_cast<std::uint8_t>(ArithFault::InvalidArgument);
    }
    if (fault != 0) value = 0.0;
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const char* const kFormulas[] = {
    "i*2",
    "sin(x*10)*cos(y*10)*128+i*2",
    "(imod16)*16+abs(a*b)",
    "X",
    "5",
    "-X",
    "X/Y",
    "X+Y-A*B",
    "LN(X)+SQRT(Y)",
    "X^2+Y^3-A^4",
    "X^-3+Y^5",
    "X^Y",
    "X^0.5",
    "XMODY+ADIVB",
    "COTAN(X)*TAN(Y)",
    "GAMMA(X,Y)",
    "&(X,Y)+\\(A,B)-|(X,B)",
    "PH(X*100)+PRIME(I)+ODD(Z*1E9)",
    "EXP(X*300)",
    "MAX(X,Y)-MIN(A,B)",
    "LOGN(X,Y)+ARG(A,B)",
    "POWER(X,Y)+INTPOWER(A,B*3)",
    "CEIL(X)+FLOOR(Y)+TRUNC(A)+INT(B)+HEAV(X)+SIGN(Y)+ZERO(A)",
    "ARCTAN(Y)+SINH(X)+COSH(Y)+LOG10(ABS(X))+LOG2(ABS(Y))+SQR(X)",
    "1/0+X",
    "2*3+X",
    "S*J+K-L*R/G",
    "I*T+!+?+M*D",
    "(X+Y)*(X-Y)/(A+B)*(A-B)",
};

TEST(Batch, AgreesWithValueOnEveryPixel) {
    RandomGenerator random;
    TParser parser(random);
    parser.S() = 2;
    parser.J() = 3;
    parser.K() = -1;
    parser.zj() = 0.5;
    parser.r() = 4;
    parser.g() = 8;
    Pixels pixels;
    std::vector<double> values(Pixels::n);
    std::vector<std::uint8_t> faults(Pixels::n);
    for (const char* formula : kFormulas) {
        parser.setExpression(formula);
        parser.evaluateBatch(pixels.inputs, Pixels::n, values.data(), faults.data());
        for (std::size_t k = 0; k < Pixels::n; ++k) {
            double expected = 0;
            std::uint8_t fault = 0;
            valueAt(parser, pixels.inputs, k, expected, fault);
            ASSERT_EQ(faults[k], fault) << formula << " pixel " << k;
            ASSERT_TRUE(sameBits(values[k], expected))
                << formula << " pixel " << k << ": " << values[k] << " vs " << expected;
        }
        // A second run over the same block gives the same (result lanes are overwritten).
        std::vector<double> again(Pixels::n);
        std::vector<std::uint8_t> againFaults(Pixels::n);
        parser.evaluateBatch(pixels.inputs, Pixels::n, again.data(), againFaults.data());
        EXPECT_EQ(std::memcmp(again.data(), values.data(), Pixels::n * sizeof(double)), 0);
        EXPECT_EQ(againFaults, faults) << formula;
    }
}

TEST(Batch, RandomProgramsDrawInTheOrderValueWould) {
    Pixels pixels;
    for (const char* formula : {"RANDOM(X)+RND(Y*10)", "GRND(X,Y)*LN(A)", "RANDOM(0)/X"}) {
        RandomGenerator first(7);
        RandomGenerator second(7);
        TParser byValue(first);
        byValue.setExpression(formula);
        TParser byBlock = byValue;
        byBlock.setRandomGenerator(second);
        std::vector<double> values(Pixels::n);
        std::vector<std::uint8_t> faults(Pixels::n);
        byBlock.evaluateBatch(pixels.inputs, Pixels::n, values.data(), faults.data());
        for (std::size_t k = 0; k < Pixels::n; ++k) {
            double expected = 0;
            std::uint8_t fault = 0;
            valueAt(byValue, pixels.inputs, k, expected, fault);
            ASSERT_EQ(faults[k], fault) << formula << " pixel " << k;
            ASSERT_TRUE(sameBits(values[k], expected)) << formula << " pixel " << k;
        }
        EXPECT_EQ(first.state(), second.state());
    }
}

TEST(Batch, LettersWithoutLanesReadTheCellsWhichStayUnchanged) {
    RandomGenerator random;
    TParser parser(random);
    parser.X() = 10;
    parser.Y() = 5;
    const double xs[3] = {1, 2, 3};
    BatchInputs inputs;
    inputs.lanes[cellX] = xs;
    double values[3];
    std::uint8_t faults[3];
    for (const char* formula : {"X*Y", "RANDOM(0)*0+X*Y"}) {
        parser.setExpression(formula);
        parser.evaluateBatch(inputs, 3, values, faults);
        EXPECT_EQ(values[0], 5);
        EXPECT_EQ(values[2], 15);
        EXPECT_EQ(parser.X(), 10) << formula;
    }
    parser.setExpression("");
    values[0] = 99;
    faults[0] = 9;
    parser.evaluateBatch(inputs, 1, values, faults);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(faults[0], 0);
}

TEST(Batch, ProgramsSurviveCopiesAndTheOriginalsDestruction) {
    RandomGenerator random;
    auto original = std::make_unique<TParser>(random);
    original->X() = 2;
    original->A() = 0.5;
    original->setExpression("X*Y+SIN(A)/3");
    original->Y() = 4;
    const double expected = original->Value();
    TParser copy = *original;
    TParser assigned(random);
    assigned = *original;
    original.reset();
    EXPECT_EQ(copy.Value(), expected);
    EXPECT_EQ(copy.Value(), expected); // first and later evaluation agree
    EXPECT_EQ(assigned.Value(), expected);
    copy.Y() = 5; // copies have their own cells
    EXPECT_NE(copy.Value(), assigned.Value());
    Pixels pixels;
    std::vector<double> a(Pixels::n), b(Pixels::n);
    std::vector<std::uint8_t> fa(Pixels::n), fb(Pixels::n);
    copy.evaluateBatch(pixels.inputs, Pixels::n, a.data(), fa.data());
    assigned.evaluateBatch(pixels.inputs, Pixels::n, b.data(), fb.data());
    EXPECT_EQ(a, b);
    EXPECT_EQ(fa, fb);
}

} // namespace
} // namespace qm::expr
