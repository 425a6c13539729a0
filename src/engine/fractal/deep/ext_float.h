// ExtFloat: a double mantissa with its own 32-bit binary exponent, for the differences of deep
// views that lie below the range of doubles (about 1E-308). The mantissa is kept in [1, 2) (or
// is 0), so products and sums stay exact to a double's rounding at any exponent.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace qm::fractal::deep {

struct ExtFloat {
    double m = 0.0; // 0, or |m| in [1, 2)
    std::int32_t e = kZeroExponent;

    // The exponent of 0: far below any value, so sums with 0 need no special case.
    static constexpr std::int32_t kZeroExponent = std::numeric_limits<std::int32_t>::min() / 4;

    ExtFloat() = default;
    ExtFloat(double mantissa, std::int32_t exponent) : m(mantissa), e(exponent) { normalise(); }
    explicit ExtFloat(double v) : m(v), e(0) { normalise(); }

    // Brings m into [1, 2), moving its binary exponent into e.
    void normalise() {
        if (m == 0.0 || !std::isfinite(m)) {
            if (m == 0.0) e = kZeroExponent;
            return;
        }
        auto bits = std::bit_cast<std::uint64_t>(m);
        auto biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
        if (biased == 0) { // subnormal mantissa: scale it into the normal range first
            m *= 0x1p64;
            e -= 64;
            bits = std::bit_cast<std::uint64_t>(m);
            biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
        }
        e += biased - 1023;
        bits = (bits & ~(std::uint64_t{0x7FF} << 52)) | (std::uint64_t{1023} << 52);
        m = std::bit_cast<double>(bits);
    }

    double toDouble() const {
        if (e >= -1022 && e <= 1023) // a normal double: exact without ldexp
            return m * std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52);
        if (e < -1100) return 0.0 * m;
        if (e > 1100) return m * std::numeric_limits<double>::infinity();
        return std::ldexp(m, e);
    }
    bool isZero() const { return m == 0.0; }
};

// 2^k as a double for k in [-1022, 1023].
inline double powerOfTwo(std::int32_t k) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

inline ExtFloat operator-(ExtFloat a) {
    a.m = -a.m;
    return a;
}

inline ExtFloat operator+(const ExtFloat& a, const ExtFloat& b) {
    const std::int64_t d = static_cast<std::int64_t>(a.e) - b.e;
    if (d > 60) return a;
    if (d < -60) return b;
    ExtFloat r;
    if (d >= 0) {
        r.m = a.m + b.m * powerOfTwo(static_cast<std::int32_t>(-d));
        r.e = a.e;
    } else {
        r.m = b.m + a.m * powerOfTwo(static_cast<std::int32_t>(d));
        r.e = b.e;
    }
    r.normalise();
    return r;
}

inline ExtFloat operator-(const ExtFloat& a, const ExtFloat& b) {
    return a + (-b);
}

inline ExtFloat operator*(const ExtFloat& a, const ExtFloat& b) {
    ExtFloat r;
    r.m = a.m * b.m;
    r.e = r.m == 0.0 ? ExtFloat::kZeroExponent : a.e + b.e;
    r.normalise();
    return r;
}

inline ExtFloat operator*(const ExtFloat& a, double b) {
    return a * ExtFloat(b);
}

inline ExtFloat operator/(const ExtFloat& a, const ExtFloat& b) {
    ExtFloat r;
    r.m = a.m / b.m;
    r.e = r.m == 0.0 ? ExtFloat::kZeroExponent : a.e - b.e;
    r.normalise();
    return r;
}

inline ExtFloat abs(ExtFloat a) {
    a.m = std::fabs(a.m);
    return a;
}

// Ordering of the values (not of the representations).
inline bool operator<(const ExtFloat& a, const ExtFloat& b) {
    const bool na = a.m < 0.0, nb = b.m < 0.0;
    if (a.m == 0.0 || b.m == 0.0 || na != nb) return a.m < b.m;
    if (a.e != b.e) return na ? a.e > b.e : a.e < b.e;
    return a.m < b.m;
}
inline bool operator>(const ExtFloat& a, const ExtFloat& b) {
    return b < a;
}
inline bool operator==(const ExtFloat& a, const ExtFloat& b) {
    return a.m == b.m && (a.m == 0.0 || a.e == b.e);
}

// The larger of two values (the magnitudes the deep renderer compares are never negative).
inline ExtFloat maxOf(const ExtFloat& a, const ExtFloat& b) {
    return a < b ? b : a;
}

} // namespace qm::fractal::deep
