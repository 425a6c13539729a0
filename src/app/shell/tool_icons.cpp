// Simple vector drawings for the eleven tool-bar buttons.
#include "app/shell/tool_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qm::app {

namespace {

void drawPage(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({{5, 2}, {14, 2}, {18, 6}, {18, 20}, {5, 20}}));
    p.drawLine(14, 2, 14, 6);
    p.drawLine(14, 6, 18, 6);
}

void drawDisk(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(40, 60, 160));
    p.drawRect(3, 3, 16, 16);
    p.setBrush(Qt::white);
    p.drawRect(6, 3, 10, 6);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(6, 12, 10, 7);
}

void drawFractal(QPainter& p, QRect r) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(20, 20, 120));
    g.setColorAt(0.5, QColor(240, 160, 40));
    g.setColorAt(1, QColor(120, 0, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(r);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(r.center()) + QPointF(1, 0), r.width() / 4.0, r.height() / 4.0);
    p.drawEllipse(QPointF(r.center()) - QPointF(r.width() / 4.0, 0), r.width() / 8.0,
                  r.height() / 8.0);
}

} // namespace

QIcon toolIcon(ToolIcon which) {
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case ToolIcon::New:
        drawPage(p);
        drawFractal(p, QRect(7, 9, 9, 9));
        break;
    case ToolIcon::Open:
        p.setPen(Qt::black);
        p.setBrush(QColor(230, 200, 90));
        p.drawPolygon(QPolygon({{2, 6}, {8, 6}, {10, 8}, {19, 8}, {19, 19}, {2, 19}}));
        p.setBrush(QColor(250, 225, 120));
        p.drawPolygon(QPolygon({{4, 11}, {21, 11}, {19, 19}, {2, 19}}));
        break;
    case ToolIcon::Save:
        drawDisk(p);
        break;
    case ToolIcon::SaveImage:
        drawDisk(p);
        drawFractal(p, QRect(11, 11, 10, 10));
        break;
    case ToolIcon::Print:
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(6, 2, 10, 8);
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(2, 9, 18, 8);
        p.setBrush(Qt::white);
        p.drawRect(6, 14, 10, 6);
        break;
    case ToolIcon::Plasma: {
        for (int y = 2; y < 20; y += 2)
            for (int x = 2; x < 20; x += 2) {
                const int v = 128 + ((x * 37 + y * 91 + x * y * 13) % 120) - 60;
                p.fillRect(x, y, 2, 2, QColor(v, v, v));
            }
        break;
    }
    case ToolIcon::Palette: {
        QLinearGradient g(2, 0, 20, 0);
        g.setColorAt(0, Qt::black);
        g.setColorAt(0.33, QColor(0, 0, 255));
        g.setColorAt(0.66, QColor(255, 128, 0));
        g.setColorAt(1, Qt::white);
        p.setPen(Qt::black);
        p.setBrush(g);
        p.drawRect(2, 6, 18, 10);
        break;
    }
    case ToolIcon::Filters:
        p.setPen(Qt::black);
        p.setBrush(QColor(120, 180, 240));
        p.drawPolygon(QPolygon({{2, 3}, {20, 3}, {13, 11}, {13, 19}, {9, 17}, {9, 11}}));
        break;
    case ToolIcon::Loupe:
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(QPoint(9, 9), 6, 6);
        p.setPen(QPen(QColor(120, 70, 20), 3));
        p.drawLine(14, 14, 20, 20);
        break;
    case ToolIcon::Speedometer: {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRect(1, 3, 20, 16);
        p.setPen(QPen(QColor(0, 255, 255), 1.5));
        QPainterPath path(QPointF(2, 15));
        const int ys[] = {15, 12, 13, 8, 10, 6, 9, 7};
        for (int k = 0; k < 8; ++k)
            path.lineTo(2 + k * 2.6, ys[k]);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        break;
    }
    case ToolIcon::Overview:
        p.setPen(Qt::black);
        p.setBrush(QColor(255, 255, 200));
        p.drawEllipse(2, 2, 18, 18);
        p.setFont(QFont("Sans", 11, QFont::Bold));
        p.drawText(QRect(2, 2, 18, 18), Qt::AlignCenter, "?");
        break;
    }
    return QIcon(pm);
}

} // namespace qm::app
