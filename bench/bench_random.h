// The deterministic random source of the benchmark data and the Meal-Master generator.
//
// The same seed gives the same sequence on every machine and library: the generator is
// SplitMix64 and every derived value (ranges, doubles, weighted picks) is computed here with
// integer and IEEE double arithmetic only, never through the standard library's distributions,
// whose results differ between implementations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kw::bench {

class BenchRandom {
  public:
    explicit BenchRandom(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A value in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    // A value in [low, high], both inclusive.
    int Between(int low, int high) {
        const uint64_t span = static_cast<uint64_t>(high - low) + 1;
        return low + static_cast<int>(Next() % span);
    }

    // True with the given probability.
    bool Chance(double probability) { return Unit() < probability; }

    // An index below count, uniformly.
    size_t Below(size_t count) { return static_cast<size_t>(Next() % count); }

  private:
    uint64_t state_;
};

// Picks indexes below a fixed count with Zipf-like weights 1 / (rank + 1)^exponent, so that the
// first entries of a word list come up often and the last ones rarely, as names do in real
// recipe collections.
class SkewedPick {
  public:
    SkewedPick(size_t count, double exponent);
    size_t operator()(BenchRandom &random) const;
    size_t size() const { return cumulative_.size(); }

  private:
    std::vector<double> cumulative_;
};

}  // namespace kw::bench
