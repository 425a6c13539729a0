// The start-up screen: a drawn picture with the product name and a status line.
#include "app/shell/startup_screen.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace qm::app {

StartupScreen::StartupScreen()
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen) {
    setObjectName("StartupScreen");
    setFixedSize(319, 208);
    status_ = new QLabel(this);
    status_->setObjectName("StatusLabel");
    status_->setGeometry(8, 184, 300, 18);
    status_->setStyleSheet("color: white;");
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void StartupScreen::setStatus(const QString& text) {
    status_->setText(text);
}

QString StartupScreen::status() const {
    return status_->text();
}

void StartupScreen::wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(ms - clock.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void StartupScreen::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient sky(0, 0, width(), height());
    sky.setColorAt(0.0, QColor(10, 10, 60));
    sky.setColorAt(0.6, QColor(90, 20, 110));
    sky.setColorAt(1.0, QColor(230, 120, 30));
    p.fillRect(rect(), sky);
    QFont font("Arial");
    font.setPixelSize(44);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    const QRect title(0, 50, width(), 70);
    p.setPen(QColor(20, 20, 20));
    p.drawText(title.translated(3, 3), Qt::AlignCenter, "Quillmora");
    p.setPen(QColor(192, 192, 192));
    p.drawText(title, Qt::AlignCenter, "Quillmora");
}

} // namespace qm::app
