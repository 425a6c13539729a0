// TAboutBox1: the "About" box on a gradient caption bar, with credits scrolling upward.
#pragma once

#include "app/decor/gradient_form.h"

class QEventLoop;
class QTimer;

namespace qm::app {

class TAboutBox1 : public TGradientForm {
    Q_OBJECT
public:
    static constexpr int kScrollMs = 100;
    explicit TAboutBox1(QWidget* parent = nullptr);

    // Shows the box modally, centred on the screen; returns 1 for "OK", 0 when closed otherwise.
    int exec();
    int result() const { return result_; }
    // Pixels the credits have scrolled (wrapping round at the end of the cycle).
    int scrollOffset() const { return offset_; }
    int cycleLength() const;
    bool scrolling() const;
    // One scroll step, as the timer does every 100 ms.
    void step();

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QWidget* credits_ = nullptr;
    QTimer* timer_ = nullptr;
    int offset_ = 0;
    int result_ = 0;
    QEventLoop* loop_ = nullptr;
};

} // namespace qm::app
