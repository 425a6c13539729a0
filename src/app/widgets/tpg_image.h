// TPGImage: the picture view of a document (and the loupe): the picture fitted into the control
// keeping its aspect ratio and centred, with a rubber-band selection in picture pixels.
#pragma once

#include "engine/image/pixel_graphic.h"

#include <QTimer>
#include <QWidget>
#include <memory>

namespace qm::app {

class TPGImage : public QWidget {
    Q_OBJECT
public:
    explicit TPGImage(QWidget* parent = nullptr);
    ~TPGImage() override;

    // The shown picture; the view owns it. Call Changed() on it after editing so the view
    // repaints (the view listens to its change notification).
    image::TPixelGraphic& PixelGraphic() { return *picture_; }
    const image::TPixelGraphic& PixelGraphic() const { return *picture_; }
    // A copy of the shown picture, owned by the caller.
    image::TPixelGraphic copyPicture() const { return *picture_; }
    // Replaces the shown picture's content with a copy of `picture` and repaints.
    void setPixelGraphic(const image::TPixelGraphic& picture);
    int pictureWidth() const { return picture_->width(); }
    int pictureHeight() const { return picture_->height(); }

    // Whether the user may create, move and resize a selection (the document view: yes; the
    // loupe: no).
    void setSelectionEnabled(bool enabled) { selectionEnabled_ = enabled; }

    bool Selection() const { return selection_; }
    // Setting true starts the animation of the current rectangle; false removes the selection.
    void setSelection(bool on);
    int SelectionLeft() const { return selLeft_; }
    int SelectionTop() const { return selTop_; }
    int SelectionWidth() const { return selWidth_; }
    int SelectionHeight() const { return selHeight_; }
    // Sets the rectangle (picture pixels), shows the selection and raises OnSelectionChange.
    void setSelectionRect(int left, int top, int width, int height);

    // Detaching the selection-change handler: while detached OnSelectionChange is not emitted.
    void setSelectionChangeAttached(bool attached) { changeAttached_ = attached; }
    bool selectionChangeAttached() const { return changeAttached_; }

    // The picture rectangle inside the control (fitted, centred) and the conversions between
    // control positions and picture pixels.
    QRectF pictureRect() const;
    QPoint toPicture(QPointF widgetPos) const;
    QPointF toWidget(QPointF picturePos) const;

    // The animation phase of the selection outline (advances every 50 ms).
    int animationPhase() const { return phase_; }

signals:
    // While the user creates, moves or resizes the selection, and when the program sets it.
    void OnSelectionChange();
    // When the user releases the mouse after creating, moving or resizing (also after a click
    // that removed the selection).
    void OnSelectionMade();
    // Mouse over the picture, position in picture pixels.
    void PicBoxOnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    void PicBoxOnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Drag { None, Create, Move, Resize };
    void pictureChanged();
    void emitChange();
    Drag hitTest(QPoint picturePos) const;

    std::unique_ptr<image::TPixelGraphic> picture_;
    bool selectionEnabled_ = true;
    bool selection_ = false;
    int selLeft_ = 0, selTop_ = 0, selWidth_ = 0, selHeight_ = 0;
    bool changeAttached_ = true;
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    QRect dragOrigin_;
    QTimer animation_;
    int phase_ = 0;
};

} // namespace qm::app
