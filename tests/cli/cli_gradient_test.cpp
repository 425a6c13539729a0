// The `gradient` and `plasma` commands.
#include "cli/cli_runner.h"
#include "engine/plasma/plasma_generator.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

std::string line(const std::string& text, size_t index) {
    std::istringstream in(text);
    std::string l;
    for (size_t i = 0; i <= index && std::getline(in, l); ++i) {
    }
    return l;
}

TEST(CliGradient, PrintsTheTableOfAStopString) {
    const auto standard = qm::test::runCli({"gradient"});
    ASSERT_EQ(standard.exitCode, 0) << standard.err;
    EXPECT_EQ(std::count(standard.out.begin(), standard.out.end(), '\n'), 257);
    EXPECT_EQ(line(standard.out, 32), "32 32 64 64");
    EXPECT_EQ(line(standard.out, 255), "255 2 1 2");
    const auto grey =
        qm::test::runCli({"gradient", "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"});
    EXPECT_EQ(line(grey.out, 32), "32 16 16 16");
    EXPECT_EQ(line(grey.out, 256), "256 255 255 255");
}

TEST(CliGradient, BadTokenIsAConversionError) {
    const auto r = qm::test::runCli({"gradient", "5;x;"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "EConvertError: 'x' is not a valid integer value\n");
    EXPECT_EQ(qm::test::runCli({"gradient", "1;", "2;"}).exitCode, 2);
}

TEST(CliPlasma, WritesTheSeededPlasmaAsAGreyPicture) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("qm_plasma_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = (dir / "cloud.pgm").string();
    const auto r = qm::test::runCli(
        {"plasma", "-o", file, "--seed", "42", "--brightness", "30", "--noise", "3.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string pgm = qm::test::readWholeFile(file);
    const std::string header = "P5\n321 241\n255\n";
    ASSERT_EQ(pgm.size(), header.size() + 321 * 241);
    EXPECT_EQ(pgm.substr(0, header.size()), header);

    qm::SharedColourData data;
    qm::plasma::setPlasmaSettings(data, 3.5, 30);
    qm::plasma::fillplasma(data, 42);
    for (const auto& [x, y] : {std::pair{0, 0}, {160, 120}, {320, 240}, {17, 203}})
        EXPECT_EQ(static_cast<std::uint8_t>(pgm[header.size() + static_cast<size_t>(y * 321 + x)]),
                  data.plasmaBuffer()->at(x, y));

    EXPECT_EQ(qm::test::runCli({"plasma", "--seed", "1"}).exitCode, 2); // no -o
    EXPECT_EQ(qm::test::runCli({"plasma", "-o", file, "--brightness", "101"}).exitCode, 2);
    EXPECT_EQ(qm::test::runCli({"plasma", "-o", file, "--seed", "-1"}).exitCode, 2);
    std::filesystem::remove_all(dir);
}

} // namespace
