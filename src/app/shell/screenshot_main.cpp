// Screenshot tool: starts the real main window, opens a document, renders it and saves a picture
// of the whole window, so the program can be looked at from machines without a desktop.
#include "app/fractal/mandel_form.h"
#include "app/shell/error_handler.h"
#include "app/shell/main_frame.h"
#include "app/shell/main_window.h"
#include "app/shell/speedometer.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillmora_screenshot OUTPUT.png [FOLDED.png]\n");
        return 2;
    }
    qm::app::QuillmoraApplication app(argc, argv);
    QApplication::setOrganizationName("Quillmora");
    QApplication::setApplicationName("Quillmora");
    // A throw-away settings folder: the user's placement and recent files stay untouched.
    QTemporaryDir settings;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    qm::app::MainFrame frame(0);
    qm::app::Tmain& window = *frame.mainWindow();
    frame.resize(1024, 740);
    frame.show();
    window.new1click();
    window.speedclick();
    window.speedometer()->setFloating(false); // docked, so the picture of the window shows it
    auto* form =
        qobject_cast<qm::app::Tmandelform*>(window.mdiArea()->currentSubWindow()->widget());
    if (form == nullptr) return 1;
    window.mdiArea()->currentSubWindow()->resize(560, 470);
    int rc = 1;
    QObject::connect(form, &qm::app::Tmandelform::renderFinished, &app, [&] {
        // Give the view a moment to paint the finished picture.
        QTimer::singleShot(300, &app, [&] {
            rc = frame.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
            if (rc == 0 && argc > 2) {
                // The same window with the tool panel folded into its bottom tab.
                window.toolPanel().PanelManager1->hitTest(QPoint(3, 10), true);
                QTimer::singleShot(100, &app, [&] {
                    rc = frame.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
                    QApplication::exit(rc);
                });
                return;
            }
            QApplication::exit(rc);
        });
    });
    QTimer::singleShot(200, form, [form] { form->StartrenderClick(); });
    QTimer::singleShot(60000, &app, [] { QApplication::exit(3); });
    QApplication::exec();
    return rc;
}
