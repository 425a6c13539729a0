// The plasma cloud: random midpoint displacement over the 320 x 240 rectangle of PlasmaBuffer,
// and the plasma editor's settings.
//
// The rectangle's corners are drawn at random; each rectangle then sets the midpoints of its
// four edges (mean of the edge's ends plus a random displacement that grows with the edge's
// length), its centre (mean of the corners, no displacement) and recurses into its quarters.
// A sample that is already set (non-zero) is never overwritten and consumes no random number,
// so neighbouring rectangles agree on their shared edges.
#pragma once

#include "engine/core/random.h"
#include "engine/shared/shared_colour_data.h"

#include <cstdint>

namespace qm::plasma {

// The generator writes x 0..320 and y 0..240; column 321 and row 241 stay 0.
inline constexpr int kLastX = 320;
inline constexpr int kLastY = 240;
// Corners are drawn from 0..kCornerBound-1; edge midpoints lie in 1..kMaxSample.
inline constexpr std::uint32_t kCornerBound = 192;
inline constexpr int kMaxSample = 192;

// The plasma editor's fields: "Noise:" (real, unlimited, step 0.5) and "Brigthness:"
// (integer 0..100, step 5), with their defaults.
inline constexpr double kDefaultNoise = 2.0;
inline constexpr double kNoiseStep = 0.5;
inline constexpr int kDefaultBrightness = 50;
inline constexpr int kMinBrightness = 0;
inline constexpr int kMaxBrightness = 100;
inline constexpr int kBrightnessStep = 5;

// PlasmaBias for a brightness: 1 - brightness * 0.01 (brightness 50 makes displacements
// symmetric, 100 only upward, 0 only downward).
double biasFromBrightness(int brightness);

// Either editor field changed: PlasmaNoise and PlasmaBias are set together.
void setPlasmaSettings(SharedColourData& data, double noise, int brightness);

class PlasmaGenerator {
public:
    PlasmaGenerator(PlasmaData& plasma, RandomGenerator& random, double noise, double bias)
        : plasma_(plasma), random_(random), noise_(noise), bias_(bias) {}

    // Draws the four corners ((0,240), (320,240), (320,0), (0,0)) and subdivides the whole
    // rectangle. Expects every other sample to be 0; does not clear the buffer.
    void generate();

    // One subdivision step on the rectangle (x1, y1)-(x2, y2) with its corners set. Coordinates
    // outside 0..320 x 0..240 or x1 > x2 or y1 > y2 throw std::out_of_range.
    void splitplasma(int x1, int y1, int x2, int y2);

    // Sets (x, y) from the ends (xa, ya) and (xb, yb) unless it is already set. Coordinates
    // outside 0..320 x 0..240 throw std::out_of_range.
    void edgemidpoint(int xa, int ya, int x, int y, int xb, int yb);

private:
    static bool splittable(int x1, int y1, int x2, int y2);
    void split(int x1, int y1, int x2, int y2);
    void midpoint(int xa, int ya, int x, int y, int xb, int yb);

    PlasmaData& plasma_;
    RandomGenerator& random_;
    double noise_;
    double bias_;
};

// Pixel (x, y) := grey (v, v, v) for every generated sample; pixels outside the picture are
// dropped, so the editor's 320 x 240 preview leaves out the last column and row.
void drawPlasma(const PlasmaData& plasma, image::TPixelGraphic& picture);

// Sets x 0..320, y 0..240 to 0 (the editor's "Render" does this before generating).
void clearPlasma(PlasmaData& plasma);

// Generates into a copy of the current PlasmaBuffer with the current settings and publishes
// it. The shared generator is first re-seeded from the clock, or set to `seed`.
void fillplasma(SharedColourData& data);
void fillplasma(SharedColourData& data, std::uint32_t seed);

// The editor's "Render": a cleared buffer, then fillplasma.
void renderPlasma(SharedColourData& data);
void renderPlasma(SharedColourData& data, std::uint32_t seed);

} // namespace qm::plasma
