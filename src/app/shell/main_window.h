// Tmain: the multiple-document frame window with its menus, tool bar and status bar.
#pragma once

#include <QMainWindow>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace qm::app {

class Tmain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quillmora - v0.9";

    explicit Tmain(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdiArea_; }
    // Number of documents made by "New" so far.
    int newDocumentCount() const { return newCounter_; }

public slots:
    void new1click();
    void Windows2Click();
    void Cascade1Click();
    void Exit1Click();

protected:
    // Makes the child window of a new document; its caption is set by the caller.
    virtual QMdiSubWindow* createDocumentWindow();
    bool event(QEvent* e) override;

private:
    void buildMenus();
    void buildToolBar();
    void rebuildWindowMenu();
    QAction* addItem(QMenu* menu, const char* objectName, const QString& caption,
                     const QKeySequence& shortcut = {});
    void showHint(const QString& hint);

    QMdiArea* mdiArea_ = nullptr;
    QMenu* windowsMenu_ = nullptr;
    QMenu* filterPopup_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    int newCounter_ = 0;
};

} // namespace qm::app
