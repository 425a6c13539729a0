// Spin edits of the document windows: a float field with limits, step and shown decimals, always
// with "." as the decimal point.
#pragma once

#include <QDoubleSpinBox>

class QLabel;
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

    // Shows the shortest text that reads back as the value ("-2", "0.75") instead of every
    // decimal: the fields of many decimals are too narrow for the trailing zeros.
    void setShortestText(bool on) { shortest_ = on; }

    // Numbers of any length (plane coordinates of deep views): the field accepts decimal
    // numbers with more digits than its value carries and shows the exact text instead of the
    // value's digits while the value is that text's.
    void setLongNumbers(bool on) { long_ = on; }
    // With long numbers: a text is also kept exact where it has more decimals than the field
    // shows (the Julia constant, whose fields round to 8 decimals).
    void setExactBeyondDecimals(bool on) { beyondDecimals_ = on; }
    // Shows `text` (empty: the value's own digits) for the current value.
    void setExactText(const QString& text);
    // The long text the value `v` was read from or set by; empty when the value's digits say
    // it all.
    QString exactTextFor(double v) const;

protected:
    QString textFromValue(double value) const override;
    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;
    // The wheel changes the value only while the field has the focus; otherwise it goes to the
    // panel around it, which scrolls.
    void wheelEvent(QWheelEvent* event) override;

private:
    bool shortest_ = false;
    bool long_ = false;
    bool beyondDecimals_ = false;
    // The long text and the value it was read as (valueFromText is const, hence mutable).
    mutable QString exact_;
    mutable double exactValue_ = 0.0;
};

// A formula field: a line edit with an ellipsis button at its right.
class FormulaEdit : public QWidget {
    Q_OBJECT
public:
    FormulaEdit(const char* objectName, QWidget* parent = nullptr);
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* ellipsisButton() const { return button_; }

    // A short name at the field's left ("R", "H"); none when empty.
    void setLabel(const QString& text);
    QLabel* label() const { return label_; }
    // The text does not compile: the field takes the focus and a red frame until it is edited.
    void markError();
    bool errorMarked() const { return marked_; }

signals:
    void ellipsisClicked();

private:
    void clearError();

    QLabel* label_;
    QLineEdit* edit_;
    QToolButton* button_;
    bool marked_ = false;
};

} // namespace qm::app
