// The formula editor: TColorMemo, a plain-text editor that colours ranges of each line, the
// modal Teditform around it, and the Quick Help window TForm5.
#pragma once

#include <QColor>
#include <QDialog>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QAction;
class QMdiArea;
class QSyntaxHighlighter;

namespace qm::app {

enum TKeyDrawingType { dtKeyShow, dtEventDraw, dtBeginEnd };

// One coloured range of a line: 1-based first and last character; StartPos 0 = no range.
// Color 0 (an invalid QColor) means KeyColor.
struct TKeyDescr {
    int StartPos = 0;
    int EndPos = 0;
    QColor Color;
};

inline constexpr int kMaxKeyRanges = 51;
using TKeyRanges = std::array<TKeyDescr, kMaxKeyRanges>;

// The ranges of one line in mode dtBeginEnd: only when the first `begin` comes before the first
// `end`; from each begin to the next end, not nested, at most 51.
std::vector<TKeyDescr> beginEndRanges(const QString& line, QChar begin, QChar end);
// The ranges of one line in mode dtKeyShow: words (runs of A-Z, a-z and "@") in the list.
std::vector<TKeyDescr> keywordRanges(const QString& line, const QStringList& keywords,
                                     bool keyCase);

class TColorMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    using TKeyDrawEvent =
        std::function<void(TColorMemo* sender, const QString& line, TKeyRanges& ranges)>;

    explicit TColorMemo(QWidget* parent = nullptr);

    QStringList Keywords() const { return keywords_; }
    void setKeywords(const QStringList& keywords);
    QChar KeyBeginChar() const { return beginChar_; }
    void setKeyBeginChar(QChar c);
    QChar KeyEndChar() const { return endChar_; }
    void setKeyEndChar(QChar c);
    TKeyDrawingType KeyDrawingType() const { return drawingType_; }
    void setKeyDrawingType(TKeyDrawingType type);
    bool KeyCase() const { return keyCase_; }
    void setKeyCase(bool keyCase);
    QColor KeyColor() const { return keyColor_; }
    void setKeyColor(const QColor& colour);
    QColor KeyBrushColor() const { return keyBrushColor_; }
    void setKeyBrushColor(const QColor& colour);
    void setOnDrawLine(TKeyDrawEvent handler);

    // The coloured ranges of one line under the current mode and properties.
    std::vector<TKeyDescr> rangesOf(const QString& line);
    // Recolours the text (all lines, or the caret's line only).
    void PaintKeys(bool caretLineOnly);

signals:
    void OnVScroll();
    void OnHScroll();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class ColorMemoHighlighter;

    QStringList keywords_;
    QChar beginChar_ = QLatin1Char('<');
    QChar endChar_ = QLatin1Char('>');
    TKeyDrawingType drawingType_ = dtBeginEnd;
    bool keyCase_ = false;
    QColor keyColor_ = Qt::red;
    QColor keyBrushColor_;
    TKeyDrawEvent onDrawLine_;
    QSyntaxHighlighter* highlighter_ = nullptr;
};

// "Formula Editor": OK writes the joined lines back, Cancel and the close box leave the text.
class Teditform : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Formula Editor";

    explicit Teditform(QWidget* parent = nullptr);

    TColorMemo* ColorMemo1() const { return memo_; }

    // What a formula box's ellipsis button does: edit `text` modally; on OK `text` becomes the
    // joined lines and the result is true, otherwise `text` is unchanged.
    static bool editFormula(QWidget* parent, QString& text);
    // The lines of the editor joined as one formula: each line trimmed of blanks and control
    // characters, nothing between them.
    static QString joinLines(const QString& text);

public slots:
    void RxSpeedButton1Click(); // OK
    void RxSpeedButton2Click(); // Cancel

private:
    TColorMemo* memo_ = nullptr;
};

// "Quick Help": the colour language's description, read-only.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quick Help";

    explicit TForm5(QWidget* parent = nullptr);
    // Opens at 435 x 356, whatever the memo would ask for.
    QSize sizeHint() const override { return {435, 356}; }

    // The 41 lines shown.
    static const QStringList& helpLines();

    // The "O&verview" command: opens the window in `area` unless one is open there; `button`
    // (may be null) is disabled while it is open. Returns the window, or null when one was
    // already open.
    static TForm5* overviewclick(QMdiArea* area, QAction* button);
    static bool isOpen(QMdiArea* area);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace qm::app
