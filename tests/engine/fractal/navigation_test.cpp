// Navigation arithmetic: constrained selections keep the pixels' aspect, wheel zoom keeps the
// point under the cursor, the preview agrees with the view it previews, the trail of views, and
// the one-pixel kernel result agrees with the render.
#include "engine/fractal/fractal_params.h"
#include "engine/fractal/navigation.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/image/pixel_graphic.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::fractal;

double pixelAspect(const View& v, int w, int h) {
    const PixelSteps s = computeSteps(v, w, h);
    return s.StepY / s.StepX;
}

TEST(Navigation, ConstrainedSelectionsKeepSquarePixelsOverFiftyZooms) {
    constexpr int W = 492, H = 399;
    View view{-2.0, 2.0, -2.0 * H / W, 2.0 * H / W};
    // Small zooms (about 1.26 times each): the pixel rule alone would lose up to a pixel of
    // height each time and drift by several percent.
    for (int zoom = 0; zoom < 50; ++zoom) {
        const int width = 388 + zoom % 5;
        const Selection sel{40 + zoom % 7, 30 + zoom % 5, width, constrainedHeight(width, W, H)};
        view = constrainedSelectionView(sel, computeSteps(view, W, H), view, W, H);
        ASSERT_NEAR(pixelAspect(view, W, H), 1.0, 1e-6) << zoom;
    }
    // The worked example of a default document: the pixel rule gives the same rectangle.
    const View v = constrainedSelectionView(
        {80, 60, 160, 120}, computeSteps(kDefaultView, 320, 240), kDefaultView, 320, 240);
    EXPECT_EQ(v, (View{-1, 1, -0.75, 0.75}));
    // A flipped view keeps its orientation.
    const View flipped{2, -2, 1.5, -1.5};
    const View f = constrainedSelectionView({0, 0, 32, 24}, computeSteps(flipped, 320, 240),
                                            flipped, 320, 240);
    EXPECT_NEAR(pixelAspect(f, 320, 240), 1.0, 1e-12);
    EXPECT_GT(f.upperY, f.lowerY);
}

TEST(Navigation, WheelZoomKeepsThePointUnderTheCursorAndZoomOutDoubles) {
    const View v{-2.5, 1.5, -1.5, 1.5};
    const double u = 123.25, w = 77.5;
    const auto planeAt = [](const View& view, double x, double y) {
        return std::pair{view.upperX + (view.lowerX - view.upperX) * x / 400.0,
                         view.upperY + (view.lowerY - view.upperY) * y / 300.0};
    };
    for (double factor : {kWheelFactor, 1.0 / kWheelFactor}) {
        const View z = zoomAt(v, 400, 300, u, w, factor);
        EXPECT_NEAR(planeAt(z, u, w).first, planeAt(v, u, w).first, 1e-12);
        EXPECT_NEAR(planeAt(z, u, w).second, planeAt(v, u, w).second, 1e-12);
        EXPECT_NEAR((z.lowerX - z.upperX) * factor, 4.0, 1e-12);
    }
    // Two steps in and two out come back.
    View back = v;
    for (double f : {kWheelFactor, kWheelFactor, 1 / kWheelFactor, 1 / kWheelFactor})
        back = zoomAt(back, 400, 300, u, w, f);
    EXPECT_NEAR(back.upperX, v.upperX, 1e-12);
    EXPECT_NEAR(back.lowerY, v.lowerY, 1e-12);
    EXPECT_EQ(zoomOut(v), (View{-4.5, 3.5, -3, 3}));
    // The picture moved 40 px right and 30 px down: the view moves a tenth left and up.
    const View p = panBy(v, 400, 300, 40, 30);
    EXPECT_DOUBLE_EQ(p.upperX, -2.9);
    EXPECT_DOUBLE_EQ(p.lowerY, 1.2);
}

TEST(Navigation, PreviewShowsWhatTheNewViewShows) {
    // Each pixel's colour is its column and row, so the preview says where it took a pixel.
    constexpr int W = 200, H = 100;
    qm::image::TPixelGraphic pic(W, H, qm::image::PixelFormat::Bits24);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            pic.SetPixel(x, y, static_cast<qm::ColourValue>(x + 256 * y + 65536));
    const View v{0, 200, 0, 100}; // one plane unit per pixel
    const double u = 60, w = 30;
    qm::image::TPixelGraphic zoomed = pic;
    previewInPlace(zoomed, 2.0, u, w, 0, 0);
    const View z = zoomAt(v, W, H, u, w, 2.0);
    for (int x : {0, 37, 120, 199}) {
        const double plane = z.upperX + (x + 0.5) * (z.lowerX - z.upperX) / W;
        EXPECT_EQ(static_cast<int>(zoomed.pixel(x, 50) & 0xff), static_cast<int>(plane)) << x;
    }
    // Zooming out and panning uncover black pixels.
    qm::image::TPixelGraphic moved = pic;
    previewInPlace(moved, 1.0, 0, 0, 15, -5);
    EXPECT_EQ(moved.pixel(14, 10), 0u);
    EXPECT_EQ(moved.pixel(15, 10), pic.pixel(0, 15));
    EXPECT_EQ(moved.pixel(100, 95), 0u);
}

TEST(Navigation, TrailWalksEveryShownViewAndHistoryFollowsEveryRender) {
    const View a = kDefaultView, b{-1, 1, -0.75, 0.75}, c{-0.5, 0.5, -0.375, 0.375};
    DocumentViews views;
    for (const View& v : {a, b, c})
        views.renderStarted(v, 320, 240);
    EXPECT_EQ(views.history.CurrentView, c);
    EXPECT_EQ(views.history.PreviousView, b);
    EXPECT_DOUBLE_EQ(views.shown.steps.StepX, 1.0 / 320);
    // Re-rendering the view on screen changes no history.
    views.renderStarted(c, 320, 240);
    EXPECT_EQ(views.history.PreviousView, b);
    ASSERT_EQ(views.trail.size(), 3u);
    EXPECT_EQ(views.trail.back(), b);
    views.renderStarted(b, 320, 240); // the render of Back does not lengthen the trail
    EXPECT_EQ(views.trail.back(), a);
    EXPECT_FALSE(views.trail.canBack());
    EXPECT_EQ(views.trail.back(), a);
    EXPECT_EQ(views.trail.forward(), b);
    views.renderStarted(a, 320, 240); // a new view after Back drops what lay ahead
    EXPECT_FALSE(views.trail.canForward());
    EXPECT_EQ(views.trail.size(), 3u);
    // A drag renders without recording, then records its end once.
    views.renderStarted(b, 320, 240, false);
    views.renderStarted(c, 320, 240, false);
    EXPECT_EQ(views.trail.size(), 3u);
    views.record(c);
    EXPECT_EQ(views.trail.size(), 4u);
    EXPECT_EQ(views.history.PreviousView, a);
    ViewTrail long_;
    for (std::size_t k = 0; k < ViewTrail::kLimit + 5; ++k)
        long_.shown({0, 1.0 + static_cast<double>(k), 0, 1});
    EXPECT_EQ(long_.size(), ViewTrail::kLimit);
}

TEST(Navigation, FitViewKeepsCentreAndPixelAspectAndShowsTheOldView) {
    const View v{-2, 2, -1.5, 1.5};
    for (const auto& [w, h] : {std::pair{800, 300}, {300, 800}, {320, 240}}) {
        const View f = fitView(v, 320, 240, w, h);
        EXPECT_NEAR(pixelAspect(f, w, h), 1.0, 1e-12);
        EXPECT_NEAR(f.upperX + f.lowerX, 0.0, 1e-12);
        EXPECT_LE(f.upperX, -2 + 1e-12);
        EXPECT_LE(f.upperY, -1.5 + 1e-12);
        EXPECT_TRUE(f.lowerX - f.upperX <= 4 + 1e-9 || f.lowerY - f.upperY <= 3 + 1e-9);
    }
}

TEST(Navigation, OnePixelKernelResultIsTheRendersIteration) {
    // Red is "i" itself: the render's iteration count of every pixel, Max below 255.
    FractalParams params;
    params.model = ColourModel::RgbMode;
    params.redit = "i";
    params.gedit = "0";
    params.bedit = "0";
    params.Max = 200;
    params.flipY = true;
    params.setView({-1.9, 0.7, -1.1, 0.9});
    qm::SharedColourData shared;
    std::atomic<std::int32_t> bailout{4};
    const auto language = makeRenderLanguage();
    RenderJob job(params, 64, 48, shared, bailout, *language);
    qm::image::TPixelGraphic pic;
    ASSERT_TRUE(renderToPicture(job, pic));
    for (int y = 0; y < 48; y += 5)
        for (int x = 0; x < 64; x += 3)
            ASSERT_EQ(static_cast<int>(pic.pixel(x, y) & 0xff),
                      std::min(255, kernelAtPixel(params, 64, 48, x, y, 4).I))
                << x << "," << y;
}

} // namespace
