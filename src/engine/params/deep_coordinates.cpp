// Digits of deep coordinates: the fields' tolerance and the file's rounding.
#include "engine/params/deep_coordinates.h"

#include "engine/fractal/deep/mp_float.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <optional>

namespace qm::params {

namespace {

using fractal::deep::MpFloat;

// The four coordinates parsed without loss, and the finer pixel step (0 when the view has no
// width or no height).
struct ExactView {
    std::array<MpFloat, 4> c;
    MpFloat step;
};

std::optional<ExactView> parseView(const fractal::DeepView& v, int width, int height) {
    const std::array<const std::string*, 4> texts = {&v.upperX, &v.lowerX, &v.upperY, &v.lowerY};
    mpfr_prec_t bits = 64;
    for (const auto* t : texts)
        bits = std::max(bits, fractal::deep::bitsForDecimal(*t));
    ExactView out{{MpFloat(bits), MpFloat(bits), MpFloat(bits), MpFloat(bits)}, MpFloat(bits)};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        auto parsed = fractal::deep::parseDecimal(*texts[k], bits);
        if (!parsed) return std::nullopt;
        out.c[k] = std::move(*parsed);
    }
    MpFloat sx(bits), sy(bits);
    mpfr_sub(sx.get(), out.c[1].get(), out.c[0].get(), MPFR_RNDN);
    mpfr_abs(sx.get(), sx.get(), MPFR_RNDN);
    mpfr_div_si(sx.get(), sx.get(), std::max(width, 1), MPFR_RNDN);
    mpfr_sub(sy.get(), out.c[3].get(), out.c[2].get(), MPFR_RNDN);
    mpfr_abs(sy.get(), sy.get(), MPFR_RNDN);
    mpfr_div_si(sy.get(), sy.get(), std::max(height, 1), MPFR_RNDN);
    if (sx.isZero() || sy.isZero())
        mpfr_set_zero(out.step.get(), 1);
    else
        mpfr_min(out.step.get(), sx.get(), sy.get(), MPFR_RNDN);
    return out;
}

// floor(log10(|v|)) for a non-zero v, give or take one near powers of ten.
long decimalExponent(const MpFloat& v) {
    long e2 = 0;
    const double m = mpfr_get_d_2exp(&e2, v.get(), MPFR_RNDN); // |m| in [0.5, 1)
    return static_cast<long>(
        std::floor(std::log10(std::abs(m)) + static_cast<double>(e2) * std::log10(2.0)));
}

} // namespace

bool fieldsHoldView(const fractal::DeepView& texts, const fractal::View& fields, int width,
                    int height) {
    if (texts.empty()) return true;
    const auto v = parseView(texts, width, height);
    if (!v) return true;
    const double f[4] = {fields.upperX, fields.lowerX, fields.upperY, fields.lowerY};
    const mpfr_prec_t bits = v->step.precision();
    MpFloat tolerance(bits), diff(bits);
    mpfr_div_2ui(tolerance.get(), v->step.get(), 10, MPFR_RNDN);
    for (std::size_t k = 0; k < 4; ++k) {
        mpfr_sub_d(diff.get(), v->c[k].get(), f[k], MPFR_RNDN);
        if (mpfr_cmpabs(diff.get(), tolerance.get()) > 0) return false;
    }
    return true;
}

fractal::DeepView textsForFile(const fractal::DeepView& texts, int width, int height) {
    const auto v = parseView(texts, width, height);
    if (!v || v->step.isZero()) return texts;
    // The decimal place 10^place at or below 2^-64 of the step.
    const long place = decimalExponent(v->step) - 20;
    const std::array<const std::string*, 4> in = {&texts.upperX, &texts.lowerX, &texts.upperY,
                                                  &texts.lowerY};
    std::array<std::string, 4> out;
    for (std::size_t k = 0; k < 4; ++k) {
        const MpFloat& c = v->c[k];
        if (c.isZero()) {
            out[k] = "0";
            continue;
        }
        // A text at most one digit longer than needed stays whole: the place may move by one
        // between a view and its written texts, and writing what was read must not cut again.
        const long needed = std::max(decimalExponent(c) - place + 1, 1L);
        const long own = fractal::deep::significantDigits(*in[k]);
        const long digits = std::min(own <= needed + 1 ? own : needed, long{INT_MAX / 4});
        // Read again with room for every digit written, so that no binary rounding shows in
        // them.
        const auto bits = std::max(c.precision(), fractal::deep::bitsForDigits(digits));
        const auto exact = fractal::deep::parseDecimal(*in[k], bits);
        out[k] = fractal::deep::formatDecimal(*exact, static_cast<int>(digits));
    }
    return {out[0], out[1], out[2], out[3]};
}

} // namespace qm::params
