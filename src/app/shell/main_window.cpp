// The frame window: caption and the document area.
#include "app/shell/main_window.h"

#include <QMdiArea>

namespace qm::app {

Tmain::Tmain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("main");
    setWindowTitle(kCaption);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("mdiArea");
    setCentralWidget(mdiArea_);
    resize(800, 600);
}

} // namespace qm::app
