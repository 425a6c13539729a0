// TPGFilter: the interface through which a picture applies a filter, pixel by pixel.
#pragma once

#include "engine/core/colour.h"

#include <memory>

namespace qm::image {

class TPixelGraphic;

// Base of every picture filter. The picture's filter operation calls BeginFilter with the
// source, then FilterPixel (or FilterRow) for every pixel of the destination, then EndFilter.
// Between BeginFilter and EndFilter, FilterPixel, FilterRow and FilterColor only read, so the
// filter operation may call them for different rows on several threads at once.
class TPGFilter {
public:
    TPGFilter() = default;
    TPGFilter(const TPGFilter&) = default;
    TPGFilter& operator=(const TPGFilter&) = default;
    virtual ~TPGFilter() = default;

    // A copy with the same settings, for work on another thread (a dialog's preview).
    virtual std::unique_ptr<TPGFilter> Clone() const { return std::make_unique<TPGFilter>(*this); }

    virtual void BeginFilter(const TPixelGraphic& source) { source_ = &source; }
    virtual ColourValue FilterPixel(int x, int y) const;
    virtual void EndFilter() { source_ = nullptr; }
    virtual bool IsPointFilter() const { return false; }
    virtual ColourValue FilterColor(ColourValue colour) const { return colour; }

    // The colours of destination row y (width of the source); the default asks FilterPixel.
    // Filters override it where a whole row is much cheaper than single pixels.
    virtual void FilterRow(int y, ColourValue* out) const;

protected:
    const TPixelGraphic* Source() const { return source_; }
    // Reads from the source given to BeginFilter; positions outside it read black.
    ColourValue SourcePixel(int x, int y) const;
    int SourceWidth() const;
    int SourceHeight() const;
    // Colours of source row y (SourceWidth() of them), straight from 24-bit pixel rows.
    void ReadSourceRow(int y, ColourValue* out) const;

private:
    const TPixelGraphic* source_ = nullptr;
};

} // namespace qm::image
