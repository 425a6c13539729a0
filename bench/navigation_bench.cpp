// Live exploration in the real document window (offscreen Qt): a wheel step to its preview on
// screen and to the exact picture (medians, ms), and the longest the event loop is blocked while
// the wheel turns continuously for 10 s (QM_WHEEL_SECONDS changes it). Default view, Max 256,
// a 492 x 399 picture.
#include "app/fractal/mandel_form.h"
#include "app/shell/main_window.h"
#include "app/widgets/tpg_image.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

// Counts the paints of the picture view.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

struct Window {
    qm::app::Tmain main;
    qm::app::Tmandelform* doc = nullptr;
    PaintCounter counter;

    Window() {
        main.resize(1200, 900);
        main.show();
        main.new1click();
        doc = qobject_cast<qm::app::Tmandelform*>(main.mdiArea()->currentSubWindow()->widget());
        doc->findChild<QDoubleSpinBox*>("RxSpinEdit5")->setValue(256);
        doc->resizeit(492, 399, false);
        main.mdiArea()->currentSubWindow()->resize(492 + 160, 399 + 120);
        doc->Image1()->installEventFilter(&counter);
        doc->StartrenderClick();
        settle();
    }
    void settle() {
        while (doc->isRendering())
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        QApplication::processEvents();
    }
    void wheel(int notches) {
        qm::app::TPGImage* image = doc->Image1();
        const QPointF at(image->width() * 0.45, image->height() * 0.55);
        QWheelEvent e(at, image->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(image, &e);
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void BM_WheelStepToPreviewAndExactPicture(benchmark::State& state) {
    Window w;
    std::vector<double> preview, rendered, exact;
    for (auto _ : state) {
        for (int step = 0; step < 40; ++step) {
            const int paints = w.counter.paints;
            QElapsedTimer clock;
            clock.start();
            w.wheel(step % 2 == 0 ? 1 : -1);
            while (w.counter.paints == paints)
                QApplication::processEvents();
            preview.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            // The exact picture: the render done (it asked for its last repaint then) and
            // painted.
            int done = -1;
            const auto finished =
                QObject::connect(w.doc, &qm::app::Tmandelform::renderFinished, [&] {
                    done = w.counter.paints;
                    rendered.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
                });
            while (done < 0 || w.counter.paints == done)
                QApplication::processEvents();
            QObject::disconnect(finished);
            exact.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }
    state.counters["preview_ms_median"] = median(preview);
    state.counters["rendered_ms_median"] = median(rendered); // the render's end, before its paint
    state.counters["exact_ms_median"] = median(exact);
}
BENCHMARK(BM_WheelStepToPreviewAndExactPicture)->Iterations(1)->Unit(benchmark::kMillisecond);

// A wheel notch every 16 ms (a fast hand), five in, five out, for 10 s; a 1 ms timer measures
// the longest gap between event-loop turns.
void BM_EventLoopBlockWhileWheeling(benchmark::State& state) {
    Window w;
    const double seconds = qEnvironmentVariableIntValue("QM_WHEEL_SECONDS") > 0
                               ? qEnvironmentVariableIntValue("QM_WHEEL_SECONDS")
                               : 10.0;
    double longest = 0.0;
    int notches = 0;
    for (auto _ : state) {
        QElapsedTimer clock, gap;
        clock.start();
        gap.start();
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
            gap.restart();
        });
        QTimer hand;
        hand.setTimerType(Qt::PreciseTimer);
        QObject::connect(&hand, &QTimer::timeout, [&] {
            w.wheel((notches / 5) % 2 == 0 ? 1 : -1);
            ++notches;
        });
        probe.start(1);
        hand.start(16);
        while (clock.elapsed() < seconds * 1000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        hand.stop();
        probe.stop();
        w.settle();
    }
    state.counters["longest_block_ms"] = longest;
    state.counters["notches"] = notches;
}
BENCHMARK(BM_EventLoopBlockWhileWheeling)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

// The application lives on main's stack: a static one outlives Qt's own statics at exit.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
