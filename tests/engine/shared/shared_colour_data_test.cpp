// SharedColourData: shapes, initial values, snapshot publication and the shared generator.
#include "engine/shared/shared_colour_data.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using qm::SharedColourData;

TEST(SharedColourData, StartsWithTheDocumentedInitialValues) {
    const SharedColourData data;
    const auto table = data.gradientTable();
    ASSERT_EQ(table->size(), 257u);
    for (const auto c : *table)
        EXPECT_EQ(c, 0u);
    const auto plasma = data.plasmaBuffer();
    ASSERT_EQ(plasma->cells.size(), 322u * 242u);
    for (const auto v : plasma->cells)
        ASSERT_EQ(v, 0);
    EXPECT_EQ(data.plasmaNoise, 2.0);
    EXPECT_EQ(data.plasmaBias, 0.5);
    const auto& rgb = data.rgbBuffer();
    EXPECT_EQ(rgb.width(), 256);
    EXPECT_EQ(rgb.height(), 256);
    EXPECT_EQ(rgb.pixelFormat(), qm::image::PixelFormat::Bits24);
    EXPECT_EQ(rgb.pixel(255, 255), 0u);
    EXPECT_EQ(const_cast<SharedColourData&>(data).random().state(), 0u);
}

TEST(SharedColourData, PlasmaIsAddressedXMajor) {
    qm::PlasmaData plasma;
    plasma.at(3, 7) = 11;
    plasma.at(3, 8) = 12; // the next cell of the same column
    plasma.at(4, 0) = 13; // the first cell of the next column
    EXPECT_EQ(plasma.cells[3 * 242 + 7], 11);
    EXPECT_EQ(plasma.cells[3 * 242 + 8], 12);
    EXPECT_EQ(plasma.cells[4 * 242], 13);
    EXPECT_EQ(plasma.at(321, 241), 0);
}

TEST(SharedColourData, ReadersSeeTheLatestWriteAndKeepTheirSnapshot) {
    SharedColourData data;
    const auto before = data.gradientTable();
    qm::GradientTableData table{};
    table[256] = qm::makeColour(1, 2, 3);
    data.setGradientTable(table);
    EXPECT_EQ((*data.gradientTable())[256], qm::makeColour(1, 2, 3));
    EXPECT_EQ((*before)[256], 0u); // a render holding the old table is not disturbed

    auto plasma = std::make_shared<qm::PlasmaData>();
    plasma->at(320, 240) = 200;
    data.setPlasmaBuffer(plasma);
    EXPECT_EQ(data.plasmaBuffer()->at(320, 240), 200);

    // No hidden globals: a second instance is independent.
    SharedColourData other;
    EXPECT_EQ((*other.gradientTable())[256], 0u);
    other.random().step();
    EXPECT_EQ(data.random().state(), 0u);
    data.rgbBuffer().SetSize(640, 480, qm::image::PixelFormat::Bits24);
    EXPECT_EQ(other.rgbBuffer().width(), 256);
}

TEST(SharedColourData, GeneratorDrawsFromStateZero) {
    SharedColourData a, b;
    EXPECT_EQ(a.random().nextReal(), 1.0 / 4294967296.0);
    EXPECT_EQ(b.random().nextInt(256), 0u);
    // Both draws step first: 1 -> 1 * 134775813 + 1.
    EXPECT_EQ(a.random().step(), 134775814u);
    a.random().seed(0xFFFFFFFFu);
    EXPECT_EQ(a.random().step(), 0xFFFFFFFFu * 134775813u + 1u); // wraps modulo 2^32
    a.random().seed(0x80000000u);
    // Upper 32 bits of the 64-bit product state * bound, with the stepped state.
    const std::uint32_t stepped = 0x80000000u * 134775813u + 1u;
    EXPECT_EQ(a.random().nextInt(1000),
              static_cast<std::uint32_t>((std::uint64_t{stepped} * 1000) >> 32));
}

TEST(SharedColourData, ReseedUsesTheMillisecondOfTheUtcDay) {
    using namespace std::chrono;
    const auto msOfDay = [] {
        const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
        return static_cast<std::uint32_t>(ms % 86400000);
    };
    SharedColourData data;
    const auto before = msOfDay();
    data.random().reseedFromClock();
    const auto after = msOfDay();
    const auto seed = data.random().state();
    EXPECT_LT(seed, 86400000u);
    if (before <= after) { // not across midnight
        EXPECT_GE(seed, before);
        EXPECT_LE(seed, after);
    }
}

TEST(SharedColourData, ListenersHearEachReplacementUntilRemoved) {
    SharedColourData data;
    std::vector<SharedColourData::Change> heard;
    const int id = data.addChangeListener([&](SharedColourData::Change c) { heard.push_back(c); });
    data.setGradientTable(qm::GradientTableData{});
    data.setPlasmaBuffer(std::make_shared<qm::PlasmaData>());
    data.removeChangeListener(id);
    data.setGradientTable(qm::GradientTableData{});
    EXPECT_EQ(heard, (std::vector<SharedColourData::Change>{SharedColourData::Change::Gradient,
                                                            SharedColourData::Change::Plasma}));
}

} // namespace
