// Geometric interpolation of the view between two parameter sets.
#include "engine/fractal/zoom_animation.h"

#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/deep/mp_float.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qm::fractal {

namespace {

struct Axis {
    double upper;
    double lower;
};

// One axis at time t: the span shrinks (or grows) by the same factor per frame, and the centre
// moves so that the point of the plane that ends in the centre drifts steadily.
Axis interpolateAxis(Axis a, Axis b, double t) {
    const double w0 = a.lower - a.upper, w1 = b.lower - b.upper;
    const double r = w1 / w0;
    if (!(r > 0.0) || !std::isfinite(r))
        throw ERenderParameters("The start and end views of an animation must run the same way");
    const double logR = std::log(r);
    // (1 - r^t) / (1 - r) computed as expm1(t ln r) / expm1(ln r): accurate for r near 1.
    const double share = logR == 0.0 ? t : std::expm1(t * logR) / std::expm1(logR);
    const double c0 = (a.upper + a.lower) / 2, c1 = (b.upper + b.lower) / 2;
    const double centre = c0 + (c1 - c0) * share;
    const double half = w0 * std::pow(r, t) / 2;
    return {centre - half, centre + half};
}

using deep::MpFloat;

// The four coordinates of a view in MPFR: the exact decimals where it has them, else the doubles
// (exact in MPFR).
// Whether the first view's narrower span is below the second's.
bool narrowerEnd(const std::array<MpFloat, 4>& a, const std::array<MpFloat, 4>& b) {
    const auto narrow = [](const std::array<MpFloat, 4>& v) {
        MpFloat w(v[0].precision() + 8), h(v[2].precision() + 8);
        mpfr_sub(w.get(), v[1].get(), v[0].get(), MPFR_RNDN);
        mpfr_sub(h.get(), v[3].get(), v[2].get(), MPFR_RNDN);
        mpfr_abs(w.get(), w.get(), MPFR_RNDN);
        mpfr_abs(h.get(), h.get(), MPFR_RNDN);
        return mpfr_less_p(w.get(), h.get()) ? w : h;
    };
    return mpfr_less_p(narrow(a).get(), narrow(b).get());
}

std::array<MpFloat, 4> exactView(const FractalParams& p) {
    const DeepView& d = p.deepView;
    const auto one = [](const std::string& text, double fallback) {
        if (text.empty()) return MpFloat(fallback, 64);
        auto v = deep::parseDecimal(text, deep::bitsForDecimal(text));
        if (!v) throw ERenderParameters("'" + text.substr(0, 80) + "' is not a decimal number");
        return std::move(*v);
    };
    return {one(d.upperX, p.UpperX), one(d.lowerX, p.LowerX), one(d.upperY, p.UpperY),
            one(d.lowerY, p.LowerY)};
}

long topExponent(const std::array<MpFloat, 4>& v) {
    long top = 1;
    for (const MpFloat& x : v)
        if (!x.isZero()) top = std::max(top, x.exponent());
    return top;
}

// The formulas of interpolateAxis in MPFR at `bits` bits; `upper` and `lower` receive the
// frame's coordinates.
void interpolateAxisExact(const MpFloat& u0, const MpFloat& l0, const MpFloat& u1,
                          const MpFloat& l1, const MpFloat& t, mpfr_prec_t bits, MpFloat& upper,
                          MpFloat& lower) {
    MpFloat w0(bits), w1(bits), r(bits), logR(bits), share(bits), a(bits), c0(bits), c1(bits);
    mpfr_sub(w0.get(), l0.get(), u0.get(), MPFR_RNDN);
    mpfr_sub(w1.get(), l1.get(), u1.get(), MPFR_RNDN);
    if (w0.isZero() || w0.sign() != w1.sign())
        throw ERenderParameters("The start and end views of an animation must run the same way");
    mpfr_div(r.get(), w1.get(), w0.get(), MPFR_RNDN);
    mpfr_log(logR.get(), r.get(), MPFR_RNDN);
    if (logR.isZero()) {
        mpfr_set(share.get(), t.get(), MPFR_RNDN);
    } else {
        mpfr_mul(a.get(), t.get(), logR.get(), MPFR_RNDN);
        mpfr_expm1(share.get(), a.get(), MPFR_RNDN);
        mpfr_expm1(a.get(), logR.get(), MPFR_RNDN);
        mpfr_div(share.get(), share.get(), a.get(), MPFR_RNDN);
    }
    mpfr_add(c0.get(), u0.get(), l0.get(), MPFR_RNDN);
    mpfr_div_2ui(c0.get(), c0.get(), 1, MPFR_RNDN);
    mpfr_add(c1.get(), u1.get(), l1.get(), MPFR_RNDN);
    mpfr_div_2ui(c1.get(), c1.get(), 1, MPFR_RNDN);
    mpfr_sub(c1.get(), c1.get(), c0.get(), MPFR_RNDN);
    mpfr_mul(c1.get(), c1.get(), share.get(), MPFR_RNDN);
    mpfr_add(c0.get(), c0.get(), c1.get(), MPFR_RNDN); // the frame's centre
    mpfr_mul(a.get(), t.get(), logR.get(), MPFR_RNDN);
    mpfr_exp(a.get(), a.get(), MPFR_RNDN);
    mpfr_mul(a.get(), a.get(), w0.get(), MPFR_RNDN);
    mpfr_div_2ui(a.get(), a.get(), 1, MPFR_RNDN); // half the frame's span
    upper = MpFloat(bits);
    lower = MpFloat(bits);
    mpfr_sub(upper.get(), c0.get(), a.get(), MPFR_RNDN);
    mpfr_add(lower.get(), c0.get(), a.get(), MPFR_RNDN);
}

std::int32_t frameMax(const FractalParams& from, const FractalParams& to, double t,
                      std::int32_t limit) {
    const double max = from.Max * std::pow(static_cast<double>(to.Max) / from.Max, t);
    return static_cast<std::int32_t>(std::clamp(std::lround(max), 1L, static_cast<long>(limit)));
}

// A zoom where either end has an exact decimal view: every frame's view in MPFR, precise to
// far below a pixel of the deepest frame, and one reference point for all frames (the deeper
// end's centre) so that a process making many frames computes its orbit once.
FractalParams deepZoomFrame(const FractalParams& from, const FractalParams& to, int frame,
                            int frames) {
    const auto a = exactView(from), b = exactView(to);
    const long top = std::max(topExponent(a), topExponent(b)) + 1;
    long narrowest = 0; // the smallest span's exponent
    mpfr_prec_t inBits = 64;
    for (int k = 0; k < 4; ++k)
        inBits = std::max({inBits, a[k].precision(), b[k].precision()});
    {
        MpFloat d(inBits + 8);
        bool first = true;
        for (const auto* v : {&a, &b})
            for (int k = 0; k < 4; k += 2) {
                mpfr_sub(d.get(), (*v)[k + 1].get(), (*v)[k].get(), MPFR_RNDN);
                if (d.isZero())
                    throw ERenderParameters("The plane rectangle has no width or no height");
                narrowest = first ? d.exponent() : std::min(narrowest, d.exponent());
                first = false;
            }
    }
    // As deepViewFromCentre: 64 bits below the pixel step of a picture under 2^32 pixels a side.
    const long needed = top - (narrowest - 32) + 64;
    const auto bits = static_cast<mpfr_prec_t>(std::max<long>(inBits, needed) + 64);
    MpFloat t(bits);
    mpfr_set_si(t.get(), frames > 1 ? frame : 0, MPFR_RNDN);
    mpfr_div_si(t.get(), t.get(), std::max(frames - 1, 1), MPFR_RNDN);
    std::array<MpFloat, 4> v{MpFloat(bits), MpFloat(bits), MpFloat(bits), MpFloat(bits)};
    interpolateAxisExact(a[0], a[1], b[0], b[1], t, bits, v[0], v[1]);
    interpolateAxisExact(a[2], a[3], b[2], b[3], t, bits, v[2], v[3]);

    FractalParams p = from;
    const double td = frames > 1 ? static_cast<double>(frame) / (frames - 1) : 0.0;
    if (frames > 1 && frame == frames - 1) {
        p.setView(to.view());
        p.deepView = to.deepView;
        p.Max = to.Max;
    } else {
        MpFloat span(bits);
        mpfr_sub(span.get(), v[1].get(), v[0].get(), MPFR_RNDN);
        long spanExp = span.exponent();
        mpfr_sub(span.get(), v[3].get(), v[2].get(), MPFR_RNDN);
        spanExp = std::min(spanExp, span.exponent());
        const int digits = static_cast<int>((top - (spanExp - 32) + 64) * 0.30103) + 3;
        p.deepView = {deep::formatDecimal(v[0], digits), deep::formatDecimal(v[1], digits),
                      deep::formatDecimal(v[2], digits), deep::formatDecimal(v[3], digits)};
        p.setView(nearestView(p.deepView));
        p.Max = frameMax(from, to, td, deep::kDeepMaxIterationsLimit);
    }
    // The double path stops at its own Max limit; frames beyond it take the deep path.
    if (p.Max > kMaxIterationsLimit && p.deepMode == DeepMode::Auto) p.deepMode = DeepMode::On;

    // The reference: the centre of the narrower end, at the precision of the deepest frame.
    const auto& deeper = narrowerEnd(a, b) ? a : b;
    MpFloat cx(bits), cy(bits);
    mpfr_add(cx.get(), deeper[0].get(), deeper[1].get(), MPFR_RNDN);
    mpfr_div_2ui(cx.get(), cx.get(), 1, MPFR_RNDN);
    mpfr_add(cy.get(), deeper[2].get(), deeper[3].get(), MPFR_RNDN);
    mpfr_div_2ui(cy.get(), cy.get(), 1, MPFR_RNDN);
    const int refDigits = static_cast<int>(bits * 0.30103) + 3;
    p.deepReference = {deep::formatDecimal(cx, refDigits), deep::formatDecimal(cy, refDigits),
                       static_cast<long>(needed), std::max(from.Max, to.Max)};
    return p;
}

} // namespace

FractalParams zoomFrame(const FractalParams& from, const FractalParams& to, int frame, int frames) {
    if (!from.deepView.empty() || !to.deepView.empty())
        return deepZoomFrame(from, to, frame, frames);
    FractalParams p = from;
    const double t = frames > 1 ? static_cast<double>(frame) / (frames - 1) : 0.0;
    // Checked for every frame, so a pair that cannot animate fails the same way everywhere.
    const Axis x = interpolateAxis({from.UpperX, from.LowerX}, {to.UpperX, to.LowerX}, t);
    const Axis y = interpolateAxis({from.UpperY, from.LowerY}, {to.UpperY, to.LowerY}, t);
    if (frames > 1 && frame == frames - 1) {
        p.setView(to.view());
        p.Max = to.Max;
        return p;
    }
    p.UpperX = x.upper;
    p.LowerX = x.lower;
    p.UpperY = y.upper;
    p.LowerY = y.lower;
    p.Max = frameMax(from, to, t, kMaxIterationsLimit);
    return p;
}

} // namespace qm::fractal
