// Picture printing with the automatic orientation rule, and the two print dialogs.
#include "app/decor/print_picture.h"

#include "app/editors/filter_dialog_window.h"
#include "engine/image/pixel_graphic.h"

#include <QImage>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace qm::app {

QPageLayout::Orientation pictureOrientation(const QImage& picture,
                                            QPageLayout::Orientation current) {
    if (picture.width() > picture.height()) return QPageLayout::Landscape;
    if (picture.height() > picture.width()) return QPageLayout::Portrait;
    return current;
}

bool printPicture(QPrinter& printer, const QImage& picture) {
    if (picture.isNull()) return false;
    const QPageLayout::Orientation previous = printer.pageLayout().orientation();
    printer.setPageOrientation(pictureOrientation(picture, previous));
    bool printed = false;
    {
        QPainter painter;
        if (painter.begin(&printer)) {
            const QRect page = painter.viewport();
            QRect target(QPoint(), picture.size().scaled(page.size(), Qt::KeepAspectRatio));
            target.moveCenter(page.center());
            painter.drawImage(target, picture);
            printed = painter.end();
        }
    }
    printer.setPageOrientation(previous);
    return printed;
}

bool printPictureWithDialog(QWidget* parent, QPrinter& printer,
                            const image::TPixelGraphic& picture) {
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    return printPicture(printer, pictureToImage(picture));
}

void printSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    dialog.exec();
}

} // namespace qm::app
