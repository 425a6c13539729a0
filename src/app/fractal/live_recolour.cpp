// Colouring changes of a document window, applied by recolouring.
#include "app/fractal/live_recolour.h"

#include "app/fractal/mandel_form.h"
#include "app/widgets/command_errors.h"
#include "app/widgets/tpg_image.h"
#include "engine/fractal/recolour.h"

#include <QLineEdit>
#include <QMetaObject>
#include <QTimer>

namespace qm::app {

namespace {

std::string colouringOf(const fractal::FractalParams& p) {
    return std::to_string(static_cast<int>(p.model)) + (p.repeatPalette ? "R" : "-") + '\n' +
           p.edit971 + '\n' + p.redit + '\n' + p.gedit + '\n' + p.bedit;
}

} // namespace

LiveRecolour::LiveRecolour(Tmandelform& form)
    : QObject(&form), form_(form), colouring_(colouringOf(form.document().renderParams())) {
    documentListener_ = form_.document().addListener([this] { documentChanged(); });
    // The colour data may change on another thread: the recolour happens on this one.
    colourListener_ =
        form_.host().colourData().addChangeListener([this](SharedColourData::Change change) {
            QMetaObject::invokeMethod(
                this, [this, change] { colourDataChanged(change); }, Qt::QueuedConnection);
        });
    for (const char* name : {"edit971", "redit", "gedit", "bedit"})
        if (auto* field = form_.findChild<QLineEdit*>(name))
            connect(field, &QLineEdit::returnPressed, this, [this] { apply(); });
}

LiveRecolour::~LiveRecolour() {
    form_.host().colourData().removeChangeListener(colourListener_);
    form_.document().removeListener(documentListener_);
}

void LiveRecolour::documentChanged() {
    std::string colouring = colouringOf(form_.document().renderParams());
    if (colouring == colouring_) return;
    colouring_ = std::move(colouring);
    schedule();
}

void LiveRecolour::colourDataChanged(SharedColourData::Change change) {
    // The gradient colours only Fixed Palette pictures.
    if (change == SharedColourData::Change::Gradient &&
        form_.document().colourModel() != fractal::ColourModel::FixedPalette)
        return;
    schedule();
}

void LiveRecolour::schedule() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        try {
            form_.recolour();
        } catch (const std::exception&) {
            // Half-typed formulas do not compile; the render (F9) reports what stays wrong.
        }
    });
}

void LiveRecolour::apply() {
    runGuarded([this] {
        if (form_.isRendering()) return;
        try {
            if (form_.recolour()) return;
        } catch (const std::exception&) {
            form_.markFormulaError(form_.document().colourModel());
            throw;
        }
        const fractal::KernelResults& kept = form_.keptResults();
        if (kept.complete() && !form_.Image1()->Selection() &&
            !form_.host().renderState().RenderActive() &&
            fractal::sameKernelSettings(kept.params(), form_.document().renderParams()))
            form_.StartrenderClick();
    });
}

} // namespace qm::app
