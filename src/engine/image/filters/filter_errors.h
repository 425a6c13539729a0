// Errors raised by the picture filters and their settings.
#pragma once

#include "engine/core/errors.h"
#include "engine/image/image_errors.h"

namespace qm::image {

// Filtering a picture into itself with a filter that reads neighbouring pixels.
QM_DECLARE_FIXED_EXCEPTION(EPGFilterSourceIsTarget, EPixelGraphic,
                           "Cannot apply this filter to a source that is identical to the target");

// Kernel size or cell index of a convolution filter out of range.
class EPGConvFilter : public EPixelGraphic {
public:
    static constexpr const char* kWidthMessage = "TConvFilter.Width outside 1..99";
    static constexpr const char* kHeightMessage = "TConvFilter.Height outside 1..99";
    static constexpr const char* kIndexMessage = "X-Y-index out of range";
    using EPixelGraphic::EPixelGraphic;
    const char* className() const noexcept override { return "EPGConvFilter"; }
};

// A filter setting given by name (command line) that does not exist or is out of range.
QM_DECLARE_EXCEPTION(EFilterSetting, Exception);

} // namespace qm::image
