// Float spin edits and formula fields shared by the document windows.
#include "app/widgets/spin_edits.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QToolButton>

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
}

void FloatSpinEdit::setValueQuietly(double v) {
    const QSignalBlocker block(this);
    setValue(v);
}

FormulaEdit::FormulaEdit(const char* objectName, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
    setObjectName(QString(objectName) + "Box");
    edit_->setObjectName(objectName);
    button_->setObjectName(QString(objectName) + "Ellipsis");
    button_->setText("...");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_, 1);
    row->addWidget(button_);
    connect(button_, &QToolButton::clicked, this, &FormulaEdit::ellipsisClicked);
}

} // namespace qm::app
