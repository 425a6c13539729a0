// Writing and reading parameter files.
#include "engine/params/parameter_file.h"

#include "engine/core/number_text.h"
#include "engine/fractal/deep/mp_float.h"
#include "engine/gradient/gradient_model.h"
#include "engine/image/embedded_text.h"
#include "engine/image/picture_files.h"
#include "engine/params/deep_coordinates.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace qm::params {

namespace {

namespace key {
inline constexpr const char* Coordinates = "Coordinates";
inline constexpr const char* Formulas = "Formulas";
inline constexpr const char* Misc = "Misc";
inline constexpr const char* Orientation = "Orientation";
inline constexpr const char* Mode = "Mode";
} // namespace key

// The coordinate keys in file order with the reader's defaults and the fields they fill.
struct NumberKey {
    const char* name;
    const char* fallback;
    double (*get)(const FractalDocument&);
    void (*set)(FractalDocument&, double);
    // Keys whose value may say more than its field: the exact text, and its setter.
    std::string (*getText)(const FractalDocument&) = nullptr;
    void (*setText)(FractalDocument&, const std::string&) = nullptr;
};

constexpr NumberKey kNumberKeys[] = {
    {"UpperX", "-3", [](const FractalDocument& d) { return d.upperX(); },
     [](FractalDocument& d, double v) { d.setUpperX(v); }},
    {"LowerX", "2", [](const FractalDocument& d) { return d.lowerX(); },
     [](FractalDocument& d, double v) { d.setLowerX(v); }},
    {"UpperY", "-2", [](const FractalDocument& d) { return d.upperY(); },
     [](FractalDocument& d, double v) { d.setUpperY(v); }},
    {"LowerY", "2", [](const FractalDocument& d) { return d.lowerY(); },
     [](FractalDocument& d, double v) { d.setLowerY(v); }},
    {"JuliaX", "0", [](const FractalDocument& d) { return d.juliaX(); },
     [](FractalDocument& d, double v) { d.setJuliaX(v); },
     [](const FractalDocument& d) { return d.juliaXText(); },
     [](FractalDocument& d, const std::string& t) { d.setJuliaXText(t); }},
    {"JuliaY", "0", [](const FractalDocument& d) { return d.juliaY(); },
     [](FractalDocument& d, double v) { d.setJuliaY(v); },
     [](const FractalDocument& d) { return d.juliaYText(); },
     [](FractalDocument& d, const std::string& t) { d.setJuliaYText(t); }},
    {"Max", "32", [](const FractalDocument& d) { return static_cast<double>(d.max()); },
     [](FractalDocument& d, double v) { d.setMax(v); }},
    {"Bailout", "4", [](const FractalDocument& d) { return static_cast<double>(d.bailout()); },
     [](FractalDocument& d, double v) { d.setBailout(v); }},
    {"Order", "3", [](const FractalDocument& d) { return static_cast<double>(d.order()); },
     [](FractalDocument& d, double v) { d.setOrder(v); }},
    {"Width", "255", [](const FractalDocument& d) { return d.widthField(); },
     [](FractalDocument& d, double v) { d.setWidthField(v); }},
    {"Height", "255", [](const FractalDocument& d) { return d.heightField(); },
     [](FractalDocument& d, double v) { d.setHeightField(v); }},
};

struct FormulaKey {
    const char* name;
    const char* fallback;
    const std::string& (FractalDocument::*get)() const;
    void (FractalDocument::*set)(std::string);
};

constexpr FormulaKey kFormulaKeys[] = {
    {"RGB", "c", &FractalDocument::paletteFormula, &FractalDocument::setPaletteFormula},
    {"R", "c", &FractalDocument::redFormula, &FractalDocument::setRedFormula},
    {"G", "0", &FractalDocument::greenFormula, &FractalDocument::setGreenFormula},
    {"B", "0", &FractalDocument::blueFormula, &FractalDocument::setBlueFormula},
};

// UpperX, LowerX, UpperY, LowerY lead kNumberKeys in this order.
constexpr FractalDocument::Coordinate kCoordinateKeys[] = {
    FractalDocument::Coordinate::UpperX, FractalDocument::Coordinate::LowerX,
    FractalDocument::Coordinate::UpperY, FractalDocument::Coordinate::LowerY};

std::array<std::string, 4> fieldTexts(const fractal::View& v) {
    return {formatNumber(v.upperX), formatNumber(v.lowerX), formatNumber(v.upperY),
            formatNumber(v.lowerY)};
}

// The texts of the four coordinates in a file: the fields' 15 digits, byte for byte as ever,
// wherever they hold the view at the file's picture size; otherwise the exact texts with the
// digits the view needs. The decision is made on the texts as written, so that a file read
// and written again comes back unchanged.
std::array<std::string, 4> coordinateTexts(const FractalDocument& doc) {
    if (doc.deepView().empty()) return fieldTexts(doc.view());
    const int width = pictureSizeFromField(doc.widthField());
    const int height = pictureSizeFromField(doc.heightField());
    const fractal::DeepView texts = textsForFile(doc.deepView(), width, height);
    FractalDocument written; // the fields these texts give when read
    try {
        written.setDeepView(texts);
    } catch (const fractal::ERenderParameters&) {
        // Rounding took a coordinate at the edge of the doubles' range over it: keep every digit.
        const auto& whole = doc.deepView();
        return {whole.upperX, whole.lowerX, whole.upperY, whole.lowerY};
    }
    if (fieldsHoldView(texts, written.view(), width, height)) return fieldTexts(written.view());
    return {texts.upperX, texts.lowerX, texts.upperY, texts.lowerY};
}

// The value of a key that may say more than its field: read whole (a cut would change the
// number) and converted as every number is; a decimal text also goes to the document whole
// through `setText`, which keeps it where the field does not hold it.
template <class SetText>
void readExactNumber(const IniDocument& ini, const NumberKey& k, FractalDocument& doc,
                     SetText setText) {
    const std::string text = ini.readLongString(key::Coordinates, k.name, k.fallback);
    const auto value = tryParseFloat(text);
    if (!value)
        throw EConvertError::invalidFloat(ini.readString(key::Coordinates, k.name, k.fallback));
    k.set(doc, *value);
    if (fractal::deep::parseDecimal(text, 64)) setText(text);
}

} // namespace

std::string captionForPath(const std::filesystem::path& path) {
    return path.filename().string();
}

IniDocument parameterDocument(const FractalDocument& doc, std::string_view stopString) {
    IniDocument ini;
    const auto coordinates = coordinateTexts(doc);
    for (std::size_t k = 0; k < std::size(kNumberKeys); ++k)
        ini.writeString(key::Coordinates, kNumberKeys[k].name,
                        k < coordinates.size()   ? coordinates[k]
                        : kNumberKeys[k].getText ? kNumberKeys[k].getText(doc)
                                                 : formatNumber(kNumberKeys[k].get(doc)));
    for (const auto& k : kFormulaKeys)
        ini.writeString(key::Formulas, k.name, (doc.*k.get)());
    ini.writeString(key::Misc, "Gradient", stopString);
    const auto o = doc.publish_o();
    ini.writeString(key::Orientation, "real", formatNumber(o.re));
    ini.writeString(key::Orientation, "imaginary", formatNumber(o.im));

    const char* channels = doc.colourModel() == ColourModel::RgbMode   ? "Split"
                           : doc.colourModel() == ColourModel::HlsMode ? "SplitHLS"
                                                                       : "Grad";
    ini.writeString(key::Mode, "Channels", channels);
    if (doc.repeatPalette()) ini.writeString(key::Mode, "Grad", "Cycle");
    for (const auto& t : fractal::catalogue())
        if (*t.identifier != '\0' && doc.isChecked(t))
            ini.writeString(key::Mode, "Type", t.identifier);
    if (doc.juliaMode()) ini.writeString(key::Mode, "Julia", "true");
    if (doc.insideOut()) ini.writeString(key::Mode, "Invert", "true");
    return ini;
}

void saveParameters(FractalDocument& doc, std::string_view stopString,
                    const std::filesystem::path& path, RecentFiles* recent) {
    parameterDocument(doc, stopString).writeFile(path);
    doc.setCaption(captionForPath(path));
    if (recent) recent->add(std::filesystem::absolute(path).lexically_normal().string());
}

void applyParameters(const IniDocument& ini, FractalDocument& doc,
                     gradient::GradientModel& gradient) {
    for (std::size_t k = 0; k < std::size(kNumberKeys); ++k) {
        const NumberKey& nk = kNumberKeys[k];
        if (k < std::size(kCoordinateKeys))
            readExactNumber(ini, nk, doc, [&](const std::string& text) {
                doc.setCoordinateText(kCoordinateKeys[k], text);
            });
        else if (nk.setText)
            readExactNumber(ini, nk, doc, [&](const std::string& text) { nk.setText(doc, text); });
        else
            kNumberKeys[k].set(doc, parseFloat(ini.readString(key::Coordinates, kNumberKeys[k].name,
                                                              kNumberKeys[k].fallback)));
    }
    for (const auto& k : kFormulaKeys)
        (doc.*k.set)(ini.readString(key::Formulas, k.name, k.fallback));

    const double re = parseFloat(ini.readString(key::Orientation, "real", "1"));
    const double im = parseFloat(ini.readString(key::Orientation, "imaginary", "0"));
    doc.get_o(re, im);

    if (ini.readString(key::Mode, "Channels", "NoSplit") == "Split") doc.Splitchannels1Click();
    if (ini.readString(key::Mode, "Channels", "NoSplit") == "SplitHLS") doc.HLSMode1Click();
    if (ini.readString(key::Mode, "Grad", "RGB") == "Cycle") doc.cyclegradClick();

    const std::string stops = ini.readString(key::Misc, "Gradient", "nil");
    if (stops != "nil") gradient.defaultgrad(stops);

    const std::string type = ini.readString(key::Mode, "Type", "mandel");
    for (const auto& t : fractal::catalogue())
        if (*t.identifier != '\0' && type == t.identifier) doc.checkFractalType(t);

    if (ini.readString(key::Mode, "Julia", "false") == "true") doc.JuliaMode1Click();
    if (ini.readString(key::Mode, "Invert", "false") == "true") doc.Invert1Click();
}

bool isPictureFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::uint8_t head[image::kSignatureBytes] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    const std::span<const std::uint8_t> bytes(head, static_cast<std::size_t>(in.gcount()));
    if (image::canCarryParameters(bytes)) return true;
    // Weaker signatures (PCX, PNM) only count with their own extension, so a parameter file
    // that happens to start like one is still read as text.
    const std::string extension = image::lowerExtension(path);
    for (const auto& reader : image::pictureReaders())
        if (extension == reader.extension && reader.hasContentTest && reader.accepts(bytes))
            return true;
    return false;
}

std::string embeddedParameterText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFOpenError(path, std::strerror(errno));
    auto text = image::readEmbeddedParameters(in);
    if (!text) throw ENoEmbeddedParameters(formatMessage(kNoEmbeddedParameters, {path.string()}));
    return std::move(*text);
}

IniDocument readParameterSource(const std::filesystem::path& path) {
    if (isPictureFile(path)) return IniDocument::parse(embeddedParameterText(path));
    return IniDocument::readFile(path);
}

void loadParameters(const std::filesystem::path& path, FractalDocument& doc,
                    gradient::GradientModel& gradient, RecentFiles* recent) {
    applyParameters(readParameterSource(path), doc, gradient);
    doc.setCaption(captionForPath(path));
    doc.resizeit(pictureSizeFromField(doc.widthField()), pictureSizeFromField(doc.heightField()),
                 false);
    if (recent) recent->add(std::filesystem::absolute(path).lexically_normal().string());
}

FractalDocument openParameterFile(const std::filesystem::path& path,
                                  gradient::GradientModel& gradient) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::is_regular_file(status)) {
        const std::string reason = std::filesystem::exists(status) ? "Not a regular file"
                                   : ec                            ? ec.message()
                                                                   : std::strerror(ENOENT);
        throw EFOpenError(path, reason);
    }
    FractalDocument doc;
    loadParameters(path, doc, gradient, nullptr);
    return doc;
}

} // namespace qm::params
