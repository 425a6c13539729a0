// Colouring changes in the document window show at once, recoloured without a render, and give
// the picture a render would; kernel settings still wait for F9.
#include "app/fractal/mandel_form.h"
#include "app/qt_test_app.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/image/pixel_graphic.h"
#include "test_host.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using qm::app::Tmandelform;
using qm::fractal::FractalParams;
using qm::test::TestHost;

class Recolouring : public ::testing::Test {
protected:
    void SetUp() override { qm::test::qtApp(); }

    void render(Tmandelform& w) {
        QSignalSpy done(&w, &Tmandelform::renderFinished);
        w.StartrenderClick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() > 0; }, 60000));
    }
    // What the engine renders for p, with the host's gradient and plasma.
    int differences(Tmandelform& w, const FractalParams& p) {
        const auto language = qm::fractal::makeRenderLanguage();
        qm::fractal::RenderJob job(p, p.Width, p.Height, host.colourData(),
                                   host.renderState().Bailout, *language);
        qm::image::TPixelGraphic expected;
        EXPECT_TRUE(qm::fractal::renderToPicture(job, expected));
        int differing = 0;
        for (int y = 0; y < p.Height; ++y)
            for (int x = 0; x < p.Width; ++x)
                differing += w.picture().pixel(x, y) != expected.pixel(x, y);
        return differing;
    }
    static void settle() { QTest::qWait(5); }

    TestHost host;
};

TEST_F(Recolouring, ColouringChangesRecolourWithoutARender) {
    Tmandelform w(host);
    render(w);
    QSignalSpy renders(&w, &Tmandelform::renderFinished);
    FractalParams p = w.document().renderParams();

    // Typing a formula, Repeat Palette, the colour models, the gradient, the plasma.
    w.findChild<QLineEdit*>("edit971")->setText("i*3+x*40+!");
    settle();
    p.edit971 = "i*3+x*40+!";
    EXPECT_EQ(differences(w, p), 0);
    w.findChild<QAction*>("cyclegrad")->trigger();
    settle();
    p.repeatPalette = true;
    EXPECT_EQ(differences(w, p), 0);
    host.gradientModel().setField(0, 200);
    settle();
    EXPECT_EQ(differences(w, p), 0);
    auto plasma = std::make_shared<qm::PlasmaData>();
    for (int x = 0; x <= 320; ++x)
        for (int y = 0; y <= 240; ++y)
            plasma->at(x, y) = static_cast<std::uint8_t>((x * 7 + y) % 200);
    host.colourData().setPlasmaBuffer(plasma);
    settle();
    EXPECT_EQ(differences(w, p), 0);
    w.findChild<QLineEdit*>("redit")->setText("i*9");
    w.findChild<QLineEdit*>("bedit")->setText("y*300");
    w.findChild<QAction*>("Splitchannels1")->trigger();
    settle();
    p.model = qm::fractal::ColourModel::RgbMode;
    p.redit = "i*9";
    p.bedit = "y*300";
    EXPECT_EQ(differences(w, p), 0);
    w.findChild<QAction*>("HLSMode1")->trigger();
    settle();
    p.model = qm::fractal::ColourModel::HlsMode;
    EXPECT_EQ(differences(w, p), 0);
    EXPECT_EQ(renders.count(), 0);

    // Kernel settings wait for F9: the recolour keeps the rendered Max and view.
    w.findChild<QDoubleSpinBox*>("RxSpinEdit5")->setValue(16);
    w.findChild<QDoubleSpinBox*>("RxSpinEdit1")->setValue(-1);
    w.findChild<QLineEdit*>("gedit")->setText("i*4");
    settle();
    p.gedit = "i*4";
    EXPECT_EQ(differences(w, p), 0);
    EXPECT_EQ(renders.count(), 0);

    // A filtered picture is no longer the render's: colour changes leave it alone.
    qm::image::TPixelGraphic filtered(w.picture());
    filtered.SetPixel(0, 0, 0x123456);
    w.replacePicture(filtered);
    w.findChild<QLineEdit*>("gedit")->setText("i*5");
    settle();
    EXPECT_EQ(w.picture().pixel(0, 0), 0x123456u);
}

TEST_F(Recolouring, FormulasReadingTheOrbitRenderOnEnterWhereItWasNotKept) {
    Tmandelform w(host);
    render(w); // "i*2" reads neither A, B nor Z: they are not kept
    auto* formula = w.findChild<QLineEdit*>("edit971");
    const qm::ColourValue centre = w.picture().pixel(160, 120);
    formula->setText("z*50+i");
    settle();
    EXPECT_EQ(w.picture().pixel(160, 120), centre); // not recoloured
    QSignalSpy done(&w, &Tmandelform::renderFinished);
    QTest::keyClick(formula, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() > 0; }, 60000));
    FractalParams p = w.document().renderParams();
    EXPECT_EQ(differences(w, p), 0);
    // That render kept every orbit: now any formula recolours.
    formula->setText("a*90+b*30");
    settle();
    p.edit971 = "a*90+b*30";
    EXPECT_EQ(differences(w, p), 0);
    EXPECT_EQ(done.count(), 1);
}

} // namespace
