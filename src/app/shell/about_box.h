// The "About" box: product name, version, endlessly scrolling credits and "OK".
#pragma once

#include <QDialog>

class QTimer;

namespace qm::app {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kScrollMs = 100;
    explicit AboutBox(QWidget* parent = nullptr);
    // Pixels the credits have scrolled so far (wrapping round).
    int scrollOffset() const { return offset_; }
    bool scrolling() const;

protected:
    void done(int result) override;

private:
    QWidget* credits_ = nullptr;
    QTimer* timer_ = nullptr;
    int offset_ = 0;
};

} // namespace qm::app
