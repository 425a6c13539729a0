// Reporting of errors that escape commands, and the process-wide decimal point.
#include "app/shell/error_handler.h"

#include "engine/core/errors.h"

#include <QLocale>
#include <QMessageBox>
#include <clocale>

namespace qm::app {

namespace {

ErrorPresenter& presenter() {
    static ErrorPresenter p;
    return p;
}

} // namespace

void setErrorPresenter(ErrorPresenter p) {
    presenter() = std::move(p);
}

void reportError(const std::exception& error) {
    const auto* own = dynamic_cast<const qm::Exception*>(&error);
    const QString message = QString::fromStdString(own != nullptr ? own->message() : error.what());
    if (presenter()) {
        presenter()(message);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          message);
}

bool runCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
}

QuillmoraApplication::QuillmoraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QuillmoraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
}

void useDecimalPoint() {
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

} // namespace qm::app
