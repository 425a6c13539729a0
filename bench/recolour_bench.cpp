// Recolouring against rendering: the default view at 1920 x 1080, Max 256, on all cores. The
// render keeps its kernel results (as the document window's renders do); each recolour colours
// the whole picture again with another formula, colour model or gradient. Prints the medians in
// milliseconds and the recolour / render ratios; a render keeping nothing shows what keeping costs.
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

struct Setup {
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{4};
    std::unique_ptr<FormulaCompiler> language = makeRenderLanguage();
    FractalParams params;
    KernelResults kept;

    Setup() {
        GradientTableData t{};
        for (int k = 0; k < 257; ++k)
            t[static_cast<std::size_t>(k)] = makeColour(static_cast<std::uint8_t>(k & 255), 9, 0);
        shared.setGradientTable(t);
        params.Width = kWidth;
        params.Height = kHeight;
        params.Max = 256;
    }
    void render(const std::string& formula, bool keep = true) {
        params.edit971 = formula;
        RenderOptions options;
        if (keep) options.keepResults = &kept;
        RenderJob job(params, kWidth, kHeight, shared, bailout, *language, options);
        job.run({});
    }
};

void renderKeeping(benchmark::State& state) {
    Setup s;
    for (auto _ : state)
        s.render("i*2");
    if (!s.kept.complete()) state.SkipWithError("nothing kept");
}

// The same render keeping nothing: what keeping costs.
void renderPlain(benchmark::State& state) {
    Setup s;
    for (auto _ : state)
        s.render("i*2", false);
}

// A formula reading Z: the Mandelbrot interior is iterated, not skipped.
void renderKeepingOrbit(benchmark::State& state) {
    Setup s;
    for (auto _ : state)
        s.render("z*0+i*2");
}

// One render per kind of kept results, shared by the repetitions.
Setup& rendered(bool orbits) {
    static Setup withOrbits, plain;
    Setup& s = orbits ? withOrbits : plain;
    if (!s.kept.complete()) s.render(orbits ? "z*0+i*2" : "i*2");
    return s;
}

void recolourWith(benchmark::State& state, const FractalParams& colours, bool orbits) {
    Setup& s = rendered(orbits);
    std::vector<ColourValue> pixels;
    for (auto _ : state) {
        recolour(s.kept, colours, s.shared, *s.language, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void recolourPalette(benchmark::State& state) {
    FractalParams c;
    c.edit971 = "i*3";
    c.repeatPalette = true;
    recolourWith(state, c, false);
}

void recolourOrbit(benchmark::State& state) {
    FractalParams c;
    c.edit971 = "i*2+a*40+z*3";
    recolourWith(state, c, true);
}

void recolourRgb(benchmark::State& state) {
    FractalParams c;
    c.model = ColourModel::RgbMode;
    c.redit = "i*2";
    c.gedit = "i*5";
    c.bedit = "t/3000";
    recolourWith(state, c, false);
}

} // namespace

BENCHMARK(renderKeeping)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
BENCHMARK(renderPlain)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
BENCHMARK(renderKeepingOrbit)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
BENCHMARK(recolourPalette)->Unit(benchmark::kMillisecond)->Repetitions(9)->Iterations(1);
BENCHMARK(recolourOrbit)->Unit(benchmark::kMillisecond)->Repetitions(9)->Iterations(1);
BENCHMARK(recolourRgb)->Unit(benchmark::kMillisecond)->Repetitions(9)->Iterations(1);

namespace {

// Collects the medians the library reports, then prints the ratios.
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
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto& m = medians();
    const auto at = [&](const char* name) {
        const auto it = m.find(name);
        return it == m.end() ? 0.0 : it->second;
    };
    std::printf("\n1920 x 1080, Max 256, median ms (target: recolour <= 100 ms and <= 1/5 of "
                "the render)\n  render \"i*2\" keeping results %.1f, keeping none %.1f; render "
                "\"z*0+i*2\" keeping results %.1f\n",
                at("renderKeeping"), at("renderPlain"), at("renderKeepingOrbit"));
    const struct {
        const char* name;
        const char* render;
    } rows[] = {{"recolourPalette", "renderKeeping"},
                {"recolourRgb", "renderKeeping"},
                {"recolourOrbit", "renderKeepingOrbit"}};
    for (const auto& r : rows)
        if (at(r.render) > 0)
            std::printf("  %-16s %.1f  (%.3f of its render)\n", r.name, at(r.name),
                        at(r.name) / at(r.render));
    return 0;
}
