// Block evaluation of a compiled program: each operation runs over a block of pixels at a time
// (one lane per pixel), with the first failing operation of each pixel recorded as its fault.
#include "engine/expr/parser.h"

#include <algorithm>
#include <cstring>

namespace qm::expr {

void TCustomParser::planLanes() {
    // Each result is read by exactly one later operation, so its lane is free again once that
    // operation has run. An operation never writes into the lane of its own operand.
    batchLane_.assign(program_.ops.size(), -1);
    batchLaneCount_ = 0;
    std::vector<std::int32_t> free;
    for (std::size_t k = 0; k + 1 < program_.ops.size(); ++k) {
        const TOperation& op = program_.ops[k];
        if (free.empty()) {
            batchLane_[k] = batchLaneCount_++;
        } else {
            batchLane_[k] = free.back();
            free.pop_back();
        }
        for (const std::int32_t cell : {op.Arg1, op.Arg2}) {
            if (cell != TOperation::kNone && program_.isResult(cell))
                free.push_back(batchLane_[static_cast<std::size_t>(
                    program_.producer[static_cast<std::size_t>(cell - program_.firstOwnCell)])]);
        }
    }
}

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
    const auto needed = static_cast<std::size_t>(batchLaneCount_) * kBatchBlock;
    if (scratch_.size() < needed) scratch_.resize(needed); // once per program
    for (std::size_t start = 0; start < n; start += kBatchBlock) {
        const std::size_t m = std::min(kBatchBlock, n - start);
        evaluateBlock(inputs, start, m, values + start, faults + start);
    }
}

void TCustomParser::evaluateBlock(const BatchInputs& inputs, std::size_t offset, std::size_t n,
                                  double* values, std::uint8_t* faults) {
    std::memset(faults, 0, n);
    const CompiledProgram& prog = program_;
    const auto lane = [&](std::size_t op) {
        return scratch_.data() + static_cast<std::size_t>(batchLane_[op]) * kBatchBlock;
    };
    const auto operand = [&](std::int32_t cell) -> BatchOperand {
        if (cell == TOperation::kNone) return BatchOperand{};
        const auto index = static_cast<std::size_t>(cell);
        if (cell < prog.firstOwnCell) {
            if (index < inputs.lanes.size() && inputs.lanes[index] != nullptr)
                return BatchOperand{inputs.lanes[index] + offset, 0.0};
            return BatchOperand{nullptr, cells_[index]};
        }
        const std::int32_t producer =
            prog.producer[static_cast<std::size_t>(cell - prog.firstOwnCell)];
        if (producer < 0) return BatchOperand{nullptr, cells_[index]};
        return BatchOperand{lane(static_cast<std::size_t>(producer)), 0.0};
    };

    const std::size_t count = prog.ops.size();
    const TOperation& last = prog.ops[count - 1];
    if (last.OpCode == TOpCode::opVariable || last.OpCode == TOpCode::opConstant) {
        // A lone variable or number: nothing is computed.
        const BatchOperand x = operand(last.Arg1);
        for (std::size_t j = 0; j < n; ++j)
            values[j] = x.at(j);
        return;
    }
    bool anyFault = false;
    for (std::size_t k = 0; k < count; ++k) {
        const TOperation& op = prog.ops[k];
        const BatchOperand x = operand(op.Arg1);
        const BatchOperand y = isTwoOperand(op.OpCode) ? operand(op.Arg2) : BatchOperand{};
        anyFault |= op.Batch(x, y, k + 1 == count ? values : lane(k), faults, n);
    }
    // A pixel that faulted has no value; report 0 as the renderers would use.
    if (!anyFault) return;
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
