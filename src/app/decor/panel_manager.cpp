// The panel container's layout pass, tab painting, hit test and mouse protocol, and the
// floating tool window that a panel dragged out of it lives in.
#include "app/decor/panel_manager.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

namespace qm::app {

// ---------------------------------------------------------------------------------------------

TMPanel::TMPanel(QWidget* parent) : QFrame(parent) {}

void TMPanel::tabChanged() {
    if (auto* m = qobject_cast<TPanelManager*>(parentWidget())) {
        m->layoutPanels();
        m->update();
    }
}

void TMPanel::setTabCaption(const QString& text) {
    tabCaption_ = text;
    tabChanged();
}
void TMPanel::setTabColor(const QColor& c) {
    tabColor_ = c;
    tabChanged();
}
void TMPanel::setTabHighColor(const QColor& c) {
    tabHighColor_ = c;
    tabChanged();
}
void TMPanel::setParentTabColor(bool on) {
    parentTabColor_ = on;
    tabChanged();
}

void TMPanel::setArangeButtons(bool on) {
    arangeButtons_ = on;
    if (on) arrangeButtons();
}

void TMPanel::arrangeButtons() {
    int x = 20;
    for (QObject* o : children()) {
        auto* b = qobject_cast<QAbstractButton*>(o);
        if (b == nullptr || b->isHidden()) continue;
        b->move(x, 2);
        x += b->width();
    }
}

// ---------------------------------------------------------------------------------------------

TPanelManager::TPanelManager(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TPanelManager::setTabWidth(int v) {
    tabWidth_ = std::max(v, 0);
    layoutPanels();
}
void TPanelManager::setTabHeight(int v) {
    tabHeight_ = std::max(v, 0);
    layoutPanels();
}
void TPanelManager::setTabColor(const QColor& c) {
    tabColor_ = c;
    update();
}
void TPanelManager::setTabHighColor(const QColor& c) {
    tabHighColor_ = c;
    update();
}
void TPanelManager::setTabHighLight(bool on) {
    tabHighLight_ = on;
    setMouseTracking(on);
    if (!on && hovered_ != -1) {
        hovered_ = -1;
        update();
    }
}

bool TPanelManager::isPanel(const QObject* o) const {
    const auto* w = qobject_cast<const QFrame*>(o);
    return w != nullptr && !w->isWindow();
}

QWidget* TPanelManager::panelAt(int index) const {
    const QObjectList& kids = children();
    if (index < 0 || index >= kids.size() || !isPanel(kids[index])) return nullptr;
    return static_cast<QWidget*>(kids[index]);
}

int TPanelManager::captionWidth(const QWidget* panel) const {
    const auto* mp = qobject_cast<const TMPanel*>(panel);
    if (mp == nullptr || mp->TabCaption().isEmpty()) return 0;
    return fontMetrics().horizontalAdvance(mp->TabCaption() + "a");
}

void TPanelManager::layoutPanels() {
    if (inLayout_) return;
    inLayout_ = true;
    table_.clear();
    const QObjectList& kids = children();
    for (int i = 0; i < kids.size() && table_.size() < kMaxPanels; ++i) {
        if (!isPanel(kids[i])) continue;
        auto* w = static_cast<QWidget*>(kids[i]);
        table_.push_back(Entry{w, w->y(), i, 0, 0, w->isHidden()});
    }
    // Each entry against every later one; a later, higher panel is swapped in.
    for (int i = 0; i < table_.size(); ++i)
        for (int j = i + 1; j < table_.size(); ++j)
            if (table_[j].top < table_[i].top) std::swap(table_[i], table_[j]);

    const bool anyExpanded =
        std::any_of(table_.begin(), table_.end(), [](const Entry& e) { return !e.collapsed; });
    const bool anyCollapsed =
        std::any_of(table_.begin(), table_.end(), [](const Entry& e) { return e.collapsed; });
    const int left = anyExpanded ? tabWidth_ : 0;
    int y = 0;
    int x = 0;
    for (Entry& e : table_) {
        const int h = e.panel->height();
        if (!e.collapsed) {
            e.panel->setGeometry(left, y + 1, std::max(width() - left, 1), h);
            e.top = y + 1;
            e.start = y;
            e.end = y + h;
            y += h;
        } else {
            e.start = x;
            e.end = x + h + captionWidth(e.panel);
            x = e.end;
        }
    }
    // No outer or inner bevel, so the bevel width counts once.
    const int height = y + (anyCollapsed ? tabHeight_ : 0) + bevelWidth_;
    setFixedHeight(height);
    leftRight_ = left;
    bottomTop_ = anyCollapsed ? height - tabHeight_ : height;
    inLayout_ = false;
    update();
}

void TPanelManager::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    layoutPanels();
}

void TPanelManager::childEvent(QChildEvent* e) {
    QFrame::childEvent(e);
    if (e->type() == QEvent::ChildAdded && e->child()->isWidgetType())
        e->child()->installEventFilter(this);
    if (e->type() == QEvent::ChildRemoved) layoutPanels();
}

bool TPanelManager::eventFilter(QObject* watched, QEvent* e) {
    // A panel shown, hidden or resized by anyone re-aligns the stack.
    if (watched->parent() == this && isPanel(watched)) {
        switch (e->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::Resize:
            layoutPanels();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, e);
}

bool TPanelManager::allow(QWidget* panel, TPanelActionCode action) {
    bool canDo = true;
    if (OnPanelAction) OnPanelAction(panel, action, canDo);
    return canDo;
}

void TPanelManager::report(QWidget* panel, TPanelActionCode action) {
    bool ignored = true;
    if (OnPanelAction) OnPanelAction(panel, action, ignored);
}

void TPanelManager::setPanelShown(QWidget* panel, bool shown) {
    panel->setVisible(shown);
    layoutPanels();
}

int TPanelManager::hitTest(QPoint p, bool act) {
    if (p.x() > leftRight_ && p.y() < bottomTop_) return -1;
    for (const Entry& e : table_) {
        if (e.collapsed) {
            const int d = p.y() - (height() - tabHeight_);
            const int start = e.start > 0 ? e.start - d : e.start;
            if (d < 0 || d >= tabHeight_ || p.x() < start || p.x() > e.end - d) continue;
            QWidget* panel = e.panel;
            const int index = e.index;
            if (act && allow(panel, paBeforeExpand)) {
                setPanelShown(panel, true);
                report(panel, paExpanded);
                if (OnPanelChange) OnPanelChange(panel);
            }
            return index;
        }
        if (p.y() < e.start || p.y() > e.end || p.x() > leftRight_) continue;
        QWidget* panel = e.panel;
        const int index = e.index;
        if (act && allow(panel, paBeforeCollapse)) {
            setPanelShown(panel, false);
            report(panel, paCollapsed);
            if (OnPanelChange) OnPanelChange(panel);
        }
        return index;
    }
    return -1;
}

void TPanelManager::mousePressEvent(QMouseEvent* e) {
    // The widget under a press keeps the mouse until the release, as a capture would.
    setCursor(Qt::DragMoveCursor);
    pressPoint_ = e->position().toPoint();
    pressed_ = hitTest(pressPoint_, false);
    buttonDown_ = true;
}

void TPanelManager::mouseMoveEvent(QMouseEvent* e) {
    if (buttonDown_ || !tabHighLight_) return;
    const int h = hitTest(e->position().toPoint(), false);
    if (h != hovered_) {
        hovered_ = h;
        update();
    }
}

void TPanelManager::leaveEvent(QEvent*) {
    if (hovered_ != -1) {
        hovered_ = -1;
        update();
    }
}

void TPanelManager::mouseReleaseEvent(QMouseEvent* e) {
    unsetCursor();
    hovered_ = -1;
    update();
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton && buttonDown_) {
        QWidget* pressedPanel = panelAt(pressed_);
        auto* mpanel = qobject_cast<TMPanel*>(pressedPanel);
        const bool inside = p.x() >= 0 && p.x() <= width() && p.y() >= 0 && p.y() <= height();
        if (inside || pressedPanel == nullptr || mpanel == nullptr) {
            if (std::abs(p.x() - pressPoint_.x()) <= kClickTolerance &&
                std::abs(p.y() - pressPoint_.y()) <= kClickTolerance) {
                hitTest(p, true);
            } else if (pressedPanel != nullptr) {
                QWidget* target = panelAt(hitTest(p, false));
                if (target != nullptr) {
                    pressedPanel->move(pressedPanel->x(), target->y() - 1);
                    if (pressedPanel->isHidden() && allow(pressedPanel, paBeforeExpand)) {
                        pressedPanel->setVisible(true);
                        report(pressedPanel, paExpanded);
                    }
                    layoutPanels();
                }
            }
        } else if (mpanel->Floatable() && allow(mpanel, paBeforeFloat)) {
            auto* window = new TFloatPanel(mpanel);
            window->move(e->globalPosition().toPoint());
            report(mpanel, paFloated);
            window->show();
        }
    }
    // Any release ends the press, so highlighting works again after a right click too.
    buttonDown_ = false;
    pressed_ = -1;
}

void TPanelManager::paintTab(QPainter& p, const Entry& e, bool bottom) {
    const auto* mp = qobject_cast<const TMPanel*>(e.panel);
    const bool own = mp != nullptr && !mp->ParentTabColor();
    const QColor dots = own ? mp->TabColor() : tabColor_;
    const QColor high = own ? mp->TabHighColor() : tabHighColor_;
    const QColor fill = e.index == hovered_ ? high : palette().color(QPalette::Button);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    if (!bottom) {
        const QRect r(0, e.start + 1, tabWidth_, std::max(e.end - e.start, 1));
        p.fillRect(r, fill);
        p.setPen(light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        // Arrow pointing up: a click folds the panel away.
        const int cx = r.center().x();
        p.setPen(dots);
        for (int i = 0; i < 3; ++i)
            p.drawLine(cx - i, r.top() + 3 + i, cx + i, r.top() + 3 + i);
        for (int y = r.top() + 9; y < r.bottom() - 2; y += 3) {
            p.setPen(light);
            p.drawPoint(cx - 1, y);
            p.setPen(dots);
            p.drawPoint(cx, y + 1);
        }
        return;
    }
    // Bottom tabs lean: each row one pixel further left than the row above.
    const int top = bottomTop_;
    const int h = tabHeight_;
    const int startShift = e.start > 0 ? h - 1 : 0;
    const QPolygon shape({QPoint(e.start, top), QPoint(e.end, top),
                          QPoint(e.end - (h - 1), top + h - 1),
                          QPoint(e.start - startShift, top + h - 1)});
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPolygon(shape);
    p.setBrush(Qt::NoBrush);
    p.setPen(light);
    p.drawLine(shape[0], shape[1]);
    p.drawLine(shape[0], shape[3]);
    p.setPen(dark);
    p.drawLine(shape[1], shape[2]);
    p.drawLine(shape[3], shape[2]);
    // Arrow pointing down (a click unfolds the panel), then the grip dots and the caption.
    const int cy = top + h / 2;
    p.setPen(dots);
    for (int i = 0; i < 3; ++i)
        p.drawLine(e.start + 6 - i - (cy - top), cy - 1 + i, e.start + 6 + i - (cy - top),
                   cy - 1 + i);
    const int capWidth = captionWidth(e.panel);
    const int slant = cy - top;
    for (int x = e.start + 14 + capWidth + 2; x < e.end - 3; x += 3) {
        p.setPen(light);
        p.drawPoint(x - slant, cy);
        p.setPen(dots);
        p.drawPoint(x + 1 - slant, cy + 1);
    }
    if (mp != nullptr && !mp->TabCaption().isEmpty()) {
        const int textHeight = fontMetrics().boundingRect("Ayq").height();
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(QRect(e.start + 14 - slant, top + (h - textHeight) / 2, capWidth, textHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, mp->TabCaption());
    }
}

void TPanelManager::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    for (const Entry& entry : table_)
        paintTab(p, entry, entry.collapsed);
}

// ---------------------------------------------------------------------------------------------

TFloatPanel::TFloatPanel(QWidget* panel)
    : QWidget(panel->window() != panel ? panel->window() : nullptr,
              Qt::Tool | Qt::WindowStaysOnTopHint),
      panel_(panel), formerParent_(panel->parentWidget()) {
    setObjectName("FloatPanel");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* mp = qobject_cast<TMPanel*>(panel);
    const QString caption = mp != nullptr ? mp->TabCaption() : QString();
    setWindowTitle(caption.isEmpty() ? QString("Tools") : caption);
    int right = 10;
    int bottom = 10;
    for (QObject* o : panel->children())
        if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && !w->isWindow()) {
            right = std::max(right, w->geometry().right() + 1);
            bottom = std::max(bottom, w->geometry().bottom() + 1);
        }
    if (mp != nullptr) {
        right += mp->FloatX();
        bottom += mp->FloatY();
    }
    resize(right, bottom);
    dockedHeight_ = panel->height();
    panel->setParent(this);
    panel->setGeometry(0, 0, right, bottom);
    panel->show();
    if (auto* m = qobject_cast<TPanelManager*>(formerParent_.data())) m->layoutPanels();
    if (mp != nullptr) mp->floating_ = true;
}

void TFloatPanel::closeEvent(QCloseEvent* e) {
    FormClose();
    e->accept();
}

void TFloatPanel::FormClose() {
    if (panel_ == nullptr) return;
    QWidget* panel = panel_;
    panel_ = nullptr;
    if (auto* mp = qobject_cast<TMPanel*>(panel)) mp->floating_ = false;
    // Without its former parent the panel goes with this window.
    if (formerParent_ == nullptr) return;
    panel->setParent(formerParent_);
    panel->resize(panel->width(), dockedHeight_);
    panel->show();
    if (auto* m = qobject_cast<TPanelManager*>(formerParent_.data())) {
        m->layoutPanels();
        m->report(panel, paDocked);
    }
}

} // namespace qm::app
