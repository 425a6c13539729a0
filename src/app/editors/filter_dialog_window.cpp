// The filter dialogs' window: sliders over the engine's dialog settings and a live preview.
#include "app/editors/filter_dialog_window.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

namespace qm::app {

QImage pictureToImage(const image::TPixelGraphic& picture) {
    QImage result(picture.width(), picture.height(), QImage::Format_RGB32);
    if (result.isNull()) return result;
    const bool rgb = picture.pixelFormat() == image::PixelFormat::Bits24;
    for (int y = 0; y < picture.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        if (rgb) {
            const std::uint8_t* in = picture.scanLine(y);
            for (int x = 0; x < picture.width(); ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        } else {
            for (int x = 0; x < picture.width(); ++x) {
                const ColourValue c = picture.pixel(x, y);
                out[x] = qRgb(redOf(c), greenOf(c), blueOf(c));
            }
        }
    }
    return result;
}

FilterDialogWindow::FilterDialogWindow(image::TFilterDialog& settings,
                                       const image::TPixelGraphic* picture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), settings_(settings) {
    // Workers read only this copy: the document may write its picture while the dialog is open.
    if (settings_.HasPreview() && picture)
        source_ = std::make_shared<const image::TPixelGraphic>(*picture);
    setObjectName(QStringLiteral("FilterDialog"));
    setWindowTitle(QString::fromStdString(settings_.Title()));
    setModal(true);

    auto* grid = new QGridLayout;
    for (int i = 0; i < settings_.SliderCount(); ++i) {
        const image::SliderInfo& info = settings_.Slider(i);
        auto* caption = new QLabel(QString::fromStdString(info.caption), this);
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QStringLiteral("TrackBar%1").arg(i + 1));
        slider->setRange(info.min, info.max);
        slider->setTickInterval(info.tickFrequency);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setSingleStep(1);
        slider->setPageStep(info.tickFrequency);
        slider->setMinimumWidth(200);
        slider->setValue(settings_.Position(i));
        auto* labels = new QHBoxLayout;
        labels->addWidget(new QLabel(QString::fromStdString(info.minLabel), this));
        labels->addStretch();
        if (!info.midLabel.empty()) {
            labels->addWidget(new QLabel(QString::fromStdString(info.midLabel), this));
            labels->addStretch();
        }
        labels->addWidget(new QLabel(QString::fromStdString(info.maxLabel), this));
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        column->addWidget(slider);
        column->addLayout(labels);
        auto* readOut = new QLabel(this);
        readOut->setObjectName(QStringLiteral("ReadOut%1").arg(i + 1));
        readOut->setMinimumWidth(48);
        readOut->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, i, 0, Qt::AlignTop);
        grid->addLayout(column, i, 1);
        grid->addWidget(readOut, i, 2, Qt::AlignTop);
        sliders_[static_cast<size_t>(i)] = slider;
        readOuts_[static_cast<size_t>(i)] = readOut;
        connect(slider, &QSlider::valueChanged, this,
                [this, i](int position) { sliderMoved(i, position); });
    }

    auto* controls = new QVBoxLayout;
    controls->addLayout(grid);
    if (const auto& option = settings_.Option()) {
        auto* group = new QGroupBox(QString::fromStdString(option->caption), this);
        first_ = new QRadioButton(QString::fromStdString(option->first), group);
        first_->setObjectName(QStringLiteral("RadioButton1"));
        second_ = new QRadioButton(QString::fromStdString(option->second), group);
        second_->setObjectName(QStringLiteral("RadioButton2"));
        (settings_.OptionChecked() ? second_ : first_)->setChecked(true);
        auto* row = new QHBoxLayout(group);
        row->addWidget(first_);
        row->addWidget(second_);
        controls->addWidget(group);
        connect(second_, &QRadioButton::toggled, this, &FilterDialogWindow::optionChanged);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    controls->addStretch();
    controls->addWidget(buttons);

    auto* layout = new QHBoxLayout(this);
    if (settings_.HasPreview()) {
        preview_ = new QLabel(this);
        preview_->setObjectName(QStringLiteral("Preview"));
        preview_->setFixedSize(kPreviewWidth, kPreviewHeight);
        preview_->setAlignment(Qt::AlignCenter);
        preview_->setFrameShape(QFrame::StyledPanel);
        layout->addWidget(preview_, 0, Qt::AlignTop);
    }
    layout->addLayout(controls);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    updateReadOuts();

    if (source_) {
        pool_ = std::make_unique<QThreadPool>();
        pool_->setMaxThreadCount(1);
        timer_ = new QTimer(this);
        timer_->setInterval(kPollMs);
        connect(timer_, &QTimer::timeout, this, &FilterDialogWindow::poll);
        timer_->start();
        requestPreview();
    }
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

FilterDialogWindow::~FilterDialogWindow() {
    // Workers deliver to this window: none may outlive it.
    if (pool_) pool_->waitForDone();
}

bool FilterDialogWindow::execute(image::TFilterDialog& settings, QWidget* parent,
                                 const image::TPixelGraphic* picture) {
    settings.SaveSettings();
    bool accepted = false;
    {
        FilterDialogWindow window(settings, picture, parent);
        accepted = window.exec() == QDialog::Accepted;
    }
    if (!accepted) settings.RestoreSettings();
    return accepted;
}

void FilterDialogWindow::sliderMoved(int index, int position) {
    settings_.SetPosition(index, position);
    updateReadOuts();
    requestPreview();
}

void FilterDialogWindow::optionChanged(bool second) {
    settings_.SetOptionChecked(second);
    requestPreview();
}

void FilterDialogWindow::updateReadOuts() {
    for (int i = 0; i < settings_.SliderCount(); ++i)
        readOuts_[static_cast<size_t>(i)]->setText(QString::fromStdString(settings_.ReadOut(i)));
}

void FilterDialogWindow::requestPreview() {
    if (!source_) return;
    pending_ = true;
    // Start at once when idle so a drag repaints without waiting for the next poll.
    if (!busy_) startPreview();
}

void FilterDialogWindow::poll() {
    if (pending_ && !busy_) startPreview();
}

void FilterDialogWindow::startPreview() {
    pending_ = false;
    busy_ = true;
    const std::uint64_t generation = ++generation_;
    std::shared_ptr<const image::TPGFilter> filter = settings_.Filter().Clone();
    auto copy = copy_;
    std::shared_ptr<const image::TPixelGraphic> source = source_;
    pool_->start([this, filter, copy, source, generation] {
        QImage result;
        std::shared_ptr<const image::TPixelGraphic> reduced = copy;
        try {
            if (!reduced)
                reduced = std::make_shared<const image::TPixelGraphic>(
                    image::TPreviewFilterDialog::PreviewCopy(*source, kPreviewWidth,
                                                             kPreviewHeight));
            result =
                pictureToImage(image::TPreviewFilterDialog::FilteredPreview(*reduced, *filter));
        } catch (const std::exception&) {
            result = QImage(); // shown as an empty preview; the dialog itself keeps working
        }
        // The window waits for this worker before it goes, so `this` is alive here; the queued
        // call is dropped if the window is deleted before it runs.
        QMetaObject::invokeMethod(
            this,
            [this, result, reduced, generation] {
                if (!copy_) copy_ = reduced;
                deliverPreview(result, generation);
            },
            Qt::QueuedConnection);
    });
}

void FilterDialogWindow::deliverPreview(const QImage& image, std::uint64_t generation) {
    busy_ = false;
    if (generation == generation_) {
        previewImage_ = image;
        preview_->setPixmap(QPixmap::fromImage(image));
        ++previewCount_;
        emit previewReady();
    }
    if (pending_) startPreview();
}

} // namespace qm::app
