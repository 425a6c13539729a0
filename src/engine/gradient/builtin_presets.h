// The ten gradients built into the palette editor's "Presets..." menu.
#pragma once

#include <array>
#include <string_view>

namespace qm::gradient {

struct BuiltInPreset {
    std::string_view submenu;    // "Greyscale", "Metallic", "Misc." or "" (directly in "Default")
    std::string_view caption;    // the menu item's text
    std::string_view name;       // the menu item's component name
    std::string_view stopString; // applied unchanged, 0 and 255 included
};

inline constexpr std::string_view kStandardStopString =
    "1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;";

// In menu order. "Grey AB wash" has no trailing ";" and still sets all fifteen fields.
inline constexpr std::array<BuiltInPreset, 10> kBuiltInPresets{{
    {"Greyscale", "Grey AB wash", "Grey1", "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"},
    {"Greyscale", "Grey ABA wash", "GreyABAwash1",
     "0;0;0;128;128;128;256;256;256;128;128;128;0;0;0"},
    {"Metallic", "Chrome", "Chrome1", "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;"},
    {"Metallic", "Bronze", "Bronze1", "1;32;1;70;50;32;150;120;80;255;200;120;1;1;1;"},
    {"Metallic", "Silver", "Silver1", "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;"},
    {"Metallic", "Gold", "Gold1", "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;"},
    {"Misc.", "Alien Skin", "AlienSkin1", "1;10;20;201;164;163;255;200;200;1;10;10;1;1;1;"},
    {"Misc.", "Rainbow in the Dark", "RainbowintheDark1",
     "1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;"},
    {"Misc.", "70ties", "N70ties1", "1;255;1;255;1;255;1;255;1;255;1;1;1;255;255;"},
    {"", "Standard", "Default2", kStandardStopString},
}};

} // namespace qm::gradient
