// Exact navigation arithmetic for views finer than doubles resolve.
#include "engine/fractal/plane_view.h"

#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/fractal_params.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qm::fractal {

namespace {

using deep::MpFloat;

// Bits kept below a pixel step: successive steps then round by far less than a pixel.
constexpr long kGuardBits = 32;

std::array<MpFloat, 4> exactCoordinates(const PlaneView& v, mpfr_prec_t& bits) {
    if (!v.isDeep()) {
        bits = 64;
        return {MpFloat(v.upperX, bits), MpFloat(v.lowerX, bits), MpFloat(v.upperY, bits),
                MpFloat(v.lowerY, bits)};
    }
    const std::string* texts[] = {&v.deep.upperX, &v.deep.lowerX, &v.deep.upperY, &v.deep.lowerY};
    bits = 64;
    for (const std::string* t : texts)
        bits = std::max(bits, deep::bitsForDecimal(*t));
    std::array<MpFloat, 4> out;
    for (std::size_t k = 0; k < 4; ++k) {
        auto parsed = deep::parseDecimal(*texts[k], bits);
        if (!parsed) throw ERenderParameters("'" + texts[k]->substr(0, 80) + "' is not a number");
        out[k] = std::move(*parsed);
    }
    return out;
}

// The binary exponent of the larger magnitude of a and b (0 counts as very small).
long topExponent(const MpFloat& a, const MpFloat& b) {
    return std::max(a.exponent(), b.exponent());
}

// Significant decimal digits that carry a coordinate of binary exponent `top` down to 2^-guard
// of a step of binary exponent `step`.
int digitsFor(long top, long step, long guard) {
    return static_cast<int>((std::max(top, step) - step + guard) * 0.30103) + 2;
}

View nearest(const std::array<MpFloat, 4>& c) {
    return {c[0].toDouble(), c[1].toDouble(), c[2].toDouble(), c[3].toDouble()};
}

} // namespace

bool needsExactView(const View& v, int width, int height) {
    if (v.upperX == v.lowerX || v.upperY == v.lowerY) return true;
    if (width <= 0 || height <= 0) return false;
    const auto tooFine = [](double a, double b, int pixels) {
        const double step = std::abs(b - a) / pixels;
        return step < std::ldexp(std::max(std::abs(a), std::abs(b)), -40) ||
               step < std::ldexp(1.0, -960);
    };
    return tooFine(v.upperX, v.lowerX, width) || tooFine(v.upperY, v.lowerY, height);
}

PlaneView exactEdges(const PlaneView& view, const EdgeFractions& f, int width, int height) {
    mpfr_prec_t inBits = 64;
    const std::array<MpFloat, 4> c = exactCoordinates(view, inBits);
    // The spans first, at the input's precision plus a margin (a difference of two numbers of
    // inBits bits needs no more).
    MpFloat spanX(inBits + 2), spanY(inBits + 2);
    mpfr_sub(spanX.get(), c[1].get(), c[0].get(), MPFR_RNDN);
    mpfr_sub(spanY.get(), c[3].get(), c[2].get(), MPFR_RNDN);
    if (spanX.isZero() || spanY.isZero())
        throw ERenderParameters("The plane rectangle has no width or no height");
    // The new pixel steps fix the precision the new edges need.
    const long stepX = spanX.exponent() + std::ilogb(std::max(std::abs(f.x1 - f.x0), 1e-300)) + 1 -
                       std::ilogb(std::max(width, 1));
    const long stepY = spanY.exponent() + std::ilogb(std::max(std::abs(f.y1 - f.y0), 1e-300)) + 1 -
                       std::ilogb(std::max(height, 1));
    const long top = std::max(topExponent(c[0], c[1]), topExponent(c[2], c[3])) + 2;
    const long step = std::min(stepX, stepY);
    const auto bits = static_cast<mpfr_prec_t>(
        std::max<long>(inBits, std::max(top, step) - step + 2 * kGuardBits) + 64);
    std::array<MpFloat, 4> out{MpFloat(bits), MpFloat(bits), MpFloat(bits), MpFloat(bits)};
    const auto edge = [bits](MpFloat& to, const MpFloat& from, const MpFloat& span, double frac) {
        MpFloat t(bits);
        mpfr_mul_d(t.get(), span.get(), frac, MPFR_RNDN);
        mpfr_add(to.get(), from.get(), t.get(), MPFR_RNDN);
    };
    edge(out[0], c[0], spanX, f.x0);
    edge(out[1], c[0], spanX, f.x1);
    edge(out[2], c[2], spanY, f.y0);
    edge(out[3], c[2], spanY, f.y1);
    const View doubles = nearest(out);
    if (!needsExactView(doubles, width, height)) return PlaneView(doubles);
    const int digits = digitsFor(top, step, kGuardBits);
    return PlaneView(doubles,
                     {deep::formatDecimal(out[0], digits), deep::formatDecimal(out[1], digits),
                      deep::formatDecimal(out[2], digits), deep::formatDecimal(out[3], digits)});
}

PlanePointText planePointAt(const PlaneView& view, int width, int height, double x, double y) {
    mpfr_prec_t bits = 64;
    const std::array<MpFloat, 4> c = exactCoordinates(view, bits);
    bits += 64;
    MpFloat px(bits), py(bits), span(bits);
    mpfr_sub(span.get(), c[1].get(), c[0].get(), MPFR_RNDN);
    const long stepX = span.exponent() - std::ilogb(std::max(width, 1));
    mpfr_mul_d(span.get(), span.get(), x / std::max(width, 1), MPFR_RNDN);
    mpfr_add(px.get(), c[0].get(), span.get(), MPFR_RNDN);
    mpfr_sub(span.get(), c[3].get(), c[2].get(), MPFR_RNDN);
    const long stepY = span.exponent() - std::ilogb(std::max(height, 1));
    mpfr_mul_d(span.get(), span.get(), y / std::max(height, 1), MPFR_RNDN);
    mpfr_add(py.get(), c[2].get(), span.get(), MPFR_RNDN);
    PlanePointText t;
    t.nearX = px.toDouble();
    t.nearY = py.toDouble();
    mpfr_neg(py.get(), py.get(), MPFR_RNDN);
    // Digits enough for a sixteenth of a pixel.
    t.x = deep::formatDecimal(px, digitsFor(topExponent(c[0], c[1]), stepX, 4));
    t.y = deep::formatDecimal(py, digitsFor(topExponent(c[2], c[3]), stepY, 4));
    return t;
}

double magnificationLog10(const PlaneView& view) {
    mpfr_prec_t bits = 64;
    const std::array<MpFloat, 4> c = exactCoordinates(view, bits);
    MpFloat span(bits + 2);
    mpfr_sub(span.get(), c[1].get(), c[0].get(), MPFR_RNDN);
    mpfr_abs(span.get(), span.get(), MPFR_RNDN);
    if (span.isZero()) return 0.0;
    long e = 0;
    const double mantissa = mpfr_get_d_2exp(&e, span.get(), MPFR_RNDN);
    return std::log10(4.0) - (std::log10(mantissa) + static_cast<double>(e) * std::log10(2.0));
}

} // namespace qm::fractal
