// The right panel of a document window as a user sees it: which of its controls show, and
// whether any two of them cover each other.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QWidget>

namespace qm::test {

// The number of labels, fields and buttons shown on Panel1 (and its Julia box), or -1 as soon
// as two of them overlap.
inline int panelControlsApart(const QWidget* panel) {
    QList<QRect> shown;
    for (QWidget* c : panel->findChildren<QWidget*>()) {
        const QString parent = c->parentWidget()->objectName();
        if (!c->isVisibleTo(panel) || c->objectName() == "juliabox" ||
            (parent != "Panel1" && parent != "juliabox"))
            continue;
        const QRect r(c->mapTo(panel, QPoint(0, 0)), c->size());
        for (const QRect& other : shown)
            if (r.intersects(other)) return -1;
        shown << r;
    }
    return static_cast<int>(shown.size());
}

} // namespace qm::test
