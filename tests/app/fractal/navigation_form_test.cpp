// Navigation of a document window, driven through its events: view state after every render,
// each window its own history, wheel zoom with preview and cancelled renders, keys, drags,
// Back/Forward, Fit Window and the pixel readout.
#include "app/fractal/mandel_form.h"
#include "app/fractal/navigator.h"
#include "app/qt_test_app.h"
#include "app/widgets/tpg_image.h"
#include "engine/fractal/navigation.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "test_host.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using qm::app::Tmandelform;
using qm::fractal::View;
using qm::test::TestHost;

class Navigation : public ::testing::Test {
protected:
    void SetUp() override { qm::test::qtApp(); }

    // A shown window that has rendered its default view.
    std::unique_ptr<Tmandelform> rendered() {
        auto w = std::make_unique<Tmandelform>(host);
        w->resize(w->sizeHint());
        w->show();
        renderAndWait(*w);
        return w;
    }
    static void renderAndWait(Tmandelform& w) {
        QSignalSpy done(&w, &Tmandelform::renderFinished);
        w.StartrenderClick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() > 0 && !w.isRendering(); }, 60000));
    }
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
    static const qm::fractal::DocumentViews& views(const Tmandelform& w) {
        return w.navigator().views();
    }
    TestHost host;
};

TEST_F(Navigation, TypedCoordinatesRenderedBecomeTheViewThatSelectionsMapFrom) {
    auto w = rendered();
    const View typed{-1, 0, -0.375, 0.375};
    w->document().setView(typed);
    renderAndWait(*w);
    EXPECT_EQ(views(*w).history.CurrentView, typed);
    EXPECT_EQ(views(*w).history.PreviousView, qm::fractal::kDefaultView);
    // A selection in the middle lands inside the typed view, not in the old one's corner.
    w->Image1()->setSelectionRect(120, 90, 80, 10);
    w->Image1SelectionMade();
    EXPECT_GT(w->document().upperX(), -1);
    EXPECT_LT(w->document().lowerX(), 0);
    EXPECT_GT(w->document().upperY(), -0.375);
    w->CancelSelection1Click();
    EXPECT_EQ(w->document().view(), typed);
    // Rendering the same view again keeps the step back.
    renderAndWait(*w);
    EXPECT_EQ(views(*w).history.PreviousView, qm::fractal::kDefaultView);
}

TEST_F(Navigation, EachWindowKeepsItsOwnViewState) {
    auto a = rendered();
    auto b = rendered();
    const View zoomed{-0.5, 0.5, -0.375, 0.375};
    a->document().setView(zoomed);
    renderAndWait(*a);
    // b's selection and Julia pick map with b's own picture.
    b->Image1()->setSelectionRect(80, 60, 160, 120);
    b->Image1SelectionMade();
    EXPECT_EQ(b->document().view(), (View{-1, 1, -0.75, 0.75}));
    b->CancelSelection1Click();
    b->updateMenuState();
    EXPECT_FALSE(b->findChild<QAction*>("Undolastzoom1")->isEnabled());
    a->updateMenuState();
    EXPECT_TRUE(a->findChild<QAction*>("Undolastzoom1")->isEnabled());
    b->Image1MouseUp(Qt::RightButton, 0, 0);
    EXPECT_DOUBLE_EQ(b->document().juliaX(), -2);
    a->Image1MouseUp(Qt::RightButton, 0, 0);
    EXPECT_DOUBLE_EQ(a->document().juliaX(), -0.5);
}

TEST_F(Navigation, WheelPreviewsAtOnceANewStepCancelsAndTheExactPictureFollows) {
    auto w = rendered();
    const qm::image::TPixelGraphic before = w->picture();
    const QPointF cursor(100.5, 60.5);
    QSignalSpy done(w.get(), &Tmandelform::renderFinished);
    wheel(*w, cursor, 1);
    // The preview is on screen before any event ran: the old pixel under the cursor stays.
    EXPECT_EQ(w->picture().pixel(100, 60), before.pixel(100, 60));
    EXPECT_NE(w->picture().pixel(10, 10), before.pixel(10, 10));
    wheel(*w, cursor, 1); // cancels the render in flight
    waitIdle(*w);
    const View expected =
        qm::fractal::zoomAt(qm::fractal::kDefaultView, 320, 240, cursor.x(), cursor.y(), 2.0);
    const View now = w->document().view();
    EXPECT_NEAR(now.upperX, expected.upperX, 1e-12);
    EXPECT_NEAR(now.lowerY, expected.lowerY, 1e-12);
    // The picture is the exact render of the final view.
    qm::fractal::FractalParams params = w->document().renderParams();
    const auto language = qm::fractal::makeRenderLanguage();
    qm::fractal::RenderJob job(params, 320, 240, host.colourData(), host.renderState().Bailout,
                               *language);
    qm::image::TPixelGraphic exact;
    ASSERT_TRUE(qm::fractal::renderToPicture(job, exact));
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(w->picture().pixel(x, y), exact.pixel(x, y)) << x << "," << y;
    // Zooming back out by two notches returns to the default view.
    wheel(*w, cursor, -2);
    waitIdle(*w);
    EXPECT_NEAR(w->document().upperX(), -2, 1e-12);
    EXPECT_NEAR(w->document().lowerY(), 1.5, 1e-12);
}

TEST_F(Navigation, KeysZoomPanGoBackAndForwardAndEscapeCancelsASelection) {
    auto w = rendered();
    QWidget* image = w->Image1();
    image->setFocus();
    QTest::keyClick(image, Qt::Key_Minus);
    waitIdle(*w);
    EXPECT_EQ(w->document().view(), (View{-4, 4, -3, 3}));
    QTest::keyClick(image, Qt::Key_Right); // a tenth to the right: 32 pixels of 0.025
    waitIdle(*w);
    EXPECT_DOUBLE_EQ(w->document().upperX(), -3.2);
    QTest::keyClick(image, Qt::Key_Plus);
    waitIdle(*w);
    EXPECT_NEAR(w->document().lowerX() - w->document().upperX(), 8 / std::sqrt(2.0), 1e-12);
    // Back through every view shown, then Forward again.
    const View views3[] = {{-3.2, 4.8, -3, 3}, {-4, 4, -3, 3}, qm::fractal::kDefaultView};
    for (const View& v : views3) {
        QTest::keyClick(w.get(), Qt::Key_Left, Qt::AltModifier);
        waitIdle(*w);
        EXPECT_EQ(w->document().view(), v);
    }
    EXPECT_FALSE(views(*w).trail.canBack());
    QTest::keyClick(w.get(), Qt::Key_Right, Qt::AltModifier);
    waitIdle(*w);
    EXPECT_EQ(w->document().view(), (View{-4, 4, -3, 3}));
    // Escape removes a selection and gives the fields back.
    w->Image1()->setSelectionRect(10, 10, 40, 30);
    image->setFocus();
    QTest::keyClick(image, Qt::Key_Escape);
    EXPECT_FALSE(w->Image1()->Selection());
    EXPECT_EQ(w->document().view(), (View{-4, 4, -3, 3}));
}

TEST_F(Navigation, MiddleAndSpaceDragsPanWithTheHandAndRecordOnce) {
    auto w = rendered();
    qm::app::TPGImage* image = w->Image1();
    const std::size_t trail = views(*w).trail.size();
    const auto drag = [&](Qt::MouseButton button, QPointF from, QPointF to) {
        const QPoint a = image->toWidget(from).toPoint(), b = image->toWidget(to).toPoint();
        QTest::mousePress(image, button, {}, a);
        for (int k = 1; k <= 4; ++k)
            QTest::mouseMove(image, a + (b - a) * k / 4);
        QTest::mouseRelease(image, button, {}, b);
        waitIdle(*w);
    };
    drag(Qt::MiddleButton, {100, 100}, {140, 80}); // the plane moves with the hand
    EXPECT_NEAR(w->document().upperX(), -2 - 40 * 0.0125, 0.0125);
    EXPECT_NEAR(w->document().upperY(), -1.5 + 20 * 0.0125, 0.0125);
    EXPECT_FALSE(image->Selection());
    EXPECT_EQ(views(*w).trail.size(), trail + 1);
    image->setFocus();
    QTest::keyPress(image, Qt::Key_Space);
    const double upperX = w->document().upperX();
    drag(Qt::LeftButton, {100, 100}, {60, 100});
    QTest::keyRelease(image, Qt::Key_Space);
    EXPECT_NEAR(w->document().upperX(), upperX + 40 * 0.0125, 0.0125);
    EXPECT_FALSE(image->Selection()); // a pan, not a selection
    EXPECT_EQ(views(*w).trail.size(), trail + 2);
}

TEST_F(Navigation, FitWindowRendersAtThePictureAreaAndTheMenuMarksTheSize) {
    auto w = rendered();
    w->updateMenuState();
    EXPECT_TRUE(w->findChild<QAction*>("N3202401")->isChecked());
    w->findChild<QAction*>("N6404801")->trigger();
    w->updateMenuState();
    EXPECT_TRUE(w->findChild<QAction*>("N6404801")->isChecked());
    EXPECT_FALSE(w->findChild<QAction*>("N3202401")->isChecked());
    w->findChild<QAction*>("FitWindow1")->trigger();
    waitIdle(*w);
    const QSize area = w->Image1()->size();
    EXPECT_EQ(QSize(w->picture().width(), w->picture().height()), area);
    const qm::fractal::PixelSteps s = views(*w).shown.steps;
    EXPECT_NEAR(s.StepY / s.StepX, 1.0, 1e-12);
    w->resize(w->width() + 60, w->height() + 30);
    QApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w->picture().width() == w->Image1()->width() && !w->isRendering(); }, 5000));
    EXPECT_EQ(w->picture().height(), w->Image1()->height());
    w->updateMenuState();
    EXPECT_TRUE(w->findChild<QAction*>("FitWindow1")->isChecked());
    EXPECT_FALSE(w->findChild<QAction*>("N6404801")->isChecked());
}

TEST_F(Navigation, PointerOverThePictureShowsPlanePositionIterationsAndZ) {
    auto w = rendered();
    host.hints.clear();
    w->Image1MouseMove(160, 120);
    ASSERT_FALSE(host.hints.isEmpty());
    // The centre of the default view never escapes: I is Max + 1 or Max by the kernel's count.
    EXPECT_TRUE(host.hints.back().startsWith("X: 0  Y: 0  I: ")) << host.hints.back().toStdString();
    w->Image1MouseMove(0, 0);
    EXPECT_EQ(host.hints.back().left(20), QString("X: -2  Y: 1.5  I: 1 "));
}

} // namespace
