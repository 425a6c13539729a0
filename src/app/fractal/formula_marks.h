// Pointing at the formula that stopped a render: the message stays the evaluator's own, the
// field it came from takes the focus and a mark.
#pragma once

#include <initializer_list>

namespace qm::fractal {
class FormulaCompiler;
}

namespace qm::app {

class FormulaEdit;

// Marks the first of `fields` (in the order a render compiles them) whose text does not
// compile; returns whether one was marked.
bool markFailingFormula(std::initializer_list<FormulaEdit*> fields,
                        const fractal::FormulaCompiler& compiler);

} // namespace qm::app
