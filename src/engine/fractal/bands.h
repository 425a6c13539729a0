// Bands: one picture split into N horizontal strips that separate processes render and that are
// joined again row for row. The note a band part carries identifies the render it belongs to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm::fractal {

// Band K (0-based) of N.
struct Band {
    int index = 0;
    int count = 1;
};

// Rows floor(K * H / N) to floor((K + 1) * H / N) - 1 of a picture H rows high: `first` and one
// past the last.
struct BandRows {
    int first = 0;
    int end = 0;
};
BandRows bandRows(int height, const Band& band);

// The text note of a part: the whole picture's size, which band it is and the digest of the
// parameters it was rendered with, as "full=WxH band=K/N digest=HEX".
inline constexpr const char* kBandKeyword = "Quillmora.Band";
struct BandNote {
    int width = 0;
    int height = 0;
    Band band;
    std::string digest;
};
std::string formatBandNote(const BandNote& note);
// nullopt when the text is not a well-formed note (sizes 1 to 65535, 0 <= K < N <= height).
std::optional<BandNote> parseBandNote(std::string_view text);

// 16 hexadecimal digits (64-bit FNV-1a) of the text: enough to tell parts of different renders
// apart, not a protection against forgery.
std::string parameterDigest(std::string_view text);

} // namespace qm::fractal
