// The document window's size, orientation and formula-text dialogs.
#include "app/fractal/fractal_dialogs.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::app {

namespace {
QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("OKBtn");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelBtn");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// Wide enough for the window manager to show the whole title, which the platform extends by
// " — Quillmora", beside its buttons.
void fitTitle(QDialog* dialog) {
    const QString shown = dialog->windowTitle() + " \u2014 Quillmora";
    QFont bold = dialog->font();
    bold.setBold(true);
    dialog->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(shown) + 120);
}
} // namespace

Tsizedialog::Tsizedialog(QWidget* parent)
    : QDialog(parent), width_(new QLineEdit("100", this)), height_(new QLineEdit("100", this)) {
    setObjectName("sizedialog");
    setWindowTitle("New Size");
    width_->setObjectName("Edit1");
    height_->setObjectName("Edit2");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Width", this));
    layout->addWidget(width_);
    layout->addWidget(new QLabel("Height", this));
    layout->addWidget(height_);
    layout->addWidget(okCancel(this));
    fitTitle(this);
}

Torient_dialog::Torient_dialog(QWidget* parent)
    : QDialog(parent), real_(new QLineEdit("1", this)), imaginary_(new QLineEdit("0", this)) {
    setObjectName("orient_dialog");
    setWindowTitle("Orientation");
    real_->setObjectName("Edit1");
    imaginary_->setObjectName("Edit2");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Real:", this));
    layout->addWidget(real_);
    layout->addWidget(new QLabel("Imaginary:", this));
    layout->addWidget(imaginary_);
    layout->addWidget(okCancel(this));
    fitTitle(this);
}

} // namespace qm::app
