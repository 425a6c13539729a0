// Navigation of a document window, driven through its events: each window its own view state,
// wheel zoom with preview and cancelled renders, keys, Space drag, Fit Window and the size menu.
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

class NavigationWindow : public ::testing::Test {
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

TEST_F(NavigationWindow, EachWindowKeepsItsOwnViewState) {
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

TEST_F(NavigationWindow, WheelPreviewsAtOnceANewStepCancelsAndTheExactPictureFollows) {
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

TEST_F(NavigationWindow, ArrowsPlusAndSpaceDragStepTheViewAndADragRecordsOnce) {
    auto w = rendered();
    qm::app::TPGImage* image = w->Image1();
    image->setFocus();
    QTest::keyClick(image, Qt::Key_Right); // a tenth to the right: 32 pixels of 0.0125
    waitIdle(*w);
    EXPECT_DOUBLE_EQ(w->document().upperX(), -1.6);
    QTest::keyClick(image, Qt::Key_Plus);
    waitIdle(*w);
    EXPECT_NEAR(w->document().lowerX() - w->document().upperX(), 4 / std::sqrt(2.0), 1e-12);
    // Space + left drag pans instead of selecting, and the trail takes its end only.
    const std::size_t trail = views(*w).trail.size();
    const double upperX = w->document().upperX();
    const double step = views(*w).shown.steps.StepX;
    QTest::keyPress(image, Qt::Key_Space);
    const QPoint a = image->toWidget({100, 100}).toPoint(),
                 b = image->toWidget({60, 100}).toPoint();
    QTest::mousePress(image, Qt::LeftButton, {}, a);
    for (int k = 1; k <= 4; ++k)
        QTest::mouseMove(image, a + (b - a) * k / 4);
    QTest::mouseRelease(image, Qt::LeftButton, {}, b);
    QTest::keyRelease(image, Qt::Key_Space);
    waitIdle(*w);
    EXPECT_NEAR(w->document().upperX(), upperX + 40 * step, step);
    EXPECT_FALSE(image->Selection());
    EXPECT_EQ(views(*w).trail.size(), trail + 1);
}

TEST_F(NavigationWindow, FitWindowRendersAtThePictureAreaAndTheMenuMarksTheSize) {
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

} // namespace
