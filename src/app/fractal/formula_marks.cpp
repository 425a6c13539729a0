// The failing formula field, found by compiling each field's text on its own.
#include "app/fractal/formula_marks.h"

#include "app/widgets/spin_edits.h"
#include "engine/core/random.h"
#include "engine/fractal/colour_formula.h"

#include <QLineEdit>
#include <exception>

namespace qm::app {

bool markFailingFormula(std::initializer_list<FormulaEdit*> fields,
                        const fractal::FormulaCompiler& compiler) {
    RandomGenerator random(0);
    for (FormulaEdit* field : fields) {
        try {
            compiler.compile(field->lineEdit()->text().toStdString(), random);
        } catch (const std::exception&) {
            field->markError();
            return true;
        }
    }
    return false;
}

} // namespace qm::app
