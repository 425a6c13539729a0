// TGradientForm: a frameless top-level window that paints its own gradient caption bar.
#pragma once

#include <QPointer>
#include <QRgb>
#include <QVector>
#include <QWidget>
#include <functional>

class QMdiArea;
class QMdiSubWindow;
class QToolButton;
class QVBoxLayout;

namespace qm::app {

enum TGFPaintWhen { gfpAlways, gfpActive, gfpNever };

class TGradientForm;

// Draws on the caption after the icon and buttons, before the text; R is the free area and may
// be narrowed by the handler.
using TGFOnCaptionPaint = std::function<void(TGradientForm* Sender, QPainter& Canvas, QRect& R)>;

// The caption bar itself; it belongs to a TGradientForm and paints the form's state.
class GradientCaption : public QWidget {
    Q_OBJECT
public:
    explicit GradientCaption(TGradientForm* form);
    QSize sizeHint() const override;
    // The part of the bar left for the text and OnCaptionPaint (after icon, before buttons).
    QRect freeArea() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class TGradientForm;
    void updateButtons();
    TGradientForm* form_;
    QToolButton* close_ = nullptr;
    QToolButton* max_ = nullptr;
    QToolButton* min_ = nullptr;
};

class TGradientForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinColors = 8;
    static constexpr int kMaxColors = 256;
    static constexpr int kFrame = 4; // width of the sizing border, also the resize grip depth

    // Qt::Tool in flags makes it a tool window: small caption, close button only.
    explicit TGradientForm(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);
    // Stops following the MDI area first: the body's documents close while the children are
    // destroyed, after the caption bar is gone.
    ~TGradientForm() override;

    // The caption text lives in windowTitle; Caption is the form's name for it.
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& text) { setWindowTitle(text); }

    int GradientColors() const { return gradientColors_; }
    // Values outside 8..256 are ignored.
    void setGradientColors(int n);
    TGFPaintWhen PaintGradient() const { return paintGradient_; }
    void setPaintGradient(TGFPaintWhen when);
    TGFOnCaptionPaint OnCaptionPaint;

    // The window's contents below the caption bar; the form takes ownership.
    void setBody(QWidget* body);
    QWidget* body() const { return body_; }
    GradientCaption* captionBar() const { return caption_; }

    // Follows the maximised child of this MDI area for the caption's " - [child]" suffix.
    void setMdiArea(QMdiArea* area);
    // Any other source of a child caption (empty: no suffix); overrides the MDI area.
    void setChildCaptionProvider(std::function<QString()> provider);
    // The full text the bar shows (before eliding).
    QString captionText() const;

    // Table 0 is the inactive caption, table 1 the active one; GradientColors entries each.
    const QVector<QRgb>& colorTable(bool active) const { return tables_[active ? 1 : 0]; }
    // The system caption colours behind the tables: the palette's highlight colours.
    QColor captionColor(bool active) const;
    bool captionActive() const;
    bool isToolWindow() const;
    // A dialog window: close button only, no icon, not sized by its borders.
    bool isDialog() const;

    // Which sizing borders lie under a point of the window (none inside or when maximised),
    // and the cursor shown there.
    Qt::Edges edgesAt(const QPoint& pos) const;
    static Qt::CursorShape cursorForEdges(Qt::Edges edges);

    // Builds one colour table: black to the colour in n steps, rounding halves to even.
    static QVector<QRgb> buildTable(QColor colour, int n);

protected:
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void rebuildTables();
    void watchSubWindow(QMdiSubWindow* w);

    int gradientColors_ = 64;
    TGFPaintWhen paintGradient_ = gfpAlways;
    QVector<QRgb> tables_[2];
    QVBoxLayout* layout_ = nullptr;
    GradientCaption* caption_ = nullptr;
    QWidget* body_ = nullptr;
    QPointer<QMdiArea> mdiArea_;
    std::function<QString()> childCaption_;
};

} // namespace qm::app
