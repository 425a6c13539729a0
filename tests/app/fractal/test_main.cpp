// Entry of the document-window tests: runs the tests, then leaves without destroying the one
// QApplication, whose input devices cannot be torn down after the rest of the GUI at exit.
#include "app/qt_test_app.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qm::test::qtApp();
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(result);
}
