// The program's pseudo-random generator: a 32-bit linear congruential sequence.
#pragma once

#include <cstdint>

namespace qm {

class RandomGenerator {
public:
    RandomGenerator() = default;
    explicit RandomGenerator(std::uint32_t seed) : state_(seed) {}

    // One step: state := state * 134775813 + 1 (mod 2^32).
    std::uint32_t step() {
        state_ = state_ * 134775813u + 1u;
        return state_;
    }
    // Real in [0, 1): the stepped state / 2^32.
    double nextReal() { return static_cast<double>(step()) * (1.0 / 4294967296.0); }
    // Integer in 0 .. bound-1: the upper 32 bits of state * bound.
    std::uint32_t nextInt(std::uint32_t bound) {
        return static_cast<std::uint32_t>((std::uint64_t{step()} * bound) >> 32);
    }

    std::uint32_t state() const { return state_; }
    void seed(std::uint32_t s) { state_ = s; }
    // state := ((hour*60 + minute)*60 + second)*1000 + millisecond of the current UTC time.
    void reseedFromClock();
    static std::uint32_t clockSeed();

private:
    std::uint32_t state_ = 0;
};

} // namespace qm
