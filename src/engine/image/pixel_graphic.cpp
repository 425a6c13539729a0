// Storage, pixel access, stretching and notifications of TPixelGraphic.
#include "engine/image/pixel_graphic.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace qm::image {

const std::array<ColourValue, 16> kSystemColours = {
    makeColour(0, 0, 0),       makeColour(128, 0, 0),     makeColour(0, 128, 0),
    makeColour(128, 128, 0),   makeColour(0, 0, 128),     makeColour(128, 0, 128),
    makeColour(0, 128, 128),   makeColour(192, 192, 192), makeColour(128, 128, 128),
    makeColour(255, 0, 0),     makeColour(0, 255, 0),     makeColour(255, 255, 0),
    makeColour(0, 0, 255),     makeColour(255, 0, 255),   makeColour(0, 255, 255),
    makeColour(255, 255, 255),
};

int bitsPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::Bits1:
        return 1;
    case PixelFormat::Bits4:
        return 4;
    case PixelFormat::Bits8:
        return 8;
    case PixelFormat::Bits24:
        return 24;
    }
    return 24;
}

int paletteSize(PixelFormat format) {
    return format == PixelFormat::Bits24 ? 0 : 1 << bitsPerPixel(format);
}

std::int64_t rowBytesFor(std::int64_t width, PixelFormat format) {
    return (bitsPerPixel(format) * width + 31) / 32 * 4;
}

void checkPictureSize(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    if (width < 0 || height < 0) throw EPGInvalidSize(width, height);
    const std::int64_t limit = std::min(maxPixels, kMaxPicturePixels);
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > limit)
        throw EPGPictureTooLarge(width, height, limit);
}

TPixelGraphic::TPixelGraphic(int width, int height, PixelFormat format) {
    SetSize(width, height, format);
}

TPixelGraphic::TPixelGraphic(const TPixelGraphic& other) {
    copyContentFrom(other);
}

TPixelGraphic& TPixelGraphic::operator=(const TPixelGraphic& other) {
    if (this != &other) copyContentFrom(other);
    return *this;
}

TPixelGraphic::TPixelGraphic(TPixelGraphic&& other) noexcept {
    moveContentFrom(other);
}

TPixelGraphic& TPixelGraphic::operator=(TPixelGraphic&& other) noexcept {
    if (this != &other) moveContentFrom(other);
    return *this;
}

void TPixelGraphic::copyContentFrom(const TPixelGraphic& other) {
    bits_ = other.bits_; // first: the only step that can throw
    palette_ = other.palette_;
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    rowBytes_ = other.rowBytes_;
    SaveColorResWarningAction = other.SaveColorResWarningAction;
    lastIndex_ = -1;
}

void TPixelGraphic::moveContentFrom(TPixelGraphic& other) noexcept {
    bits_ = std::move(other.bits_);
    palette_ = std::move(other.palette_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    format_ = std::exchange(other.format_, PixelFormat::Bits24);
    rowBytes_ = std::exchange(other.rowBytes_, 0);
    SaveColorResWarningAction = other.SaveColorResWarningAction;
    other.bits_.clear();
    other.palette_.clear();
    lastIndex_ = -1;
    other.lastIndex_ = -1;
}

void TPixelGraphic::resetDefaultPalette() {
    palette_.clear();
    switch (format_) {
    case PixelFormat::Bits1:
        palette_ = {makeColour(0, 0, 0), makeColour(255, 255, 255)};
        break;
    case PixelFormat::Bits4:
        palette_.assign(kSystemColours.begin(), kSystemColours.end());
        break;
    case PixelFormat::Bits8:
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            palette_.push_back(makeColour(v, v, v));
        }
        break;
    case PixelFormat::Bits24:
        break;
    }
    lastIndex_ = -1;
}

void TPixelGraphic::SetSize(int width, int height, PixelFormat format) {
    checkPictureSize(width, height);
    if (width == width_ && height == height_ && format == format_ &&
        bits_.size() == static_cast<size_t>(rowBytes_) * static_cast<size_t>(height_)) {
        Clear();
        return;
    }
    const auto rowBytes = rowBytesFor(width, format);
    std::vector<std::uint8_t> bits(static_cast<size_t>(rowBytes * height));
    bits_ = std::move(bits);
    width_ = width;
    height_ = height;
    rowBytes_ = static_cast<int>(rowBytes);
    if (format != format_ || palette_.size() != static_cast<size_t>(paletteSize(format))) {
        format_ = format;
        resetDefaultPalette();
    }
    Changed();
}

int TPixelGraphic::readIndex(int x, int y) const {
    const std::uint8_t* row =
        bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_);
    switch (format_) {
    case PixelFormat::Bits1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::Bits4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case PixelFormat::Bits8:
        return row[x];
    case PixelFormat::Bits24:
        break;
    }
    return 0;
}

void TPixelGraphic::writeIndex(int x, int y, int index) {
    std::uint8_t* row = bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_);
    switch (format_) {
    case PixelFormat::Bits1: {
        const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] =
            static_cast<std::uint8_t>(index ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
        break;
    }
    case PixelFormat::Bits4: {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    case PixelFormat::Bits8:
        row[x] = static_cast<std::uint8_t>(index);
        break;
    case PixelFormat::Bits24:
        break;
    }
}

int TPixelGraphic::nearestPaletteIndex(ColourValue colour) const {
    int best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (size_t i = 0; i < palette_.size(); ++i) {
        const long dr = long{redOf(palette_[i])} - redOf(colour);
        const long dg = long{greenOf(palette_[i])} - greenOf(colour);
        const long db = long{blueOf(palette_[i])} - blueOf(colour);
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return best;
}

int TPixelGraphic::indexForColour(ColourValue colour) {
    if (lastIndex_ < 0 || colour != lastColour_) {
        lastColour_ = colour;
        lastIndex_ = nearestPaletteIndex(colour);
    }
    return lastIndex_;
}

void TPixelGraphic::SetPixel(int x, int y, ColourValue colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    if (format_ == PixelFormat::Bits24) {
        std::uint8_t* p = bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_) +
                          static_cast<size_t>(x) * 3;
        p[0] = redOf(colour);
        p[1] = greenOf(colour);
        p[2] = blueOf(colour);
        return;
    }
    writeIndex(x, y, indexForColour(colour));
}

ColourValue TPixelGraphic::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    if (format_ == PixelFormat::Bits24) {
        const std::uint8_t* p = bits_.data() +
                                static_cast<size_t>(y) * static_cast<size_t>(rowBytes_) +
                                static_cast<size_t>(x) * 3;
        return makeColour(p[0], p[1], p[2]);
    }
    return palette_[static_cast<size_t>(readIndex(x, y))];
}

int TPixelGraphic::pixelIndex(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    if (format_ == PixelFormat::Bits24) return static_cast<int>(pixel(x, y));
    return readIndex(x, y);
}

void TPixelGraphic::setPixelIndex(int x, int y, int index) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || format_ == PixelFormat::Bits24) return;
    if (index < 0 || index >= static_cast<int>(palette_.size())) return;
    writeIndex(x, y, index);
}

void TPixelGraphic::Clear() {
    std::fill(bits_.begin(), bits_.end(), std::uint8_t{0});
    Changed();
}

void TPixelGraphic::Assign(const TPixelGraphic& source) {
    if (&source != this) copyContentFrom(source);
    Changed();
}

std::uint8_t* TPixelGraphic::scanLine(int y) {
    if (y < 0 || y >= height_ || width_ == 0) throw EPixelGraphic(kScanLineOutOfRange);
    return bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_);
}

const std::uint8_t* TPixelGraphic::scanLine(int y) const {
    if (y < 0 || y >= height_ || width_ == 0) throw EPixelGraphic(kScanLineOutOfRange);
    return bits_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_);
}

void TPixelGraphic::setPalette(std::span<const ColourValue> colours) {
    for (size_t i = 0; i < palette_.size(); ++i)
        palette_[i] = i < colours.size() ? colours[i] : 0;
    lastIndex_ = -1;
}

void TPixelGraphic::setPaletteEntry(int index, ColourValue colour) {
    if (index < 0 || index >= static_cast<int>(palette_.size())) return;
    palette_[static_cast<size_t>(index)] = colour;
    lastIndex_ = -1;
}

void TPixelGraphic::StretchCopyRect(int destLeft, int destTop, const TPixelGraphic& source,
                                    int sourceHeight, int sourceWidth, int sourceTop,
                                    int sourceLeft, int destHeight, int destWidth) {
    if (empty() || source.empty()) return;
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0) return;
    if (&source == this) {
        const TPixelGraphic copy(*this);
        StretchCopyRect(destLeft, destTop, copy, sourceHeight, sourceWidth, sourceTop, sourceLeft,
                        destHeight, destWidth);
        return;
    }
    using I64 = std::int64_t;
    // Destination offsets that land inside this picture.
    const I64 dx0 = std::max<I64>(0, -I64{destLeft});
    const I64 dx1 = std::min<I64>(destWidth, I64{width_} - destLeft);
    const I64 dy0 = std::max<I64>(0, -I64{destTop});
    const I64 dy1 = std::min<I64>(destHeight, I64{height_} - destTop);
    if (dx0 >= dx1 || dy0 >= dy1) return;

    // Nearest neighbour with centre sampling; equal sizes map every pixel onto itself.
    // -1 marks a source position outside the source picture.
    const auto sourceCoordinate = [](I64 d, I64 sourceStart, I64 sourceSize, I64 destSize,
                                     I64 sourceLimit) -> int {
        const I64 s = sourceStart + (2 * d + 1) * sourceSize / (2 * destSize);
        return (s < 0 || s >= sourceLimit) ? -1 : static_cast<int>(s);
    };
    std::vector<int> columns(static_cast<size_t>(dx1 - dx0));
    for (I64 d = dx0; d < dx1; ++d)
        columns[static_cast<size_t>(d - dx0)] =
            sourceCoordinate(d, sourceLeft, sourceWidth, destWidth, source.width_);

    const bool trueColour = format_ == PixelFormat::Bits24 && source.format_ == PixelFormat::Bits24;
    const bool sameIndices =
        format_ != PixelFormat::Bits24 && format_ == source.format_ && palette_ == source.palette_;
    const int blackIndex = format_ == PixelFormat::Bits24 ? 0 : nearestPaletteIndex(0);

    for (I64 dy = dy0; dy < dy1; ++dy) {
        const int sy = sourceCoordinate(dy, sourceTop, sourceHeight, destHeight, source.height_);
        const int y = static_cast<int>(destTop + dy);
        if (trueColour) {
            std::uint8_t* out = scanLine(y) + (destLeft + dx0) * 3;
            const std::uint8_t* in = sy < 0 ? nullptr : source.scanLine(sy);
            for (const int sx : columns) {
                if (in == nullptr || sx < 0) {
                    out[0] = out[1] = out[2] = 0;
                } else {
                    std::memcpy(out, in + static_cast<size_t>(sx) * 3, 3);
                }
                out += 3;
            }
            continue;
        }
        for (I64 d = dx0; d < dx1; ++d) {
            const int x = static_cast<int>(destLeft + d);
            const int sx = columns[static_cast<size_t>(d - dx0)];
            const bool outside = sy < 0 || sx < 0;
            if (sameIndices) {
                writeIndex(x, y, outside ? blackIndex : source.readIndex(sx, sy));
            } else {
                SetPixel(x, y, outside ? 0 : source.pixel(sx, sy));
            }
        }
    }
}

void TPixelGraphic::StretchFrom(const TPixelGraphic& source) {
    StretchCopyRect(0, 0, source, source.height_, source.width_, 0, 0, height_, width_);
}

void TPixelGraphic::Changed() {
    if (updateLock_ > 0) {
        changePending_ = true;
        return;
    }
    if (onChange_) onChange_(*this);
}

void TPixelGraphic::beginUpdate() {
    ++updateLock_;
}

void TPixelGraphic::endUpdate() {
    if (updateLock_ == 0) return;
    if (--updateLock_ == 0 && changePending_) {
        changePending_ = false;
        Changed();
    }
}

void TPixelGraphic::progressStart() const {
    if (progress_.start) progress_.start(*this);
}

bool TPixelGraphic::progress(int current, int total) const {
    bool abort = false;
    if (progress_.progress) progress_.progress(*this, current, total, abort);
    return abort;
}

void TPixelGraphic::progressEnd() const {
    if (progress_.end) progress_.end(*this);
}

} // namespace qm::image
