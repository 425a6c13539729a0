// The text form of a gradient: fifteen field values separated by ";", and the field limits.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qm::gradient {

// Five stops of red, green and blue: field index 3 * (stop - 1) + channel.
inline constexpr int kStopCount = 5;
inline constexpr int kFieldCount = 15;
// A field value v stands for the colour component v - 1.
inline constexpr int kFieldMin = 1;
inline constexpr int kFieldMax = 256;

using GradientFields = std::array<int, kFieldCount>;

constexpr int fieldIndex(int stop, int channel) {
    return 3 * (stop - 1) + channel;
}

// Out-of-range values mean the nearer bound, wherever they come from.
constexpr int limitField(std::int64_t value) {
    return value < kFieldMin ? kFieldMin : value > kFieldMax ? kFieldMax : static_cast<int>(value);
}

// Every value followed by ";", always all fifteen ("1;1;1;64;...;1;").
std::string formatStopString(const GradientFields& fields);

// Walks the fifteen fields in order and calls set(index, value) for each: the token up to the
// next ";" (or the end), an empty token meaning 1, values limited to 1..256. Text after the
// fifteenth token is ignored. A token that is not an integer throws EConvertError "'%s' is not
// a valid integer value"; the fields before it have been set by then, the rest are untouched.
void readStopString(std::string_view text, const std::function<void(int index, int value)>& set);

} // namespace qm::gradient
