// Finding the installed or source-tree help pages and showing them.
#include "app/decor/help_window.h"

#include "app/widgets/mdi_placement.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QUrl>

namespace qm::app {

HelpWindow::HelpWindow(const QString& indexPath, QWidget* parent) : QTextBrowser(parent) {
    setObjectName("HelpWindow");
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Quillmora Help");
    // Pages link to each other; links out of the help go to the system browser.
    setOpenLinks(true);
    setOpenExternalLinks(true);
    setSearchPaths({QFileInfo(indexPath).absolutePath()});
    setSource(QUrl::fromLocalFile(QFileInfo(indexPath).absoluteFilePath()));
    resize(760, 600);
}

QStringList helpFolders() {
    const QDir bin(QCoreApplication::applicationDirPath());
    return {bin.filePath("../share/quillmora/help"), QString(QM_HELP_INSTALL_DIR),
            QString(QM_HELP_SOURCE_DIR)};
}

QString helpIndexPath(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo index(QDir(folder).filePath("index.html"));
        if (index.isFile() && index.isReadable()) return index.absoluteFilePath();
    }
    return {};
}

QPoint placeOver(const QWidget& window, const QWidget& frame) {
    QRect r(QPoint(), window.frameGeometry().size().expandedTo(window.size()));
    r.moveCenter(frame.frameGeometry().center());
    if (const QScreen* screen = frame.screen()) r = keptInside(r, screen->availableGeometry());
    return r.topLeft();
}

HelpWindow* showHelp(QWidget* parent, const QStringList& folders) {
    static QPointer<HelpWindow> window;
    const QString index = helpIndexPath(folders);
    if (index.isEmpty()) return nullptr;
    if (window == nullptr) {
        window = new HelpWindow(index, parent);
        if (parent != nullptr) window->move(placeOver(*window, *parent->window()));
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace qm::app
