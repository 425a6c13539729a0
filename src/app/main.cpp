// Program entry of the Quillmora desktop application.
#include "app/shell/error_handler.h"
#include "app/shell/main_window.h"

int main(int argc, char** argv) {
    qm::app::QuillmoraApplication app(argc, argv);
    QApplication::setOrganizationName("Quillmora");
    QApplication::setApplicationName("Quillmora");
    QApplication::setApplicationDisplayName("Quillmora");
    // The start-up screen shows its three stages for half a second each.
    qm::app::Tmain window(nullptr, 500);
    window.showWithPlacement();
    return QApplication::exec();
}
