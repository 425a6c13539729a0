// The settings of the ten filter dialogs: titles, sliders and their value mappings, read-outs,
// defaults, save and restore. The Qt dialogs only display and edit these.
#pragma once

#include "engine/image/filters/colour_filters.h"
#include "engine/image/filters/conv_filter.h"
#include "engine/image/pixel_graphic.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::image {

// How a slider position (an integer) relates to the setting it edits.
enum class SliderKind {
    SignedPercent, // value = position, -100..100, read-out "+10%", "±0%", "-10%"
    Hue,           // value = position, -180..180 degrees, other values wrap by whole turns
    Power5,        // value = 5^(position / 100), position -100..100 (0.2 .. 5.0)
    Hundredths,    // value = position / 100
    Strength       // value = position, read-out "n%"
};

struct SliderInfo {
    std::string caption;  // at the slider's left, e.g. "R:"
    std::string property; // the setting's name, e.g. "Red"
    SliderKind kind;
    int min;
    int max;
    int tickFrequency;
    std::string minLabel, midLabel, maxLabel; // below the slider; midLabel may be empty
};

// A pair of radio buttons; the setting is true when the second one is chosen.
struct OptionInfo {
    std::string caption;
    std::string first, second;
    std::string property; // "UseY", "BlackBk"
};

// Base of the dialogs: owns the filter and the settings as slider positions plus the option.
// Every change is applied to the filter at once.
class TFilterDialog {
public:
    TFilterDialog(const TFilterDialog&) = delete;
    TFilterDialog& operator=(const TFilterDialog&) = delete;
    virtual ~TFilterDialog() = default;

    const std::string& Title() const { return title_; }
    int SliderCount() const { return static_cast<int>(sliders_.size()); }
    const SliderInfo& Slider(int index) const;
    const std::optional<OptionInfo>& Option() const { return option_; }
    virtual bool HasPreview() const { return false; }

    int Position(int index) const;
    // Limited to the slider's range, then applied to the filter.
    void SetPosition(int index, int position);
    // The setting the slider stands for (see SliderKind), and setting it: Hue wraps, Power5
    // limits to 0.2..5 and stores Round(100 ln v / ln 5), Hundredths stores Round(100 v), all
    // limited to the slider's range.
    double Value(int index) const;
    void SetValue(int index, double value);
    bool OptionChecked() const { return optionChecked_; }
    void SetOptionChecked(bool checked);

    // The text at the slider's right.
    virtual std::string ReadOut(int index) const;

    // The filter, configured with the current settings.
    TPGFilter& Filter() { return *filter_; }
    const TPGFilter& Filter() const { return *filter_; }

    // Save before showing the window; Restore (and apply again) on any close but "OK".
    void SaveSettings();
    void RestoreSettings();

    // Settings by name, for the command line: "Red", "Contrast", "UseY", ... Text values are
    // checked against the slider range (hues wrap) and raise EFilterSetting when unknown,
    // malformed or out of range.
    std::vector<std::string> PropertyNames() const;
    void SetProperty(std::string_view name, std::string_view text);

protected:
    TFilterDialog() = default;
    // The slot order of the dialogs; every concrete dialog's constructor calls initialize().
    void initialize();
    virtual void SetCaptions() = 0;
    virtual std::unique_ptr<TPGFilter> CreateFilter() = 0;
    virtual void ApplySettings() = 0;

    void setTitle(std::string title) { title_ = std::move(title); }
    void addSlider(SliderInfo info, int position);
    void setOption(OptionInfo info, bool checked);

    template <class Filter> Filter& filterAs() { return static_cast<Filter&>(*filter_); }

private:
    void apply();

    std::string title_;
    std::vector<SliderInfo> sliders_;
    std::optional<OptionInfo> option_;
    std::array<int, 3> positions_{};
    bool optionChecked_ = false;
    std::array<int, 3> savedPositions_{};
    bool savedOptionChecked_ = false;
    std::unique_ptr<TPGFilter> filter_;
};

// Dialogs that show the filtered picture while the sliders move.
class TPreviewFilterDialog : public TFilterDialog {
public:
    bool HasPreview() const override { return true; }

    // Size of the preview of a width x height picture in an area: the picture's own size when
    // it fits, otherwise reduced to fit with its aspect ratio kept (at least 1 x 1).
    static std::pair<int, int> PreviewSize(int width, int height, int areaWidth, int areaHeight);
    // The picture reduced for the preview area (24-bit), and that copy filtered with a copy of
    // the current filter. Both only read their arguments, so a worker thread may run them
    // while the dialog stays on the user-interface thread.
    static TPixelGraphic PreviewCopy(const TPixelGraphic& picture, int areaWidth, int areaHeight);
    static TPixelGraphic FilteredPreview(const TPixelGraphic& copy, const TPGFilter& filter);
};

// Three sliders feeding the tables T0, T1, T2.
class TXXXFilterDialog : public TPreviewFilterDialog {
protected:
    void addPercentSlider(const char* caption, const char* property);
    void addHueSlider();
};

class TRGBFilterDialog final : public TXXXFilterDialog {
public:
    TRGBFilterDialog() { initialize(); }
    int Red() const { return Position(0); }
    int Green() const { return Position(1); }
    int Blue() const { return Position(2); }
    void SetRed(int v) { SetPosition(0, v); }
    void SetGreen(int v) { SetPosition(1, v); }
    void SetBlue(int v) { SetPosition(2, v); }

protected:
    void SetCaptions() override;
    std::unique_ptr<TPGFilter> CreateFilter() override { return std::make_unique<TRGBFilter>(); }
    void ApplySettings() override;
};

class TCMYFilterDialog final : public TXXXFilterDialog {
public:
    TCMYFilterDialog() { initialize(); }
    int Cyan() const { return Position(0); }
    int Magenta() const { return Position(1); }
    int Yellow() const { return Position(2); }
    void SetCyan(int v) { SetPosition(0, v); }
    void SetMagenta(int v) { SetPosition(1, v); }
    void SetYellow(int v) { SetPosition(2, v); }

protected:
    void SetCaptions() override;
    std::unique_ptr<TPGFilter> CreateFilter() override { return std::make_unique<TCMYFilter>(); }
    void ApplySettings() override;
};

class THLSFilterDialog final : public TXXXFilterDialog {
public:
    THLSFilterDialog() { initialize(); }
    int H() const { return Position(0); }
    int L() const { return Position(1); }
    int S() const { return Position(2); }
    void SetH(int v) { SetValue(0, v); }
    void SetL(int v) { SetPosition(1, v); }
    void SetS(int v) { SetPosition(2, v); }

protected:
    void SetCaptions() override;
    std::unique_ptr<TPGFilter> CreateFilter() override { return std::make_unique<THLSFilter>(); }
    void ApplySettings() override;
};

class THSVFilterDialog final : public TXXXFilterDialog {
public:
    THSVFilterDialog() { initialize(); }
    int H() const { return Position(0); }
    int S() const { return Position(1); }
    int V() const { return Position(2); }
    void SetH(int v) { SetValue(0, v); }
    void SetS(int v) { SetPosition(1, v); }
    void SetV(int v) { SetPosition(2, v); }

protected:
    void SetCaptions() override;
    std::unique_ptr<TPGFilter> CreateFilter() override { return std::make_unique<THSVFilter>(); }
    void ApplySettings() override;
};

class TBCGFilterDialog final : public TPreviewFilterDialog {
public:
    TBCGFilterDialog() { initialize(); }
    int Brightness() const { return Position(0); }
    double Contrast() const { return Value(1); }
    double Gamma() const { return Value(2); }
    bool UseY() const { return OptionChecked(); }
    void SetBrightness(int v) { SetPosition(0, v); }
    void SetContrast(double v) { SetValue(1, v); }
    void SetGamma(double v) { SetValue(2, v); }
    void SetUseY(bool v) { SetOptionChecked(v); }

protected:
    void SetCaptions() override;
    std::unique_ptr<TPGFilter> CreateFilter() override { return std::make_unique<TBCGFilter>(); }
    void ApplySettings() override;
};

// Two sliders, no preview; the filter is a TConvFilter.
class TConvFilterDialog : public TFilterDialog {
public:
    int Percent() const { return Position(1); }
    void SetPercent(int v) { SetPosition(1, v); }

protected:
    std::unique_ptr<TPGFilter> CreateFilter() override { return std::make_unique<TConvFilter>(); }
    TConvFilter& conv() { return filterAs<TConvFilter>(); }
    void addStdDeviationSlider(int position);
    void addStrengthSlider(int min, int max, int tickFrequency, int position);
};

// Sliders "Std. deviation" (0.40..1.30) and "Strength" (10..100 %).
class TGaussFilterDialog : public TConvFilterDialog {
public:
    double StdDeviation() const { return Value(0); }
    void SetStdDeviation(double v) { SetValue(0, v); }

protected:
    void addGaussSliders(int stdDeviation, int percent);
};

class TSmoothFilterDialog final : public TGaussFilterDialog {
public:
    TSmoothFilterDialog() { initialize(); }

protected:
    void SetCaptions() override;
    void ApplySettings() override;
};

class TSharpenFilterDialog final : public TGaussFilterDialog {
public:
    TSharpenFilterDialog() { initialize(); }

protected:
    void SetCaptions() override;
    void ApplySettings() override;
};

class TDetailFilterDialog final : public TGaussFilterDialog {
public:
    TDetailFilterDialog() { initialize(); }

protected:
    void SetCaptions() override;
    void ApplySettings() override;
};

class TContourFilterDialog final : public TGaussFilterDialog {
public:
    TContourFilterDialog() { initialize(); }
    bool BlackBk() const { return OptionChecked(); }
    void SetBlackBk(bool v) { SetOptionChecked(v); }

protected:
    void SetCaptions() override;
    void ApplySettings() override;
};

class TBlurFilterDialog final : public TConvFilterDialog {
public:
    TBlurFilterDialog() { initialize(); }
    double Radius() const { return Value(0); }
    void SetRadius(double v) { SetValue(0, v); }

protected:
    void SetCaptions() override;
    void ApplySettings() override;
};

// The ten filters of the Filters menu, by their command-line names.
enum class FilterKind { Rgb, Cmy, Hls, Hsv, Bcg, Smooth, Blur, Details, Sharpen, Contours };

struct FilterKindName {
    FilterKind kind;
    const char* name; // "rgb", "cmy", "hls", "hsv", "bcg", "smooth", "blur", ...
};
extern const std::array<FilterKindName, 10> kFilterKinds;

std::optional<FilterKind> filterKindFromName(std::string_view name);

// A dialog with its own defaults.
std::unique_ptr<TFilterDialog> createFilterDialog(FilterKind kind);
// A dialog as the main window creates it: its own defaults, then the main window's initial
// values (Smooth 0.4 and 10 %, Blur radius 2.5, ...).
std::unique_ptr<TFilterDialog> createMainWindowFilterDialog(FilterKind kind);

// Read-out texts, also used for the slider labels.
std::string signedReadOut(int value, std::string_view unit); // "+10%", "±0°", "-5%"
std::string twoDecimals(double value);                       // "1.00", independent of locale

} // namespace qm::image
