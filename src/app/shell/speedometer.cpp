// The speedometer window and how rendered rows feed its chart.
#include "app/shell/speedometer.h"

namespace qm::app {

SpeedometerWindow::SpeedometerWindow(QWidget* parent) : QDockWidget("Speed'o'meter", parent) {
    setObjectName("Toolbar971");
    setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    Trend1 = new TTrend(this);
    Trend1->setObjectName("Trend1");
    Trend1->setStatusTip("Shows the time needed to calculate per line");
    Trend1->setToolTip(QString());
    // An aqua line on black.
    Trend1->setFieldColor(Qt::black);
    Trend1->setColor(Qt::cyan);
    Trend1->setMinVal(0);
    Trend1->setMaxVal(100);
    Trend1->setDivisions(100);
    Trend1->setStyle(TTrendStyle::tsLine);
    Trend1->setColorBase(Qt::cyan);
    Trend1->setMinimumSize(199, 30);
    Trend1->resize(199, 30);
    setWidget(Trend1);
    setFloating(true);
    hide();
}

void SpeedometerWindow::rowRendered(int elapsedMs) {
    if (!isVisible()) return;
    if (Trend1->maxVal() < elapsedMs) Trend1->setMaxVal(elapsedMs);
    Trend1->AddValue(elapsedMs);
}

} // namespace qm::app
