// Weighted picks for the benchmark data.
#include "bench_random.h"

#include <algorithm>
#include <cmath>

namespace kw::bench {

SkewedPick::SkewedPick(size_t count, double exponent) {
    cumulative_.reserve(count);
    double sum = 0;
    for (size_t rank = 0; rank < count; ++rank) {
        sum += 1.0 / std::pow(static_cast<double>(rank + 1), exponent);
        cumulative_.push_back(sum);
    }
}

size_t SkewedPick::operator()(BenchRandom &random) const {
    const double target = random.Unit() * cumulative_.back();
    const auto at = std::upper_bound(cumulative_.begin(), cumulative_.end(), target);
    return std::min(static_cast<size_t>(at - cumulative_.begin()), cumulative_.size() - 1);
}

}  // namespace kw::bench
