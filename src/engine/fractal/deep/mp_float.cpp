// The MPFR wrapper and the decimal reader and writer of long numbers.
#include "engine/fractal/deep/mp_float.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace qm::fractal::deep {

MpFloat::MpFloat(mpfr_prec_t bits) {
    mpfr_init2(value_, std::clamp<mpfr_prec_t>(bits, MPFR_PREC_MIN, MPFR_PREC_MAX));
    mpfr_set_zero(value_, 1);
}

MpFloat::MpFloat(double v, mpfr_prec_t bits) : MpFloat(bits) {
    mpfr_set_d(value_, v, MPFR_RNDN);
}

MpFloat::MpFloat(const MpFloat& other) : MpFloat(other.precision()) {
    mpfr_set(value_, other.value_, MPFR_RNDN);
}

MpFloat::MpFloat(MpFloat&& other) noexcept : MpFloat(other.precision()) {
    mpfr_swap(value_, other.value_);
}

MpFloat& MpFloat::operator=(const MpFloat& other) {
    if (this == &other) return *this;
    mpfr_set_prec(value_, other.precision());
    mpfr_set(value_, other.value_, MPFR_RNDN);
    return *this;
}

MpFloat& MpFloat::operator=(MpFloat&& other) noexcept {
    mpfr_swap(value_, other.value_);
    return *this;
}

MpFloat::~MpFloat() {
    mpfr_clear(value_);
}

long MpFloat::exponent() const {
    if (!mpfr_regular_p(value_)) return std::numeric_limits<long>::min() / 2;
    return mpfr_get_exp(value_);
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the grammar and returns the count of mantissa digits and the exponent's value, or
// false. Exponents beyond a million decimal places are refused: no view needs them and MPFR
// would spend unbounded time on them.
bool scanDecimal(std::string_view t, std::size_t& mantissaDigits, long& exponentValue) {
    std::size_t k = 0;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    mantissaDigits = 0;
    bool point = false;
    for (; k < t.size(); ++k) {
        if (isDigit(t[k]))
            ++mantissaDigits;
        else if (t[k] == '.' && !point)
            point = true;
        else
            break;
    }
    if (mantissaDigits == 0) return false;
    exponentValue = 0;
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        ++k;
        bool negative = false;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) negative = t[k++] == '-';
        if (k == t.size()) return false;
        for (; k < t.size() && isDigit(t[k]); ++k) {
            exponentValue = exponentValue * 10 + (t[k] - '0');
            if (exponentValue > 1000000) return false;
        }
        if (negative) exponentValue = -exponentValue;
    }
    return k == t.size();
}

} // namespace

mpfr_prec_t bitsForDecimal(std::string_view text) {
    std::size_t digits = 0;
    long exponentValue = 0;
    if (!scanDecimal(text, digits, exponentValue)) return 64;
    return bitsForDigits(static_cast<long>(digits));
}

mpfr_prec_t bitsForDigits(long digits) {
    return static_cast<mpfr_prec_t>(digits * 3322 / 1000 + 64);
}

long significantDigits(std::string_view text) {
    long count = 0, pendingZeros = 0;
    bool started = false;
    for (const char ch : text) {
        if (ch == 'e' || ch == 'E') break;
        if (ch < '0' || ch > '9') continue;
        if (ch == '0') {
            if (started) ++pendingZeros;
            continue;
        }
        started = true;
        count += pendingZeros + 1;
        pendingZeros = 0;
    }
    return std::max(count, 1L);
}

std::optional<MpFloat> parseDecimal(std::string_view text, mpfr_prec_t bits) {
    std::size_t digits = 0;
    long exponentValue = 0;
    if (!scanDecimal(text, digits, exponentValue)) return std::nullopt;
    if (digits > 1000000) return std::nullopt;
    MpFloat v(bits);
    const std::string copy(text);
    char* end = nullptr;
    mpfr_strtofr(v.get(), copy.c_str(), &end, 10, MPFR_RNDN);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    if (!mpfr_number_p(v.get())) return std::nullopt;
    return v;
}

std::string formatDecimal(const MpFloat& value, int digits) {
    if (value.isZero()) return "0";
    digits = std::max(digits, 1);
    mpfr_exp_t exp10 = 0;
    char* raw =
        mpfr_get_str(nullptr, &exp10, 10, static_cast<std::size_t>(digits), value.get(), MPFR_RNDN);
    std::string s(raw);
    mpfr_free_str(raw);
    std::string sign;
    if (!s.empty() && s[0] == '-') {
        sign = "-";
        s.erase(0, 1);
    }
    // Value = 0.s * 10^exp10; drop trailing zeros of the mantissa.
    while (s.size() > 1 && s.back() == '0')
        s.pop_back();
    const long e = static_cast<long>(exp10) - 1; // value = s[0].s[1..] * 10^e
    if (e >= -4 && e < 15) {
        if (e < 0) return sign + "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + s;
        const auto intDigits = static_cast<std::size_t>(e + 1);
        if (s.size() <= intDigits) return sign + s + std::string(intDigits - s.size(), '0');
        return sign + s.substr(0, intDigits) + "." + s.substr(intDigits);
    }
    std::string out = sign + s.substr(0, 1);
    if (s.size() > 1) out += "." + s.substr(1);
    return out + "E" + std::to_string(e);
}

} // namespace qm::fractal::deep
