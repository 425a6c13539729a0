// The palette editor window, its preset menu, the name dialog and the preset manager.
#include "app/editors/gradient_editor.h"

#include "engine/core/errors.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm::app {

namespace {

constexpr int kPreviewWidth = 256;
constexpr int kPreviewHeight = 20;

QToolButton* flatButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromLatin1(caption));
    button->setToolTip(QString::fromLatin1(hint));
    button->setStatusTip(QString::fromLatin1(hint));
    button->setAutoRaise(true);
    return button;
}

} // namespace

// --- TForm4 -------------------------------------------------------------------------------

TForm4::TForm4(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form4"));
    setModal(true);
    edit_ = new QLineEdit(QString::fromLatin1(kInitialText), this);
    edit_->setObjectName(QStringLiteral("edit971"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
    connect(cancel, &QPushButton::clicked, this, &TForm4::BitBtn2Click);
}

QString TForm4::text() const {
    return edit_->text();
}

void TForm4::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    edit_->selectAll();
    edit_->setFocus();
}

void TForm4::BitBtn1Click() {
    accept();
}

void TForm4::BitBtn2Click() {
    reject();
}

// --- Tpresetmanager -----------------------------------------------------------------------

Tpresetmanager::Tpresetmanager(gradient::PresetStore& store, QWidget* parent)
    : QDialog(parent), model_(store) {
    setObjectName(QStringLiteral("presetmanager"));
    setWindowTitle(QString::fromStdString(model_.caption()));
    resize(350, 300);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListBox1"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSortingEnabled(false);
    for (const auto& name : model_.items())
        list_->addItem(QString::fromStdString(name));
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);
    remove->setObjectName(QStringLiteral("RxSpeedButton1"));
    remove->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("RxSpeedButton2"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    connect(remove, &QPushButton::clicked, this, &Tpresetmanager::RxSpeedButton1Click);
    connect(ok, &QPushButton::clicked, this, &Tpresetmanager::RxSpeedButton2Click);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tpresetmanager::RxSpeedButton1Click() {
    const int row = list_->currentRow();
    if (row < 0 || list_->selectedItems().isEmpty()) return;
    model_.setItemIndex(row);
    model_.deleteSelected();
    delete list_->takeItem(row);
    // Nothing stays selected, so a second click on Delete cannot take the next preset too.
    list_->setCurrentRow(-1);
    list_->clearSelection();
    setWindowTitle(QString::fromStdString(model_.caption()));
}

void Tpresetmanager::RxSpeedButton2Click() {
    accept();
}

// --- Tgradmaker ---------------------------------------------------------------------------

Tgradmaker::Tgradmaker(SharedColourData& colours, gradient::PresetStore& store, TForm4& nameDialog,
                       QWidget* parent)
    : QWidget(parent), data_(colours), store_(store), nameDialog_(nameDialog), model_(colours) {
    setObjectName(QStringLiteral("gradmaker"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlag(Qt::Tool);
    setFixedSize(kClientWidth, kClientHeight);

    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(10, 8, kPreviewWidth, kPreviewHeight);
    preview_ = QImage(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
    preview_.fill(Qt::black);

    const char* rows[] = {"Red", "Green", "Blue"};
    for (int channel = 0; channel < 3; ++channel) {
        auto* label = new QLabel(QString::fromLatin1(rows[channel]), this);
        label->setGeometry(10, 38 + channel * 28, 44, 22);
    }
    for (int stop = 1; stop <= gradient::kStopCount; ++stop) {
        for (int channel = 0; channel < 3; ++channel) {
            const int index = gradient::fieldIndex(stop, channel);
            auto* field = new QSpinBox(this);
            field->setObjectName(QStringLiteral("RxSpinEdit%1").arg(index + 1));
            field->setRange(gradient::kFieldMin, gradient::kFieldMax);
            field->setSingleStep(1);
            field->setGeometry(55 + (stop - 1) * 74, 38 + channel * 28, 66, 22);
            connect(field, &QSpinBox::valueChanged, this, [this, index](int value) {
                if (syncing_) return;
                runGuarded([this, index, value] { model_.setField(index, value); });
            });
            fields_[static_cast<size_t>(index)] = field;
        }
    }

    presetsButton_ = flatButton(this, "RxSpeedButton2", "Presets...", "Preset and saved Gradients");
    presetsButton_->setGeometry(10, 130, 100, 28);
    presetsButton_->setPopupMode(QToolButton::InstantPopup);
    auto* randomize = flatButton(this, "RxSpeedButton1", "Randomize", "Randomizes all Values");
    randomize->setGeometry(120, 130, 100, 28);
    auto* reset = flatButton(this, "RxSpeedButton3", "Reset", "Sets all values to 0");
    reset->setGeometry(230, 130, 80, 28);
    cycled_ = new QCheckBox(QStringLiteral("Cycled"), this);
    cycled_->setObjectName(QStringLiteral("CheckBox1"));
    cycled_->setToolTip(QStringLiteral("Makes the starting color the last color"));
    cycled_->setStatusTip(cycled_->toolTip());
    cycled_->setGeometry(330, 133, 90, 22);
    connect(randomize, &QToolButton::clicked, this, &Tgradmaker::RxSpeedButton1Click);
    connect(reset, &QToolButton::clicked, this, &Tgradmaker::RxSpeedButton3Click);
    connect(cycled_, &QCheckBox::clicked, this, &Tgradmaker::CheckBox1Click);

    presetMenu_ = new QMenu(this);
    presetMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    presetsButton_->setMenu(presetMenu_);

    listenerId_ = model_.addListener([this] { syncFromModel(); });
    // Creation order: re-seed, Reset, "User Defined" from the store, then "Standard".
    presets_ = std::make_unique<gradient::GradientPresets>(model_, store_);
    model_.initialise();
    buildPresetMenu();
    syncFromModel();
}

Tgradmaker::~Tgradmaker() {
    model_.removeListener(listenerId_);
}

void Tgradmaker::runGuarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const qm::Exception& e) {
        syncFromModel();
        const QString message = QString::fromStdString(e.what());
        // Errors must not cross the event loop: report them like the application's handler.
        if (receivers(SIGNAL(errorRaised(QString))) > 0)
            emit errorRaised(message);
        else
            QMessageBox::critical(this, QStringLiteral("Quillmora"), message);
    }
}

void Tgradmaker::syncFromModel() {
    syncing_ = true;
    for (int i = 0; i < gradient::kFieldCount; ++i)
        fields_[static_cast<size_t>(i)]->setValue(model_.field(i));
    syncing_ = false;
    cycled_->setChecked(model_.cycled());
    for (int channel = 0; channel < 3; ++channel)
        fields_[static_cast<size_t>(gradient::fieldIndex(5, channel))]->setVisible(
            model_.stopFiveVisible());

    const auto table = data_.gradientTable();
    for (int x = 0; x < kPreviewWidth; ++x) {
        const ColourValue c = (*table)[static_cast<size_t>(x)];
        const QRgb rgb = qRgb(redOf(c), greenOf(c), blueOf(c));
        for (int y = 0; y < kPreviewHeight; ++y)
            preview_.setPixel(x, y, rgb);
    }
    image1_->setPixmap(QPixmap::fromImage(preview_));
}

void Tgradmaker::render() {
    runGuarded([this] { model_.render(); });
}

void Tgradmaker::defaultgrad(const QString& stopString) {
    runGuarded([this, &stopString] { model_.defaultgrad(stopString.toStdString()); });
}

void Tgradmaker::loadgrad(const QString& name) {
    runGuarded([this, &name] { presets_->loadgrad(name.toStdString()); });
}

void Tgradmaker::RxSpeedButton1Click() {
    model_.randomize();
}

void Tgradmaker::RxSpeedButton3Click() {
    model_.reset();
}

void Tgradmaker::CheckBox1Click() {
    model_.setCycled(cycled_->isChecked());
}

void Tgradmaker::Savecurrent1Click() {
    runGuarded([this] {
        const bool saved = presets_->saveCurrent([this]() -> std::optional<std::string> {
            if (nameDialog_.exec() != QDialog::Accepted) return std::nullopt;
            PresetName = nameDialog_.text();
            return PresetName.toStdString();
        });
        if (saved) rebuildUserDefined();
    });
}

void Tgradmaker::PresetManager1Click() {
    runGuarded([this] {
        presets_->openPresetManager([this] {
            Tpresetmanager manager(store_, this);
            manager.exec();
        });
        rebuildUserDefined();
    });
}

void Tgradmaker::rebuildUserDefined() {
    if (!userMenu_) return;
    const auto actions = userMenu_->actions();
    for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
        userMenu_->removeAction(*it);
        delete *it;
    }
    for (const auto& caption : presets_->userDefined()) {
        const QString text = QString::fromStdString(caption);
        QAction* action =
            userMenu_->addAction(QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(action, &QAction::triggered, this, [this, text] { loadgrad(text); });
    }
}

void Tgradmaker::buildPresetMenu() {
    presetMenu_->clear();
    std::function<void(QMenu*, const std::vector<gradient::PresetMenuEntry>&)> fill =
        [&](QMenu* menu, const std::vector<gradient::PresetMenuEntry>& entries) {
            for (const auto& entry : entries) {
                const QString caption = QString::fromStdString(entry.caption);
                switch (entry.kind) {
                case gradient::PresetMenuKind::Separator:
                    menu->addSeparator();
                    break;
                case gradient::PresetMenuKind::Submenu: {
                    QMenu* sub = menu->addMenu(caption);
                    sub->setObjectName(caption);
                    if (entry.caption == "User Defined")
                        userMenu_ = sub;
                    else
                        fill(sub, entry.children);
                    break;
                }
                case gradient::PresetMenuKind::Item: {
                    QAction* action = menu->addAction(caption);
                    action->setObjectName(QString::fromStdString(entry.name));
                    const QString stops = QString::fromStdString(entry.stopString);
                    switch (entry.action) {
                    case gradient::PresetAction::ApplyBuiltIn:
                        connect(action, &QAction::triggered, this,
                                [this, stops] { defaultgrad(stops); });
                        break;
                    case gradient::PresetAction::SaveCurrent:
                        connect(action, &QAction::triggered, this, &Tgradmaker::Savecurrent1Click);
                        break;
                    case gradient::PresetAction::OpenManager:
                        connect(action, &QAction::triggered, this,
                                &Tgradmaker::PresetManager1Click);
                        break;
                    default:
                        break;
                    }
                    break;
                }
                }
            }
        };
    fill(presetMenu_, presets_->menu());
    rebuildUserDefined();
}

void Tgradmaker::restoreEditor() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->showNormal();
        sub->show();
        sub->raise();
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
    }
    showNormal();
    show();
    raise();
}

void Tgradmaker::closeEvent(QCloseEvent* event) {
    // The editor lives for the whole run: closing only minimises it.
    event->ignore();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->showMinimized();
    else
        showMinimized();
}

} // namespace qm::app
