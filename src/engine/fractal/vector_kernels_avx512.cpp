// AVX-512 instance of the vector kernels: eight lanes per vector. Compiled with -mavx512f and
// never with FMA; includes nothing but the intrinsics, the lane engine and the interior test (all
// internal) so that no inline function of a shared header is emitted here with AVX-512
// instructions.
#include "engine/fractal/interior_test.h"
#include "engine/fractal/vector_kernels.h"

#include <immintrin.h>

namespace qm::fractal::simd {

namespace {

struct Avx512 {
    using T = __m512d;
    using Mask = __mmask8;
    static constexpr int kSlots = 4;
    static constexpr int kLanes = 8;
    static constexpr bool kExpand = true;
    // Lanes of m take consecutive values from p, lowest lane first; the others keep src.
    static T expand(T src, unsigned m, const double* p) {
        return _mm512_mask_expandloadu_pd(src, static_cast<__mmask8>(m), p);
    }
    static T maskSet(T src, unsigned m, double v) {
        return _mm512_mask_mov_pd(src, static_cast<__mmask8>(m), _mm512_set1_pd(v));
    }
    // base[pos] := v in the lanes of m.
    static void scatter(double* base, unsigned m, T pos, T v) {
        _mm512_mask_i32scatter_pd(base, static_cast<__mmask8>(m),
                                  _mm512_maskz_cvttpd_epi32(0xFF, pos), v, 8);
    }
    static T mul(T a, T b) { return _mm512_mul_pd(a, b); }
    static T add(T a, T b) { return _mm512_add_pd(a, b); }
    static T sub(T a, T b) { return _mm512_sub_pd(a, b); }
    static T div(T a, T b) { return _mm512_div_pd(a, b); }
    static T set1(double v) { return _mm512_set1_pd(v); }
    static Mask gt(T a, T b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static Mask ge(T a, T b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static Mask orMask(Mask a, Mask b) { return static_cast<Mask>(a | b); }
    static int bits(Mask m) { return m; }
    // Lanes of m take ifTrue, the others ifFalse.
    static T blend(Mask m, T ifFalse, T ifTrue) { return _mm512_mask_blend_pd(m, ifFalse, ifTrue); }
    static T load(const double* p) { return _mm512_load_pd(p); }
    static Mask laneMask(int l) { return static_cast<Mask>(1u << l); }
    static void store(double* p, T v) { _mm512_store_pd(p, v); }
};

#include "engine/fractal/vector_lanes.h"

} // namespace

void runAvx512(VectorKernel kernel, const LaneInputs& in, int count, std::int32_t max, int order,
               const LaneOutputs& out) {
    dispatch<Avx512>(kernel, in, count, max, order, out);
}

void mandelRowAvx512(const double* X, const double* Y, int n, double ore, double oim, double* cr,
                     double* ci, std::uint8_t* inside) {
    mandelRowConstants(X, Y, n, ore, oim, cr, ci, inside);
}

} // namespace qm::fractal::simd
