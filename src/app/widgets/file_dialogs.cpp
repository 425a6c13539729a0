// Sizes of the file dialog and its detail columns, from the font in use.
#include "app/widgets/file_dialogs.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <algorithm>

namespace qm::app {

void fitFileDialog(QFileDialog& dialog) {
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    if (tree == nullptr) return; // a native dialog
    const QFontMetrics metrics(tree->font());
    const int pad = 3 * metrics.averageCharWidth() + 12;
    // Size, Type, Date Modified: the widest texts they usually show.
    const int columns[] = {metrics.horizontalAdvance("9999.9 KiB") + pad,
                           metrics.horizontalAdvance("Folder qmp File") + pad,
                           metrics.horizontalAdvance("31/12/2026 23:59") + pad};
    QHeaderView* header = tree->header();
    int details = 0;
    for (int i = 0; i < 3 && i + 1 < header->count(); ++i) {
        if (header->sectionSize(i + 1) < columns[i]) header->resizeSection(i + 1, columns[i]);
        details += header->sectionSize(i + 1);
    }
    const int name = std::max(header->sectionSize(0), metrics.horizontalAdvance('x') * 36);
    header->resizeSection(0, name);

    // The sidebar, the four columns and the frame; within the screen.
    QSize wanted(name + details + 22 * metrics.averageCharWidth() + 60, 30 * metrics.height());
    if (const QScreen* screen = dialog.screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(dialog.size().expandedTo(wanted));
}

} // namespace qm::app
