// Formula clean-up and the pre-render checks.
#include "engine/fractal/fractal_params.h"

#include "engine/core/number_text.h"
#include "engine/fractal/deep/deep_renderer.h"

#include <cmath>

namespace qm::fractal {

namespace {

bool isTrimmed(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isTrimmed(s[b]))
        ++b;
    while (e > b && isTrimmed(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

void fixOne(std::string& s) {
    if (trimmed(s).empty()) s = "0";
}

} // namespace

void fixformulas(FractalParams& params) {
    fixOne(params.edit971);
    fixOne(params.redit);
    fixOne(params.gedit);
    fixOne(params.bedit);
    params.edit971 = trimmed(params.edit971);
}

void validateForRender(const FractalParams& p, int width, int height) {
    if (width <= 0 || height <= 0)
        throw ERenderParameters("The picture size " + std::to_string(width) + " x " +
                                std::to_string(height) + " is not a picture");
    const double values[] = {p.UpperX, p.LowerX, p.UpperY,         p.LowerY,
                             p.JuliaX, p.JuliaY, p.Orientation.re, p.Orientation.im};
    for (double v : values)
        if (!std::isfinite(v)) throw ERenderParameters("A coordinate is not a finite number");
    // The deep path checks its own (exact) view when it reads it.
    const bool deep = deep::usesDeepPath(p, width, height);
    if (!deep) {
        if (p.UpperX == p.LowerX || p.UpperY == p.LowerY)
            throw ERenderParameters("The plane rectangle has no width or no height");
        const PixelSteps s = computeSteps(p.view(), width, height);
        if (s.StepX == 0.0 || s.StepY == 0.0 || !std::isfinite(s.StepX) || !std::isfinite(s.StepY))
            throw ERenderParameters("The plane rectangle cannot be divided into pixels");
    }
    const std::int32_t maxLimit = deep ? deep::kDeepMaxIterationsLimit : kMaxIterationsLimit;
    if (p.Max < 1 || p.Max > maxLimit)
        throw ERenderParameters("Max must be from 1 to " + std::to_string(maxLimit) + ", not " +
                                std::to_string(p.Max));
    if (p.Order < 1 || p.Order > 65535)
        throw ERenderParameters("Order must be from 1 to 65535, not " + std::to_string(p.Order));
}

} // namespace qm::fractal
