// The generators' own random numbers: a SplitMix64 sequence from a fixed seed, so that every run
// on every machine makes the same assets (the standard library's distributions are not portable).
#pragma once

#include <cstdint>

namespace assets {

class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Uniform in [0, n); n > 0.
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state_;
};

}  // namespace assets
