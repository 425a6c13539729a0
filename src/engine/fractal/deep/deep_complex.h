// Complex numbers over the two number types of the deep renderer (double and ExtFloat), and
// the few operations the perturbation and the BLA table need, written once for both.
#pragma once

#include "engine/fractal/deep/ext_float.h"
#include "engine/fractal/deep/mp_float.h"

#include <algorithm>
#include <cmath>

namespace qm::fractal::deep {

inline double toDouble(double v) {
    return v;
}
inline double toDouble(const ExtFloat& v) {
    return v.toDouble();
}
inline double absOf(double v) {
    return std::fabs(v);
}
inline ExtFloat absOf(const ExtFloat& v) {
    return abs(v);
}
inline double maxOf(double a, double b) {
    return std::max(a, b);
}

// The nearest value of type T to an MPFR number.
template <class T> T fromMp(const MpFloat& v);
template <> inline double fromMp<double>(const MpFloat& v) {
    return v.toDouble();
}
template <> inline ExtFloat fromMp<ExtFloat>(const MpFloat& v) {
    if (v.isZero()) return ExtFloat{};
    long exponent = 0;
    const double m = mpfr_get_d_2exp(&exponent, v.get(), MPFR_RNDN);
    return ExtFloat(m, static_cast<std::int32_t>(exponent));
}

template <class T> T fromDouble(double v) {
    return T(v);
}

template <class T> struct Cx { T re{}, im{}; };

template <class T> Cx<T> operator+(const Cx<T>& a, const Cx<T>& b) {
    return {a.re + b.re, a.im + b.im};
}
template <class T> Cx<T> operator-(const Cx<T>& a, const Cx<T>& b) {
    return {a.re - b.re, a.im - b.im};
}
template <class T> Cx<T> operator*(const Cx<T>& a, const Cx<T>& b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
template <class T> Cx<T> scaled(const Cx<T>& a, const T& s) {
    return {a.re * s, a.im * s};
}
template <class T> Cx<T> operator/(const Cx<T>& a, const Cx<T>& b) {
    const T d = b.re * b.re + b.im * b.im;
    const Cx<T> n{a.re * b.re + a.im * b.im, a.im * b.re - a.re * b.im};
    return {n.re / d, n.im / d};
}

// |re| + |im|: at most 1.41 times the modulus, never below it, and free of squares that
// could underflow.
template <class T> T norm1(const Cx<T>& a) {
    return absOf(a.re) + absOf(a.im);
}
// max(|re|, |im|), the cheap size the rebasing test compares.
template <class T> T normMax(const Cx<T>& a) {
    return maxOf(absOf(a.re), absOf(a.im));
}

// The modulus, without overflow or underflow in between.
inline double modulus(const Cx<double>& a) {
    return std::hypot(a.re, a.im);
}
inline ExtFloat modulus(const Cx<ExtFloat>& a) {
    if (a.re.isZero()) return abs(a.im);
    if (a.im.isZero()) return abs(a.re);
    const std::int32_t top = std::max(a.re.e, a.im.e);
    const auto part = [&](const ExtFloat& v) {
        const std::int32_t d = v.e - top;
        return d < -1000 ? 0.0 : std::ldexp(v.m, d);
    };
    return ExtFloat(std::hypot(part(a.re), part(a.im)), top);
}

template <class T> Cx<double> toDouble(const Cx<T>& a) {
    return {toDouble(a.re), toDouble(a.im)};
}

} // namespace qm::fractal::deep
