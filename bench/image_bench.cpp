// Picture benchmarks: pixel writes, stretching, colour-resolution conversion and the codecs on a
// 640 x 480 picture. libpng's and libjpeg's plain in-memory decoding run beside our readers as
// peers, so the cost of our checks and copying shows as a ratio.
#include "engine/image/colour_resolution.h"
#include "engine/image/picture_files.h"
#include "engine/image/pixel_graphic.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
#include <sstream>

namespace {

using qm::image::PixelFormat;
using qm::image::TPixelGraphic;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A fractal-like picture: smooth bands with sharp edges.
const TPixelGraphic& samplePicture() {
    static const TPixelGraphic picture = [] {
        TPixelGraphic p(kWidth, kHeight, PixelFormat::Bits24);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double d = std::hypot(x - 320.0, y - 240.0);
                const auto band = static_cast<int>(d / 7.0 + std::sin(x * 0.05) * 3.0);
                p.SetPixel(x, y,
                           qm::makeColour(static_cast<std::uint8_t>(band * 37),
                                          static_cast<std::uint8_t>(band * 11),
                                          static_cast<std::uint8_t>(255 - band * 5)));
            }
        return p;
    }();
    return picture;
}

std::string encoded(const char* extension) {
    std::ostringstream out;
    TPixelGraphic p = samplePicture();
    p.SaveColorResWarningAction = qm::image::pgwaIgnore;
    p.saveToStream(out, extension);
    return out.str();
}

void BM_SetPixel24(benchmark::State& state) {
    TPixelGraphic p(kWidth, kHeight, PixelFormat::Bits24);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                p.SetPixel(x, y, static_cast<qm::ColourValue>(x * y));
        benchmark::DoNotOptimize(p.scanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_SetPixel24);

void BM_StretchDouble(benchmark::State& state) {
    TPixelGraphic target(2 * kWidth, 2 * kHeight, PixelFormat::Bits24);
    for (auto _ : state) {
        target.StretchFrom(samplePicture());
        benchmark::DoNotOptimize(target.scanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * 4 * kWidth * kHeight);
}
BENCHMARK(BM_StretchDouble);

void BM_ConvertTo(benchmark::State& state) {
    const auto target = static_cast<qm::image::ColourResolution>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(qm::image::convertToResolution(samplePicture(), target));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ConvertTo)->Arg(0)->Arg(5)->Arg(6)->ArgName("resolution");

void BM_Save(benchmark::State& state, const char* extension) {
    for (auto _ : state)
        benchmark::DoNotOptimize(encoded(extension));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK_CAPTURE(BM_Save, bmp, "bmp");
BENCHMARK_CAPTURE(BM_Save, png, "png");
BENCHMARK_CAPTURE(BM_Save, jpg, "jpg");
BENCHMARK_CAPTURE(BM_Save, ppm, "ppm");

void BM_Load(benchmark::State& state, const char* extension) {
    const std::string bytes = encoded(extension);
    for (auto _ : state) {
        std::istringstream in(bytes);
        TPixelGraphic p;
        p.loadFromStream(in, extension);
        benchmark::DoNotOptimize(p.scanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK_CAPTURE(BM_Load, bmp, "bmp");
BENCHMARK_CAPTURE(BM_Load, png, "png");
BENCHMARK_CAPTURE(BM_Load, jpg, "jpg");
BENCHMARK_CAPTURE(BM_Load, ppm, "ppm");

// Peer: libpng's simplified API decoding the same file from memory into RGB.
void BM_PeerLibpngLoad(benchmark::State& state) {
    const std::string bytes = encoded("png");
    std::vector<png_byte> buffer;
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
        image.format = PNG_FORMAT_RGB;
        buffer.resize(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_PeerLibpngLoad);

// Peer: libjpeg decoding the same file with its own memory source.
void BM_PeerLibjpegLoad(benchmark::State& state) {
    const std::string bytes = encoded("jpg");
    std::vector<unsigned char> buffer(static_cast<size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr err;
        info.err = jpeg_std_error(&err);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = buffer.data() + static_cast<size_t>(info.output_scanline) * kWidth * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_PeerLibjpegLoad);

} // namespace

BENCHMARK_MAIN();
