// The key layout of one index, derived from its definition when the index is added: the parts
// copied from the record to build a key, and how the B-tree compares keys. The table layer builds
// it (key expression parser); the B-tree file only reads it as its comparison context.
#pragma once

#include <cstdint>
#include <vector>

namespace kw::engine {

// Longest key any index may have, and the size of every key buffer of an instance.
inline constexpr int32_t kMaxKeyBuffer = 255;

struct KeyPart {
    int32_t offset = 0;  // byte offset of the part in the record
    int32_t length = 0;  // bytes copied into the key
    int32_t flags = 0;   // the index flags, plus KW_KEY_SERIAL for the U-field part
};

struct KeyLayout {
    std::vector<KeyPart> parts;   // in key order; a key is their concatenation
    int32_t keyLength = 0;        // sum of part lengths: the length of every key of the index
    int32_t fieldWidthTotal = 0;  // sum of the full widths of the fields named (at most 255)
    bool perPartCompare = false;  // a C part under KW_KEY_NOCASE, or any F or I part
    int32_t flags = 0;            // the index definition's flags
};

}  // namespace kw::engine
