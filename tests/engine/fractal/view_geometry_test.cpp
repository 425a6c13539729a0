// Zoom history and pixel/plane mappings, with the worked numbers of the default document.
#include "engine/core/errors.h"
#include "engine/fractal/view_geometry.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::fractal;

TEST(ViewGeometry, DefaultDocumentMapping) {
    const PixelSteps s = computeSteps(kDefaultView, 320, 240);
    EXPECT_DOUBLE_EQ(s.StepX, 0.0125);
    EXPECT_DOUBLE_EQ(s.StepY, 0.0125);
    // The renderer is 1-based: the first pixel lies one step inside, the last on the edge.
    EXPECT_DOUBLE_EQ(renderPlaneX(1, s, kDefaultView), -1.9875);
    EXPECT_DOUBLE_EQ(renderPlaneY(1, s, kDefaultView), -1.4875);
    EXPECT_DOUBLE_EQ(renderPlaneX(320, s, kDefaultView), 2.0);
    // UpperX beyond LowerX gives a negative step: the picture is mirrored.
    EXPECT_LT(computeSteps({1, -1, -1, 1}, 10, 10).StepX, 0.0);
}

TEST(ViewGeometry, PrecisionLimitOfDeepZooms) {
    const auto beyond = [](View v) { return beyondDoublePrecision(v, computeSteps(v, 320, 240)); };
    EXPECT_FALSE(beyond(kDefaultView));
    EXPECT_FALSE(beyond({-0.75, -0.75 + 1e-12, 0.1, 0.1 + 1e-12}));
    // Around -0.75 a double resolves about 1e-16: 320 columns over 1e-14 are below that.
    EXPECT_TRUE(beyond({-0.75, -0.75 + 1e-14, 0.1, 0.1 + 1e-10}));
    EXPECT_TRUE(beyond({0.25, 0.25 + 1e-2, 0.5, 0.5 + 1e-15}));
    // Tiny views around the origin keep full precision; a degenerate view is another error.
    EXPECT_FALSE(beyond({-1e-200, 1e-200, -1e-200, 1e-200}));
    EXPECT_FALSE(beyond({1, 1, 0, 1}));
}

TEST(ViewGeometry, ZoomUndoResetRoundTrip) {
    ViewHistory h;
    h.newzoom(kDefaultView);
    h.newzoom(kDefaultView);
    EXPECT_FALSE(h.canUndo());
    const PixelSteps s = computeSteps(kDefaultView, 320, 240);

    Selection sel{80, 60, 160, 0};
    sel.height = constrainedHeight(sel.width, 320, 240);
    EXPECT_EQ(sel.height, 120);
    const View fields = selectionToFields(sel, s, h.CurrentView);
    EXPECT_EQ(fields, (View{-1, 1, -0.75, 0.75}));

    h.newzoom(fields); // the zoomed render ends
    EXPECT_TRUE(h.canUndo());
    EXPECT_EQ(h.undoLastZoom(), kDefaultView);
    EXPECT_EQ(h.undoLastZoom(), kDefaultView); // a second undo changes nothing
    EXPECT_FALSE(h.canUndo());

    // Reset keeps the predecessor, so undo is still possible afterwards.
    h.newzoom(fields);
    h.newzoom({-0.5, 0.5, -0.375, 0.375});
    EXPECT_EQ(h.resetCoordinates(), kDefaultView);
    EXPECT_EQ(h.PreviousView, fields);
    EXPECT_TRUE(h.canUndo());
    EXPECT_EQ(h.cancelSelection(), kDefaultView);
}

TEST(ViewGeometry, JuliaPickAndMagnifier) {
    // Before any render the steps are 0 and nothing is read.
    const PlaneReadout none = mouseToPlane(160, 120, {}, kDefaultView);
    EXPECT_FALSE(none.x.has_value());
    EXPECT_FALSE(none.y.has_value());

    const PixelSteps s = computeSteps(kDefaultView, 320, 240);
    const PlaneReadout centre = mouseToPlane(160, 120, s, kDefaultView);
    EXPECT_DOUBLE_EQ(*centre.x, 0.0);
    EXPECT_DOUBLE_EQ(*centre.y, 0.0);
    const PlaneReadout corner = mouseToPlane(0, 0, s, kDefaultView);
    EXPECT_DOUBLE_EQ(*corner.y, 1.5); // negated plane Y: up is positive

    const MagnifierText t = magnifierText(40, 20, s, kDefaultView);
    EXPECT_EQ(*t.x, "-1.5");
    EXPECT_EQ(*t.y, "1.25");
    EXPECT_EQ(magnifierSourceLeft(40), 28);
}

TEST(ViewGeometry, ConstrainedHeightTruncates) {
    EXPECT_EQ(constrainedHeight(101, 320, 240), 75); // 75.75
    EXPECT_EQ(constrainedHeight(0, 320, 240), 0);
    EXPECT_THROW(constrainedHeight(2000000000, 1, 2000000000), qm::EInvalidOp);
}

} // namespace
