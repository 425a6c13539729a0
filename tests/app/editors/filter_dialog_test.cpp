// The filter dialog window: controls of every dialog, cancel restoring settings, the preview.
#include "app/editors/filter_dialog_window.h"
#include "editor_test_support.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

using qm::app::FilterDialogWindow;
using qm::image::FilterKind;

TEST(FilterDialogWindow, EveryDialogShowsItsTitleSlidersAndOption) {
    qm::test::qtApp();
    struct Case {
        FilterKind kind;
        const char* title;
        int sliders;
        int max1, tick1;
        bool option, preview;
    } const cases[] = {
        {FilterKind::Rgb, "RGB-Filter", 3, 100, 10, false, true},
        {FilterKind::Cmy, "CMY-Filter", 3, 100, 10, false, true},
        {FilterKind::Hls, "HLS-Filter", 3, 180, 15, false, true},
        {FilterKind::Hsv, "HSV-Filter", 3, 180, 15, false, true},
        {FilterKind::Bcg, "Brightness, Contrast, Gamma Filter", 3, 100, 10, true, true},
        {FilterKind::Smooth, "Smooth", 2, 130, 10, false, false},
        {FilterKind::Sharpen, "Sharpen", 2, 130, 10, false, false},
        {FilterKind::Details, "Detail", 2, 130, 10, false, false},
        {FilterKind::Blur, "Blur", 2, 500, 50, false, false},
        {FilterKind::Contours, "Contour", 2, 130, 10, true, false},
    };
    qm::image::TPixelGraphic picture(8, 8, qm::image::PixelFormat::Bits24);
    for (const Case& c : cases) {
        auto settings = qm::image::createFilterDialog(c.kind);
        FilterDialogWindow window(*settings, &picture);
        EXPECT_EQ(window.windowTitle(), QString(c.title));
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(window.findChild<QSlider*>(QString("TrackBar%1").arg(i)) != nullptr,
                      i <= c.sliders)
                << c.title << i;
        auto* first = window.findChild<QSlider*>("TrackBar1");
        EXPECT_EQ(first->maximum(), c.max1) << c.title;
        EXPECT_EQ(first->tickInterval(), c.tick1) << c.title;
        EXPECT_EQ(window.findChild<QRadioButton*>("RadioButton1") != nullptr, c.option) << c.title;
        EXPECT_EQ(window.findChild<QLabel*>("Preview") != nullptr, c.preview) << c.title;
        EXPECT_EQ(window.findChild<QLabel*>("ReadOut1")->text(),
                  QString::fromStdString(settings->ReadOut(0)));
    }
}

TEST(FilterDialogWindow, SliderChangesReachTheSettingsAndTheReadOut) {
    qm::test::qtApp();
    qm::image::TRGBFilterDialog settings;
    FilterDialogWindow window(settings, nullptr);
    window.findChild<QSlider*>("TrackBar1")->setValue(10);
    EXPECT_EQ(settings.Red(), 10);
    EXPECT_EQ(window.findChild<QLabel*>("ReadOut1")->text(), QString("+10%"));
    window.findChild<QSlider*>("TrackBar2")->setValue(0);
    EXPECT_EQ(window.findChild<QLabel*>("ReadOut2")->text(), QString("±0%"));
}

TEST(FilterDialogWindow, CancelAfterMovingSlidersRestoresTheSettingsOkKeepsThem) {
    qm::test::qtApp();
    auto settings = qm::image::createMainWindowFilterDialog(FilterKind::Contours);
    const double deviation = settings->Value(0);
    const int percent = settings->Position(1);
    for (const char* button : {"CancelBtn", "OKBtn"}) {
        qm::test::whenModal([button](QWidget* dialog) {
            dialog->findChild<QSlider*>("TrackBar1")->setValue(50);
            dialog->findChild<QSlider*>("TrackBar2")->setValue(700);
            dialog->findChild<QRadioButton*>("RadioButton2")->setChecked(true);
            dialog->findChild<QPushButton*>(button)->click();
        });
        const bool ok = FilterDialogWindow::execute(*settings, nullptr);
        EXPECT_EQ(ok, std::string(button) == "OKBtn");
        if (!ok) {
            EXPECT_EQ(settings->Value(0), deviation);
            EXPECT_EQ(settings->Position(1), percent);
            EXPECT_FALSE(settings->OptionChecked());
            // The filter went back too: the restored kernel is the one of the old settings.
            auto fresh = qm::image::createMainWindowFilterDialog(FilterKind::Contours);
            auto& kernel = dynamic_cast<qm::image::TConvFilter&>(settings->Filter());
            auto& expected = dynamic_cast<qm::image::TConvFilter&>(fresh->Filter());
            EXPECT_EQ(kernel.Width(), expected.Width());
            EXPECT_EQ(kernel.Factor, expected.Factor);
            EXPECT_EQ(kernel.Kernel(kernel.Width() / 2, kernel.Height() / 2),
                      expected.Kernel(expected.Width() / 2, expected.Height() / 2));
        } else {
            EXPECT_EQ(settings->Value(0), 0.5);
            EXPECT_EQ(settings->Position(1), 700);
            EXPECT_TRUE(settings->OptionChecked());
        }
    }
}

TEST(FilterDialogWindow, PreviewIsReducedWithItsAspectAndFollowsEachChange) {
    qm::test::qtApp();
    qm::image::TPixelGraphic picture(1920, 1080, qm::image::PixelFormat::Bits24);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.SetPixel(x, y, qm::makeColour(static_cast<std::uint8_t>(x % 200), 50, 60));
    qm::image::TRGBFilterDialog settings;
    FilterDialogWindow window(settings, &picture);
    QSignalSpy ready(&window, &FilterDialogWindow::previewReady);
    ASSERT_TRUE(ready.wait(5000));
    const auto [w, h] = qm::image::TPreviewFilterDialog::PreviewSize(
        1920, 1080, FilterDialogWindow::kPreviewWidth, FilterDialogWindow::kPreviewHeight);
    EXPECT_EQ(window.previewImage().size(), QSize(w, h));
    EXPECT_EQ(window.previewImage().width(), FilterDialogWindow::kPreviewWidth);
    EXPECT_EQ(qGreen(window.previewImage().pixel(5, 5)), 50);

    QElapsedTimer clock;
    clock.start();
    window.findChild<QSlider*>("TrackBar1")->setValue(100);
    // The window is not blocked meanwhile: the change returned before the preview came.
    while (window.previewBusy())
        ASSERT_TRUE(ready.wait(5000));
    RecordProperty("preview_us", static_cast<int>(clock.nsecsElapsed() / 1000));
    for (int x : {0, 50, 200})
        EXPECT_EQ(qRed(window.previewImage().pixel(x, 3)), 255) << x;
    EXPECT_EQ(qGreen(window.previewImage().pixel(5, 5)), 50);
}

TEST(PictureToImage, PaletteAndTrueColourPicturesGiveTheSamePixels) {
    qm::test::qtApp();
    qm::image::TPixelGraphic palette(3, 2, qm::image::PixelFormat::Bits4);
    palette.SetPixel(1, 1, qm::makeColour(255, 0, 0));
    qm::image::TPixelGraphic rgb(3, 2, qm::image::PixelFormat::Bits24);
    rgb.SetPixel(1, 1, qm::makeColour(255, 0, 0));
    rgb.SetPixel(2, 0, qm::makeColour(1, 2, 3));
    EXPECT_EQ(qm::app::pictureToImage(palette).pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(qm::app::pictureToImage(rgb).pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(qm::app::pictureToImage(rgb).pixel(2, 0), qRgb(1, 2, 3));
    EXPECT_TRUE(qm::app::pictureToImage(qm::image::TPixelGraphic()).isNull());
}

} // namespace
