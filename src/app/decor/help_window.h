// The help window that F1 opens: Quillmora's HTML help pages in a browser window.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextBrowser>

namespace qm::app {

class HelpWindow : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& indexPath, QWidget* parent = nullptr);
};

// Folders searched for index.html, in order: beside the program (installed layout), the
// install prefix, then the source tree's docs/help.
QStringList helpFolders();
// The help index that exists, or an empty string.
QString helpIndexPath(const QStringList& folders = helpFolders());

// Where `window` opens: centred on the program's frame, on its screen (not wherever the window
// manager puts a new window, such as over the frame's menu bar).
QPoint placeOver(const QWidget& window, const QWidget& frame);

// Opens (or raises) the one help window; without help pages nothing happens and nothing is
// reported, as a failed help start is ignored. Returns the window or nullptr.
HelpWindow* showHelp(QWidget* parent = nullptr, const QStringList& folders = helpFolders());

} // namespace qm::app
