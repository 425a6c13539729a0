// Feeds arbitrary text to the formula compiler and evaluates what compiles: every failure must be
// a compile error or a runtime arithmetic error, and the block evaluator must agree with Value.
#include "engine/expr/parser.h"
#include "engine/expr/parser_errors.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Values that reach the faults: zero, negatives, non-integers, huge and tiny magnitudes.
constexpr std::array<double, 8> kValues = {0.0, 1.0, -2.5, 7.0, 1e300, -1e-300, 3e9, 0.5};

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qm::expr;
    const std::string text(reinterpret_cast<const char*>(data), size);
    qm::RandomGenerator random(42);
    TParser parser(random);
    try {
        parser.setExpression(text);
    } catch (const EMathParserError&) {
        return 0;
    } catch (const qm::EMathError&) {
        return 0; // an exponent or number literal outside the ranges
    }
    if (!parser.hasProgram()) return 0;

    // Every letter gets a lane; pixel k takes the values in a different rotation per letter.
    constexpr std::size_t n = kValues.size();
    std::array<std::array<double, n>, kVariableCellCount> lanes{};
    BatchInputs inputs;
    for (std::size_t v = 0; v < kVariableCellCount; ++v) {
        for (std::size_t k = 0; k < n; ++k)
            lanes[v][k] = kValues[(k + v) % n];
        inputs.lanes[v] = lanes[v].data();
    }
    qm::RandomGenerator blockRandom(42);
    TParser block = parser;
    block.setRandomGenerator(blockRandom);
    std::array<double, n> values{};
    std::array<std::uint8_t, n> faults{};
    block.evaluateBatch(inputs, n, values.data(), faults.data());

    static const char* const kLetters[] = {"I", "S", "M", "D", "J", "Z", "L", "A", "B",
                                           "X", "Y", "T", "K", "?", "!", "R", "G"};
    // Value pixel by pixel; its generator was seeded like the block's, so random programs
    // must draw the same numbers in the same order.
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t v = 0; v < kVariableCellCount; ++v)
            *parser.variable(kLetters[v]) = lanes[v][k];
        double value = 0.0;
        qm::ArithFault fault = qm::ArithFault::None;
        try {
            value = parser.Value();
        } catch (const qm::EZeroDivide&) {
            fault = qm::ArithFault::ZeroDivide;
        } catch (const qm::EInvalidOp&) {
            fault = qm::ArithFault::InvalidOp;
        } catch (const qm::EOverflow&) {
            fault = qm::ArithFault::Overflow;
        } catch (const qm::EDivByZero&) {
            fault = qm::ArithFault::DivByZero;
        } catch (const qm::EInvalidArgument&) {
            fault = qm::ArithFault::InvalidArgument;
        }
        if (faults[k] != static_cast<std::uint8_t>(fault)) std::abort();
        if (!sameBits(values[k], fault == qm::ArithFault::None ? value : 0.0)) std::abort();
    }
    return 0;
}
