// FractalDocument: everything a fractal document window holds besides its picture, with the
// rules of its fields and its menu commands.
#pragma once

#include "engine/fractal/complex_ops.h"
#include "engine/fractal/deep/deep_renderer.h"
#include "engine/fractal/deep/deep_view.h"
#include "engine/fractal/fractal_params.h"
#include "engine/fractal/fractal_type.h"
#include "engine/fractal/view_geometry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::params {

using fractal::ColourModel;

// Field limits and creation defaults of the document window's controls.
namespace fields {
// Max reaches the deep path's limit; a render on the double path refuses more than
// fractal::kMaxIterationsLimit (validateForRender), so the field never hides a value.
inline constexpr double kMaxMin = 8; // RxSpinEdit5
inline constexpr double kMaxMax = fractal::deep::kDeepMaxIterationsLimit;
inline constexpr double kBailoutMin = 1, kBailoutMax = 65535; // RxSpinEdit6
inline constexpr double kOrderMin = 1, kOrderMax = 65535;     // orderedit
inline constexpr int kJuliaDecimals = 8;                      // juliaxedit, juliayedit
inline constexpr int kDefaultMax = 128;
inline constexpr int kDefaultBailout = 4;
inline constexpr int kDefaultOrder = 3;
inline constexpr double kDefaultJuliaX = 0.42;
inline constexpr double kDefaultJuliaY = 0.23;
inline constexpr const char* kDefaultFormula = "i*2";
inline constexpr int kDefaultWidth = 320;
inline constexpr int kDefaultHeight = 240;
} // namespace fields

inline constexpr const char* kDefaultCaption = "Mandelbrot Image";
inline constexpr const char* kInitialBailoutLabel = "Dmax:";

// The "Image Size" menu: caption and the size it gives ("320*240" really gives 320 x 200).
struct ImageSizeItem {
    const char* caption;
    int width;
    int height;
};
inline constexpr ImageSizeItem kImageSizeItems[] = {
    {"256*256", 256, 256}, {"320*240", 320, 200},   {"640*480", 640, 480},
    {"800*600", 800, 600}, {"1024*768", 1024, 768},
};

// Every setter applies its control's rules, so the values read back are what the window shows
// and what a parameter file stores. The document never allocates a picture: it records the
// size the picture is to have, and whoever holds the picture (window, command line) sizes it,
// which is where an unusable size is reported.
class FractalDocument {
public:
    using Listener = std::function<void()>;

    // The state of a newly created window.
    FractalDocument();

    // RxSpinEdit1..4: kept at 15 significant digits. Non-finite values are not taken.
    double upperX() const { return view_.upperX; }
    double lowerX() const { return view_.lowerX; }
    double upperY() const { return view_.upperY; }
    double lowerY() const { return view_.lowerY; }
    void setUpperX(double v);
    void setLowerX(double v);
    void setUpperY(double v);
    void setLowerY(double v);
    const fractal::View& view() const { return view_; }
    void setView(const fractal::View& v);

    // The view at any precision. deepView() holds the exact decimal texts of the four
    // coordinates whenever one of them says more than its 15-digit field (the fields then hold
    // the texts' 15-digit values); it is empty when the fields hold all four exactly. Renders
    // and files use the texts only where the fields do not hold the view to well within a
    // pixel at the picture's size (fieldsHoldView, deep_coordinates.h), so views that doubles
    // resolve render and save exactly as before. The double setters above replace their
    // coordinate's text with the field's value.
    enum class Coordinate { UpperX, LowerX, UpperY, LowerY };
    const fractal::DeepView& deepView() const { return deepView_; }
    // Takes the four texts; an empty DeepView drops the texts and keeps the fields. Throws
    // fractal::ERenderParameters, changing nothing, when a text is not a decimal number or
    // lies beyond the range of doubles.
    void setDeepView(const fractal::DeepView& v);
    // One coordinate as a decimal text of any length (the others keep theirs); throws as
    // setDeepView does.
    void setCoordinateText(Coordinate which, const std::string& text);
    // The coordinate's exact text, or the 15-digit text of its field when the view has none.
    std::string coordinateText(Coordinate which) const;

    // Which path renders: the deep path where doubles would show blocks (Auto, as a new
    // document has it), always (On) or never (Off). A setting of the window, not stored in
    // parameter files.
    fractal::DeepMode deepMode() const { return deepMode_; }
    void setDeepMode(fractal::DeepMode mode);

    // RxSpinEdit5, RxSpinEdit6, orderedit: rounded half to even, then limited.
    int max() const { return max_; }
    int bailout() const { return bailout_; }
    int order() const { return order_; }
    void setMax(double v);
    void setBailout(double v);
    void setOrder(double v);

    // juliaxedit, juliayedit: kept with 8 decimals.
    double juliaX() const { return juliaX_; }
    double juliaY() const { return juliaY_; }
    void setJuliaX(double v);
    void setJuliaY(double v);
    // The Julia constant at any precision. A part whose text has more significant digits than a
    // double carries keeps its exact text (the field then holds the text's 8-decimal value);
    // any other text takes the field's rule, so such constants render and save as before. The
    // double setters above drop their part's text. Throws fractal::ERenderParameters, changing
    // nothing, when the text is not a decimal number or lies beyond the range of doubles.
    void setJuliaXText(const std::string& text);
    void setJuliaYText(const std::string& text);
    // The part's exact text, or the 15-digit text of its field when it has none.
    std::string juliaXText() const;
    std::string juliaYText() const;
    // Both texts where either part has one (what renders use); empty otherwise.
    fractal::DeepJulia deepJulia() const;

    // xedit, yedit: integers without limits (the size last chosen from "Image Size").
    double widthField() const { return widthField_; }
    double heightField() const { return heightField_; }
    void setWidthField(double v);
    void setHeightField(double v);

    // edit971 and the channel formulas redit, gedit, bedit, as typed.
    const std::string& paletteFormula() const { return paletteFormula_; }
    const std::string& redFormula() const { return redFormula_; }
    const std::string& greenFormula() const { return greenFormula_; }
    const std::string& blueFormula() const { return blueFormula_; }
    void setPaletteFormula(std::string text);
    void setRedFormula(std::string text);
    void setGreenFormula(std::string text);
    void setBlueFormula(std::string text);
    // Blank formulas become "0", and edit971 is trimmed (the first step of every render).
    void fixformulas();

    // The checked radio item of "Fractal Formula".
    const fractal::FractalType& fractalType() const { return *type_; }
    bool isChecked(const fractal::FractalType& t) const { return type_ == &t; }
    // The code of the checked entry as the renderers need it (0 for "Fractals Off").
    int get_f_type() const;
    // The catalogue menu command: checks the entry, shows or hides the order field, sets the
    // entry's Order preset (if it has one) and the Bailout label.
    void chooseFractalType(const fractal::FractalType& t);
    // Checks the entry without running its command, as the parameter-file reader does: Order
    // and the Bailout label stay; the order field is shown for the entries that use it.
    void checkFractalType(const fractal::FractalType& t);

    // "Julia Mode ": toggles the mark and the visibility of the Julia fields with it.
    bool juliaMode() const { return juliaMode_; }
    void JuliaMode1Click();
    // "Inside Out [c=1/c]".
    bool insideOut() const { return insideOut_; }
    void Invert1Click();
    // "Flip X-Axxis [x=-x]", "Flip Y-Axxis [y=-y]", "Mirror [z=abs(z)]".
    bool flipX() const { return flipX_; }
    bool flipY() const { return flipY_; }
    bool mirror() const { return mirror_; }
    void toggleFlipX();
    void toggleFlipY();
    void toggleMirror();
    // "Repeat Palette".
    bool repeatPalette() const { return repeatPalette_; }
    void cyclegradClick();
    // "Constrain Selection" (checked in a new window).
    bool constrainSelection() const { return constrainSelection_; }
    void toggleConstrainSelection();

    // "Fixed Palette", "RGB-Mode" (Splitchannels1Click), "HLS-Mode" (HLSMode1Click).
    ColourModel colourModel() const { return colourModel_; }
    void setColourModel(ColourModel model);
    void Splitchannels1Click() { setColourModel(ColourModel::RgbMode); }
    void HLSMode1Click() { setColourModel(ColourModel::HlsMode); }

    // The complex factor applied to every pixel point; (1, 0) in a new window.
    fractal::Complex orientation() const { return orientation_; }
    void get_o(double re, double im);
    fractal::Complex publish_o() const { return orientation_; }

    bool orderVisible() const { return orderVisible_; }
    bool juliaFieldsVisible() const { return juliaMode_; }
    // The caption of label6: "Dmax:" in a new window, then the entry's label.
    const std::string& bailoutLabel() const { return bailoutLabel_; }

    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    // The size the picture is to have, 320 x 240 in a new window. resizeit with keep (the
    // "Image Size" commands) also records the size in xedit and yedit; without keep (the
    // parameter-file reader) only the picture changes.
    int pictureWidth() const { return pictureWidth_; }
    int pictureHeight() const { return pictureHeight_; }
    void resizeit(int width, int height, bool keep);

    // What a render reads from the controls at its start; Width and Height are the picture's.
    // Where the fields do not hold the view (see deepView()), FractalParams::deepView carries
    // the texts and the four doubles are their nearest doubles; otherwise deepView is empty and
    // the doubles are the fields. deepMode is the document's.
    fractal::FractalParams renderParams() const;
    // The inverse, for front ends that render without a window (the command line): the fields
    // take `p` under their own rules, the size fields and the picture take its size. A type
    // code outside the catalogue leaves the checked entry as it is. A non-empty p.deepView is
    // taken as setDeepView takes it, and a non-empty p.deepJulia as setJuliaXText and
    // setJuliaYText take it (throwing as they do, after the other fields are set).
    void setRenderParams(const fractal::FractalParams& p);

    // Listeners run after every change of the document (widgets bound to it refresh).
    int addListener(Listener listener);
    void removeListener(int id);

private:
    void changed();
    void setCoordinate(Coordinate which, double v);
    // Drops the texts when the fields hold all four exactly.
    void dropTextsResolvedByFields();

    fractal::View view_ = fractal::kDefaultView;
    fractal::DeepView deepView_;
    fractal::DeepMode deepMode_ = fractal::DeepMode::Auto;
    int max_ = fields::kDefaultMax;
    int bailout_ = fields::kDefaultBailout;
    int order_ = fields::kDefaultOrder;
    double juliaX_ = fields::kDefaultJuliaX;
    double juliaY_ = fields::kDefaultJuliaY;
    std::string juliaXText_, juliaYText_; // empty where the field holds the part
    double widthField_ = fields::kDefaultWidth;
    double heightField_ = fields::kDefaultHeight;
    std::string paletteFormula_ = fields::kDefaultFormula;
    std::string redFormula_ = fields::kDefaultFormula;
    std::string greenFormula_ = fields::kDefaultFormula;
    std::string blueFormula_ = fields::kDefaultFormula;
    const fractal::FractalType* type_ = nullptr;
    bool juliaMode_ = false;
    bool insideOut_ = false;
    bool flipX_ = false;
    bool flipY_ = false;
    bool mirror_ = false;
    bool repeatPalette_ = false;
    bool constrainSelection_ = true;
    ColourModel colourModel_ = ColourModel::FixedPalette;
    fractal::Complex orientation_{1.0, 0.0};
    bool orderVisible_ = false;
    std::string bailoutLabel_ = kInitialBailoutLabel;
    std::string caption_ = kDefaultCaption;
    int pictureWidth_ = fields::kDefaultWidth;
    int pictureHeight_ = fields::kDefaultHeight;

    std::vector<std::pair<int, Listener>> listeners_;
    int nextListenerId_ = 1;
};

// Truncates a size field to the picture size it gives, saturating at the 32-bit range so that
// any stored value yields a size (an unusable one is refused where the picture is made).
int pictureSizeFromField(double value);

} // namespace qm::params
