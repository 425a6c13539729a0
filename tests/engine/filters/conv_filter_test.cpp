// The convolution filter: kernel storage and errors, the kernels of the five filters, and the
// weighted sums checked against a plain reference over random pictures.
#include "engine/filters/filter_test_util.h"
#include "engine/image/filters/apply_filter.h"
#include "engine/image/filters/conv_filter.h"
#include "engine/image/filters/filter_errors.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using namespace qm;
using namespace qm::image;
using qm::test::randomPicture;

std::vector<std::vector<int>> cellsOf(const TConvFilter& f) {
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < f.Height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < f.Width(); ++x)
            rows.back().push_back(f.Kernel(x, y));
    }
    return rows;
}

int sumOf(const TConvFilter& f) {
    int s = 0;
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x)
            s += f.Kernel(x, y);
    return s;
}

template <class F> std::string messageOf(F f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no error)";
}

TEST(ConvFilter, NewFilterIsOneByOneIdentity) {
    const TConvFilter f;
    EXPECT_EQ(cellsOf(f), (std::vector<std::vector<int>>{{1}}));
    EXPECT_EQ(f.OriginX, 0);
    EXPECT_EQ(f.Factor, 1.0);
    EXPECT_EQ(f.Offset, 0.0);
    EXPECT_FALSE(f.IsPointFilter());
}

TEST(ConvFilter, SizeAndIndexErrors) {
    TConvFilter f;
    EXPECT_EQ(messageOf([&] { f.SetWidth(0); }), "TConvFilter.Width outside 1..99");
    EXPECT_EQ(messageOf([&] { f.SetWidth(100); }), "TConvFilter.Width outside 1..99");
    EXPECT_EQ(messageOf([&] { f.SetHeight(-5); }), "TConvFilter.Height outside 1..99");
    EXPECT_EQ(messageOf([&] { f.Kernel(1, 0); }), "X-Y-index out of range");
    EXPECT_EQ(messageOf([&] { f.SetKernel(0, -1, 3); }), "X-Y-index out of range");
    EXPECT_NO_THROW(f.SetWidth(99));
    EXPECT_NO_THROW(f.Kernel(98, 0));
    // Growing keeps the cells that stay, new cells are 0; shrinking drops the others.
    TConvFilter g;
    g.SetWidth(2);
    g.SetKernel(1, 0, 7);
    g.SetHeight(2);
    EXPECT_EQ(cellsOf(g), (std::vector<std::vector<int>>{{1, 7}, {0, 0}}));
    g.SetWidth(1);
    EXPECT_EQ(cellsOf(g), (std::vector<std::vector<int>>{{1}, {0}}));
}

TEST(Kernels, GaussianExamples) {
    TConvFilter f;
    setGaussianKernel(f, 0.75);
    EXPECT_EQ(cellsOf(f), (std::vector<std::vector<int>>{{3, 7, 3}, {7, 16, 7}, {3, 7, 3}}));
    EXPECT_EQ(sumOf(f), 56);
    EXPECT_EQ(f.OriginX, -1);
    EXPECT_EQ(f.OriginY, -1);
    setGaussianKernel(f, 0.4);
    EXPECT_EQ(cellsOf(f), (std::vector<std::vector<int>>{{0, 1, 0}, {1, 16, 1}, {0, 1, 0}}));
    setGaussianKernel(f, 1.0);
    ASSERT_EQ(f.Width(), 5);
    EXPECT_EQ(cellsOf(f)[2], (std::vector<int>{2, 10, 16, 10, 2}));
    EXPECT_EQ(f.OriginX, -2);
    setGaussianKernel(f, 1.3);
    EXPECT_EQ(f.Width(), 7);
    // A deviation too wide for 99 x 99 is the size error, zero the runtime's invalid operation.
    EXPECT_EQ(messageOf([&] { setGaussianKernel(f, 40.0); }), "TConvFilter.Width outside 1..99");
    EXPECT_THROW(setGaussianKernel(f, 0.0), EInvalidOp);
}

TEST(Kernels, SmoothSharpenDetailsContours) {
    TConvFilter f;
    setSmoothKernel(f, 0.75, 100);
    EXPECT_EQ(cellsOf(f)[1][1], 16);
    setSmoothKernel(f, 0.75, 10); // centre grows by 9 x 56
    EXPECT_EQ(cellsOf(f)[1][1], 16 + 9 * 56);
    EXPECT_EQ(cellsOf(f)[0][0], 3);

    setSharpenKernel(f, 0.75, 50);
    EXPECT_EQ(cellsOf(f),
              (std::vector<std::vector<int>>{{-3, -7, -3}, {-7, 112, -7}, {-3, -7, -3}}));

    setDetailKernel(f, 0.75, 75); // round(100/75 * 41) = round(54.67)
    EXPECT_EQ(cellsOf(f)[1][1], 55);
    EXPECT_EQ(cellsOf(f)[1][0], -7);

    setContourKernel(f, 1.0, 300, false);
    EXPECT_EQ(sumOf(f), 1);
    EXPECT_EQ(f.Factor, 300.0);
    EXPECT_EQ(f.Offset, 100.0);
    EXPECT_EQ(cellsOf(f)[2][0], -2);
    setContourKernel(f, 1.0, 300, true);
    EXPECT_EQ(f.Factor, -300.0);
    EXPECT_EQ(f.Offset, 0.0);
    EXPECT_THROW(setSmoothKernel(f, 0.75, 0), EZeroDivide);
}

TEST(Kernels, BlurRing) {
    TConvFilter f;
    setBlurKernel(f, 2.5, 100);
    ASSERT_EQ(f.Width(), 5);
    EXPECT_EQ(f.OriginX, -2);
    EXPECT_EQ(sumOf(f), 360);
    const auto cells = cellsOf(f);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool border = x == 0 || y == 0 || x == 4 || y == 4;
            if (!border) {
                EXPECT_EQ(cells[y][x], 0) << x << "," << y;
            }
        }
    EXPECT_GT(cells[0][2], 0);
    setBlurKernel(f, 2.5, 50);
    EXPECT_EQ(cellsOf(f)[2][2], 360);
    setBlurKernel(f, 5.0, 100);
    EXPECT_EQ(f.Width(), 11);
    setBlurKernel(f, 0.5, 100); // round(0.5) = 0: everything lands on the one cell
    EXPECT_EQ(cellsOf(f), (std::vector<std::vector<int>>{{360}}));
}

// The weighted sum straight from its definition.
TPixelGraphic referenceConvolution(const TConvFilter& f, const TPixelGraphic& src) {
    TPixelGraphic out;
    out.SetSize(src.width(), src.height(), PixelFormat::Bits24);
    auto finish = [&](double sum, double weights) {
        const double m = weights != 0 ? sum / weights : sum;
        const double v = std::nearbyint(f.Factor * m + f.Offset * 255.0 * 0.01);
        return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    };
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            double w = 0, r = 0, g = 0, b = 0;
            for (int i = 0; i < f.Height(); ++i)
                for (int j = 0; j < f.Width(); ++j) {
                    const int sx = x + j + f.OriginX;
                    const int sy = y + i + f.OriginY;
                    if (sx < 0 || sy < 0 || sx >= src.width() || sy >= src.height()) continue;
                    const double k = f.Kernel(j, i);
                    const ColourValue c = src.pixel(sx, sy);
                    w += k;
                    r += k * redOf(c);
                    g += k * greenOf(c);
                    b += k * blueOf(c);
                }
            out.SetPixel(x, y, makeColour(finish(r, w), finish(g, w), finish(b, w)));
        }
    return out;
}

TEST(Convolution, MatchesReferenceForAnyKernelOriginAndThreads) {
    std::mt19937 rng(7);
    auto any = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 60; ++round) {
        TConvFilter f;
        f.SetWidth(any(1, 7));
        f.SetHeight(any(1, 7));
        for (int y = 0; y < f.Height(); ++y)
            for (int x = 0; x < f.Width(); ++x)
                f.SetKernel(x, y, round % 3 == 0 ? any(-3, 3) : any(-20, 40)); // many W = 0
        f.OriginX = any(-8, 2);
        f.OriginY = any(-8, 2);
        f.Factor = round % 4 == 0 ? any(-300, 300) / 100.0 : 1.0;
        f.Offset = round % 5 == 0 ? any(-50, 100) : 0.0;
        const PixelFormat format = round % 6 == 5 ? PixelFormat::Bits8 : PixelFormat::Bits24;
        const TPixelGraphic src =
            randomPicture(any(1, 23), any(1, 9), static_cast<std::uint32_t>(round), format);
        const TPixelGraphic expected = referenceConvolution(f, src);
        for (int threads : {1, 3}) {
            TPixelGraphic dst;
            applyFilter(dst, f, src, threads);
            ASSERT_TRUE(qm::test::samePixels(dst, expected))
                << "round " << round << " threads " << threads;
        }
    }
}

TEST(Convolution, HugeWeightsAndOriginsFarOutside) {
    TConvFilter f;
    f.SetWidth(3);
    f.SetKernel(0, 0, 2000000000); // sums beyond 32 bits
    f.SetKernel(2, 0, -1999999999);
    const TPixelGraphic src = randomPicture(9, 4, 3);
    TPixelGraphic dst;
    applyFilter(dst, f, src);
    EXPECT_TRUE(qm::test::samePixels(dst, referenceConvolution(f, src)));
    f.OriginX = 1000000; // every cell outside: W = 0, sums 0
    f.Offset = 40;
    applyFilter(dst, f, src);
    EXPECT_TRUE(qm::test::samePixels(dst, referenceConvolution(f, src)));
    EXPECT_EQ(dst.pixel(0, 0), makeColour(102, 102, 102));
}

TEST(Convolution, BorderNormalisationKeepsFlatPicturesFlat) {
    const TPixelGraphic flat = qm::test::filledPicture(7, 5, makeColour(100, 50, 200));
    TConvFilter f;
    setSmoothKernel(f, 1.3, 100);
    TPixelGraphic dst;
    applyFilter(dst, f, flat);
    EXPECT_TRUE(qm::test::samePixels(dst, flat));
}

TEST(Convolution, BlurAtFullStrengthIgnoresThePixelItself) {
    TPixelGraphic dot = qm::test::filledPicture(9, 9, 0);
    dot.SetPixel(4, 4, makeColour(255, 255, 255));
    TConvFilter f;
    setBlurKernel(f, 2.5, 100);
    TPixelGraphic dst;
    applyFilter(dst, f, dot);
    EXPECT_EQ(dst.pixel(4, 4), 0u);
    // A pixel whose ring passes through the dot gets the dot's share of the 360 samples.
    const int share = f.Kernel(2, 0); // the sample straight above the centre
    EXPECT_EQ(redOf(dst.pixel(4, 6)), std::nearbyint(255.0 * share / 360.0));
}

} // namespace
