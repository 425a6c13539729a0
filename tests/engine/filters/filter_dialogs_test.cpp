// The filter dialogs' settings: layout data, value mappings, read-outs, defaults, save and
// restore, settings by name, and the preview helpers.
#include "engine/filters/filter_test_util.h"
#include "engine/image/filters/filter_dialogs.h"
#include "engine/image/filters/filter_errors.h"

#include <gtest/gtest.h>

namespace {

using namespace qm;
using namespace qm::image;

struct SliderRow {
    FilterKind kind;
    const char* title;
    int slider;
    const char* caption;
    const char* property;
    int min, max, tick;
    const char* labels; // min|mid|max
};

const SliderRow kSliders[] = {
    {FilterKind::Rgb, "RGB-Filter", 0, "R:", "Red", -100, 100, 10, "-100%|±0%|+100%"},
    {FilterKind::Rgb, "RGB-Filter", 2, "B:", "Blue", -100, 100, 10, "-100%|±0%|+100%"},
    {FilterKind::Cmy, "CMY-Filter", 1, "M:", "Magenta", -100, 100, 10, "-100%|±0%|+100%"},
    {FilterKind::Hls, "HLS-Filter", 0, "H:", "H", -180, 180, 15, "-180°|±0°|+180°"},
    {FilterKind::Hls, "HLS-Filter", 1, "L:", "L", -100, 100, 10, "-100%|±0%|+100%"},
    {FilterKind::Hsv, "HSV-Filter", 2, "V:", "V", -100, 100, 10, "-100%|±0%|+100%"},
    {FilterKind::Bcg, "Brightness, Contrast, Gamma Filter", 0, "Brightness", "Brightness", -100,
     100, 10, "-100%|±0%|+100%"},
    {FilterKind::Bcg, "Brightness, Contrast, Gamma Filter", 2, "Gamma", "Gamma", -100, 100, 100,
     "0.20|1.00|5.00"},
    {FilterKind::Smooth, "Smooth", 0, "Std. deviation", "StdDeviation", 40, 130, 10, "0.40||1.30"},
    {FilterKind::Sharpen, "Sharpen", 1, "Strength", "Percent", 10, 100, 10, "10%||100%"},
    {FilterKind::Details, "Detail", 1, "Strength", "Percent", 10, 100, 10, "10%||100%"},
    {FilterKind::Blur, "Blur", 0, "Radius", "Radius", 50, 500, 50, "0.50||5.00"},
    {FilterKind::Contours, "Contour", 1, "Strength", "Percent", 100, 1000, 100, "100%||1000%"},
};

TEST(FilterDialogs, TitlesSlidersAndLabels) {
    for (const SliderRow& row : kSliders) {
        const auto d = createFilterDialog(row.kind);
        EXPECT_EQ(d->Title(), row.title);
        const SliderInfo& s = d->Slider(row.slider);
        EXPECT_EQ(s.caption, row.caption);
        EXPECT_EQ(s.property, row.property);
        EXPECT_EQ(s.min, row.min) << row.property;
        EXPECT_EQ(s.max, row.max) << row.property;
        EXPECT_EQ(s.tickFrequency, row.tick) << row.property;
        EXPECT_EQ(s.minLabel + "|" + s.midLabel + "|" + s.maxLabel, row.labels);
    }
    EXPECT_EQ(createFilterDialog(FilterKind::Blur)->SliderCount(), 2);
    EXPECT_EQ(createFilterDialog(FilterKind::Hsv)->SliderCount(), 3);
    const auto bcg = createFilterDialog(FilterKind::Bcg);
    ASSERT_TRUE(bcg->Option());
    EXPECT_EQ(bcg->Option()->first, "RGB");
    EXPECT_EQ(bcg->Option()->second, "Y");
    EXPECT_TRUE(bcg->HasPreview());
    const auto contour = createFilterDialog(FilterKind::Contours);
    EXPECT_EQ(contour->Option()->first, "White");
    EXPECT_EQ(contour->Option()->second, "Black");
    EXPECT_FALSE(contour->HasPreview());
    EXPECT_FALSE(createFilterDialog(FilterKind::Rgb)->Option());
}

TEST(FilterDialogs, ReadOuts) {
    TRGBFilterDialog rgb;
    const struct {
        int value;
        const char* text;
    } percents[] = {{10, "+10%"}, {0, "±0%"}, {-100, "-100%"}, {250, "+100%"}};
    for (const auto& c : percents) {
        rgb.SetRed(c.value);
        EXPECT_EQ(rgb.ReadOut(0), c.text);
    }
    THLSFilterDialog hls;
    hls.SetH(-180);
    EXPECT_EQ(hls.ReadOut(0), "-180°");
    hls.SetH(0);
    EXPECT_EQ(hls.ReadOut(0), "±0°");
    TBCGFilterDialog bcg;
    const struct {
        int position;
        const char* text;
    } powers[] = {{0, "1.00"}, {100, "5.00"}, {-100, "0.20"}, {16, "1.29"}, {50, "2.24"}};
    for (const auto& c : powers) {
        bcg.SetPosition(1, c.position);
        EXPECT_EQ(bcg.ReadOut(1), c.text);
    }
    TSharpenFilterDialog sharpen;
    EXPECT_EQ(sharpen.ReadOut(0), "0.75");
    EXPECT_EQ(sharpen.ReadOut(1), "50%");
}

TEST(FilterDialogs, ValueMappings) {
    TBCGFilterDialog bcg;
    const struct {
        double value;
        int position;
    } contrast[] = {{1.0, 0}, {5.0, 100}, {0.2, -100}, {1.3, 16}, {10.0, 100}, {0.01, -100}};
    for (const auto& c : contrast) {
        bcg.SetContrast(c.value);
        EXPECT_EQ(bcg.Position(1), c.position) << c.value;
    }
    EXPECT_DOUBLE_EQ(bcg.Contrast(), 0.2);
    THSVFilterDialog hsv;
    const struct {
        int value, position;
    } hues[] = {{270, -90}, {-190, 170}, {180, 180}, {-180, -180}, {540, 180}, {541, -179}};
    for (const auto& c : hues) {
        hsv.SetH(c.value);
        EXPECT_EQ(hsv.H(), c.position) << c.value;
    }
    TBlurFilterDialog blur;
    blur.SetRadius(3.456);
    EXPECT_EQ(blur.Position(0), 346);
    EXPECT_DOUBLE_EQ(blur.Radius(), 3.46);
    blur.SetRadius(9.0);
    EXPECT_EQ(blur.Position(0), 500);
}

TEST(FilterDialogs, DefaultsAndMainWindowValues) {
    const struct {
        FilterKind kind;
        std::array<int, 3> dialog, mainWindow;
    } cases[] = {
        {FilterKind::Rgb, {0, 0, 0}, {0, 0, 0}},    {FilterKind::Hls, {0, 0, 0}, {0, 0, 0}},
        {FilterKind::Bcg, {0, 0, 0}, {0, 0, 0}},    {FilterKind::Sharpen, {75, 50}, {75, 50}},
        {FilterKind::Details, {75, 75}, {75, 75}},  {FilterKind::Smooth, {130, 100}, {40, 10}},
        {FilterKind::Blur, {250, 100}, {250, 100}}, {FilterKind::Contours, {100, 100}, {100, 100}},
    };
    for (const auto& c : cases) {
        const auto d = createFilterDialog(c.kind);
        const auto m = createMainWindowFilterDialog(c.kind);
        for (int i = 0; i < d->SliderCount(); ++i) {
            EXPECT_EQ(d->Position(i), c.dialog[static_cast<size_t>(i)]) << d->Title() << i;
            EXPECT_EQ(m->Position(i), c.mainWindow[static_cast<size_t>(i)]) << d->Title() << i;
        }
        EXPECT_FALSE(m->OptionChecked());
    }
    // The main window's Smooth: sigma 0.4, strength 10 %.
    const auto smooth = createMainWindowFilterDialog(FilterKind::Smooth);
    const auto& conv = static_cast<const TConvFilter&>(smooth->Filter());
    EXPECT_EQ(conv.Width(), 3);
    EXPECT_EQ(conv.Kernel(1, 1), 16 + 9 * 20);
}

TEST(FilterDialogs, ChangesReachTheFilterAndCancelRestores) {
    TRGBFilterDialog rgb;
    rgb.SetGreen(-20);
    rgb.SaveSettings();
    rgb.SetRed(10);
    rgb.SetGreen(50);
    const auto& f = static_cast<const TRGBFilter&>(rgb.Filter());
    EXPECT_EQ(f.T0[0], 25);
    EXPECT_EQ(f.T1[0], 127);
    rgb.RestoreSettings();
    EXPECT_EQ(rgb.Red(), 0);
    EXPECT_EQ(rgb.Green(), -20);
    EXPECT_EQ(f.T0[0], 0);
    EXPECT_EQ(f.T1[100], 49);

    TContourFilterDialog contour;
    contour.SaveSettings();
    contour.SetBlackBk(true);
    contour.SetPercent(400);
    const auto& c = static_cast<const TConvFilter&>(contour.Filter());
    EXPECT_EQ(c.Factor, -400.0);
    contour.RestoreSettings();
    EXPECT_FALSE(contour.BlackBk());
    EXPECT_EQ(c.Factor, 100.0);
    EXPECT_EQ(c.Offset, 100.0);
}

TEST(FilterDialogs, SettingsByName) {
    const auto bcg = createMainWindowFilterDialog(FilterKind::Bcg);
    bcg->SetProperty("Brightness", "-40");
    bcg->SetProperty("Gamma", "0.2");
    bcg->SetProperty("UseY", "true");
    const auto& f = static_cast<const TBCGFilter&>(bcg->Filter());
    EXPECT_EQ(f.Brightness(), -40);
    EXPECT_DOUBLE_EQ(f.Gamma(), 0.2);
    EXPECT_TRUE(f.UseY());
    const struct {
        FilterKind kind;
        const char* key;
        const char* value;
    } bad[] = {
        {FilterKind::Bcg, "Contrast", "0.1"},    {FilterKind::Bcg, "Brightness", "101"},
        {FilterKind::Bcg, "UseY", "yes"},        {FilterKind::Bcg, "Red", "1"},
        {FilterKind::Rgb, "Red", "1.5"},         {FilterKind::Smooth, "StdDeviation", "1.31"},
        {FilterKind::Smooth, "Percent", "5"},    {FilterKind::Contours, "Percent", "1001"},
        {FilterKind::Blur, "StdDeviation", "1"}, {FilterKind::Hls, "H", "x"},
        {FilterKind::Blur, "Radius", "nan"},
    };
    for (const auto& c : bad) {
        const auto d = createMainWindowFilterDialog(c.kind);
        EXPECT_THROW(d->SetProperty(c.key, c.value), EFilterSetting) << c.key << "=" << c.value;
    }
    const auto hls = createMainWindowFilterDialog(FilterKind::Hls);
    hls->SetProperty("H", "200");
    EXPECT_EQ(hls->Position(0), -160);
    const auto contour = createMainWindowFilterDialog(FilterKind::Contours);
    contour->SetProperty("Percent", "1000");
    contour->SetProperty("BlackBk", "1");
    EXPECT_EQ(static_cast<const TConvFilter&>(contour->Filter()).Factor, -1000.0);
    EXPECT_EQ(contour->PropertyNames(),
              (std::vector<std::string>{"StdDeviation", "Percent", "BlackBk"}));
}

TEST(FilterPreview, SizeFitsTheAreaKeepingTheAspectRatio) {
    using P = std::pair<int, int>;
    EXPECT_EQ(TPreviewFilterDialog::PreviewSize(100, 50, 200, 200), P(100, 50));
    EXPECT_EQ(TPreviewFilterDialog::PreviewSize(400, 100, 200, 200), P(200, 50));
    EXPECT_EQ(TPreviewFilterDialog::PreviewSize(100, 400, 200, 200), P(50, 200));
    EXPECT_EQ(TPreviewFilterDialog::PreviewSize(10000, 1, 200, 200), P(200, 1));
    EXPECT_EQ(TPreviewFilterDialog::PreviewSize(0, 10, 200, 200), P(0, 0));
}

TEST(FilterPreview, FilteredCopyLeavesTheDialogsFilterAlone) {
    const TPixelGraphic picture = qm::test::randomPicture(40, 20, 11);
    TRGBFilterDialog rgb;
    rgb.SetRed(100);
    const TPixelGraphic copy = TPreviewFilterDialog::PreviewCopy(picture, 20, 20);
    EXPECT_EQ(copy.width(), 20);
    EXPECT_EQ(copy.height(), 10);
    const TPixelGraphic preview = TPreviewFilterDialog::FilteredPreview(copy, rgb.Filter());
    EXPECT_EQ(redOf(preview.pixel(3, 3)), 255);
    EXPECT_EQ(greenOf(preview.pixel(3, 3)), greenOf(copy.pixel(3, 3)));
}

} // namespace
