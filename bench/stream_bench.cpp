// Streamed renders: the whole streamed PNG (render, parallel compression, file) against the
// render alone on the same threads, and --supersample 3 against rendering three times larger.
// The poster side is QM_STREAM_SIDE (default 20000, the 20000 x 20000 poster); the
// supersampling comparison uses a picture a tenth of that side. Prints the ratios.
#include "engine/core/atomic_file.h"
#include "engine/core/shared_colour_data.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/image/stream_writers.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace qm;
using namespace qm::fractal;

int side() {
    const char* s = std::getenv("QM_STREAM_SIDE");
    return s ? std::max(16, std::atoi(s)) : 20000;
}

int threads() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// CPU seconds of the whole process (all threads): less disturbed by a busy machine than wall
// time, and it shows the work the compression adds.
double processCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Setup {
    SharedColourData shared;
    std::atomic<std::int32_t> bailout{4};
    std::unique_ptr<FormulaCompiler> compiler = makeRenderLanguage();
    FractalParams params; // default view, "i*2"
    Setup(int w, int h) {
        params.Max = 256;
        params.Width = w;
        params.Height = h;
    }
};

void record(benchmark::State& state, double cpu) {
    state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(state.range(0)) * static_cast<double>(state.range(1)) *
            static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

// The render alone: ordered rows, dropped.
void renderOnly(benchmark::State& state, int supersample) {
    Setup s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const double cpu = processCpu();
    for (auto _ : state) {
        RenderJob job(s.params, s.params.Width, s.params.Height, s.shared, s.bailout, *s.compiler,
                      {threads(), 1, supersample, 0, -1, true});
        job.run([](const RenderRow& row) { benchmark::DoNotOptimize(row.pixels.data()); });
    }
    record(state, processCpu() - cpu);
}

// What `render -o poster.png` does after parsing: render, compress, write the file.
void streamedPng(benchmark::State& state) {
    Setup s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const auto file = std::filesystem::temp_directory_path() / "qm_stream_bench.png";
    const double cpu = processCpu();
    for (auto _ : state) {
        RenderJob job(s.params, s.params.Width, s.params.Height, s.shared, s.bailout, *s.compiler,
                      {threads(), 1, 1, 0, -1, true});
        writeFileAtomically(file, [&](std::ostream& out) {
            const auto sink =
                image::makeRowSink("png", out, s.params.Width, s.params.Height, {}, {threads()});
            job.run([&](const RenderRow& row) { sink->writePixels(row.pixels.data()); });
            sink->finish();
        });
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    std::filesystem::remove(file);
    record(state, processCpu() - cpu);
}

void posterRenderOnly(benchmark::State& state) {
    renderOnly(state, 1);
}
void supersample3(benchmark::State& state) {
    renderOnly(state, 3);
}
void threeTimesLarger(benchmark::State& state) {
    renderOnly(state, 1);
}

void registerAll() {
    const int n = side(), small = std::max(16, n / 10);
    for (auto* b : {benchmark::RegisterBenchmark("posterRenderOnly", posterRenderOnly),
                    benchmark::RegisterBenchmark("streamedPng", streamedPng)})
        b->Args({n, n})
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("supersample3", supersample3)
        ->Args({small, small})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("threeTimesLarger", threeTimesLarger)
        ->Args({3 * small, 3 * small})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
}

// Keeps the median of each benchmark's repetitions (the per-run seconds it recorded are the
// last run's; the reporter's median is the figure).
class MedianCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                medians()[r.run_name.function_name] = r.GetAdjustedRealTime();
                if (const auto it = r.counters.find("cpu_s"); it != r.counters.end())
                    medians()[r.run_name.function_name + ".cpu"] = it->second.value;
            }
        ConsoleReporter::ReportRuns(runs);
    }
    static std::map<std::string, double>& medians() {
        static std::map<std::string, double> m;
        return m;
    }
};

} // namespace

int main(int argc, char** argv) {
    // The repetitions of the benchmarks run interleaved, so a change in the machine's load
    // reaches both sides of each ratio alike.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    registerAll();
    MedianCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& m = MedianCollector::medians();
    const int n = side(), small = std::max(16, n / 10);
    std::printf("\nmedians of 3, %d threads, mandel default view, Max 256, \"i*2\"\n", threads());
    if (m["posterRenderOnly"] > 0)
        std::printf("streamed PNG %dx%d: %.2f s, render alone %.2f s: %.2fx (target <= 1.3x); "
                    "process CPU %.2f s vs %.2f s: %.2fx\n",
                    n, n, m["streamedPng"], m["posterRenderOnly"],
                    m["streamedPng"] / m["posterRenderOnly"], m["streamedPng.cpu"],
                    m["posterRenderOnly.cpu"], m["streamedPng.cpu"] / m["posterRenderOnly.cpu"]);
    if (m["threeTimesLarger"] > 0)
        std::printf("--supersample 3 at %dx%d: %.1f ms, render at %dx%d: %.1f ms: %.2fx (target "
                    "within 10%%); process CPU %.2f s vs %.2f s: %.2fx\n",
                    small, small, m["supersample3"], 3 * small, 3 * small, m["threeTimesLarger"],
                    m["supersample3"] / m["threeTimesLarger"], m["supersample3.cpu"],
                    m["threeTimesLarger.cpu"], m["supersample3.cpu"] / m["threeTimesLarger.cpu"]);
    benchmark::Shutdown();
    return 0;
}
