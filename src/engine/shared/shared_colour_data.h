// SharedColourData: the colour table, plasma samples, plasma settings, RGB buffer picture and
// random generator that exist once per process. Owned by whoever runs the program and passed by
// reference.
#pragma once

#include "engine/core/colour.h"
#include "engine/core/random.h"
#include "engine/image/pixel_graphic.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace qm {

// 257 entries, indices 0..256; the renderers read 0..255, the exchange export all 257.
using GradientTableData = std::array<ColourValue, 257>;

// 322 x 242 bytes addressed [x][y], x major. The generator writes x 0..320, y 0..240 only.
struct PlasmaData {
    static constexpr int kWidth = 322;
    static constexpr int kHeight = 242;
    std::array<std::uint8_t, kWidth * kHeight> cells{};

    std::uint8_t at(int x, int y) const { return cells[static_cast<size_t>(x * kHeight + y)]; }
    std::uint8_t& at(int x, int y) { return cells[static_cast<size_t>(x * kHeight + y)]; }
};

class SharedColourData {
public:
    static constexpr int kRgbBufferSide = 256;

    SharedColourData();

    // Gradient table and plasma are published as immutable snapshots: the UI thread replaces
    // them whole, render workers take the current snapshot at the start of a row. The mutex
    // guards only the pointer swap.
    std::shared_ptr<const GradientTableData> gradientTable() const;
    void setGradientTable(const GradientTableData& table);

    std::shared_ptr<const PlasmaData> plasmaBuffer() const;
    void setPlasmaBuffer(std::shared_ptr<const PlasmaData> plasma);

    // Told after the gradient table or the plasma was replaced, on the thread that replaced it
    // (pictures coloured from them may follow). Listeners must not throw.
    enum class Change { Gradient, Plasma };
    using ChangeListener = std::function<void(Change)>;
    int addChangeListener(ChangeListener listener);
    void removeChangeListener(int id);

    // Plasma generator settings; UI thread only.
    double plasmaNoise = 2.0;
    double plasmaBias = 0.5;

    // The RGB buffer picture: 24-bit, 256 x 256 at creation. Loading a picture file into the
    // buffer and a document's "Image - > RGB buffer" replace its content and size. UI thread
    // only; no renderer reads it.
    image::TPixelGraphic& rgbBuffer() { return rgbBuffer_; }
    const image::TPixelGraphic& rgbBuffer() const { return rgbBuffer_; }

    // The shared generator of the colour formulas, the plasma and the gradient editor.
    // UI thread only; render workers use their own generators seeded from it.
    RandomGenerator& random() { return random_; }

private:
    void tell(Change change) const;

    mutable std::mutex mutex_;
    std::vector<std::pair<int, ChangeListener>> listeners_;
    int nextListener_ = 1;
    std::shared_ptr<const GradientTableData> gradient_;
    std::shared_ptr<const PlasmaData> plasma_;
    image::TPixelGraphic rgbBuffer_;
    RandomGenerator random_;
};

} // namespace qm
