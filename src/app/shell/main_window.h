// Tmain: the multiple-document frame window of the program.
#pragma once

#include <QMainWindow>

class QMdiArea;

namespace qm::app {

class Tmain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quillmora - v0.9";

    explicit Tmain(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdiArea_; }

private:
    QMdiArea* mdiArea_ = nullptr;
};

} // namespace qm::app
