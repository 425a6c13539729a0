// Parameter files: the written text, reading with its defaults and failures, round trips.
#include "engine/gradient/builtin_presets.h"
#include "engine/gradient/gradient_model.h"
#include "engine/params/parameter_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::params;
namespace fractal = qm::fractal;

class ParameterFile : public ::testing::Test {
protected:
    ParameterFile() : gradient(shared) { gradient.initialise(); }

    // Loads `text` as a file into a new document.
    FractalDocument load(const std::string& text, RecentFiles* list = nullptr) {
        qm::test::writeBytes(dir / "in.qmp", text);
        FractalDocument d;
        loadParameters(dir / "in.qmp", d, gradient, list);
        return d;
    }
    std::string save(FractalDocument& d) {
        saveParameters(d, gradient.stopString(), dir / "out.qmp", &recent);
        return qm::test::readBytes(dir / "out.qmp");
    }

    qm::SharedColourData shared;
    qm::gradient::GradientModel gradient;
    qm::test::TempDir dir;
    RecentFiles recent;
};

const char* const kNewDocumentFile = "[Coordinates]\r\n"
                                     "UpperX=-2\r\n"
                                     "LowerX=2\r\n"
                                     "UpperY=-1.5\r\n"
                                     "LowerY=1.5\r\n"
                                     "JuliaX=0.42\r\n"
                                     "JuliaY=0.23\r\n"
                                     "Max=128\r\n"
                                     "Bailout=4\r\n"
                                     "Order=3\r\n"
                                     "Width=320\r\n"
                                     "Height=240\r\n"
                                     "[Formulas]\r\n"
                                     "RGB=i*2\r\n"
                                     "R=i*2\r\n"
                                     "G=i*2\r\n"
                                     "B=i*2\r\n"
                                     "[Misc]\r\n"
                                     "Gradient=1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;\r\n"
                                     "[Orientation]\r\n"
                                     "real=1\r\n"
                                     "imaginary=0\r\n"
                                     "[Mode]\r\n"
                                     "Channels=Grad\r\n"
                                     "Type=mandel\r\n";

TEST_F(ParameterFile, NewDocumentWithStandardGradientGivesTheReferenceFile) {
    FractalDocument d;
    ASSERT_EQ(gradient.stopString(), qm::gradient::kStandardStopString);
    EXPECT_EQ(save(d), kNewDocumentFile);
    EXPECT_EQ(d.caption(), "out.qmp");
    ASSERT_EQ(recent.items().size(), 1u);
    EXPECT_EQ(recent.items()[0], (dir / "out.qmp").string());
}

TEST_F(ParameterFile, ConditionalKeysAppearOnlyWhenChecked) {
    FractalDocument d;
    d.cyclegradClick();
    d.JuliaMode1Click();
    d.Invert1Click();
    d.HLSMode1Click();
    d.chooseFractalType(*fractal::findByIdentifier("webbII"));
    const auto ini = IniDocument::parse(save(d));
    const auto& mode = ini.sections().back();
    ASSERT_EQ(mode.name, "Mode");
    std::vector<std::string> lines;
    for (const auto& e : mode.entries)
        lines.push_back(e.key + "=" + e.value);
    EXPECT_EQ(lines, (std::vector<std::string>{"Channels=SplitHLS", "Grad=Cycle", "Type=webbII",
                                               "Julia=true", "Invert=true"}));

    FractalDocument test; // the hidden entry has no name and writes no "Type"
    test.checkFractalType(*fractal::findByCode(fractal::code::Test));
    EXPECT_FALSE(IniDocument::parse(save(test)).hasKey("Mode", "Type"));
}

TEST_F(ParameterFile, EveryCatalogueEntryRoundTripsWithItsOrder) {
    for (const auto& t : fractal::catalogue()) {
        if (*t.identifier == '\0') continue;
        FractalDocument d;
        d.setOrder(7);
        d.checkFractalType(t);
        save(d);
        FractalDocument back;
        loadParameters(dir / "out.qmp", back, gradient, nullptr);
        EXPECT_TRUE(back.isChecked(t)) << t.identifier;
        EXPECT_EQ(back.order(), 7) << t.identifier;
        EXPECT_EQ(back.orderVisible(), t.orderShown) << t.identifier;
        EXPECT_EQ(back.bailoutLabel(), "Dmax:") << t.identifier;
    }
}

TEST_F(ParameterFile, FullRoundTrip) {
    FractalDocument d;
    d.setView({0.00001, -1e-20, 123456.789, 2.5});
    d.setJuliaX(-0.75);
    d.setJuliaY(0.1);
    d.setMax(1000);
    d.setBailout(12);
    d.resizeit(800, 600, true);
    d.setPaletteFormula("sin(x)*i");
    d.setRedFormula("i*3");
    d.setGreenFormula("m+d");
    d.setBlueFormula("!");
    d.get_o(0.5, -0.8660254);
    d.Splitchannels1Click();
    d.cyclegradClick();
    d.JuliaMode1Click();
    d.chooseFractalType(*fractal::findByIdentifier("phoenix"));
    d.setOrder(6); // after the command, which sets its preset 2
    gradient.defaultgrad("10;20;30;40;50;60;70;80;90;100;110;120;130;140;150;");
    const std::string text = save(d);
    EXPECT_NE(text.find("UpperX=1E-5\r\nLowerX=-1E-20\r\n"), std::string::npos);

    gradient.defaultgrad(qm::gradient::kStandardStopString);
    auto back = load(text);
    EXPECT_EQ(save(back), text); // every field, the marks and the gradient came back
    EXPECT_EQ(back.pictureHeight(), 600);
    EXPECT_TRUE(back.juliaFieldsVisible() && back.orderVisible());
}

TEST_F(ParameterFile, ReaderDefaultsForAMissingOrNonIniFile) {
    for (const char* content : {"", "\x01\x02\x03 binary junk", "UpperX=5\r\n"}) {
        const auto d = load(content, &recent);
        EXPECT_EQ(d.view(), (fractal::View{-3, 2, -2, 2})) << content;
        EXPECT_EQ(d.juliaX(), 0);
        EXPECT_EQ(d.juliaY(), 0);
        EXPECT_EQ(d.max(), 32);
        EXPECT_EQ(d.bailout(), 4);
        EXPECT_EQ(d.order(), 3);
        EXPECT_EQ(d.pictureWidth(), 255);
        EXPECT_EQ(d.pictureHeight(), 255);
        EXPECT_EQ(d.paletteFormula(), "c");
        EXPECT_EQ(d.redFormula(), "c");
        EXPECT_EQ(d.greenFormula(), "0");
        EXPECT_EQ(d.blueFormula(), "0");
        EXPECT_EQ(d.colourModel(), qm::params::ColourModel::FixedPalette);
        EXPECT_EQ(d.fractalType().identifier, std::string("mandel"));
        EXPECT_FALSE(d.juliaMode() || d.insideOut() || d.repeatPalette());
        EXPECT_EQ(d.caption(), "in.qmp");
    }
    FractalDocument d;
    loadParameters(dir / "absent.qmp", d, gradient, &recent);
    EXPECT_EQ(d.pictureWidth(), 255);
    EXPECT_EQ(d.caption(), "absent.qmp");
    EXPECT_EQ(gradient.stopString(), qm::gradient::kStandardStopString);
}

TEST_F(ParameterFile, ValuesPassThroughTheFieldRules) {
    const auto d = load("[Coordinates]\r\nMax=100.5\r\nBailout=0\r\nOrder=2.5\r\n"
                        "JuliaX=0.123456789\r\nUpperX=0.00001\r\nWidth=640.5\r\nHeight=-5\r\n");
    EXPECT_EQ(d.max(), 100);
    EXPECT_EQ(d.bailout(), 1);
    EXPECT_EQ(d.order(), 2);
    EXPECT_EQ(d.juliaX(), 0.12345679);
    EXPECT_EQ(d.widthField(), 640);
    EXPECT_EQ(d.pictureHeight(), -5); // refused later, where the picture is made
    EXPECT_EQ(load("[Coordinates]\r\nMax=2\r\n").max(), 8);
    EXPECT_EQ(load("[Coordinates]\r\nWidth=1e9\r\n").pictureWidth(), 1000000000);
    EXPECT_EQ(load("[Coordinates]\r\nWidth=1e300\r\n").widthField(), 1e300);
}

TEST_F(ParameterFile, ModeValuesCompareExactly) {
    struct Case {
        const char* mode;
        qm::params::ColourModel model;
        const char* type;
        bool julia, invert, repeat;
    };
    using qm::params::ColourModel;
    const Case cases[] = {
        {"Channels=Split\r\nType=newton\r\n", ColourModel::RgbMode, "newton", false, false, false},
        {"Channels=SplitHLS\r\n", ColourModel::HlsMode, "mandel", false, false, false},
        {"Channels=split\r\nType=Newton\r\n", ColourModel::FixedPalette, "mandel", false, false,
         false},
        {"Julia=TRUE\r\nInvert=true\r\nGrad=Cycle\r\n", ColourModel::FixedPalette, "mandel", false,
         true, true},
        {"Julia=true\r\nGrad=cycle\r\nType=off\r\n", ColourModel::FixedPalette, "off", true, false,
         false},
        {"CHANNELS=Split\r\ntype=spider\r\n", ColourModel::RgbMode, "spider", false, false, false},
    };
    for (const auto& c : cases) {
        const auto d = load(std::string("[mode]\r\n") + c.mode);
        EXPECT_EQ(d.colourModel(), c.model) << c.mode;
        EXPECT_EQ(d.fractalType().identifier, std::string(c.type)) << c.mode;
        EXPECT_EQ(d.juliaMode(), c.julia) << c.mode;
        EXPECT_EQ(d.insideOut(), c.invert) << c.mode;
        EXPECT_EQ(d.repeatPalette(), c.repeat) << c.mode;
    }
    const auto newton = load("[Coordinates]\r\nOrder=5\r\n[Mode]\r\nType=newton\r\n");
    EXPECT_EQ(newton.order(), 5);
    EXPECT_TRUE(newton.orderVisible());
}

TEST_F(ParameterFile, BadNumberStopsReadingWhereItStands) {
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"[Coordinates]\r\nUpperX=1.5\r\nMax=abc\r\nWidth=640\r\n",
         "'abc' is not a valid floating point value"},
        {"[Coordinates]\r\nUpperX=1.5\r\nMax=\r\n", "'' is not a valid floating point value"},
        {"[Coordinates]\r\nUpperX=1.5\r\nMax=1,5\r\n", "'1,5' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        qm::test::writeBytes(dir / "bad.qmp", c.file);
        FractalDocument d;
        try {
            loadParameters(dir / "bad.qmp", d, gradient, &recent);
            FAIL() << "no error";
        } catch (const qm::EConvertError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(d.upperX(), 1.5); // read before the bad key
        EXPECT_EQ(d.juliaX(), 0);   // defaults of the keys before it count too
        EXPECT_EQ(d.max(), 128);    // the bad key and everything after stay
        EXPECT_EQ(d.widthField(), 320);
        EXPECT_EQ(d.paletteFormula(), "i*2");
        EXPECT_EQ(d.caption(), "Mandelbrot Image");
        EXPECT_EQ(d.pictureWidth(), 320);
        EXPECT_TRUE(recent.empty());
    }
    FractalDocument d;
    qm::test::writeBytes(dir / "o.qmp", "[Orientation]\r\nreal=2\r\nimaginary=i\r\n");
    EXPECT_THROW(loadParameters(dir / "o.qmp", d, gradient, &recent), qm::EConvertError);
    EXPECT_EQ(d.orientation().re, 1.0); // both parts are read before either is applied
    EXPECT_EQ(d.greenFormula(), "0");
}

TEST_F(ParameterFile, GradientIsAppliedUnlessNil) {
    gradient.defaultgrad("5;5;5;5;5;5;5;5;5;5;5;5;5;5;5;");
    load("[Misc]\r\nGradient=nil\r\n");
    EXPECT_EQ(gradient.stopString(), "5;5;5;5;5;5;5;5;5;5;5;5;5;5;5;");
    EXPECT_THROW(load("[Misc]\r\nGradient=NIL\r\n"), qm::EConvertError); // only "nil" is nil
    load("[Misc]\r\nGradient=1;2\r\n");
    EXPECT_EQ(gradient.stopString(), "1;2;1;1;1;1;1;1;1;1;1;1;1;1;1;");

    gradient.defaultgrad(qm::gradient::kStandardStopString);
    FractalDocument d;
    qm::test::writeBytes(dir / "g.qmp", "[Misc]\r\nGradient=9;x;1\r\n[Mode]\r\nType=newton\r\n");
    try {
        loadParameters(dir / "g.qmp", d, gradient, &recent);
        FAIL() << "no error";
    } catch (const qm::EConvertError& e) {
        EXPECT_EQ(e.message(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(d.fractalType().identifier, std::string("mandel")); // read after the gradient
    EXPECT_EQ(d.caption(), "Mandelbrot Image");
    EXPECT_TRUE(recent.empty());
}

TEST_F(ParameterFile, LongFormulasAreReadAsTheirFirst1023Characters) {
    const std::string formula(3000, 'i');
    const auto d = load("[Formulas]\r\nRGB=" + formula + "\r\nR=x\r\n");
    EXPECT_EQ(d.paletteFormula(), std::string(1023, 'i'));
    EXPECT_EQ(d.redFormula(), "x");
}

TEST_F(ParameterFile, SavingReplacesTheWholeOldFile) {
    qm::test::writeBytes(dir / "out.qmp", "[Old]\r\nStale=1\r\n[Mode]\r\nJulia=true\r\n");
    FractalDocument d;
    EXPECT_EQ(save(d), kNewDocumentFile);
}

TEST_F(ParameterFile, FailedSaveChangesNothing) {
    FractalDocument d;
    const auto path = dir / "missing" / "x.qmp";
    try {
        saveParameters(d, gradient.stopString(), path, &recent);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + path.string());
    }
    EXPECT_EQ(d.caption(), "Mandelbrot Image");
    EXPECT_TRUE(recent.empty());
}

TEST_F(ParameterFile, LoadingTwiceListsThePathOnceAtTheTop) {
    load(kNewDocumentFile, &recent);
    recent.add("/elsewhere.qmp");
    const auto d = load(kNewDocumentFile, &recent);
    EXPECT_EQ(recent.items(),
              (std::vector<std::string>{(dir / "in.qmp").string(), "/elsewhere.qmp"}));
    EXPECT_EQ(d.caption(), "in.qmp");
}

TEST_F(ParameterFile, OpenRequiresAnExistingFile) {
    try {
        openParameterFile(dir / "nope.qmp", gradient);
        FAIL() << "no error";
    } catch (const qm::EFOpenError& e) {
        EXPECT_EQ(e.message(), "Cannot open file \"" + (dir / "nope.qmp").string() +
                                   "\". No such file or directory");
    }
    qm::test::writeBytes(dir / "yes.qmp", "[Coordinates]\r\nMax=77\r\n");
    EXPECT_EQ(openParameterFile(dir / "yes.qmp", gradient).max(), 77);
}

} // namespace

namespace {

TEST_F(ParameterFile, PicturesCarryingParametersLoadLikeTheFile) {
    FractalDocument source = load(kNewDocumentFile);
    source.setMax(500);
    source.JuliaMode1Click();
    const std::string text = parameterDocument(source, gradient.stopString()).text();
    qm::image::TPixelGraphic picture(8, 6, qm::image::PixelFormat::Bits24);
    picture.saveToFile(dir / "p.png", {text});
    picture.saveToFile(dir / "p.jpg", {text});
    std::filesystem::copy_file(dir / "p.png", dir / "renamed.bin"); // known by content
    for (const char* name : {"p.png", "p.jpg", "renamed.bin"}) {
        FractalDocument d;
        loadParameters(dir / name, d, gradient, &recent);
        EXPECT_EQ(parameterDocument(d, gradient.stopString()).text(), text) << name;
        EXPECT_EQ(d.caption(), name);
    }
    EXPECT_EQ(recent.items().size(), 3u);
}

TEST_F(ParameterFile, PicturesWithoutParametersAreRefusedAndChangeNothing) {
    qm::image::TPixelGraphic picture(8, 6, qm::image::PixelFormat::Bits24);
    for (const char* name : {"plain.png", "plain.jpg", "plain.bmp"}) {
        picture.saveToFile(dir / name);
        FractalDocument d;
        d.setMax(99);
        try {
            loadParameters(dir / name, d, gradient, &recent);
            ADD_FAILURE() << name;
        } catch (const ENoEmbeddedParameters& e) {
            EXPECT_EQ(std::string(e.what()), "No Quillmora parameters in " + (dir / name).string());
        }
        EXPECT_EQ(d.max(), 99);
    }
    EXPECT_TRUE(recent.items().empty());
    // A parameter file whose first bytes look like a weak picture signature is still text.
    EXPECT_EQ(load("\n\x05\x01\x08\r\n[Coordinates]\r\nMax=77\r\n").max(), 77);
}

TEST(FractalDocumentParams, SetRenderParamsIsTheInverseOfRenderParams) {
    fractal::FractalParams p;
    p.setView({-0.75, -0.5, 0.1, 0.3});
    p.JuliaX = -0.8;
    p.Max = 900;
    p.Order = 5;
    p.Width = 77;
    p.Height = 33;
    p.edit971 = "i*3";
    p.bedit = "x";
    p.type = fractal::findByIdentifier("newton")->code;
    p.model = fractal::ColourModel::HlsMode;
    p.julia = p.flipY = p.mirror = p.repeatPalette = true;
    p.Orientation = {0.5, -1};
    FractalDocument d;
    d.setRenderParams(p);
    const fractal::FractalParams back = d.renderParams();
    EXPECT_EQ(back.view(), p.view());
    EXPECT_EQ(std::tie(back.Max, back.Order, back.Width, back.Height, back.type, back.julia,
                       back.flipY, back.mirror, back.repeatPalette, back.edit971, back.bedit),
              std::tie(p.Max, p.Order, p.Width, p.Height, p.type, p.julia, p.flipY, p.mirror,
                       p.repeatPalette, p.edit971, p.bedit));
    EXPECT_EQ(back.model, p.model);
    EXPECT_EQ(back.Orientation.re, 0.5);
    EXPECT_EQ(d.widthField(), 77);
}

} // namespace
