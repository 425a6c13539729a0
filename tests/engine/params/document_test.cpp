// The document model: creation state, field rules, catalogue commands and check marks.
#include "engine/params/fractal_document.h"

#include <gtest/gtest.h>

namespace {

using qm::params::ColourModel;
using qm::params::FractalDocument;
namespace fractal = qm::fractal;

const fractal::FractalType& entry(const char* identifier) {
    const auto* t = fractal::findByIdentifier(identifier);
    EXPECT_NE(t, nullptr) << identifier;
    return *t;
}

TEST(FractalDocument, CreationState) {
    const FractalDocument d;
    EXPECT_EQ(d.view(), fractal::kDefaultView);
    EXPECT_EQ(d.max(), 128);
    EXPECT_EQ(d.bailout(), 4);
    EXPECT_EQ(d.order(), 3);
    EXPECT_EQ(d.juliaX(), 0.42);
    EXPECT_EQ(d.juliaY(), 0.23);
    EXPECT_EQ(d.widthField(), 320);
    EXPECT_EQ(d.heightField(), 240);
    EXPECT_EQ(d.pictureWidth(), 320);
    EXPECT_EQ(d.pictureHeight(), 240);
    for (const auto* f :
         {&d.paletteFormula(), &d.redFormula(), &d.greenFormula(), &d.blueFormula()})
        EXPECT_EQ(*f, "i*2");
    EXPECT_EQ(d.fractalType().identifier, std::string("mandel"));
    EXPECT_EQ(d.get_f_type(), 1);
    EXPECT_FALSE(d.juliaMode() || d.insideOut() || d.flipX() || d.flipY() || d.mirror() ||
                 d.repeatPalette());
    EXPECT_TRUE(d.constrainSelection());
    EXPECT_EQ(d.colourModel(), ColourModel::FixedPalette);
    EXPECT_EQ(d.orientation().re, 1.0);
    EXPECT_EQ(d.orientation().im, 0.0);
    EXPECT_FALSE(d.orderVisible());
    EXPECT_FALSE(d.juliaFieldsVisible());
    EXPECT_EQ(d.bailoutLabel(), "Dmax:");
    EXPECT_EQ(d.caption(), "Mandelbrot Image");
}

TEST(FractalDocument, FieldsApplyTheirRules) {
    FractalDocument d;
    struct Case {
        void (FractalDocument::*set)(double);
        double in;
        double (*get)(const FractalDocument&);
        double expected;
    };
    const auto max = [](const FractalDocument& x) { return static_cast<double>(x.max()); };
    const auto bail = [](const FractalDocument& x) { return static_cast<double>(x.bailout()); };
    const auto order = [](const FractalDocument& x) { return static_cast<double>(x.order()); };
    const auto jx = [](const FractalDocument& x) { return x.juliaX(); };
    const auto ux = [](const FractalDocument& x) { return x.upperX(); };
    const auto w = [](const FractalDocument& x) { return x.widthField(); };
    const Case cases[] = {
        {&FractalDocument::setMax, 2, max, 8},
        {&FractalDocument::setMax, 100.5, max, 100},
        {&FractalDocument::setMax, 1e12, max, 65535},
        {&FractalDocument::setBailout, 0, bail, 1},
        {&FractalDocument::setBailout, 4.5, bail, 4},
        {&FractalDocument::setOrder, -3, order, 1},
        {&FractalDocument::setOrder, 70000, order, 65535},
        {&FractalDocument::setJuliaX, 0.123456789, jx, 0.12345679},
        {&FractalDocument::setUpperX, 1.0 / 3.0, ux, 0.333333333333333},
        {&FractalDocument::setUpperX, 0.00001, ux, 0.00001},
        {&FractalDocument::setWidthField, -5.5, w, -6},
        {&FractalDocument::setWidthField, 1e20, w, 1e20},
    };
    for (const auto& c : cases) {
        (d.*c.set)(c.in);
        EXPECT_EQ(c.get(d), c.expected) << c.in;
    }
    d.setUpperX(-1.25);
    d.setUpperX(std::numeric_limits<double>::infinity());
    d.setUpperX(std::nan(""));
    EXPECT_EQ(d.upperX(), -1.25);
}

TEST(FractalDocument, CatalogueCommandSetsPresetLabelAndOrderField) {
    struct Case {
        const char* identifier;
        int order;
        const char* label;
        bool orderVisible;
    };
    const Case cases[] = {
        {"newton", 3, "Dmin:1E-", true}, {"webb", 4, "Dmax", true},
        {"nova", 2, "Dmin:1E-", true},   {"mandelorder", 17, "Dmax", true},
        {"mandel", 17, "Dmax", false},   {"off", 17, "Dmax", false},
        {"quartet2", 2, "Dmax", true},   {"spider", 17, "Dmax", false},
    };
    for (const auto& c : cases) {
        FractalDocument d;
        d.setOrder(17);
        d.chooseFractalType(entry(c.identifier));
        EXPECT_EQ(d.order(), c.order) << c.identifier;
        EXPECT_EQ(d.bailoutLabel(), c.label) << c.identifier;
        EXPECT_EQ(d.orderVisible(), c.orderVisible) << c.identifier;
        EXPECT_TRUE(d.isChecked(entry(c.identifier)));
    }
}

TEST(FractalDocument, DirectCheckKeepsOrderAndLabel) {
    FractalDocument d;
    d.setOrder(5);
    d.checkFractalType(entry("newton"));
    EXPECT_EQ(d.order(), 5);
    EXPECT_EQ(d.bailoutLabel(), "Dmax:");
    EXPECT_TRUE(d.orderVisible());
    d.checkFractalType(entry("mandel")); // a direct check never hides the field
    EXPECT_TRUE(d.orderVisible());
}

TEST(FractalDocument, GetFTypeFollowsTheCheckedEntry) {
    for (const auto& t : fractal::catalogue()) {
        FractalDocument d;
        d.checkFractalType(t);
        EXPECT_EQ(d.get_f_type(), t.code) << t.caption;
    }
}

TEST(FractalDocument, CheckMarksToggleAndJuliaFieldsFollow) {
    FractalDocument d;
    d.JuliaMode1Click();
    EXPECT_TRUE(d.juliaMode());
    EXPECT_TRUE(d.juliaFieldsVisible());
    d.JuliaMode1Click();
    EXPECT_FALSE(d.juliaFieldsVisible());
    d.Invert1Click();
    d.cyclegradClick();
    d.toggleFlipX();
    d.toggleMirror();
    d.toggleConstrainSelection();
    EXPECT_TRUE(d.insideOut() && d.repeatPalette() && d.flipX() && d.mirror());
    EXPECT_FALSE(d.flipY() || d.constrainSelection());
    d.HLSMode1Click();
    EXPECT_EQ(d.colourModel(), ColourModel::HlsMode);
    d.Splitchannels1Click();
    EXPECT_EQ(d.colourModel(), ColourModel::RgbMode);
}

TEST(FractalDocument, FixformulasFillsBlanksAndTrimsOnlyThePaletteFormula) {
    FractalDocument d;
    d.setPaletteFormula("  i*3 \t");
    d.setRedFormula(" \t\x01 ");
    d.setGreenFormula(" g ");
    d.setBlueFormula("");
    d.fixformulas();
    EXPECT_EQ(d.paletteFormula(), "i*3");
    EXPECT_EQ(d.redFormula(), "0");
    EXPECT_EQ(d.greenFormula(), " g ");
    EXPECT_EQ(d.blueFormula(), "0");
}

TEST(FractalDocument, ResizeKeepsFieldsOnlyForTheMenuCommands) {
    FractalDocument d;
    d.resizeit(640, 480, false);
    EXPECT_EQ(d.pictureWidth(), 640);
    EXPECT_EQ(d.widthField(), 320);
    const auto& item = qm::params::kImageSizeItems[1];
    EXPECT_STREQ(item.caption, "320*240");
    d.resizeit(item.width, item.height, true);
    EXPECT_EQ(d.heightField(), 200);
    EXPECT_EQ(d.pictureHeight(), 200);
}

TEST(FractalDocument, PictureSizeFromAnyFieldValue) {
    EXPECT_EQ(qm::params::pictureSizeFromField(255.9), 255);
    EXPECT_EQ(qm::params::pictureSizeFromField(-5.5), -5);
    EXPECT_EQ(qm::params::pictureSizeFromField(1e12), 2147483647);
    EXPECT_EQ(qm::params::pictureSizeFromField(-1e300), -2147483647 - 1);
}

TEST(FractalDocument, RenderParamsAndListeners) {
    FractalDocument d;
    int calls = 0;
    const int id = d.addListener([&] { ++calls; });
    d.setMax(300);
    d.setBailout(9);
    d.setOrder(5);
    d.JuliaMode1Click();
    d.get_o(0.5, -0.5);
    EXPECT_EQ(calls, 5);
    d.removeListener(id);
    d.Invert1Click();
    EXPECT_EQ(calls, 5);
    d.toggleFlipY();
    d.HLSMode1Click();
    d.chooseFractalType(*fractal::findByIdentifier("nova"));
    d.setRedFormula("r");
    d.resizeit(-5, 1000000000, false);
    const auto p = d.renderParams();
    EXPECT_EQ(p.Max, 300);
    EXPECT_EQ(p.Bailout, 9);
    EXPECT_EQ(p.Order, 2); // the Nova preset
    EXPECT_TRUE(p.julia && p.insideOut && p.flipY);
    EXPECT_FALSE(p.flipX || p.mirror || p.repeatPalette);
    EXPECT_EQ(p.JuliaX, 0.42);
    EXPECT_EQ(p.Orientation.im, -0.5);
    EXPECT_EQ(p.model, ColourModel::HlsMode);
    EXPECT_EQ(p.type, fractal::code::Nova);
    EXPECT_EQ(p.redit, "r");
    EXPECT_EQ(p.edit971, "i*2");
    EXPECT_EQ(p.view(), d.view());
    EXPECT_EQ(p.Width, -5); // the render refuses it, not the document
    EXPECT_EQ(p.Height, 1000000000);
    EXPECT_THROW(fractal::validateForRender(p, p.Width, p.Height), fractal::ERenderParameters);
}

} // namespace
