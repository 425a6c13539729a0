// The point filters: channel tables, hue models and brightness/contrast/gamma.
#include "engine/image/filters/colour_filters.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qm::image {

namespace {

RgbFraction fractionsOf(ColourValue c) {
    return {redOf(c) / 255.0, greenOf(c) / 255.0, blueOf(c) / 255.0};
}

ColourValue colourOf(RgbFraction c) {
    return makeColour(fractionToByte(c.r), fractionToByte(c.g), fractionToByte(c.b));
}

// Remembers recent results of a costly colour mapping: fractal pictures hold few distinct
// colours. Direct-mapped; an entry is the colour in the high half and its result in the low.
class MappingCache {
public:
    MappingCache() { entries_.fill(kEmpty); }

    template <class Map> ColourValue get(ColourValue c, Map map) {
        std::uint64_t& e = entries_[(c * 2654435761u) >> 20];
        if ((e >> 32) == c) return static_cast<ColourValue>(e);
        const ColourValue result = map(c);
        e = (std::uint64_t{c} << 32) | result;
        return result;
    }

private:
    // Colours have a zero top byte, so this key never matches one.
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    std::array<std::uint64_t, 4096> entries_;
};

} // namespace

template <class Map> void TXXXFilter::mapSourceRow(int y, ColourValue* out, Map map) const {
    ReadSourceRow(y, out);
    const int width = SourceWidth();
    for (int x = 0; x < width; ++x)
        out[x] = map(out[x]);
}

ColourValue TXXXFilter::FilterPixel(int x, int y) const {
    return FilterColor(SourcePixel(x, y));
}

void TRGBFilter::FilterRow(int y, ColourValue* out) const {
    mapSourceRow(y, out, [this](ColourValue c) { return map(c); });
}

void TCMYFilter::FilterRow(int y, ColourValue* out) const {
    mapSourceRow(y, out, [this](ColourValue c) { return map(c); });
}

ColourValue THLSFilter::FilterColor(ColourValue colour) const {
    HlsColour c = rgbToHls(fractionsOf(colour));
    if (hueDefined(c.h)) c.h = lookUpHue(T0, c.h);
    c.l = lookUpFraction(T1, c.l);
    c.s = lookUpFraction(T2, c.s);
    if (c.s == 0.0 || !hueDefined(c.h)) {
        c.s = 0.0;
        c.h = kUndefinedHue;
    }
    return colourOf(hlsToRgb(c));
}

void THLSFilter::FilterRow(int y, ColourValue* out) const {
    MappingCache cache;
    mapSourceRow(y, out, [&](ColourValue c) {
        return cache.get(c, [this](ColourValue k) { return THLSFilter::FilterColor(k); });
    });
}

ColourValue THSVFilter::FilterColor(ColourValue colour) const {
    HsvColour c = rgbToHsv(fractionsOf(colour));
    if (hueDefined(c.h)) c.h = lookUpHue(T0, c.h);
    c.s = lookUpFraction(T1, c.s);
    if (c.s == 0.0 || !hueDefined(c.h)) {
        c.s = 0.0;
        c.h = kUndefinedHue;
    }
    c.v = lookUpFraction(T2, c.v);
    return colourOf(hsvToRgb(c));
}

void THSVFilter::FilterRow(int y, ColourValue* out) const {
    MappingCache cache;
    mapSourceRow(y, out, [&](ColourValue c) {
        return cache.get(c, [this](ColourValue k) { return THSVFilter::FilterColor(k); });
    });
}

void TBCGFilter::SetBrightness(int value) {
    brightness_ = value;
    rebuildTable();
}

void TBCGFilter::SetContrast(double value) {
    contrast_ = value;
    rebuildTable();
}

void TBCGFilter::SetGamma(double value) {
    gamma_ = value;
    rebuildTable();
}

void TBCGFilter::SetUseY(bool value) {
    useY_ = value;
}

void TBCGFilter::rebuildTable() {
    for (int i = 0; i < 256; ++i) {
        double x = std::pow(i / 255.0, gamma_) * 255.0;
        x = (x - 127.5) * contrast_ + 127.5;
        x = x + brightness_ * 255.0 * 0.01;
        // Limited before rounding so no setting can leave the integer range; a setting that
        // makes no number (gamma <= 0 at i = 0 with contrast 0) counts as the lower limit.
        x = std::isnan(x) ? -1.0 : std::clamp(x, -1.0, 256.0);
        table_[static_cast<size_t>(i)] =
            static_cast<std::uint8_t>(std::clamp(std::nearbyint(x), 0.0, 255.0));
    }
}

void TBCGFilter::BeginFilter(const TPixelGraphic& source) {
    TPGFilter::BeginFilter(source);
    rebuildTable();
}

ColourValue TBCGFilter::FilterPixel(int x, int y) const {
    return FilterColor(SourcePixel(x, y));
}

ColourValue TBCGFilter::mapLuma(ColourValue colour) const {
    const RgbFraction c = fractionsOf(colour);
    double y = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
    const double u = -0.169 * c.r - 0.331 * c.g + 0.5 * c.b;
    const double v = 0.5 * c.r - 0.419 * c.g - 0.081 * c.b;
    y = lookUpFraction(table_, y);
    return colourOf({y + 1.403 * v, y - 0.344 * u - 0.714 * v, y + 1.773 * u});
}

ColourValue TBCGFilter::FilterColor(ColourValue c) const {
    if (useY_) return mapLuma(c);
    return makeColour(table_[redOf(c)], table_[greenOf(c)], table_[blueOf(c)]);
}

void TBCGFilter::FilterRow(int y, ColourValue* out) const {
    ReadSourceRow(y, out);
    const int width = SourceWidth();
    if (useY_) {
        MappingCache cache;
        for (int x = 0; x < width; ++x)
            out[x] = cache.get(out[x], [this](ColourValue c) { return mapLuma(c); });
        return;
    }
    for (int x = 0; x < width; ++x) {
        const ColourValue c = out[x];
        out[x] = makeColour(table_[redOf(c)], table_[greenOf(c)], table_[blueOf(c)]);
    }
}

} // namespace qm::image
