// Navigation at any depth: wheel zooms far below double precision keep square pixels and the
// point under the cursor, a selection at a width doubles barely resolve is a view, shallow views
// keep the double arithmetic exactly, and deep views stay apart in the history.
#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/fractal_params.h"
#include "engine/fractal/navigation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace qm::fractal;
using qm::fractal::deep::MpFloat;

MpFloat exact(const std::string& text) {
    return *deep::parseDecimal(text, deep::bitsForDecimal(text) + 64);
}

// (b - a) / c at 4000 bits, as a double.
double ratio(const std::string& a, const std::string& b, const MpFloat& c) {
    MpFloat d(4000);
    mpfr_sub(d.get(), exact(b).get(), exact(a).get(), MPFR_RNDN);
    mpfr_div(d.get(), d.get(), c.get(), MPFR_RNDN);
    return d.toDouble();
}

MpFloat span(const std::string& a, const std::string& b) {
    MpFloat d(4000);
    mpfr_sub(d.get(), exact(b).get(), exact(a).get(), MPFR_RNDN);
    return d;
}

TEST(DeepNavigation, WheelZoomsFarBelowDoublesKeepSquarePixelsAndTheCursorPoint) {
    constexpr int W = 320, H = 240;
    const double u = 201.5, v = 77.25; // the cursor
    PlaneView view = kDefaultView;
    int zooms = 0;
    for (; zooms < 130; ++zooms) {
        const PlanePointText before = planePointAt(view, W, H, u, v);
        view = zoomAt(view, W, H, u, v, kWheelFactor);
        // The point under the cursor stays there, to a small part of the new pixel.
        const PlanePointText after = planePointAt(view, W, H, u, v);
        const DeepView e = view.isDeep() ? view.deep : DeepView{};
        const MpFloat pixel =
            view.isDeep() ? span(e.upperX, e.lowerX) : MpFloat(view.lowerX - view.upperX, 64);
        MpFloat offset(4000);
        mpfr_sub(offset.get(), exact(after.x).get(), exact(before.x).get(), MPFR_RNDN);
        mpfr_div(offset.get(), offset.get(), pixel.get(), MPFR_RNDN);
        ASSERT_LT(std::abs(offset.toDouble()) * W, 0.1) << zooms;
    }
    ASSERT_TRUE(view.isDeep());
    const DeepView& d = view.deep;
    const MpFloat width = span(d.upperX, d.lowerX);
    EXPECT_LT(std::abs(width.toDouble()), 1e-18); // 4 / 2^65
    // Square pixels: the plane height is the width times H / W.
    EXPECT_NEAR(ratio(d.upperY, d.lowerY, width), static_cast<double>(H) / W, 1e-5);
    // Zooming out comes back to doubles: no exact decimals once doubles resolve the view.
    for (int k = 0; k < 70; ++k)
        view = zoomOut(view, W, H);
    EXPECT_FALSE(view.isDeep());
    EXPECT_NEAR(view.lowerX - view.upperX, 4.0 * std::pow(2.0, 70 - zooms / 2.0), 1e-6);
}

TEST(DeepNavigation, SelectionAtAWidthDoublesBarelyResolveIsAView) {
    constexpr int W = 320, H = 240;
    const View v{-0.75 - 1.5e-14, -0.75 + 1.5e-14, 0.1 - 1.125e-14, 0.1 + 1.125e-14};
    for (const PlaneView& z : {selectionView({100, 50, 32, 24}, v, W, H),
                               constrainedSelectionView({100, 50, 32, 20}, v, W, H)}) {
        ASSERT_TRUE(z.isDeep());
        EXPECT_NEAR(span(z.deep.upperX, z.deep.lowerX).toDouble(), 3e-15, 1e-17);
        EXPECT_NEAR(span(z.deep.upperY, z.deep.lowerY).toDouble(), 2.25e-15, 1e-17);
        FractalParams p;
        p.setView(z);
        p.deepView = z.deep;
        EXPECT_NO_THROW(validateForRender(p, W, H));
        // Selecting again inside it goes on at any depth.
        const PlaneView again = selectionView({10, 10, 3, 2}, z, W, H);
        EXPECT_NEAR(span(again.deep.upperX, again.deep.lowerX).toDouble(), 3e-15 * 3 / W, 1e-19);
    }
}

TEST(DeepNavigation, ShallowViewsKeepTheDoubleArithmeticExactly) {
    const View v{-2.5, 1.5, -1.5, 1.5};
    EXPECT_EQ(zoomAt(PlaneView(v), 400, 300, 123.25, 77.5, kWheelFactor),
              zoomAt(v, 400, 300, 123.25, 77.5, kWheelFactor));
    EXPECT_EQ(panBy(PlaneView(v), 400, 300, 40, 30), panBy(v, 400, 300, 40, 30));
    EXPECT_EQ(zoomOut(PlaneView(v), 400, 300), zoomOut(v));
    EXPECT_EQ(fitView(PlaneView(v), 400, 300, 800, 300), fitView(v, 400, 300, 800, 300));
    const Selection sel{40, 30, 100, 75};
    EXPECT_EQ(selectionView(sel, v, 400, 300),
              selectionToFields(sel, computeSteps(v, 400, 300), v));
    EXPECT_EQ(constrainedSelectionView(sel, PlaneView(v), 400, 300),
              constrainedSelectionView(sel, computeSteps(v, 400, 300), v, 400, 300));
}

TEST(DeepNavigation, DeepViewsWithTheSameDoublesStayApartInHistoryAndTrail) {
    PlaneView a = kDefaultView;
    for (int k = 0; k < 120; ++k)
        a = zoomAt(a, 320, 240, 100, 80, 2.0);
    const PlaneView b = panBy(a, 320, 240, 1, 0);
    ASSERT_TRUE(a.isDeep() && b.isDeep());
    ASSERT_TRUE(a.doubles() == b.doubles()); // one pixel apart: the doubles cannot tell
    DocumentViews views;
    views.renderStarted(a, 320, 240);
    views.renderStarted(b, 320, 240);
    EXPECT_TRUE(views.history.canUndo());
    EXPECT_EQ(views.trail.size(), 2u);
    EXPECT_EQ(views.trail.back(), a);
    EXPECT_EQ(views.history.undoLastZoom(), a);
    EXPECT_GT(magnificationLog10(a), 36.0);
}

} // namespace
