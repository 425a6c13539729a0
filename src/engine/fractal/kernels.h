// The iteration kernels of the catalogue: one plane point in, the kernel's result out.
//
// Arithmetic that overflows never aborts anything. The rule, the same for every kernel: when a
// step yields a z whose real or imaginary part is not finite (overflow or an invalid operation
// in the unguarded arithmetic), the iteration ends at that step. I counts the step; A and B keep
// the last finite z (the one before the step); Z becomes the largest finite double, so the
// pixel reads as escaped (escape family) or diverged (convergence family). A test value that
// overflows from a finite z is likewise handed on as the largest finite double. The formulas
// therefore only ever see finite A, B and Z.
#pragma once

#include "engine/fractal/complex_ops.h"

#include <cstdint>
#include <limits>

namespace qm::fractal {

// What the kernels receive besides the point: the render's Max, Bailout, switches and constants.
struct KernelParams {
    std::int32_t max = 128;
    std::int32_t bailout = 4;
    bool julia = false;
    Complex juliaConst{0.42, 0.23};
    bool insideOut = false;
    std::int32_t order = 3;
    Complex orientation{1.0, 0.0};
};

struct KernelResult {
    double A = 0.0; // real part of the last z
    double B = 0.0; // imaginary part of the last z
    double Z = 0.0; // last escape or convergence test value
    std::int32_t I = 0;

    bool operator==(const KernelResult&) const = default;
};

// Z for an iteration that ended on a non-finite value.
inline constexpr double kOverflowZ = std::numeric_limits<double>::max();

// Cap of the convergence entries that have none.
inline constexpr double kNoCap = std::numeric_limits<double>::infinity();

// 1 / 10^bailout; 0 when 10^bailout is beyond the double range.
double convergenceLimit(std::int32_t bailout);

// Runs the kernel of `type` on the plane point (X, Y). "Fractals Off" (0) gives all zeros;
// unknown codes leave `result` untouched.
void getresults(int type, KernelResult& result, double X, double Y, const KernelParams& params);

// The prepared constants of a point: c after Orientation and inside-out, J and the additive
// constant C (c or J by the Julia switch). Exposed for the vector kernels and the tests.
struct PreparedPoint {
    Complex c;
    Complex J;
    Complex C;
};
inline PreparedPoint preparePoint(double X, double Y, const KernelParams& p,
                                  bool invertJulia = true) {
    PreparedPoint pp;
    pp.c = mul(Complex{X, Y}, p.orientation);
    pp.J = p.juliaConst;
    if (p.insideOut) {
        pp.c = reciprocal(1.0, pp.c);
        if (invertJulia) pp.J = reciprocal(1.0, pp.J);
    }
    pp.C = p.julia ? pp.J : pp.c;
    return pp;
}

} // namespace qm::fractal
