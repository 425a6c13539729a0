// Child-window sizes, cascading and the workspace bounds of the frame's sub-windows.
#include "app/widgets/mdi_placement.h"

#include <QChildEvent>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

namespace qm::app {

namespace {

QSize frameAround(const QMdiSubWindow* window, QSize client) {
    // The sub-window keeps its caption and borders as contents margins.
    const QMargins m = window->contentsMargins();
    return {client.width() + m.left() + m.right(), client.height() + m.top() + m.bottom()};
}

QSize minimumOf(const QWidget* w) {
    return w->minimumSizeHint().expandedTo(w->minimumSize());
}

QRect workspace(const QMdiArea* area) {
    return area->viewport()->rect();
}

bool isNormal(const QMdiSubWindow* w) {
    return w->isVisible() && !w->isMaximized() && !w->isMinimized();
}

} // namespace

QSize clientSizeOf(const QWidget* widget) {
    return widget->sizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
}

QRect keptInside(const QRect& window, const QRect& area, QSize minimum) {
    if (area.isEmpty()) return window;
    QRect r = window;
    if (r.width() > area.width()) r.setWidth(std::max(area.width(), minimum.width()));
    if (r.height() > area.height()) r.setHeight(std::max(area.height(), minimum.height()));
    const int x = std::max(area.left(), std::min(r.left(), area.right() + 1 - r.width()));
    const int y = std::max(area.top(), std::min(r.top(), area.bottom() + 1 - r.height()));
    r.moveTo(x, y);
    return r;
}

void showAtClientSize(QMdiSubWindow* window) {
    window->show();
    if (window->widget() != nullptr)
        window->resize(frameAround(window, clientSizeOf(window->widget())));
    if (auto* area = window->mdiArea())
        window->setGeometry(keptInside(window->geometry(), workspace(area), minimumOf(window)));
}

void cascadeAtClientSizes(QMdiArea* area) {
    const QRect space = workspace(area);
    QPoint at = space.topLeft();
    int column = 0;
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (!w->isVisible() || w->isMinimized()) continue;
        if (w->isMaximized()) w->showNormal();
        const int step = w->contentsMargins().top();
        QSize size = w->widget() != nullptr ? frameAround(w, clientSizeOf(w->widget())) : w->size();
        QRect r(at, size);
        if (at != space.topLeft() && (r.bottom() > space.bottom() || r.right() > space.right())) {
            // A new column, one step to the right of the last one's first window.
            column += step;
            r.moveTo(space.left() + column, space.top());
        }
        r = keptInside(r, space, minimumOf(w));
        w->setGeometry(r);
        w->raise();
        at = r.topLeft() + QPoint(step, step);
    }
}

std::vector<int> tiledHeights(int total, const std::vector<int>& minimums) {
    const std::size_t n = minimums.size();
    std::vector<int> heights(n, 0);
    std::vector<bool> atMinimum(n, false);
    // Windows whose minimum exceeds the share get it; the rest share what is left, until the
    // share no longer leaves anybody below its minimum.
    for (bool changed = true; changed;) {
        changed = false;
        int left = total;
        int sharing = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (atMinimum[i])
                left -= minimums[i];
            else
                ++sharing;
        }
        int given = 0;
        for (std::size_t i = 0, k = 0; i < n; ++i) {
            if (atMinimum[i]) {
                heights[i] = minimums[i];
                continue;
            }
            // The k-th sharing window ends at left * (k + 1) / sharing: the shares add up.
            const int end = sharing > 0 ? std::max(0, left) * static_cast<int>(k + 1) / sharing : 0;
            heights[i] = end - given;
            given = end;
            ++k;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (!atMinimum[i] && heights[i] < minimums[i]) {
                atMinimum[i] = true;
                changed = true;
            }
        }
    }
    return heights;
}

void tileHorizontally(QMdiArea* area) {
    QList<QMdiSubWindow*> windows;
    std::vector<int> minimums;
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (!w->isVisible() || w->isMinimized()) continue;
        windows << w;
        minimums.push_back(minimumOf(w).height());
    }
    const QRect space = workspace(area);
    const std::vector<int> heights = tiledHeights(space.height(), minimums);
    int top = space.top();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const int height = heights[static_cast<std::size_t>(i)];
        windows[i]->showNormal();
        windows[i]->setGeometry(space.left(), top, space.width(), height);
        top += height;
    }
}

WorkspaceKeeper::WorkspaceKeeper(QMdiArea* area) : QObject(area), area_(area) {
    area_->viewport()->installEventFilter(this);
    for (QMdiSubWindow* w : area_->subWindowList())
        w->installEventFilter(this);
}

void WorkspaceKeeper::keep(QMdiSubWindow* window) {
    if (busy_ || !isNormal(window)) return;
    const QRect inside = keptInside(window->geometry(), workspace(area_), minimumOf(window));
    if (inside == window->geometry()) return;
    busy_ = true;
    window->setGeometry(inside);
    busy_ = false;
}

void WorkspaceKeeper::keepAll() {
    for (QMdiSubWindow* w : area_->subWindowList())
        keep(w);
}

bool WorkspaceKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_->viewport()) {
        // Polished children are whole objects (when added they are still being constructed).
        if (event->type() == QEvent::ChildPolished) {
            auto* child = static_cast<QChildEvent*>(event)->child();
            if (auto* w = qobject_cast<QMdiSubWindow*>(child)) w->installEventFilter(this);
        } else if (event->type() == QEvent::Resize) {
            keepAll();
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        if (auto* w = qobject_cast<QMdiSubWindow*>(watched)) keep(w);
        break;
    default:
        break;
    }
    return false;
}

} // namespace qm::app
