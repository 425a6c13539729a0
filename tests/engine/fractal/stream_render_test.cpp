// Supersampling, bands and ordered delivery of render jobs, band notes and zoom frames: every
// path must give the pixels of the plain render.
#include "engine/fractal/bands.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/zoom_animation.h"
#include "fake_formulas.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace qm;
using namespace qm::fractal;
using qm::test::FakeCompiler;
using qm::test::PixelVars;

FakeCompiler channels() {
    FakeCompiler c;
    c.add("r", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.I * 3 + v.T; });
    c.add("g", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.X * 90 + v.A; });
    c.add("b", [](const PixelVars& v, RandomGenerator&, ArithFault&) { return v.Y * 70 + v.p; });
    return c;
}

FractalParams rgbParams(int w, int h) {
    FractalParams p;
    p.model = ColourModel::RgbMode;
    p.redit = "r";
    p.gedit = "g";
    p.bedit = "b";
    p.repeatPalette = true;
    p.Width = w;
    p.Height = h;
    return p;
}

// All rows the job delivers, by row; rows outside the job stay 0xFFFFFFFF.
std::vector<ColourValue> run(const FractalParams& p, const RenderOptions& o,
                             std::vector<int>* order = nullptr) {
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{p.Bailout};
    const FakeCompiler c = channels();
    const int n = o.supersample;
    RenderJob job(p, p.Width, p.Height, shared, bailout, c, o);
    EXPECT_EQ(job.settings().width, p.Width * n);
    std::vector<ColourValue> pixels(static_cast<std::size_t>(p.Width) * p.Height, 0xFFFFFFFFu);
    job.run([&](const RenderRow& row) {
        if (order) order->push_back(row.y);
        std::copy(row.pixels.begin(), row.pixels.end(),
                  pixels.begin() + static_cast<std::ptrdiff_t>(row.y) * p.Width);
    });
    return pixels;
}

TEST(StreamRender, SupersampleIsTheMeanOfTheLargerRender) {
    for (const int n : {2, 3}) {
        const FractalParams small = rgbParams(23, 17);
        const FractalParams big = rgbParams(23 * n, 17 * n);
        const auto s = run(small, {3, 1, n});
        const auto b = run(big, {2, 1});
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x) {
                std::uint32_t sum[3] = {0, 0, 0};
                for (int j = 0; j < n; ++j)
                    for (int i = 0; i < n; ++i) {
                        const ColourValue c =
                            b[static_cast<std::size_t>((y * n + j) * 23 * n + x * n + i)];
                        sum[0] += redOf(c);
                        sum[1] += greenOf(c);
                        sum[2] += blueOf(c);
                    }
                const auto nn = static_cast<std::uint32_t>(n * n);
                const ColourValue mean =
                    makeColour(static_cast<std::uint8_t>((sum[0] + nn / 2) / nn),
                               static_cast<std::uint8_t>((sum[1] + nn / 2) / nn),
                               static_cast<std::uint8_t>((sum[2] + nn / 2) / nn));
                ASSERT_EQ(s[static_cast<std::size_t>(y * 23 + x)], mean)
                    << n << " " << x << "," << y;
            }
    }
}

TEST(StreamRender, BandsAreTheRowsOfTheWholeRenderDeliveredInOrder) {
    const FractalParams p = rgbParams(31, 50);
    for (const int n : {1, 2}) {
        const auto whole = run(p, {1, 1, n});
        std::vector<ColourValue> joined(whole.size(), 0xFFFFFFFFu);
        for (int k = 0; k < 3; ++k) {
            const BandRows rows = bandRows(50, {k, 3});
            RenderOptions o{4, 1, n, rows.first, rows.end - rows.first, true};
            std::vector<int> order;
            const auto part = run(p, o, &order);
            ASSERT_EQ(static_cast<int>(order.size()), rows.end - rows.first);
            for (int i = 0; i < static_cast<int>(order.size()); ++i)
                EXPECT_EQ(order[static_cast<std::size_t>(i)], rows.first + i);
            for (int y = rows.first; y < rows.end; ++y)
                std::copy_n(part.begin() + y * 31, 31, joined.begin() + y * 31);
        }
        EXPECT_EQ(joined, whole) << n;
    }
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{4};
    const FakeCompiler c = channels();
    EXPECT_THROW(RenderJob(p, 31, 50, shared, bailout, c, {1, 1, 9}), ERenderParameters);
    EXPECT_THROW(RenderJob(p, 31, 50, shared, bailout, c, {1, 1, 1, 40, 11}), ERenderParameters);
}

TEST(StreamRender, BandRowsAndNotes) {
    EXPECT_EQ(bandRows(10, {0, 3}).end, 3);
    EXPECT_EQ(bandRows(10, {1, 3}).first, 3);
    EXPECT_EQ(bandRows(10, {2, 3}).end, 10);
    EXPECT_EQ(bandRows(65535, {65534, 65535}).first, 65534);
    const BandNote note{640, 480, {2, 4}, parameterDigest("x")};
    const auto back = parseBandNote(formatBandNote(note));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->band.index, 2);
    EXPECT_EQ(back->digest, note.digest);
    EXPECT_NE(parameterDigest("x"), parameterDigest("y"));
    for (const char* bad :
         {"", "full=640x480 band=4/4 digest=0123456789abcdef", "full=640x480 band=0/4 digest=0123",
          "full=0x480 band=0/4 digest=0123456789abcdef",
          "full=640x3 band=0/4 digest=0123456789abcdef",
          "full=640x480 band=0/4 digest=0123456789abcdef trailing"})
        EXPECT_FALSE(parseBandNote(bad)) << bad;
}

TEST(StreamRender, ZoomFrames) {
    FractalParams from, to;
    to.setView({-0.76, -0.74, 0.09, 0.105});
    from.Max = 64;
    to.Max = 1024;
    from.edit971 = "kept";
    const FractalParams first = zoomFrame(from, to, 0, 5);
    EXPECT_EQ(first.view(), from.view());
    EXPECT_EQ(first.Max, 64);
    const FractalParams last = zoomFrame(from, to, 4, 5);
    EXPECT_EQ(last.view(), to.view());
    EXPECT_EQ(last.Max, 1024);
    const FractalParams mid = zoomFrame(from, to, 2, 5);
    EXPECT_EQ(mid.Max, 256); // 64 * 16^(1/2)
    EXPECT_EQ(mid.edit971, "kept");
    // The width shrinks by the same factor each frame: the middle width is the geometric mean.
    EXPECT_NEAR(mid.LowerX - mid.UpperX, std::sqrt(4.0 * 0.02), 1e-12);
    EXPECT_EQ(zoomFrame(from, to, 0, 1).view(), from.view());
    // A pure pan (ratio 1) moves the centre linearly.
    FractalParams pan = from;
    pan.setView({-1, 3, -1.5, 1.5});
    EXPECT_NEAR(zoomFrame(from, pan, 1, 3).UpperX, -1.5, 1e-12);
    FractalParams flipped = from;
    flipped.setView({2, -2, -1.5, 1.5});
    EXPECT_THROW(zoomFrame(from, flipped, 1, 3), ERenderParameters);
}

} // namespace
