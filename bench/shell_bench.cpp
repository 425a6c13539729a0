// Window feel during a render (offscreen Qt): how long a posted event waits while a 1920 x 1080
// render runs on all cores, and how soon Stop ends the render.
#include "app/fractal/mandel_form.h"
#include "app/shell/main_window.h"
#include "engine/image/pixel_graphic.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "shell_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication instance(argc, argv);
    static QTemporaryDir settings;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    return instance;
}

// A view on the boundary (seahorse valley), where no interior shortcut applies.
qm::app::Tmandelform* bigDocument(qm::app::Tmain& w, int max) {
    w.new1click();
    auto* form = qobject_cast<qm::app::Tmandelform*>(w.mdiArea()->currentSubWindow()->widget());
    const struct {
        const char* field;
        double value;
    } fields[] = {{"RxSpinEdit1", -0.7530},
                  {"RxSpinEdit2", -0.7490},
                  {"RxSpinEdit3", 0.0990},
                  {"RxSpinEdit4", 0.1030},
                  {"RxSpinEdit5", static_cast<double>(max)}};
    for (const auto& f : fields)
        form->findChild<QDoubleSpinBox*>(f.field)->setValue(f.value);
    form->resizeit(1920, 1080, false);
    return form;
}

// One event posted every 2 ms for the whole render; the counters are the waits in ms.
void BM_EventLoopDelayDuringRender(benchmark::State& state) {
    app();
    qm::app::Tmain w;
    w.show();
    qm::app::Tmandelform* form = bigDocument(w, 65535);
    std::vector<double> delays;
    for (auto _ : state) {
        form->StartrenderClick();
        while (form->isRendering()) {
            QElapsedTimer waited;
            waited.start();
            bool ran = false;
            QTimer::singleShot(0, &w, [&] { ran = true; });
            while (!ran)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            delays.push_back(static_cast<double>(waited.nsecsElapsed()) / 1e6);
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 2)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    std::sort(delays.begin(), delays.end());
    if (!delays.empty()) {
        state.counters["delay_median_ms"] = delays[delays.size() / 2];
        state.counters["delay_p99_ms"] = delays[delays.size() * 99 / 100];
        state.counters["delay_max_ms"] = delays.back();
        state.counters["samples"] = static_cast<double>(delays.size());
        state.counters["pixels"] = static_cast<double>(form->picture().width()) *
                                   static_cast<double>(form->picture().height());
    }
}
BENCHMARK(BM_EventLoopDelayDuringRender)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// Stop pressed 20 ms into a render: time until the render has ended.
void BM_StopLatency(benchmark::State& state) {
    app();
    qm::app::Tmain w;
    w.show();
    qm::app::Tmandelform* form = bigDocument(w, 65535);
    std::vector<double> latencies;
    for (auto _ : state) {
        state.PauseTiming();
        form->StartrenderClick();
        QElapsedTimer started;
        started.start();
        while (started.elapsed() < 20)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.ResumeTiming();
        if (!form->isRendering()) {
            state.SkipWithError("the render ended before Stop");
            break;
        }
        QElapsedTimer stopping;
        stopping.start();
        form->StartrenderClick(); // "Stop"
        while (form->isRendering())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        latencies.push_back(static_cast<double>(stopping.nsecsElapsed()) / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) return;
    state.counters["stop_median_ms"] = latencies[latencies.size() / 2];
    state.counters["stop_max_ms"] = latencies.back();
}
BENCHMARK(BM_StopLatency)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
