// FractalParams: everything a document sets for a render, with the defaults of a new document,
// and the checks a render makes before it starts.
#pragma once

#include "engine/core/errors.h"
#include "engine/fractal/complex_ops.h"
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/view_geometry.h"

#include <cstdint>
#include <string>

namespace qm::fractal {

enum class ColourModel { FixedPalette, RgbMode, HlsMode };

// Parameters that no render can use (an empty picture, a degenerate or non-finite plane
// rectangle, a Max out of range).
QM_DECLARE_EXCEPTION(ERenderParameters, Exception);

inline constexpr std::int32_t kMaxIterationsLimit = 65535;

struct FractalParams {
    double UpperX = -2.0;
    double LowerX = 2.0;
    double UpperY = -1.5;
    double LowerY = 1.5;
    double JuliaX = 0.42;
    double JuliaY = 0.23;
    std::int32_t Max = 128;
    std::int32_t Bailout = 4;
    std::int32_t Order = 3;
    int Width = 320;
    int Height = 240;
    std::string edit971 = "i*2"; // the Fixed Palette formula
    std::string redit = "i*2";   // red, or hue in HLS-Mode
    std::string gedit = "i*2";   // green, or lightness
    std::string bedit = "i*2";   // blue, or saturation
    int type = code::Mandel;
    ColourModel model = ColourModel::FixedPalette;
    bool repeatPalette = false;
    bool julia = false;
    bool insideOut = false;
    bool flipX = false;
    bool flipY = false;
    bool mirror = false;
    Complex Orientation{1.0, 0.0};
    // The view in exact decimals where it needs more digits than doubles carry (the four
    // fields above then hold its nearest doubles); empty otherwise.
    DeepView deepView;
    DeepMode deepMode = DeepMode::Auto;
    // The Julia constant in exact decimals where JuliaX and JuliaY (then its nearest doubles) do
    // not hold it; empty otherwise.
    DeepJulia deepJulia;
    DeepReference deepReference; // set by animations; not part of parameter files

    View view() const { return {UpperX, LowerX, UpperY, LowerY}; }
    void setView(const View& v) {
        UpperX = v.upperX;
        LowerX = v.lowerX;
        UpperY = v.upperY;
        LowerY = v.lowerY;
    }
};

// Blank formulas (after trimming blanks and control characters) become "0"; the Fixed Palette
// formula is then stored trimmed (the channel formulas are not).
void fixformulas(FractalParams& params);

// Throws ERenderParameters when a render of width x height with these parameters cannot run.
void validateForRender(const FractalParams& params, int width, int height);

} // namespace qm::fractal
