// The document model: state that no file shows, catalogue commands, render parameters.
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

TEST(FractalDocument, CreationStateBeyondTheSavedFields) {
    FractalDocument d;
    EXPECT_EQ(d.bailoutLabel(), "Dmax:");
    EXPECT_EQ(d.caption(), "Mandelbrot Image");
    EXPECT_FALSE(d.orderVisible() || d.juliaFieldsVisible() || d.flipX() || d.mirror());
    EXPECT_TRUE(d.constrainSelection());
    d.setUpperX(-1.25);
    d.setUpperX(std::numeric_limits<double>::infinity()); // a field cannot hold these
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
    };
    for (const auto& c : cases) {
        FractalDocument d;
        d.setOrder(17);
        d.chooseFractalType(entry(c.identifier));
        EXPECT_EQ(d.order(), c.order) << c.identifier;
        EXPECT_EQ(d.bailoutLabel(), c.label) << c.identifier;
        EXPECT_EQ(d.orderVisible(), c.orderVisible) << c.identifier;
        EXPECT_EQ(d.get_f_type(), entry(c.identifier).code);
    }
    FractalDocument d; // the reader's direct check: no preset, no label, never hides the field
    d.setOrder(5);
    d.checkFractalType(entry("newton"));
    d.checkFractalType(entry("mandel"));
    EXPECT_EQ(d.order(), 5);
    EXPECT_EQ(d.bailoutLabel(), "Dmax:");
    EXPECT_TRUE(d.orderVisible());
}

TEST(FractalDocument, ResizeKeepsFieldsOnlyForTheMenuCommands) {
    FractalDocument d;
    d.resizeit(640, 480, false);
    EXPECT_EQ(d.pictureWidth(), 640);
    EXPECT_EQ(d.widthField(), 320);
    const auto& item = qm::params::kImageSizeItems[1]; // "320*240" gives 320 x 200
    d.resizeit(item.width, item.height, true);
    EXPECT_EQ(d.heightField(), 200);
    EXPECT_EQ(d.pictureHeight(), 200);
    EXPECT_EQ(qm::params::pictureSizeFromField(-5.5), -5);
    EXPECT_EQ(qm::params::pictureSizeFromField(1e12), 2147483647);
}

TEST(FractalDocument, RenderParamsAndListeners) {
    FractalDocument d;
    int calls = 0;
    const int id = d.addListener([&] { ++calls; });
    d.setMax(300);
    d.JuliaMode1Click();
    d.get_o(0.5, -0.5);
    EXPECT_EQ(calls, 3);
    d.removeListener(id);
    d.Invert1Click();
    d.toggleFlipY();
    d.HLSMode1Click();
    d.chooseFractalType(entry("nova"));
    d.setRedFormula("r");
    d.resizeit(-5, 1000000000, false);
    EXPECT_EQ(calls, 3);
    const auto p = d.renderParams();
    EXPECT_EQ(p.Max, 300);
    EXPECT_EQ(p.Order, 2); // the Nova preset
    EXPECT_TRUE(p.julia && p.insideOut && p.flipY);
    EXPECT_FALSE(p.flipX || p.mirror || p.repeatPalette);
    EXPECT_EQ(p.Orientation.im, -0.5);
    EXPECT_EQ(p.model, ColourModel::HlsMode);
    EXPECT_EQ(p.type, fractal::code::Nova);
    EXPECT_EQ(p.redit, "r");
    EXPECT_EQ(p.view(), d.view());
    EXPECT_EQ(p.Width, -5); // the render refuses it, not the document
    EXPECT_THROW(fractal::validateForRender(p, p.Width, p.Height), fractal::ERenderParameters);
}

TEST(FractalDocument, DeepViewKeepsEveryDigitAndFallsBackToTheFields) {
    using C = FractalDocument::Coordinate;
    FractalDocument d;
    const fractal::DeepView deep{"-0.7500000000000000000000000000001", "-0.75", "0.1",
                                 "0.1000000000000000000000000000001"};
    d.setDeepView(deep);
    EXPECT_EQ(d.deepView(), deep);
    EXPECT_EQ(d.upperX(), -0.75);
    EXPECT_EQ(d.coordinateText(C::LowerX), "-0.75");
    auto p = d.renderParams();
    EXPECT_EQ(p.deepView, deep);
    EXPECT_EQ(p.UpperX, -0.75);                               // the nearest doubles
    EXPECT_NO_THROW(fractal::validateForRender(p, 320, 240)); // Auto: the deep path takes it

    // A bad text changes nothing; a double setter replaces its coordinate's text.
    EXPECT_THROW(d.setCoordinateText(C::UpperY, "0.1x"), fractal::ERenderParameters);
    EXPECT_THROW(d.setCoordinateText(C::UpperY, "1E400"), fractal::ERenderParameters);
    EXPECT_EQ(d.deepView(), deep);
    d.setUpperX(-0.8);
    EXPECT_EQ(d.deepView().upperX, "-0.8");
    EXPECT_EQ(d.deepView().lowerY, deep.lowerY);
    // Once the fields hold all four exactly, the texts go and files read as before.
    d.setCoordinateText(C::LowerY, "0.2000");
    EXPECT_TRUE(d.deepView().empty());
    EXPECT_EQ(d.lowerY(), 0.2);
    d.setCoordinateText(C::UpperX, "-1.2345678901234567890123");
    EXPECT_EQ(d.coordinateText(C::UpperX), "-1.2345678901234567890123");
    EXPECT_EQ(d.coordinateText(C::UpperY), "0.1");
    d.setView({-2, 2, -1.5, 1.5});
    EXPECT_TRUE(d.deepView().empty());
    EXPECT_TRUE(d.renderParams().deepView.empty());

    // The command line's way in: the texts and the mode travel through setRenderParams.
    p.deepMode = fractal::DeepMode::Off;
    FractalDocument e;
    e.setRenderParams(p);
    EXPECT_EQ(e.deepView(), deep);
    EXPECT_EQ(e.deepMode(), fractal::DeepMode::Off);
}

TEST(FractalDocument, MaxReachesTheDeepLimitButTheDoublePathRefusesIt) {
    FractalDocument d;
    d.setMax(2e8);
    EXPECT_EQ(d.max(), 100000000);
    auto p = d.renderParams();
    EXPECT_THROW(fractal::validateForRender(p, 320, 240), fractal::ERenderParameters);
    p.deepMode = fractal::DeepMode::On;
    EXPECT_NO_THROW(fractal::validateForRender(p, 320, 240));
}

} // namespace
