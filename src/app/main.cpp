// Program entry of the Quillmora desktop application.
#include "app/shell/error_handler.h"
#include "app/shell/main_frame.h"
#include "engine/core/version.h"

#include <QDir>
#include <QIcon>
#include <cstring>
#include <iostream>

namespace {

// Answered before any window-system connection, so they work without a display (the manual
// page is made from this text at build time).
constexpr const char* kHelp =
    "usage: quillmora [FILE...]\n"
    "\n"
    "Quillmora renders, zooms and colours fractal pictures in document windows. Each FILE\n"
    "opens as a document: a parameter file (.qmp), or a PNG or JPEG picture saved with its\n"
    "parameters. The settings are kept in ~/.config/Quillmora/Quillmora.conf.\n"
    "\n"
    "arguments:\n"
    "  FILE                  a parameter file, or a picture carrying one\n"
    "options:\n"
    "  --help                print this help and exit\n"
    "  --version             print the version and exit\n";

// The icon compiled into the program at the window-icon sizes (cmake/QmIcon.cmake).
QIcon programIcon() {
    QIcon icon;
    const QDir icons(":/icons");
    for (const QString& name : icons.entryList(QDir::Files))
        icon.addFile(icons.filePath(name));
    return icon;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::cout << kHelp;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "quillmora " << qm::kVersion << "\n";
            return 0;
        }
    }
    qm::app::QuillmoraApplication app(argc, argv);
    QApplication::setOrganizationName("Quillmora");
    QApplication::setApplicationName("Quillmora");
    QApplication::setApplicationDisplayName("Quillmora");
    // Every window without an icon of its own shows this one; the desktop entry names the same.
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName("quillmora");
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
