// The settings of the ten filter dialogs.
#include "engine/image/filters/filter_dialogs.h"

#include "engine/core/arith.h"
#include "engine/core/number_text.h"
#include "engine/image/filters/apply_filter.h"
#include "engine/image/filters/filter_errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace qm::image {

namespace {

const char* const kDegree = "\u00B0";
const char* const kPlusMinus = "\u00B1";

// -180..180 by whole turns; 180 and -180 both stay.
int wrapHue(std::int64_t v) {
    if (v > 180) v -= 360 * ((v - 180 + 359) / 360);
    if (v < -180) v += 360 * ((-180 - v + 359) / 360);
    return static_cast<int>(v);
}

std::string unknownSetting(const TFilterDialog& dialog, std::string_view name) {
    std::string text =
        "unknown setting '" + std::string(name) + "' for \"" + dialog.Title() + "\"; settings:";
    for (const std::string& p : dialog.PropertyNames())
        text += " " + p;
    return text;
}

} // namespace

std::string signedReadOut(int value, std::string_view unit) {
    std::string text = value > 0 ? "+" : value == 0 ? kPlusMinus : "";
    return text + std::to_string(value) + std::string(unit);
}

std::string twoDecimals(double value) {
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
    return std::string(buf, result.ptr);
}

// TFilterDialog

void TFilterDialog::initialize() {
    SetCaptions();
    filter_ = CreateFilter();
    apply();
    SaveSettings();
}

void TFilterDialog::apply() {
    ApplySettings();
}

const SliderInfo& TFilterDialog::Slider(int index) const {
    return sliders_.at(static_cast<size_t>(index));
}

int TFilterDialog::Position(int index) const {
    Slider(index); // range check
    return positions_[static_cast<size_t>(index)];
}

void TFilterDialog::SetPosition(int index, int position) {
    const SliderInfo& s = Slider(index);
    positions_[static_cast<size_t>(index)] = std::clamp(position, s.min, s.max);
    apply();
}

double TFilterDialog::Value(int index) const {
    const int p = Position(index);
    switch (Slider(index).kind) {
    case SliderKind::Power5:
        return std::pow(5.0, p / 100.0);
    case SliderKind::Hundredths:
        return p / 100.0;
    default:
        return p;
    }
}

void TFilterDialog::SetValue(int index, double value) {
    const SliderInfo& s = Slider(index);
    switch (s.kind) {
    case SliderKind::Power5:
        SetPosition(index, Round(100.0 * std::log(std::clamp(value, 0.2, 5.0)) / std::log(5.0)));
        return;
    case SliderKind::Hundredths:
        SetPosition(index, Round(std::clamp(value * 100.0, double(s.min), double(s.max))));
        return;
    case SliderKind::Hue:
        SetPosition(index, wrapHue(Round(std::clamp(value, -2e9, 2e9))));
        return;
    default:
        SetPosition(index, Round(std::clamp(value, double(s.min), double(s.max))));
        return;
    }
}

void TFilterDialog::SetOptionChecked(bool checked) {
    optionChecked_ = checked;
    apply();
}

std::string TFilterDialog::ReadOut(int index) const {
    const int p = Position(index);
    switch (Slider(index).kind) {
    case SliderKind::SignedPercent:
        return signedReadOut(p, "%");
    case SliderKind::Hue:
        return signedReadOut(p, kDegree);
    case SliderKind::Power5:
    case SliderKind::Hundredths:
        return twoDecimals(Value(index));
    case SliderKind::Strength:
        return std::to_string(p) + "%";
    }
    return {};
}

void TFilterDialog::SaveSettings() {
    savedPositions_ = positions_;
    savedOptionChecked_ = optionChecked_;
}

void TFilterDialog::RestoreSettings() {
    positions_ = savedPositions_;
    optionChecked_ = savedOptionChecked_;
    apply();
}

void TFilterDialog::addSlider(SliderInfo info, int position) {
    positions_[sliders_.size()] = position;
    sliders_.push_back(std::move(info));
}

void TFilterDialog::setOption(OptionInfo info, bool checked) {
    option_ = std::move(info);
    optionChecked_ = checked;
}

std::vector<std::string> TFilterDialog::PropertyNames() const {
    std::vector<std::string> names;
    for (const SliderInfo& s : sliders_)
        names.push_back(s.property);
    if (option_) names.push_back(option_->property);
    return names;
}

void TFilterDialog::SetProperty(std::string_view name, std::string_view text) {
    if (option_ && name == option_->property) {
        if (text == "true" || text == "1")
            SetOptionChecked(true);
        else if (text == "false" || text == "0")
            SetOptionChecked(false);
        else
            throw EFilterSetting(std::string(name) + " must be true or false, not '" +
                                 std::string(text) + "'");
        return;
    }
    for (int i = 0; i < SliderCount(); ++i) {
        const SliderInfo& s = sliders_[static_cast<size_t>(i)];
        if (name != s.property) continue;
        const std::string value(text);
        if (s.kind == SliderKind::Power5 || s.kind == SliderKind::Hundredths) {
            const double lo = s.kind == SliderKind::Power5 ? 0.2 : s.min / 100.0;
            const double hi = s.kind == SliderKind::Power5 ? 5.0 : s.max / 100.0;
            const std::optional<double> v = tryParseFloat(value);
            if (!v || !(*v >= lo && *v <= hi))
                throw EFilterSetting(s.property + " must be a number from " + twoDecimals(lo) +
                                     " to " + twoDecimals(hi) + ", not '" + value + "'");
            SetValue(i, *v);
            return;
        }
        const std::optional<std::int32_t> v = tryParseInteger(value);
        if (s.kind == SliderKind::Hue) {
            if (!v)
                throw EFilterSetting(s.property + " must be a whole number of degrees, not '" +
                                     value + "'");
            SetPosition(i, wrapHue(*v));
            return;
        }
        if (!v || *v < s.min || *v > s.max)
            throw EFilterSetting(s.property + " must be a whole number from " +
                                 std::to_string(s.min) + " to " + std::to_string(s.max) +
                                 ", not '" + value + "'");
        SetPosition(i, *v);
        return;
    }
    throw EFilterSetting(unknownSetting(*this, name));
}

// TPreviewFilterDialog

std::pair<int, int> TPreviewFilterDialog::PreviewSize(int width, int height, int areaWidth,
                                                      int areaHeight) {
    if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0) return {0, 0};
    if (width <= areaWidth && height <= areaHeight) return {width, height};
    const std::int64_t w = width;
    const std::int64_t h = height;
    if (w * areaHeight >= h * areaWidth) // wider than the area: full area width
        return {areaWidth, static_cast<int>(std::max<std::int64_t>(1, h * areaWidth / w))};
    return {static_cast<int>(std::max<std::int64_t>(1, w * areaHeight / h)), areaHeight};
}

TPixelGraphic TPreviewFilterDialog::PreviewCopy(const TPixelGraphic& picture, int areaWidth,
                                                int areaHeight) {
    const auto [w, h] = PreviewSize(picture.width(), picture.height(), areaWidth, areaHeight);
    TPixelGraphic copy;
    copy.SetSize(w, h, PixelFormat::Bits24);
    copy.StretchFrom(picture);
    return copy;
}

TPixelGraphic TPreviewFilterDialog::FilteredPreview(const TPixelGraphic& copy,
                                                    const TPGFilter& filter) {
    TPixelGraphic out;
    const std::unique_ptr<TPGFilter> own = filter.Clone();
    applyFilter(out, *own, copy, 1);
    return out;
}

// Colour dialogs

void TXXXFilterDialog::addPercentSlider(const char* caption, const char* property) {
    addSlider({caption, property, SliderKind::SignedPercent, -100, 100, 10, "-100%",
               signedReadOut(0, "%"), "+100%"},
              0);
}

void TXXXFilterDialog::addHueSlider() {
    addSlider({"H:", "H", SliderKind::Hue, -180, 180, 15, std::string("-180") + kDegree,
               signedReadOut(0, kDegree), std::string("+180") + kDegree},
              0);
}

void TRGBFilterDialog::SetCaptions() {
    setTitle("RGB-Filter");
    addPercentSlider("R:", "Red");
    addPercentSlider("G:", "Green");
    addPercentSlider("B:", "Blue");
}

void TRGBFilterDialog::ApplySettings() {
    auto& f = filterAs<TRGBFilter>();
    f.T0 = shiftTable(Red());
    f.T1 = shiftTable(Green());
    f.T2 = shiftTable(Blue());
}

void TCMYFilterDialog::SetCaptions() {
    setTitle("CMY-Filter");
    addPercentSlider("C:", "Cyan");
    addPercentSlider("M:", "Magenta");
    addPercentSlider("Y:", "Yellow");
}

void TCMYFilterDialog::ApplySettings() {
    auto& f = filterAs<TCMYFilter>();
    f.T0 = shiftTable(Cyan());
    f.T1 = shiftTable(Magenta());
    f.T2 = shiftTable(Yellow());
}

void THLSFilterDialog::SetCaptions() {
    setTitle("HLS-Filter");
    addHueSlider();
    addPercentSlider("L:", "L");
    addPercentSlider("S:", "S");
}

void THLSFilterDialog::ApplySettings() {
    auto& f = filterAs<THLSFilter>();
    f.T0 = hueTable(H());
    f.T1 = shiftTable(L());
    f.T2 = shiftTable(S());
}

void THSVFilterDialog::SetCaptions() {
    setTitle("HSV-Filter");
    addHueSlider();
    addPercentSlider("S:", "S");
    addPercentSlider("V:", "V");
}

void THSVFilterDialog::ApplySettings() {
    auto& f = filterAs<THSVFilter>();
    f.T0 = hueTable(H());
    f.T1 = shiftTable(S());
    f.T2 = shiftTable(V());
}

void TBCGFilterDialog::SetCaptions() {
    setTitle("Brightness, Contrast, Gamma Filter");
    addSlider({"Brightness", "Brightness", SliderKind::SignedPercent, -100, 100, 10, "-100%",
               signedReadOut(0, "%"), "+100%"},
              0);
    addSlider({"Contrast", "Contrast", SliderKind::Power5, -100, 100, 100, "0.20", "1.00", "5.00"},
              0);
    addSlider({"Gamma", "Gamma", SliderKind::Power5, -100, 100, 100, "0.20", "1.00", "5.00"}, 0);
    setOption({"Apply on", "RGB", "Y", "UseY"}, false);
}

void TBCGFilterDialog::ApplySettings() {
    auto& f = filterAs<TBCGFilter>();
    f.SetBrightness(Brightness());
    f.SetContrast(Contrast());
    f.SetGamma(Gamma());
    f.SetUseY(UseY());
}

// Convolution dialogs

void TConvFilterDialog::addStdDeviationSlider(int position) {
    addSlider(
        {"Std. deviation", "StdDeviation", SliderKind::Hundredths, 40, 130, 10, "0.40", "", "1.30"},
        position);
}

void TConvFilterDialog::addStrengthSlider(int min, int max, int tickFrequency, int position) {
    addSlider({"Strength", "Percent", SliderKind::Strength, min, max, tickFrequency,
               std::to_string(min) + "%", "", std::to_string(max) + "%"},
              position);
}

void TGaussFilterDialog::addGaussSliders(int stdDeviation, int percent) {
    addStdDeviationSlider(stdDeviation);
    addStrengthSlider(10, 100, 10, percent);
}

void TSmoothFilterDialog::SetCaptions() {
    setTitle("Smooth");
    addGaussSliders(130, 100);
}

void TSmoothFilterDialog::ApplySettings() {
    setSmoothKernel(conv(), StdDeviation(), Percent());
}

void TSharpenFilterDialog::SetCaptions() {
    setTitle("Sharpen");
    addGaussSliders(75, 50);
}

void TSharpenFilterDialog::ApplySettings() {
    setSharpenKernel(conv(), StdDeviation(), Percent());
}

void TDetailFilterDialog::SetCaptions() {
    setTitle("Detail");
    addGaussSliders(75, 75);
}

void TDetailFilterDialog::ApplySettings() {
    setDetailKernel(conv(), StdDeviation(), Percent());
}

void TContourFilterDialog::SetCaptions() {
    setTitle("Contour");
    addStdDeviationSlider(100);
    addStrengthSlider(100, 1000, 100, 100);
    setOption({"Background", "White", "Black", "BlackBk"}, false);
}

void TContourFilterDialog::ApplySettings() {
    setContourKernel(conv(), StdDeviation(), Percent(), BlackBk());
}

void TBlurFilterDialog::SetCaptions() {
    setTitle("Blur");
    addSlider({"Radius", "Radius", SliderKind::Hundredths, 50, 500, 50, "0.50", "", "5.00"}, 250);
    addStrengthSlider(10, 100, 10, 100);
}

void TBlurFilterDialog::ApplySettings() {
    setBlurKernel(conv(), Radius(), Percent());
}

// The set of dialogs

const std::array<FilterKindName, 10> kFilterKinds = {{
    {FilterKind::Rgb, "rgb"},
    {FilterKind::Cmy, "cmy"},
    {FilterKind::Hls, "hls"},
    {FilterKind::Hsv, "hsv"},
    {FilterKind::Bcg, "bcg"},
    {FilterKind::Smooth, "smooth"},
    {FilterKind::Blur, "blur"},
    {FilterKind::Details, "details"},
    {FilterKind::Sharpen, "sharpen"},
    {FilterKind::Contours, "contours"},
}};

std::optional<FilterKind> filterKindFromName(std::string_view name) {
    for (const FilterKindName& k : kFilterKinds)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

std::unique_ptr<TFilterDialog> createFilterDialog(FilterKind kind) {
    switch (kind) {
    case FilterKind::Rgb:
        return std::make_unique<TRGBFilterDialog>();
    case FilterKind::Cmy:
        return std::make_unique<TCMYFilterDialog>();
    case FilterKind::Hls:
        return std::make_unique<THLSFilterDialog>();
    case FilterKind::Hsv:
        return std::make_unique<THSVFilterDialog>();
    case FilterKind::Bcg:
        return std::make_unique<TBCGFilterDialog>();
    case FilterKind::Smooth:
        return std::make_unique<TSmoothFilterDialog>();
    case FilterKind::Blur:
        return std::make_unique<TBlurFilterDialog>();
    case FilterKind::Details:
        return std::make_unique<TDetailFilterDialog>();
    case FilterKind::Sharpen:
        return std::make_unique<TSharpenFilterDialog>();
    case FilterKind::Contours:
        return std::make_unique<TContourFilterDialog>();
    }
    return nullptr;
}

std::unique_ptr<TFilterDialog> createMainWindowFilterDialog(FilterKind kind) {
    std::unique_ptr<TFilterDialog> dialog = createFilterDialog(kind);
    switch (kind) {
    case FilterKind::Bcg: {
        auto& d = static_cast<TBCGFilterDialog&>(*dialog);
        d.SetContrast(1.0);
        d.SetGamma(1.0);
        break;
    }
    case FilterKind::Blur:
        static_cast<TBlurFilterDialog&>(*dialog).SetRadius(2.5);
        break;
    case FilterKind::Details:
        static_cast<TDetailFilterDialog&>(*dialog).SetStdDeviation(0.75);
        break;
    case FilterKind::Smooth: {
        auto& d = static_cast<TSmoothFilterDialog&>(*dialog);
        d.SetStdDeviation(0.4);
        d.SetPercent(10);
        break;
    }
    case FilterKind::Sharpen:
        static_cast<TSharpenFilterDialog&>(*dialog).SetStdDeviation(0.75);
        break;
    case FilterKind::Contours:
        static_cast<TContourFilterDialog&>(*dialog).SetStdDeviation(1.0);
        break;
    default:
        break; // the colour dialogs start neutral
    }
    dialog->SaveSettings();
    return dialog;
}

} // namespace qm::image
