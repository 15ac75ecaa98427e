// The byte layout of one B-tree page and the few operations on it: reading its fields, checking a
// page read from the file, searching it, and building a page from a run of entries. Pages are
// built whole into a separate buffer (never edited in place except for the three link fields), so
// every page the tree holds in memory is one that CheckPage accepted or BuildPage wrote.
//
// Index file page (P bytes, P = 512 in every file the engine creates), 32-bit little-endian:
//
// clang-format off
//   OFFSET       SIZE  MEANING
//   0            4     left sibling page offset, -1 if none (freed page: next page on the free
//                      list)
//   4            4     right sibling page offset, -1 if none
//   8            4     -1 leaf; -2 freed page; otherwise the rightmost child of an inner page
//                      (holds the keys above every separator)
//   12           4     entry count n
//   16           4     key bytes used K
//   20           K     the n keys concatenated in ascending order
//   20+K         4n    end offset of each key within the key area: key i is [end(i-1), end(i)),
//                      end(-1) = 0
//   20+K+4n      4n    value of each entry: in a leaf the record reference; in an inner page the
//                      child page holding the keys less than or equal to the entry's key
//   20+K+8n      ...   unused (zero in pages this engine builds)
//
//   +------+-------+-------+---+---+--------------------+-----------+-----------+--------+
//   | left | right | child | n | K | key0 key1 ... keyN | end0..endN| val0..valN|  free  |
//   +------+-------+-------+---+---+--------------------+-----------+-----------+--------+
//   0      4       8       12  16  20                   20+K        20+K+4n     20+K+8n  P
//
// A page is consistent when n >= 0, K >= 0, K + 8n + 20 <= P, the end offsets never decrease,
// the last one is K and no key is longer than kMaxKeyBuffer bytes.
// clang-format on
#pragma once

#include <cstdint>
#include <cstring>

#include "key_layout.h"
#include "search_key.h"

namespace kw::engine::page {

inline constexpr int32_t kLeftOffset = 0;
inline constexpr int32_t kRightOffset = 4;
inline constexpr int32_t kChildOffset = 8;
inline constexpr int32_t kCountOffset = 12;
inline constexpr int32_t kKeyBytesOffset = 16;
inline constexpr int32_t kKeyAreaOffset = 20;
inline constexpr int32_t kLeafChild = -1;
inline constexpr int32_t kFreedChild = -2;

inline int32_t Load32(const uint8_t *p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

inline void Store32(uint8_t *p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Read access to a page that passed CheckPage (or was built by BuildPage).
class View {
  public:
    explicit View(const uint8_t *data) : d_(data) {}
    int32_t Left() const { return Load32(d_ + kLeftOffset); }
    int32_t Right() const { return Load32(d_ + kRightOffset); }
    int32_t Child() const { return Load32(d_ + kChildOffset); }
    int32_t Count() const { return Load32(d_ + kCountOffset); }
    int32_t KeyBytes() const { return Load32(d_ + kKeyBytesOffset); }
    bool IsLeaf() const { return Child() == kLeafChild; }

    int32_t KeyEnd(int32_t i) const { return Load32(d_ + kKeyAreaOffset + KeyBytes() + 4 * i); }
    int32_t KeyStart(int32_t i) const { return i == 0 ? 0 : KeyEnd(i - 1); }
    const uint8_t *Key(int32_t i) const { return d_ + kKeyAreaOffset + KeyStart(i); }
    int32_t KeyLength(int32_t i) const { return KeyEnd(i) - KeyStart(i); }
    int32_t Value(int32_t i) const {
        return Load32(d_ + kKeyAreaOffset + KeyBytes() + 4 * Count() + 4 * i);
    }
    const uint8_t *Data() const { return d_; }

  private:
    const uint8_t *d_;
};

// 0 when the page is consistent, else 308.
int CheckPage(const uint8_t *data, int32_t pageSize);

// Binary search for key: the position of the equal entry (*found true) or of the first entry
// greater than key (n when none is; *found false).
int32_t Search(const View &page, const SearchKey &key, bool *found);

// The entries of a page as they will be after one insertion or one removal, without copying.
class Entries {
  public:
    explicit Entries(const View &page) : page_(page), count_(page.Count()) {}
    // No entries until one is inserted.
    Entries() : page_(nullptr), count_(0) {}
    void InsertAt(int32_t position, const uint8_t *key, int32_t length, int32_t value) {
        insertAt_ = position;
        key_ = key;
        length_ = length;
        value_ = value;
        ++count_;
    }
    void RemoveAt(int32_t position) {
        removeAt_ = position;
        --count_;
    }
    int32_t Count() const { return count_; }
    void Get(int32_t i, const uint8_t **key, int32_t *length, int32_t *value) const;

  private:
    View page_;
    int32_t count_;
    int32_t insertAt_ = -1;
    const uint8_t *key_ = nullptr;
    int32_t length_ = 0;
    int32_t value_ = 0;
    int32_t removeAt_ = -1;
};

// Bytes a page holding entries [from, to) needs.
int32_t PageBytes(const Entries &entries, int32_t from, int32_t to);

// Writes a whole page (zero-filled past its content) holding entries [from, to) of entries.
// The caller makes sure PageBytes(entries, from, to) <= pageSize and that out is not the page
// entries reads from.
void BuildPage(uint8_t *out, int32_t pageSize, int32_t left, int32_t right, int32_t child,
               const Entries &entries, int32_t from, int32_t to);

// Writes the five fields before the key area.
void StoreHeader(uint8_t *out, int32_t left, int32_t right, int32_t child, int32_t count,
                 int32_t keyBytes);

// Writes entry i of a page that will hold n entries whose keys are all k bytes long, so every
// entry's place is known before the others come (a tree built from sorted keys fills its pages
// this way); StoreHeader with count n and key bytes n * k completes the page.
void StoreFixedEntry(uint8_t *out, int32_t n, int32_t k, int32_t i, const uint8_t *key,
                     int32_t value);

// Writes a page without entries.
void BuildEmptyPage(uint8_t *out, int32_t pageSize, int32_t left, int32_t right, int32_t child);

}  // namespace kw::engine::page
