// The deep renderer of Mandelbrot (z^2 + c) and Mandelbrot Order (z^n + c, n = 2..16), in
// Mandelbrot and Julia mode: one reference orbit per picture in MPFR, every pixel iterated as
// its difference from it (perturbation) with rebasing instead of glitch detection, and a
// bilinear-approximation table that skips iterations. Every pixel ends with the results the
// double kernel gives (I, and A, B, Z of the last z), so colouring never knows which path ran.
#pragma once

#include "engine/fractal/fractal_params.h"
#include "engine/fractal/kernel_batch.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace qm::fractal::deep {

// The largest Max of the deep path (the double path keeps kMaxIterationsLimit).
inline constexpr std::int32_t kDeepMaxIterationsLimit = 100000000;

enum class NumberType { Auto, Double, Extended };

struct DeepOptions {
    bool bla = true;
    NumberType numberType = NumberType::Auto; // Auto: doubles while the pixel step allows
};

// Figures of one picture, for --stats and the tests.
struct DeepStats {
    double magnificationLog10 = 0.0; // log10(4 / plane width)
    long bits = 0;                   // precision of the reference orbit
    bool extended = false;           // deltas in ExtFloat rather than double
    double referenceSeconds = 0.0;
    double tableSeconds = 0.0;
    std::int64_t referenceLength = 0;
    bool referenceShared = false; // the orbit came from an earlier picture of this process
    std::int64_t iterations = 0;  // iterations of all pixels rendered so far
    std::int64_t skipped = 0;     // of these, iterations that BLA skipped
    std::int64_t skips = 0;       // BLA steps taken (each skips one table entry's iterations)
    std::int64_t rebases = 0;
};

// The kernels (and orders) the deep path renders.
bool hasDeepPath(const FractalParams& p);
// Whether a width x height render of p runs on the deep path (DeepMode, kernel, and in Auto
// mode whether doubles would show blocks).
bool usesDeepPath(const FractalParams& p, int width, int height);

struct DeepPictureImpl;

class DeepPicture {
public:
    // Reads the view (p.deepView, or the double fields when it is empty); throws
    // ERenderParameters when it has no width or height. Cheap: the orbit waits for prepare().
    DeepPicture(const FractalParams& p, int width, int height, const DeepOptions& options = {});
    ~DeepPicture();
    DeepPicture(const DeepPicture&) = delete;
    DeepPicture& operator=(const DeepPicture&) = delete;

    // Computes the reference orbit(s) and BLA tables once, whichever thread asks first; the
    // others wait. False when `stop` became set (checked often enough to end within 0.2 s).
    bool prepare(const std::atomic<bool>* stop, std::int32_t bailout);
    // Kernel results of 0-based row `row` (prepares first). False when stopped. With
    // `skipInterior` (no formula reads A, B or Z) Mandelbrot pixels surely inside the main
    // cardioid or the period-2 bulb end at once with I = Max + 1, as on the double path.
    bool renderRow(int row, const std::atomic<std::int32_t>& bailout, KernelRow& out,
                   const std::atomic<bool>* stop = nullptr, bool skipInterior = false);
    DeepStats stats() const;
    // What prepare() is doing, for progress displays ("reference orbit 12345 iterations",
    // "BLA table"); empty before and after.
    std::string stage() const;

private:
    std::unique_ptr<DeepPictureImpl> impl_;
};

// "1.23E157"-style text of a magnification given as its log10.
std::string formatMagnification(double log10Value);

} // namespace qm::fractal::deep
