// The Fractal Fun File export: the plane rectangle and the 257-entry colour table as text.
#pragma once

#include "engine/core/colour.h"
#include "engine/core/errors.h"
#include "engine/shared/shared_colour_data.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qm::params {

// The export's short form of the file-creation error (qm::EFCreateError); the picture writers
// use the long form, which adds quotes and a reason.
inline constexpr const char* kCreateFileError = "Cannot create file %s";

// One of the sixteen standard colour names ("clBlack", "clMaroon", ...) when the value is that
// colour, otherwise "$" and eight upper-case hex digits (00, blue, green, red).
std::string colourText(ColourValue colour);

// The whole file: line 1 "UpperX,LowerX,UpperY,LowerY" in the number format, then the 257
// table entries, every line ended by CR LF. The coordinates are doubles: the exchange format
// is read by programs that know no longer numbers, so a deep view exports its nearest doubles.
std::string fractalFunText(double upperX, double lowerX, double upperY, double lowerY,
                           const GradientTableData& table);

// Replaces `path` with `text` through a temporary file; EFCreateError when that fails, in
// which case an existing file is left as it was.
void writeFractalFunFile(const std::filesystem::path& path, std::string_view text);

} // namespace qm::params
