// Vector lanes for the deep path's plainest case: double differences of z^2 + c in Mandelbrot
// mode without skips. Each lane performs exactly the scalar perturbation step's operations in
// the same order (no FMA), so a pixel comes out bit-identical on either path.
#pragma once

#include <atomic>
#include <cstdint>

namespace qm::fractal::deep::lanes {

struct Inputs {
    const double* z; // the reference orbit: length values, real and imaginary parts in turn
    std::int64_t length;
    const double* dcr; // per queued pixel: its difference from the reference's c
    const double* dci;
    const double* bailout;
    const double* position; // 0, 1, 2, ...
    int count;
    std::int32_t max;
};

// Results by queue position; I is -1 where the last z or |z|^2 was not finite (the caller redoes
// that pixel on the scalar path, which knows the previous z). False when stopped.
struct Outputs {
    double* A;
    double* B;
    double* Z;
    double* I;
    std::int64_t* rebases;
};

bool perturbAvx512(const Inputs& in, const Outputs& out, const std::atomic<bool>* stop);

} // namespace qm::fractal::deep::lanes
