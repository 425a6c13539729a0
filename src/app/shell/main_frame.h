// MainFrame: the gradient-captioned top-level window that hosts Tmain as its body.
#pragma once

#include "app/decor/gradient_form.h"
#include "app/shell/main_window.h"

#include <QPointer>

namespace qm::app {

class MainFrame : public TGradientForm {
    Q_OBJECT
public:
    // Builds the main window (see Tmain for `startupWaitMs`) and takes it in as the body, at
    // the main window's stored placement.
    explicit MainFrame(int startupWaitMs = 0);
    ~MainFrame() override;

    Tmain* mainWindow() const { return main_; }
    // Shows the frame at the main window's stored placement.
    void showWithPlacement();

protected:
    // The caption's close box closes the main window first, which may store its state.
    void closeEvent(QCloseEvent* e) override;

private:
    QPointer<Tmain> main_;
    bool mainClosed_ = false;
};

} // namespace qm::app
