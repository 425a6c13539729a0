// Clock seeding of the random generator.
#include "engine/core/random.h"

#include <chrono>

namespace qm {

std::uint32_t RandomGenerator::clockSeed() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
    const auto msOfDay = ms % (24LL * 60 * 60 * 1000);
    return static_cast<std::uint32_t>(msOfDay);
}

void RandomGenerator::reseedFromClock() { state_ = clockSeed(); }

} // namespace qm
