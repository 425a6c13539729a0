// Deep views in parameter files and pictures: digit-for-digit round trips, the digits written,
// and the files of shallow views unchanged.
#include "engine/fractal/deep/mp_float.h"
#include "engine/gradient/gradient_model.h"
#include "engine/image/pixel_graphic.h"
#include "engine/params/deep_coordinates.h"
#include "engine/params/parameter_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::params;
namespace fractal = qm::fractal;
namespace deep = qm::fractal::deep;

const std::string kFlakeRe = "-1.999966194450370304184344885063505796755312415407248515117619229448"
                             "01584242342684381376129778868913812287046406560949864353810575744772"
                             "166485672496092803920095332";
const std::string kFlakeIm = "-0.000000000000000000000000000000000300138243679093832407249730397759"
                             "24987346831190773335270174257280120474975614823581185647299288414075"
                             "519224186504978181625478529";

// |a - b| in units of `unit`, all as decimal texts.
double distance(const std::string& a, const std::string& b, const std::string& unit) {
    const mpfr_prec_t bits = 8000;
    auto x = deep::parseDecimal(a, bits), y = deep::parseDecimal(b, bits),
         u = deep::parseDecimal(unit, bits);
    mpfr_sub(x->get(), x->get(), y->get(), MPFR_RNDN);
    mpfr_div(x->get(), x->get(), u->get(), MPFR_RNDN);
    return std::abs(x->toDouble());
}

class DeepParameters : public ::testing::Test {
protected:
    DeepParameters() : gradient(shared) { gradient.initialise(); }

    std::string text(const FractalDocument& d) {
        return parameterDocument(d, gradient.stopString()).text();
    }
    FractalDocument loadText(const std::string& name, const std::string& t) {
        qm::image::TPixelGraphic picture(4, 3, qm::image::PixelFormat::Bits24);
        if (name.ends_with(".png"))
            picture.saveToFile(dir / name, {t});
        else
            qm::test::writeBytes(dir / name, t);
        return openParameterFile(dir / name, gradient);
    }

    qm::SharedColourData shared;
    qm::gradient::GradientModel gradient;
    qm::test::TempDir dir;
};

TEST_F(DeepParameters, DeepViewsRoundTripDigitForDigitThroughFilesAndPictures) {
    std::string re1000 = kFlakeRe, im1000 = kFlakeIm;
    while (re1000.size() < 1100) {
        re1000 += "73";
        im1000 += "19";
    }
    const struct {
        std::string re, im, width;
    } views[] = {{kFlakeRe, kFlakeIm, "1.8E-300"}, {re1000, im1000, "3E-1000"}};
    for (const auto& v : views) {
        // The program's own texts with digits beyond any use.
        fractal::DeepView exact = fractal::deepViewFromCentre(v.re, v.im, v.width, 640, 480);
        for (auto* t : {&exact.upperX, &exact.lowerX})
            *t += "00000000000000000000000000000123";
        FractalDocument d;
        d.resizeit(640, 480, true);
        d.setDeepView(exact);
        ASSERT_EQ(d.deepView(), exact);
        const std::string written = text(d);

        FractalDocument fromFile = loadText("deep.qmp", written);
        const fractal::DeepView kept = fromFile.deepView();
        // Shorter, yet within 2^-64 of a pixel step of them.
        const std::string step =
            v.width.substr(0, v.width.find('E')) + "E" +
            std::to_string(std::stol(v.width.substr(v.width.find('E') + 1)) - 3);
        EXPECT_LT(kept.upperX.size(), exact.upperX.size());
        EXPECT_GT(kept.upperX.size(), exact.upperX.size() - 40);
        for (const auto& [a, b] :
             {std::pair{kept.upperX, exact.upperX}, {kept.lowerY, exact.lowerY}})
            EXPECT_LT(distance(a, b, step), 0x1p-64);
        EXPECT_NE(written.find("UpperX=" + kept.upperX + "\r\n"), std::string::npos);
        EXPECT_EQ(text(fromFile), written);
        EXPECT_EQ(fromFile.renderParams().deepView, kept);

        FractalDocument fromPicture = loadText("deep.png", written);
        EXPECT_EQ(fromPicture.deepView(), kept);
        EXPECT_EQ(text(fromPicture), written);
    }
}

TEST_F(DeepParameters, JuliaConstantsKeepEveryDigitThroughFilesAndPictures) {
    const std::string re60 = "-0.74543000000000000000000000000000000000000000000000000000012";
    FractalDocument d;
    d.setJuliaXText(re60);
    d.setJuliaYText("0.11301000"); // 8 decimals hold it: no text
    EXPECT_EQ(d.juliaX(), -0.74543);
    const fractal::FractalParams p = d.renderParams();
    EXPECT_EQ(p.deepJulia, (fractal::DeepJulia{re60, "0.11301"}));
    EXPECT_EQ(p.JuliaX, -0.74543);
    const std::string written = text(d);
    EXPECT_NE(written.find("JuliaX=" + re60 + "\r\nJuliaY=0.11301\r\n"), std::string::npos);
    for (const char* name : {"julia.qmp", "julia.png"}) {
        FractalDocument read = loadText(name, written);
        EXPECT_EQ(read.renderParams().deepJulia, p.deepJulia) << name;
        EXPECT_EQ(text(read), written) << name;
    }
    // Through the render parameters (the command line's way) and back to the fields.
    FractalDocument viaParams;
    viaParams.setRenderParams(p);
    EXPECT_EQ(text(viaParams), written);
    d.setJuliaX(0.5);
    EXPECT_TRUE(d.renderParams().deepJulia.empty());
    EXPECT_THROW(d.setJuliaYText("0.1x"), fractal::ERenderParameters);

    // Constants that 8 decimals hold are written as before.
    FractalDocument plain, typed;
    plain.setJuliaX(-0.74543);
    typed.setJuliaXText("-0.745430000000");
    EXPECT_TRUE(typed.renderParams().deepJulia.empty());
    EXPECT_EQ(text(typed), text(plain));
}

TEST_F(DeepParameters, ViewsThatTheFieldsHoldAreWrittenAsBefore) {
    FractalDocument plain;
    plain.setView({-0.75, -0.7, 0.1, 0.14});
    const std::string before = text(plain);
    // The same view with long texts that say nothing a pixel could show.
    FractalDocument longTexts;
    longTexts.setDeepView(
        {"-0.75000000000000000000001", "-0.7", "0.1", "0.1400000000000000000007"});
    ASSERT_FALSE(longTexts.deepView().empty());
    EXPECT_TRUE(longTexts.renderParams().deepView.empty());
    EXPECT_EQ(longTexts.renderParams().view(), plain.renderParams().view());
    EXPECT_EQ(text(longTexts), before);
    // Long texts of a shallow file read back as the fields they always gave.
    EXPECT_EQ(text(loadText("long.qmp", text(longTexts))), before);
    const std::string longFile = "[Coordinates]\r\nUpperX=-0.75000000000000000000001\r\n"
                                 "LowerX=-0.7\r\nUpperY=0.1\r\nLowerY=0.14\r\nWidth=320\r\n"
                                 "Height=240\r\n";
    EXPECT_EQ(loadText("long2.qmp", longFile).renderParams().UpperX, -0.75);
}

TEST_F(DeepParameters, DigitsFollowThePixelStep) {
    const std::string ux = "-0.7500000000000000000000000000000123456789012345678998765432";
    const fractal::DeepView v{ux, "-0.74999999999999999999999999999998", "0.1",
                              "0.10000000000000000000000000000002"};
    // About 2E-32 across 100 pixels: steps of 2E-34, digits down to 1E-54 (rounded).
    const auto at100 = textsForFile(v, 100, 100);
    EXPECT_EQ(at100.upperX, ux.substr(0, ux.size() - 8) + "9877");
    EXPECT_EQ(at100.upperY, "0.1");
    // A larger picture needs a finer place; texts at most a digit longer than needed stay as
    // they are, so that writing what was read never cuts again.
    EXPECT_EQ(textsForFile(v, 10000, 10000).upperX, ux.substr(0, ux.size() - 2));
    EXPECT_EQ(textsForFile(v, 100000, 100000), v);
    EXPECT_EQ(textsForFile(at100, 100, 100), at100);
    // No width: nothing to measure the digits by.
    const fractal::DeepView flat{"1.23456789012345678901", "1.23456789012345678901", "0", "1"};
    EXPECT_EQ(textsForFile(flat, 9, 9), flat);
}

} // namespace
