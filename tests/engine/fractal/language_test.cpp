// Render jobs with the real formula language: the batch adapter gives what the stand-in gives,
// errors become index 0 or black, and letters the renderer does not write read 0.
#include "engine/expr/parser_errors.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "fake_formulas.h"

#include <gtest/gtest.h>

namespace {

using namespace qm;
using namespace qm::fractal;
using qm::test::PixelVars;

std::vector<ColourValue> renderWith(const FractalParams& p, const FormulaCompiler& compiler,
                                    int threads) {
    SharedColourData data;
    GradientTableData table{};
    for (int k = 0; k < 257; ++k)
        table[static_cast<std::size_t>(k)] = makeColour(static_cast<std::uint8_t>(k & 255), 1, 2);
    data.setGradientTable(table);
    auto plasma = std::make_shared<PlasmaData>();
    for (int x = 0; x <= 320; ++x)
        for (int y = 0; y <= 240; ++y)
            plasma->at(x, y) = static_cast<std::uint8_t>((3 * x + y) % 250);
    data.setPlasmaBuffer(plasma);
    std::atomic<std::int32_t> bailout{p.Bailout};
    RenderJob job(p, p.Width, p.Height, data, bailout, compiler, {threads, 5});
    std::vector<ColourValue> pixels(static_cast<std::size_t>(p.Width) * p.Height);
    job.run([&](const RenderRow& row) {
        std::copy(row.pixels.begin(), row.pixels.end(),
                  pixels.begin() + static_cast<std::ptrdiff_t>(row.y) * p.Width);
    });
    return pixels;
}

TEST(RenderLanguage, MatchesTheStandIn) {
    const auto language = makeRenderLanguage();
    qm::test::FakeCompiler fake;
    fake.add("a*40+i-t/50+!", [](const PixelVars& v, RandomGenerator&, ArithFault&) {
        return v.A * 40 + v.I - v.T / 50 + v.p;
    });
    for (int type : {code::Mandel, code::Newton, code::Barns}) {
        FractalParams p;
        p.type = type;
        p.Width = 90;
        p.Height = 70;
        p.repeatPalette = true;
        p.edit971 = "i*2";
        EXPECT_EQ(renderWith(p, *language, 2), renderWith(p, fake, 1)) << type;
        p.edit971 = "a*40+i-t/50+!";
        EXPECT_EQ(renderWith(p, *language, 2), renderWith(p, fake, 1)) << type;
    }
}

TEST(RenderLanguage, ErrorsAndUnwrittenLetters) {
    const auto language = makeRenderLanguage();
    FractalParams p;
    p.Width = 12;
    p.Height = 9;
    p.edit971 = "100/(i-i)"; // division by zero everywhere: index 0
    for (ColourValue c : renderWith(p, *language, 2))
        EXPECT_EQ(redOf(c), 0);
    p.edit971 = "s+j+k+l+r+g+?+7"; // never written by this renderer: all 0
    for (ColourValue c : renderWith(p, *language, 2))
        EXPECT_EQ(redOf(c), 7);
    p.model = ColourModel::RgbMode;
    p.redit = "?";
    p.gedit = "?";
    p.bedit = "sqrt(-1)"; // an error blackens the pixel
    for (ColourValue c : renderWith(p, *language, 2))
        EXPECT_EQ(c, makeColour(0, 0, 0));
    p.bedit = "?";
    for (ColourValue c : renderWith(p, *language, 2)) {
        EXPECT_EQ(redOf(c), greenOf(c));
        EXPECT_EQ(greenOf(c), blueOf(c));
    }
    p.redit = "1+";
    EXPECT_THROW(renderWith(p, *language, 2), expr::EMathParserError);
}

} // namespace
