// Program entry of the Quillmora desktop application.
#include "app/shell/error_handler.h"
#include "app/shell/main_frame.h"

int main(int argc, char** argv) {
    qm::app::QuillmoraApplication app(argc, argv);
    QApplication::setOrganizationName("Quillmora");
    QApplication::setApplicationName("Quillmora");
    QApplication::setApplicationDisplayName("Quillmora");
    // The start-up screen shows its three stages for half a second each.
    // The main window lives in a frame that draws its own gradient caption bar.
    qm::app::MainFrame frame(500);
    frame.showWithPlacement();
    // Closing the main window ends the program, whatever tool windows are still up.
    QObject::connect(frame.mainWindow(), &qm::app::Tmain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Files named on the command line (a file manager's "Open with") open as documents.
    frame.mainWindow()->openFiles(QApplication::arguments().mid(1));
    return QApplication::exec();
}
