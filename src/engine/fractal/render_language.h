// The colour-formula language as render jobs use it: each worker compiles its own programs and
// evaluates them a row at a time.
#pragma once

#include "engine/fractal/colour_formula.h"

#include <memory>

namespace qm::fractal {

std::unique_ptr<FormulaCompiler> makeRenderLanguage();

} // namespace qm::fractal
