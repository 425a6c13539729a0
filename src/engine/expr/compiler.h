// The colour-formula compiler: name tables, the compiled program and Compile.
#pragma once

#include "engine/expr/operation.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm::expr {

// Names are stored in upper case; a formula is upper-cased before lookup, so names match
// whatever their case.
struct VariableTable {
    std::map<std::string, std::int32_t, std::less<>> cells; // name -> variable cell
    std::int32_t cellCount = 0; // variable cells; a program's own cells are numbered after them
};
using FunctionTable = std::map<std::string, FunctionRoutine, std::less<>>;

// Limits of the level table: operations of depth d sit on level d + 1.
inline constexpr int kMaxNestingLevel = 20;
inline constexpr int kSlotsPerLevel = 50;

// A compiled formula: its operations in run order (deepest level first) over a cell array that
// starts with the host's variable cells and continues with the program's own cells.
struct CompiledProgram {
    std::vector<TOperation> ops;
    std::vector<std::string> callNames;      // per operation: the function name of a call
    std::int32_t firstOwnCell = 0;           // = the variable cell count at compile time
    std::vector<double> ownCells;            // constants hold their value, results start at 0
    std::vector<std::int32_t> producer;      // per own cell: the operation writing it, or -1
    std::int32_t result = TOperation::kNone; // cell holding the value after a run

    bool isOwnCell(std::int32_t cell) const { return cell >= firstOwnCell; }
    bool isConstant(std::int32_t cell) const {
        return isOwnCell(cell) && producer[static_cast<std::size_t>(cell - firstOwnCell)] < 0;
    }
    bool isResult(std::int32_t cell) const { return isOwnCell(cell) && !isConstant(cell); }
};

// Compiles `text` (non-empty) into a program. Throws an EMathParserError on a bad formula, and
// the runtime's EInvalidOp / EOverflow for an exponent literal outside the 32-bit range or a
// number literal outside the double range. Operations of the operator kinds get no routine
// here; the parser assigns them by kind.
CompiledProgram Compile(std::string_view text, const VariableTable& variables,
                        const FunctionTable& functions1, const FunctionTable& functions2,
                        bool pascalNumberformat);

} // namespace qm::expr
