// TPGFilter's defaults and the source access shared by all filters.
#include "engine/image/filters/pg_filter.h"

#include "engine/image/pixel_graphic.h"

namespace qm::image {

ColourValue TPGFilter::FilterPixel(int, int) const {
    return 0;
}

void TPGFilter::FilterRow(int y, ColourValue* out) const {
    const int width = SourceWidth();
    for (int x = 0; x < width; ++x)
        out[x] = FilterPixel(x, y);
}

ColourValue TPGFilter::SourcePixel(int x, int y) const {
    return source_ != nullptr ? source_->pixel(x, y) : 0;
}

int TPGFilter::SourceWidth() const {
    return source_ != nullptr ? source_->width() : 0;
}

int TPGFilter::SourceHeight() const {
    return source_ != nullptr ? source_->height() : 0;
}

void TPGFilter::ReadSourceRow(int y, ColourValue* out) const {
    const int width = SourceWidth();
    if (source_->pixelFormat() != PixelFormat::Bits24) {
        for (int x = 0; x < width; ++x)
            out[x] = source_->pixel(x, y);
        return;
    }
    const std::uint8_t* p = source_->scanLine(y);
    for (int x = 0; x < width; ++x, p += 3)
        out[x] = makeColour(p[0], p[1], p[2]);
}

} // namespace qm::image
