// Tmain: the multiple-document frame window with its menus, tool bar, status bar, tool windows,
// dialogs, recent-files list and the data every document shares.
#pragma once

#include "app/decor/tool_panel.h"
#include "app/fractal/document_host.h"
#include "engine/core/version.h"
#include "engine/image/filters/filter_dialogs.h"
#include "engine/params/recent_files.h"
#include "engine/shared/shared_colour_data.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPrinter>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QFileDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSettings;

namespace qm::app {

class LoupeWindow;
class SpeedometerWindow;
class StartupScreen;
class TForm4;
class Tgradmaker;
class Tmandelform;
class SettingsPresetStore;

// "desc|pattern|desc|pattern|" as the file dialogs' filter list ("desc (pattern)").
QStringList dialogFilters(const QString& filter);

class Tmain : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quillmora - v" QM_VERSION;
    static constexpr const char* kImageSaveFilter =
        "BMP - Bitmap|*.bmp|JPG - JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|"
        "PGM - Portable Graymap|*.pgm|PNG - Portable Network Graphics|*.png|"
        "PPM - Portable Pixelmap|*.ppm|";
    static constexpr const char* kImageOpenFilter =
        "Image files|*.bmp; *.dib; *.jif; *.jpeg; *.jpg; *.pbm; *.pcx; *.pgm; *.png; *.ppm|"
        "BMP - Bitmap|*.bmp|DIB - Bitmap|*.dib|JIF - JPEG (JFIF compliant)|*.jif|"
        "JPEG - JPEG (JFIF compliant)|*.jpeg|JPG - JPEG (JFIF compliant)|*.jpg|"
        "PBM - Portable Bitmap|*.pbm|PCX - Paintbrush|*.pcx|PGM - Portable Graymap|*.pgm|"
        "PNG - Portable Network Graphics|*.png|PPM - Portable Pixelmap|*.ppm|All files|*.*";
    static constexpr const char* kFunFilter = "Fractal Fun Files|*.fff";
    // "Load Parameters": everything it reads, parameter files, pictures that carry them.
    static constexpr const char* kAllParameterSources = "All supported|*.qmp;*.png;*.jpg;*.jpeg|";

    // Runs the start-up sequence. With `startupWaitMs` > 0 the start-up screen shows its three
    // stages for at least that long each (the program uses 500 ms; tests 0, no screen).
    explicit Tmain(QWidget* parent = nullptr, int startupWaitMs = 0);
    ~Tmain() override;

    // Shows the window with the stored placement (centred and maximised when none is stored).
    void showWithPlacement();

    // Tool buttons start right of the panel's grip tab; groups are parted by a vertical line.
    static constexpr int kToolButtonLeft = 20;
    static constexpr int kToolGroupGap = 8;

    QMdiArea* mdiArea() const { return mdiArea_; }
    const ToolPanel& toolPanel() const { return toolPanel_; }
    int newDocumentCount() const { return newCounter_; }
    // The active child when it is a fractal document window, else null.
    Tmandelform* activeDocument() const;
    LoupeWindow* loupe() const { return loupe_; }
    SpeedometerWindow* speedometer() const { return speed_; }
    Tgradmaker* gradientEditor() const { return gradEditor_; }
    const params::RecentFiles& recentFiles() const { return recent_; }
    QFileDialog* parameterSaveDialog() const { return saveDialog_; }
    QFileDialog* parameterOpenDialog() const { return openDialog_; }
    QFileDialog* imageSaveDialog() const { return imageSaveDialog_; }
    QFileDialog* imageOpenDialog() const { return imageOpenDialog_; }
    image::TFilterDialog& filterDialog(image::FilterKind kind);
    QStringList startupStatusTexts() const { return startupTexts_; }

    // DocumentHost
    SharedColourData& colourData() override { return colours_; }
    gradient::GradientModel& gradientModel() override;
    SharedRenderState& renderState() override { return renderState_; }
    void updateLoupe(TPGImage& view, int x, int y, const fractal::ShownView& shown) override;
    bool speedometerShown() const override;
    void speedometerSample(double millis) override;
    void addRecentFile(const QString& path) override;
    void showHint(const QString& hint) override;

    // Reading a parameter file, or a PNG/JPEG picture carrying one, into a new document window
    // (the "Reopen" entries, dropped files and files named on the command line too). A picture
    // without parameters raises before any window opens; a picture's document shows the picture.
    Tmandelform* open(const QString& path);
    // Opens each file as open() does; an error is reported for its file and the rest still open.
    void openFiles(const QStringList& paths);
    // "Store parameters in the picture" (File menu, remembered): Save Image embeds the
    // document's parameter file in PNG and JPEG pictures.
    bool storesParametersInPictures() const;
    // Applies a filter to the active document with the dialog's current settings.
    void applyFilterToActive(image::FilterKind kind);

public slots:
    void new1click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void LoadImagetoBuffer1Click();
    void MRUManager1Click(const QString& path);
    void FractalFun1Click();
    void Print1Click();
    void PrintSetup1Click();
    void Exit1Click();
    void plasmaclick();
    void paletteclick();
    void loupeclick();
    void speedclick();
    void rgbClick();
    void cmyClick();
    void hlsClick();
    void hsvClick();
    void bcgClick();
    void Smooth1Click();
    void blurClick();
    void detailClick();
    void SharpenClick();
    void Contours1Click();
    void Windows2Click();
    void Cascade1Click();
    void Contents1Click();
    void overviewclick();
    void About1Click();

signals:
    // The window has closed (its state is stored); a hosting frame closes with it.
    void closed();

protected:
    // Shows a file dialog; the chosen file, or nothing when cancelled. Tests answer instead.
    virtual std::optional<QString> chooseFile(QFileDialog& dialog);
    // Asks whether an existing file may be replaced; true for yes. Tests answer instead.
    virtual bool confirmOverwrite(const QString& path);
    // Shows a filter dialog (the colour filters preview `picture`); true for OK.
    virtual bool executeFilterDialog(image::TFilterDialog& dialog,
                                     const image::TPixelGraphic* picture);
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void startUp(int waitMs);
    void buildMenus();
    void buildToolBar();
    void rebuildWindowMenu();
    void addNavigationButtons(QWidget* panel, int x);
    void rebuildReopenMenu();
    void loadSettings();
    void storeRecentFiles();
    void storePlacement();
    Tmandelform* createDocument();
    QAction* addItem(QMenu* menu, const char* objectName, const QString& caption,
                     const QKeySequence& shortcut = {});
    QAction* item(const char* objectName) const;
    QFileDialog* makeDialog(const QString& filter, const QString& suffix, bool save);
    // A save dialog until the user cancels or names a file that is new or may be replaced:
    // the dialogs never ask themselves, since the name written may still get an extension
    // (`complete`), so the question comes once, about the file that would be lost.
    std::optional<QString> chooseSaveFile(QFileDialog& dialog,
                                          const std::function<QString(const QString&)>& complete);

    SharedColourData colours_;
    SharedRenderState renderState_;
    params::RecentFiles recent_;
    QElapsedTimer ticks_;
    QStringList startupTexts_;

    QMdiArea* mdiArea_ = nullptr;
    QMenu* windowsMenu_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    QMenu* filterPopup_ = nullptr;
    QAction* storeParameters_ = nullptr;
    ToolPanel toolPanel_;
    LoupeWindow* loupe_ = nullptr;
    SpeedometerWindow* speed_ = nullptr;
    std::unique_ptr<SettingsPresetStore> presetStore_;
    TForm4* nameDialog_ = nullptr;
    Tgradmaker* gradEditor_ = nullptr;
    QFileDialog* saveDialog_ = nullptr;
    QFileDialog* openDialog_ = nullptr;
    QFileDialog* imageSaveDialog_ = nullptr;
    QFileDialog* imageOpenDialog_ = nullptr;
    std::array<std::unique_ptr<image::TFilterDialog>, 10> filterDialogs_;
    QPrinter printer_;
    int newCounter_ = 0;
    bool placementStored_ = false;
    bool maximiseOnShow_ = true;
};

} // namespace qm::app
