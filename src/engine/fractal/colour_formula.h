// What a render needs of the colour-formula language: a compiled formula that evaluates a whole
// row of pixels at once. The language module provides the implementation; tests plug in their
// own.
#pragma once

#include "engine/core/arith.h"
#include "engine/core/random.h"

#include <memory>
#include <string>

namespace qm::fractal {

// The variables of one row, one array per letter. nullptr: the renderer does not write that
// letter in this render, so it keeps its last value (0 in a fresh program).
struct FormulaRow {
    const double* X = nullptr;
    const double* Y = nullptr;
    const double* M = nullptr;
    const double* D = nullptr;
    const double* I = nullptr;
    const double* Z = nullptr;
    const double* A = nullptr;
    const double* B = nullptr;
    const double* T = nullptr;
    const double* q = nullptr; // "?"
    const double* p = nullptr; // "!"
};

// One worker's compiled formula; used by one thread at a time.
class ColourFormula {
public:
    virtual ~ColourFormula() = default;
    // values[k] := the formula for pixel k; faults[k] := the arithmetic error it raised, if any.
    virtual void evaluate(const FormulaRow& row, int n, double* values, ArithFault* faults) = 0;
};

class FormulaCompiler {
public:
    virtual ~FormulaCompiler() = default;
    // Compiles text (throwing the language's compile error). The random functions of the
    // program draw from `random`, which outlives the program.
    virtual std::unique_ptr<ColourFormula> compile(const std::string& text,
                                                   RandomGenerator& random) const = 0;
};

} // namespace qm::fractal
