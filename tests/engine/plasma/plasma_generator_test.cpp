// The plasma generator: draw order, displacement formula, clamps, settings and the published
// buffer.
#include "engine/plasma/plasma_generator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

namespace {

using qm::PlasmaData;
using qm::RandomGenerator;
using qm::plasma::PlasmaGenerator;

// The subdivision written out plainly, without the generator's shortcuts: depth first, edges
// top, right, bottom, left, then the centre, then the quarters.
void referenceSplit(PlasmaData& p, RandomGenerator& random, double noise, double bias, int x1,
                    int y1, int x2, int y2) {
    if (x2 - x1 < 2 && y2 - y1 < 2) return;
    const int x = (x1 + x2) / 2;
    const int y = (y1 + y2) / 2;
    const auto edge = [&](int xa, int ya, int tx, int ty, int xb, int yb) {
        if (p.at(tx, ty) != 0) return;
        const int length = std::abs(xa - xb) + std::abs(ya - yb);
        const long double v =
            (static_cast<long double>(random.nextReal()) - bias) * length * noise +
            (p.at(xa, ya) + p.at(xb, yb)) * 0.5L;
        const double d = static_cast<double>(v);
        p.at(tx, ty) = static_cast<std::uint8_t>(d < 1 ? 1 : d >= 193 ? 192 : d);
    };
    edge(x1, y1, x, y1, x2, y1);
    edge(x2, y1, x2, y, x2, y2);
    edge(x1, y2, x, y2, x2, y2);
    edge(x1, y1, x1, y, x1, y2);
    if (p.at(x, y) == 0)
        p.at(x, y) = static_cast<std::uint8_t>(
            (p.at(x1, y1) + p.at(x2, y1) + p.at(x2, y2) + p.at(x1, y2)) / 4);
    referenceSplit(p, random, noise, bias, x1, y1, x, y);
    referenceSplit(p, random, noise, bias, x, y1, x2, y);
    referenceSplit(p, random, noise, bias, x, y, x2, y2);
    referenceSplit(p, random, noise, bias, x1, y, x, y2);
}

std::unique_ptr<PlasmaData> withCorners(int c00, int c320, int c320240, int c0240) {
    auto p = std::make_unique<PlasmaData>();
    p->at(0, 0) = static_cast<std::uint8_t>(c00);
    p->at(320, 0) = static_cast<std::uint8_t>(c320);
    p->at(320, 240) = static_cast<std::uint8_t>(c320240);
    p->at(0, 240) = static_cast<std::uint8_t>(c0240);
    return p;
}

TEST(Plasma, WholeBufferMatchesThePlainSubdivision) {
    const std::tuple<std::uint32_t, double, double> cases[] = {
        {1, 2.0, 0.5}, {2024, 0.3, 0.7}, {77, 9.5, 0.0}, {5, -4.0, 1.0}, {649090867, 0.0, 0.5}};
    for (const auto& [seed, noise, bias] : cases) {
        auto plasma = std::make_unique<PlasmaData>();
        RandomGenerator random(seed);
        PlasmaGenerator(*plasma, random, noise, bias).generate();
        auto expected = std::make_unique<PlasmaData>();
        RandomGenerator twin(seed);
        // Corners first, in this order.
        for (const auto& [x, y] : {std::pair{0, 240}, {320, 240}, {320, 0}, {0, 0}})
            expected->at(x, y) = static_cast<std::uint8_t>(twin.nextInt(192));
        referenceSplit(*expected, twin, noise, bias, 0, 0, 320, 240);
        EXPECT_EQ(plasma->cells, expected->cells) << seed;
        EXPECT_EQ(random.state(), twin.state());
    }
}

TEST(Plasma, SamplesStayInRangeAndTheExtraColumnAndRowStayZero) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double noise : {2.0, -3.0, 1e300, inf, std::numeric_limits<double>::quiet_NaN()}) {
        for (const double bias : {0.0, 0.5, 1.0}) {
            auto plasma = std::make_unique<PlasmaData>();
            RandomGenerator random(99);
            PlasmaGenerator(*plasma, random, noise, bias).generate();
            for (int x = 0; x < PlasmaData::kWidth; ++x)
                for (int y = 0; y < PlasmaData::kHeight; ++y)
                    ASSERT_LE(plasma->at(x, y), x == 321 || y == 241 ? 0 : 192)
                        << x << "," << y << " noise " << noise;
        }
    }
}

TEST(Plasma, NoiseZeroGivesTheSmoothSurfaceBetweenTheCorners) {
    const std::array<int, 4> cases[] = {{100, 100, 100, 100}, {10, 190, 50, 120}, {0, 1, 0, 40}};
    for (const auto& c : cases) {
        auto plasma = withCorners(c[0], c[1], c[2], c[3]);
        RandomGenerator random(5);
        PlasmaGenerator(*plasma, random, 0.0, 0.5).splitplasma(0, 0, 320, 240);
        // Edge means below 1 are raised to 1.
        const int lo = *std::min_element(c.begin(), c.end());
        const int hi = std::max(1, *std::max_element(c.begin(), c.end()));
        EXPECT_EQ(plasma->at(160, 0), std::max(1, (c[0] + c[1]) / 2));
        EXPECT_EQ(plasma->at(160, 120), (c[0] + c[1] + c[2] + c[3]) / 4);
        for (int x = 0; x <= 320; ++x)
            for (int y = 0; y <= 240; ++y)
                ASSERT_TRUE(plasma->at(x, y) >= lo && plasma->at(x, y) <= hi) << x << "," << y;
    }
}

TEST(Plasma, BrightnessDecidesTheSideOfTheDisplacement) {
    // bias 0 (brightness 100) never lowers a midpoint, bias 1 (brightness 0) never raises it;
    // a negative noise swaps the two.
    const std::tuple<double, double, bool> cases[] = {
        {0.0, 3.0, true}, {1.0, 3.0, false}, {0.0, -3.0, false}, {1.0, -3.0, true}};
    for (const auto& [bias, noise, upward] : cases) {
        int above = 0;
        int below = 0;
        for (std::uint32_t seed = 0; seed < 300; ++seed) {
            auto plasma = std::make_unique<PlasmaData>();
            plasma->at(0, 0) = plasma->at(4, 0) = 100;
            RandomGenerator random(seed * 7919u);
            PlasmaGenerator(*plasma, random, noise, bias).edgemidpoint(0, 0, 2, 0, 4, 0);
            above += plasma->at(2, 0) > 100;
            below += plasma->at(2, 0) < 100;
        }
        EXPECT_EQ(upward ? below : above, 0);
        EXPECT_GT(upward ? above : below, 250);
    }
}

TEST(Plasma, EdgeMidpointClampsAndSkipsSetSamples) {
    const double bias30 = qm::plasma::biasFromBrightness(30);
    const std::tuple<int, int, double, double, std::uint32_t, int> cases[] = {
        {192, 192, 1000.0, 0.0, 4242, 192},
        {1, 1, 1000.0, 1.0, 4242, 1},
        {191, 192, 0.0, 0.5, 4242, 191},
        // r = 0: 40.5 - 0.7 * 50 * 1.1 is just below 2 in extended precision (2 in doubles).
        {40, 41, 1.1, bias30, 649090867, 1},
    };
    for (const auto& [a, b, noise, bias, seed, expected] : cases) {
        auto plasma = std::make_unique<PlasmaData>();
        plasma->at(10, 10) = static_cast<std::uint8_t>(a);
        plasma->at(10, 60) = static_cast<std::uint8_t>(b);
        RandomGenerator random(seed);
        PlasmaGenerator(*plasma, random, noise, bias).edgemidpoint(10, 10, 10, 35, 10, 60);
        EXPECT_EQ(plasma->at(10, 35), expected) << a << " " << b;
    }
    auto plasma = std::make_unique<PlasmaData>();
    plasma->at(5, 5) = 77;
    RandomGenerator random(1);
    PlasmaGenerator(*plasma, random, 2.0, 0.5).edgemidpoint(0, 5, 5, 5, 10, 5);
    EXPECT_EQ(plasma->at(5, 5), 77);
    EXPECT_EQ(random.state(), 1u); // no number drawn
    EXPECT_THROW(PlasmaGenerator(*plasma, random, 2.0, 0.5).splitplasma(0, 0, 321, 240),
                 std::out_of_range);
}

TEST(Plasma, BiasFromBrightness) {
    const std::pair<int, double> cases[] = {{50, 0.5}, {100, 0.0}, {0, 1.0}, {96, 0.04}, {30, 0.7}};
    for (const auto& [brightness, bias] : cases)
        EXPECT_EQ(qm::plasma::biasFromBrightness(brightness), bias) << brightness;
}

TEST(Plasma, SeededRenderIsReproducibleAndFillKeepsSetSamples) {
    qm::SharedColourData data;
    const auto empty = data.plasmaBuffer();
    qm::plasma::renderPlasma(data, 31337);
    const auto first = data.plasmaBuffer();
    EXPECT_EQ(std::count(empty->cells.begin(), empty->cells.end(), 0), 322 * 242);
    qm::plasma::renderPlasma(data, 31337);
    EXPECT_EQ(data.plasmaBuffer()->cells, first->cells);
    EXPECT_NE(data.plasmaBuffer(), first); // a new snapshot

    // fillplasma does not clear: on a generated buffer only the corners are drawn again.
    qm::plasma::fillplasma(data, 1);
    RandomGenerator twin(1);
    EXPECT_EQ(data.plasmaBuffer()->at(0, 240), twin.nextInt(192));
    EXPECT_EQ(data.plasmaBuffer()->at(160, 120), first->at(160, 120));
}

TEST(Plasma, DrawsGreysAndDropsPixelsOutsideThePicture) {
    qm::SharedColourData data;
    qm::plasma::fillplasma(data, 3);
    const auto& plasma = *data.plasmaBuffer();
    qm::image::TPixelGraphic preview(320, 240, qm::image::PixelFormat::Bits24);
    qm::plasma::drawPlasma(plasma, preview);
    const int v = plasma.at(319, 239);
    EXPECT_EQ(preview.pixel(319, 239), qm::makeColour(v, v, v));
    EXPECT_EQ(preview.width(), 320);
    qm::image::TPixelGraphic grey(321, 241, qm::image::PixelFormat::Bits8);
    qm::plasma::drawPlasma(plasma, grey);
    EXPECT_EQ(grey.pixelIndex(320, 240), plasma.at(320, 240));
}

} // namespace
