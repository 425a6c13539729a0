// The interior test behind the Mandelbrot shortcut, and the Mandelbrot row preparation that
// uses it. Everything here has internal linkage, so each instruction-set translation unit
// compiles its own copy and no copy built for one instruction set can serve another.
#pragma once

#include <cstdint>

namespace qm::fractal {
namespace {

// c in the main cardioid or in the period-2 bulb, where every orbit stays within |z| <= 2.
// Bitwise rather than short-circuit, so that loops over it vectorise.
inline bool mainCardioidOrBulb(double cr, double ci) {
    const double x = cr - 0.25;
    const double ci2 = ci * ci;
    const double q = x * x + ci2;
    const double b = cr + 1.0;
    return (q * (q + x) <= 0.25 * ci2) | (b * b + ci2 <= 0.0625);
}

// c = (X + iY) * Orientation for n pixels and, when `inside` is given, their interior flags.
inline void mandelRowConstants(const double* X, const double* Y, int n, double ore, double oim,
                               double* cr, double* ci, std::uint8_t* inside) {
    for (int k = 0; k < n; ++k) {
        cr[k] = X[k] * ore - Y[k] * oim;
        ci[k] = X[k] * oim + Y[k] * ore;
    }
    if (inside)
        for (int k = 0; k < n; ++k)
            inside[k] = mainCardioidOrBulb(cr[k], ci[k]) ? 1 : 0;
}

} // namespace
} // namespace qm::fractal
