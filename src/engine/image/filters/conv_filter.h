// TConvFilter: weighted sums over an integer kernel, normalised by the weights that fall inside
// the picture; and the kernels of the Smooth, Sharpen, Details, Contours and Blur filters.
#pragma once

#include "engine/image/filters/pg_filter.h"

#include <cstdint>
#include <vector>

namespace qm::image {

class TConvFilter : public TPGFilter {
public:
    static constexpr int kMaxSide = 99;

    // A 1 x 1 kernel holding 1: the identity.
    TConvFilter();
    std::unique_ptr<TPGFilter> Clone() const override {
        return std::make_unique<TConvFilter>(*this);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Cells that stay inside keep their value, new cells are 0. EPGConvFilter outside 1..99.
    void SetWidth(int width);
    void SetHeight(int height);

    // Cell at column x, row y; EPGConvFilter "X-Y-index out of range" outside the kernel.
    std::int32_t Kernel(int x, int y) const;
    void SetKernel(int x, int y, std::int32_t value);

    // Offset of kernel column 0 / row 0 from the output pixel.
    int OriginX = 0;
    int OriginY = 0;
    double Factor = 1.0;
    double Offset = 0.0; // percent of 255

    void BeginFilter(const TPixelGraphic& source) override;
    ColourValue FilterPixel(int x, int y) const override;
    void FilterRow(int y, ColourValue* out) const override;

private:
    struct Cell {
        int column;
        std::int32_t weight;
    };
    template <class Acc> void filterRowFast(int y, ColourValue* out) const;
    ColourValue filterBorderPixel(int x, int y) const;
    std::uint8_t finish(std::int64_t sum, std::int64_t weights) const;
    void resize(int width, int height);

    int width_ = 1;
    int height_ = 1;
    std::vector<std::int32_t> cells_{1};

    // Prepared by BeginFilter for the row path: the non-zero cells of each kernel row, whether
    // 32-bit sums cannot overflow, and the results for the full kernel's weight sum by sum.
    std::vector<std::vector<Cell>> rowCells_;
    bool fits32_ = false;
    std::int64_t fullWeight_ = 0;
    std::int64_t minSum_ = 0;
    std::vector<std::uint8_t> fullWeightResults_;
};

// Kernels of the five convolution filters (sigma = standard deviation, percent = strength).
// Each replaces the filter's whole kernel, origin, Factor and Offset.
void setGaussianKernel(TConvFilter& filter, double stdDeviation);
void setSmoothKernel(TConvFilter& filter, double stdDeviation, int percent);
void setSharpenKernel(TConvFilter& filter, double stdDeviation, int percent);
void setDetailKernel(TConvFilter& filter, double stdDeviation, int percent);
void setContourKernel(TConvFilter& filter, double stdDeviation, int percent, bool blackBackground);
void setBlurKernel(TConvFilter& filter, double radius, int percent);

} // namespace qm::image
