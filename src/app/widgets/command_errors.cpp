// The reporter of command errors, a standard error box unless the main window sets another.
#include "app/widgets/command_errors.h"

#include "engine/core/errors.h"

#include <QApplication>
#include <QMessageBox>

namespace qm::app {

namespace {
CommandErrorReporter& reporter() {
    static CommandErrorReporter instance;
    return instance;
}
} // namespace

void setCommandErrorReporter(CommandErrorReporter r) {
    reporter() = std::move(r);
}

void reportCommandError(const std::exception& error) {
    if (reporter()) {
        reporter()(error);
        return;
    }
    const auto* own = dynamic_cast<const Exception*>(&error);
    const QString message = QString::fromStdString(own ? own->message() : error.what());
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
}

} // namespace qm::app
