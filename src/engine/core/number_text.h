// The one number text format of the program (labels, parameter files, command line) and the
// runtime's text-to-number conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// A finite, non-zero value rounded to `significant` decimal digits (1..17): the value is
// [-]d.ddd x 10^exponent with `digits` holding the d's (no trailing-zero removal). Independent
// of the C locale, like everything in this file.
struct DecimalDigits {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};
DecimalDigits toDecimalDigits(double value, int significant);

// General format with 15 significant digits: trailing zeros dropped, "." as decimal point,
// plain notation for magnitudes from 0.0001 up to below 10^15, otherwise "1.5E20" / "1E-5".
std::string formatNumber(double value);

// Like formatNumber with `digits` significant digits (1..17).
std::string formatNumber(double value, int digits);

// Text to float: surrounding blanks, optional sign, digits with an optional ".", optional
// exponent "E"/"e" with optional sign. The decimal point is always ".". nullopt when invalid.
std::optional<double> tryParseFloat(std::string_view text);
// Throws EConvertError "'%s' is not a valid floating point value".
double parseFloat(std::string_view text);

// Text to 32-bit integer: leading blanks, optional sign, decimal digits or "$"/"0x" hex.
std::optional<std::int32_t> tryParseInteger(std::string_view text);
// Throws EConvertError "'%s' is not a valid integer value".
std::int32_t parseInteger(std::string_view text);

} // namespace qm
