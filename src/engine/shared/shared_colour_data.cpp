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
    std::lock_guard lock(mutex_);
    gradient_ = std::move(next);
}

std::shared_ptr<const PlasmaData> SharedColourData::plasmaBuffer() const {
    std::lock_guard lock(mutex_);
    return plasma_;
}

void SharedColourData::setPlasmaBuffer(std::shared_ptr<const PlasmaData> plasma) {
    std::lock_guard lock(mutex_);
    plasma_ = std::move(plasma);
}

} // namespace qm
