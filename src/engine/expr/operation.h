// One step of a compiled colour formula (TOperation), its kinds (TOpCode) and the routine types
// that evaluate a step for one pixel or for a block of pixels.
#pragma once

#include "engine/core/arith.h"
#include "engine/core/random.h"

#include <cstddef>
#include <cstdint>

namespace qm::expr {

enum class TOpCode : std::uint8_t {
    opVariable = 0,
    opConstant = 1,
    opNegate = 2,
    opAdd = 3,
    opSubtract = 4,
    opMultiply = 5,
    opDivide = 6,
    opMod = 7,
    opDiv = 8,
    opIntPower = 9,
    opPower = 10,
    opSquare = 11,
    opCube = 12,
    opFourth = 13,
    opFunc1 = 14,
    opFunc2 = 15,
};

// "opMultiply" etc., as the compile command prints them.
const char* opCodeName(TOpCode code);

// Kinds whose operation reads exactly one operand cell.
constexpr bool isOneOperand(TOpCode c) {
    return c == TOpCode::opNegate || c == TOpCode::opSquare || c == TOpCode::opCube ||
           c == TOpCode::opFourth || c == TOpCode::opFunc1;
}
// Kinds whose operation reads two operand cells.
constexpr bool isTwoOperand(TOpCode c) {
    return (c >= TOpCode::opAdd && c <= TOpCode::opPower) || c == TOpCode::opFunc2;
}

// What a routine needs besides its operands: the generator the random functions draw from, and
// the place where it reports the arithmetic error that the reference would raise. A routine
// that sets `fault` returns at once; its result is then meaningless.
struct EvalContext {
    RandomGenerator* random = nullptr;
    ArithFault fault = ArithFault::None;
};

// Evaluates one step for one pixel: x is the first operand, y the second (0 for one-operand
// kinds).
using TOperationProc = double (*)(double x, double y, EvalContext& ctx);

// An operand of a block evaluation: a lane per pixel, or one value for every pixel when `lanes`
// is null.
struct BatchOperand {
    const double* lanes = nullptr;
    double value = 0.0;
    double at(std::size_t k) const { return lanes != nullptr ? lanes[k] : value; }
};

// Evaluates one step for n pixels, writing out[k] and, for each pixel whose fault byte is still
// 0, the fault it raises (an ArithFault value). Returns whether any pixel faulted.
using BatchProc = bool (*)(const BatchOperand& x, const BatchOperand& y, double* out,
                           std::uint8_t* faults, std::size_t n);

// A function of the name tables: its one-pixel routine and its block form. Functions that draw
// random numbers have no block form: a block must then be evaluated pixel by pixel so that the
// draws come in the same order as Value would make them.
struct FunctionRoutine {
    TOperationProc proc = nullptr;
    BatchProc batch = nullptr;
};

// One step of a compiled program. The operand and result fields are indexes into the parser's
// cell array (variables first, then the program's constants and results) rather than pointers,
// so a program and its cells can be copied as plain values, one copy per worker thread.
struct TOperation {
    static constexpr std::int32_t kNone = -1;

    std::int32_t Arg1 = kNone; // first operand cell
    std::int32_t Arg2 = kNone; // second operand cell
    std::int32_t Dest = kNone; // result cell
    std::int32_t Next = kNone; // index of the next operation in the program
    TOperationProc Proc = nullptr;
    BatchProc Batch = nullptr; // block form of Proc; null for the random functions
    TOpCode OpCode = TOpCode::opVariable;
};

} // namespace qm::expr
