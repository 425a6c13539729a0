// The arithmetic of the operators, shared by the one-pixel evaluator and the block evaluator so
// that both give the same result and the same error for every input.
#pragma once

#include "engine/core/arith.h"
#include "engine/expr/operation.h"

#include <cmath>
#include <cstdint>
#include <limits>

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

template <class Op> inline double simple(double x, double y, ArithFault& fault) {
    const double r = Op::apply(x, y);
    if (!std::isfinite(r)) [[unlikely]]
        fault = Op::fault(x, y, r);
    return r;
}

template <class Op> inline double simple(double x, double y, EvalContext& ctx) {
    return simple<Op>(x, y, ctx.fault);
}

// MOD and DIV on Trunc of both operands, computed in doubles: a / b of two 32-bit integers is
// never close enough to an integer for the rounding to cross it, so the truncated quotient is
// exact and cheaper than an integer division, and -2147483648 DIV -1 is 2147483648 instead of a
// processor trap. An invalid pixel yields NaN and fault() names its error.
struct IntegerDivision {
    static bool inRange(double v) { return v > -2147483649.0 && v < 2147483648.0; }

    // Sets a, b and the truncated quotient t; false when a fault is due.
    static bool operands(double x, double y, double& a, double& b, double& t) {
        if (!inRange(x) || !inRange(y)) return false;
        a = static_cast<double>(static_cast<std::int32_t>(x));
        b = static_cast<double>(static_cast<std::int32_t>(y));
        if (b == 0.0) return false;
        t = static_cast<double>(static_cast<std::int64_t>(a / b));
        return true;
    }

    static ArithFault fault(double x, double y, double) {
        if (!inRange(x) || !inRange(y)) return ArithFault::InvalidOp;
        return ArithFault::DivByZero;
    }
};

// Trunc(x) mod Trunc(y), the remainder taking the dividend's sign.
struct Mod : IntegerDivision {
    static double apply(double x, double y) {
        double a = 0.0, b = 0.0, t = 0.0;
        const bool ok = operands(x, y, a, b, t);
        return ok ? a - t * b : std::numeric_limits<double>::quiet_NaN();
    }
};

// Trunc(x) div Trunc(y), rounded toward zero.
struct Div : IntegerDivision {
    static double apply(double x, double y) {
        double a = 0.0, b = 0.0, t = 0.0;
        const bool ok = operands(x, y, a, b, t);
        return ok ? t : std::numeric_limits<double>::quiet_NaN();
    }
};

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
