// The picture view: fitting and centring, mouse positions in picture pixels, selections made,
// moved and resized with the mouse, and the selection events.
#include "app/qt_test_app.h"
#include "app/widgets/tpg_image.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using qm::app::TPGImage;

class PictureView : public ::testing::Test {
protected:
    void SetUp() override {
        view.PixelGraphic().SetSize(320, 240, qm::image::PixelFormat::Bits24);
        // 800 x 480: the picture is doubled to 640 x 480 and centred with 80 pixels each side.
        view.resize(800, 480);
        view.show();
    }
    // The widget position of picture pixel (x, y) plus half a pixel.
    QPoint at(int x, int y) const { return view.toWidget(QPointF(x + 0.5, y + 0.5)).toPoint(); }
    // Mouse events go straight to the view (the test library's own pointer device does not
    // survive a QApplication that lives until exit).
    void mouse(QEvent::Type type, Qt::MouseButton button, QPoint pos) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                      : type == QEvent::MouseMove        ? buttons_
                                                                         : Qt::MouseButtons(button);
        buttons_ = held;
        QMouseEvent e(type, QPointF(pos), view.mapToGlobal(QPointF(pos)), button, held, {});
        QApplication::sendEvent(&view, &e);
    }
    void drag(QPoint from, QPoint to) {
        mouse(QEvent::MouseButtonPress, Qt::LeftButton, from);
        mouse(QEvent::MouseMove, Qt::NoButton, to);
        mouse(QEvent::MouseButtonRelease, Qt::LeftButton, to);
    }
    void click(Qt::MouseButton button, QPoint at) {
        mouse(QEvent::MouseButtonPress, button, at);
        mouse(QEvent::MouseButtonRelease, button, at);
    }
    QApplication& app = qm::test::qtApp(); // before any widget
    TPGImage view;
    Qt::MouseButtons buttons_;
};

TEST_F(PictureView, FitsKeepingAspectRatioAndCentres) {
    EXPECT_EQ(view.pictureRect(), QRectF(80, 0, 640, 480));
    const struct {
        QPoint widget;
        QPoint picture;
    } rows[] = {{{80, 0}, {0, 0}},
                {{81, 1}, {0, 0}},
                {{82, 2}, {1, 1}},
                {{719, 479}, {319, 239}},
                {{79, 10}, {-1, 5}}};
    for (const auto& r : rows)
        EXPECT_EQ(view.toPicture(r.widget), r.picture) << r.widget.x() << "," << r.widget.y();
    view.resize(160, 480); // narrow: halved and centred vertically
    EXPECT_EQ(view.pictureRect(), QRectF(0, 180, 160, 120));
}

TEST_F(PictureView, DragCreatesSelectionInPicturePixels) {
    QSignalSpy changes(&view, &TPGImage::OnSelectionChange);
    QSignalSpy made(&view, &TPGImage::OnSelectionMade);
    drag(at(80, 60), at(240, 100));
    EXPECT_TRUE(view.Selection());
    EXPECT_EQ(view.SelectionLeft(), 80);
    EXPECT_EQ(view.SelectionTop(), 60);
    EXPECT_EQ(view.SelectionWidth(), 160);
    EXPECT_EQ(view.SelectionHeight(), 40);
    EXPECT_GE(changes.count(), 2);
    EXPECT_EQ(made.count(), 1);
}

TEST_F(PictureView, DragBeyondThePictureIsClampedToIt) {
    drag(at(300, 200), QPoint(790, 470)); // beyond the right edge
    EXPECT_EQ(view.SelectionLeft(), 300);
    EXPECT_EQ(view.SelectionWidth(), 20);
    EXPECT_EQ(view.SelectionHeight(), 35);
}

TEST_F(PictureView, DragInsideMovesAndCornerResizes) {
    view.setSelectionRect(10, 10, 100, 50);
    drag(at(50, 30), at(70, 40)); // inside: moved by (20, 10)
    EXPECT_EQ(view.SelectionLeft(), 30);
    EXPECT_EQ(view.SelectionTop(), 20);
    EXPECT_EQ(view.SelectionWidth(), 100);
    EXPECT_EQ(view.SelectionHeight(), 50);
    drag(view.toWidget(QPointF(130, 70)).toPoint(), view.toWidget(QPointF(150, 90)).toPoint());
    EXPECT_EQ(view.SelectionLeft(), 30);
    EXPECT_EQ(view.SelectionWidth(), 120);
    EXPECT_EQ(view.SelectionHeight(), 70);
    view.setSelectionRect(200, 200, 100, 30);
    drag(at(250, 210), at(310, 235)); // moved to the far right: stays inside the picture
    EXPECT_EQ(view.SelectionLeft(), 220);
    EXPECT_EQ(view.SelectionTop(), 210);
}

TEST_F(PictureView, ClickWithoutDragRemovesSelection) {
    view.setSelectionRect(10, 10, 100, 50);
    QSignalSpy made(&view, &TPGImage::OnSelectionMade);
    click(Qt::LeftButton, at(200, 200));
    EXPECT_FALSE(view.Selection());
    EXPECT_EQ(made.count(), 1); // the release still ends the gesture
}

TEST_F(PictureView, DetachedChangeHandlerIsNotCalled) {
    QSignalSpy changes(&view, &TPGImage::OnSelectionChange);
    view.setSelectionChangeAttached(false);
    view.setSelectionRect(1, 2, 3, 4);
    EXPECT_EQ(changes.count(), 0);
    view.setSelectionChangeAttached(true);
    view.setSelectionRect(1, 2, 3, 4);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(PictureView, RightButtonReportsPicturePixel) {
    QSignalSpy up(&view, &TPGImage::PicBoxOnMouseUp);
    click(Qt::RightButton, at(160, 120));
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(up[0][2].toInt(), 160);
    EXPECT_EQ(up[0][3].toInt(), 120);
    EXPECT_FALSE(view.Selection());
    click(Qt::RightButton, QPoint(40, 240)); // the margin left of the picture
    EXPECT_EQ(up.count(), 1);
}

TEST_F(PictureView, SelectionOutlineIsAnimated) {
    view.setSelectionRect(10, 10, 50, 50);
    const int phase = view.animationPhase();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.animationPhase() != phase; }, 1000));
}

} // namespace
