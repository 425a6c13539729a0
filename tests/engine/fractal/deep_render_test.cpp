// The deep path inside render jobs: the same pixels from any thread count and any band of rows
// (the reference orbit depends on the view alone), and a stop during the reference orbit.
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/kernel_batch.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/zoom_animation.h"
#include "fake_formulas.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using namespace qm;
using namespace qm::fractal;

GradientTableData indexGradient() {
    GradientTableData t{};
    for (int k = 0; k < 257; ++k)
        t[static_cast<std::size_t>(k)] = makeColour(static_cast<std::uint8_t>(k & 255), 7, 9);
    return t;
}

qm::test::FakeCompiler iterationsFormula() {
    qm::test::FakeCompiler c;
    c.add("i", [](const qm::test::PixelVars& v, RandomGenerator&, ArithFault&) { return v.I; });
    return c;
}

std::vector<ColourValue> renderRows(const FractalParams& p, int threads, int firstRow,
                                    int rowCount) {
    SharedColourData shared;
    shared.setGradientTable(indexGradient());
    std::atomic<std::int32_t> bailout{p.Bailout};
    const auto compiler = iterationsFormula();
    RenderOptions options;
    options.threads = threads;
    options.firstRow = firstRow;
    options.rowCount = rowCount;
    RenderJob job(p, p.Width, p.Height, shared, bailout, compiler, options);
    EXPECT_TRUE(job.settings().deep);
    std::vector<ColourValue> pixels(static_cast<std::size_t>(p.Width) * rowCount);
    job.run([&](const RenderRow& row) {
        std::copy(row.pixels.begin(), row.pixels.end(),
                  pixels.begin() + static_cast<std::ptrdiff_t>(row.y - firstRow) * p.Width);
    });
    return pixels;
}

FractalParams deepView(const char* width, std::int32_t max) {
    FractalParams p;
    p.deepView = deepViewFromCentre("1E-41", "1", width, 40, 30);
    p.setView(nearestView(p.deepView));
    p.Width = 40;
    p.Height = 30;
    p.Max = max;
    p.edit971 = "i";
    return p;
}

TEST(DeepRenderJob, ThreadsAndBandsGiveTheSamePixels) {
    const FractalParams p = deepView("1E-40", 3000);
    const auto whole = renderRows(p, 1, 0, p.Height);
    EXPECT_GT(std::set<ColourValue>(whole.begin(), whole.end()).size(), 10u);
    EXPECT_EQ(renderRows(p, 3, 0, p.Height), whole);
    const auto band = renderRows(p, 2, 10, 7);
    EXPECT_TRUE(std::equal(band.begin(), band.end(), whole.begin() + 10 * p.Width));
}

TEST(DeepRenderJob, StopEndsTheReferenceOrbit) {
    // The centre lies inside the set: its orbit runs to Max, millions of MPFR iterations.
    FractalParams p = deepView("1E-60", 50000000);
    p.deepView = deepViewFromCentre("-0.1", "0", "1E-60", 40, 30);
    p.setView(nearestView(p.deepView));
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{p.Bailout};
    const auto compiler = iterationsFormula();
    RenderOptions options;
    options.threads = 2;
    int polls = 0;
    options.stopWhen = [&] { return ++polls == 3; };
    RenderJob job(p, p.Width, p.Height, shared, bailout, compiler, options);
    int rows = 0;
    job.run([&](const RenderRow&) { ++rows; });
    EXPECT_TRUE(job.stopRequested());
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(job.isFinished());
}

// I of every pixel, one picture on one thread, and its figures.
std::pair<std::vector<std::int32_t>, deep::DeepStats> deepIterations(const FractalParams& p) {
    deep::DeepPicture picture(p, p.Width, p.Height);
    const std::atomic<std::int32_t> bailout{p.Bailout};
    std::vector<std::int32_t> I;
    KernelRow row;
    for (int y = 0; y < p.Height; ++y) {
        EXPECT_TRUE(picture.renderRow(y, bailout, row));
        I.insert(I.end(), row.I.begin(), row.I.begin() + p.Width);
    }
    return {I, picture.stats()};
}

TEST(DeepRenderJob, TheInteriorShortcutGivesTheIteratedResults) {
    // A rotated view over the main cardioid and the period-2 bulb, and the same Inside Out.
    for (const bool insideOut : {false, true}) {
        FractalParams p = deepView("1E-40", 400);
        p.deepView = {};
        p.setView(insideOut ? View{-3.0, 1.0, -1.5, 1.5} : View{-1.6, 0.5, -0.8, 0.8});
        p.Orientation = {0.6, 0.8};
        p.insideOut = insideOut;
        p.deepMode = DeepMode::On;
        deep::DeepPicture picture(p, p.Width, p.Height);
        const std::atomic<std::int32_t> bailout{p.Bailout};
        KernelRow full, quick;
        int skipped = 0;
        for (int y = 0; y < p.Height; ++y) {
            ASSERT_TRUE(picture.renderRow(y, bailout, full));
            ASSERT_TRUE(picture.renderRow(y, bailout, quick, nullptr, true));
            for (int x = 0; x < p.Width; ++x) {
                EXPECT_EQ(quick.I[x], full.I[x]) << x << ", " << y;
                skipped += quick.Z[x] == 0.0 && full.Z[x] != 0.0;
            }
        }
        EXPECT_GT(skipped, insideOut ? 20 : 200);
    }
}

TEST(DeepRenderJob, VectorLanesGiveTheScalarPixels) {
    // A shallow view with a short reference (the centre escapes): lanes rebase at its end too.
    FractalParams p = deepView("1E-40", 2000);
    p.deepView = {};
    p.Width = 64;
    p.Height = 48;
    p.setView({-0.7455, -0.7435, 0.1125, 0.1140});
    p.deepMode = DeepMode::On;
    const auto rows = [&](SimdLevel level) {
        setActiveSimd(level);
        deep::DeepPicture picture(p, p.Width, p.Height);
        const std::atomic<std::int32_t> bailout{p.Bailout};
        std::vector<KernelRow> all(static_cast<std::size_t>(p.Height));
        for (int y = 0; y < p.Height; ++y)
            EXPECT_TRUE(picture.renderRow(y, bailout, all[static_cast<std::size_t>(y)]));
        setActiveSimd(detectedSimd());
        return all;
    };
    const auto scalar = rows(SimdLevel::Scalar), vector = rows(SimdLevel::Avx512);
    for (std::size_t y = 0; y < scalar.size(); ++y)
        for (std::size_t x = 0; x < scalar[y].I.size(); ++x) {
            const KernelRow &a = scalar[y], &b = vector[y];
            ASSERT_EQ(a.I[x], b.I[x]) << x << ", " << y;
            ASSERT_EQ(a.A[x], b.A[x]) << x << ", " << y;
            ASSERT_EQ(a.B[x], b.B[x]) << x << ", " << y;
            ASSERT_EQ(a.Z[x], b.Z[x]) << x << ", " << y;
        }
}

TEST(DeepOrbitSharing, AKeptLongerOrbitGivesThePixelsOfAnOwnOne) {
    FractalParams p = deepView("1E-40", 1000);
    p.deepView = deepViewFromCentre("-1.2500000000000000000000013", "0.0000000000000000000001",
                                    "1E-35", 40, 30);
    p.setView(nearestView(p.deepView));
    const auto [own, ownStats] = deepIterations(p);
    EXPECT_FALSE(ownStats.referenceShared);
    p.Max = 3000;
    deepIterations(p); // keeps an orbit three times as long
    p.Max = 1000;
    const auto [again, stats] = deepIterations(p);
    EXPECT_TRUE(stats.referenceShared);
    EXPECT_EQ(stats.referenceLength, ownStats.referenceLength);
    EXPECT_EQ(again, own);
}

TEST(DeepZoomAnimation, FramesToAnyDepthShareOneReference) {
    FractalParams from = deepView("1E-40", 200);
    from.setView({-2.5, 1.5, -1.5, 1.5});
    from.deepView = {};
    FractalParams to = from;
    to.Max = 20000;
    // The real nucleus of period 275 next to -2 (bench/deep_nuclei.txt), below 1E-300.
    const std::string nucleus =
        "-1.99999999999999999999999999999999999999999999999999999999999999999999999999999"
        "99999999999999999999999999999999999999999999999999999999999999999999999999999999"
        "99999995983078087803137231518223415817062890002604443350818052152835584389216616"
        "47249408107491881415456490126197644684611594068530297531624196961715268773909690"
        "35464647873769733922697033746468227569864658316818050663333137001052686687539433"
        "780763222654304345366873029071852213276922591262135293";
    to.deepView = deepViewFromCentre(nucleus, "0", "2E-329", 40, 30);
    to.setView(nearestView(to.deepView));
    const int frames = 9;
    std::vector<FractalParams> all;
    for (int f = 0; f < frames; ++f)
        all.push_back(zoomFrame(from, to, f, frames));
    // The first frame is FROM's view, the last TO's exactly; Max and the depth grow steadily.
    EXPECT_NEAR(all.front().UpperX, -2.5, 1e-15);
    EXPECT_EQ(all.back().deepView, to.deepView);
    EXPECT_EQ(all.back().Max, 20000);
    for (int f = 1; f < frames; ++f) {
        EXPECT_GT(all[f].Max, all[f - 1].Max);
        EXPECT_EQ(all[f].deepReference, all[0].deepReference);
    }
    // Frame 7 (width about 1E-290, extended deltas) made alone, then inside the whole run.
    const auto [alone, aloneStats] = deepIterations(all[7]);
    EXPECT_GT(std::set<std::int32_t>(alone.begin(), alone.end()).size(), 10u);
    int shared = 0;
    for (int f = 1; f < frames; ++f) {
        const auto [I, stats] = deepIterations(all[f]);
        shared += stats.referenceShared;
        EXPECT_EQ(stats.bits, aloneStats.bits);
        if (f == 7) {
            EXPECT_EQ(I, alone);
        }
    }
    // Orbits are computed once per number type: doubles above 1E-290, extended below.
    EXPECT_GE(shared, frames - 3);
}

} // namespace
