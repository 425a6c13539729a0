// Float spin edits and formula fields shared by the document windows.
#include "app/widgets/spin_edits.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWheelEvent>
#include <charconv>

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

QString FloatSpinEdit::textFromValue(double value) const {
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
