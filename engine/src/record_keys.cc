// Building keys from records and preparing callers' search keys.
#include "record_keys.h"

#include <algorithm>
#include <cstring>

#include "btree.h"
#include "kwdata.h"

namespace kw::engine {
namespace {

void Build(const KeyLayout &layout, const uint8_t *record, uint8_t *key, bool skipSerial) {
    std::memset(key, 0, static_cast<size_t>(layout.keyLength));
    int32_t position = 0;
    for (const KeyPart &part : layout.parts) {
        if (!(skipSerial && (part.flags & KW_KEY_SERIAL))) {
            std::memcpy(key + position, record + part.offset, static_cast<size_t>(part.length));
        }
        position += part.length;
    }
}

}  // namespace

void BuildKey(const KeyLayout &layout, const uint8_t *record, uint8_t *key) {
    Build(layout, record, key, false);
}

void BuildSearchKey(const KeyLayout &layout, const uint8_t *record, uint8_t *key) {
    Build(layout, record, key, true);
}

void PrepareCallerKey(const void *key, int32_t length, uint8_t *buffer) {
    std::memset(buffer, 0, kMaxKeyBuffer);
    const int32_t n = std::clamp(length, 0, kMaxKeyBuffer);
    if (n > 0) std::memcpy(buffer, key, static_cast<size_t>(n));
    // Branch-free, so the compiler does it many bytes at a time.
    for (int32_t i = 0; i < n; ++i) {
        const bool lower = static_cast<uint8_t>(buffer[i] - 'a') < 26;
        buffer[i] = static_cast<uint8_t>(buffer[i] - (lower ? 32 : 0));
    }
}

bool SameKeyBytes(const KeyLayout &layout, const uint8_t *a, const uint8_t *b) {
    return std::memcmp(a, b, static_cast<size_t>(layout.keyLength)) == 0;
}

bool SameSearchKey(const KeyLayout &layout, const uint8_t *recordA, const uint8_t *recordB) {
    uint8_t a[kMaxKeyBuffer];
    uint8_t b[kMaxKeyBuffer];
    BuildSearchKey(layout, recordA, a);
    BuildSearchKey(layout, recordB, b);
    return CompareKeys(layout, a, layout.keyLength, b, layout.keyLength) == 0;
}

}  // namespace kw::engine
