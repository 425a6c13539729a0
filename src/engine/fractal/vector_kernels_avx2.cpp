// AVX2 instance of the vector kernels: four lanes per vector. Compiled with -mavx2 and never
// with FMA; includes nothing but the intrinsics, the lane engine and the interior test (all
// internal) so that no inline function of a shared header is emitted here with AVX2 instructions.
#include "engine/fractal/interior_test.h"
#include "engine/fractal/vector_kernels.h"

#include <immintrin.h>

namespace qm::fractal::simd {

namespace {

struct Avx2 {
    using T = __m256d;
    using Mask = __m256d;
    static constexpr int kSlots = 4;
    static constexpr int kLanes = 4;
    static constexpr bool kExpand = false;
    static T mul(T a, T b) { return _mm256_mul_pd(a, b); }
    static T add(T a, T b) { return _mm256_add_pd(a, b); }
    static T sub(T a, T b) { return _mm256_sub_pd(a, b); }
    static T div(T a, T b) { return _mm256_div_pd(a, b); }
    static T set1(double v) { return _mm256_set1_pd(v); }
    static Mask gt(T a, T b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Mask ge(T a, T b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static Mask orMask(Mask a, Mask b) { return _mm256_or_pd(a, b); }
    static int bits(Mask m) { return _mm256_movemask_pd(m); }
    // Lanes of m take ifTrue, the others ifFalse.
    static T blend(Mask m, T ifFalse, T ifTrue) { return _mm256_blendv_pd(ifFalse, ifTrue, m); }
    static T load(const double* p) { return _mm256_load_pd(p); }
    // All ones in lane l only.
    static Mask laneMask(int l) {
        alignas(32) static const long long kLane[4][4] = {
            {-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, -1}};
        return _mm256_castsi256_pd(_mm256_load_si256(reinterpret_cast<const __m256i*>(kLane[l])));
    }
    static void store(double* p, T v) { _mm256_store_pd(p, v); }
};

#include "engine/fractal/vector_lanes.h"

} // namespace

void runAvx2(VectorKernel kernel, const LaneInputs& in, int count, std::int32_t max, int order,
             const LaneOutputs& out) {
    dispatch<Avx2>(kernel, in, count, max, order, out);
}

void mandelRowAvx2(const double* X, const double* Y, int n, double ore, double oim, double* cr,
                   double* ci, std::uint8_t* inside) {
    mandelRowConstants(X, Y, n, ore, oim, cr, ci, inside);
}

} // namespace qm::fractal::simd
