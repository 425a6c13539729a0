// The document model: field rules, catalogue choice, check marks and colour-model commands.
#include "engine/params/fractal_document.h"

#include "engine/core/number_text.h"
#include "engine/fractal/deep/mp_float.h"
#include "engine/params/deep_coordinates.h"
#include "engine/params/field_rules.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qm::params {

namespace {

const fractal::FractalType& mandelbrot() {
    const auto* t = fractal::findByCode(fractal::code::Mandel);
    return *t; // the catalogue always holds it
}

// The coordinate `which` of a View or a DeepView (both name them alike).
template <class V> auto& coordinateOf(V& v, FractalDocument::Coordinate which) {
    using C = FractalDocument::Coordinate;
    switch (which) {
    case C::UpperX:
        return v.upperX;
    case C::LowerX:
        return v.lowerX;
    case C::UpperY:
        return v.upperY;
    case C::LowerY:
        break;
    }
    return v.lowerY;
}

constexpr std::array kCoordinates = {
    FractalDocument::Coordinate::UpperX, FractalDocument::Coordinate::LowerX,
    FractalDocument::Coordinate::UpperY, FractalDocument::Coordinate::LowerY};

// The double of a decimal text (checked), converted as a field converts typed text (an
// underflow is 0).
double nearestDoubleOfText(const std::string& text) {
    if (!fractal::deep::parseDecimal(text, 64))
        throw fractal::ERenderParameters("'" + text.substr(0, 80) + "' is not a decimal number");
    const auto d = tryParseFloat(text);
    if (!d) throw fractal::ERenderParameters("'" + text.substr(0, 80) + "' is beyond the plane");
    return *d;
}

// The value of a coordinate text (checked), as the field keeps it.
double fieldValueOfText(const std::string& text) {
    return coordinateFieldValue(nearestDoubleOfText(text));
}

// Whether the decimal text means exactly the double `field` (as its 15-digit text).
bool textIsField(const std::string& text, double field) {
    const std::string fieldText = formatNumber(field);
    if (text == fieldText) return true;
    const mpfr_prec_t bits =
        std::max(fractal::deep::bitsForDecimal(text), fractal::deep::bitsForDecimal(fieldText));
    const auto a = fractal::deep::parseDecimal(text, bits);
    const auto b = fractal::deep::parseDecimal(fieldText, bits);
    return a && b && mpfr_equal_p(a->get(), b->get()) != 0;
}

} // namespace

int pictureSizeFromField(double value) {
    if (std::isnan(value)) return 0;
    const double t = std::trunc(std::clamp(value, -2147483648.0, 2147483647.0));
    return static_cast<int>(t);
}

FractalDocument::FractalDocument() : type_(&mandelbrot()) {}

void FractalDocument::changed() {
    // A listener may remove itself; iterate over a copy.
    const auto current = listeners_;
    for (const auto& [id, fn] : current)
        fn();
}

int FractalDocument::addListener(Listener listener) {
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void FractalDocument::removeListener(int id) {
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void FractalDocument::dropTextsResolvedByFields() {
    if (deepView_.empty()) return;
    for (const auto c : kCoordinates)
        if (!textIsField(coordinateOf(deepView_, c), coordinateOf(view_, c))) return;
    deepView_ = {};
}

void FractalDocument::setCoordinate(Coordinate which, double v) {
    if (!std::isfinite(v)) return;
    coordinateOf(view_, which) = coordinateFieldValue(v);
    if (!deepView_.empty()) {
        coordinateOf(deepView_, which) = formatNumber(coordinateOf(view_, which));
        dropTextsResolvedByFields();
    }
    changed();
}

void FractalDocument::setUpperX(double v) {
    setCoordinate(Coordinate::UpperX, v);
}
void FractalDocument::setLowerX(double v) {
    setCoordinate(Coordinate::LowerX, v);
}
void FractalDocument::setUpperY(double v) {
    setCoordinate(Coordinate::UpperY, v);
}
void FractalDocument::setLowerY(double v) {
    setCoordinate(Coordinate::LowerY, v);
}

void FractalDocument::setDeepView(const fractal::DeepView& v) {
    if (v.empty()) {
        deepView_ = {};
        changed();
        return;
    }
    fractal::DeepView texts = v;
    std::array<double, 4> values{};
    for (std::size_t k = 0; k < kCoordinates.size(); ++k)
        values[k] = fieldValueOfText(coordinateOf(texts, kCoordinates[k]));
    for (std::size_t k = 0; k < kCoordinates.size(); ++k)
        coordinateOf(view_, kCoordinates[k]) = values[k];
    deepView_ = std::move(texts);
    dropTextsResolvedByFields();
    changed();
}

void FractalDocument::setCoordinateText(Coordinate which, const std::string& text) {
    const double value = fieldValueOfText(text);
    if (deepView_.empty())
        for (const auto c : kCoordinates)
            coordinateOf(deepView_, c) = formatNumber(coordinateOf(view_, c));
    coordinateOf(view_, which) = value;
    coordinateOf(deepView_, which) = text;
    dropTextsResolvedByFields();
    changed();
}

std::string FractalDocument::coordinateText(Coordinate which) const {
    if (!deepView_.empty()) return coordinateOf(deepView_, which);
    return formatNumber(coordinateOf(view_, which));
}

void FractalDocument::setDeepMode(fractal::DeepMode mode) {
    deepMode_ = mode;
    changed();
}

void FractalDocument::setView(const fractal::View& v) {
    setUpperX(v.upperX);
    setLowerX(v.lowerX);
    setUpperY(v.upperY);
    setLowerY(v.lowerY);
}

void FractalDocument::setMax(double v) {
    max_ = static_cast<int>(integerFieldValue(v, fields::kMaxMin, fields::kMaxMax));
    changed();
}

void FractalDocument::setBailout(double v) {
    bailout_ = static_cast<int>(integerFieldValue(v, fields::kBailoutMin, fields::kBailoutMax));
    changed();
}

void FractalDocument::setOrder(double v) {
    order_ = static_cast<int>(integerFieldValue(v, fields::kOrderMin, fields::kOrderMax));
    changed();
}

void FractalDocument::setJuliaX(double v) {
    if (!std::isfinite(v)) return;
    juliaX_ = decimalFieldValue(v, fields::kJuliaDecimals);
    juliaXText_.clear();
    changed();
}

void FractalDocument::setJuliaY(double v) {
    if (!std::isfinite(v)) return;
    juliaY_ = decimalFieldValue(v, fields::kJuliaDecimals);
    juliaYText_.clear();
    changed();
}

void FractalDocument::setJuliaXText(const std::string& text) {
    const double field = decimalFieldValue(nearestDoubleOfText(text), fields::kJuliaDecimals);
    juliaX_ = field;
    // A text a double carries keeps the field's rule (8 decimals), so files stay as they were.
    juliaXText_ =
        textIsField(text, field) || !fractal::longerThanDouble(text) ? std::string() : text;
    changed();
}

void FractalDocument::setJuliaYText(const std::string& text) {
    const double field = decimalFieldValue(nearestDoubleOfText(text), fields::kJuliaDecimals);
    juliaY_ = field;
    // A text a double carries keeps the field's rule (8 decimals), so files stay as they were.
    juliaYText_ =
        textIsField(text, field) || !fractal::longerThanDouble(text) ? std::string() : text;
    changed();
}

std::string FractalDocument::juliaXText() const {
    return juliaXText_.empty() ? formatNumber(juliaX_) : juliaXText_;
}

std::string FractalDocument::juliaYText() const {
    return juliaYText_.empty() ? formatNumber(juliaY_) : juliaYText_;
}

fractal::DeepJulia FractalDocument::deepJulia() const {
    if (juliaXText_.empty() && juliaYText_.empty()) return {};
    return {juliaXText(), juliaYText()};
}

void FractalDocument::setWidthField(double v) {
    if (!std::isfinite(v)) return;
    widthField_ = integerFieldValue(v, -HUGE_VAL, HUGE_VAL);
    changed();
}

void FractalDocument::setHeightField(double v) {
    if (!std::isfinite(v)) return;
    heightField_ = integerFieldValue(v, -HUGE_VAL, HUGE_VAL);
    changed();
}

void FractalDocument::setPaletteFormula(std::string text) {
    paletteFormula_ = std::move(text);
    changed();
}
void FractalDocument::setRedFormula(std::string text) {
    redFormula_ = std::move(text);
    changed();
}
void FractalDocument::setGreenFormula(std::string text) {
    greenFormula_ = std::move(text);
    changed();
}
void FractalDocument::setBlueFormula(std::string text) {
    blueFormula_ = std::move(text);
    changed();
}

void FractalDocument::fixformulas() {
    fractal::FractalParams p;
    p.edit971 = std::move(paletteFormula_);
    p.redit = std::move(redFormula_);
    p.gedit = std::move(greenFormula_);
    p.bedit = std::move(blueFormula_);
    fractal::fixformulas(p);
    paletteFormula_ = std::move(p.edit971);
    redFormula_ = std::move(p.redit);
    greenFormula_ = std::move(p.gedit);
    blueFormula_ = std::move(p.bedit);
    changed();
}

int FractalDocument::get_f_type() const {
    return fractal::get_f_type([this](const fractal::FractalType& t) { return isChecked(t); });
}

void FractalDocument::chooseFractalType(const fractal::FractalType& t) {
    type_ = &t;
    orderVisible_ = t.orderShown;
    if (t.orderPreset != 0) order_ = t.orderPreset;
    bailoutLabel_ = t.bailoutLabel();
    changed();
}

void FractalDocument::checkFractalType(const fractal::FractalType& t) {
    type_ = &t;
    if (t.orderShown) orderVisible_ = true;
    changed();
}

void FractalDocument::JuliaMode1Click() {
    juliaMode_ = !juliaMode_;
    changed();
}

void FractalDocument::Invert1Click() {
    insideOut_ = !insideOut_;
    changed();
}

void FractalDocument::toggleFlipX() {
    flipX_ = !flipX_;
    changed();
}

void FractalDocument::toggleFlipY() {
    flipY_ = !flipY_;
    changed();
}

void FractalDocument::toggleMirror() {
    mirror_ = !mirror_;
    changed();
}

void FractalDocument::cyclegradClick() {
    repeatPalette_ = !repeatPalette_;
    changed();
}

void FractalDocument::toggleConstrainSelection() {
    constrainSelection_ = !constrainSelection_;
    changed();
}

void FractalDocument::setColourModel(ColourModel model) {
    colourModel_ = model;
    changed();
}

void FractalDocument::get_o(double re, double im) {
    orientation_ = {re, im};
    changed();
}

void FractalDocument::setCaption(std::string caption) {
    caption_ = std::move(caption);
    changed();
}

void FractalDocument::resizeit(int width, int height, bool keep) {
    pictureWidth_ = width;
    pictureHeight_ = height;
    if (keep) {
        widthField_ = width;
        heightField_ = height;
    }
    changed();
}

fractal::FractalParams FractalDocument::renderParams() const {
    fractal::FractalParams p;
    p.setView(view_);
    if (!deepView_.empty() && !fieldsHoldView(deepView_, view_, pictureWidth_, pictureHeight_)) {
        p.deepView = deepView_;
        p.setView(fractal::nearestView(deepView_));
    }
    p.deepMode = deepMode_;
    p.JuliaX = juliaXText_.empty() ? juliaX_ : nearestDoubleOfText(juliaXText_);
    p.JuliaY = juliaYText_.empty() ? juliaY_ : nearestDoubleOfText(juliaYText_);
    p.deepJulia = deepJulia();
    p.Max = max_;
    p.Bailout = bailout_;
    p.Order = order_;
    p.Width = pictureWidth_;
    p.Height = pictureHeight_;
    p.edit971 = paletteFormula_;
    p.redit = redFormula_;
    p.gedit = greenFormula_;
    p.bedit = blueFormula_;
    p.type = get_f_type();
    p.model = colourModel_;
    p.repeatPalette = repeatPalette_;
    p.julia = juliaMode_;
    p.insideOut = insideOut_;
    p.flipX = flipX_;
    p.flipY = flipY_;
    p.mirror = mirror_;
    p.Orientation = orientation_;
    return p;
}

void FractalDocument::setRenderParams(const fractal::FractalParams& p) {
    setUpperX(p.UpperX);
    setLowerX(p.LowerX);
    setUpperY(p.UpperY);
    setLowerY(p.LowerY);
    setJuliaX(p.JuliaX);
    setJuliaY(p.JuliaY);
    setMax(p.Max);
    setBailout(p.Bailout);
    setOrder(p.Order);
    setPaletteFormula(p.edit971);
    setRedFormula(p.redit);
    setGreenFormula(p.gedit);
    setBlueFormula(p.bedit);
    if (const auto* t = fractal::findByCode(p.type)) checkFractalType(*t);
    setColourModel(p.model);
    repeatPalette_ = p.repeatPalette;
    juliaMode_ = p.julia;
    insideOut_ = p.insideOut;
    flipX_ = p.flipX;
    flipY_ = p.flipY;
    mirror_ = p.mirror;
    get_o(p.Orientation.re, p.Orientation.im);
    resizeit(p.Width, p.Height, true);
    setDeepMode(p.deepMode);
    if (!p.deepJulia.empty()) {
        setJuliaXText(p.deepJulia.re);
        setJuliaYText(p.deepJulia.im);
    }
    if (!p.deepView.empty()) setDeepView(p.deepView);
}

} // namespace qm::params
