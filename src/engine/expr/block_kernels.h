// Block forms of the evaluation routines: loops over a block of pixels that give each pixel
// exactly the result and the fault of the one-pixel routine.
#pragma once

#include "engine/expr/operation.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace qm::expr {

// The branch-free main loop of one operator over a block, for lanes or a uniform value on
// either side. It only reports whether some lane is not finite.
template <class Op, bool XLanes, bool YLanes>
bool fastLoop(const double* __restrict xl, double xv, const double* __restrict yl, double yv,
              double* __restrict out, std::size_t n) {
    // A value is not finite when its exponent bits are all ones; adding one to the exponent
    // field then carries into the sign bit. ORing those sums keeps the loop vectorised with a
    // one-cycle dependency (GCC does not vectorise an OR of comparison results with SSE2).
    constexpr std::uint64_t kExponent = 0x7FF0000000000000ull;
    constexpr std::uint64_t kExponentOne = 0x0010000000000000ull;
    std::uint64_t carry = 0;
#pragma GCC unroll 4
    for (std::size_t k = 0; k < n; ++k) {
        const double r = Op::apply(XLanes ? xl[k] : xv, YLanes ? yl[k] : yv);
        out[k] = r;
        carry |= (std::bit_cast<std::uint64_t>(r) & kExponent) + kExponentOne;
    }
    return (carry >> 63) != 0;
}

// One operator over a block: the main loop vectorises; lanes that are not finite are then
// given their fault, unless an earlier operation already failed there. Returns whether some
// lane faulted.
template <class Op>
bool fastLanes(const BatchOperand& x, const BatchOperand& y, double* out, std::uint8_t* faults,
               std::size_t n) {
    const double* xl = x.lanes;
    const double* yl = y.lanes;
    bool bad = false;
    if (xl != nullptr && yl != nullptr)
        bad = fastLoop<Op, true, true>(xl, 0, yl, 0, out, n);
    else if (xl != nullptr)
        bad = fastLoop<Op, true, false>(xl, 0, nullptr, y.value, out, n);
    else if (yl != nullptr)
        bad = fastLoop<Op, false, true>(nullptr, x.value, yl, 0, out, n);
    else
        bad = fastLoop<Op, false, false>(nullptr, x.value, nullptr, y.value, out, n);
    if (!bad) [[likely]]
        return false;
    for (std::size_t k = 0; k < n; ++k) {
        if (faults[k] == 0 && !std::isfinite(out[k]))
            faults[k] = static_cast<std::uint8_t>(Op::fault(x.at(k), y.at(k), out[k]));
    }
    return true;
}

// Block form of a one-pixel routine: the routine is a template argument, so it is inlined into
// the loop instead of called through a pointer per pixel.
template <TOperationProc Proc>
bool lanes(const BatchOperand& x, const BatchOperand& y, double* out, std::uint8_t* faults,
           std::size_t n) {
    bool any = false;
    for (std::size_t k = 0; k < n; ++k) {
        EvalContext ctx;
        out[k] = Proc(x.at(k), y.at(k), ctx);
        if (ctx.fault != ArithFault::None) [[unlikely]] {
            any = true;
            if (faults[k] == 0) faults[k] = static_cast<std::uint8_t>(ctx.fault);
        }
    }
    return any;
}

} // namespace qm::expr
