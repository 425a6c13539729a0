// Building the tool-bar container and drawing its tile.
#include "app/decor/tool_panel.h"

#include <QPainter>
#include <QPainterPath>

namespace qm::app {

QImage toolTileImage() {
    QImage tile(57, 32, QImage::Format_RGB32);
    tile.fill(Qt::white);
    QPainter p(&tile);
    p.setPen(QPen(QColor(64, 64, 96), 2));
    QPainterPath curl;
    curl.moveTo(4, 28);
    curl.cubicTo(14, 2, 30, 2, 28, 16);
    curl.cubicTo(26, 26, 40, 30, 53, 6);
    p.drawPath(curl);
    p.drawEllipse(QPointF(42, 22), 3, 3);
    return tile;
}

ToolPanel makeToolPanel(QWidget* parent) {
    ToolPanel t;
    t.PanelManager1 = new TPanelManager(parent);
    t.PanelManager1->setObjectName("PanelManager1");
    t.MPanel1 = new TMPanel(t.PanelManager1);
    t.MPanel1->setObjectName("MPanel1");
    t.MPanel1->setFloatable(false);
    t.MPanel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    t.MPanel1->setLineWidth(1);
    t.MPanel1->resize(622, 34);
    t.wiaTile1 = new TwiaTile(t.MPanel1);
    t.wiaTile1->setObjectName("wiaTile1");
    t.wiaTile1->setAlignClient(false);
    t.wiaTile1->setGeometry(1, 1, 620, 32);
    t.wiaTile1->setImage(toolTileImage());
    t.wiaTile1->setTranColor(Qt::white);
    t.wiaTile1->lower();
    t.PanelManager1->layoutPanels();
    return t;
}

} // namespace qm::app
