// AVX2 versions of the simple escape kernels: four vectors of four lanes iterate side by side,
// and each lane takes the next pixel of the row as soon as its own pixel is done.
//
// This file is compiled with -mavx2 (and never -mfma): every lane performs exactly the
// operations of the scalar kernel, in the same order, so the results are bit-identical. It
// includes nothing but the intrinsics so that no inline function of a shared header is emitted
// here with AVX2 instructions.
#include "engine/fractal/vector_kernels.h"

#include <immintrin.h>

namespace qm::fractal::simd {

namespace {

constexpr int kSlots = 4; // independent vectors in flight
constexpr int kLanes = 4;

struct Slot {
    __m256d zr, zi, ar, ai, bail, it;
};

// The per-kernel step: new z from the slot, the constant (or K) updated where the kernel does.
template <VectorKernel K> inline void step(Slot& s, int order) {
    if constexpr (K == VectorKernel::Mandel || K == VectorKernel::Spider) {
        const __m256d t = _mm256_mul_pd(s.zr, s.zi);
        const __m256d nr = _mm256_add_pd(
            _mm256_sub_pd(_mm256_mul_pd(s.zr, s.zr), _mm256_mul_pd(s.zi, s.zi)), s.ar);
        const __m256d ni = _mm256_add_pd(_mm256_add_pd(t, t), s.ai);
        s.zr = nr;
        s.zi = ni;
        if constexpr (K == VectorKernel::Spider) {
            const __m256d half = _mm256_set1_pd(0.5);
            s.ar = _mm256_add_pd(_mm256_mul_pd(s.ar, half), nr);
            s.ai = _mm256_add_pd(_mm256_mul_pd(s.ai, half), ni);
        }
    } else if constexpr (K == VectorKernel::MandelOrder) {
        __m256d rr = s.zr, ri = s.zi;
        for (int j = 1; j < order; ++j) {
            const __m256d nr = _mm256_sub_pd(_mm256_mul_pd(rr, s.zr), _mm256_mul_pd(ri, s.zi));
            const __m256d ni = _mm256_add_pd(_mm256_mul_pd(rr, s.zi), _mm256_mul_pd(ri, s.zr));
            rr = nr;
            ri = ni;
        }
        s.zr = _mm256_add_pd(rr, s.ar);
        s.zi = _mm256_add_pd(ri, s.ai);
    } else { // Barns
        const __m256d one = _mm256_set1_pd(1.0);
        const __m256d nonNegative = _mm256_cmp_pd(s.zr, _mm256_setzero_pd(), _CMP_GE_OQ);
        const __m256d re =
            _mm256_blendv_pd(_mm256_add_pd(s.zr, one), _mm256_sub_pd(s.zr, one), nonNegative);
        const __m256d nr = _mm256_sub_pd(_mm256_mul_pd(re, s.ar), _mm256_mul_pd(s.zi, s.ai));
        const __m256d ni = _mm256_add_pd(_mm256_mul_pd(re, s.ai), _mm256_mul_pd(s.zi, s.ar));
        s.zr = nr;
        s.zi = ni;
    }
}

template <VectorKernel K>
void run(const LaneInputs& in, const std::int32_t* queue, int count, std::int32_t max, int order,
         const LaneOutputs& out) {
    Slot slots[kSlots];
    alignas(32) std::int32_t index[kSlots][kLanes];
    int next = 0;
    int active = 0;
    const __m256d maxV = _mm256_set1_pd(static_cast<double>(max));
    const __m256d one = _mm256_set1_pd(1.0);

    // Loads pixel queue[next] into lane l of slot s, or parks the lane when the queue is empty.
    alignas(32) double zr[kLanes], zi[kLanes], ar[kLanes], ai[kLanes], bail[kLanes], it[kLanes];
    auto spill = [&](const Slot& s) {
        _mm256_store_pd(zr, s.zr);
        _mm256_store_pd(zi, s.zi);
        _mm256_store_pd(ar, s.ar);
        _mm256_store_pd(ai, s.ai);
        _mm256_store_pd(bail, s.bail);
        _mm256_store_pd(it, s.it);
    };
    auto reload = [&](Slot& s) {
        s.zr = _mm256_load_pd(zr);
        s.zi = _mm256_load_pd(zi);
        s.ar = _mm256_load_pd(ar);
        s.ai = _mm256_load_pd(ai);
        s.bail = _mm256_load_pd(bail);
        s.it = _mm256_load_pd(it);
    };
    auto fill = [&](int slot, int l) {
        if (next < count) {
            const std::int32_t k = queue[next++];
            index[slot][l] = k;
            zr[l] = in.zr[k];
            zi[l] = in.zi[k];
            ar[l] = in.ar[k];
            ai[l] = in.ai[k];
            bail[l] = in.bailout[k];
            it[l] = 0.0;
            ++active;
        } else {
            // A parked lane iterates zeros and can never be done.
            index[slot][l] = -1;
            zr[l] = zi[l] = ar[l] = ai[l] = 0.0;
            bail[l] = __builtin_inf();
            it[l] = -__builtin_inf();
        }
    };

    for (int s = 0; s < kSlots; ++s) {
        for (int l = 0; l < kLanes; ++l)
            fill(s, l);
        reload(slots[s]);
    }

    while (active > 0) {
        __m256d q[kSlots];
        __m256d done[kSlots];
        for (int s = 0; s < kSlots; ++s) {
            step<K>(slots[s], order);
            slots[s].it = _mm256_add_pd(slots[s].it, one);
            q[s] = _mm256_add_pd(_mm256_mul_pd(slots[s].zr, slots[s].zr),
                                 _mm256_mul_pd(slots[s].zi, slots[s].zi));
            done[s] = _mm256_or_pd(_mm256_cmp_pd(q[s], slots[s].bail, _CMP_GT_OQ),
                                   _mm256_cmp_pd(slots[s].it, maxV, _CMP_GT_OQ));
        }
        const __m256d anyDone =
            _mm256_or_pd(_mm256_or_pd(done[0], done[1]), _mm256_or_pd(done[2], done[3]));
        if (_mm256_movemask_pd(anyDone) == 0) continue;

        for (int s = 0; s < kSlots; ++s) {
            const int mask = _mm256_movemask_pd(done[s]);
            if (mask == 0) continue;
            alignas(32) double qv[kLanes];
            _mm256_store_pd(qv, q[s]);
            spill(slots[s]);
            for (int l = 0; l < kLanes; ++l) {
                if (!(mask & (1 << l))) continue;
                const std::int32_t k = index[s][l];
                out.A[k] = zr[l];
                out.B[k] = zi[l];
                out.Z[k] = qv[l];
                out.I[k] = it[l];
                --active;
                fill(s, l);
            }
            reload(slots[s]);
        }
    }
}

} // namespace

void runAvx2(VectorKernel kernel, const LaneInputs& in, const std::int32_t* queue, int count,
             std::int32_t max, int order, const LaneOutputs& out) {
    switch (kernel) {
    case VectorKernel::Mandel:
        run<VectorKernel::Mandel>(in, queue, count, max, order, out);
        break;
    case VectorKernel::MandelOrder:
        run<VectorKernel::MandelOrder>(in, queue, count, max, order, out);
        break;
    case VectorKernel::Spider:
        run<VectorKernel::Spider>(in, queue, count, max, order, out);
        break;
    case VectorKernel::Barns:
        run<VectorKernel::Barns>(in, queue, count, max, order, out);
        break;
    }
}

} // namespace qm::fractal::simd
