// The frame window: start-up, menus and tool bar as the command table gives them, the status bar
// that shows the hint under the pointer, the window list, documents, files, filters, printing,
// placement and the recent-files list.
#include "app/shell/main_window.h"

#include "app/decor/about_form.h"
#include "app/decor/help_window.h"
#include "app/decor/print_picture.h"
#include "app/decor/tool_panel.h"
#include "app/editors/filter_dialog_window.h"
#include "app/editors/formula_editor.h"
#include "app/editors/gradient_editor.h"
#include "app/editors/plasma_editor.h"
#include "app/editors/settings_preset_store.h"
#include "app/fractal/mandel_form.h"
#include "app/fractal/navigator.h"
#include "app/shell/error_handler.h"
#include "app/shell/loupe.h"
#include "app/shell/speedometer.h"
#include "app/shell/startup_screen.h"
#include "app/shell/tool_icons.h"
#include "app/widgets/command_errors.h"
#include "app/widgets/file_dialogs.h"
#include "app/widgets/mdi_placement.h"
#include "app/widgets/tpg_image.h"
#include "engine/image/colour_resolution.h"
#include "engine/image/filters/apply_filter.h"
#include "engine/params/fractal_fun_file.h"
#include "engine/params/parameter_file.h"
#include "engine/plasma/plasma_generator.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace qm::app {

namespace {

using image::FilterKind;

QSettings openSettings() {
    return QSettings(QSettings::defaultFormat(), QSettings::UserScope, "Quillmora", "Quillmora");
}

constexpr const char* kPlacementGroup = "General";
constexpr const char* kStoreParametersKey = "Options/StoreParametersInPictures";

size_t filterIndex(FilterKind kind) {
    return static_cast<size_t>(kind);
}

bool isColourFilter(FilterKind kind) {
    return kind == FilterKind::Rgb || kind == FilterKind::Cmy || kind == FilterKind::Hls ||
           kind == FilterKind::Hsv || kind == FilterKind::Bcg;
}

std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

// Four integers "%d,%d,%d,%d"; nothing when the text is not that.
std::optional<std::array<int, 4>> fourIntegers(const QString& text) {
    const QStringList parts = text.split(',');
    if (parts.size() != 4) return std::nullopt;
    std::array<int, 4> out{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        out[static_cast<size_t>(i)] = parts[i].trimmed().toInt(&ok);
        if (!ok) return std::nullopt;
    }
    return out;
}

// A floating tool window stays above the frame: it is transient for the frame (not for the
// hidden window the main window was before the frame took it in). It first shows at the
// workspace's top right corner, below the menu and tool bars, and later where it was hidden
// (by the command or by its own close box). Called before its visibility toggles;
// placeToolWindow after.
void prepareToolWindow(QWidget* tool, QWidget* workspace, int top) {
    if (tool->isVisible()) return;
    tool->winId();
    QWidget* frame = workspace->window();
    if (QWindow* handle = tool->windowHandle(); handle != nullptr && frame->windowHandle())
        handle->setTransientParent(frame->windowHandle());
    if (tool->property("place").isValid()) {
        tool->setProperty("place", tool->pos()); // a hidden window keeps its last position
        return;
    }
    tool->adjustSize();
    tool->setProperty("place",
                      workspace->mapToGlobal(QPoint(workspace->width() - tool->width() - 16, top)));
}

// The window manager places a newly mapped window by its own rules: move it where it belongs.
void placeToolWindow(QWidget* tool) {
    if (tool->isVisible()) tool->move(tool->property("place").toPoint());
}

// The file name as typed, with the extension of the chosen filter ("*.png") when it has none.
QString withFilterExtension(const QString& path, const QString& nameFilter) {
    if (!QFileInfo(path).suffix().isEmpty()) return path;
    const qsizetype star = nameFilter.indexOf("*.");
    if (star < 0) return path;
    const QString rest = nameFilter.mid(star + 2);
    const qsizetype end = rest.indexOf(QRegularExpression("[^A-Za-z0-9]"));
    const QString suffix = end < 0 ? rest : rest.left(end);
    return suffix.isEmpty() ? path : path + "." + suffix;
}

} // namespace

QStringList dialogFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << QString("%1 (%2)").arg(parts[i], patterns.simplified());
    }
    return out;
}

Tmain::Tmain(QWidget* parent, int startupWaitMs) : QMainWindow(parent) {
    setObjectName("main");
    setWindowTitle(kCaption);
    QGuiApplication::setApplicationDisplayName("Quillmora");
    ticks_.start();
    // Commands of the controls and document windows report through the one handler.
    setCommandErrorReporter([](const std::exception& error) { reportError(error); });
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("mdiArea");
    setAcceptDrops(true); // parameter files and pictures carrying them open as documents
    new WorkspaceKeeper(mdiArea_);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(true);

    loupe_ = new LoupeWindow(this);
    speed_ = new SpeedometerWindow(this);
    addDockWidget(Qt::TopDockWidgetArea, speed_);
    addDockWidget(Qt::RightDockWidgetArea, loupe_);
    speed_->setFloating(true);
    loupe_->setFloating(true);
    speed_->hide();
    loupe_->hide();

    saveDialog_ = makeDialog(params::kParameterFileFilter, params::kParameterFileExtension, true);
    openDialog_ = makeDialog(QString(kAllParameterSources) + params::kParameterFileFilter + "|" +
                                 params::kPictureParameterFilter,
                             params::kParameterFileExtension, false);
    imageSaveDialog_ = makeDialog(kImageSaveFilter, QString(), true);
    imageSaveDialog_->setWindowTitle("Save Image");
    imageOpenDialog_ = makeDialog(kImageOpenFilter, QString(), false);
    for (const auto& entry : image::kFilterKinds)
        filterDialogs_[filterIndex(entry.kind)] = image::createMainWindowFilterDialog(entry.kind);
    printer_.setPageOrientation(QPageLayout::Portrait);

    buildMenus();
    buildToolBar();
    startUp(startupWaitMs);
    loadSettings();
}

Tmain::~Tmain() {
    // Child windows (documents, the palette editor) refer to the shared data and the preset
    // store held by this window: they go first.
    if (Tmandelform* running = renderState_.renderingWindow) running->stop();
    // Closed windows waiting for their deferred deletion are no longer listed: find them all.
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow* w : mdiArea_->findChildren<QMdiSubWindow*>())
        windows << w;
    for (const QPointer<QMdiSubWindow>& w : windows)
        delete w.data();
    gradEditor_ = nullptr;
}

void Tmain::startUp(int waitMs) {
    std::unique_ptr<StartupScreen> screen;
    auto status = [&](const char* text) {
        startupTexts_ << text;
        if (screen) screen->setStatus(text);
    };
    if (waitMs > 0) {
        screen = std::make_unique<StartupScreen>();
        screen->show();
    }
    status("Initializing ... User Interface");
    colours_.random().reseedFromClock();
    useDecimalPoint();
    // The loupe picture (76 x 76, cleared) is made by the loupe window itself; RgbBuffer is
    // 256 x 256 from the shared data's creation.
    speed_->chart()->ClearValues();
    if (waitMs > 0) StartupScreen::wait(waitMs);

    status("Initializing ... Plasma");
    colours_.plasmaNoise = 2.0;
    colours_.plasmaBias = 0.5;
    plasma::fillplasma(colours_);
    if (waitMs > 0) StartupScreen::wait(waitMs);

    status("Initializing ... nearly finished");
    if (waitMs > 0) StartupScreen::wait(waitMs);
    screen.reset();

    presetStore_ = std::make_unique<SettingsPresetStore>();
    nameDialog_ = new TForm4(this);
    nameDialog_->hide();
    gradEditor_ = new Tgradmaker(colours_, *presetStore_, *nameDialog_);
    connect(gradEditor_, &Tgradmaker::errorRaised, this,
            [](const QString& message) { reportError(std::runtime_error(message.toStdString())); });
    QMdiSubWindow* editorWindow = mdiArea_->addSubWindow(gradEditor_);
    editorWindow->setWindowTitle(Tgradmaker::kCaption);
    editorWindow->show();
}

QFileDialog* Tmain::makeDialog(const QString& filter, const QString& suffix, bool save) {
    auto* dialog = new QFileDialog(this);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilters(dialogFilters(filter));
    dialog->setDefaultSuffix(suffix);
    // Saving asks itself, about the name actually written (chooseSaveFile).
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    fitFileDialog(*dialog);
    return dialog;
}

QAction* Tmain::addItem(QMenu* menu, const char* objectName, const QString& caption,
                        const QKeySequence& shortcut) {
    auto* action = menu->addAction(caption);
    action->setObjectName(objectName);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

QAction* Tmain::item(const char* objectName) const {
    return findChild<QAction*>(objectName);
}

void Tmain::buildMenus() {
    auto* bar = menuBar();
    auto bind = [this](QAction* action, void (Tmain::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    auto* file = bar->addMenu("&File");
    file->setObjectName("File1");
    bind(addItem(file, "New1", "New", QKeySequence("Ctrl+N")), &Tmain::new1click);
    auto* duplicate = addItem(file, "Duplicate1", "Duplicate");
    duplicate->setVisible(false);
    duplicate->setEnabled(false);
    file->addSeparator();
    bind(addItem(file, "Open1", "Load Parameters", QKeySequence("Ctrl+L")), &Tmain::Open1Click);
    bind(addItem(file, "Save1", "Save Parameters", QKeySequence("Ctrl+S")), &Tmain::Save1Click);
    bind(addItem(file, "SaveAs1", "Save Image", QKeySequence("Ctrl+I")), &Tmain::SaveAs1Click);
    storeParameters_ = addItem(file, "StoreParameters1", "Store parameters in the picture");
    storeParameters_->setCheckable(true);
    storeParameters_->setChecked(true);
    connect(storeParameters_, &QAction::toggled, this, [](bool on) {
        QSettings settings = openSettings();
        settings.setValue(kStoreParametersKey, on);
    });
    bind(addItem(file, "LoadImagetoBuffer1", "Load Image to &Buffer"),
         &Tmain::LoadImagetoBuffer1Click)
        ->setVisible(false);
    reopenMenu_ = file->addMenu("Reopen");
    reopenMenu_->setObjectName("Reopen1");
    reopenMenu_->menuAction()->setObjectName("Reopen1Item");
    reopenMenu_->menuAction()->setEnabled(false);
    file->addSeparator();
    auto* import = file->addMenu("Import");
    import->setObjectName("Import1");
    addItem(import, "ImportFractalFun1", "Fractal Fun File")->setEnabled(false);
    addItem(import, "IterationsFile1", "Iterations File")->setEnabled(false);
    import->menuAction()->setVisible(false);
    auto* exportMenu = file->addMenu("Export");
    exportMenu->setObjectName("Export1");
    bind(addItem(exportMenu, "FractalFun1", "Fractal Fun File"), &Tmain::FractalFun1Click);
    exportMenu->menuAction()->setVisible(false);
    file->addSeparator()->setVisible(false);
    bind(addItem(file, "Print1", "&Print...", QKeySequence("Ctrl+P")), &Tmain::Print1Click);
    bind(addItem(file, "PrintSetup1", "P&rint Setup..."), &Tmain::PrintSetup1Click);
    file->addSeparator();
    bind(addItem(file, "Exit1", "E&xit", QKeySequence("Ctrl+Q")), &Tmain::Exit1Click);

    auto* tools = bar->addMenu("&Tools");
    tools->setObjectName("Tools1");
    bind(addItem(tools, "plasma1", "&Plasma Editor"), &Tmain::plasmaclick);
    bind(addItem(tools, "palette1", "Palette &Editor"), &Tmain::paletteclick);
    bind(addItem(tools, "loupe1", "&Loupe"), &Tmain::loupeclick);
    bind(addItem(tools, "speed1", "&Speedometer"), &Tmain::speedclick);

    auto* filters = bar->addMenu("&Filters");
    filters->setObjectName("Filters1");
    bind(addItem(filters, "rgb1", "Red/Green/Blue"), &Tmain::rgbClick);
    bind(addItem(filters, "cmy1", "Cyan/Magenta/Yellow"), &Tmain::cmyClick);
    bind(addItem(filters, "hls1", "Hue/Luminance/Saturation "), &Tmain::hlsClick);
    bind(addItem(filters, "bcg1", "Brightness/Contrast/Gamma"), &Tmain::bcgClick);
    filters->addSeparator();
    bind(addItem(filters, "Smooth1", "Smooth"), &Tmain::Smooth1Click);
    bind(addItem(filters, "blur1", "Blur"), &Tmain::blurClick);
    bind(addItem(filters, "detail1", "Details"), &Tmain::detailClick);
    bind(addItem(filters, "Sharpen1", "Sharpen"), &Tmain::SharpenClick);
    bind(addItem(filters, "Contours1", "Contours"), &Tmain::Contours1Click);

    windowsMenu_ = bar->addMenu("&Windows");
    windowsMenu_->setObjectName("Windows1");
    connect(windowsMenu_, &QMenu::aboutToShow, this, &Tmain::rebuildWindowMenu);
    rebuildWindowMenu();

    auto* help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    bind(addItem(help, "Contents1", "Help..", QKeySequence(Qt::Key_F1)), &Tmain::Contents1Click);
    bind(addItem(help, "overview1", "O&verview"), &Tmain::overviewclick);
    help->addSeparator();
    bind(addItem(help, "About1", "&About..."), &Tmain::About1Click);

    // The pop-up of the tool button "Filters".
    filterPopup_ = new QMenu(this);
    filterPopup_->setObjectName("FilterPopup");
    auto* colour = filterPopup_->addMenu("Color Filters");
    bind(addItem(colour, "rgb2", "Red / Green / Blue"), &Tmain::rgbClick);
    bind(addItem(colour, "cmy2", "Cyan / Magenta / Yellow"), &Tmain::cmyClick);
    bind(addItem(colour, "bcg2", "Brigthness / Contrast / Gamma"), &Tmain::bcgClick);
    bind(addItem(colour, "hls2", "Hue / Luminace / Saturation"), &Tmain::hlsClick);
    bind(addItem(colour, "hsv2", "HSV"), &Tmain::hsvClick)->setVisible(false);
    auto* other = filterPopup_->addMenu("Other Filters");
    bind(addItem(other, "blur2", "Blur"), &Tmain::blurClick);
    bind(addItem(other, "Smooth2", "Smooth"), &Tmain::Smooth1Click);
    bind(addItem(other, "detail2", "Details"), &Tmain::detailClick);
    bind(addItem(other, "Sharpen2", "Sharpen"), &Tmain::SharpenClick);
    bind(addItem(other, "Contours2", "Contours"), &Tmain::Contours1Click);
}

void Tmain::buildToolBar() {
    // The tool bar is a panel in a panel container stacked above the MDI area.
    auto* centre = new QWidget(this);
    centre->setObjectName("centre");
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    toolPanel_ = makeToolPanel(centre);
    column->addWidget(toolPanel_.PanelManager1);
    column->addWidget(mdiArea_);
    setCentralWidget(centre);

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
    TMPanel* panel = toolPanel_.MPanel1;
    int x = kToolButtonLeft;
    for (int g = 0; g < 3; ++g) {
        if (g > 0) {
            auto* line = new QFrame(panel);
            line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
            line->setGeometry(x + 2, 3, 4, 28);
            x += kToolGroupGap;
        }
        for (const Button* b = groups[g]; b->name != nullptr; ++b) {
            auto* button = new QToolButton(panel);
            button->setObjectName(b->name);
            button->setAutoRaise(true);
            button->setGeometry(x, 2, 30, 30);
            x += 30;
            button->setIconSize(QSize(22, 22));
            button->setIcon(toolIcon(b->icon));
            button->setStatusTip(b->hint);
            if (b->sameAs != nullptr) {
                connect(button, &QToolButton::clicked, item(b->sameAs), &QAction::trigger);
            } else {
                button->setMenu(filterPopup_);
                button->setPopupMode(QToolButton::InstantPopup);
            }
        }
    }
    addNavigationButtons(panel, x);
}

void Tmain::addNavigationButtons(QWidget* panel, int x) {
    // Back and Forward through the views of the active document.
    auto* line = new QFrame(panel);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    line->setGeometry(x + 2, 3, 4, 28);
    x += kToolGroupGap;
    const struct {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* hint;
        void (Navigator::*step)();
    } arrows[] = {
        {"BackButton", QStyle::SP_ArrowBack, "Back to the previous view", &Navigator::Back1Click},
        {"ForwardButton", QStyle::SP_ArrowForward, "Forward to the next view",
         &Navigator::Forward1Click}};
    for (const auto& a : arrows) {
        auto* button = new QToolButton(panel);
        button->setObjectName(a.name);
        button->setAutoRaise(true);
        button->setGeometry(x, 2, 30, 30);
        x += 30;
        button->setIconSize(QSize(22, 22));
        button->setIcon(style()->standardIcon(a.icon));
        button->setStatusTip(a.hint);
        connect(button, &QToolButton::clicked, this, [this, step = a.step] {
            if (Tmandelform* doc = activeDocument())
                runGuarded([&] { (doc->navigator().*step)(); });
        });
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
        auto* entry =
            windowsMenu_->addAction(QString("&%1 %2").arg(number++).arg(w->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(w == mdiArea_->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, w] { mdiArea_->setActiveSubWindow(w); });
    }
}

void Tmain::rebuildReopenMenu() {
    reopenMenu_->clear();
    int number = 1;
    for (const std::string& path : recent_.items()) {
        const QString file = QString::fromStdString(path);
        const QString accel = number < 10 ? QString("&%1").arg(number) : QString("1&0");
        auto* entry = reopenMenu_->addAction(QString("%1 %2").arg(accel, file));
        entry->setObjectName(QString("MRUItem%1").arg(number));
        connect(entry, &QAction::triggered, this, [this, file] { MRUManager1Click(file); });
        ++number;
    }
    reopenMenu_->menuAction()->setEnabled(!recent_.empty());
}

// ---- Settings ----------------------------------------------------------------------------

void Tmain::loadSettings() {
    QSettings settings = openSettings();
    settings.beginGroup(params::RecentFiles::kSettingsSection);
    params::RecentFiles::StoredValues stored;
    for (const QString& key : settings.childKeys())
        stored.emplace_back(key.toStdString(), settings.value(key).toString().toStdString());
    settings.endGroup();
    recent_ = params::RecentFiles::restore(stored);
    rebuildReopenMenu();
    {
        const QSignalBlocker quiet(storeParameters_);
        storeParameters_->setChecked(settings.value(kStoreParametersKey, true).toBool());
    }

    settings.beginGroup(kPlacementGroup);
    const auto normal = fourIntegers(settings.value("NormPos").toString());
    const int showCmd = settings.value("ShowCmd", -1).toInt();
    settings.endGroup();
    if (normal && (*normal)[2] > (*normal)[0] && (*normal)[3] > (*normal)[1]) {
        const auto& r = *normal;
        setGeometry(r[0], r[1], r[2] - r[0], r[3] - r[1]);
        maximiseOnShow_ = showCmd == 3;
    } else {
        resize(800, 600);
        maximiseOnShow_ = true;
    }
}

void Tmain::showWithPlacement() {
    // Hosted in a frame, the frame is the window that is placed.
    QWidget* top = window();
    if (top != this) show();
    if (maximiseOnShow_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            top->move(screen->availableGeometry().center() - top->rect().center());
        top->showMaximized();
    } else {
        top->show();
    }
}

void Tmain::storeRecentFiles() {
    QSettings settings = openSettings();
    settings.remove(params::RecentFiles::kSettingsSection);
    settings.beginGroup(params::RecentFiles::kSettingsSection);
    for (const auto& [name, value] : recent_.storedValues())
        settings.setValue(QString::fromStdString(name), QString::fromStdString(value));
    settings.endGroup();
}

void Tmain::storePlacement() {
    QSettings settings = openSettings();
    settings.beginGroup(kPlacementGroup);
    const QWidget* top = window(); // the frame when hosted in one
    const QRect r = top->normalGeometry().isValid() ? top->normalGeometry() : top->geometry();
    settings.setValue("Flags", 0);
    settings.setValue("ShowCmd", top->isMaximized() ? 3 : top->isMinimized() ? 2 : 1);
    settings.setValue("MinMaxPos", "-1,-1,-1,-1");
    settings.setValue("NormPos", QString::asprintf("%d,%d,%d,%d", r.left(), r.top(),
                                                   r.left() + r.width(), r.top() + r.height()));
    settings.endGroup();
}

void Tmain::addRecentFile(const QString& path) {
    recent_.add(path.toStdString());
    rebuildReopenMenu();
    storeRecentFiles();
}

// ---- Document host -----------------------------------------------------------------------

gradient::GradientModel& Tmain::gradientModel() {
    return gradEditor_->model();
}

void Tmain::updateLoupe(TPGImage& view, int x, int y, const fractal::ShownView& shown) {
    loupe_->updateFrom(view.PixelGraphic(), x, y, ticks_.elapsed(), shown.steps, shown.view);
}

bool Tmain::speedometerShown() const {
    return speed_->isVisible();
}

void Tmain::speedometerSample(double millis) {
    // Whole milliseconds, as a tick count difference gives them.
    const double clamped = std::clamp(millis, 0.0, 1e9);
    speed_->rowRendered(static_cast<int>(clamped));
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

// ---- Documents and files -----------------------------------------------------------------

Tmandelform* Tmain::activeDocument() const {
    QMdiSubWindow* current = mdiArea_->currentSubWindow();
    return current != nullptr ? qobject_cast<Tmandelform*>(current->widget()) : nullptr;
}

Tmandelform* Tmain::createDocument() {
    auto* form = new Tmandelform(*this);
    QMdiSubWindow* window = mdiArea_->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    showAtClientSize(window);
    mdiArea_->setActiveSubWindow(window);
    // The new document takes the keyboard, so F9 renders it at once.
    form->setFocus();
    return form;
}

void Tmain::new1click() {
    ++newCounter_;
    Tmandelform* form = createDocument();
    form->document().setCaption(QString("New %1").arg(newCounter_).toStdString());
}

std::optional<QString> Tmain::chooseFile(QFileDialog& dialog) {
    fitFileDialog(dialog);
    const int result = dialog.exec();
    // A name typed and confirmed with Enter can leave the completion list open, swallowing the
    // next key or click; it closes with the dialog, and the active document gets the keyboard.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        if (completer->popup() != nullptr) completer->popup()->hide();
    if (Tmandelform* doc = activeDocument()) doc->setFocus();
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

bool Tmain::confirmOverwrite(const QString& path) {
    return QMessageBox::question(this, QApplication::applicationDisplayName(),
                                 QString("%1 already exists.\nDo you want to replace it?")
                                     .arg(QFileInfo(path).fileName()),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString>
Tmain::chooseSaveFile(QFileDialog& dialog, const std::function<QString(const QString&)>& complete) {
    for (;;) {
        auto path = chooseFile(dialog);
        if (!path) return std::nullopt;
        if (complete) path = complete(*path);
        if (!QFileInfo::exists(*path) || confirmOverwrite(*path)) return path;
        dialog.selectFile(*path); // shown again at the name refused
    }
}

Tmandelform* Tmain::open(const QString& path) {
    // A picture is read whole before any window opens: without parameters, or unreadable, it
    // changes nothing.
    std::optional<image::TPixelGraphic> shown;
    if (params::isPictureFile(toPath(path))) {
        params::embeddedParameterText(toPath(path));
        shown.emplace();
        shown->loadFromFile(toPath(path));
        if (shown->pixelFormat() != image::PixelFormat::Bits24)
            *shown = image::convertToResolution(*shown, image::ColourResolution::TrueColour);
    }
    Tmandelform* form = createDocument();
    // A failed read leaves the window with what was read so far (the error box reports it).
    params::loadParameters(toPath(path), form->document(), gradientModel(), nullptr);
    form->documentLoaded();
    if (shown) form->showLoadedPicture(*shown);
    addRecentFile(path);
    return form;
}

void Tmain::openFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        try {
            open(path);
        } catch (const std::exception& error) {
            reportError(error);
        }
    }
}

bool Tmain::storesParametersInPictures() const {
    return storeParameters_->isChecked();
}

void Tmain::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void Tmain::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty()) return;
    e->acceptProposedAction();
    openFiles(paths);
}

void Tmain::Open1Click() {
    if (const auto path = chooseFile(*openDialog_)) {
        openDialog_->selectFile(*path);
        open(*path);
    }
}

void Tmain::MRUManager1Click(const QString& path) {
    if (QFileInfo::exists(path)) open(path);
}

void Tmain::Save1Click() {
    const std::string stopString = gradientModel().stopString();
    Tmandelform* doc = activeDocument();
    if (doc == nullptr) return;
    const auto path = chooseSaveFile(*saveDialog_, {});
    if (!path) return;
    saveDialog_->selectFile(*path);
    params::saveParameters(doc->document(), stopString, toPath(*path), nullptr);
    addRecentFile(*path);
}

void Tmain::SaveAs1Click() {
    // Without a fractal document there is nothing to write, so no dialog either.
    Tmandelform* doc = activeDocument();
    if (doc == nullptr) return;
    const auto path = chooseSaveFile(*imageSaveDialog_, [this](const QString& chosen) {
        return withFilterExtension(chosen, imageSaveDialog_->selectedNameFilter());
    });
    if (!path) return;
    imageSaveDialog_->selectFile(*path);
    image::TPixelGraphic picture = doc->picture();
    picture.setMessageHandler([this](const std::string& message, bool withCancel) {
        const auto buttons = withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
        return QMessageBox::warning(this, QApplication::applicationDisplayName(),
                                    QString::fromStdString(message), buttons) == QMessageBox::Ok;
    });
    // The picture still comes from the document's parameters (filters included), so it
    // carries them as "Save Parameters" would write them now.
    std::string parameters;
    if (storesParametersInPictures())
        parameters =
            params::parameterDocument(doc->document(), gradientModel().stopString()).text();
    picture.saveToFile(toPath(*path), {parameters});
}

void Tmain::LoadImagetoBuffer1Click() {
    if (const auto path = chooseFile(*imageOpenDialog_)) {
        imageOpenDialog_->selectFile(*path);
        colours_.rgbBuffer().loadFromFile(toPath(*path));
    }
}

void Tmain::FractalFun1Click() {
    // The export borrows the parameter save dialog and always gives it back as it was.
    struct Restore {
        QFileDialog& dialog;
        QStringList filters = dialog.nameFilters();
        QString selected = dialog.selectedNameFilter();
        QStringList files = dialog.selectedFiles();
        ~Restore() {
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(selected);
            dialog.setDefaultSuffix(params::kParameterFileExtension);
            if (!files.isEmpty() && !QFileInfo(files.first()).isDir())
                dialog.selectFile(files.first());
        }
    } restore{*saveDialog_};
    saveDialog_->setDefaultSuffix("fff");
    saveDialog_->setNameFilters(dialogFilters(kFunFilter));
    Tmandelform* doc = activeDocument();
    if (doc == nullptr) return;
    const params::FractalDocument& d = doc->document();
    const std::string text = params::fractalFunText(d.upperX(), d.lowerX(), d.upperY(), d.lowerY(),
                                                    *colours_.gradientTable());
    if (const auto path = chooseSaveFile(*saveDialog_, {}))
        params::writeFractalFunFile(toPath(*path), text);
}

void Tmain::Print1Click() {
    Tmandelform* doc = activeDocument();
    if (doc == nullptr) return;
    printPictureWithDialog(this, printer_, doc->picture());
}

void Tmain::PrintSetup1Click() {
    printSetup(this, printer_);
}

void Tmain::Exit1Click() {
    close();
}

void Tmain::closeEvent(QCloseEvent* e) {
    // A running render ends first; then every document closes through its own close handling.
    if (Tmandelform* running = renderState_.renderingWindow) running->stop();
    mdiArea_->closeAllSubWindows();
    // The floating tool windows close with the frame; the program ends with it.
    loupe_->hide();
    speed_->hide();
    storePlacement();
    storeRecentFiles();
    e->accept();
    emit closed();
}

// ---- Tools -------------------------------------------------------------------------------

void Tmain::plasmaclick() {
    Tplasmaform::showEditor(colours_, this);
}

void Tmain::paletteclick() {
    gradEditor_->restoreEditor();
}

void Tmain::loupeclick() {
    prepareToolWindow(loupe_, mdiArea_, 16);
    loupe_->toggle();
    placeToolWindow(loupe_);
}

void Tmain::speedclick() {
    // Below the loupe's first place, so the two do not cover each other.
    prepareToolWindow(speed_, mdiArea_, 16 + loupe_->sizeHint().height() + 48);
    speed_->toggle();
    placeToolWindow(speed_);
}

// ---- Filters -----------------------------------------------------------------------------

image::TFilterDialog& Tmain::filterDialog(FilterKind kind) {
    return *filterDialogs_[filterIndex(kind)];
}

bool Tmain::executeFilterDialog(image::TFilterDialog& dialog, const image::TPixelGraphic* picture) {
    return FilterDialogWindow::execute(dialog, this, picture);
}

void Tmain::applyFilterToActive(FilterKind kind) {
    Tmandelform* doc = activeDocument();
    if (doc == nullptr) return;
    image::TFilterDialog& dialog = filterDialog(kind);
    image::TPixelGraphic& picture = doc->picture();
    const bool colour = isColourFilter(kind);
    if (!executeFilterDialog(dialog, colour ? &picture : nullptr)) return;
    repaint();
    if (colour) {
        image::applyFilter(picture, dialog.Filter(), picture);
        doc->replacePicture(picture);
        return;
    }
    image::TPixelGraphic result;
    result.setProgressHandlers({
        [doc](const image::TPixelGraphic&) { doc->Image1PixelGraphicProgressStart(); },
        [doc](const image::TPixelGraphic&, int current, int total, bool&) {
            doc->Image1PixelGraphicProgress(current, total);
        },
        [doc](const image::TPixelGraphic&) { doc->Image1PixelGraphicProgressEnd(); },
    });
    image::applyFilter(result, dialog.Filter(), picture);
    result.setProgressHandlers({});
    doc->replacePicture(result);
}

void Tmain::rgbClick() {
    applyFilterToActive(FilterKind::Rgb);
}
void Tmain::cmyClick() {
    applyFilterToActive(FilterKind::Cmy);
}
void Tmain::hlsClick() {
    applyFilterToActive(FilterKind::Hls);
}
void Tmain::hsvClick() {
    applyFilterToActive(FilterKind::Hsv);
}
void Tmain::bcgClick() {
    applyFilterToActive(FilterKind::Bcg);
}
void Tmain::Smooth1Click() {
    applyFilterToActive(FilterKind::Smooth);
}
void Tmain::blurClick() {
    applyFilterToActive(FilterKind::Blur);
}
void Tmain::detailClick() {
    applyFilterToActive(FilterKind::Details);
}
void Tmain::SharpenClick() {
    applyFilterToActive(FilterKind::Sharpen);
}
void Tmain::Contours1Click() {
    applyFilterToActive(FilterKind::Contours);
}

// ---- Windows and help --------------------------------------------------------------------

void Tmain::Windows2Click() {
    // Horizontal tiling: the windows one above the other, each the full width of the area.
    tileHorizontally(mdiArea_);
}

void Tmain::Cascade1Click() {
    // Each window keeps its own client size (the area's cascade shrinks them all).
    cascadeAtClientSizes(mdiArea_);
}

void Tmain::Contents1Click() {
    // Without help pages nothing happens, as a failed start of the help viewer is ignored.
    showHelp(this);
}

void Tmain::overviewclick() {
    // The tool button is disabled while the one Quick Help window is open.
    auto* button = findChild<QToolButton*>("OverviewButton");
    if (TForm5* help = TForm5::overviewclick(mdiArea_, nullptr)) {
        button->setEnabled(false);
        connect(help, &TForm5::closed, button, [button] { button->setEnabled(true); });
    }
}

void Tmain::About1Click() {
    TAboutBox1 box(this);
    box.exec();
}

} // namespace qm::app
