// TConvFilter and the kernels of the convolution filters.
#include "engine/image/filters/conv_filter.h"

#include "engine/core/arith.h"
#include "engine/image/filters/filter_errors.h"
#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace qm::image {

TConvFilter::TConvFilter() = default;

void TConvFilter::resize(int width, int height) {
    std::vector<std::int32_t> cells(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int y = 0; y < std::min(height, height_); ++y)
        for (int x = 0; x < std::min(width, width_); ++x)
            cells[static_cast<size_t>(y * width + x)] = cells_[static_cast<size_t>(y * width_ + x)];
    cells_ = std::move(cells);
    width_ = width;
    height_ = height;
}

void TConvFilter::SetWidth(int width) {
    if (width < 1 || width > kMaxSide) throw EPGConvFilter(EPGConvFilter::kWidthMessage);
    resize(width, height_);
}

void TConvFilter::SetHeight(int height) {
    if (height < 1 || height > kMaxSide) throw EPGConvFilter(EPGConvFilter::kHeightMessage);
    resize(width_, height);
}

std::int32_t TConvFilter::Kernel(int x, int y) const {
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        throw EPGConvFilter(EPGConvFilter::kIndexMessage);
    return cells_[static_cast<size_t>(y * width_ + x)];
}

void TConvFilter::SetKernel(int x, int y, std::int32_t value) {
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        throw EPGConvFilter(EPGConvFilter::kIndexMessage);
    cells_[static_cast<size_t>(y * width_ + x)] = value;
}

std::uint8_t TConvFilter::finish(std::int64_t sum, std::int64_t weights) const {
    const double m = weights != 0 ? static_cast<double>(sum) / static_cast<double>(weights)
                                  : static_cast<double>(sum);
    // Clamped before rounding: any Factor or Offset gives a channel, never a range error.
    const double v = Factor * m + Offset * 255.0 * 0.01;
    if (!(v > 0.0)) return 0; // also NaN
    if (v >= 255.0) return 255;
    return static_cast<std::uint8_t>(std::nearbyint(v)); // halves to even
}

void TConvFilter::BeginFilter(const TPixelGraphic& source) {
    TPGFilter::BeginFilter(source);
    rowCells_.assign(static_cast<size_t>(height_), {});
    std::int64_t positive = 0;
    std::int64_t negative = 0;
    for (int i = 0; i < height_; ++i) {
        for (int j = 0; j < width_; ++j) {
            const std::int32_t k = cells_[static_cast<size_t>(i * width_ + j)];
            if (k == 0) continue;
            rowCells_[static_cast<size_t>(i)].push_back({j, k});
            (k > 0 ? positive : negative) += k;
        }
    }
    fullWeight_ = positive + negative;
    // Channel sums lie in 255 * [negative, positive].
    minSum_ = negative * 255;
    const std::int64_t maxSum = positive * 255;
    fits32_ = maxSum <= std::numeric_limits<std::int32_t>::max() &&
              minSum_ >= std::numeric_limits<std::int32_t>::min();
    // Rows whose kernel lies wholly inside the picture all divide by the same weight sum, so
    // their results are looked up; the table holds exactly what finish() computes.
    fullWeightResults_.clear();
    const std::int64_t span = maxSum - minSum_ + 1;
    if (fits32_ && span <= (std::int64_t{1} << 20)) {
        fullWeightResults_.resize(static_cast<size_t>(span));
        for (std::int64_t s = 0; s < span; ++s)
            fullWeightResults_[static_cast<size_t>(s)] = finish(minSum_ + s, fullWeight_);
    }
}

ColourValue TConvFilter::FilterPixel(int x, int y) const {
    const int w = SourceWidth();
    const int h = SourceHeight();
    std::int64_t weights = 0;
    std::int64_t r = 0;
    std::int64_t g = 0;
    std::int64_t b = 0;
    for (int i = 0; i < height_; ++i) {
        const std::int64_t sy = std::int64_t{y} + i + OriginY;
        if (sy < 0 || sy >= h) continue;
        for (int j = 0; j < width_; ++j) {
            const std::int64_t sx = std::int64_t{x} + j + OriginX;
            if (sx < 0 || sx >= w) continue;
            const std::int64_t k = cells_[static_cast<size_t>(i * width_ + j)];
            const ColourValue c = SourcePixel(static_cast<int>(sx), static_cast<int>(sy));
            weights += k;
            r += k * redOf(c);
            g += k * greenOf(c);
            b += k * blueOf(c);
        }
    }
    return makeColour(finish(r, weights), finish(g, weights), finish(b, weights));
}

ColourValue TConvFilter::filterBorderPixel(int x, int y) const {
    // As FilterPixel, but over the prepared non-zero cells and straight from the 24-bit rows.
    const int w = SourceWidth();
    const int h = SourceHeight();
    std::int64_t weights = 0;
    std::int64_t sums[3] = {0, 0, 0};
    for (int i = 0; i < height_; ++i) {
        const std::int64_t sy = std::int64_t{y} + i + OriginY;
        if (sy < 0 || sy >= h) continue;
        const std::uint8_t* row = Source()->scanLine(static_cast<int>(sy));
        for (const Cell& cell : rowCells_[static_cast<size_t>(i)]) {
            const std::int64_t sx = std::int64_t{x} + cell.column + OriginX;
            if (sx < 0 || sx >= w) continue;
            const std::uint8_t* p = row + sx * 3;
            weights += cell.weight;
            for (int c = 0; c < 3; ++c)
                sums[c] += std::int64_t{cell.weight} * p[c];
        }
    }
    return makeColour(finish(sums[0], weights), finish(sums[1], weights), finish(sums[2], weights));
}

namespace {

// acc[b] += k * src[b]: the inner loop of the convolution. Integer arithmetic, so the AVX2
// version (taken where the processor has it) gives exactly the same sums. Dispatched by hand
// rather than through an ifunc, which sanitizer runtimes cannot start with.
void multiplyAddPlain(std::int32_t* acc, const std::uint8_t* src, size_t n, std::int32_t k) {
    for (size_t b = 0; b < n; ++b)
        acc[b] += k * static_cast<std::int32_t>(src[b]);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx2"))) void multiplyAddAvx2(std::int32_t* acc, const std::uint8_t* src,
                                                     size_t n, std::int32_t k) {
    for (size_t b = 0; b < n; ++b)
        acc[b] += k * static_cast<std::int32_t>(src[b]);
}

void multiplyAdd(std::int32_t* acc, const std::uint8_t* src, size_t n, std::int32_t k) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        multiplyAddAvx2(acc, src, n, k);
    else
        multiplyAddPlain(acc, src, n, k);
}
#else
void multiplyAdd(std::int32_t* acc, const std::uint8_t* src, size_t n, std::int32_t k) {
    multiplyAddPlain(acc, src, n, k);
}
#endif

void multiplyAdd(std::int64_t* acc, const std::uint8_t* src, size_t n, std::int64_t k) {
    for (size_t b = 0; b < n; ++b)
        acc[b] += k * static_cast<std::int64_t>(src[b]);
}

} // namespace

template <class Acc> void TConvFilter::filterRowFast(int y, ColourValue* out) const {
    const int w = SourceWidth();
    const int h = SourceHeight();
    // Columns whose whole kernel row lies inside the picture: [xs, xe).
    const std::int64_t xs = std::max<std::int64_t>(0, -std::int64_t{OriginX});
    const std::int64_t xe = std::min<std::int64_t>(w, std::int64_t{w} - width_ - OriginX + 1);
    for (std::int64_t x = 0; x < std::min<std::int64_t>(xs, w); ++x)
        out[x] = filterBorderPixel(static_cast<int>(x), y);
    for (std::int64_t x = std::max(xs, xe); x < w; ++x)
        out[x] = filterBorderPixel(static_cast<int>(x), y);
    if (xs >= xe) return;

    // Interior: the channels of all pixels summed together as one byte run, so the inner loop
    // is a plain multiply-add over contiguous bytes.
    const size_t n = static_cast<size_t>(xe - xs) * 3;
    std::vector<Acc> acc(n, 0);
    std::int64_t weights = 0;
    bool wholeKernel = true;
    for (int i = 0; i < height_; ++i) {
        const std::int64_t sy = std::int64_t{y} + i + OriginY;
        if (sy < 0 || sy >= h) {
            wholeKernel = false;
            continue;
        }
        const std::uint8_t* row = Source()->scanLine(static_cast<int>(sy));
        for (const Cell& cell : rowCells_[static_cast<size_t>(i)]) {
            weights += cell.weight;
            const std::uint8_t* src = row + (xs + cell.column + OriginX) * 3;
            multiplyAdd(acc.data(), src, n, static_cast<Acc>(cell.weight));
        }
    }
    ColourValue* dst = out + xs;
    if (wholeKernel && !fullWeightResults_.empty()) {
        const std::uint8_t* results = fullWeightResults_.data();
        for (size_t p = 0, b = 0; b < n; ++p, b += 3)
            dst[p] = makeColour(results[acc[b] - minSum_], results[acc[b + 1] - minSum_],
                                results[acc[b + 2] - minSum_]);
        return;
    }
    for (size_t p = 0, b = 0; b < n; ++p, b += 3)
        dst[p] = makeColour(finish(acc[b], weights), finish(acc[b + 1], weights),
                            finish(acc[b + 2], weights));
}

void TConvFilter::FilterRow(int y, ColourValue* out) const {
    if (Source()->pixelFormat() != PixelFormat::Bits24) {
        TPGFilter::FilterRow(y, out);
        return;
    }
    if (fits32_)
        filterRowFast<std::int32_t>(y, out);
    else
        filterRowFast<std::int64_t>(y, out);
}

// Kernel construction.

namespace {

void setKernelSize(TConvFilter& filter, std::int64_t width, std::int64_t height) {
    if (width < 1 || width > TConvFilter::kMaxSide)
        throw EPGConvFilter(EPGConvFilter::kWidthMessage);
    if (height < 1 || height > TConvFilter::kMaxSide)
        throw EPGConvFilter(EPGConvFilter::kHeightMessage);
    // Through 1 x 1 so that every cell of the new kernel starts at 0.
    filter.SetWidth(1);
    filter.SetHeight(1);
    filter.SetKernel(0, 0, 0);
    filter.SetWidth(static_cast<int>(width));
    filter.SetHeight(static_cast<int>(height));
}

// 100 / percent, with the runtime's error for a zero strength.
double hundredOver(int percent) {
    raiseFault(divideFault(100.0, percent));
    return 100.0 / percent;
}

struct KernelSums {
    std::int32_t sum;
    std::int32_t centre;
    int half;
};

KernelSums negateAll(TConvFilter& filter) {
    KernelSums s{0, 0, -filter.OriginX};
    for (int y = 0; y < filter.Height(); ++y)
        for (int x = 0; x < filter.Width(); ++x) {
            s.sum += filter.Kernel(x, y);
            filter.SetKernel(x, y, -filter.Kernel(x, y));
        }
    s.centre = -filter.Kernel(s.half, s.half);
    return s;
}

KernelSums sums(const TConvFilter& filter) {
    KernelSums s{0, 0, -filter.OriginX};
    for (int y = 0; y < filter.Height(); ++y)
        for (int x = 0; x < filter.Width(); ++x)
            s.sum += filter.Kernel(x, y);
    s.centre = filter.Kernel(s.half, s.half);
    return s;
}

} // namespace

void setGaussianKernel(TConvFilter& filter, double stdDeviation) {
    const double twoVariance = 2.0 * stdDeviation * stdDeviation;
    // A zero (or not-a-number) deviation would divide 0 by 0 below.
    if (!(twoVariance > 0.0)) raiseFault(ArithFault::InvalidOp);
    const double norm = stdDeviation * std::sqrt(2.0 * std::numbers::pi);
    auto g = [&](double d) { return std::exp(-(d * d) / twoVariance) / norm; };
    const double scale = 16.0 / g(0.0);
    auto weight = [&](double d) { return Round(g(d) * scale); };

    // The first whole distance whose weight rounds to 0 bounds the kernel; past the largest
    // kernel the size check below reports it.
    int n = 0;
    while (weight(n) != 0 && 2 * n - 1 <= TConvFilter::kMaxSide)
        ++n;
    const int r = n - 1;
    setKernelSize(filter, 2 * std::int64_t{n} - 1, 2 * std::int64_t{n} - 1);
    for (int w = 0; w <= 2 * r; ++w)
        for (int c = 0; c <= 2 * r; ++c)
            filter.SetKernel(c, w,
                             weight(std::sqrt(double((c - r) * (c - r) + (w - r) * (w - r)))));
    filter.OriginX = -r;
    filter.OriginY = -r;
    filter.Factor = 1.0;
    filter.Offset = 0.0;
}

void setSmoothKernel(TConvFilter& filter, double stdDeviation, int percent) {
    setGaussianKernel(filter, stdDeviation);
    const KernelSums s = sums(filter);
    filter.SetKernel(s.half, s.half, s.centre + Round((hundredOver(percent) - 1.0) * s.sum));
}

void setSharpenKernel(TConvFilter& filter, double stdDeviation, int percent) {
    setGaussianKernel(filter, stdDeviation);
    const KernelSums s = negateAll(filter);
    filter.SetKernel(s.half, s.half, Round(hundredOver(percent) * s.sum));
}

void setDetailKernel(TConvFilter& filter, double stdDeviation, int percent) {
    setGaussianKernel(filter, stdDeviation);
    const KernelSums s = negateAll(filter);
    filter.SetKernel(s.half, s.half, Round(hundredOver(percent) * (s.sum - s.centre + 1)));
}

void setContourKernel(TConvFilter& filter, double stdDeviation, int percent, bool blackBackground) {
    setGaussianKernel(filter, stdDeviation);
    const KernelSums s = negateAll(filter);
    filter.SetKernel(s.half, s.half, s.sum - s.centre + 1); // the kernel now sums to 1
    filter.Factor = blackBackground ? -static_cast<double>(percent) : percent;
    filter.Offset = blackBackground ? 0.0 : 100.0;
}

void setBlurKernel(TConvFilter& filter, double radius, int percent) {
    const std::int64_t q = Round(radius);
    setKernelSize(filter, 2 * q + 1, 2 * q + 1);
    // A ring of 360 samples; |round(R sin a)| <= round(R) = q keeps every sample inside.
    for (int a = 0; a < 360; ++a) {
        const double angle = a * std::numbers::pi / 180.0;
        const int c = static_cast<int>(Round(radius * std::sin(angle)) + q);
        const int w = static_cast<int>(Round(radius * std::cos(angle)) + q);
        filter.SetKernel(c, w, filter.Kernel(c, w) + 1);
    }
    const int centre = static_cast<int>(q);
    filter.SetKernel(centre, centre,
                     filter.Kernel(centre, centre) + Round((hundredOver(percent) - 1.0) * 360.0));
    filter.OriginX = -centre;
    filter.OriginY = -centre;
    filter.Factor = 1.0;
    filter.Offset = 0.0;
}

} // namespace qm::image
