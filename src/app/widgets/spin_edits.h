// Spin edits of the document windows: a float field with limits, step and shown decimals, always
// with "." as the decimal point.
#pragma once

#include <QDoubleSpinBox>

class QLineEdit;
class QToolButton;

namespace qm::app {

class FloatSpinEdit : public QDoubleSpinBox {
    Q_OBJECT
public:
    FloatSpinEdit(const char* objectName, double minimum, double maximum, double step, int decimals,
                  QWidget* parent = nullptr);

    // Sets the shown value without raising valueChanged (a model refreshing its field).
    void setValueQuietly(double v);
};

// A formula field: a line edit with an ellipsis button at its right.
class FormulaEdit : public QWidget {
    Q_OBJECT
public:
    FormulaEdit(const char* objectName, QWidget* parent = nullptr);
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* ellipsisButton() const { return button_; }

signals:
    void ellipsisClicked();

private:
    QLineEdit* edit_;
    QToolButton* button_;
};

} // namespace qm::app
