// Keeping kernel results and colouring from them: the row renderers of a render, fed the kept
// rows instead of running the kernel, so every formula variable is what the render gives it.
#include "engine/fractal/recolour.h"

#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace qm::fractal {

bool KernelResults::prepare(const RenderSettings& settings) {
    const std::int64_t pixels = std::int64_t{settings.width} * settings.height;
    if (pixels <= 0 || pixels > kMaxKeptPixels) {
        clear();
        return false;
    }
    // The arrays of the last render are reused: the render overwrites every entry. A, B and Z
    // are kept only when the formulas read them (the Mandelbrot interior is not even iterated
    // otherwise): keeping them costs a render about as much time as it takes.
    rowsStored_.store(0, std::memory_order_relaxed);
    const bool orbits = !settings.skipInterior;
    try {
        const auto n = static_cast<std::size_t>(pixels);
        for (std::vector<double>* v : {&a_, &b_, &z_}) {
            if (orbits)
                v->resize(n);
            else
                *v = {};
        }
        i_.resize(n);
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
    params_ = settings.params;
    width_ = settings.width;
    height_ = settings.height;
    orbits_ = orbits;
    return true;
}

void KernelResults::clear() {
    rowsStored_.store(0, std::memory_order_relaxed);
    width_ = height_ = 0;
    a_ = {};
    b_ = {};
    z_ = {};
    i_ = {};
}

void KernelResults::storeRow(int row, const KernelRow& kernel) {
    const auto w = static_cast<std::size_t>(width_);
    const std::size_t first = static_cast<std::size_t>(row) * w;
    if (orbits_) {
        std::copy_n(kernel.A.begin(), w, a_.begin() + static_cast<std::ptrdiff_t>(first));
        std::copy_n(kernel.B.begin(), w, b_.begin() + static_cast<std::ptrdiff_t>(first));
        std::copy_n(kernel.Z.begin(), w, z_.begin() + static_cast<std::ptrdiff_t>(first));
    }
    // Iteration counts are integers (at most Max + 1) however the kernels carry them.
    for (std::size_t k = 0; k < w; ++k)
        i_[first + k] = static_cast<std::int32_t>(kernel.I[k]);
    rowsStored_.fetch_add(1, std::memory_order_relaxed);
}

void KernelResults::loadRow(int row, KernelRow& scratch, FormulaRow& vars) const {
    const auto w = static_cast<std::size_t>(width_);
    const std::size_t first = static_cast<std::size_t>(row) * w;
    scratch.I.resize(w);
    for (std::size_t k = 0; k < w; ++k)
        scratch.I[k] = i_[first + k];
    vars.I = scratch.I.data();
    if (!orbits_) return; // the formulas read neither A, B nor Z (canRecolour)
    vars.A = a_.data() + first;
    vars.B = b_.data() + first;
    vars.Z = z_.data() + first;
}

bool KernelResults::complete() const {
    return height_ > 0 && rowsStored_.load(std::memory_order_relaxed) == height_;
}

std::pair<std::int32_t, std::int32_t> KernelResults::iterationRange() const {
    const auto [lo, hi] = std::minmax_element(i_.begin(), i_.end());
    return lo == i_.end() ? std::pair<std::int32_t, std::int32_t>{0, 0}
                          : std::pair<std::int32_t, std::int32_t>{*lo, *hi};
}

void KernelResults::makeIterationTable(const FractalParams& params, std::int32_t first, int count) {
    params_ = params;
    width_ = count;
    height_ = 1;
    orbits_ = false;
    a_ = {};
    b_ = {};
    z_ = {};
    i_.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        i_[static_cast<std::size_t>(k)] = first + k;
    rowsStored_.store(1, std::memory_order_relaxed);
}

bool KernelResults::canRecolour(const FractalParams& colours) const {
    if (!complete()) return false;
    if (orbits_) return true;
    return RenderSettings::make(recolourParams(params_, colours), width_, height_).skipInterior;
}

FractalParams recolourParams(const FractalParams& rendered, const FractalParams& colours) {
    FractalParams p = rendered;
    p.edit971 = colours.edit971;
    p.redit = colours.redit;
    p.gedit = colours.gedit;
    p.bedit = colours.bedit;
    p.model = colours.model;
    p.repeatPalette = colours.repeatPalette;
    fixformulas(p);
    return p;
}

bool sameKernelSettings(const FractalParams& a, const FractalParams& b) {
    return a.UpperX == b.UpperX && a.LowerX == b.LowerX && a.UpperY == b.UpperY &&
           a.LowerY == b.LowerY && a.Width == b.Width && a.Height == b.Height && a.type == b.type &&
           a.Max == b.Max && a.Bailout == b.Bailout && a.Order == b.Order && a.julia == b.julia &&
           a.JuliaX == b.JuliaX && a.JuliaY == b.JuliaY && a.deepJulia == b.deepJulia &&
           a.insideOut == b.insideOut && a.flipX == b.flipX && a.flipY == b.flipY &&
           a.mirror == b.mirror && a.Orientation.re == b.Orientation.re &&
           a.Orientation.im == b.Orientation.im;
}

namespace {

using RowSink = std::function<void(int row, const ColourValue* pixels)>;

// Counts that one table may cover; beyond, the pixels are coloured one by one.
constexpr std::int64_t kMaxTableEntries = 1 << 20;

// Every letter of the formulas is I (and neither "?" nor "!" occurs): the colour is a function
// of the iteration count alone. Function names have other letters, so they never pass.
bool readsOnlyIterations(const FractalParams& p) {
    const bool palette = p.model == ColourModel::FixedPalette;
    const std::string text = palette ? p.edit971 : p.redit + p.gedit + p.bedit;
    return std::none_of(text.begin(), text.end(), [](char c) {
        return c == '?' || c == '!' ||
               (std::isalpha(static_cast<unsigned char>(c)) && c != 'i' && c != 'I');
    });
}

// Runs rowWork(row, worker) for every row on `threads` threads (the caller's among them), rows
// handed out in order from a counter; the first failure is rethrown.
void forEachRow(int rows, int threads, const std::function<void(int, int)>& rowWork) {
    std::atomic<int> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    const auto work = [&](int worker) {
        try {
            for (int y = next.fetch_add(1); y < rows; y = next.fetch_add(1))
                rowWork(y, worker);
        } catch (...) {
            next.store(rows);
            const std::lock_guard lock(failureMutex);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(work, t);
    work(0);
    for (auto& w : workers)
        w.join();
    if (failure) std::rethrow_exception(failure);
}

// Rows are handed out from a counter as a render job does, so one thread takes them in order.
void recolourRows(const KernelResults& results, const FractalParams& colours,
                  const SharedColourData& shared, const FormulaCompiler& compiler,
                  const RecolourOptions& options, const RowSink& sink) {
    RenderSettings settings = RenderSettings::make(recolourParams(results.params(), colours),
                                                   results.width(), results.height());
    settings.recolourFrom = &results;
    const int rows = settings.height;
    int threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, rows));
    RandomGenerator seeds(options.randomSeed);
    const auto gradient = shared.gradientTable();
    const auto plasma = settings.needPlasma ? shared.plasmaBuffer() : nullptr;
    const std::atomic<std::int32_t> bailout{settings.params.Bailout}; // no kernel runs

    if (readsOnlyIterations(settings.params)) {
        // One colour per iteration count, then a look-up per pixel: the same colours as
        // evaluating each pixel, at the cost of a copy.
        const std::pair<std::int32_t, std::int32_t> range = results.iterationRange();
        const std::int32_t first = range.first, last = range.second;
        const std::int64_t count = std::int64_t{last} - first + 1;
        if (count <= kMaxTableEntries) {
            KernelResults table;
            table.makeIterationTable(settings.params, first, static_cast<int>(count));
            RenderSettings tableSettings =
                RenderSettings::make(settings.params, static_cast<int>(count), 1);
            tableSettings.recolourFrom = &table;
            std::vector<ColourValue> colourOf(static_cast<std::size_t>(count));
            RowRenderer(tableSettings, compiler, seeds.step())
                .render(0, *gradient, plasma.get(), bailout, colourOf.data());
            const auto w = static_cast<std::size_t>(settings.width);
            const std::int32_t* counts = results.iterations();
            std::vector<std::vector<ColourValue>> pixels(static_cast<std::size_t>(threads),
                                                         std::vector<ColourValue>(w));
            forEachRow(rows, threads, [&](int y, int worker) {
                ColourValue* out = pixels[static_cast<std::size_t>(worker)].data();
                const std::int32_t* row = counts + static_cast<std::size_t>(y) * w;
                for (std::size_t k = 0; k < w; ++k)
                    out[k] = colourOf[static_cast<std::size_t>(row[k] - first)];
                sink(y, out);
            });
            return;
        }
    }

    std::vector<std::unique_ptr<RowRenderer>> renderers;
    for (int t = 0; t < threads; ++t)
        renderers.push_back(std::make_unique<RowRenderer>(settings, compiler, seeds.step()));
    std::vector<std::vector<ColourValue>> pixels(
        static_cast<std::size_t>(threads),
        std::vector<ColourValue>(static_cast<std::size_t>(settings.width)));
    forEachRow(rows, threads, [&](int y, int worker) {
        const auto t = static_cast<std::size_t>(worker);
        renderers[t]->render(y, *gradient, plasma.get(), bailout, pixels[t].data());
        sink(y, pixels[t].data());
    });
}

} // namespace

void recolour(const KernelResults& results, const FractalParams& colours,
              const SharedColourData& shared, const FormulaCompiler& compiler,
              std::vector<ColourValue>& pixels, const RecolourOptions& options) {
    const auto w = static_cast<std::size_t>(results.width());
    pixels.resize(w * static_cast<std::size_t>(results.height()));
    recolourRows(
        results, colours, shared, compiler, options, [&](int row, const ColourValue* rowPixels) {
            std::copy_n(rowPixels, w, pixels.begin() + static_cast<std::ptrdiff_t>(row * w));
        });
}

void recolourPicture(const KernelResults& results, const FractalParams& colours,
                     const SharedColourData& shared, const FormulaCompiler& compiler,
                     image::TPixelGraphic& picture, const RecolourOptions& options) {
    const int w = results.width(), h = results.height();
    if (picture.width() != w || picture.height() != h ||
        picture.pixelFormat() != image::PixelFormat::Bits24) {
        // Coloured first, so a compile error leaves the picture as it was.
        std::vector<ColourValue> pixels;
        recolour(results, colours, shared, compiler, pixels, options);
        picture.SetSize(w, h, image::PixelFormat::Bits24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.SetPixel(x, y, pixels[static_cast<std::size_t>(y) * w + x]);
        return;
    }
    // Workers write disjoint rows of the picture.
    recolourRows(results, colours, shared, compiler, options,
                 [&](int row, const ColourValue* rowPixels) {
                     std::uint8_t* line = picture.scanLine(row);
                     for (int x = 0; x < w; ++x) {
                         *line++ = redOf(rowPixels[x]);
                         *line++ = greenOf(rowPixels[x]);
                         *line++ = blueOf(rowPixels[x]);
                     }
                 });
}

} // namespace qm::fractal
