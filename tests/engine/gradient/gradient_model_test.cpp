// Stop strings, GradientTable computation and the palette editor's commands.
#include "engine/core/errors.h"
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_model.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

using qm::gradient::GradientFields;
using qm::gradient::GradientModel;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb entry(const qm::SharedColourData& data, int index) {
    const auto c = (*data.gradientTable())[static_cast<size_t>(index)];
    EXPECT_EQ(c >> 24, 0u);
    return {qm::redOf(c), qm::greenOf(c), qm::blueOf(c)};
}

GradientFields fieldsOf(std::vector<int> values) {
    GradientFields f{};
    for (size_t i = 0; i < f.size(); ++i)
        f[i] = values.at(i);
    return f;
}

std::vector<std::pair<int, int>> readAll(std::string_view text) {
    std::vector<std::pair<int, int>> calls;
    qm::gradient::readStopString(text, [&](int i, int v) { calls.emplace_back(i, v); });
    return calls;
}

// start + (end - start) * i / 64 with halves to even, in integers only.
int referenceComponent(int start, int end, int i) {
    const int num = (end - start) * i;
    const int mag = std::abs(num);
    int q = mag / 64;
    const int rem = mag % 64;
    if (rem > 32 || (rem == 32 && q % 2 == 1)) ++q;
    return start + (num < 0 ? -q : q);
}

TEST(StopString, ReadsTokensIntoFieldsInOrder) {
    struct Case {
        const char* text;
        std::vector<int> fields;
    };
    const Case cases[] = {
        {"", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;",
         {1, 1, 1, 64, 128, 128, 256, 256, 256, 128, 64, 128, 1, 1, 1}},
        // No trailing ";" still fills all fifteen fields.
        {"0;0;0;32;32;32;64;64;64;128;128;128;256;256;256",
         {1, 1, 1, 32, 32, 32, 64, 64, 64, 128, 128, 128, 256, 256, 256}},
        // Short strings and empty tokens give 1; out-of-range values take the nearer bound.
        {"7;;300;-4", {7, 1, 256, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {";;;;;;;;;;;;;;;", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        // Anything after the fifteenth value is ignored, even text that is no number.
        {"1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;junk",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"255;2147483647;-2147483648; 9", {255, 256, 1, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        const auto calls = readAll(c.text);
        ASSERT_EQ(calls.size(), 15u) << c.text;
        for (int i = 0; i < 15; ++i) {
            EXPECT_EQ(calls[static_cast<size_t>(i)].first, i);
            EXPECT_EQ(calls[static_cast<size_t>(i)].second, c.fields[static_cast<size_t>(i)])
                << c.text << " field " << i;
        }
    }
}

TEST(StopString, BadTokenStopsAfterTheFieldsBeforeIt) {
    struct Case {
        const char* text;
        const char* token;
        size_t setBefore;
    };
    const Case cases[] = {
        {"5;x;1", "x", 1},
        {"abc", "abc", 0},
        {"1;2;3.5;", "3.5", 2},
        {"1;2;3;4 ;", "4 ", 3},
        {"99999999999;", "99999999999", 0},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<int, int>> calls;
        try {
            qm::gradient::readStopString(c.text, [&](int i, int v) { calls.emplace_back(i, v); });
            ADD_FAILURE() << c.text;
        } catch (const qm::EConvertError& e) {
            EXPECT_EQ(e.message(), "'" + std::string(c.token) + "' is not a valid integer value");
        }
        EXPECT_EQ(calls.size(), c.setBefore) << c.text;
    }
}

TEST(StopString, WritesFifteenValuesEachWithSemicolon) {
    const auto fields = fieldsOf({1, 1, 1, 64, 128, 128, 256, 256, 256, 128, 64, 128, 1, 1, 1});
    EXPECT_EQ(qm::gradient::formatStopString(fields), qm::gradient::kStandardStopString);
}

TEST(StopString, FieldTextThatIsNoWholeNumberCountsAsOne) {
    EXPECT_EQ(qm::gradient::fieldValueFromText("17"), 17);
    EXPECT_EQ(qm::gradient::fieldValueFromText("1000"), 256);
    EXPECT_EQ(qm::gradient::fieldValueFromText("0"), 1);
    EXPECT_EQ(qm::gradient::fieldValueFromText("12.5"), 1);
    EXPECT_EQ(qm::gradient::fieldValueFromText(""), 1);
}

TEST(FillSegment, RoundsHalvesToEvenAndWritesSixtyFiveEntries) {
    // Start/end pairs that hit exact halves at various steps, rising and falling.
    const int pairs[][2] = {{0, 63},  {63, 0},  {0, 1},   {1, 0}, {0, 255},
                            {255, 0}, {10, 13}, {200, 3}, {7, 7}, {127, 128}};
    for (const auto& p : pairs) {
        qm::GradientTableData table{};
        table.fill(0xABCDEFu);
        const auto s = static_cast<std::uint8_t>(p[0]);
        const auto e = static_cast<std::uint8_t>(p[1]);
        GradientModel::fillsegment(table, 64, s, e, e, s, s, s);
        EXPECT_EQ(table[63], 0xABCDEFu);
        EXPECT_EQ(table[64 + 65], 0xABCDEFu);
        for (int i = 0; i <= 64; ++i) {
            const auto c = table[static_cast<size_t>(64 + i)];
            EXPECT_EQ(qm::redOf(c), referenceComponent(p[0], p[1], i)) << p[0] << "->" << p[1];
            EXPECT_EQ(qm::greenOf(c), referenceComponent(p[1], p[0], i));
            EXPECT_EQ(qm::blueOf(c), p[0]);
        }
    }
    qm::GradientTableData table{};
    EXPECT_THROW(GradientModel::fillsegment(table, 193, 0, 0, 0, 0, 0, 0), std::out_of_range);
    EXPECT_NO_THROW(GradientModel::fillsegment(table, 192, 0, 0, 0, 0, 0, 0));
}

TEST(GradientModel, TableIsBlackUntilTheFirstRender) {
    qm::SharedColourData data;
    GradientModel model(data);
    EXPECT_EQ(model.field(0), 2); // the form's default, overwritten at creation
    for (int i = 0; i <= 256; ++i)
        EXPECT_EQ(entry(data, i), (Rgb{0, 0, 0}));
    model.initialise();
    EXPECT_EQ(model.stopString(), qm::gradient::kStandardStopString);
}

TEST(GradientModel, PresetsGiveTheExpectedEntries) {
    struct Probe {
        int index;
        Rgb colour;
    };
    struct Case {
        std::string_view text;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
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
        // 255 means component 254.
        {"255;255;255;", {{0, {254, 254, 254}}, {64, {0, 0, 0}}}},
    };
    for (const auto& c : cases) {
        qm::SharedColourData data;
        GradientModel model(data);
        model.defaultgrad(c.text);
        for (const auto& p : c.probes)
            EXPECT_EQ(entry(data, p.index), p.colour) << c.text << " entry " << p.index;
    }
}

TEST(GradientModel, EmptyStringAndResetGiveAnAllBlackTable) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.defaultgrad(qm::gradient::kStandardStopString);
    model.defaultgrad("");
    for (int i = 0; i <= 256; ++i)
        ASSERT_EQ(entry(data, i), (Rgb{0, 0, 0})) << i;
    model.defaultgrad("256;256;256;256;256;256;256;256;256;256;256;256;256;256;256");
    EXPECT_EQ(entry(data, 100), (Rgb{255, 255, 255}));
    model.reset();
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(model.field(i), 1);
    for (int i = 0; i <= 256; ++i)
        ASSERT_EQ(entry(data, i), (Rgb{0, 0, 0})) << i;
}

TEST(GradientModel, BadTokenKeepsEarlierFieldsAndLeavesTheTable) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.defaultgrad(qm::gradient::kStandardStopString);
    const auto tableBefore = data.gradientTable();
    try {
        model.defaultgrad("5;x;9;9");
        FAIL();
    } catch (const qm::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(model.field(0), 5);
    EXPECT_EQ(model.field(1), 1);
    EXPECT_EQ(model.field(3), 64);
    EXPECT_FALSE(model.GradientUpdating);
    EXPECT_EQ(data.gradientTable(), tableBefore); // not recomputed
    // The next change computes it from all fields.
    model.setField(1, 11);
    EXPECT_EQ(entry(data, 0), (Rgb{4, 10, 0}));
}

TEST(GradientModel, FieldByFieldLoadRendersTheFieldsSetBeforeAnError) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.defaultgrad(qm::gradient::kStandardStopString);
    EXPECT_THROW(model.loadStopString("5;x"), qm::EConvertError);
    EXPECT_EQ(entry(data, 0), (Rgb{4, 0, 0}));
    EXPECT_EQ(entry(data, 64), (Rgb{63, 127, 127}));
}

TEST(GradientModel, FieldsAreLimitedAndOnlyChangesRender) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.reset();
    model.setField(0, 0);
    EXPECT_EQ(model.field(0), 1);
    model.setField(0, 999);
    EXPECT_EQ(model.field(0), 256);
    EXPECT_EQ(entry(data, 0), (Rgb{255, 0, 0}));
    const auto table = data.gradientTable();
    model.setField(0, 256);
    EXPECT_EQ(data.gradientTable(), table);
    EXPECT_THROW(model.setField(15, 1), std::out_of_range);
    EXPECT_THROW(model.setField(-1, 1), std::out_of_range);
}

TEST(GradientModel, UpdatingFlagDefersTheTable) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.reset();
    model.GradientUpdating = true;
    model.setField(0, 256);
    EXPECT_EQ(entry(data, 0), (Rgb{0, 0, 0}));
    model.GradientUpdating = false;
    model.render();
    EXPECT_EQ(entry(data, 0), (Rgb{255, 0, 0}));
}

TEST(GradientModel, CycledCopiesStopOneIntoStopFive) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.defaultgrad("10;20;30");
    EXPECT_EQ(entry(data, 256), (Rgb{0, 0, 0}));
    model.setCycled(true);
    EXPECT_FALSE(model.stopFiveVisible());
    EXPECT_EQ(entry(data, 256), (Rgb{9, 19, 29}));
    EXPECT_EQ(model.field(12), 10);

    // Whatever a stop string says for stop 5, it ends equal to stop 1.
    model.defaultgrad("40;50;60;1;1;1;1;1;1;1;1;1;200;200;200;");
    EXPECT_EQ(model.field(12), 40);
    EXPECT_EQ(model.field(13), 50);
    EXPECT_EQ(model.field(14), 60);
    EXPECT_EQ(entry(data, 256), (Rgb{39, 49, 59}));
    // An edit of stop 1 follows into stop 5 at once.
    model.setField(1, 100);
    EXPECT_EQ(entry(data, 256), (Rgb{39, 99, 59}));
    EXPECT_EQ(model.stopString(), "40;100;60;1;1;1;1;1;1;1;1;1;40;100;60;");

    // Unchecking shows stop 5 with the values it holds and recomputes nothing.
    const auto table = data.gradientTable();
    model.setCycled(false);
    EXPECT_TRUE(model.stopFiveVisible());
    EXPECT_EQ(model.field(13), 100);
    EXPECT_EQ(data.gradientTable(), table);
    model.setField(1, 1);
    EXPECT_EQ(model.field(13), 100);
}

TEST(GradientModel, CycledCopyHappensEvenWhenAStringFailsHalfway) {
    qm::SharedColourData data;
    GradientModel model(data);
    model.reset();
    model.setCycled(true);
    EXPECT_THROW(model.defaultgrad("77;bad"), qm::EConvertError);
    EXPECT_EQ(model.field(12), 77);
}

TEST(GradientModel, RandomizeDrawsFifteenValuesFromTheSharedGenerator) {
    for (const std::uint32_t seed : {0u, 1u, 12345u, 86399999u, 4000000000u}) {
        qm::SharedColourData data;
        GradientModel model(data);
        data.random().seed(seed);
        model.randomize();
        qm::RandomGenerator twin(seed);
        for (int i = 0; i < 15; ++i) {
            const auto drawn = static_cast<int>(twin.nextInt(257));
            EXPECT_EQ(model.field(i), drawn == 0 ? 1 : drawn) << "seed " << seed;
        }
        EXPECT_EQ(data.random().state(), twin.state());
        qm::SharedColourData other;
        GradientModel check(other);
        check.defaultgrad(model.stopString());
        EXPECT_EQ(*data.gradientTable(), *other.gradientTable());
    }
}

TEST(GradientModel, RandomizeTurnsADrawnZeroIntoOne) {
    // nextInt(257) is 0 exactly when the stepped state is below 2^32 / 257.
    qm::SharedColourData data;
    GradientModel model(data);
    const std::uint32_t zeroState = 1000;
    data.random().seed((zeroState - 1u) * 3645876429u); // inverse of 134775813 mod 2^32
    ASSERT_EQ(qm::RandomGenerator(data.random().state()).nextInt(257), 0u);
    model.randomize();
    EXPECT_EQ(model.field(0), 1);
}

TEST(GradientModel, ListenersHearOncePerOperation) {
    qm::SharedColourData data;
    GradientModel model(data);
    int calls = 0;
    const int id = model.addListener([&] { ++calls; });
    model.defaultgrad(qm::gradient::kStandardStopString);
    EXPECT_EQ(calls, 1);
    model.setField(0, 1); // unchanged value
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(model.defaultgrad("9;x"), qm::EConvertError);
    EXPECT_EQ(calls, 2); // a field changed even though the table did not
    model.setCycled(true);
    EXPECT_EQ(calls, 3);
    model.randomize();
    EXPECT_EQ(calls, 4);
    model.removeListener(id);
    model.reset();
    EXPECT_EQ(calls, 4);
}

TEST(GradientModel, ListenerMayEditTheModel) {
    qm::SharedColourData data;
    GradientModel model(data);
    int calls = 0;
    model.addListener([&] {
        ++calls;
        model.setField(2, 33); // as a front end writing back a field
    });
    model.reset();
    EXPECT_EQ(model.field(2), 33);
    EXPECT_EQ(entry(data, 0), (Rgb{0, 0, 32}));
    EXPECT_EQ(calls, 2);
}

} // namespace
