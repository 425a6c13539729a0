// MpFloat: an owned MPFR number (C API), so that high-precision values follow C++ lifetimes.
// Every result is rounded to nearest at the precision of the value it is written to.
#pragma once

#include <mpfr.h>
#include <optional>
#include <string>
#include <string_view>

namespace qm::fractal::deep {

class MpFloat {
public:
    explicit MpFloat(mpfr_prec_t bits = 64);
    MpFloat(double v, mpfr_prec_t bits);
    MpFloat(const MpFloat& other);
    MpFloat(MpFloat&& other) noexcept;
    MpFloat& operator=(const MpFloat& other); // takes the other's precision too
    MpFloat& operator=(MpFloat&& other) noexcept;
    ~MpFloat();

    mpfr_ptr get() { return value_; }
    mpfr_srcptr get() const { return value_; }
    mpfr_prec_t precision() const { return mpfr_get_prec(value_); }
    // Changes the precision, rounding the value.
    void setPrecision(mpfr_prec_t bits) { mpfr_prec_round(value_, bits, MPFR_RNDN); }

    double toDouble() const { return mpfr_get_d(value_, MPFR_RNDN); }
    bool isZero() const { return mpfr_zero_p(value_) != 0; }
    int sign() const { return mpfr_sgn(value_); }
    // The binary exponent e with the value in [2^(e-1), 2^e); a very negative number for 0.
    long exponent() const;

private:
    mpfr_t value_;
};

// Parses a decimal number: optional sign, digits with an optional ".", optional exponent
// "E"/"e" with optional sign; nothing else (no blanks inside, no hexadecimal, no inf/nan).
// Rounded to `bits`. nullopt when the text is not such a number or its exponent is absurd.
std::optional<MpFloat> parseDecimal(std::string_view text, mpfr_prec_t bits);

// The number of significant bits a decimal text can carry (digits times log2(10), rounded up,
// plus a margin), for parsing it without loss.
mpfr_prec_t bitsForDecimal(std::string_view text);
// The same for a count of decimal digits.
mpfr_prec_t bitsForDigits(long digits);
// The significant digits of a decimal text's mantissa: leading and trailing zeros do not count
// (at least 1).
long significantDigits(std::string_view text);

// Decimal text of `value` with at most `digits` significant digits (trailing zeros dropped):
// plain notation from 1E-4 up to below 1E15 like formatNumber, otherwise "d.dddE-x".
std::string formatDecimal(const MpFloat& value, int digits);

} // namespace qm::fractal::deep
