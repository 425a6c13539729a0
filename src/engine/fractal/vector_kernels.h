// Interface between the row batch and the vector kernels, which live in their own translation
// unit compiled for the instruction set they use.
#pragma once

#include <cstdint>

namespace qm::fractal::simd {

enum class VectorKernel { Mandel, MandelOrder, Spider, Barns, Quartet1, Webb, WebbII, Ikenaga };

// The pixels to iterate, in queue order: z0, the constant (or the K of Spider and Quartet I),
// the Bailout of that pixel, the queue position itself (0, 1, 2, ...) and the pixel's index in
// the row. Webb I and II start their w at 0.
struct LaneInputs {
    const double* zr;
    const double* zi;
    const double* ar;
    const double* ai;
    const double* bailout;
    const double* position;
    const std::int32_t* pixel;
};

struct LaneOutputs {
    double* A;
    double* B;
    double* Z;
    double* I;
};

// Iterates the count queued pixels, refilling a lane from the queue as soon as its pixel is
// done. The outputs are the raw final values, by pixel index; the caller redoes pixels with
// non-finite values on the scalar path.
void runAvx2(VectorKernel kernel, const LaneInputs& in, int count, std::int32_t max, int order,
             const LaneOutputs& out);
// The Mandelbrot row preparation (c of every pixel and, when `inside` is given, the interior
// flags), compiled for the instruction set.
void mandelRowAvx2(const double* X, const double* Y, int n, double ore, double oim, double* cr,
                   double* ci, std::uint8_t* inside);
void mandelRowAvx512(const double* X, const double* Y, int n, double ore, double oim, double* cr,
                     double* ci, std::uint8_t* inside);

// The same with eight lanes per vector; the outputs are in queue order.
void runAvx512(VectorKernel kernel, const LaneInputs& in, int count, std::int32_t max, int order,
               const LaneOutputs& out);

} // namespace qm::fractal::simd
