// DeepZoom: the deep path as a document window shows it: the "Deep Zoom" choice (Automatic, On,
// Off) in the window's options menu, the reference orbit and BLA table stages as progress while
// a deep render prepares, and the magnification and precision after it.
#pragma once

#include "engine/fractal/deep/deep_renderer.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QAction;
class QMenu;

namespace qm::app {

class Tmandelform;

class DeepZoom : public QObject {
    Q_OBJECT
public:
    explicit DeepZoom(Tmandelform& form);

    // The submenu "Deep Zoom" with "Automatic", "On" and "Off".
    void addMenuItems(QMenu* options);
    // Marks the document's choice.
    void updateMenuState();

    // A render starts; `deep` is its deep renderer, null on the double path.
    void renderStarted(std::shared_ptr<fractal::deep::DeepPicture> deep);
    // The render ended (finished or stopped).
    void renderFinished();

    // "Deep zoom: magnification 1.00E30, 170 bits, double deltas" of a deep picture's figures.
    static QString summary(const fractal::deep::DeepStats& stats);

private:
    void showStage();

    Tmandelform& form_;
    QAction* modes_[3] = {nullptr, nullptr, nullptr};
    std::shared_ptr<fractal::deep::DeepPicture> deep_;
    QTimer stageTimer_;
    QString lastStage_;
};

} // namespace qm::app
