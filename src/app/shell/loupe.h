// The loupe tool window: a 25 x 25 pixel square around the pointer enlarged three times, the
// plane coordinates under the pointer, and labels that blink while it is shown.
#pragma once

#include "app/shell/threaded_timer.h"
#include "engine/fractal/navigation.h"
#include "engine/image/pixel_graphic.h"

#include <QDockWidget>
#include <cstdint>

class QLabel;

namespace qm::app {

// Shows the loupe picture centred in an 80 x 80 view with a cross-hair through its centre.
class LoupeView : public QWidget {
    Q_OBJECT
public:
    explicit LoupeView(const image::TPixelGraphic& picture, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {80, 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const image::TPixelGraphic& picture_;
};

class LoupeWindow : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kPictureSide = 76;
    static constexpr int kMinUpdateMs = 20;
    static constexpr int kBlinkMs = 1000;

    explicit LoupeWindow(QWidget* parent = nullptr);

    // Mouse moved to (x, y) over `source`, the picture shown by a document. Does nothing while
    // the window is hidden or unless more than 20 ms have passed since the last update at
    // `nowMs`; returns whether it updated. Deep views show the exact point's digits.
    bool updateFrom(const image::TPixelGraphic& source, int x, int y, std::int64_t nowMs,
                    const fractal::PixelSteps& steps, const fractal::PlaneView& current);

    const image::TPixelGraphic& picture() const { return picture_; }
    QLabel* upperLabel() const { return PGLabel1; }
    QLabel* lowerLabel() const { return PGLabel2; }
    TThreadedTimer& blinkTimer() { return Timer1; }
    QColor labelColour() const { return labelColour_; }

    // "&Loupe": toggles visibility; the blink timer runs exactly while shown.
    void toggle();
    // One blink tick: stops the timer when hidden, otherwise swaps the labels' colour.
    void Timer1Timer(TThreadedTimer& timer);

private:
    image::TPixelGraphic picture_;
    LoupeView* PGImage2 = nullptr;
    QLabel* PGLabel1 = nullptr;
    QLabel* PGLabel2 = nullptr;
    TThreadedTimer Timer1;
    QColor labelColour_ = Qt::black;
    std::int64_t lastUpdateMs_ = INT64_MIN / 2;
};

} // namespace qm::app
