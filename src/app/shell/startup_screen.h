// The start-up screen shown while the main window prepares the shared data.
#pragma once

#include <QWidget>

class QLabel;

namespace qm::app {

class StartupScreen : public QWidget {
    Q_OBJECT
public:
    StartupScreen();

    void setStatus(const QString& text);
    QString status() const;

    // Keeps processing window messages for at least `ms` milliseconds so the screen is painted
    // and stays up. Only for start-up, before any command can run.
    static void wait(int ms);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* status_ = nullptr;
};

} // namespace qm::app
