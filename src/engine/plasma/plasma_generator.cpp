// Midpoint-displacement plasma generation and the plasma editor's settings.
#include "engine/plasma/plasma_generator.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace qm::plasma {

namespace {

bool inside(int x, int y) {
    return x >= 0 && x <= kLastX && y >= 0 && y <= kLastY;
}

} // namespace

double biasFromBrightness(int brightness) {
    // The field's value is an extended-precision number, so the product is too.
    return static_cast<double>(1.0L - static_cast<long double>(brightness) * 0.01L);
}

void setPlasmaSettings(SharedColourData& data, double noise, int brightness) {
    data.plasmaNoise = noise;
    data.plasmaBias = biasFromBrightness(brightness);
}

void PlasmaGenerator::generate() {
    plasma_.at(0, kLastY) = static_cast<std::uint8_t>(random_.nextInt(kCornerBound));
    plasma_.at(kLastX, kLastY) = static_cast<std::uint8_t>(random_.nextInt(kCornerBound));
    plasma_.at(kLastX, 0) = static_cast<std::uint8_t>(random_.nextInt(kCornerBound));
    plasma_.at(0, 0) = static_cast<std::uint8_t>(random_.nextInt(kCornerBound));
    if (splittable(0, 0, kLastX, kLastY)) split(0, 0, kLastX, kLastY);
}

void PlasmaGenerator::splitplasma(int x1, int y1, int x2, int y2) {
    if (!inside(x1, y1) || !inside(x2, y2) || x1 > x2 || y1 > y2)
        throw std::out_of_range("plasma rectangle");
    if (splittable(x1, y1, x2, y2)) split(x1, y1, x2, y2);
}

void PlasmaGenerator::edgemidpoint(int xa, int ya, int x, int y, int xb, int yb) {
    if (!inside(xa, ya) || !inside(x, y) || !inside(xb, yb))
        throw std::out_of_range("plasma sample");
    midpoint(xa, ya, x, y, xb, yb);
}

inline void PlasmaGenerator::midpoint(int xa, int ya, int x, int y, int xb, int yb) {
    auto& target = plasma_.at(x, y);
    if (target != 0) return; // set samples consume no random number
    const int length = std::abs(xa - xb) + std::abs(ya - yb);
    const long double r = random_.nextReal();
    // Evaluated in extended precision in this order, then stored as a double.
    const long double displaced =
        (r - bias_) * length * noise_ + (plasma_.at(xa, ya) + plasma_.at(xb, yb)) * 0.5L;
    // Far outside the byte range the value only matters for its side; bounding it first keeps
    // the conversion to double defined for any noise.
    const long double bounded = displaced > 1e6L ? 1e6L : displaced < -1e6L ? -1e6L : displaced;
    double v = static_cast<double>(bounded);
    if (!(v >= 1.0)) v = 1.0; // NaN (infinite noise) counts as below the range
    if (v >= 193.0) v = kMaxSample;
    target = static_cast<std::uint8_t>(v); // truncation toward zero
}

// Rectangles with both sides below 2 have nothing left to set; testing that before the call
// rather than inside it saves most of the calls (three in four are such leaves).
bool PlasmaGenerator::splittable(int x1, int y1, int x2, int y2) {
    return x2 - x1 >= 2 || y2 - y1 >= 2;
}

void PlasmaGenerator::split(int x1, int y1, int x2, int y2) {
    // Thin rectangles (one side 0 or 1) keep splitting along the other side; their short-side
    // midpoints are samples that are already set and stay as they are.
    const int x = (x1 + x2) / 2; // non-negative, so this rounds down
    const int y = (y1 + y2) / 2;

    midpoint(x1, y1, x, y1, x2, y1); // top
    midpoint(x2, y1, x2, y, x2, y2); // right
    midpoint(x1, y2, x, y2, x2, y2); // bottom
    midpoint(x1, y1, x1, y, x1, y2); // left

    auto& centre = plasma_.at(x, y);
    if (centre == 0) {
        // The truncated quarter of the corner sum; the centre gets no displacement.
        const int sum =
            plasma_.at(x1, y1) + plasma_.at(x2, y1) + plasma_.at(x2, y2) + plasma_.at(x1, y2);
        centre = static_cast<std::uint8_t>(sum / 4);
    }

    // Quarters: top left, top right, bottom right, bottom left.
    if (splittable(x1, y1, x, y)) split(x1, y1, x, y);
    if (splittable(x, y1, x2, y)) split(x, y1, x2, y);
    if (splittable(x, y, x2, y2)) split(x, y, x2, y2);
    if (splittable(x1, y, x, y2)) split(x1, y, x, y2);
}

void drawPlasma(const PlasmaData& plasma, image::TPixelGraphic& picture) {
    for (int x = 0; x <= kLastX; ++x) {
        for (int y = 0; y <= kLastY; ++y) {
            const std::uint8_t v = plasma.at(x, y);
            picture.SetPixel(x, y, makeColour(v, v, v));
        }
    }
    picture.Changed();
}

void clearPlasma(PlasmaData& plasma) {
    for (int x = 0; x <= kLastX; ++x)
        for (int y = 0; y <= kLastY; ++y)
            plasma.at(x, y) = 0;
}

namespace {

void generateShared(SharedColourData& data, std::shared_ptr<PlasmaData> plasma) {
    PlasmaGenerator(*plasma, data.random(), data.plasmaNoise, data.plasmaBias).generate();
    data.setPlasmaBuffer(std::move(plasma));
}

std::shared_ptr<PlasmaData> currentCopy(const SharedColourData& data) {
    return std::make_shared<PlasmaData>(*data.plasmaBuffer());
}

std::shared_ptr<PlasmaData> clearedCopy(const SharedColourData& data) {
    auto plasma = currentCopy(data);
    clearPlasma(*plasma);
    return plasma;
}

} // namespace

void fillplasma(SharedColourData& data) {
    data.random().reseedFromClock();
    generateShared(data, currentCopy(data));
}

void fillplasma(SharedColourData& data, std::uint32_t seed) {
    data.random().seed(seed);
    generateShared(data, currentCopy(data));
}

void renderPlasma(SharedColourData& data) {
    auto plasma = clearedCopy(data);
    data.random().reseedFromClock();
    generateShared(data, std::move(plasma));
}

void renderPlasma(SharedColourData& data, std::uint32_t seed) {
    auto plasma = clearedCopy(data);
    data.random().seed(seed);
    generateShared(data, std::move(plasma));
}

} // namespace qm::plasma
