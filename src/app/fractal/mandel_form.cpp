// The fractal document window: layout and settings menu bound to the document model, renders on
// worker threads with progress on the UI thread, zoom navigation and picture operations.
#include "app/fractal/mandel_form.h"

#include "app/editors/formula_editor.h"
#include "app/fractal/deep_zoom.h"
#include "app/fractal/formula_marks.h"
#include "app/fractal/fractal_dialogs.h"
#include "app/fractal/live_recolour.h"
#include "app/fractal/navigator.h"
#include "app/widgets/command_errors.h"
#include "app/widgets/spin_edits.h"
#include "app/widgets/tpg_image.h"
#include "engine/core/errors.h"
#include "engine/core/number_text.h"
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/recolour.h"
#include "engine/fractal/render_job.h"
#include "engine/fractal/render_language.h"
#include "engine/image/image_errors.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <tuple>

namespace qm::app {

namespace {

constexpr int kRightPanelWidth = 133;
// The client size of a new window.
constexpr QSize kDefaultClientSize(492, 399);
constexpr int kBottomPanelPalette = 41;
constexpr int kBottomPanelChannels = 76;
constexpr qint64 kProgressCaptionMs = 55;
constexpr double kCoordinateLimit = 1e300;
// The window never shrinks its picture area below this, so the picture cannot vanish.
constexpr QSize kMinimumPicture(64, 48);

// The "Image Size" items. "320*240" gives 320 x 240 here (the caption's size).
struct SizeItem {
    const char* objectName;
    const char* caption;
    int width;
    int height;
};
constexpr SizeItem kSizeItems[] = {
    {"N2562561", "256*256", 256, 256},    {"N3202401", "320*240", 320, 240},
    {"N6404801", "640*480", 640, 480},    {"N8006001", "800*600", 800, 600},
    {"N10247681", "1024*768", 1024, 768},
};

QString percentCaption(const QString& saved, int percent) {
    return saved + " - " + QString::number(percent) + "% rendered";
}

// Menu commands report their errors through the application's handler and stop there.
template <class F> void guarded(QWidget*, F&& command) {
    runGuarded(command);
}

QLabel* label(const QString& text, QWidget* parent, const QString& hint = {}) {
    auto* l = new QLabel(text, parent);
    if (!hint.isEmpty()) {
        l->setToolTip(hint);
        l->setStatusTip(hint);
    }
    return l;
}

void hintOf(QWidget* w, const QString& hint) {
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

// Milliseconds on a monotonic clock shared by all windows (the progress-caption throttle).
qint64 tickCount() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Copies a finished row into the picture; false for a row that does not fit it.
bool copyRow(image::TPixelGraphic& pic, const fractal::RenderRow& row) {
    if (row.y < 0 || row.y >= pic.height() || pic.pixelFormat() != image::PixelFormat::Bits24)
        return false;
    std::uint8_t* line = pic.scanLine(row.y);
    const int n = std::min(pic.width(), static_cast<int>(row.pixels.size()));
    for (int x = 0; x < n; ++x) {
        const ColourValue c = row.pixels[static_cast<size_t>(x)];
        *line++ = redOf(c);
        *line++ = greenOf(c);
        *line++ = blueOf(c);
    }
    return true;
}

} // namespace

Tmandelform::Tmandelform(DocumentHost& host, QWidget* parent)
    : QWidget(parent), host_(host), compiler_(fractal::makeRenderLanguage()),
      kept_(std::make_unique<fractal::KernelResults>()) {
    setObjectName("mandelform");
    setFont(QFont("Arial"));
    buildLayout();
    nav_ = new Navigator(*this);
    deepZoom_ = new DeepZoom(*this);
    buildMenu();
    // Creation: 320 x 240 24-bit picture, Bailout 4, both views the default one.
    Image1_->PixelGraphic().SetSize(doc_.pictureWidth(), doc_.pictureHeight(),
                                    image::PixelFormat::Bits24);
    host_.renderState().Bailout.store(params::fields::kDefaultBailout, std::memory_order_relaxed);
    newzoom();
    newzoom();
    bindDocument();
    liveRecolour_ = new LiveRecolour(*this);
    resize(kDefaultClientSize);
}

QSize Tmandelform::sizeHint() const {
    return kDefaultClientSize.expandedTo(minimumSizeHint());
}

Tmandelform::~Tmandelform() {
    // The picture view goes before the navigator: it must not see the view's last events.
    Image1_->removeEventFilter(nav_);
    delete liveRecolour_; // it listens to doc_, which goes before the child objects do
    doc_.removeListener(listenerId_);
    SharedRenderState& state = host_.renderState();
    if (job_) {
        job_->requestStop();
        job_.reset(); // joins the workers
    }
    if (state.renderingWindow == this) {
        state.renderingWindow = nullptr;
        QApplication::restoreOverrideCursor();
    }
}

QString Tmandelform::caption() const {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) return frame->windowTitle();
    return windowTitle();
}

void Tmandelform::showCaption(const QString& text) {
    // The caption is the frame's when the window sits in an MDI area.
    setWindowTitle(text);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->setWindowTitle(text);
}

image::TPixelGraphic& Tmandelform::picture() {
    return Image1_->PixelGraphic();
}

void Tmandelform::buildLayout() {
    Image1_ = new TPGImage(this);
    Image1_->setObjectName("Image1");
    Image1_->setMinimumSize(kMinimumPicture);
    hintOf(Image1_, "Left click to make selection, right click switches between Mandelbrot/Julia "
                    "Mode");

    // The right panel scrolls when the window is lower than its controls need, so they are
    // never drawn over each other.
    auto* rightScroll = new QScrollArea(this);
    rightScroll->setObjectName("Panel1Scroll");
    rightScroll->setFrameShape(QFrame::NoFrame);
    rightScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rightScroll->setWidgetResizable(true);
    rightScroll->setFixedWidth(kRightPanelWidth);
    panelRight_ = new QWidget(rightScroll);
    panelRight_->setObjectName("Panel1");
    auto* right = new QVBoxLayout(panelRight_);
    right->setContentsMargins(4, 4, 4, 4);
    right->setSpacing(1);
    right->addWidget(label("Coordinates:", panelRight_));
    const double big = kCoordinateLimit;
    RxSpinEdit1_ = new FloatSpinEdit("RxSpinEdit1", -big, big, 0.01, 22, panelRight_);
    RxSpinEdit2_ = new FloatSpinEdit("RxSpinEdit2", -big, big, 0.01, 22, panelRight_);
    RxSpinEdit3_ = new FloatSpinEdit("RxSpinEdit3", -big, big, 0.01, 22, panelRight_);
    RxSpinEdit4_ = new FloatSpinEdit("RxSpinEdit4", -big, big, 0.01, 22, panelRight_);
    for (FloatSpinEdit* e : {RxSpinEdit1_, RxSpinEdit2_, RxSpinEdit3_, RxSpinEdit4_}) {
        e->setShortestText(true);
        e->setLongNumbers(true);
    }
    right->addWidget(label("Upper X Coordinate", panelRight_));
    right->addWidget(RxSpinEdit1_);
    right->addWidget(label("Lower X Coordinate", panelRight_));
    right->addWidget(RxSpinEdit2_);
    right->addWidget(label("Upper Y Coordinate", panelRight_));
    right->addWidget(RxSpinEdit3_);
    right->addWidget(label("Lower Y Coordinate", panelRight_));
    right->addWidget(RxSpinEdit4_);

    label6_ = label(params::kInitialBailoutLabel, panelRight_,
                    "Diameter (Max for M-Sets, Min for N-Sets)");
    label6_->setObjectName("label6");
    RxSpinEdit6_ = new FloatSpinEdit("RxSpinEdit6", params::fields::kBailoutMin,
                                     params::fields::kBailoutMax, 1, 3, panelRight_);
    hintOf(RxSpinEdit6_, "Maximum Bailout in M-Sets, Number of decimals in N-Set");
    right->addWidget(label6_);
    right->addWidget(RxSpinEdit6_);
    right->addWidget(label("Iterations", panelRight_, "Maximum Iteration Depth"));
    RxSpinEdit5_ = new FloatSpinEdit("RxSpinEdit5", params::fields::kMaxMin,
                                     params::fields::kMaxMax, 8, 0, panelRight_);
    hintOf(RxSpinEdit5_, "Number of maximum iterations to calculate");
    right->addWidget(RxSpinEdit5_);
    orderLabel_ = label("[Order] N=", panelRight_);
    orderLabel_->setObjectName("orderlabel");
    orderedit_ = new FloatSpinEdit("orderedit", params::fields::kOrderMin,
                                   params::fields::kOrderMax, 1, 0, panelRight_);
    right->addWidget(orderLabel_);
    right->addWidget(orderedit_);

    juliaBox_ = new QWidget(panelRight_);
    juliaBox_->setObjectName("juliabox");
    auto* julia = new QVBoxLayout(juliaBox_);
    julia->setContentsMargins(0, 0, 0, 0);
    julia->setSpacing(1);
    julia->addWidget(label("Julia Coords.", juliaBox_));
    julia->addWidget(label("Real", juliaBox_));
    juliaxedit_ =
        new FloatSpinEdit("juliaxedit", -big, big, 0.01, params::fields::kJuliaDecimals, juliaBox_);
    julia->addWidget(juliaxedit_);
    julia->addWidget(label("Imag.", juliaBox_));
    juliayedit_ =
        new FloatSpinEdit("juliayedit", -big, big, 0.01, params::fields::kJuliaDecimals, juliaBox_);
    julia->addWidget(juliayedit_);
    for (FloatSpinEdit* e : {juliaxedit_, juliayedit_}) {
        e->setLongNumbers(true);
        e->setExactBeyondDecimals(true);
    }
    right->addWidget(juliaBox_);

    xedit_ = new FloatSpinEdit("xedit", -2147483648.0, 2147483647.0, 1, 0, panelRight_);
    yedit_ = new FloatSpinEdit("yedit", -2147483648.0, 2147483647.0, 1, 0, panelRight_);
    xedit_->hide();
    yedit_->hide();
    right->addStretch(1);
    auto* settings = new QPushButton("&Settings", panelRight_);
    settings->setObjectName("SettingsButton");
    right->addWidget(settings);
    rightScroll->setWidget(panelRight_);

    panelBottom_ = new QWidget(this);
    panelBottom_->setObjectName("Panel2");
    panelBottom_->setFixedHeight(kBottomPanelPalette);
    auto* bottom = new QHBoxLayout(panelBottom_);
    bottom->setContentsMargins(4, 2, 4, 2);
    auto* formulas = new QVBoxLayout;
    formulas->setSpacing(1);
    edit971_ = new FormulaEdit("edit971", panelBottom_);
    redit_ = new FormulaEdit("redit", panelBottom_);
    gedit_ = new FormulaEdit("gedit", panelBottom_);
    bedit_ = new FormulaEdit("bedit", panelBottom_);
    hintOf(redit_->lineEdit(), "Red Channel");
    hintOf(gedit_->lineEdit(), "Green Channel");
    hintOf(bedit_->lineEdit(), "Blue Channel");
    for (FormulaEdit* f : {edit971_, redit_, gedit_, bedit_}) {
        formulas->addWidget(f);
        connect(f, &FormulaEdit::ellipsisClicked, this, [this, f] { editFormula(f->lineEdit()); });
    }
    bottom->addLayout(formulas, 1);
    Startrender_ = new QPushButton(kRenderCaption, panelBottom_);
    Startrender_->setObjectName("Startrender");
    hintOf(Startrender_, "Start calculating with current coordinates (Shortcut: F9)");
    bottom->addWidget(Startrender_, 0, Qt::AlignVCenter);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(Image1_, 1);
    top->addWidget(rightScroll);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(top, 1);
    outer->addWidget(panelBottom_);

    connect(Startrender_, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { StartrenderClick(); }); });
    // F9 reaches the window before its controls, also from inside a formula field.
    auto* f9 = new QAction(this);
    f9->setObjectName("RenderKey");
    f9->setShortcut(Qt::Key_F9);
    f9->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(f9, &QAction::triggered, this, [this] { Startrender_->click(); });
    addAction(f9);

    connect(Image1_, &TPGImage::OnSelectionChange, this, &Tmandelform::Image1SelectionChange);
    connect(Image1_, &TPGImage::OnSelectionMade, this,
            [this] { guarded(this, [this] { Image1SelectionMade(); }); });
    connect(
        Image1_, &TPGImage::PicBoxOnMouseMove, this,
        [this](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) { Image1MouseMove(x, y); });
    connect(Image1_, &TPGImage::PicBoxOnMouseUp, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
                guarded(this, [&] { Image1MouseUp(b, x, y); });
            });
    settingsButton_ = settings;
}

void Tmandelform::buildMenu() {
    settingsMenu_ = new QMenu(this);
    settingsMenu_->setObjectName("PopupMenu1");
    auto item = [this](QMenu* menu, const char* name, const QString& caption, bool checkable,
                       auto&& handler) {
        auto* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(checkable);
        connect(a, &QAction::triggered, this, [this, handler] { guarded(this, handler); });
        return a;
    };

    auto* formula = settingsMenu_->addMenu("Fractal Formula");
    formula->setObjectName("FractalFormula1");
    auto* typeGroup = new QActionGroup(this);
    for (const fractal::FractalType& t : fractal::catalogue()) {
        if (t.code == fractal::code::Off) {
            juliaAction_ =
                item(formula, "JuliaMode1", "Julia Mode ", true, [this] { JuliaMode1Click(); });
            juliaAction_->setStatusTip("(c=julia.x+sqrt(-1)*julia.y");
        }
        auto* a =
            item(formula, t.itemName, t.caption, true, [this, &t] { doc_.chooseFractalType(t); });
        a->setActionGroup(typeGroup);
        a->setStatusTip(t.hint);
        a->setVisible(t.visible);
        typeActions_.emplace_back(a, &t);
        if (t.separatorAfter) formula->addSeparator();
    }

    auto* options = settingsMenu_->addMenu("Fractal Options");
    options->setObjectName("FractalOptions1");
    invertAction_ =
        item(options, "Invert1", "Inside Out [c=1/c]", true, [this] { doc_.Invert1Click(); });
    flipXAction_ =
        item(options, "FlipX1", "Flip X-Axxis [x=-x]", true, [this] { doc_.toggleFlipX(); });
    flipYAction_ =
        item(options, "FlipY1", "Flip Y-Axxis [y=-y]", true, [this] { doc_.toggleFlipY(); });
    mirrorAction_ =
        item(options, "Mirror1", "Mirror [z=abs(z)]", true, [this] { doc_.toggleMirror(); });
    options->addSeparator();
    item(options, "FractalOrientation1", "Fractal Orientation ", false,
         [this] { FractalOrientation1Click(); });
    deepZoom_->addMenuItems(options);

    auto* size = settingsMenu_->addMenu("Image Size");
    size->setObjectName("ImageSize1");
    // Checkable so that the menu marks the current size (updateMenuState).
    for (const SizeItem& s : kSizeItems)
        item(size, s.objectName, s.caption, true, [this, &s] { ImageSize(s.width, s.height); });
    size->addSeparator();
    item(size, "Custom1", "Custom", true, [this] { Custom1Click(); });

    auto* model = settingsMenu_->addMenu("Color Model");
    model->setObjectName("ColorModel1");
    auto* modelGroup = new QActionGroup(this);
    fixedAction_ = item(model, "FixedPalette1", "Fixed Palette", true,
                        [this] { setColourModel(fractal::ColourModel::FixedPalette); });
    rgbAction_ = item(model, "Splitchannels1", "RGB-Mode", true,
                      [this] { setColourModel(fractal::ColourModel::RgbMode); });
    hlsAction_ = item(model, "HLSMode1", "HLS-Mode", true,
                      [this] { setColourModel(fractal::ColourModel::HlsMode); });
    for (QAction* a : {fixedAction_, rgbAction_, hlsAction_})
        a->setActionGroup(modelGroup);
    model->addSeparator();
    repeatAction_ =
        item(model, "cyclegrad", "Repeat Palette", true, [this] { doc_.cyclegradClick(); });

    auto* toRgb = item(settingsMenu_, "ImagetoRGBbuffer1", "Image - > RGB buffer", false,
                       [this] { ImageToRgbBuffer1Click(); });
    toRgb->setStatusTip("Locks the current values of the RGB variables");
    settingsMenu_->addSeparator();
    constrainAction_ = item(settingsMenu_, "ConstrainSelection1", "Constrain Selection", true,
                            [this] { doc_.toggleConstrainSelection(); });
    item(settingsMenu_, "ResetCoordinates1", "Reset Coordinates", false,
         [this] { ResetCoordinates1Click(); });
    undoAction_ = item(settingsMenu_, "Undolastzoom1", "Undo last zoom", false,
                       [this] { UndoLastZoom1Click(); });
    cancelAction_ = item(settingsMenu_, "CancelSelection1", "Cancel Selection", false,
                         [this] { CancelSelection1Click(); });
    undoAction_->setEnabled(false);
    cancelAction_->setEnabled(false);
    nav_->addMenuItems(settingsMenu_, size);
    connect(settingsMenu_, &QMenu::aboutToShow, this, &Tmandelform::updateMenuState);
    settingsButton_->setMenu(settingsMenu_);
    // Hints of menu items go to the status bar through the host.
    connect(settingsMenu_, &QMenu::hovered, this,
            [this](QAction* a) { host_.showHint(a->statusTip()); });
}

void Tmandelform::updateMenuState() {
    undoAction_->setEnabled(nav_->views().history.canUndo());
    cancelAction_->setEnabled(Image1_->Selection());
    bool listed = nav_->fitWindow();
    for (const SizeItem& s : kSizeItems) {
        const bool current =
            !nav_->fitWindow() && picture().width() == s.width && picture().height() == s.height;
        findChild<QAction*>(s.objectName)->setChecked(current);
        listed = listed || current;
    }
    findChild<QAction*>("Custom1")->setChecked(!listed);
    nav_->updateMenuState();
    deepZoom_->updateMenuState();
}

void Tmandelform::bindDocument() {
    auto bindValue = [this](FloatSpinEdit* edit, auto setter) {
        connect(edit, &QDoubleSpinBox::valueChanged, this, [this, setter](double v) {
            if (!refreshing_) (doc_.*setter)(v);
        });
    };
    // A coordinate typed with more digits than a double holds keeps all of them.
    using Coordinate = params::FractalDocument::Coordinate;
    const auto bindCoordinate = [this](FloatSpinEdit* edit, Coordinate which, auto setter) {
        const auto apply = [this, edit, which, setter](double v) {
            if (refreshing_) return;
            const QString exact = edit->exactTextFor(v);
            if (exact.isEmpty())
                (doc_.*setter)(v);
            else if (exact.toStdString() != doc_.coordinateText(which))
                runGuarded([&] { doc_.setCoordinateText(which, exact.toStdString()); });
        };
        connect(edit, &QDoubleSpinBox::valueChanged, this, apply);
        // A long text whose nearest double is the field's value changes no value.
        connect(edit, &QAbstractSpinBox::editingFinished, this,
                [edit, apply] { apply(edit->value()); });
    };
    bindCoordinate(RxSpinEdit1_, Coordinate::UpperX, &params::FractalDocument::setUpperX);
    bindCoordinate(RxSpinEdit2_, Coordinate::LowerX, &params::FractalDocument::setLowerX);
    bindCoordinate(RxSpinEdit3_, Coordinate::UpperY, &params::FractalDocument::setUpperY);
    bindCoordinate(RxSpinEdit4_, Coordinate::LowerY, &params::FractalDocument::setLowerY);
    bindValue(RxSpinEdit5_, &params::FractalDocument::setMax);
    bindValue(orderedit_, &params::FractalDocument::setOrder);
    // The Julia constant: a text the 8 decimals do not hold goes to the document whole.
    const auto bindJulia = [this](FloatSpinEdit* edit, auto setter, auto setText, auto text) {
        const auto apply = [this, edit, setter, setText, text](double v) {
            if (refreshing_) return;
            const QString exact = edit->exactTextFor(v);
            if (exact.isEmpty())
                (doc_.*setter)(v);
            else if (exact.toStdString() != (doc_.*text)())
                runGuarded([&] { (doc_.*setText)(exact.toStdString()); });
        };
        connect(edit, &QDoubleSpinBox::valueChanged, this, apply);
        connect(edit, &QAbstractSpinBox::editingFinished, this,
                [edit, apply] { apply(edit->value()); });
    };
    bindJulia(juliaxedit_, &params::FractalDocument::setJuliaX,
              &params::FractalDocument::setJuliaXText, &params::FractalDocument::juliaXText);
    bindJulia(juliayedit_, &params::FractalDocument::setJuliaY,
              &params::FractalDocument::setJuliaYText, &params::FractalDocument::juliaYText);
    bindValue(xedit_, &params::FractalDocument::setWidthField);
    bindValue(yedit_, &params::FractalDocument::setHeightField);
    connect(RxSpinEdit6_, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (refreshing_) return;
        doc_.setBailout(v);
        // Render workers read the shared Bailout at every pixel, so a change lands at once.
        host_.renderState().Bailout.store(doc_.bailout(), std::memory_order_relaxed);
    });
    auto bindText = [this](FormulaEdit* edit,
                           void (params::FractalDocument::*setter)(std::string)) {
        connect(edit->lineEdit(), &QLineEdit::textChanged, this, [this, setter](const QString& t) {
            if (!refreshing_) (doc_.*setter)(t.toStdString());
        });
    };
    bindText(edit971_, &params::FractalDocument::setPaletteFormula);
    bindText(redit_, &params::FractalDocument::setRedFormula);
    bindText(gedit_, &params::FractalDocument::setGreenFormula);
    bindText(bedit_, &params::FractalDocument::setBlueFormula);
    listenerId_ = doc_.addListener([this] { refreshFromDocument(); });
    refreshFromDocument();
}

void Tmandelform::refreshFromDocument() {
    if (refreshing_) return;
    refreshing_ = true;
    // The fields are narrower than their digits: the hint shows each value whole, the exact
    // text of a deep view included.
    using Coordinate = params::FractalDocument::Coordinate;
    const std::tuple<FloatSpinEdit*, double, Coordinate> coordinates[] = {
        {RxSpinEdit1_, doc_.upperX(), Coordinate::UpperX},
        {RxSpinEdit2_, doc_.lowerX(), Coordinate::LowerX},
        {RxSpinEdit3_, doc_.upperY(), Coordinate::UpperY},
        {RxSpinEdit4_, doc_.lowerY(), Coordinate::LowerY}};
    for (const auto& [edit, value, which] : coordinates) {
        edit->setValueQuietly(value);
        const QString exact = doc_.deepView().empty()
                                  ? QString()
                                  : QString::fromStdString(doc_.coordinateText(which));
        edit->setExactText(exact);
        hintOf(edit, exact.isEmpty() ? QString::fromStdString(formatNumber(value, 17)) : exact);
    }
    RxSpinEdit5_->setValueQuietly(doc_.max());
    RxSpinEdit6_->setValueQuietly(doc_.bailout());
    orderedit_->setValueQuietly(doc_.order());
    const fractal::DeepJulia julia = doc_.deepJulia();
    for (const auto& [edit, value, text] : {std::tuple{juliaxedit_, doc_.juliaX(), julia.re},
                                            {juliayedit_, doc_.juliaY(), julia.im}}) {
        edit->setValueQuietly(value);
        // A part the field holds has its field's text: no exact text to show.
        const bool exact = !text.empty() && text != formatNumber(value);
        edit->setExactText(exact ? QString::fromStdString(text) : QString());
        hintOf(edit, exact ? QString::fromStdString(text) : QString());
    }
    xedit_->setValueQuietly(doc_.widthField());
    yedit_->setValueQuietly(doc_.heightField());
    const auto setText = [](FormulaEdit* f, const std::string& text) {
        const QString t = QString::fromStdString(text);
        if (f->lineEdit()->text() != t) f->lineEdit()->setText(t);
    };
    setText(edit971_, doc_.paletteFormula());
    setText(redit_, doc_.redFormula());
    setText(gedit_, doc_.greenFormula());
    setText(bedit_, doc_.blueFormula());
    for (auto& [action, type] : typeActions_)
        action->setChecked(doc_.isChecked(*type));
    juliaAction_->setChecked(doc_.juliaMode());
    invertAction_->setChecked(doc_.insideOut());
    flipXAction_->setChecked(doc_.flipX());
    flipYAction_->setChecked(doc_.flipY());
    mirrorAction_->setChecked(doc_.mirror());
    repeatAction_->setChecked(doc_.repeatPalette());
    constrainAction_->setChecked(doc_.constrainSelection());
    orderLabel_->setVisible(doc_.orderVisible());
    orderedit_->setVisible(doc_.orderVisible());
    juliaBox_->setVisible(doc_.juliaFieldsVisible());
    label6_->setText(QString::fromStdString(doc_.bailoutLabel()));

    const fractal::ColourModel model = doc_.colourModel();
    const bool palette = model == fractal::ColourModel::FixedPalette;
    fixedAction_->setChecked(palette);
    rgbAction_->setChecked(model == fractal::ColourModel::RgbMode);
    hlsAction_->setChecked(model == fractal::ColourModel::HlsMode);
    edit971_->setVisible(palette);
    redit_->setVisible(!palette);
    gedit_->setVisible(!palette);
    bedit_->setVisible(!palette);
    panelBottom_->setFixedHeight(palette ? kBottomPanelPalette : kBottomPanelChannels);
    if (model == fractal::ColourModel::RgbMode) {
        hintOf(redit_->lineEdit(), "Red");
        hintOf(gedit_->lineEdit(), "Green");
        hintOf(bedit_->lineEdit(), "Blue");
    } else if (model == fractal::ColourModel::HlsMode) {
        hintOf(redit_->lineEdit(), "Hue");
        hintOf(gedit_->lineEdit(), "Light");
        hintOf(bedit_->lineEdit(), "Saturation");
    }
    const bool hls = model == fractal::ColourModel::HlsMode;
    redit_->setLabel(hls ? "H" : "R");
    gedit_->setLabel(hls ? "L" : "G");
    bedit_->setLabel(hls ? "S" : "B");

    if (doc_.caption() != shownCaption_) {
        shownCaption_ = doc_.caption();
        const QString caption = QString::fromStdString(shownCaption_);
        if (isRendering())
            savedCaption_ = caption;
        else
            showCaption(caption);
    }
    refreshing_ = false;
}

void Tmandelform::setColourModel(fractal::ColourModel model) {
    doc_.setColourModel(model);
}

void Tmandelform::documentLoaded() {
    kept_->clear();
    fractal::resizeit(picture(), doc_.pictureWidth(), doc_.pictureHeight(), false);
    host_.renderState().Bailout.store(doc_.bailout(), std::memory_order_relaxed);
    refreshFromDocument();
}

void Tmandelform::showLoadedPicture(const image::TPixelGraphic& shown) {
    doc_.resizeit(shown.width(), shown.height(), false);
    replacePicture(shown);
    // The picture shows the document's view, as after a render of it: selections on it map
    // with its steps.
    nav_->pictureShown(doc_.renderParams(), shown.width(), shown.height());
}

void Tmandelform::replacePicture(const image::TPixelGraphic& replacement) {
    kept_->clear(); // a filtered or loaded picture is not the render's any more
    Image1_->setPixelGraphic(replacement);
}

bool Tmandelform::isRendering() const {
    return host_.renderState().renderingWindow == this;
}

void Tmandelform::StartrenderClick() {
    if (doc_.colourModel() == fractal::ColourModel::FixedPalette)
        calcmandel();
    else
        calcmandelrgb();
}

void Tmandelform::calcmandel() {
    startRender(fractal::ColourModel::FixedPalette);
}

void Tmandelform::calcmandelrgb() {
    startRender(doc_.colourModel() == fractal::ColourModel::FixedPalette
                    ? fractal::ColourModel::RgbMode
                    : doc_.colourModel());
}

void Tmandelform::stop() {
    SharedRenderState& state = host_.renderState();
    if (state.renderingWindow != this) return;
    Startrender_->setText(kRenderCaption);
    state.renderingWindow = nullptr;
    QApplication::restoreOverrideCursor();
    showCaption(savedCaption_);
    // The workers notice before their next row; the last notification finishes the render.
    if (job_) job_->requestStop();
}

void Tmandelform::restartRender(const std::function<void(image::TPixelGraphic&)>& preview) {
    SharedRenderState& state = host_.renderState();
    if (state.renderingWindow) state.renderingWindow->stop();
    startRender(doc_.colourModel(), preview);
}

void Tmandelform::startRender(fractal::ColourModel model,
                              const std::function<void(image::TPixelGraphic&)>& preview) {
    SharedRenderState& state = host_.renderState();
    // One render at a time in the whole program: Render while any window renders stops it.
    if (state.renderingWindow) {
        state.renderingWindow->stop();
        return;
    }
    if (job_) {
        // A stopped render of this window still winding down: it ends within one row.
        job_->waitFinished();
        finishRender();
    }
    // Values typed but not yet confirmed count as the field's value.
    for (FloatSpinEdit* e : {RxSpinEdit1_, RxSpinEdit2_, RxSpinEdit3_, RxSpinEdit4_, RxSpinEdit5_,
                             RxSpinEdit6_, orderedit_, juliaxedit_, juliayedit_})
        e->interpretText();
    doc_.fixformulas();

    image::TPixelGraphic& pic = picture();
    fractal::FractalParams params = doc_.renderParams();
    params.model = model;
    params.Width = pic.width();
    params.Height = pic.height();
    fractal::RenderOptions options;
    options.randomSeed = host_.colourData().random().step();
    options.keepResults = kept_.get();
    // Compiles the formulas and checks the parameters: a failure stops the command here.
    std::unique_ptr<fractal::RenderJob> job;
    try {
        job = std::make_unique<fractal::RenderJob>(params, pic.width(), pic.height(),
                                                   host_.colourData(), state.Bailout, *compiler_,
                                                   options);
    } catch (const std::exception&) {
        markFormulaError(model);
        throw;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    Startrender_->setText(kStopCaption);
    savedCaption_ = caption();
    state.SavedCaption = savedCaption_;
    state.renderingWindow = this;
    // From here on the picture shows this render's view (its preview first).
    nav_->renderStarted(params, pic.width(), pic.height());
    // Kernels with the deep path render such views exactly; the others show blocks.
    if (fractal::beyondDoublePrecision(params.view(), nav_->views().shown.steps) &&
        !fractal::deep::usesDeepPath(params, pic.width(), pic.height()))
        host_.showHint(fractal::kBeyondPrecisionMessage);

    if (preview) {
        preview(pic);
    } else if (Image1_->Selection()) {
        // Preview of the zoom: the selected part of the old picture over the whole picture.
        const image::TPixelGraphic copy = Image1_->copyPicture();
        pic.StretchCopyRect(0, 0, copy, Image1_->SelectionHeight(), Image1_->SelectionWidth(),
                            Image1_->SelectionTop(), Image1_->SelectionLeft(), pic.height(),
                            pic.width());
    }
    pic.Changed();
    Image1_->setSelectionChangeAttached(false);
    Image1_->setSelection(false);

    rowsCopied_ = 0;
    rowsPosted_ = false;
    rowTimer_.start();
    job_ = std::move(job);
    deepZoom_->renderStarted(job_->settings().deep);
    // One coalesced notification: the job tells again only after the rows were taken.
    job_->setRowsReadyNotifier([this] {
        QMetaObject::invokeMethod(
            this, [this] { rowsReady(); }, Qt::QueuedConnection);
    });
    job_->start();
}

bool Tmandelform::recolour() {
    image::TPixelGraphic& pic = picture();
    const fractal::FractalParams colours = doc_.renderParams();
    if (job_ || pic.width() != kept_->width() || pic.height() != kept_->height() ||
        !kept_->canRecolour(colours))
        return false;
    fractal::RecolourOptions options;
    options.randomSeed = host_.colourData().random().step();
    fractal::recolourPicture(*kept_, colours, host_.colourData(), *compiler_, pic, options);
    pic.Changed();
    return true;
}

void Tmandelform::markFormulaError(fractal::ColourModel model) {
    if (model == fractal::ColourModel::FixedPalette)
        markFailingFormula({edit971_}, *compiler_);
    else
        markFailingFormula({redit_, gedit_, bedit_}, *compiler_);
}

void Tmandelform::rowsReady() {
    if (!job_) return;
    image::TPixelGraphic& pic = picture();
    SharedRenderState& state = host_.renderState();
    const bool live = state.renderingWindow == this;
    const bool timing = live && host_.speedometerShown();
    bool repaint = false;
    const auto absorb = [&](const std::vector<fractal::RenderRow>& rows) {
        for (const fractal::RenderRow& row : rows) {
            if (!copyRow(pic, row)) continue;
            ++rowsCopied_;
            if (timing) host_.speedometerSample(row.millis);
            if (rowsCopied_ % 10 == 0) repaint = true;
        }
    };
    absorb(job_->takeRows());
    // The workers' last notification comes after their last row: rows finished after the take
    // above are still queued then.
    const bool finished = job_->isFinished();
    if (finished) absorb(job_->takeRows());
    if (repaint && live && !finished) {
        pic.Changed();
        const std::int64_t total = static_cast<std::int64_t>(pic.width()) * pic.height();
        const std::int64_t done = static_cast<std::int64_t>(rowsCopied_) * pic.width();
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        showCaption(percentCaption(savedCaption_, percent));
    }
    if (finished) finishRender();
}

void Tmandelform::finishRender() {
    if (!job_) return;
    job_.reset();
    SharedRenderState& state = host_.renderState();
    picture().Changed();
    if (state.renderingWindow == this) {
        state.renderingWindow = nullptr;
        showCaption(savedCaption_);
        Startrender_->setText(kRenderCaption);
        QApplication::restoreOverrideCursor();
    }
    Image1_->setSelectionChangeAttached(true);
    deepZoom_->renderFinished();
    emit renderFinished();
}

void Tmandelform::closeEvent(QCloseEvent* event) {
    SharedRenderState& state = host_.renderState();
    if (state.renderingWindow) {
        // A close while any render runs stops it and is refused once.
        state.renderingWindow->stop();
        event->ignore();
        return;
    }
    event->accept();
}

void Tmandelform::newzoom() {
    nav_->views().history.newzoom(planeViewOf(doc_));
}

void Tmandelform::Image1SelectionChange() {
    const fractal::Selection sel{Image1_->SelectionLeft(), Image1_->SelectionTop(),
                                 Image1_->SelectionWidth(), Image1_->SelectionHeight()};
    const fractal::ShownView& shown = nav_->views().shown;
    // Before any render, and for a rectangle without width or height (the release cancels
    // it), the fields follow the pixels as they always did.
    if (!shown.rendered() || sel.width <= 0 || sel.height <= 0) {
        doc_.setView(fractal::selectionToFields(sel, shown.steps, shown.view));
        return;
    }
    setPlaneView(doc_,
                 fractal::selectionView(sel, shown.view, picture().width(), picture().height()));
}

void Tmandelform::Image1SelectionMade() {
    if (doc_.constrainSelection() && Image1_->Selection()) {
        const int height = fractal::constrainedHeight(Image1_->SelectionWidth(), picture().width(),
                                                      picture().height());
        Image1_->setSelectionRect(Image1_->SelectionLeft(), Image1_->SelectionTop(),
                                  Image1_->SelectionWidth(), height);
        // The rectangle keeps the pixel rule; the fields get the pixels' exact aspect, so
        // repeated zooms do not drift.
        const fractal::ShownView& shown = nav_->views().shown;
        const fractal::Selection sel{Image1_->SelectionLeft(), Image1_->SelectionTop(),
                                     Image1_->SelectionWidth(), height};
        if (height > 0 && shown.rendered())
            setPlaneView(doc_, fractal::constrainedSelectionView(sel, shown.view, picture().width(),
                                                                 picture().height()));
        else if (height > 0)
            doc_.setView(fractal::constrainedSelectionView(sel, shown.steps, shown.view,
                                                           picture().width(), picture().height()));
    }
    // A plain click, or a rectangle without width or height, is no selection: the fields go
    // back to the view on screen instead of collapsing to a point.
    if (!Image1_->Selection() || Image1_->SelectionWidth() <= 0 || Image1_->SelectionHeight() <= 0)
        CancelSelection1Click();
}

void Tmandelform::Image1MouseUp(Qt::MouseButton button, int x, int y) {
    if (button != Qt::RightButton) return;
    const fractal::ShownView& shown = nav_->views().shown;
    fractal::PlaneReadout at = fractal::mouseToPlane(x, y, shown.steps, shown.view);
    doc_.JuliaMode1Click();
    if (shown.view.isDeep()) {
        // The exact point, with the digits that tell neighbouring pixels apart.
        const fractal::PlanePointText p =
            fractal::planePointAt(shown.view, picture().width(), picture().height(), x, y);
        runGuarded([&] {
            doc_.setJuliaXText(p.x);
            doc_.setJuliaYText(p.y);
        });
    } else {
        if (at.x) doc_.setJuliaX(*at.x);
        if (at.y) doc_.setJuliaY(*at.y);
    }
    ResetCoordinates1Click();
}

void Tmandelform::Image1MouseMove(int x, int y) {
    host_.updateLoupe(*Image1_, x, y, nav_->views().shown);
    const QString readout = nav_->pixelReadout(x, y);
    if (!readout.isEmpty()) host_.showHint(readout);
}

void Tmandelform::JuliaMode1Click() {
    doc_.JuliaMode1Click();
}

void Tmandelform::UndoLastZoom1Click() {
    setPlaneView(doc_, nav_->views().history.undoLastZoom());
}

void Tmandelform::CancelSelection1Click() {
    Image1_->setSelection(false);
    setPlaneView(doc_, nav_->views().history.cancelSelection());
}

void Tmandelform::ResetCoordinates1Click() {
    setPlaneView(doc_, nav_->views().history.resetCoordinates());
}

void Tmandelform::resizeit(int width, int height, bool keep) {
    // Sizes are checked before the document records them, so a refused size changes nothing.
    if (width < 1 || height < 1) throw image::EPGInvalidSize(width, height);
    image::checkPictureSize(width, height);
    fractal::resizeit(picture(), width, height, keep);
    kept_->clear();
    doc_.resizeit(width, height, keep);
    // The scaled picture still shows its view, so selections map with the new size's steps.
    fractal::ShownView& shown = nav_->views().shown;
    if (keep && shown.rendered()) shown.steps = fractal::computeSteps(shown.view, width, height);
}

void Tmandelform::ImageSize(int width, int height) {
    nav_->setFitWindow(false);
    resizeit(width, height, true);
}

void Tmandelform::Custom1Click() {
    Tsizedialog dialog(this);
    dialog.widthEdit()->setText(QString::number(picture().width()));
    dialog.heightEdit()->setText(QString::number(picture().height()));
    if (dialog.exec() != QDialog::Accepted) return;
    applyCustomSize(dialog.widthEdit()->text(), dialog.heightEdit()->text());
}

void Tmandelform::applyCustomSize(const QString& width, const QString& height) {
    const std::int32_t w = parseInteger(width.toStdString());
    const std::int32_t h = parseInteger(height.toStdString());
    nav_->setFitWindow(false);
    resizeit(w, h, true);
}

void Tmandelform::FractalOrientation1Click() {
    Torient_dialog dialog(this);
    const fractal::Complex o = doc_.orientation();
    dialog.realEdit()->setText(QString::fromStdString(formatNumber(o.re)));
    dialog.imaginaryEdit()->setText(QString::fromStdString(formatNumber(o.im)));
    if (dialog.exec() != QDialog::Accepted) return;
    applyOrientation(dialog.realEdit()->text(), dialog.imaginaryEdit()->text());
}

void Tmandelform::applyOrientation(const QString& real, const QString& imaginary) {
    // Both parts convert before either is applied, so a bad imaginary part changes nothing.
    const double re = parseFloat(real.toStdString());
    const double im = parseFloat(imaginary.toStdString());
    doc_.get_o(re, im);
}

void Tmandelform::ImageToRgbBuffer1Click() {
    host_.colourData().rgbBuffer().Assign(picture());
}

void Tmandelform::editFormula(QLineEdit* field) {
    QString text = field->text();
    if (Teditform::editFormula(this, text)) {
        field->setText(text);
        liveRecolour_->apply();
    }
}

void Tmandelform::Image1PixelGraphicProgressStart() {
    savedCaption_ = caption();
    host_.renderState().SavedCaption = savedCaption_;
}

void Tmandelform::Image1PixelGraphicProgress(int current, int total) {
    SharedRenderState& state = host_.renderState();
    const qint64 now = tickCount();
    if (now - state.lastProgressCaption <= kProgressCaptionMs || total <= 0) return;
    const int percent = static_cast<int>(static_cast<double>(current) / total * 100.0);
    showCaption(percentCaption(savedCaption_, percent));
    state.lastProgressCaption = now;
}

void Tmandelform::Image1PixelGraphicProgressEnd() {
    showCaption(savedCaption_);
}

} // namespace qm::app
