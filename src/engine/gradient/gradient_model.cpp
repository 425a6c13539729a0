// Field handling, table computation and the editor commands of GradientModel.
#include "engine/gradient/gradient_model.h"

#include "engine/core/arith.h"
#include "engine/gradient/builtin_presets.h"

#include <algorithm>
#include <stdexcept>

namespace qm::gradient {

namespace {

// Holds GradientUpdating for one batch of field writes and clears it however the batch ends.
class UpdatingScope {
public:
    explicit UpdatingScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~UpdatingScope() { flag_ = false; }
    UpdatingScope(const UpdatingScope&) = delete;
    UpdatingScope& operator=(const UpdatingScope&) = delete;

private:
    bool& flag_;
};

constexpr int kStopFive = fieldIndex(5, 0);

} // namespace

// Collects the changes of one public operation (nested ones included) into one notification.
class GradientModel::Batch {
public:
    explicit Batch(GradientModel& model) : model_(model) { ++model_.batchDepth_; }
    ~Batch() {
        if (--model_.batchDepth_ == 0 && model_.changed_) {
            model_.changed_ = false;
            model_.notify();
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    GradientModel& model_;
};

GradientModel::GradientModel(SharedColourData& data) : data_(data) {
    fields_.fill(kFieldMin);
    fields_[0] = 2;
}

void GradientModel::initialise() {
    Batch batch(*this);
    data_.random().reseedFromClock();
    reset();
    defaultgrad(kStandardStopString);
}

void GradientModel::setField(int index, int value) {
    if (index < 0 || index >= kFieldCount) throw std::out_of_range("gradient field index");
    const int limited = limitField(value);
    auto& slot = fields_[static_cast<size_t>(index)];
    if (slot == limited) return; // an unchanged field fires no change handler
    Batch batch(*this);
    slot = limited;
    changed_ = true;
    render();
}

void GradientModel::copyStopOneToStopFive() {
    for (int channel = 0; channel < 3; ++channel) {
        auto& target = fields_[static_cast<size_t>(kStopFive + channel)];
        const int source = fields_[static_cast<size_t>(channel)];
        if (target != source) {
            target = source;
            changed_ = true;
        }
    }
}

void GradientModel::render() {
    Batch batch(*this);
    // The copy writes the fields directly, so it cannot re-enter render.
    if (cycled_) copyStopOneToStopFive();
    if (GradientUpdating) return;

    std::array<std::uint8_t, kFieldCount> component{};
    for (size_t i = 0; i < component.size(); ++i)
        component[i] = static_cast<std::uint8_t>(limitField(fields_[i]) - 1);
    for (int stop = 1; stop < kStopCount; ++stop) {
        const auto from = static_cast<size_t>(fieldIndex(stop, 0));
        const auto to = static_cast<size_t>(fieldIndex(stop + 1, 0));
        fillsegment(table_, (stop - 1) * kSegmentLength, component[from], component[to],
                    component[from + 1], component[to + 1], component[from + 2], component[to + 2]);
    }
    data_.setGradientTable(table_);
    changed_ = true;
}

void GradientModel::fillsegment(GradientTableData& table, int first, std::uint8_t startRed,
                                std::uint8_t endRed, std::uint8_t startGreen, std::uint8_t endGreen,
                                std::uint8_t startBlue, std::uint8_t endBlue) {
    if (first < 0 || first + kSegmentLength > static_cast<int>(table.size()) - 1)
        throw std::out_of_range("gradient segment start");
    for (int i = 0; i <= kSegmentLength; ++i) {
        // (end - start) * i / 64 is exact in a double; rounding halves to even is symmetric,
        // so falling and rising segments meet the same way.
        const auto blend = [i](int start, int end) {
            const int c = start + Round((end - start) * i * (1.0 / kSegmentLength));
            return static_cast<std::uint8_t>(std::clamp(c, 0, 255));
        };
        table[static_cast<size_t>(first + i)] = makeColour(
            blend(startRed, endRed), blend(startGreen, endGreen), blend(startBlue, endBlue));
    }
}

void GradientModel::defaultgrad(std::string_view stopString) {
    Batch batch(*this);
    {
        UpdatingScope updating(GradientUpdating);
        readStopString(stopString, [this](int index, int value) { setField(index, value); });
    }
    render();
}

void GradientModel::loadStopString(std::string_view stopString) {
    Batch batch(*this);
    readStopString(stopString, [this](int index, int value) { setField(index, value); });
}

void GradientModel::reset() {
    Batch batch(*this);
    {
        UpdatingScope updating(GradientUpdating);
        for (int i = 0; i < kFieldCount; ++i)
            setField(i, kFieldMin);
    }
    render();
}

void GradientModel::randomize() {
    Batch batch(*this);
    {
        UpdatingScope updating(GradientUpdating);
        // 257 values 0..256; the field turns 0 into 1, so 1 comes up twice as often.
        for (int i = 0; i < kFieldCount; ++i)
            setField(i, static_cast<int>(data_.random().nextInt(kFieldMax + 1)));
    }
    render();
}

void GradientModel::setCycled(bool checked) {
    Batch batch(*this);
    if (cycled_ != checked) changed_ = true;
    cycled_ = checked;
    if (!checked) return; // stop 5's fields show again with the values they hold
    {
        UpdatingScope updating(GradientUpdating);
        for (int channel = 0; channel < 3; ++channel)
            setField(kStopFive + channel, fields_[static_cast<size_t>(channel)]);
    }
    render();
}

int GradientModel::addListener(Listener listener) {
    const int id = nextListenerId_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void GradientModel::removeListener(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void GradientModel::notify() {
    // A copy, so that a listener may add or remove listeners.
    const auto listeners = listeners_;
    for (const auto& entry : listeners)
        entry.second();
}

} // namespace qm::gradient
