// Hosting the main window in a gradient-captioned frame.
#include "app/shell/main_frame.h"

#include "app/shell/main_window.h"

#include <QCloseEvent>

namespace qm::app {

MainFrame::MainFrame(int startupWaitMs) : TGradientForm(nullptr) {
    setObjectName("mainFrame");
    main_ = new Tmain(nullptr, startupWaitMs);
    // The stored placement was applied to the main window while it was still a window.
    setGeometry(main_->geometry());
    setCaption(main_->windowTitle());
    setWindowIcon(main_->windowIcon());
    setBody(main_);
    main_->show();
    setMdiArea(main_->mdiArea());
    connect(main_, &QWidget::windowTitleChanged, this, &TGradientForm::setCaption);
    connect(main_, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);
    // "Exit" and every other way the main window closes take the frame with it.
    connect(main_, &Tmain::closed, this, [this] {
        mainClosed_ = true;
        close();
    });
}

MainFrame::~MainFrame() {
    // The main window goes first, so its documents close while the frame is still whole.
    delete main_;
}

void MainFrame::showWithPlacement() {
    if (main_ != nullptr) main_->showWithPlacement();
}

void MainFrame::closeEvent(QCloseEvent* e) {
    if (!mainClosed_ && main_ != nullptr) mainClosed_ = main_->close();
    if (mainClosed_ || main_ == nullptr)
        e->accept();
    else
        e->ignore();
}

} // namespace qm::app
