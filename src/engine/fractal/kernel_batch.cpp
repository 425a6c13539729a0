// Row batches: prepares the lanes of the vector kernels, runs them or the scalar kernels, and
// redoes on the scalar path every pixel whose vector result is not finite.
#include "engine/fractal/kernel_batch.h"

#include "engine/fractal/fractal_type.h"
#include "engine/fractal/interior_test.h"
#include "engine/fractal/vector_kernels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm::fractal {

namespace {

SimdLevel detect() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SimdLevel::Avx512;
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
#endif
    return SimdLevel::Scalar;
}

std::atomic<SimdLevel>& activeLevel() {
    static std::atomic<SimdLevel> level{detectedSimd()};
    return level;
}

} // namespace

SimdLevel detectedSimd() {
    static const SimdLevel level = detect();
    return level;
}

SimdLevel activeSimd() {
    return activeLevel().load(std::memory_order_relaxed);
}

void setActiveSimd(SimdLevel level) {
    const SimdLevel top = detectedSimd();
    activeLevel().store(static_cast<int>(level) > static_cast<int>(top) ? top : level,
                        std::memory_order_relaxed);
}

const char* simdName(SimdLevel level) {
    switch (level) {
    case SimdLevel::Avx512:
        return "AVX-512";
    case SimdLevel::Avx2:
        return "AVX2";
    case SimdLevel::Scalar:
        break;
    }
    return "scalar";
}

bool hasVectorPath(int type) {
    return type == code::Mandel || type == code::MandelOrder || type == code::Spider ||
           type == code::Barns || type == code::Quartet1 || type == code::Webb ||
           type == code::WebbII || type == code::Ikenaga;
}

bool inMainCardioidOrBulb(double cr, double ci) {
    return mainCardioidOrBulb(cr, ci);
}

// Lane inputs and results in queue order (the pixels that need iterating), and each queue
// entry's pixel.
struct KernelBatchScratch {
    std::vector<double> zr, zi, ar, ai, bail, position;
    std::vector<double> cr, ci;
    std::vector<std::uint8_t> inside;
    std::vector<double> A, B, Z, I;
    std::vector<std::int32_t> queue;
};

KernelBatch::KernelBatch() : scratch_(std::make_unique<KernelBatchScratch>()) {}
KernelBatch::~KernelBatch() = default;

bool KernelBatch::run(int type, const KernelParams& params,
                      const std::atomic<std::int32_t>& bailout, const double* X, const double* Y,
                      int n, bool skipInterior, KernelRow& out, const std::atomic<bool>* stop) {
    out.resize(static_cast<std::size_t>(n));
    KernelParams p = params;
    p.max = std::min(p.max, std::numeric_limits<std::int32_t>::max() - 1);
    const bool interiorShortcut = skipInterior && type == code::Mandel && !p.julia;

    if (type == code::Off) { // no kernel: the fixed values
        std::fill(out.A.begin(), out.A.end(), 0.0);
        std::fill(out.B.begin(), out.B.end(), 0.0);
        std::fill(out.Z.begin(), out.Z.end(), 0.0);
        std::fill(out.I.begin(), out.I.end(), 0.0);
        return !(stop && stop->load(std::memory_order_relaxed));
    }
    if (activeSimd() == SimdLevel::Scalar || !hasVectorPath(type)) {
        for (int k = 0; k < n; ++k) {
            // Every pixel: with a large Order one pixel alone can take long.
            if (stop && stop->load(std::memory_order_relaxed)) return false;
            p.bailout = bailout.load(std::memory_order_relaxed);
            if (interiorShortcut && p.bailout >= 4) {
                const PreparedPoint pp = preparePoint(X[k], Y[k], p);
                if (inMainCardioidOrBulb(pp.c.re, pp.c.im)) {
                    out.A[k] = out.B[k] = out.Z[k] = 0.0;
                    out.I[k] = p.max + 1.0;
                    continue;
                }
            }
            KernelResult r;
            getresults(type, r, X[k], Y[k], p);
            out.A[k] = r.A;
            out.B[k] = r.B;
            out.Z[k] = r.Z;
            out.I[k] = r.I;
        }
        return true;
    }

    if (stop && stop->load(std::memory_order_relaxed)) return false;
    KernelBatchScratch& s = *scratch_;
    const auto size = static_cast<std::size_t>(n);
    s.zr.resize(size);
    s.zi.resize(size);
    s.ar.resize(size);
    s.ai.resize(size);
    s.bail.resize(size);
    s.position.resize(size);
    s.A.resize(size);
    s.B.resize(size);
    s.Z.resize(size);
    s.I.resize(size);
    s.queue.clear();
    simd::VectorKernel kernel = simd::VectorKernel::Mandel;
    if (type == code::Mandel) {
        // The hot case gets its own loop: the preparation of preparePoint written out.
        const double ore = p.orientation.re, oim = p.orientation.im;
        const Complex J = p.insideOut ? reciprocal(1.0, p.juliaConst) : p.juliaConst;
        s.cr.resize(size);
        s.ci.resize(size);
        s.inside.resize(size);
        std::uint8_t* inside = interiorShortcut && !p.insideOut ? s.inside.data() : nullptr;
        if (activeSimd() == SimdLevel::Avx512)
            simd::mandelRowAvx512(X, Y, n, ore, oim, s.cr.data(), s.ci.data(), inside);
        else
            simd::mandelRowAvx2(X, Y, n, ore, oim, s.cr.data(), s.ci.data(), inside);
        for (int k = 0; k < n; ++k) {
            const auto u = static_cast<std::size_t>(k);
            const std::int32_t b = bailout.load(std::memory_order_relaxed);
            Complex c{s.cr[u], s.ci[u]};
            bool interior = false;
            if (p.insideOut) {
                c = reciprocal(1.0, c);
                interior = interiorShortcut && mainCardioidOrBulb(c.re, c.im);
            } else {
                interior = inside && s.inside[u];
            }
            if (interior && b >= 4) {
                out.A[k] = out.B[k] = out.Z[k] = 0.0;
                out.I[k] = p.max + 1.0;
                continue;
            }
            const std::size_t j = s.queue.size();
            s.bail[j] = b;
            const Complex a0 = p.julia ? J : c;
            s.zr[j] = p.julia ? c.re : 0.0;
            s.zi[j] = p.julia ? c.im : 0.0;
            s.ar[j] = a0.re;
            s.ai[j] = a0.im;
            s.queue.push_back(k);
        }
    } else {
        for (int k = 0; k < n; ++k) {
            s.bail[static_cast<std::size_t>(k)] = bailout.load(std::memory_order_relaxed);
            Complex z0, a0;
            if (type == code::MandelOrder || type == code::Quartet1 || type == code::Webb ||
                type == code::WebbII || type == code::Ikenaga) {
                const PreparedPoint pp = preparePoint(X[k], Y[k], p);
                z0 = pp.c;
                a0 = pp.C;
                if (type == code::MandelOrder)
                    kernel = simd::VectorKernel::MandelOrder;
                else if (type == code::Quartet1)
                    kernel = simd::VectorKernel::Quartet1;
                else if (type == code::Webb)
                    kernel = simd::VectorKernel::Webb;
                else if (type == code::WebbII)
                    kernel = simd::VectorKernel::WebbII;
                else {
                    kernel = simd::VectorKernel::Ikenaga;
                    a0 = p.julia ? pp.J : pp.c;
                }
            } else if (type == code::Spider) {
                kernel = simd::VectorKernel::Spider;
                Complex point{X[k], Y[k]};
                if (p.insideOut) point = reciprocal(1.0, point);
                z0 = a0 = point;
            } else { // Barns
                kernel = simd::VectorKernel::Barns;
                Complex c{X[k], Y[k]};
                if (p.insideOut) c = reciprocal(1.0, c);
                a0 = p.julia ? p.juliaConst : c;
                z0 = p.julia ? c : Complex{};
            }
            // Every pixel is queued here, so queue position and pixel coincide.
            s.zr[static_cast<std::size_t>(k)] = z0.re;
            s.zi[static_cast<std::size_t>(k)] = z0.im;
            s.ar[static_cast<std::size_t>(k)] = a0.re;
            s.ai[static_cast<std::size_t>(k)] = a0.im;
            s.queue.push_back(k);
        }
    }

    const int count = static_cast<int>(s.queue.size());
    const bool wide = activeSimd() == SimdLevel::Avx512;
    if (wide)
        for (int j = 0; j < count; ++j)
            s.position[static_cast<std::size_t>(j)] = j;
    const simd::LaneInputs in{s.zr.data(),   s.zi.data(),       s.ar.data(),   s.ai.data(),
                              s.bail.data(), s.position.data(), s.queue.data()};
    // Ikenaga's Julia mode uses the fixed exponent 3.
    const int order = (type == code::Ikenaga && p.julia) ? 3 : p.order;
    if (wide) {
        const simd::LaneOutputs lanes{s.A.data(), s.B.data(), s.Z.data(), s.I.data()};
        simd::runAvx512(kernel, in, count, p.max, order, lanes);
        for (int j = 0; j < count; ++j) {
            const auto q = static_cast<std::size_t>(j);
            const auto k = static_cast<std::size_t>(s.queue[q]);
            out.A[k] = s.A[q];
            out.B[k] = s.B[q];
            out.Z[k] = s.Z[q];
            out.I[k] = s.I[q];
        }
    } else {
        const simd::LaneOutputs lanes{out.A.data(), out.B.data(), out.Z.data(), out.I.data()};
        simd::runAvx2(kernel, in, count, p.max, order, lanes);
    }

    // Overflow: the scalar kernel applies the rule for non-finite steps. Z = |z|^2 is finite
    // exactly when z is finite and its squared modulus does not overflow.
    for (int j = 0; j < count; ++j) {
        const std::int32_t k = s.queue[static_cast<std::size_t>(j)];
        if (std::isfinite(out.Z[k])) continue;
        p.bailout = static_cast<std::int32_t>(s.bail[static_cast<std::size_t>(j)]);
        KernelResult r;
        getresults(type, r, X[k], Y[k], p);
        out.A[k] = r.A;
        out.B[k] = r.B;
        out.Z[k] = r.Z;
        out.I[k] = r.I;
    }
    return true;
}

} // namespace qm::fractal
