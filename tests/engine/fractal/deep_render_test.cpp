// The deep path inside render jobs: the same pixels from any thread count and any band of rows
// (the reference orbit depends on the view alone), and a stop during the reference orbit.
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/render_job.h"
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

} // namespace
