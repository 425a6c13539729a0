// Test helpers of the deep renderer: a plain per-pixel MPFR iteration (the oracle), the deep
// renderer's iteration counts, and the rule that compares two pictures of counts.
#pragma once

#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/fractal_params.h"

#include <vector>

namespace qm::test {

struct Counts {
    int width = 0, height = 0;
    std::vector<double> I;
};

// Iteration counts of mandel or mandelorder by straightforward MPFR iteration of every pixel at
// `bits` bits, mapping pixels as the double renderer does.
Counts oracleCounts(const fractal::FractalParams& p, int width, int height, long bits);

// The deep renderer's counts (and its figures).
Counts deepCounts(const fractal::FractalParams& p, int width, int height,
                  const fractal::deep::DeepOptions& options = {},
                  fractal::deep::DeepStats* stats = nullptr);

// The double kernels' counts of the double fields (flips and Mirror as the renderer applies
// them).
Counts doubleCounts(const fractal::FractalParams& p, int width, int height);

// Finite precision makes chaotic pixels differ, alone; a fault makes patches. Shares of pixels
// with identical counts and with counts within max(2, 2 % of I), and the largest 4-connected
// patch of pixels beyond that.
struct Agreement {
    double identical = 0.0;
    double within = 0.0;
    int largestPatch = 0;
};
Agreement compareCounts(const Counts& expected, const Counts& actual);

} // namespace qm::test
