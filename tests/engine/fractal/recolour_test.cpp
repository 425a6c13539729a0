// Recolouring from kept kernel results gives the very pixels of a full render with the new
// colouring, in every colour model, and refuses where the kept results cannot give them.
#include "engine/expr/parser_errors.h"
#include "engine/fractal/recolour.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/image/pixel_graphic.h"

#include <gtest/gtest.h>

namespace {

using namespace qm;
using namespace qm::fractal;

struct Fixture {
    SharedColourData data;
    std::unique_ptr<FormulaCompiler> language = makeRenderLanguage();

    Fixture() { setGradient(3); }
    void setGradient(int mix) {
        GradientTableData table{};
        for (int k = 0; k < 257; ++k)
            table[static_cast<std::size_t>(k)] =
                makeColour(static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k * mix), 200);
        data.setGradientTable(table);
        auto plasma = std::make_shared<PlasmaData>();
        for (int x = 0; x <= 320; ++x)
            for (int y = 0; y <= 240; ++y)
                plasma->at(x, y) = static_cast<std::uint8_t>((mix * x + y) % 250);
        data.setPlasmaBuffer(plasma);
    }

    // One worker and seed 5, so "?" and the random functions draw the same numbers each time.
    std::vector<ColourValue> render(const FractalParams& p, KernelResults* keep = nullptr,
                                    int threads = 1) {
        std::atomic<std::int32_t> bailout{p.Bailout};
        RenderOptions options{threads, 5};
        options.keepResults = keep;
        RenderJob job(p, p.Width, p.Height, data, bailout, *language, options);
        std::vector<ColourValue> pixels(static_cast<std::size_t>(p.Width) * p.Height);
        job.run([&](const RenderRow& row) {
            std::copy(row.pixels.begin(), row.pixels.end(),
                      pixels.begin() + static_cast<std::ptrdiff_t>(row.y) * p.Width);
        });
        return pixels;
    }
    std::vector<ColourValue> recoloured(const KernelResults& kept, const FractalParams& colours,
                                        int threads = 1) {
        std::vector<ColourValue> pixels;
        recolour(kept, colours, data, *language, pixels, {threads, 5});
        return pixels;
    }
};

FractalParams small(int type, const std::string& formula) {
    FractalParams p;
    p.type = type;
    p.Width = 61;
    p.Height = 47;
    p.Max = 64;
    p.edit971 = formula;
    return p;
}

FractalParams channels(FractalParams p, ColourModel model, const char* r, const char* g,
                       const char* b, bool repeat) {
    p.model = model;
    p.redit = r;
    p.gedit = g;
    p.bedit = b;
    p.repeatPalette = repeat;
    return p;
}

TEST(Recolour, MatchesAFullRenderInEveryColourModel) {
    Fixture f;
    for (int type : {code::Mandel, code::Newton, code::Barns, code::Spider}) {
        KernelResults kept;
        // The first render reads Z: A, B and Z are kept.
        const FractalParams first = small(type, "z*0+i");
        f.render(first, &kept);
        ASSERT_TRUE(kept.complete()) << type;

        FractalParams palette = first;
        palette.edit971 = "  x*y*300+t/9+!+a*50-b*20+z+m*40+d*60  ";
        palette.repeatPalette = true;
        // Formulas of I alone are coloured once per iteration count.
        FractalParams byCount = palette;
        byCount.edit971 = "I*3-40";
        const FractalParams variants[] = {
            palette,
            byCount,
            channels(first, ColourModel::RgbMode, "i*7", "i/3", "(i-20)/(i-i)", true),
            channels(first, ColourModel::RgbMode, "a*100+?", "b*100+t/7", "m*50+!+z", false),
            channels(first, ColourModel::RgbMode, "i*9", "random(300)+y*99", "d*80", true),
            channels(first, ColourModel::HlsMode, "i*13+z", "a*30+50", "!/3+m", true),
            channels(first, ColourModel::HlsMode, "x*200", "50", "sqrt(-1)", false),
        };
        for (const FractalParams& colours : variants) {
            ASSERT_TRUE(kept.canRecolour(colours));
            const auto expected = f.render(recolourParams(first, colours));
            EXPECT_EQ(f.recoloured(kept, colours), expected) << type << " " << colours.redit;
        }
        // Without random numbers the number of threads does not matter.
        for (const FractalParams& colours : {variants[1], variants[5]})
            EXPECT_EQ(f.recoloured(kept, colours, 3),
                      f.render(recolourParams(first, colours), nullptr, 3));
    }
}

TEST(Recolour, KeepsTheKernelSettingsOfTheRenderAndFollowsGradientAndPlasma) {
    Fixture f;
    KernelResults kept;
    FractalParams first = small(code::Mandel, "i*2");
    first.julia = true;
    first.flipY = true;
    f.render(first, &kept);
    // Fields changed since the render still need a render of their own.
    FractalParams colours = first;
    colours.Max = 8;
    colours.UpperX = -0.5;
    colours.Order = 7;
    colours.edit971 = "i*5+!";
    EXPECT_FALSE(sameKernelSettings(first, colours));
    EXPECT_TRUE(sameKernelSettings(first, recolourParams(first, colours)));
    f.setGradient(7);
    EXPECT_EQ(f.recoloured(kept, colours), f.render(recolourParams(first, colours)));

    // Into the picture: the same pixels; a formula that does not compile changes nothing.
    image::TPixelGraphic picture;
    picture.SetSize(3, 3, image::PixelFormat::Bits24);
    recolourPicture(kept, colours, f.data, *f.language, picture);
    const auto expected = f.recoloured(kept, colours);
    ASSERT_EQ(picture.width(), first.Width);
    EXPECT_EQ(picture.pixel(10, 20), expected[20 * first.Width + 10]);
    colours.edit971 = "1+";
    EXPECT_THROW(recolourPicture(kept, colours, f.data, *f.language, picture),
                 expr::EMathParserError);
    EXPECT_EQ(picture.pixel(10, 20), expected[20 * first.Width + 10]);
}

TEST(Recolour, RefusesWhereTheKeptResultsCannotServe) {
    Fixture f;
    KernelResults kept;
    // A render whose formulas read neither A, B nor Z keeps only I (the Mandelbrot interior is
    // not even iterated then).
    const FractalParams first = small(code::Mandel, "i*2");
    f.render(first, &kept);
    FractalParams colours = first;
    colours.edit971 = "i*3+x";
    EXPECT_TRUE(kept.canRecolour(colours));
    EXPECT_EQ(f.recoloured(kept, colours), f.render(recolourParams(first, colours)));
    colours.edit971 = "a*40";
    EXPECT_FALSE(kept.canRecolour(colours));
    colours.model = ColourModel::RgbMode; // the channel formulas are "i*2"
    EXPECT_TRUE(kept.canRecolour(colours));

    // Part of the picture, supersampled, or too large: nothing kept.
    std::atomic<std::int32_t> bailout{4};
    RenderOptions part{1, 5};
    part.keepResults = &kept;
    part.rowCount = 10;
    RenderJob(first, first.Width, first.Height, f.data, bailout, *f.language, part).run({});
    EXPECT_FALSE(kept.complete());
    f.render(first, &kept);
    RenderOptions super{1, 5};
    super.keepResults = &kept;
    super.supersample = 2;
    RenderJob(first, first.Width, first.Height, f.data, bailout, *f.language, super).run({});
    EXPECT_FALSE(kept.canRecolour(first));
    FractalParams huge = first;
    huge.Width = 4000;
    huge.Height = 4000;
    EXPECT_FALSE(kept.prepare(RenderSettings::make(huge, huge.Width, huge.Height)));

    // A stopped render keeps only the rows it finished.
    RenderOptions whole{1, 5};
    whole.keepResults = &kept;
    RenderJob stopped(first, first.Width, first.Height, f.data, bailout, *f.language, whole);
    stopped.requestStop();
    stopped.run({});
    EXPECT_FALSE(kept.complete());
    // A render that does not compile leaves the kept results alone.
    f.render(first, &kept);
    FractalParams bad = first;
    bad.edit971 = "(";
    EXPECT_THROW(f.render(bad, &kept), expr::EMathParserError);
    EXPECT_TRUE(kept.complete());
}

} // namespace
