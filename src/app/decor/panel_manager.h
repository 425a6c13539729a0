// Tool panels: TPanelManager stacks TMPanel panels with grip tabs that collapse, expand, reorder
// and float them; TFloatPanel is the tool window of a floating panel.
#pragma once

#include <QColor>
#include <QFrame>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <functional>

namespace qm::app {

enum TPanelActionCode : int {
    paBeforeExpand = 0,
    paCollapsed = 1,
    paBeforeCollapse = 2,
    paExpanded = 3,
    paBeforeFloat = 4,
    paFloated = 5,
    paDocked = 6,
};

class TPanelManager;

// Asked before an action (CanDo := false vetoes) and told after one.
using TPanelAction = std::function<void(QWidget* aPanel, TPanelActionCode Action, bool& CanDo)>;
using TPanelChange = std::function<void(QWidget* Panel)>;

class TMPanel : public QFrame {
    Q_OBJECT
public:
    explicit TMPanel(QWidget* parent = nullptr);

    QString TabCaption() const { return tabCaption_; }
    void setTabCaption(const QString& text);
    QColor TabColor() const { return tabColor_; }
    void setTabColor(const QColor& c);
    QColor TabHighColor() const { return tabHighColor_; }
    void setTabHighColor(const QColor& c);
    bool ParentTabColor() const { return parentTabColor_; }
    void setParentTabColor(bool on);
    bool ArangeButtons() const { return arangeButtons_; }
    void setArangeButtons(bool on);
    int FloatX() const { return floatX_; }
    void setFloatX(int v) { floatX_ = v; }
    int FloatY() const { return floatY_; }
    void setFloatY(int v) { floatY_ = v; }
    // A panel that is not floatable stays in its container when dragged out.
    bool Floatable() const { return floatable_; }
    void setFloatable(bool on) { floatable_ = on; }
    bool floating() const { return floating_; }

    // Places the visible button children in a row from x = 20 at y = 2.
    void arrangeButtons();

private:
    friend class TFloatPanel;
    void tabChanged();
    QString tabCaption_;
    QColor tabColor_{0x00, 0x00, 0xFF};
    QColor tabHighColor_{0xC0, 0xC0, 0xFF};
    bool parentTabColor_ = true;
    bool arangeButtons_ = false;
    int floatX_ = 0;
    int floatY_ = 0;
    bool floatable_ = true;
    bool floating_ = false;
};

class TPanelManager : public QFrame {
    Q_OBJECT
public:
    static constexpr int kMaxPanels = 51;
    static constexpr int kClickTolerance = 4;

    explicit TPanelManager(QWidget* parent = nullptr);

    int TabWidth() const { return tabWidth_; }
    void setTabWidth(int v);
    int TabHeight() const { return tabHeight_; }
    void setTabHeight(int v);
    QColor TabColor() const { return tabColor_; }
    void setTabColor(const QColor& c);
    QColor TabHighColor() const { return tabHighColor_; }
    void setTabHighColor(const QColor& c);
    bool TabHighLight() const { return tabHighLight_; }
    void setTabHighLight(bool on);
    int BevelWidth() const { return bevelWidth_; }

    TPanelChange OnPanelChange;
    TPanelAction OnPanelAction;

    struct Entry {
        QWidget* panel = nullptr;
        int top = 0;
        int index = 0; // child index among the container's children
        int start = 0;
        int end = 0;
        bool collapsed = false;
    };
    // Rebuilds the panel table, places expanded panels and sets the container's height.
    void layoutPanels();
    const QVector<Entry>& panelTable() const { return table_; }
    // Child index of the tab under a point, or -1; with act the tab is toggled.
    int hitTest(QPoint p, bool act);
    // The panel with a given child index (nullptr when none).
    QWidget* panelAt(int index) const;
    int hoveredIndex() const { return hovered_; }
    // The strips as last laid out: right edge of the left strip, top of the bottom strip.
    int leftStripRight() const { return leftRight_; }
    int bottomStripTop() const { return bottomTop_; }
    // Asks OnPanelAction; true when allowed.
    bool allow(QWidget* panel, TPanelActionCode action);
    void report(QWidget* panel, TPanelActionCode action);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void childEvent(QChildEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    int captionWidth(const QWidget* panel) const;
    void paintTab(QPainter& p, const Entry& e, bool bottom);
    void setPanelShown(QWidget* panel, bool shown);
    bool isPanel(const QObject* o) const;

    int tabWidth_ = 10;
    int tabHeight_ = 10;
    QColor tabColor_{0x00, 0x00, 0xFF};
    QColor tabHighColor_{0xC0, 0xC0, 0xFF};
    bool tabHighLight_ = false;
    int bevelWidth_ = 1;
    QVector<Entry> table_;
    int hovered_ = -1;
    int pressed_ = -1;
    QPoint pressPoint_;
    bool buttonDown_ = false;
    int leftRight_ = 0;
    int bottomTop_ = 0;
    bool inLayout_ = false;
};

// The tool window of a floating panel; closing it docks the panel back.
class TFloatPanel : public QWidget {
    Q_OBJECT
public:
    explicit TFloatPanel(QWidget* panel);
    QWidget* panel() const { return panel_; }
    QWidget* formerParent() const { return formerParent_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void FormClose();
    QPointer<QWidget> panel_;
    QPointer<QWidget> formerParent_;
    int dockedHeight_ = 0;
};

} // namespace qm::app
