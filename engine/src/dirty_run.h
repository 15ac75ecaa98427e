// The run of neighbouring dirty pages or units one write-back takes along, shared by the page
// pool and the index cache: both write a dirty page together with the dirty ones right before
// and after it in the file, so pages appended one after another reach the file in one write.
#pragma once

#include <cstdint>

namespace kw::engine {

// Grows [*from, *to), which starts as the one unit being written, over the units before and
// after it for which isDirty(unit offset) holds, to at most maxUnits units of unitSize bytes.
template <typename IsDirty>
void GrowDirtyRun(int64_t unitSize, int64_t maxUnits, IsDirty isDirty, int64_t *from, int64_t *to) {
    while ((*to - *from) / unitSize < maxUnits && isDirty(*from - unitSize))
        *from -= unitSize;
    while ((*to - *from) / unitSize < maxUnits && isDirty(*to))
        *to += unitSize;
}

}  // namespace kw::engine
