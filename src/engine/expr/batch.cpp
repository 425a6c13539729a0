// Block evaluation of a compiled program: each operation runs over a block of pixels at a time
// (one lane per pixel), with the first failing operation of each pixel recorded as its fault.
#include "engine/expr/kernels.h"
#include "engine/expr/parser.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace qm::expr {
namespace {

// One operator over a block. The main loop has no branches, so it vectorises; it only notes
// whether some lane is not finite. Those lanes are then given their fault, unless an earlier
// operation already failed there.
template <class Op>
void fastLanes(const BatchOperand& x, const BatchOperand& y, double* out, std::uint8_t* faults,
               std::size_t n) {
    unsigned bad = 0;
    const auto run = [&](auto xAt, auto yAt) {
        for (std::size_t k = 0; k < n; ++k) {
            const double r = Op::apply(xAt(k), yAt(k));
            out[k] = r;
            bad |= static_cast<unsigned>(!(std::fabs(r) <= DBL_MAX));
        }
    };
    const double* xl = x.lanes;
    const double* yl = y.lanes;
    const double xv = x.value;
    const double yv = y.value;
    const auto lane = [](const double* l) { return [l](std::size_t k) { return l[k]; }; };
    const auto uniform = [](double v) { return [v](std::size_t) { return v; }; };
    if (xl != nullptr && yl != nullptr)
        run(lane(xl), lane(yl));
    else if (xl != nullptr)
        run(lane(xl), uniform(yv));
    else if (yl != nullptr)
        run(uniform(xv), lane(yl));
    else
        run(uniform(xv), uniform(yv));
    if (bad == 0) [[likely]]
        return;
    for (std::size_t k = 0; k < n; ++k) {
        if (faults[k] == 0 && !std::isfinite(out[k]))
            faults[k] = static_cast<std::uint8_t>(Op::fault(x.at(k), y.at(k), out[k]));
    }
}

} // namespace

void TCustomParser::evaluateBatch(const BatchInputs& inputs, std::size_t n, double* values,
                                  std::uint8_t* faults) {
    if (n == 0) return;
    if (!hasProgram()) {
        std::fill(values, values + n, 0.0);
        std::memset(faults, 0, n);
        return;
    }
    if (drawsRandom_) {
        evaluatePixels(inputs, n, values, faults);
        return;
    }
    const std::size_t needed = program_.ops.size() * kBatchBlock;
    if (scratch_.size() < needed) scratch_.resize(needed);
    for (std::size_t start = 0; start < n; start += kBatchBlock) {
        const std::size_t m = std::min(kBatchBlock, n - start);
        evaluateBlock(inputs, start, m, values + start, faults + start);
    }
}

void TCustomParser::evaluateBlock(const BatchInputs& inputs, std::size_t offset, std::size_t n,
                                  double* values, std::uint8_t* faults) {
    std::memset(faults, 0, n);
    const CompiledProgram& prog = program_;
    const auto operand = [&](std::int32_t cell) -> BatchOperand {
        if (cell == TOperation::kNone) return BatchOperand{};
        if (cell < prog.firstOwnCell) {
            if (cell < kVariableCellCount &&
                inputs.lanes[static_cast<std::size_t>(cell)] != nullptr)
                return BatchOperand{inputs.lanes[static_cast<std::size_t>(cell)] + offset, 0.0};
            return BatchOperand{nullptr, cells_[static_cast<std::size_t>(cell)]};
        }
        const std::int32_t producer =
            prog.producer[static_cast<std::size_t>(cell - prog.firstOwnCell)];
        if (producer < 0) return BatchOperand{nullptr, cells_[static_cast<std::size_t>(cell)]};
        return BatchOperand{scratch_.data() + static_cast<std::size_t>(producer) * kBatchBlock,
                            0.0};
    };

    const std::size_t count = prog.ops.size();
    for (std::size_t k = 0; k < count; ++k) {
        const TOperation& op = prog.ops[k];
        double* out = k + 1 == count ? values : scratch_.data() + k * kBatchBlock;
        const BatchOperand x = operand(op.Arg1);
        const BatchOperand y = isTwoOperand(op.OpCode) ? operand(op.Arg2) : BatchOperand{};
        switch (op.OpCode) {
        case TOpCode::opVariable:
        case TOpCode::opConstant:
            for (std::size_t j = 0; j < n; ++j)
                out[j] = x.at(j);
            break;
        case TOpCode::opNegate:
            fastLanes<kernels::Negate>(x, y, out, faults, n);
            break;
        case TOpCode::opAdd:
            fastLanes<kernels::Add>(x, y, out, faults, n);
            break;
        case TOpCode::opSubtract:
            fastLanes<kernels::Subtract>(x, y, out, faults, n);
            break;
        case TOpCode::opMultiply:
            fastLanes<kernels::Multiply>(x, y, out, faults, n);
            break;
        case TOpCode::opDivide:
            fastLanes<kernels::Divide>(x, y, out, faults, n);
            break;
        case TOpCode::opSquare:
            fastLanes<kernels::Square>(x, y, out, faults, n);
            break;
        case TOpCode::opCube:
            fastLanes<kernels::Cube>(x, y, out, faults, n);
            break;
        case TOpCode::opFourth:
            fastLanes<kernels::Fourth>(x, y, out, faults, n);
            break;
        case TOpCode::opMod:
        case TOpCode::opDiv:
        case TOpCode::opIntPower:
        case TOpCode::opPower:
        case TOpCode::opFunc1:
        case TOpCode::opFunc2:
            op.Batch(x, y, out, faults, n);
            break;
        }
    }
    // A pixel that faulted has no value; report 0 as the renderers would use.
    for (std::size_t j = 0; j < n; ++j) {
        if (faults[j] != 0) values[j] = 0.0;
    }
}

void TCustomParser::evaluatePixels(const BatchInputs& inputs, std::size_t n, double* values,
                                   std::uint8_t* faults) {
    std::array<double, kVariableCellCount> saved{};
    std::copy_n(cells_.begin(), kVariableCellCount, saved.begin());
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t v = 0; v < kVariableCellCount; ++v) {
            if (inputs.lanes[v] != nullptr) cells_[v] = inputs.lanes[v][k];
        }
        double value = 0.0;
        const ArithFault fault = evaluate(value);
        values[k] = fault == ArithFault::None ? value : 0.0;
        faults[k] = static_cast<std::uint8_t>(fault);
    }
    std::copy_n(saved.begin(), kVariableCellCount, cells_.begin());
}

} // namespace qm::expr
