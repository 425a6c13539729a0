// The small dialogs of the document window: "New Size", "Orientation" and the plain formula
// editor of the formula fields' ellipsis buttons.
#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace qm::app {

// "New Size": Width and Height, both "100" when it opens.
class Tsizedialog : public QDialog {
    Q_OBJECT
public:
    explicit Tsizedialog(QWidget* parent = nullptr);
    QLineEdit* widthEdit() const { return width_; }
    QLineEdit* heightEdit() const { return height_; }

private:
    QLineEdit* width_;
    QLineEdit* height_;
};

// "Orientation": the real and imaginary parts of the complex factor of the plane.
class Torient_dialog : public QDialog {
    Q_OBJECT
public:
    explicit Torient_dialog(QWidget* parent = nullptr);
    QLineEdit* realEdit() const { return real_; }
    QLineEdit* imaginaryEdit() const { return imaginary_; }

private:
    QLineEdit* real_;
    QLineEdit* imaginary_;
};

// "Formula Editor": a multi-line text; OK joins the lines (each trimmed) without separators.
class FormulaTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormulaTextDialog(const QString& text, QWidget* parent = nullptr);
    QPlainTextEdit* editor() const { return editor_; }
    QString joinedText() const;

private:
    QPlainTextEdit* editor_;
};

// The lines of `text`, each with leading and trailing blanks removed, in order, without
// separators.
QString joinFormulaLines(const QString& text);

} // namespace qm::app
