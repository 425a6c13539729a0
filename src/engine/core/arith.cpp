// Throwing conversions and fault-to-exception mapping.
#include "engine/core/arith.h"

#include "engine/core/errors.h"

namespace qm {

void raiseFault(ArithFault fault) {
    switch (fault) {
    case ArithFault::None:
        return;
    case ArithFault::ZeroDivide:
        throw EZeroDivide();
    case ArithFault::InvalidOp:
        throw EInvalidOp();
    case ArithFault::Overflow:
        throw EOverflow();
    case ArithFault::DivByZero:
        throw EDivByZero();
    case ArithFault::InvalidArgument:
        throw EInvalidArgument();
    }
}

std::int32_t Trunc(double v) {
    std::int32_t r = 0;
    if (!tryTrunc(v, r)) throw EInvalidOp();
    return r;
}

std::int32_t Round(double v) {
    std::int32_t r = 0;
    if (!tryRound(v, r)) throw EInvalidOp();
    return r;
}

} // namespace qm
