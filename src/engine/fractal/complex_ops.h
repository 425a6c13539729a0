// Complex numbers as pairs of doubles and the small routines the iteration kernels compose,
// with the fixed substitutes that the guarded ones give on an arithmetic error.
#pragma once

#include <cmath>

namespace qm::fractal {

struct Complex {
    double re = 0.0;
    double im = 0.0;
};

inline bool isFinite(Complex z) {
    return std::isfinite(z.re) && std::isfinite(z.im);
}

inline Complex add(Complex a, Complex b) {
    return {a.re + b.re, a.im + b.im};
}
inline Complex sub(Complex a, Complex b) {
    return {a.re - b.re, a.im - b.im};
}
inline Complex mul(Complex a, Complex b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
// Product with a real.
inline Complex scale(Complex a, double x) {
    return {a.re * x, a.im * x};
}
// Sum with and difference with a real: only the real part changes.
inline Complex addReal(Complex a, double x) {
    return {a.re + x, a.im};
}
inline Complex subReal(Complex a, double x) {
    return {a.re - x, a.im};
}

inline double modulus2(Complex z) {
    return z.re * z.re + z.im * z.im;
}

// A guarded part: a result that is not finite, or any division by zero, counts as the
// arithmetic error the routine absorbs.
inline double guardedPart(double numerator, double denominator) {
    if (denominator == 0.0) return 0.0;
    const double r = numerator / denominator;
    return std::isfinite(r) ? r : 0.0;
}

// a / b over the denominator |b|^2; each part is 0 on its own arithmetic error.
inline Complex quotient(Complex a, Complex b) {
    const double den = modulus2(b);
    return {guardedPart(a.re * b.re + a.im * b.im, den),
            guardedPart(a.im * b.re - a.re * b.im, den)};
}

// x / z; both parts are 0 when either fails (so the origin inverts to the origin).
inline Complex reciprocal(double x, Complex z) {
    const double den = modulus2(z);
    if (den == 0.0 || !std::isfinite(den)) return {};
    const Complex r{x * z.re / den, -x * z.im / den};
    return isFinite(r) ? r : Complex{};
}

// Both parts divided by x, or 0 + 0i when x is 0.
inline Complex divReal(Complex a, double x) {
    if (x == 0.0) return {};
    return {a.re / x, a.im / x};
}

// z^k by k - 1 repeated multiplications; k <= 1 gives z itself. Unguarded: once the product is
// no longer finite the remaining multiplications cannot make it finite again, so they are
// skipped (the kernels treat any non-finite step result alike).
inline Complex intPower(Complex z, int k) {
    Complex r = z;
    for (int j = 1; j < k; ++j) {
        r = mul(r, z);
        if (!isFinite(r)) break;
    }
    return r;
}

// sin(re)cosh(im) + i cos(re)sinh(im); each part 0 on an arithmetic error.
inline Complex sine(Complex z) {
    const double re = std::sin(z.re) * std::cosh(z.im);
    const double im = std::cos(z.re) * std::sinh(z.im);
    return {std::isfinite(re) ? re : 0.0, std::isfinite(im) ? im : 0.0};
}

// ln|z| + i atan2(im, re); the real part is 0 at z = 0, the angle is 0 whenever re = 0.
inline Complex logarithm(Complex z) {
    const double re = (z.re == 0.0 && z.im == 0.0) ? 0.0 : std::log(std::hypot(z.re, z.im));
    const double im = z.re == 0.0 ? 0.0 : std::atan2(z.im, z.re);
    return {re, im};
}

} // namespace qm::fractal
