// Program entry of the Quillmora desktop application.
#include "app/shell/main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Quillmora");
    QApplication::setApplicationName("Quillmora");
    qm::app::Tmain window;
    window.show();
    return QApplication::exec();
}
