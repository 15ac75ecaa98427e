// Checking, searching and building B-tree pages (layout in btree_page.h).
#include "btree_page.h"

#include "btree.h"

namespace kw::engine::page {

int CheckPage(const uint8_t *data, int32_t pageSize) {
    const int32_t n = Load32(data + kCountOffset);
    const int32_t k = Load32(data + kKeyBytesOffset);
    // 64-bit sum: a damaged count must not overflow the test itself.
    if (n < 0 || k < 0 || int64_t{k} + 8 * int64_t{n} + kKeyAreaOffset > pageSize) return 308;
    const uint8_t *ends = data + kKeyAreaOffset + k;
    int32_t previous = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t end = Load32(ends + 4 * i);
        if (end < previous || end > k || end - previous > kMaxKeyBuffer) return 308;
        previous = end;
    }
    if (previous != k) return 308;
    return 0;
}

int32_t Search(const View &page, const SearchKey &key, bool *found) {
    int32_t low = 0;
    int32_t high = page.Count() - 1;
    while (low <= high) {
        const int32_t middle = (low + high) / 2;
        const int c = key.Compare(page.Key(middle), page.KeyLength(middle));
        if (c == 0) {
            *found = true;
            return middle;
        }
        if (c < 0) {
            high = middle - 1;
        } else {
            low = middle + 1;
        }
    }
    *found = false;
    return low;
}

void Entries::Get(int32_t i, const uint8_t **key, int32_t *length, int32_t *value) const {
    int32_t source = i;
    if (insertAt_ >= 0) {
        if (i == insertAt_) {
            *key = key_;
            *length = length_;
            *value = value_;
            return;
        }
        if (i > insertAt_) --source;
    } else if (removeAt_ >= 0 && i >= removeAt_) {
        ++source;
    }
    *key = page_.Key(source);
    *length = page_.KeyLength(source);
    *value = page_.Value(source);
}

int32_t PageBytes(const Entries &entries, int32_t from, int32_t to) {
    int32_t bytes = kKeyAreaOffset;
    for (int32_t i = from; i < to; ++i) {
        const uint8_t *key;
        int32_t length, value;
        entries.Get(i, &key, &length, &value);
        bytes += length + 8;
    }
    return bytes;
}

void BuildPage(uint8_t *out, int32_t pageSize, int32_t left, int32_t right, int32_t child,
               const Entries &entries, int32_t from, int32_t to) {
    std::memset(out, 0, static_cast<size_t>(pageSize));
    const int32_t n = to - from;
    int32_t keyBytes = 0;
    for (int32_t i = from; i < to; ++i) {
        const uint8_t *key;
        int32_t length, value;
        entries.Get(i, &key, &length, &value);
        std::memcpy(out + kKeyAreaOffset + keyBytes, key, static_cast<size_t>(length));
        keyBytes += length;
    }
    // The end offsets and values sit behind the whole key area, so they follow in a second pass.
    uint8_t *ends = out + kKeyAreaOffset + keyBytes;
    uint8_t *values = ends + 4 * n;
    int32_t end = 0;
    for (int32_t i = from; i < to; ++i) {
        const uint8_t *key;
        int32_t length, value;
        entries.Get(i, &key, &length, &value);
        end += length;
        Store32(ends + 4 * (i - from), end);
        Store32(values + 4 * (i - from), value);
    }
    StoreHeader(out, left, right, child, n, keyBytes);
}

void StoreHeader(uint8_t *out, int32_t left, int32_t right, int32_t child, int32_t count,
                 int32_t keyBytes) {
    Store32(out + kLeftOffset, left);
    Store32(out + kRightOffset, right);
    Store32(out + kChildOffset, child);
    Store32(out + kCountOffset, count);
    Store32(out + kKeyBytesOffset, keyBytes);
}

void StoreFixedEntry(uint8_t *out, int32_t n, int32_t k, int32_t i, const uint8_t *key,
                     int32_t value) {
    uint8_t *ends = out + kKeyAreaOffset + n * k;
    std::memcpy(out + kKeyAreaOffset + i * k, key, static_cast<size_t>(k));
    Store32(ends + 4 * i, (i + 1) * k);
    Store32(ends + 4 * n + 4 * i, value);
}

void BuildEmptyPage(uint8_t *out, int32_t pageSize, int32_t left, int32_t right, int32_t child) {
    std::memset(out, 0, static_cast<size_t>(pageSize));
    StoreHeader(out, left, right, child, 0, 0);
}

}  // namespace kw::engine::page
