// Snapshot publication of the shared colour data.
#include "engine/shared/shared_colour_data.h"

namespace qm {

SharedColourData::SharedColourData()
    : gradient_(std::make_shared<GradientTableData>()), plasma_(std::make_shared<PlasmaData>()),
      rgbBuffer_(kRgbBufferSide, kRgbBufferSide, image::PixelFormat::Bits24) {}

std::shared_ptr<const GradientTableData> SharedColourData::gradientTable() const {
    std::lock_guard lock(mutex_);
    return gradient_;
}

void SharedColourData::setGradientTable(const GradientTableData& table) {
    auto next = std::make_shared<const GradientTableData>(table);
    {
        std::lock_guard lock(mutex_);
        gradient_ = std::move(next);
    }
    tell(Change::Gradient);
}

std::shared_ptr<const PlasmaData> SharedColourData::plasmaBuffer() const {
    std::lock_guard lock(mutex_);
    return plasma_;
}

void SharedColourData::setPlasmaBuffer(std::shared_ptr<const PlasmaData> plasma) {
    {
        std::lock_guard lock(mutex_);
        plasma_ = std::move(plasma);
    }
    tell(Change::Plasma);
}

int SharedColourData::addChangeListener(ChangeListener listener) {
    std::lock_guard lock(mutex_);
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void SharedColourData::removeChangeListener(int id) {
    std::lock_guard lock(mutex_);
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void SharedColourData::tell(Change change) const {
    std::vector<std::pair<int, ChangeListener>> listeners;
    {
        // Called outside the lock, so a listener may read the data it was told about.
        std::lock_guard lock(mutex_);
        listeners = listeners_;
    }
    for (const auto& entry : listeners)
        entry.second(change);
}

} // namespace qm
