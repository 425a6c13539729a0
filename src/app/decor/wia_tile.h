// TwiaTile: a background that fills itself with copies of one picture, plain, transparent or
// faded to a silhouette.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace qm::app {

enum TwiaTileMode { tmFaded, tmTransparent, tmNormal };

class TwiaTile : public QWidget {
    Q_OBJECT
public:
    explicit TwiaTile(QWidget* parent = nullptr);

    const QImage& Image() const { return image_; }
    // Also takes the picture's transparent colour (its bottom-left pixel) as TranColor.
    void setImage(const QImage& image);
    TwiaTileMode TileMode() const { return mode_; }
    void setTileMode(TwiaTileMode mode);
    QColor TranColor() const { return tranColor_; }
    void setTranColor(const QColor& c);
    QColor FadeColor() const { return fadeColor_; }
    void setFadeColor(const QColor& c);
    bool Transparent() const { return mode_ != tmNormal; }
    void setTransparent(bool on) { setTileMode(on ? tmTransparent : tmNormal); }
    bool Faded() const { return mode_ == tmFaded; }
    void setFaded(bool on);

    // Follow the parent's client area (the default) or only its height at the left edge.
    void setAlignClient(bool on);

    // The working pictures: mask (TranColor pixels white, others black) and what a tile shows.
    const QImage& mask() const { return mask_; }
    const QImage& display() const { return display_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void prepare();
    void follow();
    QImage image_;
    TwiaTileMode mode_ = tmFaded;
    QColor tranColor_;
    QColor fadeColor_;
    bool alignClient_ = true;
    QImage mask_;
    QImage display_;
};

} // namespace qm::app
