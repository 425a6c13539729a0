// The value rules of the document's numeric fields: significant digits, decimals, integer
// rounding and limits.
#pragma once

namespace qm::params {

// A coordinate field keeps the value as its 15-significant-digit text reads back.
double coordinateFieldValue(double value);

// A field showing `decimals` decimals keeps the value rounded to them; the digits are taken
// from the value's 15-significant-digit form and a trailing 5 rounds away from zero.
double decimalFieldValue(double value, int decimals);

// An integer field: rounded to the nearest integer, halves to the even neighbour, then
// brought into [minValue, maxValue].
double integerFieldValue(double value, double minValue, double maxValue);

} // namespace qm::params
