// AVX-512 lanes of the deep path (see deep_lanes.h). Compiled with -mavx512f and never with
// FMA; includes only the intrinsics so that no shared inline function is emitted here with
// AVX-512 instructions.
#include "engine/fractal/deep/deep_lanes.h"

#include <cstdint>
#include <immintrin.h>

namespace qm::fractal::deep::lanes {

namespace {

struct Slot {
    __m512d dr, di, cr, ci, bail, it, pos;
    __m512d Zr, Zi; // Z_m, gathered once per step
    __m512i m;
    __mmask8 live; // lanes holding a pixel
};

constexpr int kSlots = 4;

} // namespace

bool perturbAvx512(const Inputs& in, const Outputs& out, const std::atomic<bool>* stop) {
    const __m512d two = _mm512_set1_pd(2.0), one = _mm512_set1_pd(1.0);
    const __m512d maxV = _mm512_set1_pd(static_cast<double>(in.max));
    const __m512d zero = _mm512_setzero_pd();
    const __m512d inf = _mm512_set1_pd(__builtin_inf());
    const __m512i last = _mm512_set1_epi64(in.length - 1);
    const __m512i zeroI = _mm512_setzero_si512(), oneI = _mm512_set1_epi64(1);
    const __m512d z0r = _mm512_set1_pd(in.z[0]), z0i = _mm512_set1_pd(in.z[1]);
    // Z_m lane by lane (plain loads beat the gather instruction here): one load per lane of the
    // pair (re, im), then the real and the imaginary parts picked out of the pairs.
    const __m512i pickRe = _mm512_set_epi64(14, 12, 10, 8, 6, 4, 2, 0);
    const __m512i pickIm = _mm512_set_epi64(15, 13, 11, 9, 7, 5, 3, 1);
    const auto fetch = [&](__m512i m, __m512d& re, __m512d& im) {
        alignas(64) std::int64_t at[8];
        _mm512_store_si512(at, m);
        const auto pair = [&](int l) { return _mm_loadu_pd(in.z + 2 * at[l]); };
        const auto four = [&](int l) {
            return _mm256_insertf128_pd(_mm256_castpd128_pd256(pair(l)), pair(l + 1), 1);
        };
        const __m512d lo =
            _mm512_maskz_insertf64x4(0xFF, _mm512_castpd256_pd512(four(0)), four(2), 1);
        const __m512d hi =
            _mm512_maskz_insertf64x4(0xFF, _mm512_castpd256_pd512(four(4)), four(6), 1);
        re = _mm512_permutex2var_pd(lo, pickRe, hi);
        im = _mm512_permutex2var_pd(lo, pickIm, hi);
    };
    int next = 0, active = 0;
    std::int64_t rebases = 0;
    Slot slots[kSlots];
    // Loads the next pixels into the lanes of m (lowest first) and parks the rest: a parked lane
    // iterates on (the reference's own orbit) but is never done.
    const auto refill = [&](Slot& s, unsigned m) {
        unsigned load = m;
        while (__builtin_popcount(load) > in.count - next)
            load &= ~(1u << (31 - __builtin_clz(load)));
        const unsigned park = m & ~load;
        const auto lm = static_cast<__mmask8>(load), pm = static_cast<__mmask8>(park);
        if (load) {
            s.cr = _mm512_mask_expandloadu_pd(s.cr, lm, in.dcr + next);
            s.ci = _mm512_mask_expandloadu_pd(s.ci, lm, in.dci + next);
            s.bail = _mm512_mask_expandloadu_pd(s.bail, lm, in.bailout + next);
            s.pos = _mm512_mask_expandloadu_pd(s.pos, lm, in.position + next);
            s.it = _mm512_mask_mov_pd(s.it, lm, zero);
            const int n = __builtin_popcount(load);
            next += n;
            active += n;
        }
        if (park) {
            s.cr = _mm512_mask_mov_pd(s.cr, pm, zero);
            s.ci = _mm512_mask_mov_pd(s.ci, pm, zero);
            s.bail = _mm512_mask_mov_pd(s.bail, pm, inf);
            s.it = _mm512_mask_mov_pd(s.it, pm, _mm512_set1_pd(-__builtin_inf()));
        }
        s.live = static_cast<__mmask8>((s.live & ~m) | load);
        const auto all = static_cast<__mmask8>(m);
        s.dr = _mm512_mask_mov_pd(s.dr, all, zero);
        s.di = _mm512_mask_mov_pd(s.di, all, zero);
        s.m = _mm512_mask_mov_epi64(s.m, all, zeroI);
        s.Zr = _mm512_mask_mov_pd(s.Zr, all, z0r);
        s.Zi = _mm512_mask_mov_pd(s.Zi, all, z0i);
    };
    for (Slot& s : slots) {
        s.dr = s.di = s.cr = s.ci = s.it = s.pos = zero;
        s.bail = inf;
        s.m = zeroI;
        s.Zr = z0r;
        s.Zi = z0i;
        s.live = 0;
        refill(s, 0xFF);
    }
    const auto absOf = [](__m512d v) { return _mm512_abs_pd(v); };
    std::uint32_t rounds = 0;
    while (active > 0) {
        for (Slot& s : slots) {
            // The reference ended: restart from its first value with delta := Z_m + delta.
            __m512d Zr = s.Zr, Zi = s.Zi;
            const __mmask8 ended = _mm512_cmpge_epi64_mask(s.m, last);
            s.dr = _mm512_mask_add_pd(s.dr, ended, Zr, s.dr);
            s.di = _mm512_mask_add_pd(s.di, ended, Zi, s.di);
            s.m = _mm512_mask_mov_epi64(s.m, ended, zeroI);
            Zr = _mm512_mask_mov_pd(Zr, ended, z0r);
            Zi = _mm512_mask_mov_pd(Zi, ended, z0i);
            rebases += __builtin_popcount(ended & s.live);
            // delta := (2 Z + delta) * delta + dc, as the scalar step.
            const __m512d tr = _mm512_add_pd(_mm512_mul_pd(Zr, two), s.dr);
            const __m512d ti = _mm512_add_pd(_mm512_mul_pd(Zi, two), s.di);
            const __m512d pr = _mm512_sub_pd(_mm512_mul_pd(tr, s.dr), _mm512_mul_pd(ti, s.di));
            const __m512d pi = _mm512_add_pd(_mm512_mul_pd(tr, s.di), _mm512_mul_pd(ti, s.dr));
            s.dr = _mm512_add_pd(pr, s.cr);
            s.di = _mm512_add_pd(pi, s.ci);
            s.m = _mm512_add_epi64(s.m, oneI);
            s.it = _mm512_add_pd(s.it, one);
            fetch(s.m, s.Zr, s.Zi);
            const __m512d zr = _mm512_add_pd(s.Zr, s.dr);
            const __m512d zi = _mm512_add_pd(s.Zi, s.di);
            const __m512d q = _mm512_add_pd(_mm512_mul_pd(zr, zr), _mm512_mul_pd(zi, zi));
            const auto done = static_cast<__mmask8>((_mm512_cmp_pd_mask(q, s.bail, _CMP_NLE_UQ) |
                                                     _mm512_cmp_pd_mask(s.it, maxV, _CMP_GT_OQ)) &
                                                    s.live);
            // Rebase: follow the orbit from its start where |z| < |delta| (max norm).
            const __m512d nz = _mm512_maskz_max_pd(0xFF, absOf(zr), absOf(zi));
            const __m512d nd = _mm512_maskz_max_pd(0xFF, absOf(s.dr), absOf(s.di));
            const auto rebase =
                static_cast<__mmask8>(_mm512_cmp_pd_mask(nz, nd, _CMP_LT_OQ) & ~done);
            s.dr = _mm512_mask_mov_pd(s.dr, rebase, zr);
            s.di = _mm512_mask_mov_pd(s.di, rebase, zi);
            s.m = _mm512_mask_mov_epi64(s.m, rebase, zeroI);
            s.Zr = _mm512_mask_mov_pd(s.Zr, rebase, z0r);
            s.Zi = _mm512_mask_mov_pd(s.Zi, rebase, z0i);
            rebases += __builtin_popcount(rebase & s.live);

            if (!done) continue;
            // Lanes whose z or |z|^2 is not finite report I = -1.
            const __mmask8 finite = _mm512_cmp_pd_mask(_mm512_sub_pd(q, q), zero, _CMP_EQ_OQ) &
                                    _mm512_cmp_pd_mask(_mm512_sub_pd(zr, zr), zero, _CMP_EQ_OQ) &
                                    _mm512_cmp_pd_mask(_mm512_sub_pd(zi, zi), zero, _CMP_EQ_OQ);
            const __m512d I = _mm512_mask_mov_pd(_mm512_set1_pd(-1.0), finite, s.it);
            const __m256i at = _mm512_maskz_cvttpd_epi32(0xFF, s.pos);
            _mm512_mask_i32scatter_pd(out.A, done, at, zr, 8);
            _mm512_mask_i32scatter_pd(out.B, done, at, zi, 8);
            _mm512_mask_i32scatter_pd(out.Z, done, at, q, 8);
            _mm512_mask_i32scatter_pd(out.I, done, at, I, 8);
            active -= __builtin_popcount(done);
            refill(s, done);
        }
        if (++rounds == 4096) {
            rounds = 0;
            if (stop && stop->load(std::memory_order_relaxed)) return false;
        }
    }
    *out.rebases += rebases;
    return true;
}

} // namespace qm::fractal::deep::lanes
