// The lane engine of the vector kernels, written once over a small vector-traits class and
// included by one translation unit per instruction set (each compiled with its own flags).
//
// Four vectors iterate side by side to hide the latency of one iteration's chain; a lane takes
// the next pixel of the row as soon as its own pixel is done. Every lane performs exactly the
// scalar kernel's operations in the same order (no FMA), so the results are bit-identical.
//
// Include only from a vector_kernels_*.cpp file, inside an anonymous namespace, after defining
// the traits: everything here must get internal linkage so that no function compiled for one
// instruction set can be picked by the linker for another.

template <class V> struct Slot {
    typename V::T zr, zi, ar, ai, bail, it;
    typename V::T wr, wi; // the previous z of Webb I and II
};

template <VectorKernel K>
constexpr bool kUsesW = K == VectorKernel::Webb || K == VectorKernel::WebbII;

// z^n by n - 1 multiplications, as the scalar intPower (which only stops early once the
// product is no longer finite, a result the caller redoes on the scalar path anyway).
template <class V>
inline void power(typename V::T zr, typename V::T zi, int n, typename V::T& rr, typename V::T& ri) {
    using T = typename V::T;
    rr = zr;
    ri = zi;
    for (int j = 1; j < n; ++j) {
        const T nr = V::sub(V::mul(rr, zr), V::mul(ri, zi));
        const T ni = V::add(V::mul(rr, zi), V::mul(ri, zr));
        rr = nr;
        ri = ni;
    }
}

// The per-kernel step: new z from the slot, the constant (or Spider's K) updated where the
// kernel does.
template <class V, VectorKernel K> inline void step(Slot<V>& s, int order) {
    using T = typename V::T;
    if constexpr (K == VectorKernel::Mandel || K == VectorKernel::Spider) {
        const T t = V::mul(s.zr, s.zi);
        const T nr = V::add(V::sub(V::mul(s.zr, s.zr), V::mul(s.zi, s.zi)), s.ar);
        const T ni = V::add(V::add(t, t), s.ai);
        s.zr = nr;
        s.zi = ni;
        if constexpr (K == VectorKernel::Spider) {
            const T half = V::set1(0.5);
            s.ar = V::add(V::mul(s.ar, half), nr);
            s.ai = V::add(V::mul(s.ai, half), ni);
        }
    } else if constexpr (K == VectorKernel::MandelOrder) {
        T rr, ri;
        power<V>(s.zr, s.zi, order, rr, ri);
        s.zr = V::add(rr, s.ar);
        s.zi = V::add(ri, s.ai);
    } else if constexpr (K == VectorKernel::Quartet1) {
        // z := z^n + K; K := the previous z.
        T rr, ri;
        power<V>(s.zr, s.zi, order, rr, ri);
        const T wr = s.zr, wi = s.zi;
        s.zr = V::add(rr, s.ar);
        s.zi = V::add(ri, s.ai);
        s.ar = wr;
        s.ai = wi;
    } else if constexpr (K == VectorKernel::Webb || K == VectorKernel::WebbII) {
        // Webb I: z := z^n - w + C; Webb II: z := z^n + w/2 + C; then w := the previous z.
        T rr, ri;
        power<V>(s.zr, s.zi, order, rr, ri);
        const T vr = s.zr, vi = s.zi;
        if constexpr (K == VectorKernel::Webb) {
            s.zr = V::add(V::sub(rr, s.wr), s.ar);
            s.zi = V::add(V::sub(ri, s.wi), s.ai);
        } else {
            const T two = V::set1(2.0);
            s.zr = V::add(V::add(rr, V::div(s.wr, two)), s.ar);
            s.zi = V::add(V::add(ri, V::div(s.wi, two)), s.ai);
        }
        s.wr = vr;
        s.wi = vi;
    } else if constexpr (K == VectorKernel::Ikenaga) {
        // z := z^n + z (a - 1) + a, with a = c (or J and n = 3 in Julia mode).
        T rr, ri;
        power<V>(s.zr, s.zi, order, rr, ri);
        const T am1 = V::sub(s.ar, V::set1(1.0));
        const T mr = V::sub(V::mul(s.zr, am1), V::mul(s.zi, s.ai));
        const T mi = V::add(V::mul(s.zr, s.ai), V::mul(s.zi, am1));
        s.zr = V::add(V::add(rr, mr), s.ar);
        s.zi = V::add(V::add(ri, mi), s.ai);
    } else { // Barns
        const T one = V::set1(1.0);
        const auto nonNegative = V::ge(s.zr, V::set1(0.0));
        const T re = V::blend(nonNegative, V::add(s.zr, one), V::sub(s.zr, one));
        s.zr = V::sub(V::mul(re, s.ar), V::mul(s.zi, s.ai));
        s.zi = V::add(V::mul(re, s.ai), V::mul(s.zi, s.ar));
    }
}

template <class V, VectorKernel K>
void runLanes(const LaneInputs& in, int count, std::int32_t max, int order,
              const LaneOutputs& out) {
    using T = typename V::T;
    constexpr int kLanes = V::kLanes;
    constexpr int kSlots = V::kSlots; // independent vectors in flight
    Slot<V> slots[kSlots];
    int next = 0;   // the next queue position to load
    int active = 0; // lanes holding a pixel
    const T maxV = V::set1(static_cast<double>(max));
    const T one = V::set1(1.0);

    // Instruction sets with expand-loads and scatters refill the done lanes of a vector in a
    // few instructions and write results in queue order; the others go through a spilled copy
    // lane by lane and write results by pixel.
    [[maybe_unused]] T pos[kSlots]; // queue position of each lane (expand path)
    std::int32_t index[kSlots][kLanes];
    alignas(64) double zr[kLanes], zi[kLanes], ar[kLanes], ai[kLanes], bail[kLanes], it[kLanes];
    alignas(64) double wr[kLanes] = {}, wi[kLanes] = {};

    auto reload = [&](Slot<V>& s) {
        s.zr = V::load(zr);
        s.zi = V::load(zi);
        s.ar = V::load(ar);
        s.ai = V::load(ai);
        s.bail = V::load(bail);
        s.it = V::load(it);
        if constexpr (kUsesW<K>) {
            s.wr = V::load(wr);
            s.wi = V::load(wi);
        }
    };
    // Loads the next queued pixel into lane l of the start-up arrays, or parks the lane: a
    // parked lane iterates zeros and can never be done.
    auto fill = [&](int slot, int l) {
        if (next < count) {
            const int k = next++;
            index[slot][l] = in.pixel[k];
            zr[l] = in.zr[k];
            zi[l] = in.zi[k];
            ar[l] = in.ar[k];
            ai[l] = in.ai[k];
            bail[l] = in.bailout[k];
            it[l] = 0.0;
            wr[l] = wi[l] = 0.0;
            ++active;
        } else {
            index[slot][l] = -1;
            zr[l] = zi[l] = ar[l] = ai[l] = wr[l] = wi[l] = 0.0;
            bail[l] = __builtin_inf();
            it[l] = -__builtin_inf();
        }
    };
    // Expand path: loads the next pixels into the lanes of mask m (lowest lanes first) and
    // parks the lanes left over at the end of the queue.
    auto refill = [&](Slot<V>& s, T& p, unsigned m) {
        if constexpr (V::kExpand) {
            unsigned load = m;
            while (__builtin_popcount(load) > count - next)
                load &= ~(1u << (31 - __builtin_clz(load)));
            const unsigned park = m & ~load;
            if (load) {
                s.zr = V::expand(s.zr, load, in.zr + next);
                s.zi = V::expand(s.zi, load, in.zi + next);
                s.ar = V::expand(s.ar, load, in.ar + next);
                s.ai = V::expand(s.ai, load, in.ai + next);
                s.bail = V::expand(s.bail, load, in.bailout + next);
                p = V::expand(p, load, in.position + next);
                s.it = V::maskSet(s.it, load, 0.0);
                if constexpr (kUsesW<K>) {
                    s.wr = V::maskSet(s.wr, load, 0.0);
                    s.wi = V::maskSet(s.wi, load, 0.0);
                }
                const int n = __builtin_popcount(load);
                next += n;
                active += n;
            }
            if (park) {
                s.zr = V::maskSet(s.zr, park, 0.0);
                s.zi = V::maskSet(s.zi, park, 0.0);
                s.ar = V::maskSet(s.ar, park, 0.0);
                s.ai = V::maskSet(s.ai, park, 0.0);
                s.bail = V::maskSet(s.bail, park, __builtin_inf());
                s.it = V::maskSet(s.it, park, -__builtin_inf());
                if constexpr (kUsesW<K>) {
                    s.wr = V::maskSet(s.wr, park, 0.0);
                    s.wi = V::maskSet(s.wi, park, 0.0);
                }
            }
        } else {
            (void)s, (void)p, (void)m;
        }
    };

    for (int s = 0; s < kSlots; ++s) {
        if constexpr (V::kExpand) {
            slots[s].zr = slots[s].zi = slots[s].ar = slots[s].ai = V::set1(0.0);
            slots[s].wr = slots[s].wi = V::set1(0.0);
            slots[s].bail = V::set1(__builtin_inf());
            slots[s].it = V::set1(-__builtin_inf());
            pos[s] = V::set1(0.0);
            refill(slots[s], pos[s], (1u << kLanes) - 1);
        } else {
            for (int l = 0; l < kLanes; ++l)
                fill(s, l);
            reload(slots[s]);
        }
    }

    while (active > 0) {
        T q[kSlots];
        typename V::Mask done[kSlots];
        for (int s = 0; s < kSlots; ++s) {
            step<V, K>(slots[s], order);
            slots[s].it = V::add(slots[s].it, one);
            q[s] = V::add(V::mul(slots[s].zr, slots[s].zr), V::mul(slots[s].zi, slots[s].zi));
            done[s] = V::orMask(V::gt(q[s], slots[s].bail), V::gt(slots[s].it, maxV));
        }
        auto anyDone = done[0];
        for (int s = 1; s < kSlots; ++s)
            anyDone = V::orMask(anyDone, done[s]);
        if (V::bits(anyDone) == 0) continue;

        for (int s = 0; s < kSlots; ++s) {
            const auto mask = static_cast<unsigned>(V::bits(done[s]));
            if (mask == 0) continue;
            if constexpr (V::kExpand) {
                V::scatter(out.A, mask, pos[s], slots[s].zr);
                V::scatter(out.B, mask, pos[s], slots[s].zi);
                V::scatter(out.Z, mask, pos[s], q[s]);
                V::scatter(out.I, mask, pos[s], slots[s].it);
                active -= __builtin_popcount(mask);
                refill(slots[s], pos[s], mask);
            } else {
                // Results leave through one store per vector; new pixels enter lane by lane
                // through blends, so no vector is ever reloaded from lanes just written.
                alignas(64) double qv[kLanes], rv[kLanes], iv[kLanes], tv[kLanes];
                V::store(qv, q[s]);
                V::store(rv, slots[s].zr);
                V::store(iv, slots[s].zi);
                V::store(tv, slots[s].it);
                Slot<V>& sl = slots[s];
                for (int l = 0; l < kLanes; ++l) {
                    if (!(mask & (1u << l))) continue;
                    const std::int32_t k = index[s][l];
                    out.A[k] = rv[l];
                    out.B[k] = iv[l];
                    out.Z[k] = qv[l];
                    out.I[k] = tv[l];
                    --active;
                    const auto lane = V::laneMask(l);
                    if (next < count) {
                        const int j = next++;
                        index[s][l] = in.pixel[j];
                        sl.zr = V::blend(lane, sl.zr, V::set1(in.zr[j]));
                        sl.zi = V::blend(lane, sl.zi, V::set1(in.zi[j]));
                        sl.ar = V::blend(lane, sl.ar, V::set1(in.ar[j]));
                        sl.ai = V::blend(lane, sl.ai, V::set1(in.ai[j]));
                        sl.bail = V::blend(lane, sl.bail, V::set1(in.bailout[j]));
                        sl.it = V::blend(lane, sl.it, V::set1(0.0));
                        ++active;
                    } else {
                        index[s][l] = -1;
                        sl.zr = V::blend(lane, sl.zr, V::set1(0.0));
                        sl.zi = V::blend(lane, sl.zi, V::set1(0.0));
                        sl.ar = V::blend(lane, sl.ar, V::set1(0.0));
                        sl.ai = V::blend(lane, sl.ai, V::set1(0.0));
                        sl.bail = V::blend(lane, sl.bail, V::set1(__builtin_inf()));
                        sl.it = V::blend(lane, sl.it, V::set1(-__builtin_inf()));
                    }
                    if constexpr (kUsesW<K>) {
                        sl.wr = V::blend(lane, sl.wr, V::set1(0.0));
                        sl.wi = V::blend(lane, sl.wi, V::set1(0.0));
                    }
                }
            }
        }
    }
}

template <class V>
void dispatch(VectorKernel kernel, const LaneInputs& in, int count, std::int32_t max, int order,
              const LaneOutputs& out) {
    switch (kernel) {
    case VectorKernel::Mandel:
        runLanes<V, VectorKernel::Mandel>(in, count, max, order, out);
        break;
    case VectorKernel::MandelOrder:
        runLanes<V, VectorKernel::MandelOrder>(in, count, max, order, out);
        break;
    case VectorKernel::Spider:
        runLanes<V, VectorKernel::Spider>(in, count, max, order, out);
        break;
    case VectorKernel::Barns:
        runLanes<V, VectorKernel::Barns>(in, count, max, order, out);
        break;
    case VectorKernel::Quartet1:
        runLanes<V, VectorKernel::Quartet1>(in, count, max, order, out);
        break;
    case VectorKernel::Webb:
        runLanes<V, VectorKernel::Webb>(in, count, max, order, out);
        break;
    case VectorKernel::WebbII:
        runLanes<V, VectorKernel::WebbII>(in, count, max, order, out);
        break;
    case VectorKernel::Ikenaga:
        runLanes<V, VectorKernel::Ikenaga>(in, count, max, order, out);
        break;
    }
}
