// Band rows and the band note.
#include "engine/fractal/bands.h"

#include <cstdio>

namespace qm::fractal {

BandRows bandRows(int height, const Band& band) {
    const auto at = [&](std::int64_t k) { return static_cast<int>(k * height / band.count); };
    return {at(band.index), at(band.index + std::int64_t{1})};
}

std::string formatBandNote(const BandNote& note) {
    return "full=" + std::to_string(note.width) + "x" + std::to_string(note.height) +
           " band=" + std::to_string(note.band.index) + "/" + std::to_string(note.band.count) +
           " digest=" + note.digest;
}

std::optional<BandNote> parseBandNote(std::string_view text) {
    BandNote note;
    char digest[17] = {};
    int used = 0;
    const std::string s(text.substr(0, 128));
    if (std::sscanf(s.c_str(), "full=%5dx%5d band=%5d/%5d digest=%16[0-9a-f]%n", &note.width,
                    &note.height, &note.band.index, &note.band.count, digest, &used) != 5 ||
        static_cast<std::size_t>(used) != text.size())
        return std::nullopt;
    note.digest = digest;
    if (note.width < 1 || note.height < 1 || note.width > 65535 || note.height > 65535 ||
        note.band.count < 1 || note.band.count > note.height || note.band.index < 0 ||
        note.band.index >= note.band.count || note.digest.size() != 16)
        return std::nullopt;
    return note;
}

std::string parameterDigest(std::string_view text) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

} // namespace qm::fractal
