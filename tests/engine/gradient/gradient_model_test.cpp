// Stop strings, GradientTable computation and the palette editor's commands.
#include "engine/core/errors.h"
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_model.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

using qm::gradient::GradientModel;
using Rgb = std::array<int, 3>;

Rgb entry(const qm::SharedColourData& data, int index) {
    const auto c = (*data.gradientTable())[static_cast<size_t>(index)];
    EXPECT_EQ(c >> 24, 0u);
    return {qm::redOf(c), qm::greenOf(c), qm::blueOf(c)};
}

// start + (end - start) * i / 64 with halves to even, in integers only.
int referenceComponent(int start, int end, int i) {
    const int num = (end - start) * i;
    int q = std::abs(num) / 64;
    const int rem = std::abs(num) % 64;
    if (rem > 32 || (rem == 32 && q % 2 == 1)) ++q;
    return start + (num < 0 ? -q : q);
}

TEST(StopString, ReadsTokensIntoFieldsInOrder) {
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        // No trailing ";"; 0 means 1.
        {"0;0;0;32;32;32;64;64;64;128;128;128;256;256;256",
         {1, 1, 1, 32, 32, 32, 64, 64, 64, 128, 128, 128, 256, 256, 256}},
        // Short strings and empty tokens give 1; out-of-range values take the nearer bound.
        {"7;;300;-4; 9", {7, 1, 256, 1, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        // Anything after the fifteenth value is ignored, even text that is no number.
        {"1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;junk",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
    };
    for (const auto& [text, fields] : cases) {
        std::vector<int> got;
        qm::gradient::readStopString(text, [&](int i, int v) {
            EXPECT_EQ(i, static_cast<int>(got.size()));
            got.push_back(v);
        });
        EXPECT_EQ(got, fields) << text;
    }
}

TEST(StopString, BadTokenStopsAfterTheFieldsBeforeIt) {
    const std::tuple<const char*, const char*, size_t> cases[] = {
        {"5;x;1", "x", 1},
        {"1;2;3.5;", "3.5", 2},
        {"1;2;3;4 ;", "4 ", 3},
        {"99999999999", "99999999999", 0}};
    for (const auto& [text, token, setBefore] : cases) {
        size_t calls = 0;
        try {
            qm::gradient::readStopString(text, [&](int, int) { ++calls; });
            ADD_FAILURE() << text;
        } catch (const qm::EConvertError& e) {
            EXPECT_EQ(e.message(), "'" + std::string(token) + "' is not a valid integer value");
        }
        EXPECT_EQ(calls, setBefore) << text;
    }
}

TEST(FillSegment, RoundsHalvesToEvenOverSixtyFiveEntries) {
    const int pairs[][2] = {{0, 63}, {63, 0}, {0, 1}, {1, 0}, {0, 255}, {200, 3}, {127, 128}};
    for (const auto& p : pairs) {
        qm::GradientTableData table{};
        table.fill(0xABCDEFu);
        const auto s = static_cast<std::uint8_t>(p[0]);
        const auto e = static_cast<std::uint8_t>(p[1]);
        GradientModel::fillsegment(table, 64, s, e, e, s, s, s);
        EXPECT_EQ(table[63], 0xABCDEFu);
        EXPECT_EQ(table[129], 0xABCDEFu);
        for (int i = 0; i <= 64; ++i) {
            const auto c = table[static_cast<size_t>(64 + i)];
            EXPECT_EQ(qm::redOf(c), referenceComponent(p[0], p[1], i)) << p[0] << "->" << p[1];
            EXPECT_EQ(qm::greenOf(c), referenceComponent(p[1], p[0], i));
            EXPECT_EQ(qm::blueOf(c), p[0]);
        }
    }
}

TEST(GradientModel, StopStringsGiveTheExpectedEntries) {
    const std::pair<std::string_view, std::vector<std::pair<int, Rgb>>> cases[] = {
        {qm::gradient::kStandardStopString,
         {{0, {0, 0, 0}},
          {1, {1, 2, 2}},
          {32, {32, 64, 64}},
          {64, {63, 127, 127}},
          {128, {255, 255, 255}},
          {192, {127, 63, 127}},
          {255, {2, 1, 2}},
          {256, {0, 0, 0}}}},
        {"0;0;0;32;32;32;64;64;64;128;128;128;256;256;256",
         {{1, {0, 0, 0}}, {32, {16, 16, 16}}, {64, {31, 31, 31}}, {256, {255, 255, 255}}}},
        {"255;255;255;", {{0, {254, 254, 254}}, {64, {0, 0, 0}}}},
        {"", {{0, {0, 0, 0}}, {128, {0, 0, 0}}, {256, {0, 0, 0}}}},
    };
    for (const auto& [text, probes] : cases) {
        qm::SharedColourData data;
        GradientModel model(data);
        EXPECT_EQ(entry(data, 128), (Rgb{0, 0, 0})); // black until the first render
        model.defaultgrad(text);
        for (const auto& [index, colour] : probes)
            EXPECT_EQ(entry(data, index), colour) << text << " entry " << index;
    }
    qm::SharedColourData data;
    GradientModel model(data);
    model.initialise();
    EXPECT_EQ(model.stopString(), qm::gradient::kStandardStopString);
    model.reset();
    for (int i = 0; i <= 256; ++i)
        ASSERT_EQ(entry(data, i), (Rgb{0, 0, 0})) << i;
}

TEST(GradientModel, BadTokenKeepsEarlierFieldsAndLeavesTheTable) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.defaultgrad(qm::gradient::kStandardStopString);
    const auto tableBefore = data.gradientTable();
    EXPECT_THROW(model.defaultgrad("5;x;9;9"), qm::EConvertError);
    EXPECT_EQ(model.field(0), 5);
    EXPECT_EQ(model.field(3), 64);
    EXPECT_FALSE(model.GradientUpdating);
    EXPECT_EQ(data.gradientTable(), tableBefore);
    model.setField(1, 11); // the next change computes the table from all fields
    EXPECT_EQ(entry(data, 0), (Rgb{4, 10, 0}));

    // Loading field by field (user presets) renders each field as it is set.
    model.defaultgrad(qm::gradient::kStandardStopString);
    EXPECT_THROW(model.loadStopString("7;y"), qm::EConvertError);
    EXPECT_EQ(entry(data, 0), (Rgb{6, 0, 0}));
}

TEST(GradientModel, CycledKeepsStopFiveEqualToStopOne) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.defaultgrad("10;20;30");
    model.setCycled(true);
    EXPECT_FALSE(model.stopFiveVisible());
    EXPECT_EQ(entry(data, 256), (Rgb{9, 19, 29}));

    model.defaultgrad("40;50;60;1;1;1;1;1;1;1;1;1;200;200;200;");
    model.setField(1, 100);
    EXPECT_EQ(model.stopString(), "40;100;60;1;1;1;1;1;1;1;1;1;40;100;60;");
    EXPECT_THROW(model.defaultgrad("77;bad"), qm::EConvertError); // copied even mid-batch
    EXPECT_EQ(model.field(12), 77);
    model.setField(0, 40);
    EXPECT_EQ(entry(data, 256), (Rgb{39, 99, 59}));

    // Unchecking shows stop 5 with the values it holds and recomputes nothing.
    const auto table = data.gradientTable();
    model.setCycled(false);
    EXPECT_TRUE(model.stopFiveVisible());
    EXPECT_EQ(data.gradientTable(), table);
    model.setField(1, 1);
    EXPECT_EQ(model.field(13), 100);
}

TEST(GradientModel, RandomizeDrawsFromTheSharedGeneratorAndLimitsZeroToOne) {
    // The first seed makes the first draw 0: its stepped state 1000 is below 2^32 / 257.
    for (const std::uint32_t seed : {999u * 3645876429u, 12345u, 4000000000u}) {
        qm::SharedColourData data;
        GradientModel model(data);
        data.random().seed(seed);
        model.randomize();
        qm::RandomGenerator twin(seed);
        for (int i = 0; i < 15; ++i) {
            const auto drawn = static_cast<int>(twin.nextInt(257));
            EXPECT_EQ(model.field(i), std::max(drawn, 1)) << "seed " << seed;
        }
        EXPECT_EQ(data.random().state(), twin.state());
    }
}

TEST(GradientModel, ListenersHearOncePerOperation) {
    qm::SharedColourData data;
    GradientModel model(data);
    int calls = 0;
    const int id = model.addListener([&] { ++calls; });
    model.defaultgrad(qm::gradient::kStandardStopString);
    model.setField(0, 1); // unchanged: no change handler, no notification
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(model.defaultgrad("9;x"), qm::EConvertError);
    EXPECT_EQ(calls, 2); // a field changed even though the table did not
    model.removeListener(id);
    model.reset();
    EXPECT_EQ(calls, 2);
}

} // namespace
