// The picture's filter operation: refusal, size adoption, the palette path, progress with
// abort, the change notification and threads.
#include "engine/filters/filter_test_util.h"
#include "engine/image/filters/apply_filter.h"
#include "engine/image/filters/colour_filters.h"
#include "engine/image/filters/conv_filter.h"
#include "engine/image/filters/filter_errors.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

using namespace qm;
using namespace qm::image;
using qm::test::randomPicture;
using qm::test::samePixels;

TRGBFilter redFilter(int percent) {
    TRGBFilter f;
    f.T0 = shiftTable(percent);
    return f;
}

// Records the destination's notifications; aborts after row abortAfter when set.
struct Recorder {
    int starts = 0, ends = 0, changes = 0;
    std::vector<std::pair<int, int>> rows;
    int abortAfter = -1;

    void attach(TPixelGraphic& p) {
        TPixelGraphic::ProgressHandlers h;
        h.start = [this](const TPixelGraphic&) { ++starts; };
        h.progress = [this](const TPixelGraphic&, int current, int total, bool& abort) {
            rows.emplace_back(current, total);
            if (current == abortAfter) abort = true;
        };
        h.end = [this](const TPixelGraphic&) { ++ends; };
        p.setProgressHandlers(std::move(h));
        p.setOnChange([this](const TPixelGraphic&) { ++changes; });
    }
};

TEST(ApplyFilter, ConvolutionIntoItselfIsRefused) {
    TPixelGraphic p = randomPicture(4, 4, 1);
    const TPixelGraphic before = p;
    TConvFilter f;
    try {
        applyFilter(p, f, p);
        FAIL() << "no error";
    } catch (const EPGFilterSourceIsTarget& e) {
        EXPECT_EQ(e.message(),
                  "Cannot apply this filter to a source that is identical to the target");
    }
    EXPECT_TRUE(samePixels(p, before));
}

TEST(ApplyFilter, PointFilterInPlaceAndIntoAnotherPicture) {
    const TPixelGraphic src = randomPicture(13, 7, 2);
    TRGBFilter f = redFilter(100);
    TPixelGraphic other;
    applyFilter(other, f, src);
    TPixelGraphic same = src;
    applyFilter(same, f, same);
    ASSERT_EQ(other.width(), 13);
    ASSERT_EQ(other.height(), 7);
    EXPECT_TRUE(samePixels(other, same));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            EXPECT_EQ(redOf(same.pixel(x, y)), 255);
            EXPECT_EQ(greenOf(same.pixel(x, y)), greenOf(src.pixel(x, y)));
        }
}

TEST(ApplyFilter, DestinationKeepsItsFormat) {
    const TPixelGraphic src = randomPicture(6, 5, 3);
    TPixelGraphic dst;
    dst.SetSize(1, 1, PixelFormat::Bits8);
    TConvFilter identity;
    applyFilter(dst, identity, src);
    EXPECT_EQ(dst.pixelFormat(), PixelFormat::Bits8);
    EXPECT_EQ(dst.width(), 6);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(dst.pixelIndex(x, y), dst.nearestPaletteIndex(src.pixel(x, y)));
}

TEST(ApplyFilter, EmptySourceGivesEmptyDestinationAndNothingElse) {
    TPixelGraphic src;
    TPixelGraphic dst = randomPicture(3, 3, 4);
    Recorder rec;
    rec.attach(dst);
    TConvFilter f;
    applyFilter(dst, f, src);
    EXPECT_TRUE(dst.empty());
    EXPECT_EQ(rec.starts, 0);
    EXPECT_TRUE(rec.rows.empty());
}

TEST(ApplyFilter, PalettePicturesChangeTheirPalette) {
    TPixelGraphic src = randomPicture(5, 4, 5, PixelFormat::Bits4);
    TRGBFilter f = redFilter(-100);
    // Same picture: the indices stay, every palette colour loses its red.
    TPixelGraphic same = src;
    Recorder rec;
    rec.attach(same);
    applyFilter(same, f, same);
    EXPECT_EQ(rec.starts, 0); // no row loop
    EXPECT_GE(rec.changes, 1);
    for (size_t i = 0; i < same.palette().size(); ++i)
        EXPECT_EQ(same.palette()[i], f.FilterColor(src.palette()[i]));
    // A deeper palette destination takes the source's indices and filtered palette.
    TPixelGraphic deeper;
    deeper.SetSize(1, 1, PixelFormat::Bits8);
    applyFilter(deeper, f, src);
    EXPECT_EQ(deeper.pixelFormat(), PixelFormat::Bits8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(deeper.pixelIndex(x, y), src.pixelIndex(x, y));
            EXPECT_EQ(deeper.pixel(x, y), f.FilterColor(src.pixel(x, y)));
        }
    // A 24-bit destination is filtered pixel by pixel.
    TPixelGraphic full;
    applyFilter(full, f, src);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(full.pixel(x, y), f.FilterColor(src.pixel(x, y)));
}

TEST(ApplyFilter, BcgSettingsReachPalettesWithoutBeginFilter) {
    TPixelGraphic p = randomPicture(3, 3, 6, PixelFormat::Bits8);
    const std::vector<ColourValue> before = p.palette();
    TBCGFilter f;
    f.SetBrightness(100);
    applyFilter(p, f, p);
    EXPECT_EQ(p.palette()[1], makeColour(255, 255, 255));
    EXPECT_NE(before[1], p.palette()[1]);
}

TEST(ApplyFilter, ProgressAfterEveryRowAndAbortKeepsTheRest) {
    const TPixelGraphic src = randomPicture(11, 9, 7);
    for (int threads : {1, 4}) {
        TPixelGraphic p = src;
        Recorder rec;
        rec.attach(p);
        TRGBFilter f = redFilter(100);
        applyFilter(p, f, p, threads);
        EXPECT_EQ(rec.starts, 1);
        EXPECT_EQ(rec.ends, 1);
        EXPECT_EQ(rec.changes, 1);
        ASSERT_EQ(rec.rows.size(), 9u);
        for (int y = 0; y < 9; ++y)
            EXPECT_EQ(rec.rows[static_cast<size_t>(y)], std::make_pair(y, 8));

        TPixelGraphic aborted = src;
        Recorder stop;
        stop.abortAfter = 3;
        stop.attach(aborted);
        applyFilter(aborted, f, aborted, threads);
        EXPECT_EQ(stop.rows.size(), 4u);
        EXPECT_EQ(stop.ends, 1);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x)
                EXPECT_EQ(aborted.pixel(x, y), y <= 3 ? p.pixel(x, y) : src.pixel(x, y))
                    << "threads " << threads << " at " << x << "," << y;
    }
}

TEST(ApplyFilter, ThreadCountDoesNotChangeTheResult) {
    const TPixelGraphic src = randomPicture(97, 131, 8);
    TConvFilter smooth;
    setSmoothKernel(smooth, 1.3, 60);
    THLSFilter hls;
    hls.T0 = hueTable(77);
    hls.T2 = shiftTable(-30);
    for (TPGFilter* f : std::initializer_list<TPGFilter*>{&smooth, &hls}) {
        TPixelGraphic one;
        applyFilter(one, *f, src, 1);
        for (int threads : {2, 5, 16}) {
            TPixelGraphic many;
            applyFilter(many, *f, src, threads);
            EXPECT_TRUE(samePixels(one, many)) << threads;
        }
    }
}

// Fails on one row; used to check that workers stop and the error reaches the caller.
class FailingFilter : public TPGFilter {
public:
    mutable std::atomic<bool> begun{false};
    void BeginFilter(const TPixelGraphic& source) override {
        TPGFilter::BeginFilter(source);
        begun = true;
    }
    void EndFilter() override {
        TPGFilter::EndFilter();
        begun = false;
    }
    ColourValue FilterPixel(int, int y) const override {
        if (y == 40) throw std::runtime_error("row 40");
        return 0x123456;
    }
};

TEST(ApplyFilter, ErrorOnAWorkerReachesTheCaller) {
    const TPixelGraphic src = randomPicture(8, 100, 9);
    for (int threads : {1, 3}) {
        FailingFilter f;
        TPixelGraphic dst;
        EXPECT_THROW(applyFilter(dst, f, src, threads), std::runtime_error);
        EXPECT_FALSE(f.begun);
        EXPECT_EQ(dst.pixel(0, 39), 0x123456u);
        EXPECT_EQ(dst.pixel(0, 40), 0u);
    }
}

} // namespace
