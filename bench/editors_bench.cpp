// Editor feel: time from a gradient field change, or a filter slider move on a 1920 x 1080
// picture, to the repainted preview (offscreen Qt, wall-clock time).
#include "app/editors/filter_dialog_window.h"
#include "app/editors/gradient_editor.h"

#include <QApplication>
#include <QEventLoop>
#include <QSlider>
#include <QSpinBox>
#include <benchmark/benchmark.h>
#include <map>

namespace {

class MemoryStore : public qm::gradient::PresetStore {
public:
    std::optional<std::vector<std::string>> names() override {
        std::vector<std::string> result;
        for (const auto& [name, value] : values_)
            result.push_back(name);
        return result;
    }
    std::string read(const std::string& name, const std::string& fallback) override {
        const auto it = values_.find(name);
        return it == values_.end() ? fallback : it->second;
    }
    void write(const std::string& name, const std::string& value) override {
        values_[name] = value;
    }
    void remove(const std::string& name) override { values_.erase(name); }

private:
    std::map<std::string, std::string> values_;
};

void BM_GradientFieldToRepaintedPreview(benchmark::State& state) {
    qm::SharedColourData data;
    MemoryStore store;
    qm::app::TForm4 names;
    qm::app::Tgradmaker editor(data, store, names);
    editor.show();
    auto* field = editor.findChild<QSpinBox*>("RxSpinEdit4");
    int value = 1;
    for (auto _ : state) {
        value = value % 256 + 1;
        field->setValue(value);
        editor.repaint();
    }
}
BENCHMARK(BM_GradientFieldToRepaintedPreview)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FilterSliderToRepaintedPreview(benchmark::State& state) {
    qm::image::TPixelGraphic picture(1920, 1080, qm::image::PixelFormat::Bits24);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.SetPixel(x, y,
                             qm::makeColour(static_cast<std::uint8_t>(x),
                                            static_cast<std::uint8_t>(y),
                                            static_cast<std::uint8_t>(x + y)));
    auto settings =
        qm::image::createFilterDialog(static_cast<qm::image::FilterKind>(state.range(0)));
    qm::app::FilterDialogWindow window(*settings, &picture);
    window.show();
    QEventLoop loop;
    QObject::connect(&window, &qm::app::FilterDialogWindow::previewReady, &loop, &QEventLoop::quit);
    loop.exec(); // the first preview, with the reduced copy
    auto* slider = window.findChild<QSlider*>("TrackBar1");
    int position = 0;
    for (auto _ : state) {
        position = position == 50 ? -50 : 50;
        slider->setValue(position);
        while (window.previewBusy())
            loop.exec();
        window.repaint();
    }
}
BENCHMARK(BM_FilterSliderToRepaintedPreview)
    ->Arg(static_cast<int>(qm::image::FilterKind::Rgb))
    ->Arg(static_cast<int>(qm::image::FilterKind::Hls))
    ->Arg(static_cast<int>(qm::image::FilterKind::Bcg))
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Opening a preview dialog: the picture copied, reduced on a worker and filtered.
void BM_FilterDialogFirstPreview(benchmark::State& state) {
    qm::image::TPixelGraphic picture(1920, 1080, qm::image::PixelFormat::Bits24);
    auto settings = qm::image::createFilterDialog(qm::image::FilterKind::Rgb);
    for (auto _ : state) {
        qm::app::FilterDialogWindow window(*settings, &picture);
        QEventLoop loop;
        QObject::connect(&window, &qm::app::FilterDialogWindow::previewReady, &loop,
                         &QEventLoop::quit);
        if (window.previewBusy()) loop.exec();
    }
}
BENCHMARK(BM_FilterDialogFirstPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
