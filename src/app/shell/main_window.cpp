// The frame window: menus and tool bar as the command table gives them, the status bar that
// shows the hint under the pointer, the window list and "New".
#include "app/shell/main_window.h"

#include "app/shell/tool_icons.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

namespace qm::app {

Tmain::Tmain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("main");
    setWindowTitle(kCaption);
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("mdiArea");
    setCentralWidget(mdiArea_);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(true);
    buildMenus();
    buildToolBar();
    resize(800, 600);
}

QAction* Tmain::addItem(QMenu* menu, const char* objectName, const QString& caption,
                        const QKeySequence& shortcut) {
    auto* action = menu->addAction(caption);
    action->setObjectName(objectName);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

void Tmain::buildMenus() {
    auto* bar = menuBar();

    auto* file = bar->addMenu("&File");
    file->setObjectName("File1");
    connect(addItem(file, "New1", "New", QKeySequence("Ctrl+N")), &QAction::triggered, this,
            &Tmain::new1click);
    auto* duplicate = addItem(file, "Duplicate1", "Duplicate");
    duplicate->setVisible(false);
    duplicate->setEnabled(false);
    file->addSeparator();
    addItem(file, "Open1", "Load Parameters", QKeySequence("Ctrl+L"));
    addItem(file, "Save1", "Save Parameters", QKeySequence("Ctrl+S"));
    addItem(file, "SaveAs1", "Save Image", QKeySequence("Ctrl+I"));
    addItem(file, "LoadImagetoBuffer1", "Load Image to &Buffer")->setVisible(false);
    auto* reopen = file->addMenu("Reopen");
    reopen->setObjectName("Reopen1");
    reopen->menuAction()->setEnabled(false);
    file->addSeparator();
    auto* import = file->addMenu("Import");
    import->setObjectName("Import1");
    addItem(import, "ImportFractalFun1", "Fractal Fun File")->setEnabled(false);
    addItem(import, "IterationsFile1", "Iterations File")->setEnabled(false);
    import->menuAction()->setVisible(false);
    auto* exportMenu = file->addMenu("Export");
    exportMenu->setObjectName("Export1");
    addItem(exportMenu, "FractalFun1", "Fractal Fun File");
    exportMenu->menuAction()->setVisible(false);
    file->addSeparator()->setVisible(false);
    addItem(file, "Print1", "&Print...", QKeySequence("Ctrl+P"));
    addItem(file, "PrintSetup1", "P&rint Setup...");
    file->addSeparator();
    connect(addItem(file, "Exit1", "E&xit", QKeySequence("Ctrl+Q")), &QAction::triggered, this,
            &Tmain::Exit1Click);

    auto* tools = bar->addMenu("&Tools");
    tools->setObjectName("Tools1");
    addItem(tools, "plasma1", "&Plasma Editor");
    addItem(tools, "palette1", "Palette &Editor");
    addItem(tools, "loupe1", "&Loupe");
    addItem(tools, "speed1", "&Speedometer");

    auto* filters = bar->addMenu("&Filters");
    filters->setObjectName("Filters1");
    addItem(filters, "rgb1", "Red/Green/Blue");
    addItem(filters, "cmy1", "Cyan/Magenta/Yellow");
    addItem(filters, "hls1", "Hue/Luminance/Saturation ");
    addItem(filters, "bcg1", "Brightness/Contrast/Gamma");
    filters->addSeparator();
    addItem(filters, "Smooth1", "Smooth");
    addItem(filters, "blur1", "Blur");
    addItem(filters, "detail1", "Details");
    addItem(filters, "Sharpen1", "Sharpen");
    addItem(filters, "Contours1", "Contours");

    windowsMenu_ = bar->addMenu("&Windows");
    windowsMenu_->setObjectName("Windows1");
    connect(windowsMenu_, &QMenu::aboutToShow, this, &Tmain::rebuildWindowMenu);
    rebuildWindowMenu();

    auto* help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    addItem(help, "Contents1", "Help..", QKeySequence(Qt::Key_F1));
    addItem(help, "overview1", "O&verview");
    help->addSeparator();
    addItem(help, "About1", "&About...");

    // The pop-up of the tool button "Filters".
    filterPopup_ = new QMenu(this);
    filterPopup_->setObjectName("FilterPopup");
    auto* colour = filterPopup_->addMenu("Color Filters");
    addItem(colour, "rgb2", "Red / Green / Blue");
    addItem(colour, "cmy2", "Cyan / Magenta / Yellow");
    addItem(colour, "bcg2", "Brigthness / Contrast / Gamma");
    addItem(colour, "hls2", "Hue / Luminace / Saturation");
    addItem(colour, "hsv2", "HSV")->setVisible(false);
    auto* other = filterPopup_->addMenu("Other Filters");
    addItem(other, "blur2", "Blur");
    addItem(other, "Smooth2", "Smooth");
    addItem(other, "detail2", "Details");
    addItem(other, "Sharpen2", "Sharpen");
    addItem(other, "Contours2", "Contours");
}

void Tmain::buildToolBar() {
    toolBar_ = addToolBar("Tools");
    toolBar_->setObjectName("ToolBar1");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(22, 22));

    struct Button {
        const char* name;
        ToolIcon icon;
        const char* hint;
        const char* sameAs; // object name of the menu item it acts as
    };
    static const Button groups[3][6] = {
        {{"NewButton", ToolIcon::New, "Create new Mandelbrot Image", "New1"},
         {"OpenButton", ToolIcon::Open, "Open Parameters", "Open1"},
         {"SaveButton", ToolIcon::Save, "Save Parameters", "Save1"},
         {"SaveImageButton", ToolIcon::SaveImage, "Save Image", "SaveAs1"},
         {"PrintButton", ToolIcon::Print, "Print...", "Print1"},
         {nullptr, ToolIcon::New, nullptr, nullptr}},
        {{"PlasmaButton", ToolIcon::Plasma, "Plasma Editor", "plasma1"},
         {"PaletteButton", ToolIcon::Palette, "Palette Editor", "palette1"},
         {"FilterButton", ToolIcon::Filters, "Filters", nullptr},
         {"LoupeButton", ToolIcon::Loupe, "Loupe", "loupe1"},
         {"SpeedButton", ToolIcon::Speedometer, "Speedometer", "speed1"},
         {nullptr, ToolIcon::New, nullptr, nullptr}},
        {{"OverviewButton", ToolIcon::Overview, "Overview of modifiers, variables and function",
          "overview1"},
         {nullptr, ToolIcon::New, nullptr, nullptr}},
    };
    for (int g = 0; g < 3; ++g) {
        if (g > 0) toolBar_->addSeparator();
        for (const Button* b = groups[g]; b->name != nullptr; ++b) {
            auto* button = new QToolButton(toolBar_);
            button->setObjectName(b->name);
            button->setAutoRaise(true);
            button->setFixedSize(30, 30);
            button->setIcon(toolIcon(b->icon));
            button->setStatusTip(b->hint);
            if (b->sameAs != nullptr) {
                auto* item = findChild<QAction*>(b->sameAs);
                connect(button, &QToolButton::clicked, item, &QAction::trigger);
            } else {
                button->setMenu(filterPopup_);
                button->setPopupMode(QToolButton::InstantPopup);
            }
            toolBar_->addWidget(button);
        }
    }
}

void Tmain::rebuildWindowMenu() {
    windowsMenu_->clear();
    connect(addItem(windowsMenu_, "Windows2", "Tile"), &QAction::triggered, this,
            &Tmain::Windows2Click);
    connect(addItem(windowsMenu_, "Cascade1", "Cascade"), &QAction::triggered, this,
            &Tmain::Cascade1Click);
    const auto windows = mdiArea_->subWindowList();
    if (!windows.isEmpty()) windowsMenu_->addSeparator();
    int number = 1;
    for (QMdiSubWindow* w : windows) {
        auto* item = windowsMenu_->addAction(QString("&%1 %2").arg(number++).arg(w->windowTitle()));
        item->setCheckable(true);
        item->setChecked(w == mdiArea_->activeSubWindow());
        connect(item, &QAction::triggered, this, [this, w] { mdiArea_->setActiveSubWindow(w); });
    }
}

QMdiSubWindow* Tmain::createDocumentWindow() {
    auto* content = new QWidget;
    content->setMinimumSize(320, 240);
    auto* window = mdiArea_->addSubWindow(content);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

void Tmain::new1click() {
    ++newCounter_;
    QMdiSubWindow* window = createDocumentWindow();
    window->setWindowTitle(QString("New %1").arg(newCounter_));
    window->show();
}

void Tmain::Windows2Click() {
    mdiArea_->tileSubWindows();
}

void Tmain::Cascade1Click() {
    mdiArea_->cascadeSubWindows();
}

void Tmain::Exit1Click() {
    close();
}

void Tmain::showHint(const QString& hint) {
    statusBar()->showMessage(hint);
}

bool Tmain::event(QEvent* e) {
    // Every hint (control under the pointer, highlighted menu item) goes to the status bar and
    // stays there until the next one.
    if (e->type() == QEvent::StatusTip) {
        showHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

} // namespace qm::app
