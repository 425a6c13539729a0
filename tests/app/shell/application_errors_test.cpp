// The application object's error handler: an error thrown by a command run from an event shows
// its message once and the program goes on. Needs its own QApplication, hence its own program.
#include "app/shell/error_handler.h"
#include "engine/core/errors.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(QuillmoraApplication, ErrorsEscapingEventHandlersAreShownAndTheLoopGoesOn) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "application_errors_test";
    char* argv[] = {name, nullptr};
    qm::app::QuillmoraApplication app(argc, argv);
    QStringList shown;
    qm::app::setErrorPresenter([&](const QString& m) { shown << m; });

    QPushButton button("Go");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        if (clicks == 1) throw qm::EConvertError::invalidFloat("abc");
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "'abc' is not a valid floating point value");
    // The button still works after the failed command.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(shown.size(), 1);
    qm::app::setErrorPresenter({});
}

} // namespace
