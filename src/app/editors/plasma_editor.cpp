// The plasma editor window: preview of the plasma samples, noise and brightness, "Render".
#include "app/editors/plasma_editor.h"

#include "app/editors/filter_dialog_window.h"
#include "engine/plasma/plasma_generator.h"

#include <QDoubleSpinBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace qm::app {

namespace {

constexpr int kPanelHeight = 41;
// "Unlimited": wide enough for any value a user would type, finite for the spin box.
constexpr double kNoiseLimit = 1e9;

} // namespace

Tplasmaform::Tplasmaform(SharedColourData& colours, QWidget* parent)
    : QDialog(parent, Qt::Tool), data_(colours) {
    setObjectName(QStringLiteral("plasmaform"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    view_ = new QLabel(this);
    view_->setObjectName(QStringLiteral("PGImage1"));
    view_->setAlignment(Qt::AlignCenter);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedHeight(kPanelHeight);

    noise_ = new QDoubleSpinBox(panel);
    noise_->setObjectName(QStringLiteral("RxSpinEdit1"));
    noise_->setRange(-kNoiseLimit, kNoiseLimit);
    noise_->setDecimals(2);
    noise_->setSingleStep(plasma::kNoiseStep);
    noise_->setValue(plasma::kDefaultNoise);
    brightness_ = new QSpinBox(panel);
    brightness_->setObjectName(QStringLiteral("RxSpinEdit2"));
    brightness_->setRange(plasma::kMinBrightness, plasma::kMaxBrightness);
    brightness_->setSingleStep(plasma::kBrightnessStep);
    brightness_->setValue(plasma::kDefaultBrightness);
    auto* render = new QPushButton(QStringLiteral("Render"), panel);
    render->setObjectName(QStringLiteral("RxSpeedButton1"));
    render->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    render->setAutoDefault(false);

    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(new QLabel(QStringLiteral("Noise:"), panel));
    row->addWidget(noise_);
    row->addWidget(new QLabel(QStringLiteral("Brigthness:"), panel));
    row->addWidget(brightness_);
    row->addStretch();
    row->addWidget(render);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 1);
    layout->addWidget(panel);

    // Connected after the defaults are in, so opening the editor leaves the settings alone.
    connect(noise_, &QDoubleSpinBox::valueChanged, this, &Tplasmaform::RxSpinEdit1Change);
    connect(brightness_, &QSpinBox::valueChanged, this, &Tplasmaform::RxSpinEdit1Change);
    connect(render, &QPushButton::clicked, this, &Tplasmaform::RxSpeedButton1Click);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

void Tplasmaform::showEditor(SharedColourData& colours, QWidget* parent) {
    Tplasmaform editor(colours, parent);
    editor.exec();
}

void Tplasmaform::FormCreate() {
    drawPicture();
}

void Tplasmaform::drawPicture() {
    image::TPixelGraphic picture(plasma::kLastX, plasma::kLastY, image::PixelFormat::Bits24);
    plasma::drawPlasma(*data_.plasmaBuffer(), picture);
    picture_ = pictureToImage(picture);
    view_->setPixmap(QPixmap::fromImage(picture_));
}

void Tplasmaform::RxSpeedButton1Click() {
    plasma::renderPlasma(data_);
    drawPicture();
}

void Tplasmaform::RxSpinEdit1Change() {
    plasma::setPlasmaSettings(data_, noise_->value(), brightness_->value());
}

} // namespace qm::app
