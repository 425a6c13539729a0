// The "Speed'o'meter" tool window: the strip chart of milliseconds per rendered row.
#pragma once

#include "app/shell/trend.h"

#include <QDockWidget>

namespace qm::app {

class SpeedometerWindow : public QDockWidget {
    Q_OBJECT
public:
    explicit SpeedometerWindow(QWidget* parent = nullptr);

    TTrend* chart() const { return Trend1; }
    // One rendered row took `elapsedMs`: raises MaxVal to it when needed and appends it. Rows
    // rendered while the window is hidden are not recorded.
    void rowRendered(int elapsedMs);
    // "&Speedometer".
    void toggle() { setVisible(!isVisible()); }

private:
    TTrend* Trend1 = nullptr;
};

} // namespace qm::app
