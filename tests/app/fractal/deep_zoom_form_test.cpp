// Deep zoom in a document window: wheel zooms far below double precision render on the deep
// path, the fields and their hints carry the long coordinates, selections, Back and the readout
// go on at that depth, and a long number typed into a field is kept whole.
#include "app/fractal/mandel_form.h"
#include "app/fractal/navigator.h"
#include "app/qt_test_app.h"
#include "app/widgets/tpg_image.h"
#include "engine/fractal/plane_view.h"
#include "test_host.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <set>

namespace {

using qm::app::Tmandelform;
using Coordinate = qm::params::FractalDocument::Coordinate;

class DeepZoomWindow : public ::testing::Test {
protected:
    void SetUp() override { qm::test::qtApp(); }
    static void waitIdle(Tmandelform& w) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isRendering(); }, 60000));
        QApplication::processEvents();
    }
    static void wheel(Tmandelform& w, QPointF picturePos, int notches) {
        const QPointF at = w.Image1()->toWidget(picturePos);
        QWheelEvent e(at, w.Image1()->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.Image1(), &e);
    }
    static QLineEdit* fieldText(Tmandelform& w, const char* name) {
        return w.findChild<QDoubleSpinBox*>(name)->findChild<QLineEdit*>();
    }
    qm::test::TestHost host;
};

TEST_F(DeepZoomWindow, WheelFarBelowDoublesRendersExactlyAndEveryStepGoesOn) {
    Tmandelform w(host);
    w.resizeit(160, 120, false);
    w.document().setMax(300);
    w.document().setPaletteFormula("i"); // counts here are 150 to 300: i*2 would saturate
    w.show();
    w.StartrenderClick();
    waitIdle(w);
    // 28 steps of four notches (a factor of 4 each): a plane width of 4 / 4^28, about 5E-17.
    // -1.5 on the real axis: the antenna, whose colours change across it at every depth.
    const QPointF cursor(20, 60);
    for (int k = 0; k < 28; ++k)
        wheel(w, cursor, 4);
    waitIdle(w);
    const qm::fractal::DeepView deep = w.document().deepView();
    ASSERT_FALSE(deep.empty());
    EXPECT_TRUE(w.navigator().views().shown.view.isDeep());
    EXPECT_FALSE(host.hints.contains(qm::fractal::kBeyondPrecisionMessage));
    EXPECT_TRUE(host.hints.last().startsWith("Deep zoom: magnification 7.21E16"))
        << host.hints.last().toStdString();
    // The fields show the long coordinates, their hints too.
    QLineEdit* upperX = fieldText(w, "RxSpinEdit1");
    EXPECT_EQ(upperX->text().toStdString(), deep.upperX);
    EXPECT_GT(upperX->text().size(), 20);
    EXPECT_EQ(w.findChild<QDoubleSpinBox*>("RxSpinEdit1")->toolTip().toStdString(), deep.upperX);
    // The picture is no flat colour: the deep path resolved the pixels.
    const qm::image::TPixelGraphic& pic = w.picture();
    std::set<unsigned> colours;
    for (int y = 0; y < pic.height(); y += 3)
        for (int x = 0; x < pic.width(); x += 3)
            colours.insert(pic.pixel(x, y));
    EXPECT_GT(colours.size(), 3u);
    // The readout gives the exact point (X near -1.5 needs about 20 digits here) and the kept I.
    const QString readout = w.navigator().pixelReadout(10, 10);
    EXPECT_GT(readout.indexOf("Y: ") - readout.indexOf("X: "), 20) << readout.toStdString();
    EXPECT_TRUE(readout.contains("I: ")) << readout.toStdString();

    // A selection at this depth is a view, and renders.
    w.Image1()->setSelectionRect(40, 30, 80, 60);
    w.Image1SelectionMade();
    const qm::fractal::DeepView selected = w.document().deepView();
    ASSERT_FALSE(selected.empty());
    EXPECT_NE(selected, deep);
    w.StartrenderClick();
    waitIdle(w);
    // Back returns to the wheel's last view, exactly.
    w.navigator().Back1Click();
    waitIdle(w);
    EXPECT_EQ(w.document().deepView(), deep);

    // A long number typed into a field is kept whole.
    const std::string typed = deep.upperX.substr(0, deep.upperX.size() - 3) + "123";
    QLineEdit* edit = fieldText(w, "RxSpinEdit1");
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(typed));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(w.document().coordinateText(Coordinate::UpperX), typed);
    EXPECT_EQ(edit->text().toStdString(), typed);

    // "Deep Zoom" / "Off" forces doubles, which cannot divide this view into pixels.
    w.findChild<QAction*>("DeepOff1")->trigger();
    EXPECT_EQ(w.document().deepMode(), qm::fractal::DeepMode::Off);
    EXPECT_THROW(w.StartrenderClick(), qm::fractal::ERenderParameters);
    w.findChild<QAction*>("DeepAuto1")->trigger();

    // The Julia pick at this depth takes the exact point under the pointer, as the readout
    // gives it; the field shows it whole.
    w.navigator().Back1Click();
    waitIdle(w);
    const auto point =
        qm::fractal::planePointAt(w.navigator().views().shown.view, 160, 120, 10, 10);
    w.Image1MouseUp(Qt::RightButton, 10, 10);
    EXPECT_TRUE(w.document().juliaMode());
    // A part with more digits than a double carries is kept whole; a shorter one (here Y, a
    // few digits near the axis) takes the field's 8 decimals, as a file's value does.
    EXPECT_GT(point.x.size(), 20u);
    EXPECT_EQ(w.document().juliaXText(), point.x);
    EXPECT_TRUE(w.document().juliaYText() == point.y || !qm::fractal::longerThanDouble(point.y));
    EXPECT_EQ(fieldText(w, "juliaxedit")->text().toStdString(), point.x);
    // Typed: a constant a double carries takes the field's rule, a longer one is kept whole.
    QLineEdit* julia = fieldText(w, "juliayedit");
    const char* const longer = "0.123456789012345678901234567";
    for (const QString number : {"0.12500000", "0.123456789", longer}) {
        julia->selectAll();
        QTest::keyClicks(julia, number);
        QTest::keyClick(julia, Qt::Key_Return);
    }
    EXPECT_EQ(w.document().deepJulia().im, longer);
    EXPECT_DOUBLE_EQ(w.document().juliaY(), 0.12345679);
    w.document().setJuliaY(0.125);
    EXPECT_EQ(julia->text().toStdString(), "0.12500000");
}

} // namespace
