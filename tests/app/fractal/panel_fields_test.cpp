// The document window's fields: the wheel scrolls the panel unless a field has the focus, and a
// formula that does not compile is pointed out in its labelled field.
#include "app/fractal/mandel_form.h"
#include "app/qt_test_app.h"
#include "app/widgets/command_errors.h"
#include "app/widgets/spin_edits.h"
#include "engine/core/errors.h"
#include "test_host.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using qm::app::FormulaEdit;
using qm::app::Tmandelform;
using qm::test::TestHost;

// Whether the target took the wheel event.
bool wheel(QWidget* target, int steps) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
    return e.isAccepted();
}

class PanelFields : public ::testing::Test {
protected:
    void SetUp() override { qm::test::qtApp(); }
    TestHost host;
};

TEST_F(PanelFields, TheWheelScrollsThePanelUnlessTheFieldHasTheFocus) {
    Tmandelform w(host);
    w.resize(492, 220); // lower than the panel's fields: it scrolls
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* scroll = w.findChild<QScrollArea*>("Panel1Scroll");
    auto* dmax = w.findChild<QDoubleSpinBox*>("RxSpinEdit6");
    ASSERT_GT(scroll->verticalScrollBar()->maximum(), 0);
    // Not focused: the field passes the wheel on (the window system's wheel then reaches the
    // scrolling panel, which the desktop stage checks) and keeps its value.
    w.findChild<QLineEdit*>("edit971")->setFocus();
    EXPECT_FALSE(wheel(dmax, -1));
    EXPECT_EQ(dmax->value(), 4.0);
    EXPECT_TRUE(wheel(scroll->viewport(), -1));
    EXPECT_GT(scroll->verticalScrollBar()->value(), 0);
    dmax->setFocus();
    ASSERT_TRUE(dmax->hasFocus());
    EXPECT_TRUE(wheel(dmax, 1));
    EXPECT_EQ(dmax->value(), 5.0);
    // Every field of the panel takes the focus by click or tab only.
    for (auto* field : w.findChildren<QAbstractSpinBox*>())
        EXPECT_EQ(field->focusPolicy(), Qt::StrongFocus) << field->objectName().toStdString();
}

TEST_F(PanelFields, AFormulaThatDoesNotCompileIsMarkedInItsLabelledField) {
    QStringList reported;
    qm::app::setCommandErrorReporter(
        [&](const std::exception& e) { reported << QString::fromUtf8(e.what()); });
    Tmandelform w(host);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const auto box = [&](const char* name) {
        return w.findChild<FormulaEdit*>(QString(name) + "Box");
    };
    EXPECT_FALSE(box("edit971")->label()->isVisible());
    w.findChild<QAction*>("Splitchannels1")->trigger();
    EXPECT_EQ(box("redit")->label()->text(), "R");
    EXPECT_EQ(box("gedit")->label()->text(), "G");
    EXPECT_EQ(box("bedit")->label()->text(), "B");
    EXPECT_TRUE(box("gedit")->label()->isVisible());

    w.findChild<QLineEdit*>("gedit")->setText("i*(");
    w.findChild<QLineEdit*>("bedit")->setText("sin(");
    EXPECT_THROW(w.StartrenderClick(), qm::Exception);
    EXPECT_FALSE(box("redit")->errorMarked());
    EXPECT_TRUE(box("gedit")->errorMarked());
    EXPECT_FALSE(box("bedit")->errorMarked()); // the first failing field, as the render found it
    EXPECT_TRUE(w.findChild<QLineEdit*>("gedit")->hasFocus());
    QTest::keyClick(w.findChild<QLineEdit*>("gedit"), Qt::Key_Backspace);
    EXPECT_FALSE(box("gedit")->errorMarked());

    w.findChild<QAction*>("HLSMode1")->trigger();
    EXPECT_EQ(box("redit")->label()->text(), "H");
    EXPECT_EQ(box("gedit")->label()->text(), "L");
    EXPECT_EQ(box("bedit")->label()->text(), "S");
    // Enter in a field applies the colouring; its error is reported and marked the same way.
    w.findChild<QLineEdit*>("gedit")->setText("50");
    w.findChild<QLineEdit*>("bedit")->setText("i");
    QSignalSpy done(&w, &Tmandelform::renderFinished);
    w.StartrenderClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.count() > 0; }, 60000));
    w.findChild<QLineEdit*>("bedit")->setText("i+");
    QTest::qWait(5);
    EXPECT_FALSE(box("bedit")->errorMarked()); // typing on: not yet
    QTest::keyClick(w.findChild<QLineEdit*>("bedit"), Qt::Key_Return);
    EXPECT_EQ(reported.size(), 1);
    EXPECT_TRUE(box("bedit")->errorMarked());
    EXPECT_FALSE(box("gedit")->errorMarked());
    qm::app::setCommandErrorReporter({});
}

} // namespace
