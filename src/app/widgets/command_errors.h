// Where the controls and document windows send an error that stops one of their commands; the
// main window points this at the application's error handler.
#pragma once

#include <exception>
#include <functional>

namespace qm::app {

using CommandErrorReporter = std::function<void(const std::exception& error)>;

// Replaces the reporter; an empty one restores the default (a standard error box).
void setCommandErrorReporter(CommandErrorReporter reporter);
void reportCommandError(const std::exception& error);

// Runs a command of a menu item or button; what it throws is reported and the command ends.
template <class F> void runGuarded(F&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        reportCommandError(e);
    }
}

} // namespace qm::app
