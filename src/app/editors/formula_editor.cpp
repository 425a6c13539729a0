// TColorMemo with its range colouring, the formula editor dialog and the Quick Help window.
#include "app/editors/formula_editor.h"

#include "app/widgets/mdi_placement.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QVBoxLayout>

namespace qm::app {

namespace {

bool isWordChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'@';
}

QFont editorFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    return font;
}

} // namespace

std::vector<TKeyDescr> beginEndRanges(const QString& line, QChar begin, QChar end) {
    std::vector<TKeyDescr> ranges;
    const qsizetype firstBegin = line.indexOf(begin);
    const qsizetype firstEnd = line.indexOf(end);
    if (firstBegin < 0 || firstEnd < 0 || firstBegin >= firstEnd) return ranges;
    qsizetype from = 0;
    while (static_cast<int>(ranges.size()) < kMaxKeyRanges) {
        const qsizetype b = line.indexOf(begin, from);
        if (b < 0) break;
        const qsizetype e = line.indexOf(end, b + 1);
        if (e < 0) break;
        ranges.push_back({static_cast<int>(b + 1), static_cast<int>(e + 1), QColor()});
        from = e + 1;
    }
    return ranges;
}

std::vector<TKeyDescr> keywordRanges(const QString& line, const QStringList& keywords,
                                     bool keyCase) {
    QString keyList = QStringLiteral("*");
    for (const QString& word : keywords)
        keyList += word + QLatin1Char('*');
    if (!keyCase) keyList = keyList.toUpper();
    std::vector<TKeyDescr> ranges;
    qsizetype i = 0;
    while (i < line.size() && static_cast<int>(ranges.size()) < kMaxKeyRanges) {
        if (!isWordChar(line[i])) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < line.size() && isWordChar(line[j]))
            ++j;
        QString word = QLatin1Char('*') + line.mid(i, j - i) + QLatin1Char('*');
        if (!keyCase) word = word.toUpper();
        if (keyList.contains(word))
            ranges.push_back({static_cast<int>(i + 1), static_cast<int>(j), QColor()});
        i = j;
    }
    return ranges;
}

// Colours the ranges of each line; the rest of the text keeps the editor's own colour.
class ColorMemoHighlighter : public QSyntaxHighlighter {
public:
    ColorMemoHighlighter(TColorMemo* memo) : QSyntaxHighlighter(memo->document()), memo_(memo) {}

protected:
    void highlightBlock(const QString& text) override {
        if (text.isEmpty()) return;
        for (const TKeyDescr& range : memo_->rangesOf(text)) {
            QTextCharFormat format;
            format.setForeground(range.Color.isValid() ? range.Color : memo_->keyColor_);
            if (memo_->keyBrushColor_.isValid()) format.setBackground(memo_->keyBrushColor_);
            setFormat(range.StartPos - 1, range.EndPos - range.StartPos + 1, format);
        }
    }

private:
    TColorMemo* memo_;
};

TColorMemo::TColorMemo(QWidget* parent) : QPlainTextEdit(parent) {
    keyBrushColor_ = palette().color(QPalette::Base);
    highlighter_ = new ColorMemoHighlighter(this);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TColorMemo::OnVScroll);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TColorMemo::OnHScroll);
}

void TColorMemo::setKeywords(const QStringList& keywords) {
    keywords_ = keywords;
    PaintKeys(false);
}
void TColorMemo::setKeyBeginChar(QChar c) {
    beginChar_ = c;
    PaintKeys(false);
}
void TColorMemo::setKeyEndChar(QChar c) {
    endChar_ = c;
    PaintKeys(false);
}
void TColorMemo::setKeyDrawingType(TKeyDrawingType type) {
    drawingType_ = type;
    PaintKeys(false);
}
void TColorMemo::setKeyCase(bool keyCase) {
    keyCase_ = keyCase;
    PaintKeys(false);
}
void TColorMemo::setKeyColor(const QColor& colour) {
    keyColor_ = colour;
    PaintKeys(false);
}
void TColorMemo::setKeyBrushColor(const QColor& colour) {
    keyBrushColor_ = colour;
    PaintKeys(false);
}
void TColorMemo::setOnDrawLine(TKeyDrawEvent handler) {
    onDrawLine_ = std::move(handler);
    PaintKeys(false);
}

std::vector<TKeyDescr> TColorMemo::rangesOf(const QString& line) {
    if (drawingType_ == dtEventDraw) {
        std::vector<TKeyDescr> ranges;
        if (!onDrawLine_) return ranges;
        TKeyRanges table{};
        onDrawLine_(this, line, table);
        // The handler's table is untrusted: keep only ranges that lie inside the line.
        for (const TKeyDescr& range : table) {
            if (range.StartPos == 0 && range.EndPos == 0) break;
            const int first = std::max(range.StartPos, 1);
            const int last = std::min(range.EndPos, static_cast<int>(line.size()));
            if (first <= last) ranges.push_back({first, last, range.Color});
        }
        return ranges;
    }
    if (drawingType_ == dtKeyShow && !keywords_.isEmpty())
        return keywordRanges(line, keywords_, keyCase_);
    return beginEndRanges(line, beginChar_, endChar_);
}

void TColorMemo::PaintKeys(bool caretLineOnly) {
    if (caretLineOnly)
        highlighter_->rehighlightBlock(textCursor().block());
    else
        highlighter_->rehighlight();
}

void TColorMemo::keyPressEvent(QKeyEvent* event) {
    static const int navigation[] = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home,
                                     Qt::Key_Left,   Qt::Key_Right,    Qt::Key_Up,  Qt::Key_Down};
    const bool isNavigation = std::find(std::begin(navigation), std::end(navigation),
                                        event->key()) != std::end(navigation);
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() && isNavigation &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        cursor.setPosition(cursor.selectionEnd());
        setTextCursor(cursor);
        PaintKeys(false);
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TColorMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) PaintKeys(false);
    QPlainTextEdit::mousePressEvent(event);
}

QString Teditform::joinLines(const QString& text) {
    QString joined;
    QString normalised = text;
    normalised.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    normalised.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString& line : normalised.split(QLatin1Char('\n'))) {
        // Blanks and control characters (everything up to the space) go from both ends.
        qsizetype first = 0;
        qsizetype last = line.size();
        while (first < last && line[first].unicode() <= u' ')
            ++first;
        while (last > first && line[last - 1].unicode() <= u' ')
            --last;
        joined += line.mid(first, last - first);
    }
    return joined;
}

// --- Teditform ----------------------------------------------------------------------------

Teditform::Teditform(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("editform"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(editorFont());
    setSizeGripEnabled(true);
    resize(431, 301);

    memo_ = new TColorMemo(this);
    memo_->setObjectName(QStringLiteral("ColorMemo1"));
    memo_->setKeyBeginChar(QLatin1Char('('));
    memo_->setKeyEndChar(QLatin1Char(')'));
    memo_->setKeyColor(Qt::blue);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(41);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), panel);
    cancel->setObjectName(QStringLiteral("RxSpeedButton2"));
    cancel->setFlat(true);
    cancel->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), panel);
    ok->setObjectName(QStringLiteral("RxSpeedButton1"));
    ok->setFlat(true);
    ok->setAutoDefault(false);
    auto* row = new QHBoxLayout(panel);
    row->addStretch();
    row->addWidget(cancel);
    row->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(memo_, 1);
    layout->addWidget(panel);
    connect(ok, &QPushButton::clicked, this, &Teditform::RxSpeedButton1Click);
    connect(cancel, &QPushButton::clicked, this, &Teditform::RxSpeedButton2Click);
}

void Teditform::RxSpeedButton1Click() {
    accept();
}

void Teditform::RxSpeedButton2Click() {
    reject();
}

bool Teditform::editFormula(QWidget* parent, QString& text) {
    Teditform editor(parent);
    editor.ColorMemo1()->setPlainText(text);
    if (editor.exec() != QDialog::Accepted) return false;
    text = joinLines(editor.ColorMemo1()->toPlainText());
    return true;
}

// --- TForm5 -------------------------------------------------------------------------------

const QStringList& TForm5::helpLines() {
    static const QStringList lines = {
        QStringLiteral("Predefined variables:"),
        QStringLiteral("    PI  =    pi"),
        QStringLiteral("    I    =    Number of Iterations returned "),
        QStringLiteral("    Z   =   Z-potential at the blow-up time"),
        QStringLiteral("    A   =   X-potential ----------\"------------------"),
        QStringLiteral("    B   =   Y-potential ----------\"------------------"),
        QStringLiteral("    M  =    Distance of current pixel to image center"),
        QStringLiteral("    D   =    Angle of the current pixel to the center, in Degrees"),
        QStringLiteral("    X   =    X value of current pixel"),
        QStringLiteral("    Y   =    Y --------------\"-----------------"),
        QStringLiteral("    T   =    Number of total calculated pixels"),
        QStringLiteral("    ?    =   Random number between 0 and 256 that is indentical"),
        QStringLiteral("               for each channel (Split Channel - Mode only)"),
        QStringLiteral("    !     =   Plasma value for the current pixel"),
        QString(),
        QString(),
        QStringLiteral("Accepted operators: + , - , * , / , ^ , MOD, DIV"),
        QStringLiteral("[ MOD and DIV implicitly perform a trunc() on their operands ]"),
        QString(),
        QStringLiteral("Supported functions :"),
        QStringLiteral("    "),
        QStringLiteral("    MIN(x), MAX(x)    :  returns the higher/lower value"),
        QStringLiteral("    COS, SIN, SINH, COSH, EXP, LN, ARCTAN,"),
        QStringLiteral("    SQRT, ABS        :  like the standard arithmetic"),
        QStringLiteral("    HEAV (heav(x) is =1 for x>0 and =0 for x<=0),"),
        QStringLiteral("    SIGN (sign(x) is 1 for x>1, 0 for x=0, -1 for x<0),"),
        QStringLiteral("    ZERO (zero(x) is 0 for x=0, 1 for x<>0),"),
        QStringLiteral("    PH (ph(x) = x - 2*pi*round(x/2/pi))"),
        QStringLiteral("    RND (RND(x) = x * Random)"),
        QStringLiteral("    GRND (GRND(a,b) produces random numbers "),
        QStringLiteral("                                    with Gaussian distribution about "),
        QStringLiteral("                                    b, where a is the standard deviation)"),
        QStringLiteral("    ODD (ODD(x) returns 1 if number is odd, 0 if not)"),
        QStringLiteral("    PRIME (PRIME(x) returns 1 if number is a prime number, 0 if not)"),
        QStringLiteral("    GAMMA(x,y) - gamma"),
        QString(),
        QString(),
        QStringLiteral("Logical Functions:"),
        QStringLiteral("     &(a,b)   : AND "),
        QStringLiteral("     \\(a,b)   : OR "),
        QStringLiteral("     |(a,b)   : NOT "),
    };
    return lines;
}

TForm5::TForm5(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(editorFont());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(435, 356);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colours = memo->palette();
    colours.setColor(QPalette::Base, palette().color(QPalette::Inactive, QPalette::Window));
    memo->setPalette(colours);
    memo->setPlainText(helpLines().join(QLatin1Char('\n')));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memo);
}

namespace {

constexpr const char* kQuickHelpProperty = "qmQuickHelpOpen";

} // namespace

bool TForm5::isOpen(QMdiArea* area) {
    return area && area->property(kQuickHelpProperty).toBool();
}

TForm5* TForm5::overviewclick(QMdiArea* area, QAction* button) {
    if (!area || isOpen(area)) return nullptr;
    auto* form = new TForm5;
    QMdiSubWindow* sub = area->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    area->setProperty(kQuickHelpProperty, true);
    if (button) button->setEnabled(false);
    QPointer<QMdiArea> areaGuard(area);
    QPointer<QAction> buttonGuard(button);
    connect(form, &TForm5::closed, area, [areaGuard, buttonGuard] {
        if (areaGuard) areaGuard->setProperty(kQuickHelpProperty, false);
        if (buttonGuard) buttonGuard->setEnabled(true);
    });
    showAtClientSize(sub);
    return form;
}

void TForm5::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

} // namespace qm::app
