// LiveRecolour: a document window's colouring changes (formulas, colour model, Repeat Palette,
// gradient, plasma) show at once, recoloured from the last render's kernel results; view and
// kernel settings still wait for a render.
#pragma once

#include "engine/shared/shared_colour_data.h"

#include <QObject>
#include <string>

namespace qm::app {

class Tmandelform;

class LiveRecolour : public QObject {
    Q_OBJECT
public:
    explicit LiveRecolour(Tmandelform& form);
    ~LiveRecolour() override;

    // Recolours once the event loop runs again, once for every change made until then. A
    // formula that does not compile (yet: the user may be typing) leaves the picture.
    void schedule();
    // Enter in a formula field, OK in the formula editor: recolours now, reporting a formula
    // that does not compile. Where the kept results cannot give the new colours (they lack the
    // A, B, Z the formulas now read) and the fields still describe the picture, renders instead.
    void apply();

private:
    void documentChanged();
    void colourDataChanged(SharedColourData::Change change);

    Tmandelform& form_;
    std::string colouring_; // the formulas, colour model and Repeat Palette last seen
    int documentListener_ = 0;
    int colourListener_ = 0;
    bool pending_ = false;
};

} // namespace qm::app
