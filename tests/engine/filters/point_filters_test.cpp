// The point filters: tables, colour models, RGB/CMY/HLS/HSV mappings and
// brightness/contrast/gamma.
#include "engine/image/filters/colour_filters.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace qm;
using namespace qm::image;

struct ShiftCase {
    int percent;
    int at0, at100, at255;
};

TEST(FilterTables, ShiftTableTruncatesTowardZeroAndClamps) {
    const ShiftCase cases[] = {
        {100, 255, 255, 255}, {-100, 0, 0, 0},  {10, 25, 125, 255},
        {-10, 0, 75, 230},    {1, 2, 102, 255}, {-1, 0, 98, 253}, // -255 div 100 = -2
        {0, 0, 100, 255},
    };
    for (const auto& c : cases) {
        const ByteTable t = shiftTable(c.percent);
        EXPECT_EQ(t[0], c.at0) << c.percent;
        EXPECT_EQ(t[100], c.at100) << c.percent;
        EXPECT_EQ(t[255], c.at255) << c.percent;
    }
}

TEST(FilterTables, HueTableShiftsByWholeEntriesAndWraps) {
    const struct {
        int degrees, at0, at200;
    } cases[] = {{180, 128, 72}, {-180, 128, 72}, {1, 0, 200},   {2, 1, 201},
                 {-2, 255, 199}, {360, 0, 200},   {-360, 0, 200}};
    for (const auto& c : cases) {
        const ByteTable t = hueTable(c.degrees);
        EXPECT_EQ(t[0], c.at0) << c.degrees;
        EXPECT_EQ(t[200], c.at200) << c.degrees;
    }
}

TEST(ColourModels, IdentityHueTableKeepsEveryHue) {
    const ByteTable id = identityTable();
    for (double h = 0.0; h < 360.0; h += 0.37)
        EXPECT_NEAR(lookUpHue(id, h), h, 1e-9) << h;
    // The step from the last entry to the first goes the short way round.
    EXPECT_NEAR(lookUpHue(id, 179.9), 179.9, 1e-9);
}

TEST(ColourModels, HueInterpolationTakesTheShortWayRound) {
    ByteTable t = identityTable();
    t[128] = 250; // h = 0 maps to t = 128
    t[129] = 2;   // neighbours across the wrap: 250 -> 258
    // Half way between entries 128 and 129: (250 + 258) / 2 = 254.
    const double h = 0.5 * 360.0 / 256.0;
    EXPECT_NEAR(lookUpHue(t, h), 254.0 * 360.0 / 256.0 - 180.0, 1e-9);
    t[128] = 2;
    t[129] = 250; // 250 -> -6 : (2 - 6) / 2 = -2 -> wraps below 0
    EXPECT_NEAR(lookUpHue(t, h), -2.0 * 360.0 / 256.0 - 180.0 + 360.0, 1e-9);
}

TEST(ColourModels, FractionLookupInterpolatesAndUsesLastEntryAtTheTop) {
    ByteTable t = identityTable();
    t[10] = 20;
    t[11] = 40;
    EXPECT_NEAR(lookUpFraction(t, 10.25 / 255.0), 25.0 / 255.0, 1e-12);
    t[255] = 7;
    EXPECT_NEAR(lookUpFraction(t, 1.0), 7.0 / 255.0, 1e-12);
}

TEST(ColourModels, ConversionsOfPrimaries) {
    const HlsColour red = rgbToHls({1, 0, 0});
    EXPECT_DOUBLE_EQ(red.h, 0.0);
    EXPECT_DOUBLE_EQ(red.l, 0.5);
    EXPECT_DOUBLE_EQ(red.s, 1.0);
    EXPECT_DOUBLE_EQ(rgbToHls({0, 0, 1}).h, 240.0);
    EXPECT_DOUBLE_EQ(rgbToHls({1, 0, 1}).h, 300.0); // negative hue + 360
    EXPECT_FALSE(hueDefined(rgbToHls({0.3, 0.3, 0.3}).h));
    EXPECT_FALSE(hueDefined(rgbToHsv({0, 0, 0}).h));
    const RgbFraction blue = hsvToRgb({240, 1, 1});
    EXPECT_DOUBLE_EQ(blue.r, 0.0);
    EXPECT_DOUBLE_EQ(blue.b, 1.0);
    const RgbFraction cyan = hlsToRgb({180, 0.5, 1});
    EXPECT_DOUBLE_EQ(cyan.r, 0.0);
    EXPECT_DOUBLE_EQ(cyan.g, 1.0);
    EXPECT_DOUBLE_EQ(cyan.b, 1.0);
}

TEST(ColourModels, FractionToByteRoundsHalvesToEven) {
    EXPECT_EQ(fractionToByte(0.5 / 255.0), 0);
    EXPECT_EQ(fractionToByte(1.5 / 255.0), 2);
    EXPECT_EQ(fractionToByte(-0.1), 0);
    EXPECT_EQ(fractionToByte(1.2), 255);
}

// Every 5th level of each channel, with the extremes.
template <class F> void forColourGrid(F f) {
    for (int r = 0; r <= 255; r += 15)
        for (int g = 0; g <= 255; g += 15)
            for (int b = 0; b <= 255; b += 15)
                f(makeColour(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                             static_cast<std::uint8_t>(b)));
}

TEST(PointFilters, IdentityTablesLeaveColoursUnchanged) {
    const TRGBFilter rgb;
    const TCMYFilter cmy;
    const THLSFilter hls;
    const THSVFilter hsv;
    forColourGrid([&](ColourValue c) {
        EXPECT_EQ(rgb.FilterColor(c), c);
        EXPECT_EQ(cmy.FilterColor(c), c);
        EXPECT_EQ(hls.FilterColor(c), c) << std::hex << c;
        EXPECT_EQ(hsv.FilterColor(c), c) << std::hex << c;
    });
}

TEST(PointFilters, RgbAndCmyChannelShifts) {
    TRGBFilter rgb;
    rgb.T0 = shiftTable(100);
    EXPECT_EQ(rgb.FilterColor(makeColour(3, 4, 5)), makeColour(255, 4, 5));
    rgb.T0 = shiftTable(-100);
    EXPECT_EQ(rgb.FilterColor(makeColour(200, 4, 5)), makeColour(0, 4, 5));
    rgb.T0 = shiftTable(10);
    rgb.T2 = shiftTable(-10);
    EXPECT_EQ(rgb.FilterColor(makeColour(100, 4, 100)), makeColour(125, 4, 75));

    TCMYFilter cmy;
    cmy.T0 = shiftTable(10); // more cyan: less red
    cmy.T1 = shiftTable(100);
    EXPECT_EQ(cmy.FilterColor(makeColour(100, 100, 100)), makeColour(75, 0, 100));
}

TEST(PointFilters, HlsHueTurnAndGreys) {
    THLSFilter f;
    f.T0 = hueTable(180);
    EXPECT_EQ(f.FilterColor(makeColour(255, 0, 0)), makeColour(0, 255, 255));
    EXPECT_EQ(f.FilterColor(makeColour(90, 90, 90)), makeColour(90, 90, 90));
    // A grey has no hue, so saturation cannot give it one; only lightness acts.
    f.T2 = shiftTable(50);
    EXPECT_EQ(f.FilterColor(makeColour(90, 90, 90)), makeColour(90, 90, 90));
    f.T1 = shiftTable(10);
    EXPECT_EQ(f.FilterColor(makeColour(90, 90, 90)), makeColour(115, 115, 115));
    // Saturation down to 0 turns a colour grey of the same lightness.
    THLSFilter desaturate;
    desaturate.T2 = shiftTable(-100);
    EXPECT_EQ(desaturate.FilterColor(makeColour(255, 0, 0)), makeColour(128, 128, 128));
}

TEST(PointFilters, HsvHueSaturationAndValue) {
    THSVFilter f;
    f.T0 = hueTable(180);
    EXPECT_EQ(f.FilterColor(makeColour(255, 0, 0)), makeColour(0, 255, 255));
    // 120 degrees are 85 entries (85.33 truncated): a little short of pure green.
    f.T0 = hueTable(120);
    const ColourValue turned = f.FilterColor(makeColour(255, 0, 0));
    EXPECT_EQ(greenOf(turned), 255);
    EXPECT_EQ(blueOf(turned), 0);
    EXPECT_GT(redOf(turned), 0);
    EXPECT_LE(redOf(turned), 3);
    THSVFilter v;
    v.T2 = shiftTable(-100);
    EXPECT_EQ(v.FilterColor(makeColour(10, 200, 30)), 0u);
    THSVFilter s;
    s.T1 = shiftTable(-100); // grey at the colour's value
    EXPECT_EQ(s.FilterColor(makeColour(10, 200, 30)), makeColour(200, 200, 200));
    // Value acts after the grey reset, so a grey pixel still brightens.
    THSVFilter grey;
    grey.T1 = shiftTable(100);
    grey.T2 = shiftTable(10);
    EXPECT_EQ(grey.FilterColor(makeColour(90, 90, 90)), makeColour(115, 115, 115));
}

TEST(BcgFilter, DefaultsLeaveEveryColourUnchanged) {
    const TBCGFilter f;
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(f.T()[static_cast<size_t>(i)], i);
    forColourGrid([&](ColourValue c) { EXPECT_EQ(f.FilterColor(c), c); });
}

TEST(BcgFilter, TableRoundsHalvesToEvenAndLimits) {
    TBCGFilter f;
    f.SetBrightness(10); // + 25.5
    EXPECT_EQ(f.T()[0], 26);
    EXPECT_EQ(f.T()[1], 26); // 26.5 -> 26
    EXPECT_EQ(f.T()[2], 28); // 27.5 -> 28
    EXPECT_EQ(f.T()[250], 255);
    f.SetBrightness(0);
    f.SetGamma(2.0);
    EXPECT_EQ(f.T()[128], 64); // 64.25
    f.SetGamma(1.0);
    f.SetContrast(5.0);
    EXPECT_EQ(f.T()[0], 0);
    EXPECT_EQ(f.T()[128], 130); // (128 - 127.5) * 5 + 127.5
    EXPECT_EQ(f.T()[255], 255);
    // Settings that make no number never leave the byte range.
    f.SetContrast(0.0);
    f.SetGamma(-1.0);
    EXPECT_EQ(f.T()[0], 0);
}

TEST(BcgFilter, LumaModeChangesGreysAndKeepsHue) {
    TBCGFilter f;
    f.SetUseY(true);
    forColourGrid([&](ColourValue c) {
        const ColourValue out = f.FilterColor(c);
        EXPECT_LE(std::abs(redOf(out) - redOf(c)), 1) << std::hex << c;
        EXPECT_LE(std::abs(greenOf(out) - greenOf(c)), 1) << std::hex << c;
        EXPECT_LE(std::abs(blueOf(out) - blueOf(c)), 1) << std::hex << c;
    });
    f.SetBrightness(10);
    EXPECT_EQ(f.FilterColor(makeColour(100, 100, 100)), makeColour(126, 126, 126));
    const ColourValue red = f.FilterColor(makeColour(200, 0, 0));
    EXPECT_GT(redOf(red), 200);
    EXPECT_EQ(greenOf(red), blueOf(red)); // U and V kept: only the luma moved
}

} // namespace
