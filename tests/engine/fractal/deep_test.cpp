// The deep renderer against a plain MPFR iteration of every pixel, against the double kernels
// at shallow views, and its parts (extended floats, long decimal views) against MPFR.
#include "deep_oracle.h"
#include "engine/fractal/deep/deep_complex.h"
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/deep/ext_float.h"
#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/fractal_type.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

namespace {

using namespace qm::fractal;
using namespace qm::fractal::deep;
using qm::test::compareCounts;
using qm::test::Counts;

// The agreement every comparison of two renders of one view must reach.
void expectAgreement(const Counts& expected, const Counts& actual) {
    const auto a = compareCounts(expected, actual);
    EXPECT_GE(a.identical, 0.90);
    EXPECT_GE(a.within, 0.97);
    EXPECT_LE(a.largestPatch, 4);
}

FractalParams deepParams(const std::string& re, const std::string& im, const std::string& width,
                         int w, int h, std::int32_t max) {
    FractalParams p;
    p.deepView = deepViewFromCentre(re, im, width, w, h);
    p.setView(nearestView(p.deepView));
    p.Max = max;
    p.deepMode = DeepMode::On;
    return p;
}

// Misiurewicz points: the boundary has structure at every scale around them and pixels escape
// after a number of iterations that grows only with the log of the depth.
const char* const kMisiurewiczRe = "0";
const char* const kMisiurewiczIm = "1";
// For z^3 + c: c^2 = w - 1 with w a cube root of unity, so z_2 = c w is a repelling fixed point.
const char* const kCubicRe = "0.340625019316606640194394244037830888977210102549125303119705";
const char* const kCubicIm = "1.27122987841870623913561299102106497672841432822677767821368";

// ---------------------------------------------------------------------------------------------
// Extended floats

MpFloat toMp(const ExtFloat& v) {
    MpFloat r(v.m, 53);
    mpfr_mul_2si(r.get(), r.get(), v.e, MPFR_RNDN);
    return r;
}

// |got - want| <= 2^-51 * scale, in MPFR.
bool closeTo(const ExtFloat& got, const MpFloat& want, const MpFloat& scale) {
    MpFloat d(200), g = toMp(got), tol(200);
    mpfr_sub(d.get(), g.get(), want.get(), MPFR_RNDN);
    mpfr_abs(d.get(), d.get(), MPFR_RNDN);
    mpfr_abs(tol.get(), scale.get(), MPFR_RNDN);
    mpfr_mul_2si(tol.get(), tol.get(), -51, MPFR_RNDN);
    return mpfr_lessequal_p(d.get(), tol.get()) != 0;
}

TEST(DeepExtFloat, SumsProductsAndOrderAgreeWithMpfrAcrossExponents) {
    std::mt19937_64 random(19);
    std::uniform_real_distribution<double> mantissa(-2.0, 2.0);
    std::uniform_int_distribution<int> exponent(-1000000, 1000000);
    std::uniform_int_distribution<int> near(-70, 70);
    for (int k = 0; k < 20000; ++k) {
        const ExtFloat a(mantissa(random), exponent(random));
        // Half the pairs share nearly the exponent, so that sums cancel and carry.
        const ExtFloat b(mantissa(random), k % 2 ? a.e + near(random) : exponent(random));
        const MpFloat ma = toMp(a), mb = toMp(b);
        MpFloat want(200), scale(200);
        mpfr_add(want.get(), ma.get(), mb.get(), MPFR_RNDN);
        mpfr_abs(scale.get(), ma.get(), MPFR_RNDN);
        if (mpfr_cmpabs(mb.get(), ma.get()) > 0) mpfr_abs(scale.get(), mb.get(), MPFR_RNDN);
        ASSERT_TRUE(closeTo(a + b, want, scale)) << k;
        mpfr_sub(want.get(), ma.get(), mb.get(), MPFR_RNDN);
        ASSERT_TRUE(closeTo(a - b, want, scale)) << k;
        mpfr_mul(want.get(), ma.get(), mb.get(), MPFR_RNDN);
        ASSERT_TRUE(closeTo(a * b, want, want)) << k;
        mpfr_div(want.get(), ma.get(), mb.get(), MPFR_RNDN);
        ASSERT_TRUE(closeTo(a / b, want, want)) << k;
        ASSERT_EQ(a < b, mpfr_less_p(ma.get(), mb.get()) != 0) << k;
        ASSERT_EQ(b < a, mpfr_less_p(mb.get(), ma.get()) != 0) << k;
        // Conversion from MPFR keeps the value; to double where doubles reach.
        ASSERT_TRUE(fromMp<ExtFloat>(ma) == a) << k;
    }
    EXPECT_EQ(ExtFloat(1.25, -1074).toDouble(), 0x1p-1074); // rounded into the subnormals
    EXPECT_EQ(ExtFloat(1.0, -1100).toDouble(), 0.0);
    EXPECT_EQ(ExtFloat(-1.25, 1000).toDouble(), -1.25 * 0x1p1000);
    EXPECT_EQ(ExtFloat(0x1p-1070).e, -1070); // a subnormal double converts exactly
    EXPECT_TRUE(ExtFloat() < ExtFloat(1.0, -900000));
    EXPECT_TRUE(ExtFloat(-1.0, -900000) < ExtFloat());
    EXPECT_TRUE((ExtFloat(1.0, 5) - ExtFloat(1.0, 5)).isZero());
}

// ---------------------------------------------------------------------------------------------
// Long decimal views

TEST(DeepView, ReaderTakesDecimalsOnlyAndKeepsEveryDigit) {
    for (const char* bad : {"", "-", ".", "1e", "1e+", "0x10", "1,5", " 1", "1 ", "nan", "inf",
                            "1e9999999", "1.2.3", "--1", "1e-5000x"})
        EXPECT_FALSE(parseDecimal(bad, 64).has_value()) << bad;
    for (const char* good : {"0", "-0.5", "+3", ".5", "5.", "1E-5000", "-1.25e+3"})
        EXPECT_TRUE(parseDecimal(good, 64).has_value()) << good;
    const std::string digits = "-1.99996619445037030418434688506350579675531241540724851511761";
    const auto v = parseDecimal(digits, bitsForDecimal(digits));
    ASSERT_TRUE(v);
    EXPECT_EQ(formatDecimal(*v, 60), digits);
    EXPECT_THROW(deepViewFromFields("1", "2", "x", "4"), ERenderParameters);
}

TEST(DeepView, CentreAndWidthGiveTheExactWidthAndTheAspect) {
    const DeepView v = deepViewFromCentre("-0.75", "0.1", "1E-5000", 1280, 960);
    const mpfr_prec_t bits = 20000;
    MpFloat w(bits), h(bits);
    mpfr_sub(w.get(), parseDecimal(v.lowerX, bits)->get(), parseDecimal(v.upperX, bits)->get(),
             MPFR_RNDN);
    mpfr_sub(h.get(), parseDecimal(v.lowerY, bits)->get(), parseDecimal(v.upperY, bits)->get(),
             MPFR_RNDN);
    // Exact to far below a pixel (the texts end 2^-64 of a pixel step below the centre).
    EXPECT_EQ(formatDecimal(w, 17), "1E-5000");
    EXPECT_EQ(formatDecimal(h, 17), "7.5E-5001");
    EXPECT_EQ(nearestView(v).upperX, -0.75);
    EXPECT_THROW(deepViewFromCentre("0", "0", "0", 10, 10), ERenderParameters);
    EXPECT_THROW(deepViewFromCentre("0", "0", "-1", 10, 10), ERenderParameters);
}

// ---------------------------------------------------------------------------------------------
// The renderer against the oracle

TEST(DeepRender, MandelbrotAt1E30AgreesWithMpfr) {
    const FractalParams p = deepParams(kMisiurewiczRe, kMisiurewiczIm, "1E-30", 24, 18, 2000);
    DeepStats stats;
    const Counts deep = qm::test::deepCounts(p, 24, 18, {}, &stats);
    expectAgreement(qm::test::oracleCounts(p, 24, 18, 256), deep);
    EXPECT_FALSE(stats.extended);
    EXPECT_NEAR(stats.magnificationLog10, std::log10(4.0) + 30, 1e-9);
    // The extended type gives the same picture where doubles still reach.
    DeepOptions extended;
    extended.numberType = NumberType::Extended;
    expectAgreement(deep, qm::test::deepCounts(p, 24, 18, extended));
}

TEST(DeepRender, FlakeAt1_8E157AgreesWithMpfrAndRebases) {
    const char* re = "-1.9999661944503703041843468850635057967553124154072485151176192294480158424"
                     "2342684381376129778868913812287046406560949864353810575744772166485672496092"
                     "803920095332";
    const char* im = "-0.0000000000000000000000000000000003001382436790938324072497303977592498734"
                     "6831190773335270174257280120474975614823581185647299288414075519224186504978"
                     "181625478529";
    const FractalParams p = deepParams(re, im, "1.8E-157", 12, 9, 40000);
    DeepStats stats;
    const Counts deep = qm::test::deepCounts(p, 12, 9, {}, &stats);
    expectAgreement(qm::test::oracleCounts(p, 12, 9, 600), deep);
    EXPECT_GT(stats.rebases, 0);
    EXPECT_GT(stats.skipped, stats.iterations / 2);
    // Without BLA every iteration is a perturbation step: the same picture.
    DeepOptions noBla;
    noBla.bla = false;
    DeepStats plain;
    expectAgreement(deep, qm::test::deepCounts(p, 12, 9, noBla, &plain));
    EXPECT_EQ(plain.skipped, 0);
}

TEST(DeepRender, BelowTheRangeOfDoublesAgreesWithMpfr) {
    // Off the Misiurewicz point by a third of the width, so the centre is no special pixel.
    const FractalParams p =
        deepParams("3E-321",
                   "1.0000000000000000000000000000000000000000000000000000000000000"
                   "000000000000000000000000000000000000000000000000000000000000000"
                   "000000000000000000000000000000000000000000000000000000000000000"
                   "000000000000000000000000000000000000000000000000000000000000000"
                   "000000000000000000000000000000000000000000000000000000000000000"
                   "0000000000000000000000000000000000000000000002",
                   "1E-320", 24, 18, 3000);
    DeepStats stats;
    const Counts deep = qm::test::deepCounts(p, 24, 18, {}, &stats);
    EXPECT_TRUE(stats.extended);
    EXPECT_GT(std::set<double>(deep.I.begin(), deep.I.end()).size(), 3u);
    expectAgreement(qm::test::oracleCounts(p, 24, 18, 1200), deep);
}

TEST(DeepRender, Below1E1000AgreesWithMpfr) {
    const FractalParams p = deepParams("2E-1001", "1", "1E-1000", 8, 6, 4000);
    DeepStats stats;
    const Counts deep = qm::test::deepCounts(p, 8, 6, {}, &stats);
    EXPECT_TRUE(stats.extended);
    EXPECT_GT(stats.bits, 3322);
    EXPECT_GT(std::set<double>(deep.I.begin(), deep.I.end()).size(), 3u); // not one flat colour
    expectAgreement(qm::test::oracleCounts(p, 8, 6, 3500), deep);
}

TEST(DeepRender, CubicAndJuliaAgreeWithMpfr) {
    FractalParams cubic = deepParams(kCubicRe, kCubicIm, "1E-25", 24, 18, 2000);
    cubic.type = code::MandelOrder;
    cubic.Order = 3;
    expectAgreement(qm::test::oracleCounts(cubic, 24, 18, 256),
                    qm::test::deepCounts(cubic, 24, 18));

    // The basilica J = -1 around its repelling fixed point, the golden ratio.
    FractalParams julia = deepParams("1.6180339887498948482045868343656381177203091798057628621354",
                                     "1E-27", "1E-25", 24, 18, 2000);
    julia.julia = true;
    julia.JuliaX = -1.0;
    julia.JuliaY = 0.0;
    expectAgreement(qm::test::oracleCounts(julia, 24, 18, 256),
                    qm::test::deepCounts(julia, 24, 18));
}

TEST(DeepRender, JuliaConstantsBeyondDoublesAreUsedExactly) {
    // J = -1 + 3E-26 (its nearest double is -1) moves the basilica's fixed point by some pixels
    // of a 1E-25 view; Inside Out inverts the given constant, so -1 - 3E-26 lands near it too.
    struct Case {
        const char* centre; // the golden ratio, or its reciprocal with Inside Out
        const char* juliaRe;
        bool insideOut;
    };
    for (const Case& c : {Case{"1.6180339887498948482045868343656381177203091798057628621354",
                               "-0.99999999999999999999999997", false},
                          Case{"0.6180339887498948482045868343656381177203091798057628621354",
                               "-1.00000000000000000000000003", true}}) {
        SCOPED_TRACE(c.insideOut ? "Inside Out" : "plain");
        FractalParams p = deepParams(c.centre, "1E-27", "1E-25", 24, 18, 2000);
        p.julia = true;
        p.insideOut = c.insideOut;
        p.JuliaX = -1.0;
        p.JuliaY = 0.0;
        const Counts roundedToDoubles = qm::test::oracleCounts(p, 24, 18, 256);
        p.deepJulia = deepJuliaFromTexts(c.juliaRe, "0");
        const Counts exact = qm::test::oracleCounts(p, 24, 18, 256);
        ASSERT_LT(qm::test::compareCounts(exact, roundedToDoubles).identical, 0.9);
        expectAgreement(exact, qm::test::deepCounts(p, 24, 18));
    }
}

TEST(DeepRender, ShallowViewsAgreeWithTheDoubleKernels) {
    struct Case {
        int type, order;
        bool julia, insideOut, flipX, flipY, mirror;
        Complex orientation;
        View view;
    };
    const Case cases[] = {
        // The period-3 bulb near -1.75: orbits pass close to 0, so pixels rebase.
        {code::Mandel,
         2,
         false,
         false,
         false,
         false,
         false,
         {1, 0},
         {-1.7551, -1.7546, -2e-4, 2e-4}},
        {code::Mandel, 2, false, false, true, true, false, {0.6, 0.8}, {0.0, 0.02, -1.0, -0.985}},
        {code::Mandel, 2, false, true, false, false, false, {1, 0}, {-0.01, 0.01, -1.01, -0.995}},
        {code::Mandel, 2, false, false, false, false, true, {1, 0}, {-0.01, 0.02, 0.99, 1.0125}},
        {code::MandelOrder, 5, false, false, false, false, false, {1, 0}, {0.2, 0.25, 0.6, 0.6375}},
        {code::MandelOrder, 3, true, false, true, false, false, {1, 0}, {-0.2, 0.2, -0.15, 0.15}},
        {code::Mandel, 2, true, true, false, false, true, {0.8, -0.6}, {0.5, 0.9, -0.2, 0.1}},
    };
    int rebasingViews = 0;
    for (const Case& c : cases) {
        FractalParams p;
        p.type = c.type;
        p.Order = c.order;
        p.julia = c.julia;
        p.JuliaX = -0.77;
        p.JuliaY = 0.12;
        p.insideOut = c.insideOut;
        p.flipX = c.flipX;
        p.flipY = c.flipY;
        p.mirror = c.mirror;
        p.Orientation = c.orientation;
        p.setView(c.view);
        p.Max = 1000;
        SCOPED_TRACE(testing::Message() << c.type << " view " << c.view.upperX);
        DeepStats stats;
        const Counts deep = qm::test::deepCounts(p, 32, 24, {}, &stats);
        expectAgreement(qm::test::doubleCounts(p, 32, 24), deep);
        rebasingViews += stats.rebases > 0;
    }
    EXPECT_GE(rebasingViews, 1);
}

TEST(DeepRender, SkipsCoverLongOrbitsInFewSteps) {
    // Inside the main cardioid the orbit is attracting: products of 2 Z underflow to 0 in long
    // table entries, which must stay usable. A million iterations take a few dozen skips.
    const FractalParams p = deepParams("-0.1", "1E-28", "1E-30", 8, 6, 1000000);
    DeepStats stats;
    const Counts counts = qm::test::deepCounts(p, 8, 6, {}, &stats);
    for (const double I : counts.I)
        EXPECT_EQ(I, 1000001.0);
    EXPECT_LT(stats.skips, 48 * 100);
}

TEST(DeepRender, RendersUseTheDeepPathOnlyWhereAsked) {
    FractalParams p;
    EXPECT_FALSE(usesDeepPath(p, 320, 240));
    p.deepMode = DeepMode::On;
    EXPECT_TRUE(usesDeepPath(p, 320, 240));
    p.setView({-0.75, -0.75 + 1e-14, 0.1, 0.1 + 1e-14});
    p.deepMode = DeepMode::Auto;
    EXPECT_TRUE(usesDeepPath(p, 320, 240));
    p.deepMode = DeepMode::Off;
    EXPECT_FALSE(usesDeepPath(p, 320, 240));
    p.deepMode = DeepMode::On;
    p.type = code::Spider; // no deep path: the double path and its message
    EXPECT_FALSE(usesDeepPath(p, 320, 240));
    p.type = code::MandelOrder;
    p.Order = 17;
    EXPECT_FALSE(usesDeepPath(p, 320, 240));
    // Max above the double path's limit is a deep-path Max only.
    p.type = code::Mandel;
    p.Max = 1000000;
    EXPECT_NO_THROW(validateForRender(p, 320, 240));
    p.deepMode = DeepMode::Off;
    EXPECT_THROW(validateForRender(p, 320, 240), ERenderParameters);
}

} // namespace
