// Scalar iteration kernels: the reference for every vector path.
#include "engine/fractal/kernels.h"

#include "engine/fractal/fractal_type.h"

#include <algorithm>
#include <cmath>

namespace qm::fractal {

namespace {

double finiteOrMax(double v) {
    return std::isfinite(v) ? v : kOverflowZ;
}

// Escape family: step, count, test; stop when the test value exceeds Bailout or i exceeds Max.
// `test` yields the test value of the new z (most kernels: its squared modulus).
template <class Step, class Test>
KernelResult escapeLoop(Complex z, const KernelParams& p, Step&& step, Test&& test) {
    const double bailout = p.bailout;
    std::int32_t i = 0;
    for (;;) {
        const Complex next = step(z);
        ++i;
        if (!isFinite(next)) return {z.re, z.im, kOverflowZ, i};
        z = next;
        const double q = test(z);
        if (q > bailout || i > p.max) return {z.re, z.im, finiteOrMax(q), i};
    }
}

template <class Step> KernelResult escapeLoop(Complex z, const KernelParams& p, Step&& step) {
    return escapeLoop(z, p, step, [](Complex v) { return modulus2(v); });
}

// The guarded squared modulus of sinzpz and phoenix in Mandelbrot mode: 0 on overflow.
double guardedModulus2(Complex z) {
    const double q = modulus2(z);
    return std::isfinite(q) ? q : 0.0;
}

// Convergence family: go on while the move d >= limit, i <= Max and d <= cap.
template <class Step>
KernelResult convergenceLoop(Complex z, const KernelParams& p, double cap, Step&& step) {
    const double limit = convergenceLimit(p.bailout);
    std::int32_t i = 0;
    for (;;) {
        const Complex old = z;
        const Complex next = step(z);
        ++i;
        if (!isFinite(next)) return {old.re, old.im, kOverflowZ, i};
        z = next;
        double d = modulus2(sub(z, old));
        if (!std::isfinite(d)) d = 0.0; // the guarded distance
        if (!(d >= limit && i <= p.max && d <= cap)) return {z.re, z.im, d, i};
    }
}

// Start of the Newton-M-set and Nova entries: 1 in Mandelbrot mode, c + 1 in Julia mode.
Complex novaStart(const PreparedPoint& pp, const KernelParams& p) {
    return p.julia ? addReal(pp.c, 1.0) : Complex{1.0, 0.0};
}

// One Newton step for z^n - 1: z - (z^n - 1) / (n z^(n-1)).
Complex newtonStep(Complex z, int n) {
    return sub(z, quotient(subReal(intPower(z, n), 1.0), scale(intPower(z, n - 1), n)));
}

// The Nova-variation step: z - (z^n - z) / (n z^(n-1) - 1).
Complex novaVarStep(Complex z, int n) {
    return sub(z, quotient(sub(intPower(z, n), z), subReal(scale(intPower(z, n - 1), n), 1.0)));
}

KernelResult mandel(const PreparedPoint& pp, const KernelParams& p) {
    // Written out on the parts; the vector kernels perform exactly these operations.
    const double cr = pp.C.re, ci = pp.C.im;
    Complex z = p.julia ? pp.c : Complex{};
    return escapeLoop(z, p, [&](Complex v) {
        const double t = v.re * v.im;
        return Complex{(v.re * v.re - v.im * v.im) + cr, (t + t) + ci};
    });
}

KernelResult spider(double X, double Y, const KernelParams& p) {
    Complex point{X, Y};
    if (p.insideOut) point = reciprocal(1.0, point);
    double kr = point.re, ki = point.im;
    return escapeLoop(point, p, [&](Complex v) {
        const double t = v.re * v.im;
        const Complex n{(v.re * v.re - v.im * v.im) + kr, (t + t) + ki};
        kr = kr * 0.5 + n.re;
        ki = ki * 0.5 + n.im;
        return n;
    });
}

KernelResult barns(double X, double Y, const KernelParams& p) {
    Complex c{X, Y};
    if (p.insideOut) c = reciprocal(1.0, c);
    const Complex C = p.julia ? p.juliaConst : c;
    Complex z = p.julia ? c : Complex{};
    return escapeLoop(z, p, [&](Complex v) {
        v.re = v.re >= 0.0 ? v.re - 1.0 : v.re + 1.0;
        return Complex{v.re * C.re - v.im * C.im, v.re * C.im + v.im * C.re};
    });
}

} // namespace

double convergenceLimit(std::int32_t bailout) {
    const double scale = std::pow(10.0, static_cast<double>(bailout));
    if (!std::isfinite(scale)) return 0.0;
    return 1.0 / scale; // 10^bailout may underflow to 0 for a negative bailout: limit +inf
}

void getresults(int type, KernelResult& result, double X, double Y, const KernelParams& params) {
    KernelParams p = params;
    // i counts up to Max + 1 and must stay representable.
    p.max = std::min(p.max, std::numeric_limits<std::int32_t>::max() - 1);
    const int n = p.order;

    switch (type) {
    case code::Off:
        result = KernelResult{};
        return;
    case code::Spider:
        result = spider(X, Y, p);
        return;
    case code::Barns:
        result = barns(X, Y, p);
        return;
    case code::Newton:
    case code::NewtonI: {
        const PreparedPoint pp = preparePoint(X, Y, p, false);
        const bool plusC = type == code::NewtonI;
        result = convergenceLoop(pp.c, p, kNoCap, [&](Complex z) {
            const Complex num = addReal(scale(intPower(z, n), n - 1), 1.0);
            const Complex v = quotient(num, scale(intPower(z, n - 1), n));
            return plusC ? add(v, pp.c) : v;
        });
        return;
    }
    default:
        break;
    }

    const PreparedPoint pp = preparePoint(X, Y, p);
    const Complex c = pp.c, J = pp.J, C = pp.C;
    switch (type) {
    case code::Mandel:
        result = mandel(pp, p);
        return;
    case code::MandelOrder:
        result = escapeLoop(c, p, [&](Complex z) { return add(intPower(z, n), C); });
        return;
    case code::Logsin:
        result =
            escapeLoop(c, p, [&](Complex z) { return add(logarithm(sine(intPower(z, n))), C); });
        return;
    case code::Sinzpz: {
        auto step = [&](Complex z) { return add(sine(add(intPower(z, n), C)), z); };
        if (p.julia)
            result = escapeLoop(c, p, step);
        else
            result = escapeLoop(c, p, step, guardedModulus2);
        return;
    }
    case code::Quartet1:
    case code::Quartet2:
    case code::Test: {
        const bool withLog = type == code::Quartet2 || (type == code::Test && !p.julia);
        Complex k = C;
        result = escapeLoop(c, p, [&](Complex z) {
            const Complex w = z;
            const Complex zn = intPower(z, n);
            const Complex next = add(withLog ? mul(zn, logarithm(z)) : zn, k);
            k = w;
            return next;
        });
        return;
    }
    case code::Ikenaga:
        if (p.julia)
            result = escapeLoop(c, p, [&](Complex z) {
                return add(add(intPower(z, 3), mul(z, subReal(J, 1.0))), J);
            });
        else
            result = escapeLoop(c, p, [&](Complex z) {
                return add(add(intPower(z, n), mul(z, subReal(c, 1.0))), c);
            });
        return;
    case code::Webb:
    case code::WebbII: {
        const bool second = type == code::WebbII;
        Complex w{};
        result = escapeLoop(c, p, [&](Complex z) {
            const Complex v = z;
            const Complex zn = intPower(z, n);
            const Complex next = second ? add(add(zn, divReal(w, 2.0)), C) : add(sub(zn, w), C);
            w = v;
            return next;
        });
        return;
    }
    case code::Phoenix: {
        Complex w{}, z1{};
        auto step = [&](Complex z) {
            z1 = add(sub(intPower(z, n), scale(z, 0.5)), C);
            const Complex next = add(sub(intPower(z1, n), scale(w, 0.5)), C);
            w = z1;
            return next;
        };
        if (p.julia)
            result = escapeLoop(c, p, step);
        else
            result = escapeLoop(c, p, step, [&](Complex) { return guardedModulus2(z1); });
        return;
    }
    case code::Div1z:
        result = escapeLoop(
            c, p, [&](Complex z) { return add(quotient(mul(z, z), addReal(z, 1.0)), C); });
        return;
    case code::NewtonMSet1:
    case code::NewtonMSet2: {
        const bool second = type == code::NewtonMSet2;
        result = convergenceLoop(novaStart(pp, p), p, 1e20, [&](Complex z) {
            const Complex inner = intPower(add(newtonStep(z, n), C), n);
            return second ? add(inner, intPower(c, n - 1)) : mul(inner, C);
        });
        return;
    }
    case code::NewtonMSet4:
        result = convergenceLoop(c, p, 2147483647.0, [&](Complex z) {
            const Complex zn = intPower(z, n), zn1 = intPower(z, n - 1);
            if (!p.julia) {
                const Complex num = subReal(sub(mul(c, zn), mul(c, zn1)), 1.0);
                const Complex den = sub(sub(mul(scale(c, 3.0), zn1), mul(z, c)), z);
                return sub(z, quotient(num, den));
            }
            const Complex num = subReal(sub(mul(J, zn), mul(J, zn1)), 1.0);
            const Complex den = sub(sub(mul(scale(c, 3.0), zn1), mul(z, J)), z);
            return add(J, quotient(num, den));
        });
        return;
    case code::NewtonMSet5:
        result = convergenceLoop(c, p, 2147483647.0, [&](Complex z) {
            const Complex num = sub(sub(mul(C, intPower(z, n)), z), C);
            const Complex den = mul(scale(C, n), intPower(z, n - 1));
            return sub(z, quotient(num, den));
        });
        return;
    case code::Nova:
        result = convergenceLoop(novaStart(pp, p), p, 1e20,
                                 [&](Complex z) { return add(newtonStep(z, n), C); });
        return;
    case code::NovaVar1:
        result = convergenceLoop(novaStart(pp, p), p, 2147483647.0, [&](Complex z) {
            const Complex v = add(novaVarStep(z, n), c);
            return p.julia ? add(intPower(v, n), intPower(c, n - 1)) : v;
        });
        return;
    case code::NovaVar2:
        result = convergenceLoop(novaStart(pp, p), p, 2147483647.0, [&](Complex z) {
            return add(novaVarStep(z, n), mul(C, intPower(z, n - 1)));
        });
        return;
    default:
        return; // unknown codes call nothing
    }
}

} // namespace qm::fractal
