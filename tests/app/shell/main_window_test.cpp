// The frame window: caption, menus and tool bar by object name, "New" numbering, hints.
#include "app/qt_test_app.h"
#include "app/shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QApplication& app() {
    return qm::test::qtApp();
}

TEST(Tmain, StartsWithCaptionAndNoDocuments) {
    app();
    qm::app::Tmain w;
    w.show();
    EXPECT_EQ(w.windowTitle(), QString("Quillmora - v0.9"));
    EXPECT_TRUE(w.mdiArea()->subWindowList().isEmpty());
}

TEST(Tmain, MenuItemsCarryTheirCaptionsShortcutsAndVisibility) {
    app();
    qm::app::Tmain w;
    struct Item {
        const char* name;
        const char* caption;
        const char* shortcut;
        bool visible;
    };
    const Item items[] = {
        {"New1", "New", "Ctrl+N", true},
        {"Duplicate1", "Duplicate", "", false},
        {"Open1", "Load Parameters", "Ctrl+L", true},
        {"Save1", "Save Parameters", "Ctrl+S", true},
        {"SaveAs1", "Save Image", "Ctrl+I", true},
        {"LoadImagetoBuffer1", "Load Image to &Buffer", "", false},
        {"Print1", "&Print...", "Ctrl+P", true},
        {"Exit1", "E&xit", "Ctrl+Q", true},
        {"Contents1", "Help..", "F1", true},
        {"hls1", "Hue/Luminance/Saturation ", "", true},
        {"hsv2", "HSV", "", false},
    };
    for (const auto& it : items) {
        auto* a = w.findChild<QAction*>(it.name);
        ASSERT_NE(a, nullptr) << it.name;
        EXPECT_EQ(a->text(), QString(it.caption)) << it.name;
        EXPECT_EQ(a->shortcut().toString(), QString(it.shortcut)) << it.name;
        EXPECT_EQ(a->isVisible(), it.visible) << it.name;
    }
    EXPECT_FALSE(w.findChild<QAction*>("Duplicate1")->isEnabled());
}

TEST(Tmain, NewNumbersDocumentsAndTheWindowMenuListsThem) {
    app();
    qm::app::Tmain w;
    w.show();
    w.findChild<QAction*>("New1")->trigger();
    w.findChild<QToolButton*>("NewButton")->click();
    w.new1click();
    const auto windows = w.mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    EXPECT_EQ(windows[0]->windowTitle(), "New 1");
    EXPECT_EQ(windows[2]->windowTitle(), "New 3");
    windows[0]->close();
    w.new1click();
    EXPECT_EQ(w.mdiArea()->subWindowList().back()->windowTitle(), "New 4");

    auto* menu = w.findChild<QMenu*>("Windows1");
    emit menu->aboutToShow();
    QStringList captions;
    for (auto* a : menu->actions())
        captions << a->text();
    EXPECT_TRUE(captions.contains("Tile"));
    EXPECT_TRUE(captions.contains("Cascade"));
    EXPECT_TRUE(captions.contains("&3 New 4"));
}

TEST(Tmain, HintsGoToTheStatusBar) {
    app();
    qm::app::Tmain w;
    auto* button = w.findChild<QToolButton*>("OverviewButton");
    ASSERT_NE(button, nullptr);
    QStatusTipEvent tip(button->statusTip());
    QApplication::sendEvent(&w, &tip);
    EXPECT_EQ(w.statusBar()->currentMessage(), "Overview of modifiers, variables and function");
    EXPECT_NE(w.findChild<QToolButton*>("FilterButton")->menu(), nullptr);
}

} // namespace
