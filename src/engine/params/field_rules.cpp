// Rounding rules of the document's numeric fields.
#include "engine/params/field_rules.h"

#include "engine/core/number_text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qm::params {

double coordinateFieldValue(double value) {
    if (!std::isfinite(value)) return value;
    return tryParseFloat(formatNumber(value)).value_or(value);
}

double decimalFieldValue(double value, int decimals) {
    if (!std::isfinite(value) || value == 0.0) return value == 0.0 ? 0.0 : value;
    const DecimalDigits d = toDecimalDigits(value, 15);
    const bool negative = d.negative;
    const std::string& digits = d.digits;
    const int exponent = d.exponent;
    // Digit k carries the weight 10^(exponent - k); keep those down to 10^-decimals.
    const int keep = exponent + decimals + 1;
    if (keep >= static_cast<int>(digits.size())) return value;
    if (keep < 0) return 0.0;
    const bool roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
    std::string kept = digits.substr(0, static_cast<std::size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
            kept[static_cast<std::size_t>(i--)] = '0';
        if (i < 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[static_cast<std::size_t>(i)];
    }
    if (kept.empty()) return 0.0;
    const std::string text =
        (negative ? "-" : "") + kept + "e" + std::to_string(exponent + 1 - keep);
    const double result = tryParseFloat(text).value_or(value);
    return result == 0.0 ? 0.0 : result;
}

double integerFieldValue(double value, double minValue, double maxValue) {
    if (std::isnan(value)) return minValue;
    return std::clamp(std::nearbyint(value), minValue, maxValue);
}

} // namespace qm::params
