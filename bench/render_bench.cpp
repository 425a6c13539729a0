// Render speed of the full engine (kernel, formula "i*2", palette) on the full Mandelbrot view
// at 1920 x 1080, against the floor reference: a plain scalar loop of the same kernel with the
// same palette index, measured in the same run. Prints Mpixel/s and the ratios.
#include "engine/fractal/kernel_batch.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/shared/shared_colour_data.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qm;
using namespace qm::fractal;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kUpperX = -2.5, kLowerX = 1.0, kUpperY = -1.3125, kLowerY = 1.3125;

std::map<std::string, double>& rates() {
    static std::map<std::string, double> r;
    return r;
}

GradientTableData gradient() {
    GradientTableData t{};
    for (int k = 0; k < 257; ++k)
        t[static_cast<std::size_t>(k)] = makeColour(static_cast<std::uint8_t>(k & 255), 0, 0);
    return t;
}

// The floor: the textbook loop, one pixel after the other, same mapping and same index.
void plainScalar(benchmark::State& state) {
    const int max = static_cast<int>(state.range(0));
    const GradientTableData table = gradient();
    std::vector<ColourValue> row(kWidth);
    const double sx = (kLowerX - kUpperX) / kWidth, sy = (kLowerY - kUpperY) / kHeight;
    std::uint64_t iterations = 0;
    for (auto _ : state) {
        for (int y = 1; y <= kHeight; ++y) {
            const double ci = y * sy + kUpperY;
            for (int x = 1; x <= kWidth; ++x) {
                const double cr = x * sx + kUpperX;
                double zr = 0, zi = 0, zr2 = 0, zi2 = 0;
                int i = 0;
                for (;;) {
                    const double t = zr * zi;
                    zr = (zr2 - zi2) + cr;
                    zi = (t + t) + ci;
                    ++i;
                    zr2 = zr * zr;
                    zi2 = zi * zi;
                    if (zr2 + zi2 > 4.0 || i > max) break;
                }
                iterations += static_cast<std::uint64_t>(i);
                row[static_cast<std::size_t>(x - 1)] =
                    table[static_cast<std::size_t>(std::clamp(i * 2, 0, 255))];
            }
            benchmark::DoNotOptimize(row.data());
        }
    }
    const double pixels = static_cast<double>(state.iterations()) * kWidth * kHeight;
    state.counters["Mpixel/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    state.counters["Giter/s"] =
        benchmark::Counter(static_cast<double>(iterations) / 1e9, benchmark::Counter::kIsRate);
}

void engine(benchmark::State& state, int threads, SimdLevel level) {
    const int max = static_cast<int>(state.range(0));
    setActiveSimd(level);
    SharedColourData shared;
    shared.setGradientTable(gradient());
    std::atomic<std::int32_t> bailout{4};
    FractalParams p;
    p.UpperX = kUpperX;
    p.LowerX = kLowerX;
    p.UpperY = kUpperY;
    p.LowerY = kLowerY;
    p.Max = max;
    const auto compiler = makeRenderLanguage();
    for (auto _ : state) {
        RenderJob job(p, kWidth, kHeight, shared, bailout, *compiler, {threads, 1});
        job.run([](const RenderRow& row) { benchmark::DoNotOptimize(row.pixels.data()); });
    }
    setActiveSimd(detectedSimd());
    const double pixels = static_cast<double>(state.iterations()) * kWidth * kHeight;
    state.counters["Mpixel/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}

void engineVector1(benchmark::State& s) {
    engine(s, 1, detectedSimd());
}
void engineAvx2_1(benchmark::State& s) {
    engine(s, 1, SimdLevel::Avx2);
}
void engineVector1Wall(benchmark::State& s) {
    engine(s, 1, detectedSimd());
}
void engineVector2(benchmark::State& s) {
    engine(s, 2, detectedSimd());
}
void engineScalar1(benchmark::State& s) {
    engine(s, 1, SimdLevel::Scalar);
}

// Collects the Mpixel/s of every run for the ratio lines.
class RateCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            // The median of the repetitions (a single run counts as its own median), filed
            // under the name without its "/repeats:N" part.
            const auto it = r.counters.find("Mpixel/s");
            if (it == r.counters.end()) continue;
            std::string name = r.run_name.str();
            if (const auto at = name.find("/repeats:"); at != std::string::npos) {
                const auto end = name.find('/', at + 1);
                name.erase(at, end == std::string::npos ? std::string::npos : end - at);
            }
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                rates()[name] = it->second.value;
            else if (r.run_type == Run::RT_Iteration && !rates().count(name))
                rates()[name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

// One-thread figures count the process's CPU time (workers included), which a busy machine
// disturbs less than wall time; the thread scaling compares wall times.
BENCHMARK(plainScalar)
    ->Arg(256)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(engineVector1)
    ->Arg(256)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(engineAvx2_1)
    ->Arg(256)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(engineScalar1)
    ->Arg(256)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(engineVector1Wall)
    ->Arg(256)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(engineVector2)
    ->Arg(256)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RateCollector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\nmedians of 3; mandel, full view %g..%g x %g..%g, %d x %d, \"i*2\", vector level %s\n",
        kUpperX, kLowerX, kUpperY, kLowerY, kWidth, kHeight, simdName(detectedSimd()));
    for (const char* max : {"256", "1000"}) {
        const std::string cpu = std::string("/") + max + "/process_time";
        const std::string wall = std::string("/") + max + "/real_time";
        const double floor = rates()["plainScalar" + cpu];
        const double v1 = rates()["engineVector1" + cpu];
        const double s1 = rates()["engineScalar1" + cpu];
        const double a1 = rates()["engineAvx2_1" + cpu];
        const double w1 = rates()["engineVector1Wall" + wall];
        const double v2 = rates()["engineVector2" + wall];
        if (floor <= 0) continue;
        std::printf(
            "Max %-4s plain scalar loop %7.2f Mpixel/s | engine 1 thread %7.2f (%.2fx) | AVX2 "
            "only %7.2f (%.2fx) | "
            "engine scalar kernels 1 thread %7.2f (%.2fx) | wall: 1 thread %7.2f, 2 "
            "threads %7.2f (%.2fx)\n",
            max, floor, v1, v1 / floor, a1, a1 / floor, s1, s1 / floor, w1, v2,
            w1 > 0 ? v2 / w1 : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
