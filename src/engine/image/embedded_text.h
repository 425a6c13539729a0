// The parameter text that saved PNG and JPEG pictures carry besides their pixels, so a picture
// can be opened again as the document it came from.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm::image {

// PNG: the keyword of the iTXt chunk; JPEG: the first line of the COM segment.
inline constexpr std::string_view kParametersKeyword = "Quillmora.Parameters";
// PNG: the value of the "Software" tEXt chunk written beside it. ASCII parameter texts also get
// a tEXt copy under the same keyword, since common tools (ImageMagick 6) list only tEXt/zTXt.
inline constexpr std::string_view kSoftwareName = "Quillmora";
// Embedded texts are parameter files: the same bound as for a parameter file on disk.
inline constexpr std::size_t kMaxEmbeddedText = 16u << 20;
// The payload of one JPEG COM segment.
inline constexpr std::size_t kMaxJpegComment = 65533;

// Well-formed UTF-8 without NUL: what an iTXt chunk may hold and what a reader accepts.
bool isEmbeddableText(std::string_view text);

// The PNG chunks (type, data) that carry `parameters`, in file order before the image data:
// the uncompressed iTXt chunk, its tEXt copy when the text is ASCII, and "Software" =
// kSoftwareName. None when the text is empty or not embeddable.
std::vector<std::pair<std::string, std::string>> pngParameterChunks(std::string_view parameters);

// The COM segment payload for `parameters`: the keyword line (CR LF) and the text; empty when
// it would not fit one segment or is not embeddable (such pictures carry nothing).
std::string jpegParameterComment(std::string_view parameters);

// Recognises the two formats that can carry parameters by their first bytes.
bool canCarryParameters(std::span<const std::uint8_t> head);

// True for texts without bytes above 0x7F, which a Latin-1 tEXt chunk holds unchanged.
bool isAscii(std::string_view text);

// The parameter text of a PNG (iTXt, zTXt or tEXt with the keyword) or JPEG (COM segment
// before the scan data) read from `in`. Nothing when the file carries none, or carries one that
// is truncated, duplicated, contradicted by its copy, over kMaxEmbeddedText or not text. Reads only
// chunk and segment headers and the text itself; never more than kMaxEmbeddedText bytes of
// anything.
std::optional<std::string> readEmbeddedParameters(std::istream& in);

} // namespace qm::image
