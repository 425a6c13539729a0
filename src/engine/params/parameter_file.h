// Parameter files (".qmp"): writing a document with the gradient's stop string, and reading one
// into a new document, key by key in the order that decides what a damaged file leaves behind.
#pragma once

#include "engine/core/atomic_file.h"
#include "engine/params/fractal_document.h"
#include "engine/params/ini_document.h"
#include "engine/params/recent_files.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qm::gradient {
class GradientModel;
}

namespace qm::params {

inline constexpr const char* kParameterFileFilter = "Quillmora Parameter Files|*.qmp";
inline constexpr const char* kParameterFileExtension = "qmp";
inline constexpr const char* kPictureParameterFilter =
    "Pictures with parameters|*.png;*.jpg;*.jpeg";

// A picture offered as a parameter source that carries no intact parameter text.
QM_DECLARE_EXCEPTION(ENoEmbeddedParameters, Exception);
inline constexpr const char* kNoEmbeddedParameters = "No Quillmora parameters in %s";

// True when `path` holds a picture rather than a parameter file: a PNG or JPEG by its first
// bytes, any other picture format by its extension and first bytes.
bool isPictureFile(const std::filesystem::path& path);

// The parameter text a picture carries (ENoEmbeddedParameters when none, or a damaged one).
std::string embeddedParameterText(const std::filesystem::path& path);

// What "Load Parameters" reads from `path`: a parameter file, or the parameter text a picture
// carries, which goes through the same reader.
IniDocument readParameterSource(const std::filesystem::path& path);

// The document as "Save Parameters" writes it: the eleven coordinates, the formulas, the
// gradient, Orientation and the Mode keys, with "Grad", "Type", "Julia" and "Invert" present
// only when checked.
IniDocument parameterDocument(const FractalDocument& doc, std::string_view stopString);

// "Save Parameters" after the dialog: writes the file through a temporary file (a failed
// write, EIniFileException "Unable to write to %s", leaves an existing file whole and changes
// nothing else), then captions the document with the file name and adds the full path to
// `recent` when given.
void saveParameters(FractalDocument& doc, std::string_view stopString,
                    const std::filesystem::path& path, RecentFiles* recent);

// The reading of `open` (a parameter file or a picture carrying one) into a document that was
// just created. Reading stops at the first
// number that does not convert (EConvertError "'%s' is not a valid floating point value") or
// at a bad gradient (EConvertError from `defaultgrad`); the document keeps what was read by
// then, its caption and picture size stay, and nothing is added to `recent`. A missing file or
// one that is not INI reads as all defaults.
void loadParameters(const std::filesystem::path& path, FractalDocument& doc,
                    gradient::GradientModel& gradient, RecentFiles* recent);

// Steps of the reading that take the file's keys: coordinates, formulas, Orientation, colour
// model, "Repeat Palette", gradient, catalogue entry, Julia and inside-out, in this order.
// Throws as loadParameters does, leaving what was read by then.
void applyParameters(const IniDocument& ini, FractalDocument& doc,
                     gradient::GradientModel& gradient);

// For front ends without a file dialog: a new document loaded from `path`, which must exist
// (qm::EFOpenError otherwise, as no dialog has checked that). The gradient is applied to
// `gradient`.
FractalDocument openParameterFile(const std::filesystem::path& path,
                                  gradient::GradientModel& gradient);

// The caption a loaded or saved document takes: the file name without its folder.
std::string captionForPath(const std::filesystem::path& path);

} // namespace qm::params
