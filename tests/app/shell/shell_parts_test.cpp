// The shell's own controls: the strip chart, the threaded timer, the loupe, the speedometer
// window and the error handler.
#include "app/qt_test_app.h"
#include "app/shell/error_handler.h"
#include "app/shell/loupe.h"
#include "app/shell/speedometer.h"
#include "app/shell/threaded_timer.h"
#include "app/shell/trend.h"
#include "engine/core/errors.h"
#include "engine/core/number_text.h"

#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using qm::app::TTrend;
using qm::app::TTrendStyle;

TEST(TTrend, DivisionsAreClampedAndValuesClampedToTheScale) {
    qm::test::qtApp();
    TTrend trend;
    const struct {
        int set;
        int stored;
    } divisions[] = {{1, 2}, {2, 2}, {50, 50}, {100, 100}, {500, 100}, {-7, 2}};
    for (const auto& d : divisions) {
        trend.setDivisions(d.set);
        EXPECT_EQ(trend.divisions(), d.stored) << d.set;
    }
    trend.setDivisions(20);
    const struct {
        int added;
        int stored;
    } values[] = {{150, 100}, {-5, 0}, {42, 42}, {100, 100}, {0, 0}};
    for (const auto& v : values) {
        trend.AddValue(v.added);
        EXPECT_EQ(trend.Values[19], v.stored) << v.added;
    }
}

TEST(TTrend, DemonstrationValuesStayInsideTheScaleAndClearingEmptiesOnlyTheShownPart) {
    qm::test::qtApp();
    TTrend trend;
    EXPECT_EQ(trend.divisions(), 20);
    EXPECT_EQ(trend.style(), TTrendStyle::tsBar);
    for (int i = 0; i < TTrend::kCapacity; ++i) {
        EXPECT_GE(trend.Values[static_cast<size_t>(i)], 0);
        EXPECT_LT(trend.Values[static_cast<size_t>(i)], 100);
        EXPECT_GE(trend.TwinValues[static_cast<size_t>(i)], 0);
        EXPECT_LE(trend.TwinValues[static_cast<size_t>(i)],
                  std::max(0, trend.Values[static_cast<size_t>(i)] - 1));
    }
    trend.Values[20] = 77;
    trend.TwinValues[0] = 55;
    trend.ClearValues();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(trend.Values[static_cast<size_t>(i)], 0);
    EXPECT_EQ(trend.Values[20], 77);
    EXPECT_EQ(trend.TwinValues[0], 55);
}

TEST(TTrend, HundredSamplesShowInOrderOldestLeftAndShiftingLeavesTwinsAlone) {
    qm::test::qtApp();
    TTrend trend;
    trend.setDivisions(100);
    trend.TwinValues[5] = 9;
    for (int i = 0; i < 100; ++i)
        trend.AddValue(i);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(trend.Values[static_cast<size_t>(i)], i);
    trend.AddValue(100);
    EXPECT_EQ(trend.Values[0], 1);
    EXPECT_EQ(trend.Values[99], 100);
    EXPECT_EQ(trend.TwinValues[5], 9);
}

TEST(TTrend, HeightMappingPutsTheScaleThreePixelsInsideTheFrame) {
    qm::test::qtApp();
    TTrend trend;
    EXPECT_EQ(trend.heightOf(0, 30), 3);
    EXPECT_EQ(trend.heightOf(100, 30), 27);
    EXPECT_EQ(trend.heightOf(50, 30), 15);
    EXPECT_EQ(trend.heightOf(33, 30), 24 * 33 / 100 + 3); // truncating division
    trend.setMaxVal(0);                                   // a zero range must not divide by 0
    EXPECT_EQ(trend.heightOf(5, 30), 3);
    // x(0) is 3 + Round(step) div 2; Round takes halves to the even neighbour.
    EXPECT_EQ(TTrend::lineX(0, 1.93), 4);
    EXPECT_EQ(TTrend::lineX(1, 2.5), 6);  // 3 + 2.5 + 1 = 6.5 -> 6
    EXPECT_EQ(TTrend::lineX(3, 2.5), 12); // 3 + 7.5 + 1 = 11.5 -> 12
}

TEST(TTrend, LineStyleDrawsTheLatestSampleAtItsHeightInsideAWhiteFramedField) {
    qm::test::qtApp();
    TTrend trend;
    trend.setDivisions(100);
    trend.setStyle(TTrendStyle::tsLine);
    trend.setColor(Qt::black);
    trend.ClearValues();
    trend.AddValue(100);
    const int w = 206, h = 40;
    const QImage chart = trend.renderChart(w, h);
    EXPECT_EQ(chart.pixelColor(0, 0), QColor(Qt::black));         // frame
    EXPECT_EQ(chart.pixelColor(w - 1, h - 1), QColor(Qt::black)); // frame
    EXPECT_EQ(chart.pixelColor(w / 2, 10), QColor(Qt::white));    // field
    const double step = (w - 6) / 100.0;
    EXPECT_EQ(chart.pixelColor(TTrend::lineX(99, step), 3), QColor(Qt::black));
    EXPECT_EQ(chart.pixelColor(TTrend::lineX(50, step), h - 3), QColor(Qt::black));
    // Every style paints without leaving the picture, also with value texts and twins.
    for (TTrendStyle s :
         {TTrendStyle::tsBar, TTrendStyle::tsScatter, TTrendStyle::ts3D, TTrendStyle::tsFilled}) {
        trend.setStyle(s);
        trend.setOptions({qm::app::TTrendOption::toValues, qm::app::TTrendOption::toTwin});
        EXPECT_EQ(trend.renderChart(w, h).size(), QSize(w, h));
    }
}

TEST(TTrend, ShadeClampsEachChannel) {
    EXPECT_EQ(TTrend::Shade(QColor(10, 100, 250), 60), QColor(70, 160, 255));
    EXPECT_EQ(TTrend::Shade(QColor(10, 100, 250), -60), QColor(0, 40, 190));
}

TEST(Speedometer, SlowRowRaisesTheScaleAndHiddenWindowRecordsNothing) {
    qm::test::qtApp();
    qm::app::SpeedometerWindow window;
    TTrend* chart = window.chart();
    EXPECT_EQ(window.windowTitle(), "Speed'o'meter");
    EXPECT_EQ(chart->divisions(), 100);
    EXPECT_EQ(chart->style(), TTrendStyle::tsLine);
    chart->ClearValues();
    window.rowRendered(250);
    EXPECT_EQ(chart->maxVal(), 100);
    EXPECT_EQ(chart->Values[99], 0);
    window.toggle();
    ASSERT_TRUE(window.isVisible());
    window.rowRendered(250);
    EXPECT_EQ(chart->maxVal(), 250);
    EXPECT_EQ(chart->Values[99], 250);
    EXPECT_EQ(chart->heightOf(250, 30), 27); // drawn at the top of the scale
    window.rowRendered(20);
    EXPECT_EQ(chart->maxVal(), 250); // never lowered
    EXPECT_EQ(chart->Values[98], 250);
    EXPECT_EQ(chart->Values[99], 20);
    // An aqua line on a black field.
    const QImage drawn = chart->renderChart(199, 30);
    EXPECT_EQ(drawn.pixelColor(100, 5), QColor(Qt::black));
    int aqua = 0;
    for (int y = 1; y < 29; ++y)
        aqua += drawn.pixelColor(150, y) == QColor(Qt::cyan);
    EXPECT_GT(aqua, 0);
}

TEST(TThreadedTimer, TicksOnTheMainThreadOnlyWhileEnabledWithHandlerAndInterval) {
    qm::test::qtApp();
    qm::app::TThreadedTimer timer;
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_FALSE(timer.running()); // no OnTimer yet
    timer.setInterval(5);
    EXPECT_FALSE(timer.running());
    int ticks = 0;
    bool onMainThread = true;
    timer.setOnTimer([&](qm::app::TThreadedTimer&) {
        ++ticks;
        onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
    });
    EXPECT_TRUE(timer.running());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
    EXPECT_TRUE(onMainThread);

    timer.setInterval(0);
    EXPECT_FALSE(timer.running());
    QTest::qWait(30);
    const int stopped = ticks;
    QTest::qWait(30);
    EXPECT_EQ(ticks, stopped);

    timer.setInterval(5);
    EXPECT_TRUE(timer.running());
    timer.setEnabled(false);
    EXPECT_FALSE(timer.running());
    timer.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > stopped; }, 5000));
}

TEST(TThreadedTimer, BusyMainThreadDelaysTicksWithoutPilingThemUp) {
    qm::test::qtApp();
    std::atomic<int> ticks = 0;
    {
        qm::app::TThreadedTimer timer;
        timer.setInterval(1);
        timer.setOnTimer([&](qm::app::TThreadedTimer&) { ++ticks; });
        QThread::msleep(60); // the main thread is busy: at most one tick can be waiting
        QCoreApplication::processEvents();
        EXPECT_LE(ticks.load(), 1);
        // Destruction with a tick handed over but not yet run must neither hang nor tick.
        QThread::msleep(10);
    }
    const int after = ticks.load();
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks.load(), after);
}

TEST(TThreadedTimer, ThrowingHandlerDoesNotStopTheThread) {
    qm::test::qtApp();
    qm::app::TThreadedTimer timer;
    timer.setInterval(2);
    int calls = 0;
    QString reported;
    qm::app::setErrorPresenter([&](const QString& m) { reported = m; });
    timer.setOnTimer([&](qm::app::TThreadedTimer&) {
        ++calls;
        qm::app::runCommand([] { throw qm::EZeroDivide(); });
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls >= 2; }, 5000));
    EXPECT_EQ(reported, "Floating point division by zero");
    qm::app::setErrorPresenter({});
}

qm::image::TPixelGraphic numberedPicture(int w, int h) {
    qm::image::TPixelGraphic p(w, h, qm::image::PixelFormat::Bits24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.SetPixel(x, y, static_cast<qm::ColourValue>(0x10000 + y * 256 + x + 1));
    return p;
}

TEST(Loupe, CopiesTheSquareAroundThePointerEnlargedThreeTimes) {
    qm::test::qtApp();
    qm::app::LoupeWindow loupe;
    const auto source = numberedPicture(64, 48);
    const qm::fractal::PixelSteps noSteps;
    EXPECT_FALSE(loupe.updateFrom(source, 20, 20, 1000, noSteps, {})); // hidden
    loupe.toggle();
    ASSERT_TRUE(loupe.isVisible());
    ASSERT_TRUE(loupe.updateFrom(source, 20, 20, 1000, noSteps, {}));
    const auto& pic = loupe.picture();
    EXPECT_EQ(pic.width(), 76);
    EXPECT_EQ(pic.pixel(0, 0), source.pixel(8, 8));
    EXPECT_EQ(pic.pixel(74, 74), source.pixel(32, 32));
    EXPECT_EQ(pic.pixel(75, 75), 0u); // outside the 75 x 75 square: cleared
    // No render yet (steps 0): the labels keep their text.
    EXPECT_EQ(loupe.upperLabel()->text(), "0.00000");
    EXPECT_EQ(loupe.lowerLabel()->text(), "0.00000");

    // At most one update per 20 ms.
    EXPECT_FALSE(loupe.updateFrom(source, 0, 0, 1020, noSteps, {}));
    // Pointer at the top left corner: the square starts 12 pixels outside the picture.
    const qm::fractal::PixelSteps steps{0.0125, 0.0125};
    const qm::fractal::View view{-2.0, 2.0, -1.5, 1.5};
    ASSERT_TRUE(loupe.updateFrom(source, 0, 0, 1021, steps, view));
    EXPECT_EQ(pic.pixel(35, 35), 0u);
    EXPECT_EQ(pic.pixel(36, 36), source.pixel(0, 0));
    EXPECT_EQ(loupe.upperLabel()->text(), "-2");
    EXPECT_EQ(loupe.lowerLabel()->text(), "1.5");
    ASSERT_TRUE(loupe.updateFrom(source, 10, 8, 1100, steps, view));
    EXPECT_EQ(loupe.upperLabel()->text(), QString::fromStdString(qm::formatNumber(-1.875)));
    EXPECT_EQ(loupe.lowerLabel()->text(), QString::fromStdString(qm::formatNumber(1.4)));
}

TEST(Loupe, BlinksWhileShownAndTheTimerStopsAtTheFirstTickAfterHiding) {
    qm::test::qtApp();
    qm::app::LoupeWindow loupe;
    auto& timer = loupe.blinkTimer();
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_EQ(timer.threadPriority(), qm::app::TThreadPriority::tpLowest);
    EXPECT_FALSE(timer.running());
    loupe.toggle();
    EXPECT_TRUE(timer.running());
    loupe.Timer1Timer(timer);
    EXPECT_EQ(loupe.labelColour(), QColor(Qt::white));
    EXPECT_EQ(loupe.upperLabel()->palette().color(QPalette::WindowText), QColor(Qt::white));
    loupe.Timer1Timer(timer);
    EXPECT_EQ(loupe.lowerLabel()->palette().color(QPalette::WindowText), QColor(Qt::black));
    loupe.hide(); // its own close box: the timer runs on until its next tick
    EXPECT_TRUE(timer.running());
    loupe.Timer1Timer(timer);
    EXPECT_FALSE(timer.running());
    EXPECT_EQ(loupe.labelColour(), QColor(Qt::black));
    loupe.toggle();
    EXPECT_TRUE(timer.running());
    loupe.toggle();
    EXPECT_FALSE(timer.running());
}

TEST(ErrorHandler, ReportsTheMessageOfAnyErrorAndStopsTheCommand) {
    qm::test::qtApp();
    QStringList shown;
    qm::app::setErrorPresenter([&](const QString& m) { shown << m; });
    bool after = false;
    EXPECT_FALSE(qm::app::runCommand([&] {
        throw qm::EConvertError::invalidFloat("1,5");
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_FALSE(qm::app::runCommand([] { throw std::runtime_error("disk gone"); }));
    EXPECT_TRUE(qm::app::runCommand([] {}));
    qm::app::setErrorPresenter({});
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], "'1,5' is not a valid floating point value");
    EXPECT_EQ(shown[1], "disk gone");
}

TEST(ErrorHandler, NumbersUseAPointWhateverTheRegion) {
    qm::test::qtApp();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    qm::app::useDecimalPoint();
    EXPECT_EQ(QLocale().toString(1.5), "1.5");
    EXPECT_EQ(QString::asprintf("%.1f", 2.5), "2.5");
}

} // namespace
