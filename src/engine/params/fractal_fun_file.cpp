// Text of the Fractal Fun File and its writer.
#include "engine/params/fractal_fun_file.h"

#include "engine/core/atomic_file.h"
#include "engine/core/number_text.h"

#include <array>
#include <cstdio>

namespace qm::params {

namespace {

struct NamedColour {
    ColourValue value;
    const char* name;
};

constexpr std::array<NamedColour, 16> kStandardColours{{
    {0x000000, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},
}};

} // namespace

std::string colourText(ColourValue colour) {
    for (const auto& c : kStandardColours)
        if (c.value == colour) return c.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(colour));
    return buf;
}

std::string fractalFunText(double upperX, double lowerX, double upperY, double lowerY,
                           const GradientTableData& table) {
    std::string out = formatNumber(upperX) + "," + formatNumber(lowerX) + "," +
                      formatNumber(upperY) + "," + formatNumber(lowerY) + "\r\n";
    for (const ColourValue c : table) {
        out += colourText(c);
        out += "\r\n";
    }
    return out;
}

void writeFractalFunFile(const std::filesystem::path& path, std::string_view text) {
    try {
        writeFileAtomically(path, text);
    } catch (const Exception&) {
        throw EFCreateError(formatMessage(kCreateFileError, {path.string()}));
    }
}

} // namespace qm::params
