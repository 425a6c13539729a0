// Recolouring without iterating: a render keeps every pixel's kernel results (I, and A, B, Z
// where its formulas read them), and a change of the colouring (formulas, colour model, Repeat
// Palette, gradient, plasma) colours the picture again from them, exactly as a render with the new
// colouring would.
#pragma once

#include "engine/core/colour.h"
#include "engine/fractal/colour_formula.h"
#include "engine/fractal/fractal_params.h"
#include "engine/fractal/kernel_batch.h"
#include "engine/fractal/row_renderer.h"
#include "engine/shared/shared_colour_data.h"

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

namespace qm::image {
class TPixelGraphic;
}

namespace qm::fractal {

// Pictures up to this many pixels keep their kernel results: I in 4 bytes a pixel, and where
// the render's formulas read them A, B and Z as doubles (24 bytes more, so formulas see the very
// values a render gives them). 1920 x 1080 takes 8 MB, or 58 MB with A, B and Z.
inline constexpr std::int64_t kMaxKeptPixels = std::int64_t{2560} * 1600;

// The kernel results of one render. The render's workers store rows, each row from one worker;
// everything else happens on the owner's thread while no render writes.
class KernelResults {
public:
    // Sizes the store for a render with these settings and forgets what it held; false (nothing
    // will be kept) above kMaxKeptPixels or when the memory is not there.
    bool prepare(const RenderSettings& settings);
    // Forgets the results (the picture no longer shows them: stopped render, filter, resize).
    void clear();

    void storeRow(int row, const KernelRow& kernel);
    // Points the row's A, B and Z variables at the kept values; I goes through `scratch` (kept
    // as integers, read as doubles).
    void loadRow(int row, KernelRow& scratch, FormulaRow& vars) const;

    // Every row of the last prepared render is stored.
    bool complete() const;
    // A recolour with the colouring of `colours` gives what a render would: complete, and A, B
    // and Z kept or not read by the new formulas.
    bool canRecolour(const FractalParams& colours) const;
    // The iteration counts, row-major.
    const std::int32_t* iterations() const { return i_.data(); }
    // The smallest and largest iteration count kept (complete() must hold).
    std::pair<std::int32_t, std::int32_t> iterationRange() const;
    // Makes this a one-row store of `count` pixels with the iteration counts first,
    // first + 1, ... (no A, B, Z) under the given render parameters: colouring it gives the
    // colour of each count, which is every pixel's colour when the formulas read only I.
    void makeIterationTable(const FractalParams& params, std::int32_t first, int count);

    // The parameters of the kept render (formulas through fixformulas) and its picture size.
    const FractalParams& params() const { return params_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    FractalParams params_;
    int width_ = 0;
    int height_ = 0;
    bool orbits_ = false; // A, B and Z kept (the render's formulas read them)
    std::atomic<int> rowsStored_{0};
    std::vector<double> a_, b_, z_;
    std::vector<std::int32_t> i_;
};

// The kept render's parameters with the colouring of `colours`: the four formulas (through
// fixformulas), the colour model and Repeat Palette. View, type, Max, Bailout, Order, Julia and
// the other kernel settings stay those of the render.
FractalParams recolourParams(const FractalParams& rendered, const FractalParams& colours);

// Whether two parameter sets give the same kernel results (view, size, type, Max, Bailout,
// Order, Julia, inside-out, flips, mirror, orientation).
bool sameKernelSettings(const FractalParams& a, const FractalParams& b);

struct RecolourOptions {
    int threads = 0; // 0: one per core
    // Drawn from as a render job draws its workers' seeds: with one thread and the same seed a
    // recolour matches the render also in "?" and the random functions.
    std::uint32_t randomSeed = 0;
};

// Colours every pixel from `results` (canRecolour(colours) must hold) into pixels, row-major,
// results' width x height. The gradient and plasma are taken once, at the start. Formula
// compile errors are thrown before any pixel changes.
void recolour(const KernelResults& results, const FractalParams& colours,
              const SharedColourData& shared, const FormulaCompiler& compiler,
              std::vector<ColourValue>& pixels, const RecolourOptions& options = {});

// The same into a 24-bit picture of results' size (resized when it differs); the caller repaints.
void recolourPicture(const KernelResults& results, const FractalParams& colours,
                     const SharedColourData& shared, const FormulaCompiler& compiler,
                     image::TPixelGraphic& picture, const RecolourOptions& options = {});

} // namespace qm::fractal
