// Float spin edits and formula fields shared by the document windows.
#include "app/widgets/spin_edits.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWheelEvent>
#include <charconv>
#include <cmath>

namespace qm::app {

FloatSpinEdit::FloatSpinEdit(const char* objectName, double minimum, double maximum, double step,
                             int decimals, QWidget* parent)
    : QDoubleSpinBox(parent) {
    setObjectName(objectName);
    setLocale(QLocale::c());
    setDecimals(decimals);
    setRange(minimum, maximum);
    setSingleStep(step);
    setKeyboardTracking(false);
    // The widest value of the range (1E300 in full) would make the field as wide as its text:
    // it takes the width its panel gives it, arrows included, and scrolls its text instead.
    setMinimumWidth(48);
    // Not focused by the wheel: a wheel turned over the panel scrolls it.
    setFocusPolicy(Qt::StrongFocus);
}

void FloatSpinEdit::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QDoubleSpinBox::wheelEvent(event);
}

namespace {

// A decimal number: sign, digits with an optional point, optional exponent.
const QRegularExpression& decimalNumber() {
    static const QRegularExpression re(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d{1,7})?$)");
    return re;
}

// Significant digits of a decimal number text (leading zeros not counted).
int significantDigits(const QString& text) {
    int digits = 0;
    bool leading = true;
    for (const QChar c : text) {
        if (c == 'e' || c == 'E') break;
        if (!c.isDigit()) continue;
        if (leading && c == '0') continue;
        leading = false;
        ++digits;
    }
    return digits;
}

// More digits than a double tells apart.
constexpr int kDoubleDigits = 17;
// Long enough for any depth people zoom to, short enough to stay a field.
constexpr int kMaxLongNumberLength = 20000;

} // namespace

QValidator::State FloatSpinEdit::validate(QString& input, int& pos) const {
    if (!long_) return QDoubleSpinBox::validate(input, pos);
    const QString t = input.trimmed();
    if (t.size() > kMaxLongNumberLength) return QValidator::Invalid;
    if (decimalNumber().match(t).hasMatch()) {
        bool ok = false;
        const double v = QLocale::c().toDouble(t, &ok);
        return ok && v >= minimum() && v <= maximum() ? QValidator::Acceptable
                                                      : QValidator::Intermediate;
    }
    static const QRegularExpression partial(R"(^[+-]?\d*\.?\d*([eE][+-]?\d{0,7})?$)");
    return partial.match(t).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

double FloatSpinEdit::valueFromText(const QString& text) const {
    if (!long_) return QDoubleSpinBox::valueFromText(text);
    const QString t = text.trimmed();
    const double v = QLocale::c().toDouble(t);
    const bool beyondDecimals =
        beyondDecimals_ && QString::number(v, 'f', decimals()).toDouble() != v;
    if (significantDigits(t) > kDoubleDigits || beyondDecimals) {
        exact_ = t;
        exactValue_ = v;
    } else {
        exact_.clear();
    }
    return v;
}

void FloatSpinEdit::setExactText(const QString& text) {
    exact_ = text;
    exactValue_ = value();
    const QString shown = textFromValue(value());
    if (lineEdit()->text() != shown) lineEdit()->setText(shown);
}

QString FloatSpinEdit::exactTextFor(double v) const {
    if (exact_.isEmpty()) return {};
    // The field rounds its value to its decimals: a value that close is still the text's.
    return std::abs(v - exactValue_) <= 0.5 * std::pow(10.0, -decimals()) ? exact_ : QString();
}

QString FloatSpinEdit::textFromValue(double value) const {
    const QString exact = exactTextFor(value);
    if (!exact.isEmpty()) return exact;
    if (!shortest_) return QDoubleSpinBox::textFromValue(value);
    // Fixed notation: the field reads digits, a sign and a point only.
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (end.ec != std::errc()) return QDoubleSpinBox::textFromValue(value);
    return QString::fromLatin1(text, end.ptr - text);
}

void FloatSpinEdit::setValueQuietly(double v) {
    const QSignalBlocker block(this);
    setValue(v);
}

FormulaEdit::FormulaEdit(const char* objectName, QWidget* parent)
    : QWidget(parent), label_(new QLabel(this)), edit_(new QLineEdit(this)),
      button_(new QToolButton(this)) {
    setObjectName(QString(objectName) + "Box");
    label_->setObjectName(QString(objectName) + "Label");
    label_->setBuddy(edit_);
    label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance("W") + 4);
    label_->hide();
    edit_->setObjectName(objectName);
    button_->setObjectName(QString(objectName) + "Ellipsis");
    button_->setText("...");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(label_);
    row->addWidget(edit_, 1);
    row->addWidget(button_);
    connect(button_, &QToolButton::clicked, this, &FormulaEdit::ellipsisClicked);
    connect(edit_, &QLineEdit::textChanged, this, &FormulaEdit::clearError);
}

void FormulaEdit::setLabel(const QString& text) {
    label_->setText(text);
    label_->setVisible(!text.isEmpty());
}

void FormulaEdit::markError() {
    marked_ = true;
    edit_->setStyleSheet("QLineEdit { border: 2px solid #e00000; }");
    edit_->setFocus();
    edit_->selectAll();
}

void FormulaEdit::clearError() {
    if (!marked_) return;
    marked_ = false;
    edit_->setStyleSheet(QString());
}

} // namespace qm::app
