// Navigator: how the user moves through the plane in one document window: the window's own view
// state and history, wheel zoom at the cursor, pan by dragging or arrow keys, zoom out, Back
// and Forward, Fit Window and the pixel readout. Each step shows a preview (the current picture
// transformed) at once and restarts the render, which replaces it.
#pragma once

#include "engine/fractal/fractal_params.h"
#include "engine/fractal/navigation.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>

class QAction;
class QMenu;

namespace qm::params {
class FractalDocument;
}

namespace qm::app {

class Tmandelform;

// The document's view at any precision (its exact texts where it keeps them), and setting it.
fractal::PlaneView planeViewOf(const params::FractalDocument& doc);
void setPlaneView(params::FractalDocument& doc, const fractal::PlaneView& view);

class Navigator : public QObject {
    Q_OBJECT
public:
    // Watches the form's picture view (wheel, drags, keys, resizes).
    explicit Navigator(Tmandelform& form);

    // StepX, StepY, CurrentView, PreviousView and the trail of this document.
    fractal::DocumentViews& views() { return views_; }
    const fractal::DocumentViews& views() const { return views_; }

    // The items "Zoom Out" ("-"), "Back" (Alt+Left), "Forward" (Alt+Right) in the settings menu
    // and "Fit Window" in its "Image Size" submenu.
    void addMenuItems(QMenu* settings, QMenu* imageSize);
    void updateMenuState();

    // Zooms by `factor` about picture position (u, v) (pixels of the picture).
    void zoomAt(double u, double v, double factor);
    void zoomIn();
    void ZoomOut1Click();
    // The picture moves (dx, dy) pixels on screen and the plane with it.
    void pan(double dx, double dy);
    void Back1Click();
    void Forward1Click();

    bool fitWindow() const { return fit_; }
    void setFitWindow(bool on);
    // Milliseconds the picture area must keep its size before Fit Window renders at it.
    static constexpr int kFitDelayMs = 150;

    // A render of `params` (the snapshot it renders) at width x height starts.
    void renderStarted(const fractal::FractalParams& params, int width, int height);
    // A picture that shows `params` at its own size replaced the window's picture.
    void pictureShown(const fractal::FractalParams& params, int width, int height);

    // The status bar's readout for picture pixel (x, y): plane X and Y as the loupe shows them,
    // and I and Z of the last render there; empty before any render.
    QString pixelReadout(int x, int y) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the preview (scale about (u, v), then shift by (dx, dy)), sets the fields to `to`
    // and restarts the render.
    void navigate(const fractal::PlaneView& to, double scale, double u, double v, double dx,
                  double dy);
    // The view on screen that the next step starts from.
    fractal::PlaneView base() const;
    // Back (false) or Forward (true) one view of the trail, rendered.
    void walk(bool ahead);
    void fitNow();
    bool dragStarts(const QEvent* event) const;
    void endDrag();

    Tmandelform& form_;
    fractal::DocumentViews views_;
    // The last render's parameters, for the pixel readout.
    fractal::FractalParams rendered_;
    bool haveRendered_ = false;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* fitAction_ = nullptr;
    bool fit_ = false;
    QTimer fitTimer_;
    bool spaceHeld_ = false;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPointF dragLast_;
    QPointF dragRest_; // the part of a pixel not yet panned
    int wheelRest_ = 0;
};

} // namespace qm::app
