// One row of a render, start to finish: pixel mapping, kernels, formula variables, formulas and
// colours. A render job gives each worker thread its own RowRenderer.
#pragma once

#include "engine/core/colour.h"
#include "engine/fractal/colour_formula.h"
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/fractal_params.h"
#include "engine/fractal/kernel_batch.h"
#include "engine/shared/shared_colour_data.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm::fractal {

class KernelResults;

// What every row of one render shares, fixed at the render's start.
struct RenderSettings {
    FractalParams params; // formulas already through fixformulas
    int width = 0;
    int height = 0;
    PixelSteps steps;
    bool needPolar = false;      // a formula mentions "m" or "d"
    bool needPlasma = false;     // "!" is written
    bool needRandom = false;     // "?" is drawn for each pixel (split-channel models)
    bool skipInterior = false;   // no formula can read A, B or Z
    std::vector<double> columnX; // plane X of each column after flips and mirror
    std::vector<int> plasmaX;    // Round(x / W * 320) per 1-based column
    std::vector<int> plasmaY;    // Round(y / H * 240) per 1-based row
    // Kernel results of each row are stored into `keep` (for recolouring), or read from
    // `recolourFrom` instead of running the kernel.
    KernelResults* keep = nullptr;
    const KernelResults* recolourFrom = nullptr;
    // The deep renderer when a render job runs on the deep path (shared by the rows).
    std::shared_ptr<deep::DeepPicture> deep;

    // Validates (ERenderParameters) and derives everything above.
    static RenderSettings make(const FractalParams& params, int width, int height);
};

class RowRenderer {
public:
    // Compiles this worker's formulas (the compile error propagates).
    RowRenderer(const RenderSettings& settings, const FormulaCompiler& compiler,
                std::uint32_t randomSeed);

    // Renders 0-based row `row` into pixels[0..width). Gradient and plasma are the snapshots the
    // caller took for this row. Returns false when `stop` became set before the row was done.
    bool render(int row, const GradientTableData& gradient, const PlasmaData* plasma,
                const std::atomic<std::int32_t>& bailout, ColourValue* pixels,
                const std::atomic<bool>* stop = nullptr);

private:
    const RenderSettings& s_;
    RandomGenerator random_;
    std::unique_ptr<ColourFormula> formulas_[3]; // palette: [0]; channels: R, G, B
    KernelBatch batch_;
    KernelRow kernel_;
    std::vector<double> y_, m_, d_, t_, q_, p_;
    std::vector<double> values_[3];
    std::vector<ArithFault> faults_[3];
};

} // namespace qm::fractal
