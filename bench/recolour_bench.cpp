// Recolouring against rendering: the default view at 1920 x 1080, Max 256, on all cores. For
// each colour change the benchmark times the recolour from the kept kernel results and the
// render it replaces (the same picture rendered anew, keeping its results as the document
// window does), and a render keeping nothing, which shows what keeping costs. Prints the
// medians in milliseconds and each recolour / render ratio.
#include "engine/fractal/recolour.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/shared/shared_colour_data.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace qm;
using namespace qm::fractal;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::map<std::string, double>& medians() {
    static std::map<std::string, double> m;
    return m;
}

// A colour change: the formula of the picture before it, and the colouring after it.
struct Change {
    const char* name;
    const char* before;
    FractalParams after;
};

FractalParams palette(const char* formula, bool repeat) {
    FractalParams p;
    p.edit971 = formula;
    p.repeatPalette = repeat;
    return p;
}

FractalParams channels(const char* r, const char* g, const char* b) {
    FractalParams p;
    p.model = ColourModel::RgbMode;
    p.redit = r;
    p.gedit = g;
    p.bedit = b;
    return p;
}

const Change kChanges[] = {
    // A formula of I alone: one colour per iteration count (also what a gradient change costs).
    {"palette i*3", "i*2", palette("i*3", true)},
    // A, B and Z kept by the render before: every pixel's formula evaluated.
    {"palette orbit", "z*0+i*2", palette("i*2+a*40+z*3", false)},
    {"rgb", "i*2", channels("i*2", "i*5", "t/3000")},
};

struct Setup {
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{4};
    std::unique_ptr<FormulaCompiler> language = makeRenderLanguage();
    KernelResults kept;

    Setup() {
        GradientTableData t{};
        for (int k = 0; k < 257; ++k)
            t[static_cast<std::size_t>(k)] = makeColour(static_cast<std::uint8_t>(k & 255), 9, 0);
        shared.setGradientTable(t);
    }
    void render(FractalParams p, bool keep) {
        p.Width = kWidth;
        p.Height = kHeight;
        p.Max = 256;
        RenderOptions options;
        if (keep) options.keepResults = &kept;
        RenderJob job(p, kWidth, kHeight, shared, bailout, *language, options);
        job.run({});
    }
};

void renderAfter(benchmark::State& state, const Change& change, bool keep) {
    Setup s;
    for (auto _ : state)
        s.render(change.after, keep);
}

void recolourAfter(benchmark::State& state, const Change& change) {
    Setup s;
    s.render(palette(change.before, false), true);
    std::vector<ColourValue> pixels;
    for (auto _ : state) {
        recolour(s.kept, change.after, s.shared, *s.language, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
}

// Collects the medians the library reports.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians()[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
};

} // namespace

int main(int argc, char** argv) {
    for (const Change& c : kChanges) {
        const std::string name = c.name;
        for (const auto& [kind, keep] : {std::pair{"render ", true}, std::pair{"plain ", false}})
            benchmark::RegisterBenchmark(
                (kind + name).c_str(),
                [&c, keep = keep](benchmark::State& s) { renderAfter(s, c, keep); })
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(5)
                ->Iterations(1);
        benchmark::RegisterBenchmark(("recolour " + name).c_str(),
                                     [&c](benchmark::State& s) { recolourAfter(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(9)
            ->Iterations(1);
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto at = [](const std::string& name) {
        const auto it = medians().find(name);
        return it == medians().end() ? 0.0 : it->second;
    };
    std::printf("\n1920 x 1080, Max 256, median ms (target: recolour <= 100 ms and <= 1/5 of "
                "the render it replaces)\n");
    for (const Change& c : kChanges) {
        const std::string name = c.name;
        const double render = at("render " + name), recoloured = at("recolour " + name);
        if (render > 0)
            std::printf("  %-14s recolour %6.1f  render %6.1f (keeping nothing %6.1f)  "
                        "ratio %.3f\n",
                        c.name, recoloured, render, at("plain " + name), recoloured / render);
    }
    return 0;
}
