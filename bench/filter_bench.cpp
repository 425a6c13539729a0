// Speed of the picture filters on a 1920 x 1080 picture in Mpixel/s: a point filter, Smooth,
// Blur (radius 2.5) and Contours, on one thread and on all cores.
//
// `filter_bench --write-picture=FILE` saves the benchmark picture and `--kernel=NAME` prints
// the kernel of smooth, blur or contours in ImageMagick's "WxH:k,k,..." form, so that
// scripts/compare-peers.sh can time ImageMagick on the same picture with the same kernel.
#include "engine/image/filters/apply_filter.h"
#include "engine/image/filters/colour_filters.h"
#include "engine/image/filters/conv_filter.h"
#include "engine/image/pixel_graphic.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace qm;
using namespace qm::image;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Smooth colour ramps with noise, so colour models see every hue and level.
const TPixelGraphic& benchPicture() {
    static const TPixelGraphic picture = [] {
        TPixelGraphic p;
        p.SetSize(kWidth, kHeight, PixelFormat::Bits24);
        std::mt19937 rng(1);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const int noise = static_cast<int>(rng() % 32);
                p.SetPixel(x, y,
                           makeColour(static_cast<std::uint8_t>((x / 8 + noise) & 0xFF),
                                      static_cast<std::uint8_t>((y / 5 + noise) & 0xFF),
                                      static_cast<std::uint8_t>(((x + y) / 12) & 0xFF)));
            }
        return p;
    }();
    return picture;
}

// The kernels as the dialogs build them from the main window's initial settings (Smooth also
// with its dialog default, the widest kernel of the five).
TConvFilter convFilter(const std::string& name) {
    TConvFilter f;
    if (name == "smooth")
        setSmoothKernel(f, 0.4, 10);
    else if (name == "smooth-wide")
        setSmoothKernel(f, 1.3, 100);
    else if (name == "blur")
        setBlurKernel(f, 2.5, 100);
    else if (name == "contours")
        setContourKernel(f, 1.0, 100, false);
    return f;
}

void run(benchmark::State& state, TPGFilter& filter) {
    const TPixelGraphic& source = benchPicture();
    TPixelGraphic destination;
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        applyFilter(destination, filter, source, threads);
        benchmark::DoNotOptimize(destination.scanLine(0));
    }
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(kWidth) * kHeight * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

void BM_PointRgb(benchmark::State& state) {
    TRGBFilter f;
    f.T0 = shiftTable(10);
    run(state, f);
}

void BM_PointHls(benchmark::State& state) {
    THLSFilter f;
    f.T0 = hueTable(30);
    f.T2 = shiftTable(-10);
    run(state, f);
}

void BM_Conv(benchmark::State& state, const char* name) {
    TConvFilter f = convFilter(name);
    run(state, f);
}

// Argument: threads (0 = one per core).
BENCHMARK(BM_PointRgb)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointHls)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Conv, Smooth, "smooth")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Conv, SmoothWide, "smooth-wide")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Conv, Blur, "blur")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Conv, Contours, "contours")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

std::string imageMagickKernel(const TConvFilter& f) {
    std::string text = std::to_string(f.Width()) + "x" + std::to_string(f.Height()) + ":";
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x)
            text += (x + y > 0 ? "," : "") + std::to_string(f.Kernel(x, y));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--write-picture=", 16) == 0) {
            benchPicture().saveToFile(argv[i] + 16);
            return 0;
        }
        if (std::strncmp(argv[i], "--kernel=", 9) == 0) {
            std::cout << imageMagickKernel(convFilter(argv[i] + 9)) << "\n";
            return 0;
        }
        rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
