// Tmandelform: the fractal document window with its parameter fields, settings menu, picture
// view and the render it drives on worker threads.
#pragma once

#include "app/fractal/document_host.h"
#include "engine/params/fractal_document.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

namespace qm::fractal {
struct FractalType;
class RenderJob;
class FormulaCompiler;
class KernelResults;
} // namespace qm::fractal

namespace qm::image {
class TPixelGraphic;
}

namespace qm::app {

class TPGImage;
class FloatSpinEdit;
class Navigator;
class DeepZoom;
class FormulaEdit;
class LiveRecolour;

class Tmandelform : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kRenderCaption = "Render [F9]";
    static constexpr const char* kStopCaption = "Stop";

    // A new document: picture 320 x 240, defaults in every field, Bailout 4, newzoom twice.
    explicit Tmandelform(DocumentHost& host, QWidget* parent = nullptr);
    ~Tmandelform() override;

    // The window opens at its layout's client size, 492 x 399.
    QSize sizeHint() const override;

    // The model behind the fields; changing it updates the controls. Its caption is the
    // window caption while no render or picture operation shows progress: caption a new
    // window with document().setCaption("New 1").
    params::FractalDocument& document() { return doc_; }
    const params::FractalDocument& document() const { return doc_; }
    DocumentHost& host() const { return host_; }

    // The picture view `Image1` and its picture.
    TPGImage* Image1() const { return Image1_; }
    image::TPixelGraphic& picture();
    // Replaces the picture (a filter's result, a loaded picture) and repaints.
    void replacePicture(const image::TPixelGraphic& picture);
    // After the parameter-file reader filled document(): the picture takes the document's size
    // (contents not kept) and the controls show the document.
    void documentLoaded();
    // After documentLoaded() for a picture that carries its parameters: the document shows the
    // picture itself at its own size, ready to zoom without a render.
    void showLoadedPicture(const image::TPixelGraphic& shown);

    // The window caption (the MDI frame's when the window sits in one).
    QString caption() const;

    // Render state of this window.
    bool isRendering() const;
    // Stops the render of this window (within one row); nothing when it does not render.
    void stop();

    // Startrender / F9: starts a render in the current colour model, or stops the running
    // render of any window.
    void StartrenderClick();
    void calcmandel();
    void calcmandelrgb();
    // A navigation step: stops the render running in any window and renders the fields, with
    // `preview` applied to the picture once the render is sure to start.
    void restartRender(const std::function<void(image::TPixelGraphic&)>& preview);
    // Colours the picture again from its last render's kernel results with the document's
    // colouring now (formulas, colour model, Repeat Palette, gradient, plasma), without
    // iterating. false, changing nothing, while this window renders or when the results cannot
    // give it (no completed render since the picture last changed, or new formulas read A, B
    // or Z, which a render whose formulas did not read them does not keep). A formula that does
    // not compile throws.
    bool recolour();
    const fractal::KernelResults& keptResults() const { return *kept_; }
    // After a formula did not compile: the failing field of the model takes focus and a mark.
    void markFormulaError(fractal::ColourModel model);
    // PreviousView := CurrentView; CurrentView := the coordinate fields.
    void newzoom();
    // This window's view state and navigation (wheel, pan, history, Fit Window).
    Navigator& navigator() const { return *nav_; }
    // Picture size: keep true scales the old picture into the new size and records it in
    // xedit / yedit; keep false gives a blank picture.
    void resizeit(int width, int height, bool keep);

    // Progress of picture operations run by the main window (filters).
    void Image1PixelGraphicProgressStart();
    void Image1PixelGraphicProgress(int current, int total);
    void Image1PixelGraphicProgressEnd();

    // Menu commands of the settings menu (also reachable through the QAction object names).
    void JuliaMode1Click();
    void UndoLastZoom1Click();
    void CancelSelection1Click();
    void ResetCoordinates1Click();
    void ImageSize(int width, int height);
    void Custom1Click();
    // What "Custom" does with the dialog's texts on OK (EConvertError for a non-integer).
    void applyCustomSize(const QString& width, const QString& height);
    void FractalOrientation1Click();
    // What "Fractal Orientation " does with the dialog's texts on OK: both parts are applied
    // only when both convert (EConvertError otherwise, nothing changed).
    void applyOrientation(const QString& real, const QString& imaginary);
    void ImageToRgbBuffer1Click();
    void setColourModel(fractal::ColourModel model);
    // The menu as it is before showing (enables "Undo last zoom" / "Cancel Selection").
    QMenu* settingsMenu() const { return settingsMenu_; }
    void updateMenuState();

    // Event handlers of the view.
    void Image1SelectionChange();
    void Image1SelectionMade();
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1MouseMove(int x, int y);

signals:
    // A render of this window ended (completed or stopped).
    void renderFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildMenu();
    void bindDocument();
    void refreshFromDocument();
    void startRender(fractal::ColourModel model,
                     const std::function<void(image::TPixelGraphic&)>& preview = {});
    void rowsReady();
    void finishRender();
    void showCaption(const QString& text);
    void editFormula(QLineEdit* field);

    DocumentHost& host_;
    params::FractalDocument doc_;
    std::unique_ptr<fractal::FormulaCompiler> compiler_;
    int listenerId_ = 0;
    bool refreshing_ = false;
    std::string shownCaption_;
    // The caption to restore after this window's render or picture operation. Kept per window
    // (the shared SavedCaption is only mirrored), so an operation in another window while this
    // one renders cannot hand this window the other's caption.
    QString savedCaption_;

    TPGImage* Image1_ = nullptr;
    QWidget* panelRight_ = nullptr;
    QWidget* panelBottom_ = nullptr;
    FloatSpinEdit* RxSpinEdit1_ = nullptr;
    FloatSpinEdit* RxSpinEdit2_ = nullptr;
    FloatSpinEdit* RxSpinEdit3_ = nullptr;
    FloatSpinEdit* RxSpinEdit4_ = nullptr;
    FloatSpinEdit* RxSpinEdit5_ = nullptr;
    FloatSpinEdit* RxSpinEdit6_ = nullptr;
    FloatSpinEdit* orderedit_ = nullptr;
    FloatSpinEdit* juliaxedit_ = nullptr;
    FloatSpinEdit* juliayedit_ = nullptr;
    FloatSpinEdit* xedit_ = nullptr;
    FloatSpinEdit* yedit_ = nullptr;
    QLabel* label6_ = nullptr;
    QLabel* orderLabel_ = nullptr;
    QWidget* juliaBox_ = nullptr;
    FormulaEdit* edit971_ = nullptr;
    FormulaEdit* redit_ = nullptr;
    FormulaEdit* gedit_ = nullptr;
    FormulaEdit* bedit_ = nullptr;
    QPushButton* Startrender_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
    std::vector<std::pair<QAction*, const fractal::FractalType*>> typeActions_;
    QAction* juliaAction_ = nullptr;
    QAction* invertAction_ = nullptr;
    QAction* flipXAction_ = nullptr;
    QAction* flipYAction_ = nullptr;
    QAction* mirrorAction_ = nullptr;
    QAction* fixedAction_ = nullptr;
    QAction* rgbAction_ = nullptr;
    QAction* hlsAction_ = nullptr;
    QAction* repeatAction_ = nullptr;
    QAction* constrainAction_ = nullptr;
    QMenu* settingsMenu_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* cancelAction_ = nullptr;

    // The running render of this window, if any.
    std::unique_ptr<fractal::RenderJob> job_;
    Navigator* nav_ = nullptr;
    DeepZoom* deepZoom_ = nullptr;
    // The kernel results of the picture's last render, and what applies colouring changes.
    std::unique_ptr<fractal::KernelResults> kept_;
    LiveRecolour* liveRecolour_ = nullptr;
    bool renderHadSelection_ = false;
    bool rowsPosted_ = false;
    int rowsCopied_ = 0;
    QElapsedTimer rowTimer_;
};

} // namespace qm::app
