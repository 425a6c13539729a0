// Speed of computing GradientTable from the stop fields and of generating the plasma.
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_model.h"
#include "engine/plasma/plasma_generator.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

// `render` alone: 257 entries from the fifteen fields, published as a new snapshot.
void BM_GradientRender(benchmark::State& state) {
    qm::SharedColourData data;
    qm::gradient::GradientModel model(data);
    model.defaultgrad(qm::gradient::kStandardStopString);
    for (auto _ : state) {
        model.render();
        benchmark::DoNotOptimize(data.gradientTable());
    }
}
BENCHMARK(BM_GradientRender);

// A preset applied as a whole: fifteen tokens parsed, fields set, one render.
void BM_GradientDefaultgrad(benchmark::State& state) {
    qm::SharedColourData data;
    qm::gradient::GradientModel model(data);
    bool flip = false;
    for (auto _ : state) {
        model.defaultgrad(flip ? qm::gradient::kStandardStopString
                               : qm::gradient::kBuiltInPresets[2].stopString);
        flip = !flip;
    }
}
BENCHMARK(BM_GradientDefaultgrad);

// The generator on a cleared buffer, as the plasma editor's "Render" runs it.
void BM_PlasmaGenerate(benchmark::State& state) {
    auto plasma = std::make_unique<qm::PlasmaData>();
    qm::RandomGenerator random(12345);
    for (auto _ : state) {
        qm::plasma::clearPlasma(*plasma);
        qm::plasma::PlasmaGenerator(*plasma, random, 2.0, 0.5).generate();
        benchmark::DoNotOptimize(plasma->cells.data());
    }
}
BENCHMARK(BM_PlasmaGenerate)->Unit(benchmark::kMicrosecond);

// The whole "Render" through the shared data: copy, clear, generate, publish.
void BM_PlasmaRenderShared(benchmark::State& state) {
    qm::SharedColourData data;
    std::uint32_t seed = 1;
    for (auto _ : state)
        qm::plasma::renderPlasma(data, seed++);
}
BENCHMARK(BM_PlasmaRenderShared)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
