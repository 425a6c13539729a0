// The colour-formula evaluator: TCustomParser (compiles a formula, evaluates it per pixel or per
// block of pixels) and TParser (the colour language's seventeen variables and its functions).
#pragma once

#include "engine/core/arith.h"
#include "engine/core/errors.h"
#include "engine/core/random.h"
#include "engine/expr/compiler.h"
#include "engine/expr/kernels.h"
#include "engine/expr/operation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::expr {

// The seventeen variable cells every parser has, in this order at the start of its cell array.
enum VariableCell : std::int32_t {
    cellI,
    cellS,
    cellM,
    cellD,
    cellJ,
    cellZ,
    cellZj,
    cellA,
    cellB,
    cellX,
    cellY,
    cellT,
    cellK,
    cellQ,
    cellP,
    cellR,
    cellG,
    kVariableCellCount
};

class TCustomParser;

// Pixels per block in evaluateBatch; larger n are split.
inline constexpr std::size_t kBatchBlock = 1024;

// Called instead of throwing when a compilation fails and a handler is assigned.
using TParserExceptionEvent = std::function<void(TCustomParser& sender, const qm::Exception& e)>;

// Per-pixel values of one block for evaluateBatch: lanes[cell] points at n values of that
// variable, one per pixel. A variable without lanes reads the parser's cell, the same value for
// every pixel.
struct BatchInputs {
    std::array<const double*, kVariableCellCount> lanes{};
};

// The compiling and evaluating engine. A parser is a plain value: copying it copies its tables,
// variables and program, so each worker thread can own a copy (give each copy its own random
// generator with setRandomGenerator). One parser must not be used by two threads at once.
class TCustomParser {
public:
    // Random functions draw from `random`, which must outlive the parser.
    explicit TCustomParser(RandomGenerator& random);
    TCustomParser(const TCustomParser&) = default;
    TCustomParser& operator=(const TCustomParser&) = default;
    TCustomParser(TCustomParser&&) = default;
    TCustomParser& operator=(TCustomParser&&) = default;
    virtual ~TCustomParser() = default;

    const std::string& Expression() const { return expression_; }
    // Releases the program, stores the text and, unless it is empty, compiles it. A compile
    // error sets ParserError and goes to OnParserError when assigned, else it is thrown.
    void setExpression(std::string_view text);

    bool PascalNumberformat() const { return pascalNumberformat_; }
    void setPascalNumberformat(bool value) { pascalNumberformat_ = value; }
    bool ParserError() const { return parserError_; }

    TParserExceptionEvent OnParserError;

    // Runs the program once: its value, or 0 without a program. An arithmetic error is thrown
    // as the runtime's exception (EZeroDivide, EInvalidOp, EOverflow, EDivByZero,
    // EInvalidArgument).
    double Value() {
        const Outcome outcome = run();
        if (outcome.fault != ArithFault::None) [[unlikely]]
            raiseFault(outcome.fault);
        return outcome.value;
    }
    // The same without throwing: the error that Value would throw, or None with `value` set.
    ArithFault evaluate(double& value) noexcept {
        const Outcome outcome = run();
        if (outcome.fault == ArithFault::None) value = outcome.value;
        return outcome.fault;
    }

    // Evaluates the program for n pixels. For each pixel k, faults[k] is the ArithFault Value
    // would raise for it (0 for none) and values[k] what Value would return (0 where it
    // faulted). The parser's variable cells are left unchanged. values must not overlap the
    // input lanes.
    void evaluateBatch(const BatchInputs& inputs, std::size_t n, double* values,
                       std::uint8_t* faults);

    // A variable with a cell of its own (an existing name keeps its cell). Returns the cell.
    std::int32_t defineVariable(std::string_view name);
    // The cell of a variable name (any case), or null. Valid until the next compilation or
    // defineVariable, like the property references of TParser.
    double* variable(std::string_view name);
    // Adds a function; a name already in that table throws EStringListError.
    void defineFunction1(std::string_view name, FunctionRoutine routine);
    void defineFunction2(std::string_view name, FunctionRoutine routine);

    void setRandomGenerator(RandomGenerator& random) { random_ = &random; }
    RandomGenerator& randomGenerator() const { return *random_; }

    bool hasProgram() const { return !program_.ops.empty(); }
    const CompiledProgram& program() const { return program_; }
    // The name of a variable cell in upper case (empty if none).
    std::string variableName(std::int32_t cell) const;

protected:
    // Cell references stay valid until the next compilation or defineVariable.
    double& cell(std::int32_t index) { return cells_[static_cast<std::size_t>(index)]; }
    double cell(std::int32_t index) const { return cells_[static_cast<std::size_t>(index)]; }
    // Enters a name for an existing variable cell (duplicates are ignored).
    void registerVariable(std::string_view name, std::int32_t cell);

private:
    struct Outcome {
        double value;
        ArithFault fault;
    };
    Outcome run() noexcept;
    void releaseProgram();
    void install(CompiledProgram program);
    void planLanes();
    void evaluateBlock(const BatchInputs& inputs, std::size_t offset, std::size_t n, double* values,
                       std::uint8_t* faults);
    void evaluatePixels(const BatchInputs& inputs, std::size_t n, double* values,
                        std::uint8_t* faults);

    std::vector<double> cells_; // variables, then the program's constants and results
    std::string expression_;
    bool pascalNumberformat_ = true;
    bool parserError_ = false;
    VariableTable variables_;
    CompiledProgram program_;
    bool drawsRandom_ = false; // the program calls a random function
    FunctionTable functions1_;
    FunctionTable functions2_;
    RandomGenerator* random_;
    std::vector<std::int32_t> batchLane_; // per operation: its scratch lane for evaluateBatch
    std::int32_t batchLaneCount_ = 0;
    std::vector<double> scratch_; // batchLaneCount_ blocks of kBatchBlock values
};

// The evaluator of one colour formula, with the letters A B I S M D J K X Y T ? ! Z L R G and
// the colour language's functions. The properties read and write the variable cells directly;
// take a reference afresh after assigning Expression, which may move the cell array.
class TParser : public TCustomParser {
public:
    explicit TParser(RandomGenerator& random);

    double& i() { return cell(cellI); }
    double& S() { return cell(cellS); }
    double& M() { return cell(cellM); }
    double& D() { return cell(cellD); }
    double& J() { return cell(cellJ); }
    double& z() { return cell(cellZ); }
    double& zj() { return cell(cellZj); }
    double& A() { return cell(cellA); }
    double& B() { return cell(cellB); }
    double& X() { return cell(cellX); }
    double& Y() { return cell(cellY); }
    double& T() { return cell(cellT); }
    double& K() { return cell(cellK); }
    double& q() { return cell(cellQ); }
    double& p() { return cell(cellP); }
    double& r() { return cell(cellR); }
    double& g() { return cell(cellG); }
};

// One run of the program, inline so that a host's pixel loop and the operation loop are
// optimised together.
[[gnu::always_inline]] inline TCustomParser::Outcome TCustomParser::run() noexcept {
    const std::size_t count = program_.ops.size();
    if (count == 0) return Outcome{0.0, ArithFault::None};
    double* const c = cells_.data();
    const TOperation* op = program_.ops.data();
    if (op->OpCode == TOpCode::opVariable || op->OpCode == TOpCode::opConstant)
        return Outcome{c[program_.result], ArithFault::None}; // a lone variable or number
    const TOperation* const end = op + count;
    // Operators are computed here; a local fault stays in a register. Calls get a context.
    ArithFault fault = ArithFault::None;
    double r = 0.0;
    for (;;) {
        const double x = c[op->Arg1];
        switch (op->OpCode) {
        case TOpCode::opNegate:
            r = kernels::simple<kernels::Negate>(x, 0.0, fault);
            break;
        case TOpCode::opAdd:
            r = kernels::simple<kernels::Add>(x, c[op->Arg2], fault);
            break;
        case TOpCode::opSubtract:
            r = kernels::simple<kernels::Subtract>(x, c[op->Arg2], fault);
            break;
        case TOpCode::opMultiply:
            r = kernels::simple<kernels::Multiply>(x, c[op->Arg2], fault);
            break;
        case TOpCode::opDivide:
            r = kernels::simple<kernels::Divide>(x, c[op->Arg2], fault);
            break;
        case TOpCode::opMod:
            r = kernels::simple<kernels::Mod>(x, c[op->Arg2], fault);
            break;
        case TOpCode::opDiv:
            r = kernels::simple<kernels::Div>(x, c[op->Arg2], fault);
            break;
        case TOpCode::opSquare:
            r = kernels::simple<kernels::Square>(x, 0.0, fault);
            break;
        case TOpCode::opCube:
            r = kernels::simple<kernels::Cube>(x, 0.0, fault);
            break;
        case TOpCode::opFourth:
            r = kernels::simple<kernels::Fourth>(x, 0.0, fault);
            break;
        default: { // opIntPower, opPower and the calls, through the operation's routine
            EvalContext ctx{random_, ArithFault::None};
            r = op->Proc(x, isTwoOperand(op->OpCode) ? c[op->Arg2] : 0.0, ctx);
            fault = ctx.fault;
            break;
        }
        }
        if (fault != ArithFault::None) [[unlikely]]
            return Outcome{0.0, fault};
        c[op->Dest] = r;
        if (++op == end) return Outcome{r, ArithFault::None}; // the last result is the value
    }
}

// The parser's program in run order, one line per operation: the TOpCode name, for calls the
// function's name, then each operand as a variable name, a constant in the number text format,
// or #k for the result of the k-th operation (1-based). Empty without a program.
std::vector<std::string> programListing(const TCustomParser& parser);

} // namespace qm::expr
