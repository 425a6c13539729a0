// The modal "Plasma Editor": a grey view of PlasmaBuffer, the generator's two fields and "Render".
#pragma once

#include "engine/shared/shared_colour_data.h"

#include <QDialog>
#include <QImage>

class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace qm::app {

class Tplasmaform : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Plasma Editor";
    static constexpr int kClientWidth = 329;
    static constexpr int kClientHeight = 290;

    // The fields start at their defaults whatever the generator settings hold.
    explicit Tplasmaform(SharedColourData& colours, QWidget* parent = nullptr);

    // The main window's "Plasma Editor" command: a new editor, shown modally and released.
    static void showEditor(SharedColourData& colours, QWidget* parent);

    // The 320 x 240 grey picture shown in the view.
    const QImage& picture() const { return picture_; }

public slots:
    void RxSpeedButton1Click(); // "Render"
    void RxSpinEdit1Change();   // either field

private:
    void FormCreate();
    void drawPicture();

    SharedColourData& data_;
    QDoubleSpinBox* noise_ = nullptr;
    QSpinBox* brightness_ = nullptr;
    QLabel* view_ = nullptr;
    QImage picture_;
};

} // namespace qm::app
