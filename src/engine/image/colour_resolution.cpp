// Colour-resolution names, the fallback table, storage classification and conversions.
#include "engine/image/colour_resolution.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace qm::image {

namespace {

using CR = ColourResolution;

constexpr ColourValue kBlack = makeColour(0, 0, 0);
constexpr ColourValue kWhite = makeColour(255, 255, 255);

int clampByte(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

bool isGreyRamp(const std::vector<ColourValue>& palette) {
    const int n = static_cast<int>(palette.size());
    if (n < 2) return false;
    const int step = 255 / (n - 1);
    for (int i = 0; i < n; ++i)
        if (palette[static_cast<size_t>(i)] != greyColour(i * step)) return false;
    return true;
}

// Floyd-Steinberg error rows for `channels` channels, errors kept in sixteenths.
class ErrorDiffusion {
public:
    ErrorDiffusion(int width, int channels)
        : channels_(channels),
          current_(static_cast<size_t>(width + 2) * static_cast<size_t>(channels)),
          next_(current_.size()) {}

    // The value of channel c at x with the error that reached it.
    int adjusted(int x, int c, int value) const {
        const int e = current_[index(x, c)];
        return clampByte(value + (e >= 0 ? (e + 8) / 16 : -((-e + 8) / 16)));
    }
    void spread(int x, int c, int error) {
        current_[index(x + 1, c)] += error * 7;
        next_[index(x - 1, c)] += error * 3;
        next_[index(x, c)] += error * 5;
        next_[index(x + 1, c)] += error;
    }
    void nextRow() {
        std::swap(current_, next_);
        std::fill(next_.begin(), next_.end(), 0);
    }

private:
    size_t index(int x, int c) const {
        return static_cast<size_t>(x + 1) * static_cast<size_t>(channels_) + static_cast<size_t>(c);
    }
    int channels_;
    std::vector<int> current_;
    std::vector<int> next_;
};

TPixelGraphic toGrey(const TPixelGraphic& source, CR target) {
    const PixelFormat format = target == CR::BlackAndWhite ? PixelFormat::Bits1
                               : target == CR::Grey16      ? PixelFormat::Bits4
                                                           : PixelFormat::Bits8;
    TPixelGraphic out(source.width(), source.height(), format);
    const int levels = paletteSize(format);
    const int step = 255 / (levels - 1);
    std::vector<ColourValue> ramp;
    for (int i = 0; i < levels; ++i)
        ramp.push_back(greyColour(i * step));
    out.setPalette(ramp);
    ErrorDiffusion diffusion(source.width(), 1);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const int v = diffusion.adjusted(x, 0, luminance(source.pixel(x, y)));
            const int level = (v + step / 2) / step;
            out.setPixelIndex(x, y, level);
            diffusion.spread(x, 0, v - level * step);
        }
        diffusion.nextRow();
    }
    return out;
}

// Median cut over a 5-5-5 histogram; entries are the mean colours of the boxes.
std::vector<ColourValue> medianCut(const TPixelGraphic& source, size_t wanted) {
    struct Bin {
        int key;
        std::uint64_t count, r, g, b;
    };
    std::vector<Bin> bins(32768);
    for (int i = 0; i < 32768; ++i)
        bins[static_cast<size_t>(i)] = {i, 0, 0, 0, 0};
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const ColourValue c = source.pixel(x, y);
            Bin& bin = bins[static_cast<size_t>((redOf(c) >> 3) << 10 | (greenOf(c) >> 3) << 5 |
                                                (blueOf(c) >> 3))];
            ++bin.count;
            bin.r += redOf(c);
            bin.g += greenOf(c);
            bin.b += blueOf(c);
        }
    std::vector<Bin> used;
    for (const auto& b : bins)
        if (b.count > 0) used.push_back(b);
    const auto component = [](const Bin& b, int channel) {
        return (b.key >> (10 - 5 * channel)) & 31;
    };
    std::vector<std::vector<Bin>> boxes{used};
    while (boxes.size() < wanted) {
        // Split the most populated box that still holds more than one bin.
        size_t pick = boxes.size();
        std::uint64_t best = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            std::uint64_t total = 0;
            for (const auto& b : boxes[i])
                total += b.count;
            if (total > best) {
                best = total;
                pick = i;
            }
        }
        if (pick == boxes.size()) break;
        auto& box = boxes[pick];
        int channel = 0, widest = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 31, hi = 0;
            for (const auto& b : box) {
                lo = std::min(lo, component(b, ch));
                hi = std::max(hi, component(b, ch));
            }
            if (hi - lo > widest) {
                widest = hi - lo;
                channel = ch;
            }
        }
        std::sort(box.begin(), box.end(), [&](const Bin& a, const Bin& b) {
            return component(a, channel) != component(b, channel)
                       ? component(a, channel) < component(b, channel)
                       : a.key < b.key;
        });
        std::uint64_t half = 0;
        size_t cut = 1;
        for (; cut < box.size(); ++cut) {
            half += box[cut - 1].count;
            if (half * 2 >= best) break;
        }
        cut = std::min(cut, box.size() - 1);
        std::vector<Bin> upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<ColourValue> palette;
    for (const auto& box : boxes) {
        std::uint64_t n = 0, r = 0, g = 0, b = 0;
        for (const auto& bin : box) {
            n += bin.count;
            r += bin.r;
            g += bin.g;
            b += bin.b;
        }
        if (n == 0) continue;
        palette.push_back(makeColour(static_cast<std::uint8_t>((r + n / 2) / n),
                                     static_cast<std::uint8_t>((g + n / 2) / n),
                                     static_cast<std::uint8_t>((b + n / 2) / n)));
    }
    return palette;
}

TPixelGraphic toPalette(const TPixelGraphic& source, CR target) {
    const PixelFormat format = target == CR::TwoColours   ? PixelFormat::Bits1
                               : target == CR::Colours256 ? PixelFormat::Bits8
                                                          : PixelFormat::Bits4;
    const size_t capacity = static_cast<size_t>(paletteSize(format));
    TPixelGraphic out(source.width(), source.height(), format);

    std::vector<ColourValue> palette;
    std::unordered_map<ColourValue, int> exact;
    if (target == CR::System16) {
        palette.assign(kSystemColours.begin(), kSystemColours.end());
    } else {
        // The picture's own colours when they fit.
        for (int y = 0; y < source.height() && palette.size() <= capacity; ++y)
            for (int x = 0; x < source.width() && palette.size() <= capacity; ++x) {
                const ColourValue c = source.pixel(x, y);
                if (exact.emplace(c, static_cast<int>(palette.size())).second) palette.push_back(c);
            }
        if (palette.size() > capacity) palette = medianCut(source, capacity);
        exact.clear();
    }
    for (size_t i = 0; i < palette.size(); ++i)
        exact.emplace(palette[i], static_cast<int>(i));
    out.setPalette(palette);

    // Nearest entries for colours off the palette, cached per 5-5-5 cell.
    std::vector<int> cache(32768, -1);
    const auto nearest = [&](int r, int g, int b) {
        const ColourValue c = makeColour(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                         static_cast<std::uint8_t>(b));
        if (const auto it = exact.find(c); it != exact.end()) return it->second;
        int& slot = cache[static_cast<size_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))];
        if (slot < 0) slot = out.nearestPaletteIndex(c);
        return slot;
    };
    ErrorDiffusion diffusion(source.width(), 3);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const ColourValue c = source.pixel(x, y);
            const int r = diffusion.adjusted(x, 0, redOf(c));
            const int g = diffusion.adjusted(x, 1, greenOf(c));
            const int b = diffusion.adjusted(x, 2, blueOf(c));
            const int index = nearest(r, g, b);
            out.setPixelIndex(x, y, index);
            const ColourValue p = out.palette()[static_cast<size_t>(index)];
            diffusion.spread(x, 0, r - redOf(p));
            diffusion.spread(x, 1, g - greenOf(p));
            diffusion.spread(x, 2, b - blueOf(p));
        }
        diffusion.nextRow();
    }
    return out;
}

} // namespace

const char* colourResolutionName(ColourResolution resolution) {
    static constexpr const char* kNames[] = {
        "black and white", "2 colors",           "16 shades of gray", "16 system colors",
        "16 colors",       "256 shades of gray", "256 colors",        "16.7 million colors",
    };
    const int i = static_cast<int>(resolution);
    return (i >= 0 && i < kColourResolutionCount) ? kNames[i] : "";
}

const std::array<ColourResolution, 8>& fallbackOrder(ColourResolution current) {
    static const std::array<std::array<ColourResolution, 8>, 8> kOrder = [] {
        const int rows[8][8] = {
            {0, 1, 2, 3, 4, 5, 6, 7}, {1, 4, 6, 7, 3, 0, 2, 5}, {2, 4, 5, 6, 7, 3, 0, 1},
            {3, 4, 6, 7, 2, 5, 0, 1}, {4, 6, 7, 3, 2, 5, 0, 1}, {5, 6, 7, 2, 4, 3, 0, 1},
            {6, 7, 4, 3, 5, 2, 0, 1}, {7, 6, 4, 3, 5, 2, 0, 1},
        };
        std::array<std::array<ColourResolution, 8>, 8> table{};
        for (int r = 0; r < 8; ++r)
            for (int i = 0; i < 8; ++i)
                table[static_cast<size_t>(r)][static_cast<size_t>(i)] =
                    static_cast<ColourResolution>(rows[r][i]);
        return table;
    }();
    const int i = std::clamp(static_cast<int>(current), 0, 7);
    return kOrder[static_cast<size_t>(i)];
}

ColourResolution chooseResolution(ColourResolution current, ResolutionSet writable) {
    for (const auto r : fallbackOrder(current))
        if (writable & resolutionBit(r)) return r;
    return current;
}

ColourValue greyColour(int level) {
    const auto v = static_cast<std::uint8_t>(clampByte(level));
    return makeColour(v, v, v);
}

int luminance(ColourValue c) {
    return (299 * redOf(c) + 587 * greenOf(c) + 114 * blueOf(c) + 500) / 1000;
}

ColourResolution currentResolution(const TPixelGraphic& picture) {
    const auto& palette = picture.palette();
    switch (picture.pixelFormat()) {
    case PixelFormat::Bits1:
        if ((palette[0] == kBlack && palette[1] == kWhite) ||
            (palette[0] == kWhite && palette[1] == kBlack))
            return CR::BlackAndWhite;
        return CR::TwoColours;
    case PixelFormat::Bits4:
        if (isGreyRamp(palette)) return CR::Grey16;
        if (std::equal(palette.begin(), palette.end(), kSystemColours.begin())) return CR::System16;
        return CR::Colours16;
    case PixelFormat::Bits8:
        return isGreyRamp(palette) ? CR::Grey256 : CR::Colours256;
    case PixelFormat::Bits24:
        break;
    }
    return CR::TrueColour;
}

TPixelGraphic convertToResolution(const TPixelGraphic& source, ColourResolution target) {
    switch (target) {
    case CR::BlackAndWhite:
    case CR::Grey16:
    case CR::Grey256:
        return toGrey(source, target);
    case CR::TwoColours:
    case CR::System16:
    case CR::Colours16:
    case CR::Colours256:
        return toPalette(source, target);
    case CR::TrueColour:
        break;
    }
    TPixelGraphic out(source.width(), source.height(), PixelFormat::Bits24);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            out.SetPixel(x, y, source.pixel(x, y));
    return out;
}

} // namespace qm::image
