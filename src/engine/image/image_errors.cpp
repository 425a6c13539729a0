// Message texts of the picture library's exceptions that take arguments.
#include "engine/image/image_errors.h"

#include "engine/image/picture_limits.h"

namespace qm::image {

EPGInvalidSize::EPGInvalidSize(std::int64_t width, std::int64_t height)
    : EPixelGraphic("Invalid picture size " + std::to_string(width) + " x " +
                    std::to_string(height)) {}

EPGPictureTooLarge::EPGPictureTooLarge(std::int64_t width, std::int64_t height,
                                       std::int64_t maxPixels)
    : EPixelGraphic("Picture too large: " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels (at most " + std::to_string(kMaxPictureSide) + " per side and " +
                    std::to_string(maxPixels) + " in all)") {}

EPGUnknownExtention::EPGUnknownExtention(std::string_view extension)
    : EPixelGraphic([&] {
          std::string lower(extension);
          for (char& c : lower)
              if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
          return std::string(kUnknownFileExtention) + " \"" + lower + "\"";
      }()) {}

EPGCannotWriteColorRes::EPGCannotWriteColorRes(std::string_view formatName,
                                               std::string_view resolutionName)
    : EPixelGraphic("The graphic cannot be saved with to a " + std::string(formatName) +
                    " file the current color resolution (" + std::string(resolutionName) + ")") {}

} // namespace qm::image
