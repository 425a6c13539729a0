// The plasma generator: draw order, displacement formula, clamps, settings and the published
// buffer.
#include "engine/plasma/plasma_generator.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using qm::PlasmaData;
using qm::RandomGenerator;
using qm::plasma::PlasmaGenerator;

int sample(const PlasmaData& p, int x, int y) {
    return p.at(x, y);
}

// One edge midpoint computed here independently: value in extended precision, stored as a
// double, clamped to 1..192 and truncated.
int expectedMidpoint(double r, double bias, double noise, int length, int a, int b) {
    const long double v = (static_cast<long double>(r) - bias) * length * noise + (a + b) * 0.5L;
    double d = static_cast<double>(v);
    if (d < 1) d = 1;
    if (d >= 193) d = 192;
    return static_cast<int>(d);
}

TEST(Plasma, DrawsCornersThenEdgesInTheDocumentedOrder) {
    for (const std::uint32_t seed : {0u, 7u, 123456u, 86399999u}) {
        const double noise = 2.0;
        const double bias = 0.5;
        auto plasma = std::make_unique<PlasmaData>();
        RandomGenerator random(seed);
        PlasmaGenerator(*plasma, random, noise, bias).generate();

        RandomGenerator twin(seed);
        const int c0240 = static_cast<int>(twin.nextInt(192));
        const int c320240 = static_cast<int>(twin.nextInt(192));
        const int c3200 = static_cast<int>(twin.nextInt(192));
        const int c00 = static_cast<int>(twin.nextInt(192));
        EXPECT_EQ(sample(*plasma, 0, 240), c0240);
        EXPECT_EQ(sample(*plasma, 320, 240), c320240);
        EXPECT_EQ(sample(*plasma, 320, 0), c3200);
        // A corner drawn as 0 may be taken over later as an edge midpoint.
        if (c00 != 0) {
            EXPECT_EQ(sample(*plasma, 0, 0), c00);
        }

        // Whole rectangle: top, right, bottom, left.
        const int top = expectedMidpoint(twin.nextReal(), bias, noise, 320, c00, c3200);
        const int right = expectedMidpoint(twin.nextReal(), bias, noise, 240, c3200, c320240);
        const int bottom = expectedMidpoint(twin.nextReal(), bias, noise, 320, c0240, c320240);
        const int left = expectedMidpoint(twin.nextReal(), bias, noise, 240, c00, c0240);
        EXPECT_EQ(sample(*plasma, 160, 0), top) << seed;
        EXPECT_EQ(sample(*plasma, 320, 120), right) << seed;
        EXPECT_EQ(sample(*plasma, 160, 240), bottom) << seed;
        EXPECT_EQ(sample(*plasma, 0, 120), left) << seed;
        const int centre = (c00 + c3200 + c320240 + c0240) / 4;
        if (centre != 0) {
            EXPECT_EQ(sample(*plasma, 160, 120), centre);
        }

        // Then the top-left quarter (0,0)-(160,120): its top, right, bottom and left.
        EXPECT_EQ(sample(*plasma, 80, 0),
                  expectedMidpoint(twin.nextReal(), bias, noise, 160, c00, top));
        EXPECT_EQ(sample(*plasma, 160, 60),
                  expectedMidpoint(twin.nextReal(), bias, noise, 120, top, centre));
        EXPECT_EQ(sample(*plasma, 80, 120),
                  expectedMidpoint(twin.nextReal(), bias, noise, 160, left, centre));
        EXPECT_EQ(sample(*plasma, 0, 60),
                  expectedMidpoint(twin.nextReal(), bias, noise, 120, c00, left));
    }
}

TEST(Plasma, EveryGeneratedSampleIsInRangeAndTheExtraColumnAndRowStayZero) {
    for (const double noise : {2.0, 0.0, -3.0, 50.0, 1e300, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()}) {
        for (const double bias : {0.5, 0.0, 1.0}) {
            auto plasma = std::make_unique<PlasmaData>();
            RandomGenerator random(99);
            PlasmaGenerator(*plasma, random, noise, bias).generate();
            for (int x = 0; x < PlasmaData::kWidth; ++x) {
                for (int y = 0; y < PlasmaData::kHeight; ++y) {
                    const int v = sample(*plasma, x, y);
                    if (x == 321 || y == 241) {
                        ASSERT_EQ(v, 0) << x << "," << y;
                    } else {
                        ASSERT_LE(v, 192) << x << "," << y << " noise " << noise;
                    }
                }
            }
        }
    }
}

TEST(Plasma, NoiseZeroGivesTheSmoothSurfaceBetweenTheCorners) {
    struct Case {
        int corners[4]; // (0,0), (320,0), (320,240), (0,240)
    };
    const Case cases[] = {{{100, 100, 100, 100}}, {{10, 190, 50, 120}}, {{1, 2, 3, 4}}};
    for (const auto& c : cases) {
        auto plasma = std::make_unique<PlasmaData>();
        plasma->at(0, 0) = static_cast<std::uint8_t>(c.corners[0]);
        plasma->at(320, 0) = static_cast<std::uint8_t>(c.corners[1]);
        plasma->at(320, 240) = static_cast<std::uint8_t>(c.corners[2]);
        plasma->at(0, 240) = static_cast<std::uint8_t>(c.corners[3]);
        RandomGenerator random(5);
        PlasmaGenerator(*plasma, random, 0.0, 0.5).splitplasma(0, 0, 320, 240);
        const int lo = *std::min_element(std::begin(c.corners), std::end(c.corners));
        const int hi = *std::max_element(std::begin(c.corners), std::end(c.corners));
        EXPECT_EQ(sample(*plasma, 160, 0), (c.corners[0] + c.corners[1]) / 2);
        EXPECT_EQ(sample(*plasma, 160, 120),
                  (c.corners[0] + c.corners[1] + c.corners[2] + c.corners[3]) / 4);
        for (int x = 0; x <= 320; ++x)
            for (int y = 0; y <= 240; ++y)
                ASSERT_TRUE(sample(*plasma, x, y) >= lo && sample(*plasma, x, y) <= hi)
                    << x << "," << y;
    }
}

TEST(Plasma, EdgeValuesBelowOneAreRaisedToOne) {
    auto plasma = std::make_unique<PlasmaData>();
    RandomGenerator random(5);
    PlasmaGenerator(*plasma, random, 0.0, 0.5).splitplasma(0, 0, 320, 240);
    EXPECT_EQ(sample(*plasma, 160, 0), 1);
    EXPECT_EQ(sample(*plasma, 0, 120), 1);
}

TEST(Plasma, BrightnessDecidesTheSideOfTheDisplacement) {
    // bias 0 (brightness 100) never lowers a midpoint, bias 1 (brightness 0) never raises it;
    // a negative noise swaps the two.
    struct Case {
        double bias;
        double noise;
        int sign; // +1: never below the mean, -1: never above it
    };
    const Case cases[] = {{0.0, 3.0, +1}, {1.0, 3.0, -1}, {0.0, -3.0, -1}, {1.0, -3.0, +1}};
    for (const auto& c : cases) {
        int above = 0;
        int below = 0;
        for (std::uint32_t seed = 0; seed < 300; ++seed) {
            auto plasma = std::make_unique<PlasmaData>();
            plasma->at(0, 0) = 100;
            plasma->at(4, 0) = 100;
            RandomGenerator random(seed * 7919u);
            PlasmaGenerator(*plasma, random, c.noise, c.bias).edgemidpoint(0, 0, 2, 0, 4, 0);
            const int v = sample(*plasma, 2, 0);
            above += v > 100;
            below += v < 100;
        }
        if (c.sign > 0) {
            EXPECT_EQ(below, 0);
            EXPECT_GT(above, 250);
        } else {
            EXPECT_EQ(above, 0);
            EXPECT_GT(below, 250);
        }
    }
}

TEST(Plasma, EdgeMidpointClampsAndSkipsSetSamples) {
    struct Case {
        int a, b;
        double noise, bias;
        int expected;
    };
    const Case cases[] = {
        {192, 192, 1000.0, 0.0, 192}, // far above: 192
        {1, 1, 1000.0, 1.0, 1},       // far below: 1
        {191, 192, 0.0, 0.5, 191},    // 191.5 truncates
        {0, 1, 0.0, 0.5, 1},          // 0.5 is raised to 1
    };
    for (const auto& c : cases) {
        auto plasma = std::make_unique<PlasmaData>();
        plasma->at(10, 10) = static_cast<std::uint8_t>(c.a);
        plasma->at(10, 30) = static_cast<std::uint8_t>(c.b);
        RandomGenerator random(4242);
        PlasmaGenerator(*plasma, random, c.noise, c.bias).edgemidpoint(10, 10, 10, 20, 10, 30);
        EXPECT_EQ(sample(*plasma, 10, 20), c.expected) << c.a << " " << c.b;
        EXPECT_EQ(random.state(), RandomGenerator(4242).step());
    }
    auto plasma = std::make_unique<PlasmaData>();
    plasma->at(5, 5) = 77;
    RandomGenerator random(1);
    PlasmaGenerator(*plasma, random, 2.0, 0.5).edgemidpoint(0, 5, 5, 5, 10, 5);
    EXPECT_EQ(sample(*plasma, 5, 5), 77);
    EXPECT_EQ(random.state(), 1u); // no number drawn
}

TEST(Plasma, RejectsCoordinatesOutsideTheRectangle) {
    auto plasma = std::make_unique<PlasmaData>();
    RandomGenerator random;
    PlasmaGenerator gen(*plasma, random, 2.0, 0.5);
    EXPECT_THROW(gen.splitplasma(0, 0, 321, 240), std::out_of_range);
    EXPECT_THROW(gen.splitplasma(-1, 0, 10, 10), std::out_of_range);
    EXPECT_THROW(gen.splitplasma(10, 0, 5, 10), std::out_of_range);
    EXPECT_THROW(gen.edgemidpoint(0, 0, 0, 241, 0, 240), std::out_of_range);
    EXPECT_NO_THROW(gen.splitplasma(318, 238, 320, 240));
}

TEST(Plasma, SettingsFromTheEditorFields) {
    struct Case {
        int brightness;
        double bias;
    };
    const Case cases[] = {{50, 0.5}, {100, 0.0}, {0, 1.0}, {96, 0.04}, {30, 0.7}, {5, 0.95}};
    for (const auto& c : cases)
        EXPECT_EQ(qm::plasma::biasFromBrightness(c.brightness), c.bias) << c.brightness;
    qm::SharedColourData data;
    qm::plasma::setPlasmaSettings(data, -1.5, 100);
    EXPECT_EQ(data.plasmaNoise, -1.5);
    EXPECT_EQ(data.plasmaBias, 0.0);
}

TEST(Plasma, SeededGenerationIsReproducibleAndPublishesANewBuffer) {
    qm::SharedColourData data;
    const auto before = data.plasmaBuffer();
    qm::plasma::fillplasma(data, 31337);
    const auto first = data.plasmaBuffer();
    EXPECT_NE(first, before);
    EXPECT_TRUE(std::all_of(before->cells.begin(), before->cells.end(),
                            [](std::uint8_t v) { return v == 0; }));

    qm::plasma::renderPlasma(data, 31337);
    EXPECT_EQ(data.plasmaBuffer()->cells, first->cells);
    qm::plasma::renderPlasma(data, 31338);
    EXPECT_NE(data.plasmaBuffer()->cells, first->cells);
}

TEST(Plasma, FillWithoutClearingOnlyReplacesTheCorners) {
    qm::SharedColourData data;
    auto old = std::make_shared<PlasmaData>();
    for (int x = 0; x <= 320; ++x)
        for (int y = 0; y <= 240; ++y)
            old->at(x, y) = 9;
    data.setPlasmaBuffer(old);
    qm::plasma::fillplasma(data, 1);
    const auto now = data.plasmaBuffer();
    RandomGenerator twin(1);
    EXPECT_EQ(now->at(0, 240), twin.nextInt(192));
    EXPECT_EQ(now->at(160, 120), 9);
    EXPECT_EQ(now->at(1, 1), 9);

    // The editor's "Render" clears first, so the same seed gives a fresh plasma.
    qm::plasma::renderPlasma(data, 1);
    qm::SharedColourData fresh;
    qm::plasma::fillplasma(fresh, 1);
    EXPECT_EQ(data.plasmaBuffer()->cells, fresh.plasmaBuffer()->cells);
}

TEST(Plasma, ClockSeededGenerationUsesTheSharedGenerator) {
    qm::SharedColourData data;
    data.plasmaNoise = 0.0;
    qm::plasma::fillplasma(data);
    const auto plasma = data.plasmaBuffer();
    for (int x = 0; x <= 320; ++x)
        for (int y = 0; y <= 240; ++y)
            ASSERT_LE(plasma->at(x, y), 192);
    EXPECT_EQ(plasma->at(321, 5), 0);
}

} // namespace
