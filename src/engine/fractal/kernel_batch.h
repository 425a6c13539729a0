// Kernels over a whole row of pixels: the vector paths where the CPU has them, the scalar
// kernels elsewhere, and the interior shortcut of the Mandelbrot set.
#pragma once

#include "engine/fractal/kernels.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm::fractal {

enum class SimdLevel { Scalar, Avx2, Avx512 };

// The best level this CPU supports, and the level in use (tests and benchmarks may lower it).
SimdLevel detectedSimd();
SimdLevel activeSimd();
void setActiveSimd(SimdLevel level); // lowered to detectedSimd() when above it
const char* simdName(SimdLevel level);

// The kernels that have a vector path.
bool hasVectorPath(int type);

// One row of kernel results, struct of arrays; I is kept as a double for the formulas.
struct KernelRow {
    std::vector<double> A, B, Z, I;
    void resize(std::size_t n) {
        A.resize(n);
        B.resize(n);
        Z.resize(n);
        I.resize(n);
    }
};

struct KernelBatchScratch; // per-worker buffers of the vector paths

class KernelBatch {
public:
    KernelBatch();
    ~KernelBatch();
    KernelBatch(const KernelBatch&) = delete;
    KernelBatch& operator=(const KernelBatch&) = delete;

    // Runs the kernel of `type` on the n points (X[k], Y[k]); Bailout is read from `bailout`
    // for every pixel. With skipInterior (no formula reads A, B or Z), mandel in Mandelbrot
    // mode gives points of the main cardioid and the period-2 bulb I = Max + 1 without
    // iterating. Returns false, with the row incomplete, when `stop` became set.
    bool run(int type, const KernelParams& params, const std::atomic<std::int32_t>& bailout,
             const double* X, const double* Y, int n, bool skipInterior, KernelRow& out,
             const std::atomic<bool>* stop = nullptr);

private:
    std::unique_ptr<KernelBatchScratch> scratch_;
};

// True for a prepared c in the main cardioid or the period-2 bulb, where every orbit stays
// within |z| <= 2.
bool inMainCardioidOrBulb(double cr, double ci);

} // namespace qm::fractal
