// The deep path's menu choice and status texts of a document window.
#include "app/fractal/deep_zoom.h"

#include "app/fractal/document_host.h"
#include "app/fractal/mandel_form.h"
#include "app/widgets/command_errors.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace qm::app {

namespace {
constexpr int kStageIntervalMs = 100;
constexpr fractal::DeepMode kModes[3] = {fractal::DeepMode::Auto, fractal::DeepMode::On,
                                         fractal::DeepMode::Off};
} // namespace

DeepZoom::DeepZoom(Tmandelform& form) : QObject(&form), form_(form) {
    stageTimer_.setInterval(kStageIntervalMs);
    connect(&stageTimer_, &QTimer::timeout, this, [this] { showStage(); });
}

void DeepZoom::addMenuItems(QMenu* options) {
    QMenu* menu = options->addMenu("Deep Zoom");
    menu->setObjectName("DeepZoom1");
    auto* group = new QActionGroup(this);
    const char* names[3] = {"DeepAuto1", "DeepOn1", "DeepOff1"};
    const char* captions[3] = {"Automatic", "On", "Off"};
    const char* hints[3] = {"Exact pictures beyond double precision where the formula allows",
                            "Always the exact deep path (Mandelbrot, Mandelbrot Order 2 to 16)",
                            "Doubles only: deep views show blocks"};
    for (int k = 0; k < 3; ++k) {
        QAction* a = menu->addAction(captions[k]);
        a->setObjectName(names[k]);
        a->setCheckable(true);
        a->setActionGroup(group);
        a->setStatusTip(hints[k]);
        const fractal::DeepMode mode = kModes[k];
        connect(a, &QAction::triggered, this,
                [this, mode] { runGuarded([&] { form_.document().setDeepMode(mode); }); });
        modes_[k] = a;
    }
    updateMenuState();
}

void DeepZoom::updateMenuState() {
    for (int k = 0; k < 3; ++k)
        if (modes_[k] != nullptr) modes_[k]->setChecked(form_.document().deepMode() == kModes[k]);
}

void DeepZoom::renderStarted(std::shared_ptr<fractal::deep::DeepPicture> deep) {
    deep_ = std::move(deep);
    lastStage_.clear();
    if (deep_)
        stageTimer_.start();
    else
        stageTimer_.stop();
}

void DeepZoom::showStage() {
    if (!deep_) return;
    const QString stage = QString::fromStdString(deep_->stage());
    if (stage.isEmpty() || stage == lastStage_) return;
    lastStage_ = stage;
    form_.host().showHint("Deep zoom: " + stage);
}

void DeepZoom::renderFinished() {
    stageTimer_.stop();
    if (!deep_) return;
    form_.host().showHint(summary(deep_->stats()));
    deep_.reset();
}

QString DeepZoom::summary(const fractal::deep::DeepStats& s) {
    return QString("Deep zoom: magnification %1, %2 bits, %3 deltas")
        .arg(QString::fromStdString(fractal::deep::formatMagnification(s.magnificationLog10)))
        .arg(s.bits)
        .arg(s.extended ? "extended-exponent" : "double");
}

} // namespace qm::app
