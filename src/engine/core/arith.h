// The runtime's arithmetic rules in one place: which non-finite result is which error, and the
// 32-bit Trunc and Round conversions.
#pragma once

#include <cmath>
#include <cstdint>

namespace qm {

// An arithmetic error as a value, so hot loops can mark a pixel instead of throwing.
enum class ArithFault : std::uint8_t {
    None,
    ZeroDivide,
    InvalidOp,
    Overflow,
    DivByZero,
    InvalidArgument
};

// Throws the exception class that corresponds to the fault (None throws nothing).
void raiseFault(ArithFault fault);

// The rule for every operation on finite operands: a NaN result is an invalid operation, an
// infinite one an overflow. (Division by zero is decided before dividing, see divideFault.)
inline ArithFault resultFault(double r) {
    if (std::isfinite(r)) return ArithFault::None;
    return std::isnan(r) ? ArithFault::InvalidOp : ArithFault::Overflow;
}

// x / y: 0/0 is an invalid operation, x/0 a floating-point division by zero.
inline ArithFault divideFault(double x, double y) {
    if (y != 0.0) return ArithFault::None;
    return (x == 0.0 || std::isnan(x)) ? ArithFault::InvalidOp : ArithFault::ZeroDivide;
}

// Toward zero to a signed 32-bit integer; false when the value does not fit (or is NaN).
inline bool tryTrunc(double v, std::int32_t& out) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

// To the nearest signed 32-bit integer, halves to the even neighbour; false when out of range.
inline bool tryRound(double v, std::int32_t& out) {
    if (!(v > -2147483649.0 && v < 2147483649.0)) return false; // NaN included
    // Adding and taking away 1.5 * 2^52 leaves v rounded as the default rounding mode rounds
    // (halves to even), without a library call; exact for |v| < 2^51.
    constexpr double kShift = 6755399441055744.0;
    const double r = (v + kShift) - kShift;
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
    out = static_cast<std::int32_t>(r);
    return true;
}

// Throwing forms: EInvalidOp outside the 32-bit range.
std::int32_t Trunc(double v);
std::int32_t Round(double v);

} // namespace qm
