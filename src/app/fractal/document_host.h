// DocumentHost: what a fractal document window needs of the program around it, and the render
// state that all document windows of the process share.
#pragma once

#include "engine/fractal/navigation.h"
#include "engine/shared/shared_colour_data.h"

#include <QString>
#include <atomic>
#include <cstdint>

namespace qm::gradient {
class GradientModel;
}

namespace qm::app {

class TPGImage;
class Tmandelform;

// One per process, owned by the host, UI thread only except `Bailout`. The view state (StepX,
// StepY, CurrentView, PreviousView) is each document's own: Tmandelform::navigator().
struct SharedRenderState {
    // The caption saved by the last render or picture operation of any window (each window also
    // keeps its own, which is what it restores).
    QString SavedCaption;
    // Written on the UI thread whenever any window's RxSpinEdit6 changes; read by render
    // workers at every pixel (relaxed: any recent value is fine).
    std::atomic<std::int32_t> Bailout{4};
    // The window whose render runs; RenderActive is "not null". Only one render at a time.
    Tmandelform* renderingWindow = nullptr;
    // Millisecond tick of the last progress caption of a picture operation.
    std::int64_t lastProgressCaption = -1000000;

    bool RenderActive() const { return renderingWindow != nullptr; }
};

// Implemented by the main window and handed to every Tmandelform it creates.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // GradientTable, PlasmaBuffer, RgbBuffer and the shared random generator.
    virtual SharedColourData& colourData() = 0;
    // The gradient model behind GradientTable (parameter files read and write it).
    virtual gradient::GradientModel& gradientModel() = 0;
    // The process-wide render state above.
    virtual SharedRenderState& renderState() = 0;

    // The mouse moved over a document's picture; (x, y) is the picture pixel under it and
    // `shown` the view and steps of that document's picture.
    virtual void updateLoupe(TPGImage& view, int x, int y, const fractal::ShownView& shown) = 0;
    // Whether the speedometer is shown; only then are rows timed and sampled.
    virtual bool speedometerShown() const = 0;
    // One sample per rendered row: the milliseconds the row took.
    virtual void speedometerSample(double millis) = 0;
    // A parameter file was saved or opened through a document window.
    virtual void addRecentFile(const QString& path) = 0;
    // A long hint to show in the status bar (controls also carry it as their status tip).
    virtual void showHint(const QString& hint) { static_cast<void>(hint); }
};

} // namespace qm::app
