// Interface between the row batch and the vector kernels, which live in their own translation
// unit compiled for the instruction set they use.
#pragma once

#include <cstdint>

namespace qm::fractal::simd {

enum class VectorKernel { Mandel, MandelOrder, Spider, Barns, Quartet1, Webb, WebbII, Ikenaga };

// Per pixel start values: z0, the constant (or the K of Spider and Quartet I), the Bailout of
// that pixel; Webb I and II start their w at 0.
struct LaneInputs {
    const double* zr;
    const double* zi;
    const double* ar;
    const double* ai;
    const double* bailout;
};

struct LaneOutputs {
    double* A;
    double* B;
    double* Z;
    double* I;
};

// Iterates the pixels listed in queue[0..count) (indices into inputs and outputs), refilling a
// lane from the queue as soon as its pixel is done. Outputs are the raw final values; the
// caller redoes pixels with non-finite values on the scalar path.
void runAvx2(VectorKernel kernel, const LaneInputs& in, const std::int32_t* queue, int count,
             std::int32_t max, int order, const LaneOutputs& out);
// The same with eight lanes per vector.
void runAvx512(VectorKernel kernel, const LaneInputs& in, const std::int32_t* queue, int count,
               std::int32_t max, int order, const LaneOutputs& out);

} // namespace qm::fractal::simd
