// Printing a picture on one page, turned to the page orientation that suits its shape.
#pragma once

#include <QPageLayout>

class QImage;
class QPrinter;
class QWidget;

namespace qm::image {
class TPixelGraphic;
}

namespace qm::app {

// Landscape for a wide picture, portrait for a tall one, the current one for a square.
QPageLayout::Orientation pictureOrientation(const QImage& picture,
                                            QPageLayout::Orientation current);

// Prints the picture scaled to fit the page with the orientation above; the printer's previous
// orientation is restored afterwards. Returns false when the printer could not start (or the
// picture is empty); nothing is printed then.
bool printPicture(QPrinter& printer, const QImage& picture);

// "&Print...": asks with the print dialog first; false when cancelled or printing failed.
bool printPictureWithDialog(QWidget* parent, QPrinter& printer,
                            const image::TPixelGraphic& picture);

// "P&rint Setup...": the page set-up dialog on the same printer.
void printSetup(QWidget* parent, QPrinter& printer);

} // namespace qm::app
