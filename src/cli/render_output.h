// Rendering one picture into a file for `render` and `animate`: streamed for PNG and PPM (any
// size up to 65535 a side, bands, bounded memory), in memory for the other formats.
#pragma once

#include "engine/fractal/bands.h"
#include "engine/fractal/colour_formula.h"
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/fractal_params.h"
#include "engine/params/fractal_document.h"
#include "engine/shared/shared_colour_data.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace qm::gradient {
class GradientModel;
}

namespace qm::cli {

struct RenderTarget {
    std::filesystem::path path;
    int threads = 0; // 0: one per core
    int supersample = 1;
    std::optional<fractal::Band> band; // only this band, as a part file (PNG or PPM)
    std::uint32_t randomSeed = 0;
    // The parameter file text that PNG output carries (empty: none).
    std::string parameters;
    // Identifies the render in a band part's note (see renderIdentity).
    std::string identity;
    // Called on this thread with the number of rows written so far.
    std::function<void(int rowsDone)> onRows;
    // The deep path's preparation stage, polled while no row finishes.
    std::function<void(const std::string& stage)> onStage;
};

struct RenderOutcome {
    double seconds = 0.0;
    int threads = 0;
    int rows = 0;                                 // rows rendered (the band's rows for a part)
    std::optional<fractal::deep::DeepStats> deep; // when the deep path rendered
};

// Renders params at their Width x Height into target.path. The file is written atomically:
// on any failure, and after Ctrl+C (Interrupted), no file is left behind.
RenderOutcome renderToFile(const fractal::FractalParams& params, const SharedColourData& shared,
                           const std::atomic<std::int32_t>& bailout,
                           const fractal::FormulaCompiler& compiler, const RenderTarget& target);

// The parameter file that a picture rendered with `params` carries: `doc` (the document the
// parameters came from, or a new one) takes them, and is written as "Save Parameters" would.
std::string parameterText(params::FractalDocument& doc, const fractal::FractalParams& params,
                          const gradient::GradientModel& gradient);

// Every parameter that changes the pixels, as text; its digest tells band parts of different
// renders apart.
std::string renderIdentity(const fractal::FractalParams& params, const GradientTableData& gradient,
                           int supersample, std::optional<std::uint32_t> plasmaSeed);

// "K/N" for a picture `height` rows high; usage errors for N < 1, K outside 0..N-1 or more
// bands than rows.
fractal::Band parseBand(const std::string& text, int height);
// "WxH" (--size) with both sides positive.
std::pair<int, int> parseSize(const std::string& text);
// 1 to 8.
int parseSupersample(const std::string& text);

} // namespace qm::cli
