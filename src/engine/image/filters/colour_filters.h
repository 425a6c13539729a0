// The point filters: channel tables (RGB, CMY), hue models (HLS, HSV) and
// brightness/contrast/gamma.
#pragma once

#include "engine/image/filters/colour_models.h"
#include "engine/image/filters/pg_filter.h"

namespace qm::image {

// Point filter with three channel tables, each the identity until a dialog fills it.
class TXXXFilter : public TPGFilter {
public:
    ByteTable T0 = identityTable();
    ByteTable T1 = identityTable();
    ByteTable T2 = identityTable();

    bool IsPointFilter() const override { return true; }
    ColourValue FilterPixel(int x, int y) const override;

protected:
    // Reads source row y and maps every colour with `map` (the derived filter's own mapping,
    // inlined instead of a virtual call per pixel).
    template <class Map> void mapSourceRow(int y, ColourValue* out, Map map) const;
};

// (r, g, b) -> (T0[r], T1[g], T2[b]).
class TRGBFilter : public TXXXFilter {
public:
    std::unique_ptr<TPGFilter> Clone() const override {
        return std::make_unique<TRGBFilter>(*this);
    }
    ColourValue FilterColor(ColourValue colour) const override { return map(colour); }
    void FilterRow(int y, ColourValue* out) const override;

private:
    ColourValue map(ColourValue c) const {
        return makeColour(T0[redOf(c)], T1[greenOf(c)], T2[blueOf(c)]);
    }
};

// The tables act on the complements: cyan, magenta and yellow.
class TCMYFilter : public TXXXFilter {
public:
    std::unique_ptr<TPGFilter> Clone() const override {
        return std::make_unique<TCMYFilter>(*this);
    }
    ColourValue FilterColor(ColourValue colour) const override { return map(colour); }
    void FilterRow(int y, ColourValue* out) const override;

private:
    ColourValue map(ColourValue c) const {
        return makeColour(static_cast<std::uint8_t>(255 - T0[255 - redOf(c)]),
                          static_cast<std::uint8_t>(255 - T1[255 - greenOf(c)]),
                          static_cast<std::uint8_t>(255 - T2[255 - blueOf(c)]));
    }
};

// T0 turns the hue, T1 maps lightness, T2 saturation.
class THLSFilter : public TXXXFilter {
public:
    std::unique_ptr<TPGFilter> Clone() const override {
        return std::make_unique<THLSFilter>(*this);
    }
    ColourValue FilterColor(ColourValue colour) const override;
    void FilterRow(int y, ColourValue* out) const override;
};

// T0 turns the hue, T1 maps saturation, T2 value.
class THSVFilter : public TXXXFilter {
public:
    std::unique_ptr<TPGFilter> Clone() const override {
        return std::make_unique<THSVFilter>(*this);
    }
    ColourValue FilterColor(ColourValue colour) const override;
    void FilterRow(int y, ColourValue* out) const override;
};

// Brightness, contrast and gamma through one table, on each channel or on luma only.
class TBCGFilter : public TPGFilter {
public:
    std::unique_ptr<TPGFilter> Clone() const override {
        return std::make_unique<TBCGFilter>(*this);
    }
    TBCGFilter() { rebuildTable(); }

    int Brightness() const { return brightness_; }
    double Contrast() const { return contrast_; }
    double Gamma() const { return gamma_; }
    bool UseY() const { return useY_; }
    // Each setter rebuilds the table, so FilterColor is right even where the filter
    // operation maps a palette without calling BeginFilter.
    void SetBrightness(int value);
    void SetContrast(double value);
    void SetGamma(double value);
    void SetUseY(bool value);

    const ByteTable& T() const { return table_; }

    void BeginFilter(const TPixelGraphic& source) override;
    bool IsPointFilter() const override { return true; }
    ColourValue FilterPixel(int x, int y) const override;
    ColourValue FilterColor(ColourValue colour) const override;
    void FilterRow(int y, ColourValue* out) const override;

private:
    void rebuildTable();
    ColourValue mapLuma(ColourValue c) const;

    int brightness_ = 0;
    double contrast_ = 1.0;
    double gamma_ = 1.0;
    bool useY_ = false;
    ByteTable table_{};
};

} // namespace qm::image
