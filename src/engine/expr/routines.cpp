// Routines of the operators and of the colour language's functions, each with its block form.
#include "engine/expr/routines.h"

#include "engine/expr/block_kernels.h"
#include "engine/expr/kernels.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace qm::expr {
namespace {

constexpr double kPi = std::numbers::pi;

inline double checked(double r, EvalContext& ctx) {
    if (!std::isfinite(r)) [[unlikely]]
        ctx.fault = resultFault(r);
    return r;
}

inline double fail(ArithFault fault, EvalContext& ctx) {
    ctx.fault = fault;
    return 0.0;
}

// Logarithms: a zero argument is a division by zero, a negative one an invalid operation.
template <double (*Log)(double)> inline double logarithm(double x, EvalContext& ctx) {
    if (x == 0.0) return fail(ArithFault::ZeroDivide, ctx);
    return checked(Log(x), ctx);
}

double logE(double x) {
    return std::log(x);
}
double log10Of(double x) {
    return std::log10(x);
}
double log2Of(double x) {
    return std::log2(x);
}

template <TOperationProc Proc> constexpr FunctionRoutine routine() {
    return FunctionRoutine{Proc, &lanes<Proc>};
}

// Drawing routines have no block form (see FunctionRoutine).
template <TOperationProc Proc> constexpr FunctionRoutine drawingRoutine() {
    return FunctionRoutine{Proc, nullptr};
}

double nothing(double, double, EvalContext&) {
    return 0.0;
}

template <class Op> double simpleProc(double x, double y, EvalContext& ctx) {
    return kernels::simple<Op>(x, y, ctx);
}

// Routines that are one branch-free step: their block form vectorises.
template <class Op> constexpr FunctionRoutine fastRoutine() {
    return FunctionRoutine{&simpleProc<Op>, &fastLanes<Op>};
}

// The fault rule of every step below: a result that is not finite.
struct FiniteResult {
    static ArithFault fault(double, double, double r) { return resultFault(r); }
};

// ---- functions that are one branch-free step

struct Sqr : FiniteResult {
    static double apply(double x, double) { return x * x; }
};
struct Abs : FiniteResult {
    static double apply(double x, double) { return std::fabs(x); }
};
// HEAV(0) is 1.
struct Heav : FiniteResult {
    static double apply(double x, double) { return x >= 0.0 ? 1.0 : 0.0; }
};
struct Sign : FiniteResult {
    static double apply(double x, double) { return x < 0.0 ? -1.0 : (x == 0.0 ? 0.0 : 1.0); }
};
struct Zero : FiniteResult {
    static double apply(double x, double) { return x == 0.0 ? 0.0 : 1.0; }
};
struct Max : FiniteResult {
    static double apply(double x, double y) { return x >= y ? x : y; }
};
struct Min : FiniteResult {
    static double apply(double x, double y) { return x >= y ? y : x; }
};

// ---- one-argument functions

double fnTan(double x, double, EvalContext& ctx) {
    return checked(std::tan(x), ctx);
}
double fnSin(double x, double, EvalContext& ctx) {
    return checked(std::sin(x), ctx);
}
double fnCos(double x, double, EvalContext& ctx) {
    return checked(std::cos(x), ctx);
}

double fnSinh(double x, double, EvalContext& ctx) {
    const double a = checked(std::exp(x), ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    const double b = checked(std::exp(-x), ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    return checked((a - b) * 0.5, ctx);
}

double fnCosh(double x, double, EvalContext& ctx) {
    const double a = checked(std::exp(x), ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    const double b = checked(std::exp(-x), ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    return checked((a + b) * 0.5, ctx);
}

double fnArctan(double x, double, EvalContext& ctx) {
    return checked(std::atan(x), ctx);
}

double fnCotan(double x, double, EvalContext& ctx) {
    const double t = std::tan(x);
    if (t == 0.0) return fail(divideFault(1.0, t), ctx);
    return checked(1.0 / t, ctx);
}

double fnExp(double x, double, EvalContext& ctx) {
    return checked(std::exp(x), ctx);
}
double fnLn(double x, double, EvalContext& ctx) {
    return logarithm<logE>(x, ctx);
}
double fnLog10(double x, double, EvalContext& ctx) {
    return logarithm<log10Of>(x, ctx);
}
double fnLog2(double x, double, EvalContext& ctx) {
    return logarithm<log2Of>(x, ctx);
}
double fnSqrt(double x, double, EvalContext& ctx) {
    return checked(std::sqrt(x), ctx);
}
// TRUNC and INT: rounded toward zero, kept as a float (no range limit).
double fnInt(double x, double, EvalContext& ctx) {
    return checked(std::trunc(x), ctx);
}

double fnCeil(double x, double, EvalContext& ctx) {
    const double whole = std::trunc(x);
    return checked(x - whole > 0.0 ? std::trunc(x + 1.0) : whole, ctx);
}

double fnFloor(double x, double, EvalContext& ctx) {
    const double whole = std::trunc(x);
    return checked(x - whole >= 0.0 ? whole : std::trunc(x - 1.0), ctx);
}

// u := x*pi/2 as a double, then (u - Round(u)) * 2pi. x * (pi/2) equals (x*pi)/2 bit for bit
// but cannot overflow in the middle.
double fnPh(double x, double, EvalContext& ctx) {
    const double u = checked(x * (kPi / 2.0), ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    std::int32_t k = 0;
    if (!tryRound(u, k)) return fail(ArithFault::InvalidOp, ctx);
    return checked((u - static_cast<double>(k)) * (2.0 * kPi), ctx);
}

double fnRnd(double x, double, EvalContext& ctx) {
    return checked(std::trunc(x) * ctx.random->nextReal(), ctx);
}

// The argument has been evaluated (it is an earlier step) and is ignored.
double fnRandom(double, double, EvalContext& ctx) {
    return ctx.random->nextReal();
}

// 1 for an even number, 0 for an odd one.
double fnOdd(double x, double, EvalContext& ctx) {
    std::int32_t n = 0;
    if (!tryTrunc(x, n)) return fail(ArithFault::InvalidOp, ctx);
    return n % 2 == 0 ? 1.0 : 0.0;
}

// Even numbers are never prime here (PRIME(2) = 0); odd ones are tried with odd divisors up to
// Trunc(sqrt(n)).
double fnPrime(double x, double, EvalContext& ctx) {
    std::int32_t n = 0;
    if (!tryTrunc(std::fabs(x), n)) return fail(ArithFault::InvalidOp, ctx);
    if (n % 2 == 0) return 0.0;
    const auto limit = static_cast<std::int32_t>(std::sqrt(static_cast<double>(n)));
    for (std::int32_t d = 3; d <= limit; d += 2) {
        if (n % d == 0) return 0.0;
    }
    return 1.0;
}

// ---- two-argument functions

// y * Gamma(x) through a truncated series of 1/Gamma, every step rounded to a double. An error
// of the final division gives 0; an overflow of the series itself is raised.
double fnGamma(double x, double y, EvalContext& ctx) {
    if (x == 0.0) return 0.0;
    double w = x;
    double s = 0.0;
    if (x > 0.0) {
        s = -0.00119394505138151 * w + 0.00722059947803691;
        s = s * w - 0.009622023360406271;
        s = s * w - 0.042197733607059154;
        s = s * w + 0.1665386113720805;
        s = s * w - 0.04200263503403344;
        s = s * w - 0.655878071520254;
        s = s * w + 0.5772156649015329;
        s = s * w + 1.0;
    } else {
        w = -x;
        s = 0.0011333741672438944 * w + 0.00722083726189317;
        s = s * w + 0.009621911155035977;
        s = s * w - 0.04219773343731192;
        s = s * w - 0.16653861139444134;
        s = s * w - 0.04200263503402113;
        s = s * w + 0.6558780715202537;
        s = s * w + 0.5772156649015329;
        s = s * w - 1.0;
    }
    if (!std::isfinite(s)) return fail(resultFault(s), ctx);
    const double d = w * s;
    if (d == 0.0) return 0.0;
    const double r = y / d;
    return std::isfinite(r) ? r : 0.0;
}

// The bitwise functions "&", "\" and "|" on Round of both arguments.
template <int Kind> double bitwise(double x, double y, EvalContext& ctx) {
    std::int32_t a = 0, b = 0;
    if (!tryRound(x, a) || !tryRound(y, b)) return fail(ArithFault::InvalidOp, ctx);
    if constexpr (Kind == 0) return static_cast<double>(a & b);
    if constexpr (Kind == 1) return static_cast<double>(a | b);
    return static_cast<double>(a & ~b);
}

// Normal distribution by the polar method: standard deviation x, mean y.
double fnGrnd(double x, double y, EvalContext& ctx) {
    double u = 0.0;
    double s = 0.0;
    do {
        u = 2.0 * ctx.random->nextReal() - 1.0;
        const double v = 2.0 * ctx.random->nextReal() - 1.0;
        s = v * v + u * u;
    } while (s >= 1.0);
    const double l = logarithm<logE>(s, ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    return checked(u * std::sqrt(-2.0 * l / s) * x + y, ctx);
}

double fnPower(double x, double y, EvalContext& ctx) {
    return kernels::power(x, y, ctx);
}
double fnIntPower(double x, double y, EvalContext& ctx) {
    return kernels::intPower(x, y, ctx);
}

// Logarithm of y to base x: log2(y) / log2(x).
double fnLogN(double x, double y, EvalContext& ctx) {
    const double a = logarithm<log2Of>(y, ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    const double b = logarithm<log2Of>(x, ctx);
    if (ctx.fault != ArithFault::None) return 0.0;
    if (b == 0.0) return fail(divideFault(a, b), ctx);
    return checked(a / b, ctx);
}

// Angle of the point (x, y). y / x may exceed the double range for a tiny x; arctan of the
// resulting infinity is the right limit, so that is no error.
double fnArg(double x, double y, EvalContext& ctx) {
    if (x == 0.0) return y > 0.0 ? kPi / 2.0 : -kPi / 2.0;
    const double a = std::atan(y / x);
    return checked(x < 0.0 ? a + kPi : a, ctx);
}

constexpr NamedFunction kFunctions1[] = {
    {"TAN", routine<fnTan>()},        {"SIN", routine<fnSin>()},
    {"COS", routine<fnCos>()},        {"SINH", routine<fnSinh>()},
    {"COSH", routine<fnCosh>()},      {"ARCTAN", routine<fnArctan>()},
    {"COTAN", routine<fnCotan>()},    {"EXP", routine<fnExp>()},
    {"LN", routine<fnLn>()},          {"LOG10", routine<fnLog10>()},
    {"LOG2", routine<fnLog2>()},      {"SQR", fastRoutine<Sqr>()},
    {"SQRT", routine<fnSqrt>()},      {"ABS", fastRoutine<Abs>()},
    {"TRUNC", routine<fnInt>()},      {"INT", routine<fnInt>()},
    {"CEIL", routine<fnCeil>()},      {"FLOOR", routine<fnFloor>()},
    {"HEAV", fastRoutine<Heav>()},    {"SIGN", fastRoutine<Sign>()},
    {"ZERO", fastRoutine<Zero>()},    {"PH", routine<fnPh>()},
    {"RND", drawingRoutine<fnRnd>()}, {"RANDOM", drawingRoutine<fnRandom>()},
    {"ODD", routine<fnOdd>()},        {"PRIME", routine<fnPrime>()},
};

constexpr NamedFunction kFunctions2[] = {
    {"MAX", fastRoutine<Max>()},         {"MIN", fastRoutine<Min>()},
    {"GAMMA", routine<fnGamma>()},       {"&", routine<bitwise<0>>()},
    {"\\", routine<bitwise<1>>()},       {"|", routine<bitwise<2>>()},
    {"GRND", drawingRoutine<fnGrnd>()},  {"POWER", routine<fnPower>()},
    {"INTPOWER", routine<fnIntPower>()}, {"LOGN", routine<fnLogN>()},
    {"ARG", routine<fnArg>()},
};

} // namespace

FunctionRoutine operatorRoutine(TOpCode code) {
    switch (code) {
    case TOpCode::opVariable:
    case TOpCode::opConstant:
        return routine<nothing>();
    case TOpCode::opNegate:
        return fastRoutine<kernels::Negate>();
    case TOpCode::opAdd:
        return fastRoutine<kernels::Add>();
    case TOpCode::opSubtract:
        return fastRoutine<kernels::Subtract>();
    case TOpCode::opMultiply:
        return fastRoutine<kernels::Multiply>();
    case TOpCode::opDivide:
        return fastRoutine<kernels::Divide>();
    case TOpCode::opMod:
        return fastRoutine<kernels::Mod>();
    case TOpCode::opDiv:
        return fastRoutine<kernels::Div>();
    case TOpCode::opIntPower:
        return routine<kernels::intPower>();
    case TOpCode::opPower:
        return routine<kernels::power>();
    case TOpCode::opSquare:
        return fastRoutine<kernels::Square>();
    case TOpCode::opCube:
        return fastRoutine<kernels::Cube>();
    case TOpCode::opFourth:
        return fastRoutine<kernels::Fourth>();
    case TOpCode::opFunc1:
    case TOpCode::opFunc2:
        break;
    }
    return FunctionRoutine{};
}

std::span<const NamedFunction> colourFunctions1() {
    return kFunctions1;
}
std::span<const NamedFunction> colourFunctions2() {
    return kFunctions2;
}

const char* opCodeName(TOpCode code) {
    static constexpr const char* kNames[] = {
        "opVariable", "opConstant", "opNegate", "opAdd",      "opSubtract", "opMultiply",
        "opDivide",   "opMod",      "opDiv",    "opIntPower", "opPower",    "opSquare",
        "opCube",     "opFourth",   "opFunc1",  "opFunc2",
    };
    const auto index = static_cast<std::size_t>(code);
    return index < std::size(kNames) ? kNames[index] : "opUnknown";
}

} // namespace qm::expr
