// The MPFR oracle and the comparison rule of the deep renderer's tests.
#include "deep_oracle.h"

#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/kernels.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace qm::test {

using fractal::deep::MpFloat;

namespace {

MpFloat value(const std::string& text, double fallback, long bits) {
    if (text.empty()) return MpFloat(fallback, bits);
    return *fractal::deep::parseDecimal(text, bits);
}

} // namespace

Counts oracleCounts(const fractal::FractalParams& p, int width, int height, long bits) {
    const auto& dv = p.deepView;
    const MpFloat ux = value(dv.upperX, p.UpperX, bits), lx = value(dv.lowerX, p.LowerX, bits);
    const MpFloat uy = value(dv.upperY, p.UpperY, bits), ly = value(dv.lowerY, p.LowerY, bits);
    const int n = p.type == fractal::code::Mandel ? 2 : p.Order;
    MpFloat X(bits), Y(bits), cr(bits), ci(bits), zr(bits), zi(bits), pr(bits), pi(bits), a(bits),
        b(bits), t(bits);
    // The Julia constant: doubles inverted in doubles (as the double kernel does), exact texts
    // inverted in MPFR.
    MpFloat jr = value(p.deepJulia.re, p.JuliaX, bits), ji = value(p.deepJulia.im, p.JuliaY, bits);
    if (p.insideOut && p.deepJulia.empty()) {
        const fractal::Complex J = fractal::reciprocal(1.0, {p.JuliaX, p.JuliaY});
        jr = MpFloat(J.re, bits);
        ji = MpFloat(J.im, bits);
    } else if (p.insideOut) {
        mpfr_sqr(a.get(), jr.get(), MPFR_RNDN);
        mpfr_sqr(b.get(), ji.get(), MPFR_RNDN);
        mpfr_add(a.get(), a.get(), b.get(), MPFR_RNDN);
        mpfr_div(jr.get(), jr.get(), a.get(), MPFR_RNDN);
        mpfr_div(ji.get(), ji.get(), a.get(), MPFR_RNDN);
        mpfr_neg(ji.get(), ji.get(), MPFR_RNDN);
    }
    Counts out{width, height, {}};
    for (int y = 1; y <= height; ++y) {
        for (int x = 1; x <= width; ++x) {
            // X = Upper + x * (Lower - Upper) / W, then the flips and Mirror.
            mpfr_sub(X.get(), lx.get(), ux.get(), MPFR_RNDN);
            mpfr_mul_si(X.get(), X.get(), x, MPFR_RNDN);
            mpfr_div_si(X.get(), X.get(), width, MPFR_RNDN);
            mpfr_add(X.get(), X.get(), ux.get(), MPFR_RNDN);
            mpfr_sub(Y.get(), ly.get(), uy.get(), MPFR_RNDN);
            mpfr_mul_si(Y.get(), Y.get(), y, MPFR_RNDN);
            mpfr_div_si(Y.get(), Y.get(), height, MPFR_RNDN);
            mpfr_add(Y.get(), Y.get(), uy.get(), MPFR_RNDN);
            if (p.flipX) mpfr_neg(X.get(), X.get(), MPFR_RNDN);
            if (p.flipY) mpfr_neg(Y.get(), Y.get(), MPFR_RNDN);
            if (p.mirror) {
                mpfr_abs(X.get(), X.get(), MPFR_RNDN);
                mpfr_abs(Y.get(), Y.get(), MPFR_RNDN);
            }
            // c = (X + iY) * Orientation, inverted with Inside Out.
            mpfr_mul_d(cr.get(), X.get(), p.Orientation.re, MPFR_RNDN);
            mpfr_mul_d(t.get(), Y.get(), p.Orientation.im, MPFR_RNDN);
            mpfr_sub(cr.get(), cr.get(), t.get(), MPFR_RNDN);
            mpfr_mul_d(ci.get(), X.get(), p.Orientation.im, MPFR_RNDN);
            mpfr_mul_d(t.get(), Y.get(), p.Orientation.re, MPFR_RNDN);
            mpfr_add(ci.get(), ci.get(), t.get(), MPFR_RNDN);
            if (p.insideOut) {
                mpfr_sqr(a.get(), cr.get(), MPFR_RNDN);
                mpfr_sqr(b.get(), ci.get(), MPFR_RNDN);
                mpfr_add(a.get(), a.get(), b.get(), MPFR_RNDN);
                mpfr_div(cr.get(), cr.get(), a.get(), MPFR_RNDN);
                mpfr_div(ci.get(), ci.get(), a.get(), MPFR_RNDN);
                mpfr_neg(ci.get(), ci.get(), MPFR_RNDN);
            }
            const bool startAtC = p.julia || p.type == fractal::code::MandelOrder;
            mpfr_set(zr.get(), cr.get(), MPFR_RNDN);
            mpfr_set(zi.get(), ci.get(), MPFR_RNDN);
            if (!startAtC) {
                mpfr_set_zero(zr.get(), 1);
                mpfr_set_zero(zi.get(), 1);
            }
            if (p.julia) {
                mpfr_set(cr.get(), jr.get(), MPFR_RNDN);
                mpfr_set(ci.get(), ji.get(), MPFR_RNDN);
            }
            int i = 0;
            for (;;) {
                mpfr_set(pr.get(), zr.get(), MPFR_RNDN);
                mpfr_set(pi.get(), zi.get(), MPFR_RNDN);
                for (int j = 1; j < n; ++j) {
                    mpfr_mul(a.get(), pr.get(), zr.get(), MPFR_RNDN);
                    mpfr_mul(b.get(), pi.get(), zi.get(), MPFR_RNDN);
                    mpfr_mul(t.get(), pr.get(), zi.get(), MPFR_RNDN);
                    mpfr_mul(pi.get(), pi.get(), zr.get(), MPFR_RNDN);
                    mpfr_add(pi.get(), pi.get(), t.get(), MPFR_RNDN);
                    mpfr_sub(pr.get(), a.get(), b.get(), MPFR_RNDN);
                }
                mpfr_add(zr.get(), pr.get(), cr.get(), MPFR_RNDN);
                mpfr_add(zi.get(), pi.get(), ci.get(), MPFR_RNDN);
                ++i;
                const double re = mpfr_get_d(zr.get(), MPFR_RNDN);
                const double im = mpfr_get_d(zi.get(), MPFR_RNDN);
                if (re * re + im * im > p.Bailout || i > p.Max) break;
            }
            out.I.push_back(i);
        }
    }
    return out;
}

Counts deepCounts(const fractal::FractalParams& p, int width, int height,
                  const fractal::deep::DeepOptions& options, fractal::deep::DeepStats* stats) {
    fractal::deep::DeepPicture picture(p, width, height, options);
    const std::atomic<std::int32_t> bailout{p.Bailout};
    fractal::KernelRow row;
    Counts out{width, height, {}};
    for (int y = 0; y < height; ++y) {
        if (!picture.renderRow(y, bailout, row)) return out;
        out.I.insert(out.I.end(), row.I.begin(), row.I.end());
    }
    if (stats) *stats = picture.stats();
    return out;
}

Counts doubleCounts(const fractal::FractalParams& p, int width, int height) {
    const fractal::PixelSteps s = fractal::computeSteps(p.view(), width, height);
    fractal::KernelParams kp;
    kp.max = p.Max;
    kp.bailout = p.Bailout;
    kp.julia = p.julia;
    kp.juliaConst = {p.JuliaX, p.JuliaY};
    kp.insideOut = p.insideOut;
    kp.order = p.Order;
    kp.orientation = p.Orientation;
    Counts out{width, height, {}};
    for (int y = 1; y <= height; ++y) {
        for (int x = 1; x <= width; ++x) {
            double X = fractal::renderPlaneX(x, s, p.view());
            double Y = fractal::renderPlaneY(y, s, p.view());
            if (p.flipX) X = -X;
            if (p.flipY) Y = -Y;
            if (p.mirror) {
                X = std::fabs(X);
                Y = std::fabs(Y);
            }
            fractal::KernelResult r;
            fractal::getresults(p.type, r, X, Y, kp);
            out.I.push_back(r.I);
        }
    }
    return out;
}

Agreement compareCounts(const Counts& expected, const Counts& actual) {
    Agreement a;
    const std::size_t n = expected.I.size();
    if (n == 0 || actual.I.size() != n) return a;
    std::vector<char> off(n, 0);
    int same = 0, close = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double e = expected.I[k], d = std::fabs(actual.I[k] - e);
        same += d == 0.0;
        if (d <= std::max(2.0, 0.02 * e))
            ++close;
        else
            off[k] = 1;
    }
    a.identical = static_cast<double>(same) / static_cast<double>(n);
    a.within = static_cast<double>(close) / static_cast<double>(n);
    // Patches: flood fill over 4-neighbours.
    const int w = expected.width, h = expected.height;
    std::vector<int> stack;
    for (std::size_t k = 0; k < n; ++k) {
        if (off[k] != 1) continue;
        int size = 0;
        stack.assign(1, static_cast<int>(k));
        off[k] = 2;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            ++size;
            const int x = at % w, y = at / w;
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& q : next) {
                if (q[0] < 0 || q[0] >= w || q[1] < 0 || q[1] >= h) continue;
                const auto j = static_cast<std::size_t>(q[1] * w + q[0]);
                if (off[j] == 1) {
                    off[j] = 2;
                    stack.push_back(static_cast<int>(j));
                }
            }
        }
        a.largestPatch = std::max(a.largestPatch, size);
    }
    return a;
}

} // namespace qm::test
