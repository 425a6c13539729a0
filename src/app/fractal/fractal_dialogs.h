// The small dialogs of the document window: "New Size", "Orientation" and the plain formula
// editor of the formula fields' ellipsis buttons.
#pragma once

#include <QDialog>

class QLineEdit;

namespace qm::app {

// "New Size": Width and Height ("100" each; the document window fills in its current size).
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

} // namespace qm::app
