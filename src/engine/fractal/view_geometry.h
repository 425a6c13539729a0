// View geometry: the plane rectangle, the one-step zoom history, and the mappings between
// picture pixels and plane coordinates used by rendering, selections, the Julia pick and the
// magnifier.
#pragma once

#include <optional>
#include <string>

namespace qm::fractal {

// The four coordinate fields. Upper/Lower are the two ends of the visible range (left/right,
// top/bottom), not the smaller and the larger value.
struct View {
    double upperX = -2.0;
    double lowerX = 2.0;
    double upperY = -1.5;
    double lowerY = 1.5;

    bool operator==(const View&) const = default;
};

inline constexpr View kDefaultView{-2.0, 2.0, -1.5, 1.5};

// Plane units per pixel column and per pixel row.
struct PixelSteps {
    double StepX = 0.0;
    double StepY = 0.0;
};

// StepX = (LowerX - UpperX) / W, StepY = (LowerY - UpperY) / H.
PixelSteps computeSteps(const View& view, int width, int height);

// Plane coordinates are 64-bit floats: once a pixel step is below about 2^-50 of its axis'
// magnitude, neighbouring pixels share a coordinate and the picture shows blocks.
bool beyondDoublePrecision(const View& view, const PixelSteps& steps);
inline constexpr const char* kBeyondPrecisionMessage =
    "Zoom is beyond double precision: the picture shows blocks";

// The renderer's mapping of 1-based column x and row y: one step inside Upper, the last pixel
// exactly on Lower.
inline double renderPlaneX(int x, const PixelSteps& s, const View& v) {
    return x * s.StepX + v.upperX;
}
inline double renderPlaneY(int y, const PixelSteps& s, const View& v) {
    return y * s.StepY + v.upperY;
}

// One step of zoom history ("Undo last zoom"). Each document keeps its own (DocumentViews), of
// views at any precision (PlaneHistory); V is View or a type built from one.
template <class V> class BasicViewHistory {
public:
    V CurrentView = V(kDefaultView);
    V PreviousView = V(kDefaultView);

    // PreviousView := CurrentView; CurrentView := the fields.
    void newzoom(const V& fields) {
        PreviousView = CurrentView;
        CurrentView = fields;
    }
    // The fields and CurrentView become PreviousView, which stays (a second undo changes
    // nothing). Returns the new field values.
    V undoLastZoom() {
        CurrentView = PreviousView;
        return PreviousView;
    }
    // "Undo last zoom" is enabled while the two views differ.
    bool canUndo() const { return !(CurrentView == PreviousView); }
    // The fields and CurrentView become the default view; PreviousView is kept.
    V resetCoordinates() {
        CurrentView = V(kDefaultView);
        return CurrentView;
    }
    // "Cancel Selection": the fields return to CurrentView.
    V cancelSelection() const { return CurrentView; }
};
using ViewHistory = BasicViewHistory<View>;

// A selection on the picture in pixels; Right and Bottom are exclusive edges.
struct Selection {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// The fields that a selection writes: pixel edge k maps to Upper + k * Step (0-based).
View selectionToFields(const Selection& sel, const PixelSteps& steps, const View& current);

// "Constrain Selection": the height becomes Trunc(width * H / W). Fails (EInvalidOp) only when
// the value does not fit 32 bits.
int constrainedHeight(int selectionWidth, int pictureWidth, int pictureHeight);

// A plane reading of a mouse position: X = x * StepX + UpperX, and the negated plane Y so that
// the shown imaginary part grows upwards. Each is absent while its step is 0 (no render yet).
struct PlaneReadout {
    std::optional<double> x;
    std::optional<double> y;
};
PlaneReadout mouseToPlane(int x, int y, const PixelSteps& steps, const View& current);

// The magnifier labels' texts for a mouse position (absent parts leave a label unchanged).
struct MagnifierText {
    std::optional<std::string> x;
    std::optional<std::string> y;
};
MagnifierText magnifierText(int x, int y, const PixelSteps& steps, const View& current);

// The top-left corner of the 25 x 25 square around the mouse that the magnifier enlarges.
inline constexpr int kMagnifierSource = 25;
inline constexpr int kMagnifierTarget = 75;
inline int magnifierSourceLeft(int mouseX) {
    return mouseX - 12;
}
inline int magnifierSourceTop(int mouseY) {
    return mouseY - 12;
}

} // namespace qm::fractal
