// The memory the keys of one index may take at once in the reindex's sorted build (reindex.cc):
// past it the keys are gathered in key ranges, one walk of the chain per range. Tests lower it to
// run that way on small tables.
#pragma once

#include <cstddef>

namespace kw::engine {

inline constexpr size_t kSortedBuildBytes = size_t{32} << 20;

size_t SortedBuildLimit();
// 0 restores kSortedBuildBytes.
void SetSortedBuildLimitForTesting(size_t bytes);

}  // namespace kw::engine
