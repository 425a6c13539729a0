// The one QApplication of a GUI test executable, offscreen unless the caller chose a platform.
#pragma once

#include <QApplication>

namespace qm::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "quillmora_test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own globals are gone before a static application would be, and
    // destroying it then crashes the process after the results are written.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace qm::test
