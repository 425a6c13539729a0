// The modal window of a filter dialog: sliders, read-outs, option pair, OK/Cancel and, for the
// colour filters, a preview computed by background workers.
#pragma once

#include "engine/image/filters/filter_dialogs.h"
#include "engine/image/pixel_graphic.h"

#include <QDialog>
#include <QImage>
#include <array>
#include <memory>

class QLabel;
class QRadioButton;
class QSlider;
class QThreadPool;
class QTimer;

namespace qm::app {

// A picture as a QImage (RGB32), whatever its storage format.
QImage pictureToImage(const image::TPixelGraphic& picture);

class FilterDialogWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPreviewWidth = 240;
    static constexpr int kPreviewHeight = 180;
    static constexpr int kPollMs = 100;

    // `picture` (may be null) is what the preview shows; the window works on its own copy, so
    // the caller may go on changing the picture (a running render). Slider objects are named
    // "TrackBar1".."TrackBar3", read-outs "ReadOut1".., the option pair
    // "RadioButton1"/"RadioButton2", the preview "Preview", the buttons "OKBtn" and "CancelBtn".
    FilterDialogWindow(image::TFilterDialog& settings, const image::TPixelGraphic* picture,
                       QWidget* parent = nullptr);
    ~FilterDialogWindow() override;

    // The dialog's Execute: saves the settings, shows the window modally; true for "OK", any
    // other close restores the saved settings (and applies them again).
    static bool execute(image::TFilterDialog& settings, QWidget* parent,
                        const image::TPixelGraphic* picture = nullptr);

    // Preview as last delivered (null before the first).
    const QImage& previewImage() const { return previewImage_; }
    // Number of previews delivered so far, and whether a computation is under way or pending.
    int previewCount() const { return previewCount_; }
    bool previewBusy() const { return busy_ || pending_; }

signals:
    void previewReady();

private:
    void sliderMoved(int index, int position);
    void optionChanged(bool second);
    void updateReadOuts();
    void requestPreview();
    void poll();
    void startPreview();
    void deliverPreview(const QImage& image, std::uint64_t generation);

    image::TFilterDialog& settings_;
    std::shared_ptr<const image::TPixelGraphic> source_; // private copy for the workers
    std::array<QSlider*, 3> sliders_{};
    std::array<QLabel*, 3> readOuts_{};
    QRadioButton* first_ = nullptr;
    QRadioButton* second_ = nullptr;
    QLabel* preview_ = nullptr;
    QImage previewImage_;
    QTimer* timer_ = nullptr;
    std::unique_ptr<QThreadPool> pool_;
    std::shared_ptr<const image::TPixelGraphic> copy_; // the reduced picture, once made
    bool busy_ = false;
    bool pending_ = false;
    std::uint64_t generation_ = 0;
    int previewCount_ = 0;
};

} // namespace qm::app
