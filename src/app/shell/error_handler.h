// The application-wide error handler: an error escaping any command is shown in a standard
// error box with its message, and the command stops there.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace qm::app {

// Shows an error's message (a qm::Exception's own message, else what()). Tests replace the box.
using ErrorPresenter = std::function<void(const QString& message)>;
void setErrorPresenter(ErrorPresenter presenter);
void reportError(const std::exception& error);
// Runs a command, reporting what it throws; returns false when it failed.
bool runCommand(const std::function<void()>& command);

class QuillmoraApplication : public QApplication {
    Q_OBJECT
public:
    QuillmoraApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// "." as decimal separator whatever the user's regional settings: the C numeric locale for
// the runtime and the C locale for Qt's own number texts.
void useDecimalPoint();

} // namespace qm::app
