// The recent-files list, the Fractal Fun File and the field value rules.
#include "engine/params/field_rules.h"
#include "engine/core/atomic_file.h"
#include "engine/params/fractal_fun_file.h"
#include "engine/params/recent_files.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace qm::params;

std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

TEST(RecentFiles, KeepsTenMostRecentFirstWithoutDuplicates) {
    RecentFiles list;
    for (int i = 1; i <= 11; ++i)
        list.add("/p/" + std::to_string(i) + ".qmp");
    ASSERT_EQ(list.items().size(), 10u);
    EXPECT_EQ(list.items().front(), "/p/11.qmp");
    EXPECT_EQ(list.items().back(), "/p/2.qmp"); // the oldest was dropped
    list.add("/p/5.qmp");
    EXPECT_EQ(list.items().front(), "/p/5.qmp");
    EXPECT_EQ(list.items().size(), 10u);
    EXPECT_EQ(std::count(list.items().begin(), list.items().end(), "/p/5.qmp"), 1);
    list.add("/P/5.qmp"); // paths differ by case on this platform
    EXPECT_EQ(list.items()[1], "/p/5.qmp");
    list.add("");
    EXPECT_EQ(list.items().front(), "/P/5.qmp");
}

TEST(RecentFiles, StoredValuesRestoreTheSameOrder) {
    RecentFiles list;
    for (const char* p : {"/c", "/b", "/a"})
        list.add(p);
    const auto stored = list.storedValues();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0], (std::pair<std::string, std::string>{"Item_0", "/a"}));
    EXPECT_EQ(stored[2], (std::pair<std::string, std::string>{"Item_2", "/c"}));

    auto shuffled = stored;
    std::swap(shuffled[0], shuffled[2]);
    EXPECT_EQ(RecentFiles::restore(shuffled).items(), list.items());
}

TEST(RecentFiles, RestoreSkipsForeignNamesAndCapsTheList) {
    RecentFiles::StoredValues values = {
        {"Item_3", "/three"}, {"Item_x", "/bad"},  {"item_1", "/case"},
        {"Item_", "/none"},   {"Item_1", "/one"},  {"Item_2", ""},
        {"Other", "/other"},  {"Item_-1", "/neg"}, {"Item_999999999", "/far"},
    };
    EXPECT_EQ(RecentFiles::restore(values).items(),
              (std::vector<std::string>{"/one", "/three", "/far"}));
    RecentFiles::StoredValues many;
    for (int i = 0; i < 40; ++i)
        many.emplace_back("Item_" + std::to_string(i), "/f" + std::to_string(i));
    const auto list = RecentFiles::restore(many);
    ASSERT_EQ(list.items().size(), 10u);
    EXPECT_EQ(list.items().front(), "/f0");
    EXPECT_EQ(list.items().back(), "/f9");
}

TEST(FractalFunFile, ColourTexts) {
    struct Case {
        qm::ColourValue value;
        const char* text;
    };
    const Case cases[] = {
        {qm::makeColour(0, 0, 0), "clBlack"},
        {qm::makeColour(128, 0, 0), "clMaroon"},
        {qm::makeColour(0, 128, 0), "clGreen"},
        {qm::makeColour(128, 128, 0), "clOlive"},
        {qm::makeColour(0, 0, 128), "clNavy"},
        {qm::makeColour(128, 0, 128), "clPurple"},
        {qm::makeColour(0, 128, 128), "clTeal"},
        {qm::makeColour(128, 128, 128), "clGray"},
        {qm::makeColour(192, 192, 192), "clSilver"},
        {qm::makeColour(255, 0, 0), "clRed"},
        {qm::makeColour(0, 255, 0), "clLime"},
        {qm::makeColour(255, 255, 0), "clYellow"},
        {qm::makeColour(0, 0, 255), "clBlue"},
        {qm::makeColour(255, 0, 255), "clFuchsia"},
        {qm::makeColour(0, 255, 255), "clAqua"},
        {qm::makeColour(255, 255, 255), "clWhite"},
        {qm::makeColour(255, 255, 1), "$0001FFFF"},
        {qm::makeColour(18, 52, 86), "$00563412"},
        {qm::makeColour(32, 64, 64), "$00404020"},
        {qm::makeColour(1, 0, 0), "$00000001"},
        {0xFF000000u, "$FF000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(colourText(c.value), c.text) << std::hex << c.value;
}

TEST(FractalFunFile, HasTheCoordinateLineAnd257ColourLines) {
    qm::GradientTableData table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] =
            qm::makeColour(static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(i / 2));
    table[256] = qm::makeColour(255, 255, 255);
    const auto lines = splitCrLf(fractalFunText(0.00005, -2, 1.5, 1e20, table));
    ASSERT_EQ(lines.size(), 258u);
    EXPECT_EQ(lines[0], "5E-5,-2,1.5,1E20");
    EXPECT_EQ(lines[1], "clBlack");
    EXPECT_EQ(lines[2], "$00000001");
    EXPECT_EQ(lines[129], "$00400080");
    EXPECT_EQ(lines[257], "clWhite");
}

TEST(FractalFunFile, WriteFailureIsCannotCreateFile) {
    qm::test::TempDir dir;
    const auto bad = dir / "missing" / "x.fff";
    try {
        writeFractalFunFile(bad, "x\r\n");
        FAIL() << "no error";
    } catch (const qm::EFCreateError& e) {
        EXPECT_EQ(e.message(), "Cannot create file " + bad.string());
        EXPECT_STREQ(e.className(), "EFCreateError");
    }
    qm::test::writeBytes(dir / "old.fff", "old\r\n");
    writeFractalFunFile(dir / "old.fff", "line\r\n");
    EXPECT_EQ(qm::test::readBytes(dir / "old.fff"), "line\r\n");
    EXPECT_EQ(qm::test::entryCount(dir.path()), 1u); // replaced whole, no temporary left
}

TEST(FieldRules, DecimalFieldsRoundOnTheDecimalDigits) {
    struct Case {
        double in;
        double out;
    };
    const Case cases[] = {
        {0.123456789, 0.12345679},
        {0.42, 0.42},
        {-0.123456785, -0.12345679},
        {0.999999995, 1.0},
        {0.000000004, 0.0},
        {0.000000005, 0.00000001},
        {12345.678901234, 12345.67890123},
        {1e20, 1e20},
        {0.0, 0.0},
        {0.1234567849999999, 0.12345679}, // 15 digits give ...785, which rounds up
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimalFieldValue(c.in, 8), c.out) << c.in;
    EXPECT_FALSE(std::signbit(decimalFieldValue(-0.000000001, 8)));
    EXPECT_EQ(coordinateFieldValue(1.0 / 3.0), 0.333333333333333);
}

TEST(FieldRules, IntegerFieldsRoundHalfToEvenThenClamp) {
    struct Case {
        double in;
        double lo, hi;
        double out;
    };
    const Case cases[] = {
        {100.5, 8, 65535, 100}, {101.5, 8, 65535, 102},     {2, 8, 65535, 8},
        {1e9, 8, 65535, 65535}, {0, 1, 65535, 1},           {-7.5, -1e300, 1e300, -8},
        {7.49, 1, 65535, 7},    {65535.5, 1, 65535, 65535},
    };
    for (const auto& c : cases)
        EXPECT_EQ(integerFieldValue(c.in, c.lo, c.hi), c.out) << c.in;
}

} // namespace
