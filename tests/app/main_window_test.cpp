// The frame window starts with its caption and an empty document area.
#include "app/shell/main_window.h"

#include <QApplication>
#include <QMdiArea>
#include <gtest/gtest.h>

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication a(argc, argv);
    return a;
}

TEST(Tmain, StartsWithCaptionAndNoDocuments) {
    app();
    qm::app::Tmain w;
    w.show();
    EXPECT_EQ(w.windowTitle(), QString("Quillmora - v0.9"));
    EXPECT_TRUE(w.mdiArea()->subWindowList().isEmpty());
}

} // namespace
