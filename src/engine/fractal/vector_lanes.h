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

constexpr int kSlots = 4; // independent vectors in flight

template <class V> struct Slot { typename V::T zr, zi, ar, ai, bail, it; };

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
        T rr = s.zr, ri = s.zi;
        for (int j = 1; j < order; ++j) {
            const T nr = V::sub(V::mul(rr, s.zr), V::mul(ri, s.zi));
            const T ni = V::add(V::mul(rr, s.zi), V::mul(ri, s.zr));
            rr = nr;
            ri = ni;
        }
        s.zr = V::add(rr, s.ar);
        s.zi = V::add(ri, s.ai);
    } else { // Barns
        const T one = V::set1(1.0);
        const auto nonNegative = V::ge(s.zr, V::set1(0.0));
        const T re = V::blend(nonNegative, V::add(s.zr, one), V::sub(s.zr, one));
        s.zr = V::sub(V::mul(re, s.ar), V::mul(s.zi, s.ai));
        s.zi = V::add(V::mul(re, s.ai), V::mul(s.zi, s.ar));
    }
}

template <class V, VectorKernel K>
void runLanes(const LaneInputs& in, const std::int32_t* queue, int count, std::int32_t max,
              int order, const LaneOutputs& out) {
    using T = typename V::T;
    constexpr int kLanes = V::kLanes;
    Slot<V> slots[kSlots];
    std::int32_t index[kSlots][kLanes];
    int next = 0;
    int active = 0;
    const T maxV = V::set1(static_cast<double>(max));
    const T one = V::set1(1.0);

    alignas(64) double zr[kLanes], zi[kLanes], ar[kLanes], ai[kLanes], bail[kLanes], it[kLanes];
    auto spill = [&](const Slot<V>& s) {
        V::store(zr, s.zr);
        V::store(zi, s.zi);
        V::store(ar, s.ar);
        V::store(ai, s.ai);
        V::store(bail, s.bail);
        V::store(it, s.it);
    };
    auto reload = [&](Slot<V>& s) {
        s.zr = V::load(zr);
        s.zi = V::load(zi);
        s.ar = V::load(ar);
        s.ai = V::load(ai);
        s.bail = V::load(bail);
        s.it = V::load(it);
    };
    // Loads the next queued pixel into lane l of a spilled slot, or parks the lane.
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
        T q[kSlots];
        typename V::Mask done[kSlots];
        for (int s = 0; s < kSlots; ++s) {
            step<V, K>(slots[s], order);
            slots[s].it = V::add(slots[s].it, one);
            q[s] = V::add(V::mul(slots[s].zr, slots[s].zr), V::mul(slots[s].zi, slots[s].zi));
            done[s] = V::orMask(V::gt(q[s], slots[s].bail), V::gt(slots[s].it, maxV));
        }
        const auto anyDone = V::orMask(V::orMask(done[0], done[1]), V::orMask(done[2], done[3]));
        if (V::bits(anyDone) == 0) continue;

        for (int s = 0; s < kSlots; ++s) {
            const int mask = V::bits(done[s]);
            if (mask == 0) continue;
            alignas(64) double qv[kLanes];
            V::store(qv, q[s]);
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

template <class V>
void dispatch(VectorKernel kernel, const LaneInputs& in, const std::int32_t* queue, int count,
              std::int32_t max, int order, const LaneOutputs& out) {
    switch (kernel) {
    case VectorKernel::Mandel:
        runLanes<V, VectorKernel::Mandel>(in, queue, count, max, order, out);
        break;
    case VectorKernel::MandelOrder:
        runLanes<V, VectorKernel::MandelOrder>(in, queue, count, max, order, out);
        break;
    case VectorKernel::Spider:
        runLanes<V, VectorKernel::Spider>(in, queue, count, max, order, out);
        break;
    case VectorKernel::Barns:
        runLanes<V, VectorKernel::Barns>(in, queue, count, max, order, out);
        break;
    }
}
