// Number formatting and parsing shared by every front end and file format.
#include "engine/core/number_text.h"

#include "engine/core/errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qm {

DecimalDigits toDecimalDigits(double value, int significant) {
    significant = std::clamp(significant, 1, 17);
    // to_chars rounds the exact binary value and ignores the C locale (Qt sets it from the
    // environment, which may use a decimal comma).
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significant - 1);
    std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
    DecimalDigits d;
    d.negative = !s.empty() && s.front() == '-';
    if (d.negative) s.remove_prefix(1);
    const auto ePos = s.find('e');
    for (char c : s.substr(0, ePos))
        if (c != '.') d.digits += c;
    std::from_chars(s.data() + ePos + 1 + (s[ePos + 1] == '+' ? 1 : 0), s.data() + s.size(),
                    d.exponent);
    return d;
}

std::string formatNumber(double value) {
    return formatNumber(value, 15);
}

std::string formatNumber(double value, int digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0.0) return "0";

    const DecimalDigits d = toDecimalDigits(value, digits);
    std::string mantissa = d.digits;
    const int exponent = d.exponent;
    const bool negative = d.negative;
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        out += mantissa[0];
        if (mantissa.size() > 1) {
            out += '.';
            out += mantissa.substr(1);
        }
        out += 'E';
        if (exponent < 0) out += '-';
        out += std::to_string(std::abs(exponent));
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += mantissa;
    } else {
        const auto intDigits = static_cast<size_t>(exponent) + 1;
        if (mantissa.size() <= intDigits) {
            out += mantissa;
            out.append(intDigits - mantissa.size(), '0');
        } else {
            out += mantissa.substr(0, intDigits);
            out += '.';
            out += mantissa.substr(intDigits);
        }
    }
    return out;
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view t) {
    while (!t.empty() && isBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back()))
        t.remove_suffix(1);
    return t;
}

// Power of ten of the first significant digit of a validated number text.
long decimalExponent(const std::string& t) {
    long exponent = 0;
    const auto e = t.find('e');
    if (e != std::string::npos) {
        const char* p = t.c_str() + e + 1;
        const bool negative = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        for (; *p != '\0'; ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 100000L);
        if (negative) exponent = -exponent;
    }
    long position = 0; // of the digit just before the decimal point
    bool seenPoint = false;
    for (size_t i = 0; i < t.size() && i < e; ++i) {
        if (t[i] == '.') {
            seenPoint = true;
        } else if (isDigit(t[i])) {
            if (t[i] != '0') {
                // Digits before the point count upward from the point, those after downward.
                long intDigits = 0;
                size_t j = i;
                if (!seenPoint) {
                    while (j < t.size() && isDigit(t[j]))
                        ++j, ++intDigits;
                    return exponent + intDigits - 1;
                }
                return exponent - position - 1;
            }
            if (seenPoint) ++position;
        }
    }
    return exponent;
}

} // namespace

std::optional<double> tryParseFloat(std::string_view text) {
    const std::string_view t = trimBlanks(text);
    // Validate the shape first; from_chars does the correctly rounded conversion.
    size_t i = 0;
    std::string normal;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') normal += '-';
        ++i;
    }
    size_t mantissaDigits = 0;
    while (i < t.size() && isDigit(t[i])) {
        normal += t[i++];
        ++mantissaDigits;
    }
    if (i < t.size() && t[i] == '.') {
        normal += t[i++];
        while (i < t.size() && isDigit(t[i])) {
            normal += t[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
        size_t expDigits = 0;
        while (i < t.size() && isDigit(t[i])) {
            normal += t[i++];
            ++expDigits;
        }
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;

    double value = 0.0;
    const char* first = normal.data();
    const char* last = normal.data() + normal.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // Underflow gives zero; overflow is not a valid value. The decimal exponent tells which.
        return decimalExponent(normal) < 0 ? std::optional<double>(0.0) : std::nullopt;
    }
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

double parseFloat(std::string_view text) {
    if (auto v = tryParseFloat(text)) return *v;
    throw EConvertError::invalidFloat(std::string(text));
}

std::optional<std::int32_t> tryParseInteger(std::string_view text) {
    std::string_view t = text;
    while (!t.empty() && isBlank(t.front()))
        t.remove_prefix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : t) {
        int d = -1;
        if (isDigit(c))
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0) return std::nullopt;
        value = value * base + d;
        if (value > 4294967295LL) return std::nullopt;
    }
    if (base == 10) {
        if (negative ? value > 2147483648LL : value > 2147483647LL) return std::nullopt;
        return static_cast<std::int32_t>(negative ? -value : value);
    }
    // Hex literals name a 32-bit pattern.
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}

std::int32_t parseInteger(std::string_view text) {
    if (auto v = tryParseInteger(text)) return *v;
    throw EConvertError::invalidInteger(std::string(text));
}

} // namespace qm
