// The routines behind every operator kind and every function name of the colour language.
#pragma once

#include "engine/expr/operation.h"

#include <span>

namespace qm::expr {

// The routine of an operator kind (opNegate .. opFourth); kinds 0 and 1 get one that does
// nothing, and the call kinds get theirs from the function tables.
FunctionRoutine operatorRoutine(TOpCode code);

struct NamedFunction {
    const char* name;
    FunctionRoutine routine;
};

// The colour language's functions with one and with two arguments.
std::span<const NamedFunction> colourFunctions1();
std::span<const NamedFunction> colourFunctions2();

} // namespace qm::expr
