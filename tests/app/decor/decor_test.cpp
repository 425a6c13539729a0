// Offscreen tests of the window decorations: caption bar, tool panels, tiled background, about
// box, picture printing and the help pages.
#include "app/decor/about_form.h"
#include "app/decor/gradient_form.h"
#include "app/decor/help_window.h"
#include "app/decor/panel_manager.h"
#include "app/decor/print_picture.h"
#include "app/decor/tool_panel.h"
#include "app/decor/wia_tile.h"
#include "app/qt_test_app.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace qm::app {
namespace {

class Decor : public ::testing::Test {
protected:
    void SetUp() override { qm::test::qtApp(); }
};

// ---- caption bar ------------------------------------------------------------------------------

TEST_F(Decor, MaximisedChildAddsItsCaptionAndRestoringRemovesIt) {
    TGradientForm form;
    form.setCaption("Quillmora - v0.9");
    auto* area = new QMdiArea;
    form.setBody(area);
    form.setMdiArea(area);
    form.resize(800, 600);
    form.show();
    auto* child = area->addSubWindow(new QWidget);
    child->setWindowTitle("Mandelbrot Image");
    child->show();
    EXPECT_EQ(form.captionText(), "Quillmora - v0.9");
    child->showMaximized();
    EXPECT_EQ(form.captionText(), "Quillmora - v0.9 - [Mandelbrot Image]");
    child->setWindowTitle("New 2");
    EXPECT_EQ(form.captionText(), "Quillmora - v0.9 - [New 2]");
    child->showNormal();
    EXPECT_EQ(form.captionText(), "Quillmora - v0.9");
    child->showMaximized();
    child->close();
    delete child;
    EXPECT_EQ(form.captionText(), "Quillmora - v0.9");
}

TEST_F(Decor, DestroyingTheFormWithOpenDocumentsInItsBodyIsSafe) {
    auto* form = new TGradientForm;
    auto* area = new QMdiArea;
    form->setBody(area);
    form->setMdiArea(area);
    form->show();
    for (int k = 0; k < 2; ++k)
        area->addSubWindow(new QWidget)->show();
    area->subWindowList().front()->showMaximized();
    delete form; // the documents close after the caption bar is gone
    SUCCEED();
}

TEST_F(Decor, CaptionProviderOverridesTheArea) {
    TGradientForm form;
    form.setCaption("Frame");
    QString child;
    form.setChildCaptionProvider([&] { return child; });
    EXPECT_EQ(form.captionText(), "Frame");
    child = "Doc";
    EXPECT_EQ(form.captionText(), "Frame - [Doc]");
}

TEST_F(Decor, GradientColorsKeepsOnlyValuesFrom8To256) {
    struct Case {
        int value;
        int expected;
    };
    for (const Case c : {Case{7, 64}, Case{300, 64}, Case{0, 64}, Case{-8, 64}, Case{257, 64},
                         Case{8, 8}, Case{256, 256}, Case{100, 100}}) {
        TGradientForm form;
        form.setGradientColors(c.value);
        EXPECT_EQ(form.GradientColors(), c.expected) << c.value;
        EXPECT_EQ(form.colorTable(true).size(), c.expected) << c.value;
        EXPECT_EQ(form.colorTable(false).size(), c.expected) << c.value;
    }
}

TEST_F(Decor, ColourTableRunsFromBlackToTheCaptionColourRoundingHalvesToEven) {
    // 10 / 4 = 2.5 per step: 2.5 -> 2, 5, 7.5 -> 8, 10.
    const QVector<QRgb> t = TGradientForm::buildTable(QColor(10, 4, 200), 5);
    ASSERT_EQ(t.size(), 5);
    EXPECT_EQ(t[0], qRgb(0, 0, 0));
    EXPECT_EQ(t[1], qRgb(2, 1, 50));
    EXPECT_EQ(t[2], qRgb(5, 2, 100));
    EXPECT_EQ(t[3], qRgb(8, 3, 150));
    EXPECT_EQ(t[4], qRgb(10, 4, 200));
    const QVector<QRgb> full = TGradientForm::buildTable(QColor(255, 255, 255), 256);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(full[i], qRgb(i, i, i));
}

TEST_F(Decor, PaletteChangeRebuildsTheTables) {
    TGradientForm form;
    QPalette pal = form.palette();
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 128, 0));
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
    form.setPalette(pal);
    EXPECT_EQ(form.colorTable(true).last(), qRgb(0, 128, 0));
    EXPECT_EQ(form.colorTable(false).last(), qRgb(90, 90, 90));
    EXPECT_EQ(form.colorTable(true).first(), qRgb(0, 0, 0));
}

QImage grabCaption(TGradientForm& form) {
    return form.captionBar()->grab().toImage();
}

TEST_F(Decor, GradientIsPaintedOrReplacedByThePlainColour) {
    TGradientForm form;
    QPalette pal = form.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::Highlight, QColor(0, 0, 255));
    form.setPalette(pal);
    form.setCaption("");
    form.resize(400, 100);
    form.show();
    // Left end of the gradient is black, right end (under the buttons' inset) the caption colour.
    const QImage g = grabCaption(form);
    EXPECT_EQ(QColor(g.pixel(0, g.height() / 2)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(g.pixel(g.width() - 1, g.height() - 1)), QColor(0, 0, 255));
    form.setPaintGradient(gfpNever);
    const QImage plain = grabCaption(form);
    EXPECT_EQ(QColor(plain.pixel(0, plain.height() / 2)), QColor(0, 0, 255));
    // gfpActive paints the plain colour while the form is not the active window.
    form.setPaintGradient(gfpActive);
    if (!form.captionActive()) {
        const QImage inactive = grabCaption(form);
        EXPECT_EQ(QColor(inactive.pixel(0, inactive.height() / 2)), QColor(0, 0, 255));
    }
}

TEST_F(Decor, LongCaptionNeverCoversIconOrButtons) {
    TGradientForm form;
    form.resize(260, 120);
    form.show();
    QRect free;
    form.OnCaptionPaint = [&](TGradientForm* sender, QPainter&, QRect& r) {
        EXPECT_EQ(sender, &form);
        free = r;
    };
    form.setCaption("x");
    const QImage shortText = grabCaption(form);
    form.setCaption(QString(400, QChar('W')));
    const QImage longText = grabCaption(form);
    const auto* close = form.captionBar()->findChild<QToolButton*>("CloseButton");
    const auto* min = form.captionBar()->findChild<QToolButton*>("MinimizeButton");
    ASSERT_NE(close, nullptr);
    ASSERT_NE(min, nullptr);
    EXPECT_EQ(free.right(), min->geometry().left() - 3);
    EXPECT_GT(free.left(), 1); // past the icon
    for (int y = 0; y < shortText.height(); ++y) {
        for (int x = 0; x < free.left(); ++x)
            ASSERT_EQ(shortText.pixel(x, y), longText.pixel(x, y)) << x << "," << y;
        for (int x = free.right() + 3; x < shortText.width(); ++x)
            ASSERT_EQ(shortText.pixel(x, y), longText.pixel(x, y)) << x << "," << y;
    }
}

TEST_F(Decor, ToolWindowsHaveOnlyTheCloseButton) {
    TGradientForm normal;
    TGradientForm tool(nullptr, Qt::Tool);
    EXPECT_FALSE(normal.isToolWindow());
    EXPECT_TRUE(tool.isToolWindow());
    for (const char* name : {"CloseButton", "MaximizeButton", "MinimizeButton"}) {
        EXPECT_FALSE(normal.captionBar()->findChild<QToolButton*>(name)->isHidden()) << name;
        EXPECT_EQ(tool.captionBar()->findChild<QToolButton*>(name)->isHidden(),
                  std::string(name) != "CloseButton")
            << name;
    }
    EXPECT_LT(tool.captionBar()->height(), normal.captionBar()->height() + 1);
    TAboutBox1 dialog;
    EXPECT_TRUE(dialog.isDialog());
    EXPECT_FALSE(dialog.captionBar()->findChild<QToolButton*>("CloseButton")->isHidden());
    EXPECT_TRUE(dialog.captionBar()->findChild<QToolButton*>("MaximizeButton")->isHidden());
    EXPECT_TRUE(dialog.captionBar()->findChild<QToolButton*>("MinimizeButton")->isHidden());
    EXPECT_FALSE(dialog.edgesAt({0, 0}));
}

TEST_F(Decor, CaptionButtonsMaximiseRestoreAndClose) {
    TGradientForm form;
    form.resize(300, 200);
    form.show();
    form.captionBar()->findChild<QToolButton*>("MaximizeButton")->click();
    EXPECT_TRUE(form.isMaximized());
    auto* restore = form.captionBar()->findChild<QToolButton*>("RestoreButton");
    ASSERT_NE(restore, nullptr);
    restore->click();
    EXPECT_FALSE(form.isMaximized());
    form.captionBar()->findChild<QToolButton*>("CloseButton")->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Decor, SizingBordersGiveTheMatchingCursor) {
    TGradientForm form;
    form.resize(200, 100);
    struct Case {
        QPoint at;
        Qt::CursorShape cursor;
    };
    const int k = TGradientForm::kFrame;
    for (const Case c : {Case{{0, 50}, Qt::SizeHorCursor}, Case{{199, 50}, Qt::SizeHorCursor},
                         Case{{100, 0}, Qt::SizeVerCursor}, Case{{100, 99}, Qt::SizeVerCursor},
                         Case{{0, 0}, Qt::SizeFDiagCursor}, Case{{199, 99}, Qt::SizeFDiagCursor},
                         Case{{199, 0}, Qt::SizeBDiagCursor}, Case{{0, 99}, Qt::SizeBDiagCursor},
                         Case{{k, k}, Qt::ArrowCursor}, Case{{100, 50}, Qt::ArrowCursor}})
        EXPECT_EQ(TGradientForm::cursorForEdges(form.edgesAt(c.at)), c.cursor)
            << c.at.x() << "," << c.at.y();
    TGradientForm tool(nullptr, Qt::Tool);
    tool.resize(200, 100);
    EXPECT_FALSE(tool.edgesAt({0, 0}));
}

// ---- tool panels ------------------------------------------------------------------------------

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
    send(w, QEvent::MouseButtonPress, from, button);
    send(w, QEvent::MouseButtonRelease, to, button);
}

struct Panels {
    QWidget window;
    TPanelManager* manager;
    TMPanel* first;
    TMPanel* second;
    std::vector<std::pair<QWidget*, TPanelActionCode>> actions;
    std::vector<QWidget*> changes;
    TPanelActionCode veto = TPanelActionCode(-1);

    Panels() {
        window.resize(400, 300);
        manager = new TPanelManager(&window);
        manager->setGeometry(0, 0, 400, 10);
        first = new TMPanel(manager);
        first->setGeometry(0, 0, 300, 32);
        second = new TMPanel(manager);
        second->setGeometry(0, 40, 300, 20);
        second->setTabCaption("Second");
        manager->OnPanelAction = [this](QWidget* p, TPanelActionCode a, bool& canDo) {
            actions.emplace_back(p, a);
            if (a == veto) canDo = false;
        };
        manager->OnPanelChange = [this](QWidget* p) { changes.push_back(p); };
        window.show();
        manager->layoutPanels();
        actions.clear();
    }
    // A point on the left tab of an expanded panel.
    QPoint leftTab(QWidget* p) const { return {3, p->y() + p->height() / 2}; }
    QPoint bottomTab(QWidget* p) const {
        for (const auto& e : manager->panelTable())
            if (e.panel == p) return {e.start + 3, manager->height() - manager->TabHeight()};
        return {-100, -100};
    }
};

TEST_F(Decor, LayoutStacksExpandedPanelsAndSizesTheContainer) {
    Panels s;
    EXPECT_EQ(s.first->geometry(), QRect(10, 1, 390, 32));
    EXPECT_EQ(s.second->geometry(), QRect(10, 33, 390, 20));
    EXPECT_EQ(s.manager->height(), 32 + 20 + 1);
    ASSERT_EQ(s.manager->panelTable().size(), 2);
    EXPECT_EQ(s.manager->panelTable()[1].start, 32);
    EXPECT_EQ(s.manager->panelTable()[1].end, 52);
}

TEST_F(Decor, TabClickCollapsesAndBottomTabClickExpands) {
    Panels s;
    drag(s.manager, s.leftTab(s.first), s.leftTab(s.first));
    EXPECT_TRUE(s.first->isHidden());
    EXPECT_EQ(s.manager->height(), 20 + 10 + 1);
    EXPECT_EQ(s.second->y(), 1);
    ASSERT_EQ(s.actions.size(), 2u);
    EXPECT_EQ(s.actions[0].second, paBeforeCollapse);
    EXPECT_EQ(s.actions[1].second, paCollapsed);
    EXPECT_EQ(s.changes, std::vector<QWidget*>{s.first});
    const QPoint tab = s.bottomTab(s.first);
    drag(s.manager, tab, tab);
    EXPECT_FALSE(s.first->isHidden());
    EXPECT_EQ(s.manager->height(), 53);
    EXPECT_EQ(s.actions[2].second, paBeforeExpand);
    EXPECT_EQ(s.actions[3].second, paExpanded);
    EXPECT_EQ(s.changes.size(), 2u);
}

TEST_F(Decor, SingleCollapsedPanelLeavesOnlyTheTabStrip) {
    QWidget window;
    auto* manager = new TPanelManager(&window);
    manager->resize(300, 10);
    auto* panel = new TMPanel(manager);
    panel->resize(300, 32);
    auto* button = new QToolButton(panel);
    window.show();
    manager->layoutPanels();
    drag(manager, {3, 10}, {3, 10});
    EXPECT_EQ(manager->height(), manager->TabHeight() + manager->BevelWidth());
    EXPECT_FALSE(button->isVisible());
    drag(manager, {2, manager->height() - 5}, {2, manager->height() - 5});
    EXPECT_TRUE(button->isVisible());
}

TEST_F(Decor, MovesUpToFourPixelsStillClick) {
    struct Case {
        int dx, dy;
        bool toggles;
    };
    for (const Case c : {Case{0, 0, true}, Case{4, 4, true}, Case{-4, -4, true}, Case{4, -4, true},
                         Case{5, 0, false}, Case{0, 5, false}, Case{5, 5, false}}) {
        Panels s;
        const QPoint at = s.leftTab(s.first) + QPoint(2, 0);
        drag(s.manager, at, at + QPoint(c.dx, c.dy));
        EXPECT_EQ(s.first->isHidden(), c.toggles) << c.dx << "," << c.dy;
    }
}

TEST_F(Decor, RightButtonNeverTogglesMovesOrFloats) {
    Panels s;
    drag(s.manager, s.leftTab(s.first), s.leftTab(s.first), Qt::RightButton);
    drag(s.manager, s.leftTab(s.second), s.leftTab(s.first), Qt::RightButton);
    drag(s.manager, s.leftTab(s.first), {200, 250}, Qt::RightButton);
    EXPECT_FALSE(s.first->isHidden());
    EXPECT_EQ(s.first->parentWidget(), s.manager);
    EXPECT_LT(s.first->y(), s.second->y());
    EXPECT_TRUE(s.actions.empty());
    EXPECT_EQ(s.manager->findChildren<TFloatPanel*>().size(), 0);
}

TEST_F(Decor, VetoedActionsLeaveThePanel) {
    for (TPanelActionCode veto : {paBeforeCollapse, paBeforeFloat}) {
        Panels s;
        s.veto = veto;
        drag(s.manager, s.leftTab(s.first), s.leftTab(s.first));
        drag(s.manager, s.leftTab(s.second), {200, 250});
        EXPECT_EQ(s.first->isHidden(), veto != paBeforeCollapse);
        auto* floating = qobject_cast<TFloatPanel*>(s.second->parentWidget());
        EXPECT_EQ(floating != nullptr, veto != paBeforeFloat) << veto;
        if (veto == paBeforeCollapse) {
            EXPECT_TRUE(s.changes.empty());
        }
        if (floating != nullptr) floating->close();
    }
    Panels s;
    drag(s.manager, s.leftTab(s.first), s.leftTab(s.first));
    s.veto = paBeforeExpand;
    const QPoint tab = s.bottomTab(s.first);
    drag(s.manager, tab, tab);
    EXPECT_TRUE(s.first->isHidden());
}

TEST_F(Decor, DragOntoAnotherTabReorders) {
    Panels s;
    drag(s.manager, s.leftTab(s.second), s.leftTab(s.first));
    EXPECT_LT(s.second->y(), s.first->y());
    EXPECT_EQ(s.second->y(), 1);
    EXPECT_EQ(s.first->y(), 21);
    // A collapsed panel dragged onto the left strip also expands.
    drag(s.manager, s.leftTab(s.second), s.leftTab(s.second));
    ASSERT_TRUE(s.second->isHidden());
    s.actions.clear();
    drag(s.manager, s.bottomTab(s.second), s.leftTab(s.first));
    EXPECT_FALSE(s.second->isHidden());
    EXPECT_LT(s.second->y(), s.first->y());
    ASSERT_FALSE(s.actions.empty());
    EXPECT_EQ(s.actions.back().second, paExpanded);
    // Dragged along its own long bottom tab, a collapsed panel expands too.
    drag(s.manager, s.leftTab(s.second), s.leftTab(s.second));
    ASSERT_TRUE(s.second->isHidden());
    const QPoint tab = s.bottomTab(s.second);
    drag(s.manager, tab, tab + QPoint(20, 0));
    EXPECT_FALSE(s.second->isHidden());
}

TEST_F(Decor, DragOutFloatsAndClosingDocksBack) {
    Panels s;
    (new QToolButton(s.first))->setGeometry(20, 2, 30, 30);
    s.first->setFloatX(5);
    s.first->setFloatY(3);
    drag(s.manager, s.leftTab(s.first), {150, 250});
    auto* floating = qobject_cast<TFloatPanel*>(s.first->parentWidget());
    ASSERT_NE(floating, nullptr);
    EXPECT_TRUE(s.first->floating());
    EXPECT_EQ(floating->windowTitle(), "Tools");
    EXPECT_EQ(floating->size(), QSize(50 + 5, 32 + 3));
    EXPECT_TRUE(floating->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(floating->pos(), s.manager->mapToGlobal(QPoint(150, 250)));
    EXPECT_EQ(s.manager->height(), 20 + 1);
    EXPECT_EQ(s.actions.back().second, paFloated);
    floating->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s.first->parentWidget(), s.manager);
    EXPECT_FALSE(s.first->floating());
    EXPECT_FALSE(s.first->isHidden());
    EXPECT_EQ(s.first->height(), 32);
    EXPECT_EQ(s.manager->height(), 53);
    EXPECT_EQ(s.actions.back().second, paDocked);
}

TEST_F(Decor, FloatingWindowTakesTheTabCaption) {
    Panels s;
    drag(s.manager, s.leftTab(s.second), {-30, 250});
    auto* floating = qobject_cast<TFloatPanel*>(s.second->parentWidget());
    ASSERT_NE(floating, nullptr);
    EXPECT_EQ(floating->windowTitle(), "Second");
    floating->close();
}

TEST_F(Decor, PanelThatMayNotFloatStaysDocked) {
    Panels s;
    s.first->setFloatable(false);
    drag(s.manager, s.leftTab(s.first), {150, 250});
    EXPECT_EQ(s.first->parentWidget(), s.manager);
    EXPECT_TRUE(s.actions.empty());
}

TEST_F(Decor, SlantedBottomTabsFollowTheirRows) {
    Panels s;
    drag(s.manager, s.leftTab(s.first), s.leftTab(s.first));
    drag(s.manager, s.leftTab(s.second), s.leftTab(s.second));
    const auto& table = s.manager->panelTable();
    ASSERT_EQ(table.size(), 2);
    const auto& second = table[1];
    ASSERT_TRUE(second.collapsed);
    EXPECT_EQ(second.start, table[0].end);
    EXPECT_EQ(second.end - second.start,
              20 + s.manager->fontMetrics().horizontalAdvance("Seconda"));
    const int top = s.manager->height() - s.manager->TabHeight();
    const int secondIndex = second.index;
    struct Case {
        QPoint at;
        bool hit;
    };
    for (const Case c :
         {Case{{second.start + 1, top}, true}, Case{{second.start - 4, top + 5}, true},
          Case{{second.start - 6, top + 5}, false}, Case{{second.end - 9, top + 9}, true},
          Case{{second.end - 8, top + 9}, false}, Case{{second.start + 1, top + 10}, false},
          Case{{second.start + 1, top - 1}, false}})
        EXPECT_EQ(s.manager->hitTest(c.at, false) == secondIndex, c.hit)
            << c.at.x() << "," << c.at.y();
    // The first tab starts at 0 and is not shifted there.
    EXPECT_EQ(s.manager->hitTest({0, top + 9}, false), table[0].index);
    EXPECT_EQ(s.manager->hitTest({200, top - 1}, false), -1);
}

TEST_F(Decor, HighlightFollowsThePointerOnlyWhenEnabled) {
    Panels s;
    send(s.manager, QEvent::MouseMove, s.leftTab(s.first), Qt::NoButton);
    EXPECT_EQ(s.manager->hoveredIndex(), -1);
    s.manager->setTabHighLight(true);
    send(s.manager, QEvent::MouseMove, s.leftTab(s.first), Qt::NoButton);
    EXPECT_EQ(s.manager->hoveredIndex(), s.manager->panelTable()[0].index);
    send(s.manager, QEvent::MouseMove, {200, 5}, Qt::NoButton);
    EXPECT_EQ(s.manager->hoveredIndex(), -1);
    // A right click ends the press, so highlighting goes on afterwards.
    drag(s.manager, {200, 5}, {200, 5}, Qt::RightButton);
    send(s.manager, QEvent::MouseMove, s.leftTab(s.second), Qt::NoButton);
    EXPECT_EQ(s.manager->hoveredIndex(), s.manager->panelTable()[1].index);
}

TEST_F(Decor, ButtonRowStartsAtTwentyAndFollowsVisibleButtons) {
    TMPanel panel;
    auto* a = new QToolButton(&panel);
    auto* hidden = new QToolButton(&panel);
    auto* b = new QToolButton(&panel);
    a->resize(30, 30);
    hidden->resize(30, 30);
    hidden->hide();
    b->resize(25, 30);
    panel.setArangeButtons(true);
    EXPECT_EQ(a->pos(), QPoint(20, 2));
    EXPECT_EQ(b->pos(), QPoint(50, 2));
}

// ---- tiled background -------------------------------------------------------------------------

QImage stripe() {
    // white, red, white on the first row; white below: the bottom-left pixel is white.
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(1, 0, qRgb(255, 0, 0));
    return img;
}

TEST_F(Decor, TileModesPrepareMaskAndDisplay) {
    QWidget parent;
    QPalette pal = parent.palette();
    pal.setColor(parent.backgroundRole(), QColor(10, 20, 30));
    parent.setPalette(pal);
    auto* tile = new TwiaTile(&parent);
    tile->setFadeColor(QColor(1, 2, 3));
    tile->setImage(stripe());
    EXPECT_EQ(tile->TranColor(), QColor(Qt::white));
    EXPECT_EQ(tile->TileMode(), tmFaded);
    EXPECT_EQ(tile->mask().pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(tile->mask().pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(QColor(tile->display().pixel(1, 0)), QColor(1, 2, 3));
    EXPECT_EQ(QColor(tile->display().pixel(0, 0)), QColor(10, 20, 30));
    pal.setColor(parent.backgroundRole(), QColor(40, 50, 60));
    parent.setPalette(pal);
    EXPECT_EQ(QColor(tile->display().pixel(0, 0)), QColor(40, 50, 60));
    tile->setTileMode(tmTransparent);
    EXPECT_EQ(qAlpha(tile->display().pixel(0, 0)), 0);
    EXPECT_EQ(tile->display().pixel(1, 0), qRgb(255, 0, 0));
    tile->setTileMode(tmNormal);
    EXPECT_EQ(tile->display().pixel(0, 0), qRgb(255, 255, 255));
    tile->setTranColor(QColor(255, 0, 0));
    EXPECT_EQ(tile->mask().pixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(tile->mask().pixel(0, 0), 0xFF000000u);
}

TEST_F(Decor, OldSwitchesMapOntoTheMode) {
    struct Case {
        TwiaTileMode from;
        bool faded;
        bool setFaded;
        TwiaTileMode expected;
    };
    for (const Case c :
         {Case{tmNormal, true, true, tmFaded}, Case{tmFaded, false, true, tmTransparent},
          Case{tmNormal, false, true, tmNormal}, Case{tmFaded, true, false, tmTransparent},
          Case{tmFaded, false, false, tmNormal}, Case{tmNormal, true, false, tmTransparent}}) {
        TwiaTile tile;
        tile.setTileMode(c.from);
        if (c.setFaded)
            tile.setFaded(c.faded);
        else
            tile.setTransparent(c.faded);
        EXPECT_EQ(tile.TileMode(), c.expected) << c.from << c.faded << c.setFaded;
    }
}

TEST_F(Decor, TilesRepeatFromTheTopLeftAndFollowTheParent) {
    QWidget parent;
    parent.resize(620, 32);
    auto* tile = new TwiaTile(&parent);
    QImage img(57, 32, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(0, 0, qRgb(0, 0, 200));
    img.setPixel(56, 31, qRgb(0, 200, 0));
    tile->setImage(img);
    tile->setTileMode(tmNormal);
    parent.show();
    EXPECT_EQ(tile->geometry(), parent.rect());
    const QImage shot = tile->grab().toImage();
    for (int x = 0; x < 620; x += 57)
        EXPECT_EQ(shot.pixel(x, 0), qRgb(0, 0, 200)) << x;
    for (int x = 56; x < 620; x += 57)
        EXPECT_EQ(shot.pixel(x, 31), qRgb(0, 200, 0)) << x;
    parent.resize(700, 40);
    EXPECT_EQ(tile->size(), QSize(700, 40));
}

TEST_F(Decor, MainToolPanelIsBuiltAsTheFrameExpectsIt) {
    QWidget window;
    window.resize(800, 100);
    const ToolPanel t = makeToolPanel(&window);
    EXPECT_EQ(window.findChild<TPanelManager*>("PanelManager1"), t.PanelManager1);
    EXPECT_EQ(t.PanelManager1->findChild<TMPanel*>("MPanel1"), t.MPanel1);
    EXPECT_EQ(t.MPanel1->findChild<TwiaTile*>("wiaTile1"), t.wiaTile1);
    EXPECT_FALSE(t.MPanel1->Floatable());
    EXPECT_EQ(t.wiaTile1->geometry(), QRect(1, 1, 620, 32));
    EXPECT_EQ(t.wiaTile1->Image().size(), QSize(57, 32));
    EXPECT_EQ(t.wiaTile1->TranColor(), QColor(Qt::white));
    EXPECT_EQ(t.wiaTile1->TileMode(), tmFaded);
    window.show();
    t.PanelManager1->resize(800, t.PanelManager1->height());
    EXPECT_EQ(t.wiaTile1->geometry(), QRect(1, 1, 620, 32)); // stays at the left, not stretched
    // Dragged out, it stays: the tool bar is fixed in place.
    drag(t.PanelManager1, {3, 10}, {300, 90});
    EXPECT_EQ(t.MPanel1->parentWidget(), t.PanelManager1);
    EXPECT_FALSE(t.MPanel1->isHidden());
}

// ---- about box --------------------------------------------------------------------------------

TEST_F(Decor, AboutBoxShowsItsTextsAndScrollsEndlessly) {
    TAboutBox1 box;
    EXPECT_EQ(box.Caption(), "About");
    EXPECT_EQ(box.findChild<QLabel*>("ProductName")->text(), "Quillmora");
    EXPECT_EQ(box.findChild<QLabel*>("Version")->text(), "Version 0.9");
    auto* ok = box.findChild<QPushButton*>("OKButton");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_TRUE(box.scrolling());
    EXPECT_EQ(box.findChild<QTimer*>()->interval(), 100);
    const int cycle = box.cycleLength();
    ASSERT_GT(cycle, 0);
    for (int i = 0; i < cycle - 1; ++i)
        box.step();
    EXPECT_EQ(box.scrollOffset(), cycle - 1);
    box.step();
    EXPECT_EQ(box.scrollOffset(), 0);
}

TEST_F(Decor, AboutBoxOkEndsTheModalLoopCentredWithResultOk) {
    TAboutBox1 box;
    QRect shown;
    QTimer::singleShot(0, &box, [&] {
        shown = box.frameGeometry();
        box.findChild<QPushButton*>("OKButton")->click();
    });
    EXPECT_EQ(box.exec(), 1);
    EXPECT_FALSE(box.scrolling());
    const QPoint centre = QApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((shown.center() - centre).manhattanLength(), 2);
    TAboutBox1 closed;
    QTimer::singleShot(0, &closed, [&] { closed.close(); });
    EXPECT_EQ(closed.exec(), 0);
    EXPECT_FALSE(closed.scrolling());
}

// ---- printing ---------------------------------------------------------------------------------

struct PdfPage {
    double width = 0, height = 0;
    QByteArray bytes;
};

PdfPage readPdf(const QString& path) {
    QFile f(path);
    PdfPage page;
    if (!f.open(QIODevice::ReadOnly)) return page;
    page.bytes = f.readAll();
    const QRegularExpression box(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])");
    const auto m = box.match(QString::fromLatin1(page.bytes));
    if (m.hasMatch()) {
        page.width = m.captured(1).toDouble();
        page.height = m.captured(2).toDouble();
    }
    return page;
}

TEST_F(Decor, PrintTurnsThePageToThePictureAndRestoresTheOrientation) {
    QTemporaryDir dir;
    struct Case {
        int w, h;
        QPageLayout::Orientation current;
        bool landscapePage;
    };
    int n = 0;
    for (const Case c : {Case{200, 100, QPageLayout::Portrait, true},
                         Case{100, 200, QPageLayout::Landscape, false},
                         Case{150, 150, QPageLayout::Landscape, true},
                         Case{150, 150, QPageLayout::Portrait, false}}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString path = dir.filePath(QString("page%1.pdf").arg(n++));
        printer.setOutputFileName(path);
        printer.setPageOrientation(c.current);
        QImage picture(c.w, c.h, QImage::Format_RGB32);
        picture.fill(qRgb(200, 30, 30));
        ASSERT_TRUE(printPicture(printer, picture));
        EXPECT_EQ(printer.pageLayout().orientation(), c.current);
        const PdfPage page = readPdf(path);
        ASSERT_GT(page.width, 0) << path.toStdString();
        EXPECT_EQ(page.width > page.height, c.landscapePage) << c.w << "x" << c.h;
        // The page holds the picture at its own size in pixels.
        EXPECT_TRUE(page.bytes.contains("/Subtype /Image"));
        EXPECT_TRUE(page.bytes.contains(QByteArray("/Width ") + QByteArray::number(c.w)));
        EXPECT_TRUE(page.bytes.contains(QByteArray("/Height ") + QByteArray::number(c.h)));
    }
}

TEST_F(Decor, EmptyPictureIsNotPrinted) {
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("none.pdf"));
    EXPECT_FALSE(printPicture(printer, QImage()));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.pdf")));
}

// ---- help -------------------------------------------------------------------------------------

TEST_F(Decor, HelpOpensTheIndexOrSilentlyNothing) {
    QTemporaryDir empty;
    EXPECT_TRUE(helpIndexPath({empty.path(), empty.filePath("missing")}).isEmpty());
    EXPECT_EQ(showHelp(nullptr, {empty.path()}), nullptr);
    const QString source = QString(QM_TEST_DATA_DIR) + "/../../docs/help";
    const QString index = helpIndexPath({empty.path(), source});
    ASSERT_FALSE(index.isEmpty());
    HelpWindow* window = showHelp(nullptr, {source});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(showHelp(nullptr, {source}), window); // one window
    EXPECT_TRUE(window->toPlainText().contains("Quillmora"));
    window->close();
}

TEST_F(Decor, EveryHelpLinkReachesAPage) {
    const QDir help(QString(QM_TEST_DATA_DIR) + "/../../docs/help");
    const QRegularExpression href(R"re(href="([^"#:]+)(#[^"]*)?")re");
    int pages = 0;
    for (const QString& name : help.entryList({"*.html"}, QDir::Files)) {
        QFile f(help.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        ++pages;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto it = href.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(help.filePath(target)))
                << name.toStdString() << " -> " << target.toStdString();
        }
    }
    EXPECT_GE(pages, 5);
}

// ---- desktop integration ----------------------------------------------------------------------

TEST_F(Decor, DesktopEntryAndMimeTypeAgreeOnParameterFiles) {
    const QDir packaging(QString(QM_TEST_DATA_DIR) + "/../../packaging");
    QFile entry(packaging.filePath("quillmora.desktop"));
    QFile mime(packaging.filePath("quillmora-mime.xml"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
    const QString desktop = QString::fromUtf8(entry.readAll());
    const QString types = QString::fromUtf8(mime.readAll());
    const auto type = QRegularExpression(R"re(type="([^"]+)")re").match(types);
    ASSERT_TRUE(type.hasMatch());
    EXPECT_TRUE(desktop.contains("MimeType=" + type.captured(1) + ";"));
    EXPECT_TRUE(types.contains(R"(<glob pattern="*.qmp"/>)"));
    EXPECT_TRUE(desktop.contains("\nExec=quillmora %F\n"));
    EXPECT_TRUE(desktop.contains("\nIcon=quillmora\n"));
    EXPECT_TRUE(QFile::exists(packaging.filePath("quillmora.svg")));
}

} // namespace
} // namespace qm::app
