// Placing the child windows of the frame: each opens at its own client size with the sub-window's
// frame around it, cascading keeps those sizes, and no child ends up outside the workspace where
// its caption or its buttons could not be reached.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace qm::app {

// The client size a window asks for: its size hint within its minimum and maximum size.
QSize clientSizeOf(const QWidget* widget);

// `window` moved into `area`; a window larger than the area first shrinks to it, but never below
// `minimum` (then its top-left corner stays in the area, so its caption can be reached).
QRect keptInside(const QRect& window, const QRect& area, QSize minimum = {});

// Shows the sub-window with its widget at clientSizeOf(widget), inside the workspace.
void showAtClientSize(QMdiSubWindow* window);

// Cascades the visible, not minimised sub-windows from the workspace's top-left corner, one
// caption height apart, each at its client size; a window that would leave the workspace starts
// a new column at the top.
void cascadeAtClientSizes(QMdiArea* area);

// Heights of windows tiled one above the other in `total` pixels: equal shares, except that no
// window gets less than its minimum; what larger minimums take comes out of the other shares.
// When the minimums alone exceed `total`, every window gets its minimum.
std::vector<int> tiledHeights(int total, const std::vector<int>& minimums);

// Tiles the visible, not minimised sub-windows one above the other, each the full width of
// the workspace and never below its minimum size.
void tileHorizontally(QMdiArea* area);

// Keeps every normal (not maximised or minimised) sub-window of an area inside its visible
// workspace: when one is shown, moved, resized or restored, and when the workspace shrinks.
class WorkspaceKeeper : public QObject {
    Q_OBJECT
public:
    explicit WorkspaceKeeper(QMdiArea* area);

    // Moves (and if needed shrinks) one sub-window into the workspace.
    void keep(QMdiSubWindow* window);
    void keepAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMdiArea* area_;
    bool busy_ = false;
};

} // namespace qm::app
