// The typed, case-aware comparison of two index keys (CompareKeys, declared in btree.h, and the
// same order for a search key folded once, SearchKey in search_key.h). It allocates nothing and
// reads only inside both keys: a part that does not lie wholly inside both keys, and a numeric
// part whose length is not one of its type's sizes, compare as unsigned bytes.
//
// Rules, in order:
//  - An index without per-part comparison compares unsigned bytes; a key that is a prefix of the
//    other sorts first.
//  - Otherwise each part in key order (its position in the key is the sum of the lengths of the
//    parts before it) decides, the first unequal one winning:
//      serial part (KW_KEY_SERIAL, 4 bytes)   unsigned 32-bit
//      character class                        unsigned bytes; under KW_KEY_NOCASE after a-z -> A-Z
//      integer class, 2 or 4 bytes            16/32-bit, signed under KW_KEY_SIGNED
//      float class, 4 or 8 bytes              single/double; NaN equals NaN and sorts above
//                                             every number, so the order stays total
//  - Bytes left after the last part (only in keys of unusual length) compare as unsigned bytes.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "btree.h"
#include "btree_page.h"
#include "kwdata.h"
#include "search_key.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kw::engine {
namespace {

int CompareBytes(const uint8_t *a, int32_t aLength, const uint8_t *b, int32_t bLength) {
    const int32_t common = aLength < bLength ? aLength : bLength;
    if (common > 0) {
        const int c = std::memcmp(a, b, static_cast<size_t>(common));
        if (c != 0) return c;
    }
    return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
}

uint8_t UpperAZ(uint8_t c) {
    return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - ('a' - 'A')) : c;
}

// The eight bytes of w with 'a'..'z' made upper case and every other byte (0x80 and up included)
// kept: a byte is a lower-case letter when its low seven bits lie in 0x61..0x7A and its high bit
// is clear. Each sum stays inside its byte (at most 0x7F + 0x1F), so no carry crosses bytes.
uint64_t UpperAZWord(uint64_t w) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    const uint64_t low7 = w & ~kHigh;
    const uint64_t atLeastA = low7 + kOnes * (0x80 - 'a');
    const uint64_t aboveZ = low7 + kOnes * (0x80 - 'z' - 1);
    const uint64_t lower = atLeastA & ~aboveZ & ~w & kHigh;
    return w - (lower >> 2);  // 0x20 off each lower-case letter
}

#if defined(__SSE2__)
// UpperAZ on sixteen bytes at once. Bytes of 0x80 and up are negative as signed bytes, so they
// never pass for letters.
__m128i UpperAZ16(__m128i v) {
    const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('a' - 1)),
                                        _mm_cmplt_epi8(v, _mm_set1_epi8('z' + 1)));
    return _mm_sub_epi8(v, _mm_and_si128(lower, _mm_set1_epi8('a' - 'A')));
}
#endif

// Compares a and b byte by byte with a-z taken as A-Z; the difference of the first unequal pair
// of folded bytes decides. kAFolded: a is folded already (folding is idempotent, so folding b
// alone gives the same pairs). Stored keys keep the record's case while search keys are upper
// case, so whole blocks of bytes are folded and compared, sixteen or eight at a time.
template <bool kAFolded>
int CompareFolding(const uint8_t *a, const uint8_t *b, int32_t length) {
    int32_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= length; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i y = UpperAZ16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i)));
        if constexpr (!kAFolded) x = UpperAZ16(x);
        const unsigned unequal =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) ^ 0xFFFFu;
        if (unequal != 0) {
            const int32_t k = i + std::countr_zero(unequal);
            return int{UpperAZ(a[k])} - int{UpperAZ(b[k])};
        }
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= length; i += 8) {
            uint64_t x, y;
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x == y) continue;
            if constexpr (!kAFolded) x = UpperAZWord(x);
            y = UpperAZWord(y);
            if (x == y) continue;
            const int shift = std::countr_zero(x ^ y) & ~7;
            return static_cast<int>((x >> shift) & 0xFF) - static_cast<int>((y >> shift) & 0xFF);
        }
    }
    for (; i < length; ++i) {
        const int difference = int{UpperAZ(a[i])} - int{UpperAZ(b[i])};
        if (difference != 0) return difference;
    }
    return 0;
}

int CompareNoCase(const uint8_t *a, const uint8_t *b, int32_t length) {
    return CompareFolding<false>(a, b, length);
}

// Makes a-z upper case in place, sixteen or eight bytes at a time.
void FoldAZ(uint8_t *bytes, int32_t length) {
    int32_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= length; i += 16) {
        auto *at = reinterpret_cast<__m128i *>(bytes + i);
        _mm_storeu_si128(at, UpperAZ16(_mm_loadu_si128(at)));
    }
#endif
    for (; i + 8 <= length; i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        w = UpperAZWord(w);
        std::memcpy(bytes + i, &w, 8);
    }
    for (; i < length; ++i)
        bytes[i] = UpperAZ(bytes[i]);
}

// Whether ComparePart compares a part with these flags and length by CompareNoCase.
bool ComparesWithoutCase(int32_t flags, int32_t length) {
    if ((flags & KW_KEY_SERIAL) && length == 4) return false;
    return (flags & KW_KEY_CLASS_MASK) == KW_KEY_CHAR && (flags & KW_KEY_NOCASE) != 0;
}

template <typename T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

template <typename T>
int OrderFloating(T a, T b) {
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan) return int{aNan} - int{bNan};
    return Order(a, b);
}

uint16_t Load16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t LoadU32(const uint8_t *p) {
    return static_cast<uint32_t>(page::Load32(p));
}

int ComparePart(int32_t flags, const uint8_t *a, const uint8_t *b, int32_t length) {
    if ((flags & KW_KEY_SERIAL) && length == 4) return Order(LoadU32(a), LoadU32(b));
    const bool isSigned = (flags & KW_KEY_SIGNED) != 0;
    switch (flags & KW_KEY_CLASS_MASK) {
        case KW_KEY_CHAR:
            if (flags & KW_KEY_NOCASE) return CompareNoCase(a, b, length);
            break;
        case KW_KEY_INT:
            if (length == 2) {
                const uint16_t x = Load16(a), y = Load16(b);
                return isSigned ? Order(static_cast<int16_t>(x), static_cast<int16_t>(y))
                                : Order(x, y);
            }
            if (length == 4) {
                const uint32_t x = LoadU32(a), y = LoadU32(b);
                return isSigned ? Order(static_cast<int32_t>(x), static_cast<int32_t>(y))
                                : Order(x, y);
            }
            break;
        case KW_KEY_FLOAT:
            if (length == 4) {
                float x, y;
                std::memcpy(&x, a, 4);
                std::memcpy(&y, b, 4);
                return OrderFloating(x, y);
            }
            if (length == 8) {
                double x, y;
                std::memcpy(&x, a, 8);
                std::memcpy(&y, b, 8);
                return OrderFloating(x, y);
            }
            break;
        default:
            break;
    }
    return CompareBytes(a, length, b, length);
}

}  // namespace

int CompareKeys(const KeyLayout &layout, const uint8_t *a, int32_t aLength, const uint8_t *b,
                int32_t bLength) {
    if (!layout.perPartCompare) return CompareBytes(a, aLength, b, bLength);
    int32_t position = 0;
    for (const KeyPart &part : layout.parts) {
        if (part.length <= 0) continue;
        if (position + part.length > aLength || position + part.length > bLength) break;
        const int c = ComparePart(part.flags, a + position, b + position, part.length);
        if (c != 0) return c;
        position += part.length;
    }
    return CompareBytes(a + position, aLength - position, b + position, bLength - position);
}

SearchKey::SearchKey(const KeyLayout &layout, const uint8_t *key, int32_t length)
    : layout_(layout), key_(key), length_(length) {
    if (!layout.perPartCompare || key == nullptr || length < 0 || length > kMaxKeyBuffer) return;
    std::memcpy(folding_, key, static_cast<size_t>(length));
    // The parts CompareKeys would compare case-free, as far as they lie inside this key; a part
    // that does not fit the stored key is compared from key_ as it is.
    int32_t position = 0;
    int32_t runs = 0;
    for (const KeyPart &part : layout.parts) {
        if (part.length <= 0) continue;
        if (position + part.length > length) break;
        const bool caseFree = ComparesWithoutCase(part.flags, part.length);
        if (caseFree) FoldAZ(folding_ + position, part.length);
        if (runs < 0) {
            // too many runs: the parts are walked one by one
        } else if (caseFree && runs > 0 && runs_[runs - 1].caseFree) {
            runs_[runs - 1].length += part.length;
        } else if (runs < kMaxRuns) {
            runs_[runs++] = {position, part.length, part.flags, caseFree};
        } else {
            runs = -1;
        }
        position += part.length;
    }
    runCount_ = runs;
    runsEnd_ = position;
    folded_ = true;
}

int SearchKey::Compare(const uint8_t *stored, int32_t storedLength) const {
    if (!folded_) return CompareKeys(layout_, key_, length_, stored, storedLength);
    int32_t position = 0;
    if (storedLength == length_ && runCount_ >= 0) {
        // Every part inside the key is inside the stored key too.
        for (int32_t i = 0; i < runCount_; ++i) {
            const Run &run = runs_[i];
            const uint8_t *a = folding_ + run.position;
            const uint8_t *b = stored + run.position;
            const int c = run.caseFree ? CompareFolding<true>(a, b, run.length)
                                       : ComparePart(run.flags, a, b, run.length);
            if (c != 0) return c;
        }
        position = runsEnd_;
    } else {
        // CompareKeys's walk over the parts, with the case-free ones taken from the folded copy.
        for (const KeyPart &part : layout_.parts) {
            if (part.length <= 0) continue;
            if (position + part.length > length_ || position + part.length > storedLength) break;
            const uint8_t *a = folding_ + position;
            const uint8_t *b = stored + position;
            const int c = ComparesWithoutCase(part.flags, part.length)
                              ? CompareFolding<true>(a, b, part.length)
                              : ComparePart(part.flags, a, b, part.length);
            if (c != 0) return c;
            position += part.length;
        }
    }
    return CompareBytes(key_ + position, length_ - position, stored + position,
                        storedLength - position);
}

// The leading character parts (a-z as A-Z under KW_KEY_NOCASE, as CompareNoCase folds them), up
// to the first part of another kind; a key compared as plain bytes gives its first bytes. Zero
// past them, alike in every key of the layout, so only bytes CompareKeys compares first differ.
SortPrefix KeySortPrefix(const KeyLayout &layout, const uint8_t *key) {
    uint8_t bytes[16] = {};
    size_t filled = 0;
    if (!layout.perPartCompare) {
        filled = std::min<size_t>(sizeof bytes, static_cast<size_t>(layout.keyLength));
        std::memcpy(bytes, key, filled);
    }
    int32_t position = 0;
    for (const KeyPart &part : layout.parts) {
        if (!layout.perPartCompare || filled == sizeof bytes) break;
        if (part.length <= 0) continue;
        const bool serial = (part.flags & KW_KEY_SERIAL) && part.length == 4;
        if (serial || (part.flags & KW_KEY_CLASS_MASK) != KW_KEY_CHAR) break;
        const bool fold = (part.flags & KW_KEY_NOCASE) != 0;
        for (int32_t i = 0; i < part.length && filled < sizeof bytes; ++i) {
            const uint8_t c = key[position + i];
            bytes[filled++] = fold ? UpperAZ(c) : c;
        }
        position += part.length;
    }
    SortPrefix prefix{0, 0};
    for (size_t i = 0; i < 8; ++i) {
        prefix.high = prefix.high << 8 | bytes[i];
        prefix.low = prefix.low << 8 | bytes[8 + i];
    }
    return prefix;
}

// Letters are folded in every part, not only the case-blind ones: keys that differ only there
// then share a hash too, which costs a compare and never a wrong answer.
uint64_t EqualKeysHash(const KeyLayout &layout, const uint8_t *key) {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int32_t i = 0; i < layout.keyLength; ++i)
        h = (h ^ UpperAZ(key[i])) * 0x100000001B3ull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return h == 0 ? 1 : h;
}

bool EqualKeysHashAlike(const KeyLayout &layout) {
    if (!layout.perPartCompare) return true;
    for (const KeyPart &part : layout.parts) {
        if ((part.flags & KW_KEY_SERIAL) == 0 && (part.flags & KW_KEY_CLASS_MASK) == KW_KEY_FLOAT)
            return false;
    }
    return true;
}

}  // namespace kw::engine
