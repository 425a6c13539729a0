// The arithmetic of the operators, shared by the one-pixel evaluator and the block evaluator so
// that both give the same result and the same error for every input.
#pragma once

#include "engine/core/arith.h"
#include "engine/expr/operation.h"

#include <cmath>
#include <cstdint>

namespace qm::expr::kernels {

// Operators that are one or a few IEEE operations. apply() is free of branches so block loops
// vectorise; fault() names the error of a lane whose result is not finite.
struct Negate {
    static double apply(double x, double) { return -x; }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};
struct Add {
    static double apply(double x, double y) { return x + y; }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};
struct Subtract {
    static double apply(double x, double y) { return x - y; }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};
struct Multiply {
    static double apply(double x, double y) { return x * y; }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};
// x / 0 is never finite, so a zero divisor always reaches fault(), which decides it first.
struct Divide {
    static double apply(double x, double y) { return x / y; }
    static ArithFault fault(double x, double y, double r) {
        return y == 0.0 ? divideFault(x, y) : resultFault(r);
    }
};
struct Square {
    static double apply(double x, double) { return x * x; }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};
struct Cube {
    static double apply(double x, double) { return x * x * x; }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};
struct Fourth {
    static double apply(double x, double) { return (x * x) * (x * x); }
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};

template <class Op> inline double simple(double x, double y, EvalContext& ctx) {
    const double r = Op::apply(x, y);
    if (!std::isfinite(r)) [[unlikely]]
        ctx.fault = Op::fault(x, y, r);
    return r;
}

// Trunc(x) mod Trunc(y), the remainder taking the dividend's sign. Worked in 64 bits so that
// -2147483648 MOD -1 is 0 instead of a processor trap.
inline double mod(double x, double y, EvalContext& ctx) {
    std::int32_t a = 0, b = 0;
    if (!tryTrunc(x, a) || !tryTrunc(y, b)) {
        ctx.fault = ArithFault::InvalidOp;
        return 0.0;
    }
    if (b == 0) {
        ctx.fault = ArithFault::DivByZero;
        return 0.0;
    }
    return static_cast<double>(std::int64_t{a} % b);
}

// Trunc(x) div Trunc(y), rounded toward zero; 64 bits for the same reason as mod.
inline double div(double x, double y, EvalContext& ctx) {
    std::int32_t a = 0, b = 0;
    if (!tryTrunc(x, a) || !tryTrunc(y, b)) {
        ctx.fault = ArithFault::InvalidOp;
        return 0.0;
    }
    if (b == 0) {
        ctx.fault = ArithFault::DivByZero;
        return 0.0;
    }
    return static_cast<double>(std::int64_t{a} / b);
}

// x to the integer power k by square-and-multiply from the lowest bit; a negative k takes the
// reciprocal of the product. A product that underflowed to zero stands for one too small for
// the double range, so its reciprocal overflows (only x = 0 is a division by zero).
inline double intPowerOf(double x, std::int32_t k, EvalContext& ctx) {
    if (k == 0) return 1.0;
    std::uint32_t e = k < 0 ? 0u - static_cast<std::uint32_t>(k) : static_cast<std::uint32_t>(k);
    double product = 1.0;
    double base = x;
    for (;;) {
        if ((e & 1u) != 0) product *= base;
        e >>= 1;
        if (e == 0) break;
        base *= base;
    }
    if (k > 0) {
        if (!std::isfinite(product)) ctx.fault = resultFault(product);
        return product;
    }
    if (product == 0.0) {
        ctx.fault = x == 0.0 ? ArithFault::ZeroDivide : ArithFault::Overflow;
        return 0.0;
    }
    const double r = 1.0 / product;
    if (!std::isfinite(r)) ctx.fault = resultFault(r);
    return r;
}

// INTPOWER(x, y) = x ^ Trunc(y).
inline double intPower(double x, double y, EvalContext& ctx) {
    std::int32_t k = 0;
    if (!tryTrunc(y, k)) {
        ctx.fault = ArithFault::InvalidOp;
        return 0.0;
    }
    return intPowerOf(x, k, ctx);
}

// POWER(x, y): integral exponents below 2147483647 go through intPower; otherwise a negative
// base is an invalid argument and e^(y ln x) is used (ln 0 is a division by zero).
inline double power(double x, double y, EvalContext& ctx) {
    if (y == 0.0) return 1.0;
    if (y - std::trunc(y) == 0.0 && y < 2147483647.0) return intPower(x, y, ctx);
    if (x < 0.0) {
        ctx.fault = ArithFault::InvalidArgument;
        return 0.0;
    }
    if (x == 0.0) {
        ctx.fault = ArithFault::ZeroDivide;
        return 0.0;
    }
    const double r = std::exp(y * std::log(x));
    if (!std::isfinite(r)) ctx.fault = resultFault(r);
    return r;
}

} // namespace qm::expr::kernels
