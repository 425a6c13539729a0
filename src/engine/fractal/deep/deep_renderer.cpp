// The deep renderer: view set-up in MPFR, reference orbits, BLA tables and the per-pixel
// perturbation loop, written once for double and ExtFloat differences.
#include "engine/fractal/deep/deep_renderer.h"

#include "engine/fractal/deep/deep_complex.h"
#include "engine/fractal/deep/deep_lanes.h"
#include "engine/fractal/deep/mp_float.h"
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/kernel_batch.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <span>
#include <vector>

namespace qm::fractal::deep {

namespace {

constexpr int kMaxDeepOrder = 16;
// Below a pixel step of about 1E-289 (2^-960) the differences leave the range of doubles.
constexpr long kExtendedBelowLog2 = -960;
// The reference orbit goes on past any bailout a pixel uses, up to |Z| = 1E5.
constexpr double kReferenceEscape2 = 1e10;
// BLA tables only below a pixel step of 2^-50 (about 1E-15): above it skips are short and rare,
// and z^2 + c in Mandelbrot mode runs its plain steps in vector lanes instead.
constexpr long kBlaBelowLog2 = -50;
// A skip is valid while the dropped terms stay below 2^-24 of the kept one.
constexpr double kBlaEpsilon = 0x1p-24;

// c lies in the main cardioid or the period-2 bulb by far more than the rounding of c in
// doubles (the margin is on the tests' own scale, wider still near the cusp): its orbit stays
// within |z| <= 2 forever, so iterating it would end at Max + 1.
bool surelyInterior(double cr, double ci) {
    constexpr double kMargin = 1e-9;
    const double x = cr - 0.25;
    const double ci2 = ci * ci;
    const double q = x * x + ci2;
    const double b = cr + 1.0;
    return q * (q + x) < 0.25 * ci2 - kMargin || b * b + ci2 < 0.0625 - kMargin;
}

bool isStopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

bool hasDeepPath(const FractalParams& p) {
    if (p.type == code::Mandel) return true;
    return p.type == code::MandelOrder && p.Order >= 2 && p.Order <= kMaxDeepOrder;
}

bool usesDeepPath(const FractalParams& p, int width, int height) {
    if (p.deepMode == DeepMode::Off || !hasDeepPath(p)) return false;
    if (p.deepMode == DeepMode::On) return true;
    const View v = p.view();
    if (!p.deepView.empty() && (v.upperX == v.lowerX || v.upperY == v.lowerY)) return true;
    if (width <= 0 || height <= 0) return false;
    return beyondDoublePrecision(v, computeSteps(v, width, height));
}

std::string formatMagnification(double log10Value) {
    const double e = std::floor(log10Value);
    double m = std::pow(10.0, log10Value - e);
    long exponent = static_cast<long>(e);
    if (m >= 9.995) {
        m /= 10.0;
        ++exponent;
    }
    char text[64];
    if (exponent >= 0 && exponent < 6)
        std::snprintf(text, sizeof text, "%.4g", std::pow(10.0, log10Value));
    else
        std::snprintf(text, sizeof text, "%.2fE%ld", m, exponent);
    return text;
}

// Everything the view fixes, in MPFR: computed once per picture from the view alone, so bands
// and frames of the same view share it.
struct Setup {
    int width = 0, height = 0;
    int order = 2;
    bool startAtC = false; // Mandelbrot Order starts at z = c, Mandelbrot at z = 0
    bool julia = false, insideOut = false, mirror = false;
    int signX = 1, signY = 1; // the flips
    Complex orientation{1.0, 0.0};
    MpFloat jRe, jIm; // Julia mode's constant, after Inside Out
    std::int32_t max = 0;
    std::int64_t orbitLength = 0; // values computed (a shared reference may run past max + 3)
    mpfr_prec_t bits = 64;
    MpFloat upperX, upperY, stepX, stepY; // the view's corner and steps
    MpFloat offX0, offY0;                 // Upper - the reference point
    MpFloat refX, refY;                   // the centre after the flips (before Mirror)
    MpFloat qRe, qIm;                     // the reference point after Mirror and Orientation
    MpFloat cRe, cIm;                     // ... and after Inside Out
    bool extended = false;
    long stepLog2 = 0; // the binary exponent of the pixel step in c
    double magnificationLog10 = 0.0;
};

template <class T> struct Bla {
    Cx<T> A, B;
    T R{};
};

// Level k holds the skips of 2^(k+shift) iterations starting at m = 1 + j * 2^(k+shift).
template <class T> struct BlaTable {
    int shift = 1;
    std::vector<std::vector<Bla<T>>> levels;
};

// The table's share of memory: orbits longer than this allows drop the shortest skips.
constexpr std::size_t kTableBytes = std::size_t{512} << 20;

// A reference orbit as computed: z_0 .. z_{L-1} of z^order + c at `bits` bits, L = `length`
// unless it escaped first. MPFR rounds correctly, so the first k values of any such orbit are
// the orbit computed with length k: a longer one serves every shorter need exactly.
template <class T> struct StoredOrbit {
    MpFloat z0Re, z0Im, cRe, cIm;
    int order = 2;
    mpfr_prec_t bits = 64;
    std::int64_t length = 0;
    std::vector<Cx<T>> z;

    bool serves(const MpFloat& z0r, const MpFloat& z0i, const MpFloat& cr, const MpFloat& ci, int o,
                mpfr_prec_t b, std::int64_t need) const {
        const bool escaped = static_cast<std::int64_t>(z.size()) < length;
        return o == order && b == bits && (escaped || length >= need) &&
               mpfr_equal_p(z0r.get(), z0Re.get()) && mpfr_equal_p(z0i.get(), z0Im.get()) &&
               mpfr_equal_p(cr.get(), cRe.get()) && mpfr_equal_p(ci.get(), cIm.get());
    }
};

// The orbits computed last in this process, so that pictures of the same reference (the frames
// of an animation, a view drawn again, Julia mode's orbit from 0) compute it once. A picture
// takes from here exactly what it would compute itself (the same values, cut to its own
// length), so its pixels never depend on what was drawn before. At most two are kept (Julia
// mode needs two at once), and older ones only within kCacheBytes: the newest always stays, so
// the frames of one animation share it at any Max, while a view of another reference frees
// the kept orbits before computing its own (peak memory stays that of one picture).
template <class T> class OrbitCache {
public:
    static constexpr std::size_t kCacheBytes = std::size_t{256} << 20;

    static OrbitCache& instance() {
        static OrbitCache cache;
        return cache;
    }
    std::shared_ptr<const StoredOrbit<T>> find(const MpFloat& z0r, const MpFloat& z0i,
                                               const MpFloat& cr, const MpFloat& ci, int order,
                                               mpfr_prec_t bits, std::int64_t need) {
        std::lock_guard lock(mutex_);
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (!(*it)->serves(z0r, z0i, cr, ci, order, bits, need)) continue;
            auto found = *it;
            kept_.erase(it);
            kept_.push_back(found);
            return found;
        }
        return nullptr;
    }
    // Drops the oldest orbits until `bytes` more fit in kCacheBytes.
    void makeRoom(std::size_t bytes) {
        std::lock_guard lock(mutex_);
        while (!kept_.empty() && keptBytes() + bytes > kCacheBytes)
            kept_.erase(kept_.begin());
    }
    void keep(std::shared_ptr<const StoredOrbit<T>> orbit) {
        std::lock_guard lock(mutex_);
        kept_.push_back(std::move(orbit));
        while (kept_.size() > 2 || (kept_.size() > 1 && keptBytes() > kCacheBytes))
            kept_.erase(kept_.begin());
    }

private:
    std::size_t keptBytes() const {
        std::size_t bytes = 0;
        for (const auto& orbit : kept_)
            bytes += orbit->z.size() * sizeof(Cx<T>);
        return bytes;
    }

    std::mutex mutex_;
    std::vector<std::shared_ptr<const StoredOrbit<T>>> kept_; // most recently used last
};

// One orbit as a picture uses it (its own length of a possibly longer shared orbit), and its
// table.
template <class T> struct Track {
    std::shared_ptr<const StoredOrbit<T>> orbit;
    std::span<const Cx<T>> z;
    BlaTable<T> bla;
};

template <class T> bool isFiniteCx(const Cx<T>& a) {
    if constexpr (std::is_same_v<T, double>)
        return std::isfinite(a.re) && std::isfinite(a.im);
    else
        return std::isfinite(a.re.m) && std::isfinite(a.im.m);
}

// z_{k+1} = z_k^order + c in MPFR from z_0, stored rounded; stops after the first |z|^2 above
// kReferenceEscape2 (but keeps at least two values) or at maxLength values. False when stopped.
template <class T>
bool computeOrbit(const MpFloat& z0Re, const MpFloat& z0Im, const MpFloat& cRe, const MpFloat& cIm,
                  int order, std::int64_t maxLength, mpfr_prec_t bits,
                  const std::atomic<bool>* stop, std::atomic<std::int64_t>& progress,
                  std::vector<Cx<T>>& out) {
    MpFloat zr(bits), zi(bits), pr(bits), pi(bits), a(bits), b(bits), t(bits);
    mpfr_set(zr.get(), z0Re.get(), MPFR_RNDN);
    mpfr_set(zi.get(), z0Im.get(), MPFR_RNDN);
    out.clear();
    out.reserve(static_cast<std::size_t>(maxLength)); // address space only until used
    for (std::int64_t k = 0;; ++k) {
        const Cx<T> z{fromMp<T>(zr), fromMp<T>(zi)};
        out.push_back(z);
        const double re = toDouble(z.re), im = toDouble(z.im);
        if ((k >= 1 && re * re + im * im > kReferenceEscape2) ||
            static_cast<std::int64_t>(out.size()) >= maxLength)
            return true;
        if ((k & 63) == 0) {
            if (isStopped(stop)) return false;
            progress.store(k, std::memory_order_relaxed);
        }
        if (order == 2) {
            mpfr_sqr(a.get(), zr.get(), MPFR_RNDN);
            mpfr_sqr(b.get(), zi.get(), MPFR_RNDN);
            mpfr_mul(t.get(), zr.get(), zi.get(), MPFR_RNDN);
            mpfr_sub(zr.get(), a.get(), b.get(), MPFR_RNDN);
            mpfr_add(zr.get(), zr.get(), cRe.get(), MPFR_RNDN);
            mpfr_mul_2ui(zi.get(), t.get(), 1, MPFR_RNDN);
            mpfr_add(zi.get(), zi.get(), cIm.get(), MPFR_RNDN);
            continue;
        }
        mpfr_set(pr.get(), zr.get(), MPFR_RNDN);
        mpfr_set(pi.get(), zi.get(), MPFR_RNDN);
        for (int j = 1; j < order; ++j) { // p := p * z
            mpfr_mul(a.get(), pr.get(), zr.get(), MPFR_RNDN);
            mpfr_mul(b.get(), pi.get(), zi.get(), MPFR_RNDN);
            mpfr_mul(t.get(), pr.get(), zi.get(), MPFR_RNDN);
            mpfr_mul(pi.get(), pi.get(), zr.get(), MPFR_RNDN);
            mpfr_add(pi.get(), pi.get(), t.get(), MPFR_RNDN);
            mpfr_sub(pr.get(), a.get(), b.get(), MPFR_RNDN);
        }
        mpfr_add(zr.get(), pr.get(), cRe.get(), MPFR_RNDN);
        mpfr_add(zi.get(), pi.get(), cIm.get(), MPFR_RNDN);
    }
}

// The orbit from the cache or computed (and then kept there), cut to the `use` values a picture
// of Max use - 3 reads. False when stopped.
template <class T>
bool loadOrbit(const MpFloat& z0Re, const MpFloat& z0Im, const MpFloat& cRe, const MpFloat& cIm,
               int order, std::int64_t length, std::int64_t use, mpfr_prec_t bits,
               const std::atomic<bool>* stop, std::atomic<std::int64_t>& progress, Track<T>& track,
               bool& shared) {
    auto& cache = OrbitCache<T>::instance();
    auto orbit = cache.find(z0Re, z0Im, cRe, cIm, order, bits, length);
    shared = orbit != nullptr;
    if (!orbit) {
        cache.makeRoom(static_cast<std::size_t>(length) * sizeof(Cx<T>));
        auto fresh = std::make_shared<StoredOrbit<T>>();
        fresh->z0Re = z0Re;
        fresh->z0Im = z0Im;
        fresh->cRe = cRe;
        fresh->cIm = cIm;
        fresh->order = order;
        fresh->bits = bits;
        fresh->length = length;
        if (!computeOrbit<T>(z0Re, z0Im, cRe, cIm, order, length, bits, stop, progress, fresh->z))
            return false;
        cache.keep(fresh);
        orbit = std::move(fresh);
    }
    track.orbit = orbit;
    track.z = std::span<const Cx<T>>(orbit->z).first(
        static_cast<std::size_t>(std::min<std::int64_t>(use, std::ssize(orbit->z))));
    return true;
}

double binomial(int n, int k) {
    double r = 1.0;
    for (int j = 1; j <= k; ++j)
        r = r * (n - k + j) / j;
    return r;
}

// Builds the table of skips over the orbit's iterations before its first |Z|^2 above
// `escape2` (no skip may pass an iteration where a pixel could escape). `mandelbrot`: B = 1
// (the pixel's own c enters every step), else B = 0.
template <class T>
bool buildTable(std::span<const Cx<T>> z, int order, bool mandelbrot, const T& dcMax,
                double escape2, const std::atomic<bool>* stop, BlaTable<T>& table) {
    table.levels.clear();
    std::size_t escapeAt = z.size() - 1;
    for (std::size_t k = 1; k < z.size(); ++k) {
        const Cx<double> v = toDouble(z[k]);
        if (v.re * v.re + v.im * v.im > escape2) {
            escapeAt = k;
            break;
        }
    }
    // Single steps from m = 1 .. escapeAt - 1 land at most on escapeAt.
    const std::size_t singles = escapeAt >= 1 ? escapeAt - 1 : 0;
    const T n = T(static_cast<double>(order));
    const T radiusScale = T(kBlaEpsilon * order / binomial(order, 2));
    const T zero = T(0.0);
    const auto single = [&](std::size_t m) {
        Bla<T> s;
        Cx<T> p = z[m];
        for (int j = 2; j < order; ++j)
            p = p * z[m];
        s.A = scaled(p, n);
        s.B = {mandelbrot ? T(1.0) : zero, zero};
        s.R = modulus(z[m]) * radiusScale;
        return s;
    };
    const auto merge = [&](const Bla<T>& x, const Bla<T>& y) {
        Bla<T> r;
        r.A = y.A * x.A;
        r.B = mandelbrot ? y.A * x.B + y.B : Cx<T>{zero, zero};
        const T ax = modulus(x.A);
        const T room = y.R - modulus(x.B) * dcMax;
        r.R = zero;
        if (isFiniteCx(r.A) && isFiniteCx(r.B) && room > zero) {
            // An attracting orbit's A may underflow to 0: then only the first half limits.
            const T limit = ax > zero ? room / ax : x.R;
            r.R = limit < x.R ? limit : x.R;
        }
        return r;
    };
    // Checked every 2^16 entries: a table of millions takes longer than a stop may wait.
    const auto stopAt = [&](std::size_t j) { return (j & 0xFFFF) == 0 && isStopped(stop); };
    // The levels together hold about singles / 2^first entries.
    int first = 0;
    while ((singles >> first) * sizeof(Bla<T>) > kTableBytes)
        ++first;
    table.shift = first + 1;
    const std::size_t span = std::size_t{2} << first;
    std::vector<Bla<T>> level(singles / span);
    for (std::size_t j = 0; j < level.size(); ++j) {
        if (stopAt(j)) return false;
        const std::size_t m0 = 1 + j * span;
        Bla<T> chain = single(m0);
        for (std::size_t t = 1; t < span; ++t)
            chain = merge(chain, single(m0 + t));
        level[j] = chain;
    }
    while (!level.empty()) {
        std::vector<Bla<T>> next(level.size() / 2);
        for (std::size_t j = 0; j < next.size(); ++j) {
            if (stopAt(j)) return false;
            next[j] = merge(level[2 * j], level[2 * j + 1]);
        }
        table.levels.push_back(std::move(level));
        level = std::move(next);
    }
    return true;
}

// Published by the thread that prepares, read by progress displays.
struct BuildProgress {
    std::atomic<int> stage{0}; // 0 none, 1 reference orbit, 2 BLA table
    std::atomic<std::int64_t> orbit{0};
};

struct Counters {
    std::int64_t iterations = 0, skipped = 0, skips = 0, rebases = 0;
};

class EngineBase {
public:
    virtual ~EngineBase() = default;
    virtual bool renderRow(int row, const std::atomic<std::int32_t>& bailout, KernelRow& out,
                           const std::atomic<bool>* stop, bool skipInterior,
                           Counters& counters) const = 0;
    virtual std::size_t referenceLength() const = 0;
    // I of 0-based pixel (x, y); -1 when stopped.
    virtual std::int32_t probe(int x, int y, double bailout,
                               const std::atomic<bool>* stop) const = 0;
};

template <class T> class Engine final : public EngineBase {
public:
    Engine(const Setup& s, const DeepOptions& options) : s_(s), options_(options) {}

    // Orbits and tables; false when stopped. Times go to the stats.
    bool build(std::int32_t bailout, const std::atomic<bool>* stop, DeepStats& stats,
               BuildProgress& progress);

    bool renderRow(int row, const std::atomic<std::int32_t>& bailout, KernelRow& out,
                   const std::atomic<bool>* stop, bool skipInterior,
                   Counters& counters) const override;
    std::size_t referenceLength() const override { return main_.z.size(); }
    std::int32_t probe(int x, int y, double bailout, const std::atomic<bool>* stop) const override;

private:
    // The plane difference of a pixel coordinate from the reference's after flip and Mirror.
    T transformed(const T& raw, const T& ref, int sign) const;
    Cx<T> pixelOffset(const T& dx, const T& dy) const; // the prepared difference
    Cx<T> perturb(const Cx<T>& Z, const Cx<T>& d) const;
    KernelResult pixel(const T& dx, const T& dy, double bailout, const std::atomic<bool>* stop,
                       Counters& counters, bool& stopped) const;
    KernelResult iterate(Cx<T> dc, Cx<T> delta, std::size_t m, double bailout,
                         const std::atomic<bool>* stop, Counters& c, bool& stopped) const;

    const Setup& s_;
    DeepOptions options_;
    Track<T> main_, base_; // base_: Julia mode's orbit from the critical point 0
    std::vector<T> columnDX_;
    T offY0_{}, stepY_{}, refX_{}, refY_{};
    Cx<T> q_, orientation_;
    Cx<double> referenceC_; // the reference's c in doubles
    bool lanes_ = false;    // plain z^2 + c steps of double differences: vector lanes serve
    bool renderRowInLanes(const T& dy, bool interiorShortcut,
                          const std::atomic<std::int32_t>& bailout, KernelRow& out,
                          const std::atomic<bool>* stop, Counters& counters) const;
    T binomials_[kMaxDeepOrder + 1]{};
};

template <class T> T Engine<T>::transformed(const T& raw, const T& ref, int sign) const {
    const T du = raw * static_cast<double>(sign);
    if (!s_.mirror) return du;
    // X' = |u| with u = ref + du: the difference of |u| from |ref|.
    const T zero = T(0.0);
    const double sr = ref < zero ? -1.0 : 1.0;
    const double sv = (ref + du) < zero ? -1.0 : 1.0;
    return sr == sv ? du * sr : (ref * 2.0 + du) * sv;
}

template <class T> Cx<T> Engine<T>::pixelOffset(const T& dx, const T& dy) const {
    const Cx<T> dq = Cx<T>{dx, dy} * orientation_;
    if (!s_.insideOut) return dq;
    // 1/(q + dq) - 1/q without cancellation.
    const Cx<T> r = dq / (q_ * (q_ + dq));
    return {-r.re, -r.im};
}

template <class T>
bool Engine<T>::build(std::int32_t bailout, const std::atomic<bool>* stop, DeepStats& stats,
                      BuildProgress& progress) {
    progress.stage.store(1, std::memory_order_relaxed);
    const auto started = std::chrono::steady_clock::now();
    const std::int64_t use = static_cast<std::int64_t>(s_.max) + 3;
    const std::int64_t length = std::max(s_.orbitLength, use);
    bool baseShared = false;
    const MpFloat zero(0.0, 64);
    const MpFloat &jRe = s_.jRe, &jIm = s_.jIm;
    if (s_.julia) {
        if (!loadOrbit<T>(s_.cRe, s_.cIm, jRe, jIm, s_.order, length, use, s_.bits, stop,
                          progress.orbit, main_, stats.referenceShared))
            return false;
        if (!loadOrbit<T>(zero, zero, jRe, jIm, s_.order, length, use, s_.bits, stop,
                          progress.orbit, base_, baseShared))
            return false;
    } else if (!loadOrbit<T>(zero, zero, s_.cRe, s_.cIm, s_.order, length, use, s_.bits, stop,
                             progress.orbit, main_, stats.referenceShared)) {
        return false;
    }
    stats.referenceSeconds += seconds(started);
    stats.referenceLength = static_cast<std::int64_t>(main_.z.size());

    offY0_ = fromMp<T>(s_.offY0);
    stepY_ = fromMp<T>(s_.stepY);
    refX_ = fromMp<T>(s_.refX);
    refY_ = fromMp<T>(s_.refY);
    q_ = {fromMp<T>(s_.qRe), fromMp<T>(s_.qIm)};
    orientation_ = {T(s_.orientation.re), T(s_.orientation.im)};
    referenceC_ = {s_.cRe.toDouble(), s_.cIm.toDouble()};
    for (int k = 0; k <= s_.order; ++k)
        binomials_[k] = T(binomial(s_.order, k));
    const T offX0 = fromMp<T>(s_.offX0), stepX = fromMp<T>(s_.stepX);
    columnDX_.resize(static_cast<std::size_t>(s_.width));
    for (int x = 0; x < s_.width; ++x)
        columnDX_[static_cast<std::size_t>(x)] =
            transformed(offX0 + T(static_cast<double>(x + 1)) * stepX, refX_, s_.signX);

    const auto tableStart = std::chrono::steady_clock::now();
    progress.stage.store(2, std::memory_order_relaxed);
    const double escape2 = std::min<double>(bailout, 4.0);
    if (options_.bla && escape2 > 0.0 && s_.stepLog2 < kBlaBelowLog2) {
        // The largest |dc| of the picture lies on its border.
        T dcMax = T(0.0);
        if (!s_.julia) {
            const auto rowDY = [&](int y) {
                return transformed(offY0_ + T(static_cast<double>(y + 1)) * stepY_, refY_,
                                   s_.signY);
            };
            const auto consider = [&](int x, int y) {
                dcMax = maxOf(dcMax,
                              norm1(pixelOffset(columnDX_[static_cast<std::size_t>(x)], rowDY(y))));
            };
            for (int x = 0; x < s_.width; ++x) {
                consider(x, 0);
                consider(x, s_.height - 1);
            }
            for (int y = 0; y < s_.height; ++y) {
                consider(0, y);
                consider(s_.width - 1, y);
            }
            dcMax = dcMax * 1.01;
        }
        if (!buildTable(main_.z, s_.order, !s_.julia, dcMax, escape2, stop, main_.bla))
            return false;
        if (s_.julia && !buildTable(base_.z, s_.order, false, dcMax, escape2, stop, base_.bla))
            return false;
    }
    stats.tableSeconds += seconds(tableStart);
    lanes_ = std::is_same_v<T, double> && s_.order == 2 && !s_.julia && !s_.startAtC &&
             main_.bla.levels.empty() && main_.z.size() >= 2;
    return true;
}

template <class T> Cx<T> Engine<T>::perturb(const Cx<T>& Z, const Cx<T>& d) const {
    // (Z + d)^n - Z^n = d * sum_k C(n,k) Z^(n-k) d^(k-1), by Horner in d.
    if (s_.order == 2) return Cx<T>{Z.re * 2.0 + d.re, Z.im * 2.0 + d.im} * d;
    Cx<T> r{T(1.0), T(0.0)};
    Cx<T> zp = Z;
    for (int k = s_.order - 1; k >= 1; --k) {
        r = r * d + scaled(zp, binomials_[k]);
        if (k > 1) zp = zp * Z;
    }
    return r * d;
}

template <class T>
[[gnu::flatten]] KernelResult Engine<T>::iterate(Cx<T> dc, Cx<T> delta, std::size_t m,
                                                 double bailout, const std::atomic<bool>* stop,
                                                 Counters& c, bool& stopped) const {
    const Track<T>* track = &main_;
    const Track<T>* base = s_.julia ? &base_ : &main_;
    const std::int32_t max = s_.max;
    std::int32_t i = 0;
    Cx<double> previous = toDouble(track->z[m] + delta);
    std::uint32_t sinceCheck = 0;
    for (;;) {
        bool skipped = false;
        const auto& levels = track->bla.levels;
        if (m >= 1 && !levels.empty()) {
            // At one start the radius only shrinks with the length (a merge keeps the smaller
            // radius), so the lengths are tried from the shortest up: a miss ends the search.
            const std::size_t a = m - 1;
            const int shift = track->bla.shift;
            const int top = static_cast<int>(levels.size()) - 1;
            const int longest = a == 0 ? top : std::min(std::countr_zero(a) - shift, top);
            const T size = norm1(delta);
            const Bla<T>* best = nullptr;
            std::int32_t bestSteps = 0;
            for (int k = 0; k <= longest; ++k) {
                const auto& level = levels[static_cast<std::size_t>(k)];
                const std::size_t j = a >> (k + shift);
                const std::int32_t steps = std::int32_t{1} << (k + shift);
                if (j >= level.size() || i > max + 1 - steps || !(size < level[j].R)) break;
                best = &level[j];
                bestSteps = steps;
            }
            if (best) {
                delta = best->A * delta + best->B * dc;
                m += static_cast<std::size_t>(bestSteps);
                i += bestSteps;
                c.skipped += bestSteps;
                ++c.skips;
                skipped = true;
            }
        }
        if (!skipped) {
            if (m + 1 >= track->z.size()) { // the reference ended: restart on the base orbit
                delta = track->z[m] + delta;
                m = 0;
                track = base;
                ++c.rebases;
            }
            delta = perturb(track->z[m], delta) + dc;
            ++m;
            ++i;
        }
        const Cx<T> zT = track->z[m] + delta;
        const Cx<double> z = toDouble(zT);
        if (!std::isfinite(z.re) || !std::isfinite(z.im)) {
            c.iterations += i;
            return {previous.re, previous.im, kOverflowZ, i};
        }
        const double q = z.re * z.re + z.im * z.im;
        if (q > bailout || i > max) {
            c.iterations += i;
            return {z.re, z.im, std::isfinite(q) ? q : kOverflowZ, i};
        }
        if (normMax(zT) < normMax(delta)) { // rebase: follow the orbit from its start
            delta = zT;
            m = 0;
            track = base;
            ++c.rebases;
        }
        previous = z;
        if (++sinceCheck == 65536) {
            sinceCheck = 0;
            if (isStopped(stop)) {
                stopped = true;
                return {};
            }
        }
    }
}

template <class T>
bool Engine<T>::renderRow(int row, const std::atomic<std::int32_t>& bailout, KernelRow& out,
                          const std::atomic<bool>* stop, bool skipInterior,
                          Counters& counters) const {
    out.resize(static_cast<std::size_t>(s_.width));
    const T dy = transformed(offY0_ + T(static_cast<double>(row + 1)) * stepY_, refY_, s_.signY);
    const bool interiorShortcut = skipInterior && s_.order == 2 && !s_.julia && !s_.startAtC;
    if (lanes_ && activeSimd() == SimdLevel::Avx512)
        return renderRowInLanes(dy, interiorShortcut, bailout, out, stop, counters);
    for (int x = 0; x < s_.width; ++x) {
        if (isStopped(stop)) return false;
        const auto k = static_cast<std::size_t>(x);
        if (interiorShortcut && bailout.load(std::memory_order_relaxed) >= 4) {
            const Cx<double> dc = toDouble(pixelOffset(columnDX_[k], dy));
            if (surelyInterior(referenceC_.re + dc.re, referenceC_.im + dc.im)) {
                out.A[k] = out.B[k] = out.Z[k] = 0.0;
                out.I[k] = s_.max + 1.0;
                continue;
            }
        }
        bool stopped = false;
        const KernelResult r = pixel(columnDX_[k], dy, bailout.load(std::memory_order_relaxed),
                                     stop, counters, stopped);
        if (stopped) return false;
        out.A[k] = r.A;
        out.B[k] = r.B;
        out.Z[k] = r.Z;
        out.I[k] = r.I;
    }
    return true;
}

template <class T>
bool Engine<T>::renderRowInLanes(const T& dy, bool interiorShortcut,
                                 const std::atomic<std::int32_t>& bailout, KernelRow& out,
                                 const std::atomic<bool>* stop, Counters& counters) const {
    if constexpr (!std::is_same_v<T, double>) {
        (void)dy, (void)interiorShortcut, (void)bailout, (void)out, (void)stop, (void)counters;
        return false;
    } else {
        const auto w = static_cast<std::size_t>(s_.width);
        std::vector<double> dcr, dci, bail, position, A(w), B(w), Z(w), I(w);
        std::vector<int> pixelAt;
        for (int x = 0; x < s_.width; ++x) {
            const auto k = static_cast<std::size_t>(x);
            const std::int32_t b = bailout.load(std::memory_order_relaxed);
            const Cx<double> dc = pixelOffset(columnDX_[k], dy);
            if (interiorShortcut && b >= 4 &&
                surelyInterior(referenceC_.re + dc.re, referenceC_.im + dc.im)) {
                out.A[k] = out.B[k] = out.Z[k] = 0.0;
                out.I[k] = s_.max + 1.0;
                continue;
            }
            position.push_back(static_cast<double>(pixelAt.size()));
            pixelAt.push_back(x);
            dcr.push_back(dc.re);
            dci.push_back(dc.im);
            bail.push_back(b);
        }
        const lanes::Inputs in{&main_.z.data()->re,
                               static_cast<std::int64_t>(main_.z.size()),
                               dcr.data(),
                               dci.data(),
                               bail.data(),
                               position.data(),
                               static_cast<int>(pixelAt.size()),
                               s_.max};
        if (!lanes::perturbAvx512(in, {A.data(), B.data(), Z.data(), I.data(), &counters.rebases},
                                  stop))
            return false;
        for (std::size_t j = 0; j < pixelAt.size(); ++j) {
            const auto k = static_cast<std::size_t>(pixelAt[j]);
            if (I[j] < 0.0) { // not finite: the scalar path knows the z before
                bool stopped = false;
                const KernelResult r = pixel(columnDX_[k], dy, bail[j], stop, counters, stopped);
                if (stopped) return false;
                out.A[k] = r.A;
                out.B[k] = r.B;
                out.Z[k] = r.Z;
                out.I[k] = r.I;
                continue;
            }
            out.A[k] = A[j];
            out.B[k] = B[j];
            out.Z[k] = Z[j];
            out.I[k] = I[j];
            counters.iterations += static_cast<std::int64_t>(I[j]);
        }
        return true;
    }
}

template <class T>
KernelResult Engine<T>::pixel(const T& dx, const T& dy, double bailout,
                              const std::atomic<bool>* stop, Counters& counters,
                              bool& stopped) const {
    const Cx<T> d = pixelOffset(dx, dy);
    const Cx<T> zero{T(0.0), T(0.0)};
    if (s_.julia) return iterate(zero, d, 0, bailout, stop, counters, stopped);
    if (s_.startAtC) // z_0 = c is the orbit's z_1
        return iterate(d, d, 1, bailout, stop, counters, stopped);
    return iterate(d, zero, 0, bailout, stop, counters, stopped);
}

template <class T>
std::int32_t Engine<T>::probe(int x, int y, double bailout, const std::atomic<bool>* stop) const {
    const T dy = transformed(offY0_ + T(static_cast<double>(y + 1)) * stepY_, refY_, s_.signY);
    Counters unused;
    bool stopped = false;
    const std::int32_t I =
        pixel(columnDX_[static_cast<std::size_t>(x)], dy, bailout, stop, unused, stopped).I;
    return stopped ? -1 : I;
}

struct DeepPictureImpl {
    Setup setup;                  // the reference at the view's centre
    std::unique_ptr<Setup> moved; // the reference given, or moved to a longer-lasting pixel
    DeepReference given;
    DeepOptions options;
    mutable std::mutex mutex;
    std::unique_ptr<EngineBase> engine; // set once built, then read-only
    DeepStats stats;                    // guarded by mutex
    BuildProgress progress;
};

namespace {

MpFloat coordinate(const std::string& text, double fallback) {
    if (text.empty()) return MpFloat(fallback, 64);
    auto v = parseDecimal(text, bitsForDecimal(text));
    if (!v) throw ERenderParameters("'" + text.substr(0, 80) + "' is not a decimal number");
    return std::move(*v);
}

// Julia mode's constant as the orbits use it: doubles inverted in doubles, as the double kernel
// inverts them (so pictures of such constants stay what they were), and exact texts inverted in
// MPFR at the picture's precision.
void setJuliaConstant(Setup& s, const FractalParams& p) {
    if (!p.deepJulia.empty()) {
        const MpFloat re = coordinate(p.deepJulia.re, p.JuliaX);
        const MpFloat im = coordinate(p.deepJulia.im, p.JuliaY);
        if (!p.insideOut) {
            s.jRe = re;
            s.jIm = im;
            return;
        }
        const mpfr_prec_t bits = std::max({s.bits, re.precision(), im.precision()}) + 8;
        MpFloat d(bits), t(bits);
        mpfr_sqr(d.get(), re.get(), MPFR_RNDN);
        mpfr_sqr(t.get(), im.get(), MPFR_RNDN);
        mpfr_add(d.get(), d.get(), t.get(), MPFR_RNDN);
        if (!d.isZero()) {
            s.jRe = MpFloat(bits);
            s.jIm = MpFloat(bits);
            mpfr_div(s.jRe.get(), re.get(), d.get(), MPFR_RNDN);
            mpfr_div(s.jIm.get(), im.get(), d.get(), MPFR_RNDN);
            mpfr_neg(s.jIm.get(), s.jIm.get(), MPFR_RNDN);
            return;
        }
    }
    Complex j{p.JuliaX, p.JuliaY};
    if (p.insideOut) j = reciprocal(1.0, j);
    s.jRe = MpFloat(j.re, 64);
    s.jIm = MpFloat(j.im, 64);
}

} // namespace

// Derives everything that depends on the reference point (x, y) of the plane, with s.offX0 and
// s.offY0 set. False when Inside Out would divide by 0.
bool finishReference(Setup& s, const MpFloat& x, const MpFloat& y) {
    const mpfr_prec_t bits = s.bits;
    s.refX = MpFloat(bits);
    s.refY = MpFloat(bits);
    mpfr_mul_si(s.refX.get(), x.get(), s.signX, MPFR_RNDN);
    mpfr_mul_si(s.refY.get(), y.get(), s.signY, MPFR_RNDN);
    MpFloat px(s.refX), py(s.refY);
    if (s.mirror) {
        mpfr_abs(px.get(), px.get(), MPFR_RNDN);
        mpfr_abs(py.get(), py.get(), MPFR_RNDN);
    }
    // q = p * Orientation; c = q, or 1/q with Inside Out.
    s.qRe = MpFloat(bits);
    s.qIm = MpFloat(bits);
    MpFloat t(bits), d(bits);
    mpfr_mul_d(s.qRe.get(), px.get(), s.orientation.re, MPFR_RNDN);
    mpfr_mul_d(t.get(), py.get(), s.orientation.im, MPFR_RNDN);
    mpfr_sub(s.qRe.get(), s.qRe.get(), t.get(), MPFR_RNDN);
    mpfr_mul_d(s.qIm.get(), px.get(), s.orientation.im, MPFR_RNDN);
    mpfr_mul_d(t.get(), py.get(), s.orientation.re, MPFR_RNDN);
    mpfr_add(s.qIm.get(), s.qIm.get(), t.get(), MPFR_RNDN);
    s.cRe = s.qRe;
    s.cIm = s.qIm;
    if (s.insideOut) {
        mpfr_sqr(d.get(), s.qRe.get(), MPFR_RNDN);
        mpfr_sqr(t.get(), s.qIm.get(), MPFR_RNDN);
        mpfr_add(d.get(), d.get(), t.get(), MPFR_RNDN);
        if (d.isZero()) return false;
        mpfr_div(s.cRe.get(), s.qRe.get(), d.get(), MPFR_RNDN);
        mpfr_div(s.cIm.get(), s.qIm.get(), d.get(), MPFR_RNDN);
        mpfr_neg(s.cIm.get(), s.cIm.get(), MPFR_RNDN);
    }
    return true;
}

// Puts the reference point at pixel position (x2 / 2, y2 / 2) (1-based, as the renderer maps
// pixels).
bool placeReference(Setup& s, long x2, long y2) {
    const mpfr_prec_t work = s.upperX.precision();
    MpFloat x(work), y(work);
    s.offX0 = MpFloat(work);
    s.offY0 = MpFloat(work);
    mpfr_mul_si(s.offX0.get(), s.stepX.get(), -x2, MPFR_RNDN);
    mpfr_div_2ui(s.offX0.get(), s.offX0.get(), 1, MPFR_RNDN);
    mpfr_mul_si(s.offY0.get(), s.stepY.get(), -y2, MPFR_RNDN);
    mpfr_div_2ui(s.offY0.get(), s.offY0.get(), 1, MPFR_RNDN);
    mpfr_sub(x.get(), s.upperX.get(), s.offX0.get(), MPFR_RNDN);
    mpfr_sub(y.get(), s.upperY.get(), s.offY0.get(), MPFR_RNDN);
    return finishReference(s, x, y);
}

// The setup with the reference at the given point, its orbit at `ref.bits` bits and `ref.max`
// + 3 values long; null where the point is no decimal number or Inside Out would divide by 0.
std::unique_ptr<Setup> placeGivenReference(const Setup& s, const DeepReference& ref) {
    const mpfr_prec_t work = std::max(s.upperX.precision(), static_cast<mpfr_prec_t>(ref.bits));
    auto x = parseDecimal(ref.re, work), y = parseDecimal(ref.im, work);
    if (!x || !y) return nullptr;
    auto moved = std::make_unique<Setup>(s);
    moved->bits = static_cast<mpfr_prec_t>(ref.bits);
    moved->orbitLength = static_cast<std::int64_t>(ref.max) + 3;
    moved->offX0 = MpFloat(work);
    moved->offY0 = MpFloat(work);
    mpfr_sub(moved->offX0.get(), s.upperX.get(), x->get(), MPFR_RNDN);
    mpfr_sub(moved->offY0.get(), s.upperY.get(), y->get(), MPFR_RNDN);
    if (!finishReference(*moved, *x, *y)) return nullptr;
    return moved;
}

DeepPicture::DeepPicture(const FractalParams& p, int width, int height, const DeepOptions& options)
    : impl_(std::make_unique<DeepPictureImpl>()) {
    Setup& s = impl_->setup;
    impl_->options = options;
    s.width = width;
    s.height = height;
    s.order = p.type == code::Mandel ? 2 : p.Order;
    s.startAtC = p.type == code::MandelOrder;
    if (s.order < 2 || s.order > kMaxDeepOrder)
        throw ERenderParameters("The deep path renders orders 2 to 16");
    s.julia = p.julia;
    s.insideOut = p.insideOut;
    s.mirror = p.mirror;
    s.signX = p.flipX ? -1 : 1;
    s.signY = p.flipY ? -1 : 1;
    s.orientation = p.Orientation;
    s.max = std::min(p.Max, kDeepMaxIterationsLimit);
    s.orbitLength = static_cast<std::int64_t>(s.max) + 3;
    impl_->given = p.deepReference;

    const DeepView& dv = p.deepView;
    const MpFloat ux = coordinate(dv.upperX, p.UpperX), lx = coordinate(dv.lowerX, p.LowerX);
    const MpFloat uy = coordinate(dv.upperY, p.UpperY), ly = coordinate(dv.lowerY, p.LowerY);
    const mpfr_prec_t inBits =
        std::max({ux.precision(), lx.precision(), uy.precision(), ly.precision()}) + 8;
    MpFloat spanX(inBits), spanY(inBits);
    mpfr_sub(spanX.get(), lx.get(), ux.get(), MPFR_RNDN);
    mpfr_sub(spanY.get(), ly.get(), uy.get(), MPFR_RNDN);
    if (spanX.isZero() || spanY.isZero())
        throw ERenderParameters("The plane rectangle has no width or no height");
    const long top = std::max({ux.exponent(), lx.exponent(), uy.exponent(), ly.exponent(), 1L});
    const long stepExponent =
        std::min(spanX.exponent() - std::bit_width(static_cast<unsigned>(width)),
                 spanY.exponent() - std::bit_width(static_cast<unsigned>(height)));
    s.bits = static_cast<mpfr_prec_t>(std::max(64L, top - stepExponent + 64));
    setJuliaConstant(s, p);
    const mpfr_prec_t work = std::max(s.bits, inBits) + 8;

    s.upperX = MpFloat(work);
    s.upperY = MpFloat(work);
    mpfr_set(s.upperX.get(), ux.get(), MPFR_RNDN);
    mpfr_set(s.upperY.get(), uy.get(), MPFR_RNDN);
    s.stepX = MpFloat(work);
    s.stepY = MpFloat(work);
    mpfr_div_si(s.stepX.get(), spanX.get(), width, MPFR_RNDN);
    mpfr_div_si(s.stepY.get(), spanY.get(), height, MPFR_RNDN);
    // The centre: pixel position (W/2, H/2).
    if (!placeReference(s, width, height))
        throw ERenderParameters("Inside Out cannot take a view centred on 0 below double "
                                "precision");
    long stepLog2 = stepExponent + std::ilogb(std::hypot(s.orientation.re, s.orientation.im));
    if (s.insideOut) stepLog2 -= 2 * std::max(s.qRe.exponent(), s.qIm.exponent());
    s.stepLog2 = stepLog2;
    s.extended = options.numberType == NumberType::Extended ||
                 (options.numberType == NumberType::Auto && stepLog2 < kExtendedBelowLog2);
    long spanExp = 0;
    const double spanMantissa = mpfr_get_d_2exp(&spanExp, spanX.get(), MPFR_RNDN);
    s.magnificationLog10 =
        std::log10(4.0) - (std::log10(std::fabs(spanMantissa)) + spanExp * std::log10(2.0));
    impl_->stats.magnificationLog10 = s.magnificationLog10;
    impl_->stats.bits = s.bits;
    impl_->stats.extended = s.extended;
}

DeepPicture::~DeepPicture() = default;

namespace {

std::unique_ptr<EngineBase> buildEngine(const Setup& s, const DeepOptions& options,
                                        std::int32_t bailout, const std::atomic<bool>* stop,
                                        DeepStats& stats, BuildProgress& progress) {
    std::unique_ptr<EngineBase> built;
    if (s.extended) {
        auto e = std::make_unique<Engine<ExtFloat>>(s, options);
        if (e->build(bailout, stop, stats, progress)) built = std::move(e);
    } else {
        auto e = std::make_unique<Engine<double>>(s, options);
        if (e->build(bailout, stop, stats, progress)) built = std::move(e);
    }
    progress.stage.store(0, std::memory_order_relaxed);
    return built;
}

// A grid of pixels probed when the centre's orbit escapes early.
constexpr int kProbeColumns = 12, kProbeRows = 9;

} // namespace

bool DeepPicture::prepare(const std::atomic<bool>* stop, std::int32_t bailout) {
    std::lock_guard lock(impl_->mutex);
    if (impl_->engine) return true;
    if (isStopped(stop)) return false;
    const Setup& s = impl_->setup;
    // A given reference (an animation's, shared by its frames) is taken where it serves this
    // picture as well as its own choice would: its orbit at least as precise, at least as long
    // as the picture's Max and not escaping before it. The same orbit then serves every frame
    // exactly: each reads the first Max + 3 values of one computation, which are what a
    // computation of its own length would give. The test depends on the parameters alone, so
    // a frame made alone takes the same reference as in a run of many.
    const DeepReference& given = impl_->given;
    if (!given.empty() && given.bits >= s.bits && given.max >= s.max) {
        if (auto moved = placeGivenReference(s, given)) {
            auto engine =
                buildEngine(*moved, impl_->options, bailout, stop, impl_->stats, impl_->progress);
            if (!engine) return false;
            if (engine->referenceLength() >= static_cast<std::size_t>(s.max) + 3) {
                impl_->moved = std::move(moved);
                impl_->stats.bits = impl_->moved->bits;
                impl_->stats.referenceLength = static_cast<std::int64_t>(engine->referenceLength());
                impl_->engine = std::move(engine);
                return true;
            }
        }
    }
    auto engine = buildEngine(s, impl_->options, bailout, stop, impl_->stats, impl_->progress);
    if (!engine) return false;
    // A reference that escapes early leaves every longer pixel without BLA: the probed pixel
    // with the longest orbit (the first in row order among equals) takes its place. The choice
    // depends on the view and parameters alone, so bands and frames agree.
    const auto length = engine->referenceLength();
    if (length < static_cast<std::size_t>(s.max) + 3) {
        std::int32_t bestI = 0;
        int bestX = 0, bestY = 0;
        for (int j = 0; j < kProbeRows; ++j) {
            for (int i = 0; i < kProbeColumns; ++i) {
                if (isStopped(stop)) return false;
                const int x = (2 * i + 1) * s.width / (2 * kProbeColumns);
                const int y = (2 * j + 1) * s.height / (2 * kProbeRows);
                const std::int32_t I = engine->probe(x, y, bailout, stop);
                if (I < 0) return false;
                if (I > bestI) {
                    bestI = I;
                    bestX = x;
                    bestY = y;
                }
            }
        }
        if (static_cast<std::size_t>(bestI) > length) {
            auto moved = std::make_unique<Setup>(s);
            if (placeReference(*moved, 2L * (bestX + 1), 2L * (bestY + 1))) {
                auto better = buildEngine(*moved, impl_->options, bailout, stop, impl_->stats,
                                          impl_->progress);
                if (!better) return false;
                if (better->referenceLength() > length) {
                    engine = std::move(better);
                    impl_->moved = std::move(moved);
                }
            }
        }
    }
    impl_->stats.referenceLength = static_cast<std::int64_t>(engine->referenceLength());
    impl_->engine = std::move(engine);
    return true;
}

bool DeepPicture::renderRow(int row, const std::atomic<std::int32_t>& bailout, KernelRow& out,
                            const std::atomic<bool>* stop, bool skipInterior) {
    if (!prepare(stop, bailout.load(std::memory_order_relaxed))) return false;
    const EngineBase* engine = nullptr;
    {
        std::lock_guard lock(impl_->mutex);
        engine = impl_->engine.get();
    }
    Counters counters;
    const bool done = engine->renderRow(row, bailout, out, stop, skipInterior, counters);
    std::lock_guard lock(impl_->mutex);
    impl_->stats.iterations += counters.iterations;
    impl_->stats.skipped += counters.skipped;
    impl_->stats.skips += counters.skips;
    impl_->stats.rebases += counters.rebases;
    return done;
}

std::string DeepPicture::stage() const {
    const BuildProgress& p = impl_->progress;
    switch (p.stage.load(std::memory_order_relaxed)) {
    case 1:
        return "reference orbit " + std::to_string(p.orbit.load(std::memory_order_relaxed)) +
               " iterations";
    case 2:
        return "BLA table";
    default:
        return {};
    }
}

DeepStats DeepPicture::stats() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->stats;
}

} // namespace qm::fractal::deep
