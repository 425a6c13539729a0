// The fractal catalogue: every iteration formula the user can choose, as one table of data that
// the menu, the parameter files and get_f_type all read.
#pragma once

#include <functional>
#include <span>
#include <string_view>

namespace qm::fractal {

enum class KernelFamily {
    Escape,      // iterate until |z|^2 exceeds Bailout ("Dmax")
    Convergence, // iterate until z moves by less than 10^-Bailout ("Dmin:1E-")
    None,        // "Fractals Off": no kernel runs
};

enum class JuliaUse { Yes, No, Special };

// Codes used between get_f_type and getresults.
namespace code {
inline constexpr int Off = 0;
inline constexpr int Mandel = 1;
inline constexpr int Barns = 2;
inline constexpr int Spider = 3;
inline constexpr int Div1z = 4;
inline constexpr int Logsin = 5;
inline constexpr int MandelOrder = 6;
inline constexpr int Sinzpz = 7;
inline constexpr int Ikenaga = 8;
inline constexpr int Webb = 9;
inline constexpr int WebbII = 10;
inline constexpr int Newton = 11;
inline constexpr int NewtonI = 12;
inline constexpr int Phoenix = 13;
inline constexpr int Nova = 14;
inline constexpr int NewtonMSet1 = 15;
inline constexpr int NewtonMSet2 = 16;
inline constexpr int NovaVar1 = 17;
inline constexpr int NovaVar2 = 18;
inline constexpr int NewtonMSet4 = 19;
inline constexpr int NewtonMSet5 = 20;
inline constexpr int Quartet1 = 21;
inline constexpr int Quartet2 = 22;
inline constexpr int Test = 100;
} // namespace code

struct FractalType {
    int code;
    const char* caption;    // menu caption, trailing blanks included
    const char* itemName;   // component name of the menu item
    const char* identifier; // parameter-file name; "" for the hidden test entry
    KernelFamily family;
    bool orderShown;  // the order field is visible for this entry
    int orderPreset;  // value the order field takes when the entry is chosen; 0 = unchanged
    const char* hint; // formula text shown as the item's hint
    JuliaUse julia;
    bool usesOrientation;
    bool separatorAfter; // the menu draws a separator after this item
    bool visible;        // the test entry's item is hidden

    // "Dmax" for the escape family and "Fractals Off", "Dmin:1E-" for the convergence family.
    const char* bailoutLabel() const {
        return family == KernelFamily::Convergence ? "Dmin:1E-" : "Dmax";
    }
};

// All entries in menu order: the twenty-two formulas, "Fractals Off", then "TEST".
std::span<const FractalType> catalogue();

// nullptr when unknown. Identifiers compare exactly (case-sensitive); "" finds nothing.
const FractalType* findByCode(int code);
const FractalType* findByIdentifier(std::string_view identifier);
const FractalType* findByItemName(std::string_view itemName);

// The codes in the order get_f_type tests the menu items (highest priority first).
std::span<const int> getFTypePriority();

// The code of the first checked entry in priority order, 0 when none of them is checked.
int get_f_type(const std::function<bool(const FractalType&)>& isChecked);

} // namespace qm::fractal
