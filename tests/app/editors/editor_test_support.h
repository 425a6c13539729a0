// Helpers of the editor tests: the test application, modal dialogs driven from a timer and a
// private settings directory.
#pragma once

#include "app/qt_test_app.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace qm::test {

// Runs `action` on the next modal widget once its event loop runs.
inline void whenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// Points the user settings at a fresh temporary directory for the life of the object.
class TemporarySettings {
public:
    TemporarySettings() {
        qtApp();
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

} // namespace qm::test
