// The kernels against hand-worked values and against a small std::complex reference of each
// iteration, plus the catalogue table.
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/kernels.h"

#include <complex>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

using namespace qm::fractal;
using Cd = std::complex<double>;

KernelResult run(int type, double x, double y, KernelParams p = {}) {
    KernelResult r;
    getresults(type, r, x, y, p);
    return r;
}

TEST(Kernels, WorkedValues) {
    struct Row {
        const char* what;
        int type;
        double x, y;
        KernelParams p;
        KernelResult expected;
    };
    KernelParams max50;
    max50.max = 50;
    KernelParams order1;
    order1.order = 1;
    KernelParams bail40;
    bail40.bailout = 40;
    KernelParams turned;
    turned.orientation = {0.0, 1.0};
    KernelParams juliaZero;
    juliaZero.julia = true;
    juliaZero.juliaConst = {0.0, 0.0};
    KernelParams insideOut;
    insideOut.insideOut = true;
    const Row rows[] = {
        {"origin never escapes", code::Mandel, 0, 0, max50, {0, 0, 0, 51}},
        {"c = 2 escapes at the second step", code::Mandel, 2, 0, {}, {6, 0, 36, 2}},
        {"a larger bailout needs one more step", code::Mandel, 2, 0, bail40, {38, 0, 1444, 3}},
        {"Orientation turns (0,-2) onto 2", code::Mandel, 0, -2, turned, {6, 0, 36, 2}},
        {"Julia mode starts at c", code::Mandel, 2, 0, juliaZero, {4, 0, 16, 1}},
        {"inside-out maps the origin to 0", code::Mandel, 0, 0, insideOut, {0, 0, 0, 129}},
        {"newton converges on 1 at once", code::Newton, 1, 0, {}, {1, 0, 0, 1}},
        {"fractals off gives zeros", code::Off, 0.3, 0.4, {}, {0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const KernelResult r = run(row.type, row.x, row.y, row.p);
        EXPECT_EQ(r.I, row.expected.I);
        EXPECT_DOUBLE_EQ(r.A, row.expected.A);
        EXPECT_DOUBLE_EQ(r.B, row.expected.B);
        EXPECT_DOUBLE_EQ(r.Z, row.expected.Z);
    }
}

TEST(Kernels, OrderOneAddsTheConstant) {
    // z := z + C from z = c walks (k+1)c and escapes once |(k+1)c|^2 > 4.
    KernelParams p;
    p.order = 1;
    const KernelResult r = run(code::MandelOrder, 0.25, 0, p);
    EXPECT_EQ(r.I, 8); // 9 * 0.25 = 2.25 is the first beyond 2
    EXPECT_DOUBLE_EQ(r.A, 2.25);
}

TEST(Kernels, NovaStartsAtOneInMandelbrotModeAndAtCPlusOneInJulia) {
    KernelParams p;
    p.max = 0; // one step only
    p.order = 2;
    // From z = 1 the Newton part vanishes: the first z is 1 + C = 1 + c.
    const KernelResult m = run(code::Nova, 0.3, -0.2, p);
    EXPECT_DOUBLE_EQ(m.A, 1.3);
    EXPECT_DOUBLE_EQ(m.B, -0.2);
    p.julia = true;
    p.juliaConst = {0.0, 0.0};
    // From z = c + 1 = 2: 2 - (4 - 1) / 4 = 1.25.
    const KernelResult j = run(code::Nova, 1.0, 0.0, p);
    EXPECT_DOUBLE_EQ(j.A, 1.25);
}

TEST(Kernels, UnknownCodeLeavesTheResult) {
    KernelResult r{1, 2, 3, 4};
    getresults(55, r, 0, 0, {});
    EXPECT_EQ(r, (KernelResult{1, 2, 3, 4}));
}

TEST(Kernels, SpiderAndBarnsleyIgnoreOrientation) {
    KernelParams turned;
    turned.orientation = {0.6, 0.8};
    for (int type : {code::Spider, code::Barns}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(run(type, 0.3, 0.45, turned), run(type, 0.3, 0.45));
    }
    KernelParams julia;
    julia.julia = true;
    EXPECT_EQ(run(code::Spider, 0.3, 0.45, julia), run(code::Spider, 0.3, 0.45));
}

TEST(Kernels, IkenagaJuliaUsesTheFixedCube) {
    KernelParams p;
    p.julia = true;
    p.juliaConst = {0.2, 0.1};
    p.order = 3;
    const KernelResult three = run(code::Ikenaga, 0.4, 0.3, p);
    p.order = 7;
    EXPECT_EQ(run(code::Ikenaga, 0.4, 0.3, p), three);
}

// Overflow in the unguarded arithmetic ends the pixel with finite results.
TEST(Kernels, NonFiniteStepsEndThePixel) {
    KernelParams big;
    big.order = 2000;
    const KernelResult power = run(code::MandelOrder, 1.5, 0, big);
    EXPECT_EQ(power.I, 1);
    EXPECT_EQ(power.A, 1.5); // the last finite z: the start
    EXPECT_EQ(power.Z, kOverflowZ);

    // A finite z whose squared modulus overflows escapes with Z saturated.
    const KernelResult huge = run(code::Mandel, 1e300, 0);
    EXPECT_EQ(huge.I, 1);
    EXPECT_EQ(huge.A, 1e300);
    EXPECT_EQ(huge.Z, kOverflowZ);

    // Convergence family: (...)^n overflows in the second step: diverged.
    KernelParams nv;
    nv.order = 40;
    const KernelResult div = run(code::NewtonMSet1, 0.6, 0, nv);
    EXPECT_EQ(div.I, 2);
    EXPECT_EQ(div.Z, kOverflowZ);
    EXPECT_GT(div.A, 1e7);
    EXPECT_TRUE(std::isfinite(div.A));

    // Every kernel with an absurd order on a large point stays finite.
    for (const auto& t : catalogue()) {
        SCOPED_TRACE(t.caption);
        for (bool julia : {false, true}) {
            KernelParams p;
            p.order = 65535;
            p.max = 20;
            p.julia = julia;
            const KernelResult r = run(t.code, 7.5, -3.25, p);
            EXPECT_TRUE(std::isfinite(r.A) && std::isfinite(r.B) && std::isfinite(r.Z));
            EXPECT_GE(r.I, 0);
            EXPECT_LE(r.I, 21);
        }
    }
}

TEST(Kernels, ConvergenceLimit) {
    EXPECT_DOUBLE_EQ(convergenceLimit(4), 1e-4);
    EXPECT_EQ(convergenceLimit(400), 0.0);
    // A limit of 0 keeps a converged point iterating until Max.
    KernelParams p;
    p.bailout = 400;
    p.max = 30;
    EXPECT_EQ(run(code::Newton, 1, 0, p).I, 31);
}

TEST(Kernels, GuardedRoutines) {
    EXPECT_EQ(reciprocal(1.0, {0, 0}).re, 0.0);
    const Complex q = quotient({1, 1}, {0, 0});
    EXPECT_EQ(q.re, 0.0);
    EXPECT_EQ(q.im, 0.0);
    EXPECT_EQ(divReal({3, 4}, 0.0).re, 0.0);
    EXPECT_EQ(logarithm({0, 0}).re, 0.0);
    EXPECT_EQ(logarithm({0, 2}).im, 0.0); // the angle is 0 whenever re = 0
    EXPECT_DOUBLE_EQ(logarithm({-1, 0}).im, M_PI);
    EXPECT_EQ(sine({0, 1000}).im, 0.0); // sinh overflows: that part is 0
    const Complex p = intPower({0, 1}, 1);
    EXPECT_EQ(p.im, 1.0); // k <= 1 is z itself
    EXPECT_EQ(intPower({1, 1}, 0).re, 1.0);
}

// --- An independent reference on std::complex ----------------------------------------------

Cd pw(Cd z, int k) {
    Cd r = z;
    for (int j = 1; j < k; ++j)
        r *= z;
    return r;
}

struct Ref {
    int type;
    bool convergence;
    double cap;
    // Returns the new z; `state` carries w or K between steps; `test` receives the test value.
    std::function<Cd(Cd z, Cd& state, Cd c, Cd C, int n, bool julia, double& test)> step;
    std::function<Cd(Cd c, Cd C, bool julia)> start;
    std::function<Cd(Cd c, Cd C)> initState;
};

KernelResult runRef(const Ref& ref, double x, double y, const KernelParams& p) {
    Cd c = Cd(x, y) * Cd(p.orientation.re, p.orientation.im);
    const Cd J(p.juliaConst.re, p.juliaConst.im);
    const Cd C = p.julia ? J : c;
    Cd z = ref.start(c, C, p.julia);
    Cd state = ref.initState ? ref.initState(c, C) : Cd{};
    const double limit = std::pow(10.0, -p.bailout);
    for (int i = 1;; ++i) {
        const Cd old = z;
        double test = 0;
        z = ref.step(z, state, c, C, p.order, p.julia, test);
        if (ref.convergence) {
            test = std::norm(z - old);
            if (!(test >= limit && i <= p.max && test <= ref.cap))
                return {z.real(), z.imag(), test, i};
        } else {
            if (test < 0) test = std::norm(z);
            if (test > p.bailout || i > p.max) return {z.real(), z.imag(), test, i};
        }
    }
}

Cd startC(Cd c, Cd, bool) {
    return c;
}
Cd startNova(Cd c, Cd, bool julia) {
    return julia ? c + 1.0 : Cd(1, 0);
}

TEST(Kernels, AgreeWithAReferenceIteration) {
    const double inf = kNoCap;
    const std::vector<Ref> refs = {
        {code::MandelOrder,
         false,
         inf,
         [](Cd z, Cd&, Cd, Cd C, int n, bool, double& t) {
             t = -1;
             return pw(z, n) + C;
         },
         startC,
         {}},
        {code::Quartet1, false, inf,
         [](Cd z, Cd& k, Cd, Cd, int n, bool, double& t) {
             t = -1;
             const Cd r = pw(z, n) + k;
             k = z;
             return r;
         },
         startC, [](Cd, Cd C) { return C; }},
        {code::Quartet2, false, inf,
         [](Cd z, Cd& k, Cd, Cd, int n, bool, double& t) {
             t = -1;
             const Cd lg = z.real() == 0 ? Cd(std::log(std::abs(z)), 0) : std::log(z);
             const Cd r = pw(z, n) * lg + k;
             k = z;
             return r;
         },
         startC, [](Cd, Cd C) { return C; }},
        {code::Webb,
         false,
         inf,
         [](Cd z, Cd& w, Cd, Cd C, int n, bool, double& t) {
             t = -1;
             const Cd r = pw(z, n) - w + C;
             w = z;
             return r;
         },
         startC,
         {}},
        {code::WebbII,
         false,
         inf,
         [](Cd z, Cd& w, Cd, Cd C, int n, bool, double& t) {
             t = -1;
             const Cd r = pw(z, n) + w / 2.0 + C;
             w = z;
             return r;
         },
         startC,
         {}},
        {code::Phoenix,
         false,
         inf,
         [](Cd z, Cd& w, Cd, Cd C, int n, bool julia, double& t) {
             const Cd z1 = pw(z, n) - 0.5 * z + C;
             const Cd r = pw(z1, n) - 0.5 * w + C;
             w = z1;
             t = julia ? std::norm(r) : std::norm(z1);
             return r;
         },
         startC,
         {}},
        {code::Ikenaga,
         false,
         inf,
         [](Cd z, Cd&, Cd c, Cd C, int n, bool julia, double& t) {
             t = -1;
             return julia ? pw(z, 3) + z * (C - 1.0) + C : pw(z, n) + z * (c - 1.0) + c;
         },
         startC,
         {}},
        {code::Div1z,
         false,
         inf,
         [](Cd z, Cd&, Cd, Cd C, int, bool, double& t) {
             t = -1;
             return z * z / (1.0 + z) + C;
         },
         startC,
         {}},
        {code::Newton,
         true,
         inf,
         [](Cd z, Cd&, Cd, Cd, int n, bool, double&) {
             return (double(n - 1) * pw(z, n) + 1.0) / (double(n) * pw(z, n - 1));
         },
         startC,
         {}},
        {code::NewtonI,
         true,
         inf,
         [](Cd z, Cd&, Cd c, Cd, int n, bool, double&) {
             return (double(n - 1) * pw(z, n) + 1.0) / (double(n) * pw(z, n - 1)) + c;
         },
         startC,
         {}},
        {code::NewtonMSet1,
         true,
         1e20,
         [](Cd z, Cd&, Cd, Cd C, int n, bool, double&) {
             return pw(z - (pw(z, n) - 1.0) / (double(n) * pw(z, n - 1)) + C, n) * C;
         },
         startNova,
         {}},
        {code::NewtonMSet2,
         true,
         1e20,
         [](Cd z, Cd&, Cd c, Cd C, int n, bool, double&) {
             return pw(z - (pw(z, n) - 1.0) / (double(n) * pw(z, n - 1)) + C, n) + pw(c, n - 1);
         },
         startNova,
         {}},
        {code::NewtonMSet4,
         true,
         2147483647.0,
         [](Cd z, Cd&, Cd c, Cd C, int n, bool julia, double&) {
             const Cd k = julia ? C : c;
             const Cd q =
                 (k * pw(z, n) - k * pw(z, n - 1) - 1.0) / (3.0 * c * pw(z, n - 1) - z * k - z);
             return julia ? C + q : z - q;
         },
         startC,
         {}},
        {code::NewtonMSet5,
         true,
         2147483647.0,
         [](Cd z, Cd&, Cd, Cd C, int n, bool, double&) {
             return z - (C * pw(z, n) - z - C) / (double(n) * C * pw(z, n - 1));
         },
         startC,
         {}},
        {code::Nova,
         true,
         1e20,
         [](Cd z, Cd&, Cd, Cd C, int n, bool, double&) {
             return z - (pw(z, n) - 1.0) / (double(n) * pw(z, n - 1)) + C;
         },
         startNova,
         {}},
        {code::NovaVar1,
         true,
         2147483647.0,
         [](Cd z, Cd&, Cd c, Cd, int n, bool julia, double&) {
             const Cd v = z - (pw(z, n) - z) / (double(n) * pw(z, n - 1) - 1.0) + c;
             return julia ? pw(v, n) + pw(c, n - 1) : v;
         },
         startNova,
         {}},
        {code::NovaVar2,
         true,
         2147483647.0,
         [](Cd z, Cd&, Cd, Cd C, int n, bool, double&) {
             return z - (pw(z, n) - z) / (double(n) * pw(z, n - 1) - 1.0) + C * pw(z, n - 1);
         },
         startNova,
         {}},
    };
    const double points[][2] = {{0.31, 0.17}, {-0.52, 0.41}, {0.05, -0.62}, {1.3, 0.9}};
    for (const auto& ref : refs) {
        for (bool julia : {false, true}) {
            for (const auto& pt : points) {
                SCOPED_TRACE(std::string(findByCode(ref.type)->identifier) +
                             (julia ? " julia" : "") + " at " + std::to_string(pt[0]) + "," +
                             std::to_string(pt[1]));
                KernelParams p;
                p.max = 40;
                p.order = 3;
                p.julia = julia;
                p.juliaConst = {0.27, -0.35};
                p.orientation = {0.96, 0.28};
                const KernelResult got = run(ref.type, pt[0], pt[1], p);
                const KernelResult want = runRef(ref, pt[0], pt[1], p);
                ASSERT_EQ(got.I, want.I);
                EXPECT_NEAR(got.A, want.A, 1e-9 * (1 + std::abs(want.A)));
                EXPECT_NEAR(got.B, want.B, 1e-9 * (1 + std::abs(want.B)));
            }
        }
    }
}

TEST(Catalogue, TableIsConsistent) {
    const auto all = catalogue();
    ASSERT_EQ(all.size(), 24u);
    std::set<int> codes;
    std::set<std::string> identifiers;
    int convergence = 0;
    for (const auto& t : all) {
        codes.insert(t.code);
        if (*t.identifier) identifiers.insert(t.identifier);
        if (t.family == KernelFamily::Convergence) ++convergence;
        EXPECT_EQ(findByCode(t.code), &t);
        EXPECT_EQ(findByItemName(t.itemName), &t);
    }
    EXPECT_EQ(codes.size(), 24u);
    EXPECT_EQ(identifiers.size(), 23u);
    EXPECT_EQ(convergence, 9);
    EXPECT_EQ(findByIdentifier("webbII")->code, code::WebbII);
    EXPECT_EQ(findByIdentifier("Newton"), nullptr); // case-sensitive
    EXPECT_EQ(findByIdentifier(""), nullptr);
    EXPECT_STREQ(findByCode(code::Newton)->bailoutLabel(), "Dmin:1E-");
    EXPECT_STREQ(findByCode(code::Off)->bailoutLabel(), "Dmax");
    EXPECT_EQ(findByCode(code::Webb)->orderPreset, 4);
    EXPECT_FALSE(findByCode(code::Test)->visible);
}

TEST(Catalogue, GetFTypeFollowsThePriority) {
    std::set<int> checked;
    auto isChecked = [&](const FractalType& t) { return checked.count(t.code) > 0; };
    EXPECT_EQ(get_f_type(isChecked), code::Off);
    checked = {code::Mandel};
    EXPECT_EQ(get_f_type(isChecked), code::Mandel);
    checked = {code::Mandel, code::Quartet2, code::Newton};
    EXPECT_EQ(get_f_type(isChecked), code::Quartet2);
    checked = {code::Test, code::Quartet2};
    EXPECT_EQ(get_f_type(isChecked), code::Test);
    EXPECT_EQ(getFTypePriority().size(), 23u);
}

} // namespace
