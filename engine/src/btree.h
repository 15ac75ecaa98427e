// One B-tree index file NAME.iNN: fixed-length keys under the index's typed, case-aware
// comparison, mapping to record references; leaves chained left to right, inner pages holding
// separators and a rightmost child, freed pages on a free list. Pages are 512 bytes; the byte
// layout is documented in btree.cc above the code that reads and writes it.
//
// Failures return -1 (or the documented result) and set LastError() to the extended code
// (301 key too long, 302 empty key, 303 duplicate, 304 bad page offset, 305 no buffer,
// 308 inconsistent page, 402 for an I/O failure). A damaged file never crashes the tree: page
// offsets and counts are checked before use, descent refuses cycles, key lengths are checked
// before any copy. LastError() is never cleared by a success.
//
// The tree has one cursor (a leaf and a slot), shared by every caller of the file. Every
// operation leaves it defined: Find and Delete put it where a search for their key ends, Insert
// on the new entry, Reset clears it; PlaceCursorAt does what Find would, when next needed. A 402
// from Insert or Delete can come after the change was made in memory (a page or header write
// failed; the page stays dirty and Flush or Close retries it), so a caller undoing an Insert that
// failed with 402 deletes the key as well (Delete gives 1 when it is not there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "key_layout.h"

namespace kw::engine {

class IndexPageCache;

inline constexpr int32_t kBtreeMagic = 0x00011A3B;
inline constexpr int32_t kBtreePageSize = 512;

// Compares a search key with a stored key under the layout's rules: negative when a sorts first.
// Allocates nothing and reads only inside both keys (rules in key_compare.cc).
int CompareKeys(const KeyLayout &layout, const uint8_t *a, int32_t aLength, const uint8_t *b,
                int32_t bLength);

// The first 16 bytes by which a key of layout.keyLength bytes sorts, as two numbers compared high
// first: where two keys' prefixes differ they order the keys as CompareKeys does, where they are
// equal CompareKeys decides. A sort compares these before it compares whole keys.
struct SortPrefix {
    uint64_t high;
    uint64_t low;
};
inline bool operator<(const SortPrefix &a, const SortPrefix &b) {
    return a.high != b.high ? a.high < b.high : a.low < b.low;
}
SortPrefix KeySortPrefix(const KeyLayout &layout, const uint8_t *key);

// A hash of a key of layout.keyLength bytes that keys equal under CompareKeys share (a-z hashed as
// A-Z in every part), never 0. It holds only where EqualKeysHashAlike: a floating-point part can
// compare equal with other bytes (0.0 and -0.0, NaNs).
uint64_t EqualKeysHash(const KeyLayout &layout, const uint8_t *key);
bool EqualKeysHashAlike(const KeyLayout &layout);

class BTree {
  public:
    // Opens the index file at path, creating it (header and empty root leaf) when missing.
    // layout must outlive the tree (null compares plain bytes). The pool has extraBuffers + 4
    // page buffers when writeMode is not 0, else 4; writeMode 2 defers page writes, 1 (and 0)
    // writes through. Returns null when the file cannot be opened or created, does not carry the
    // magic, or names a page size outside 64..65536 (the table reports 517).
    static std::unique_ptr<BTree> Open(const std::string &path, const KeyLayout *layout,
                                       int32_t extraBuffers, int32_t writeMode);
    // The same, with every read and write of the file going through cache (the database's
    // index cache, shared with its other index files); writeMode 2 then keeps written pages in
    // the cache until Flush, Close or their eviction. A null cache uses the file directly.
    static std::unique_ptr<BTree> Open(const std::string &path, const KeyLayout *layout,
                                       int32_t extraBuffers, int32_t writeMode,
                                       std::shared_ptr<IndexPageCache> cache);
    ~BTree();

    BTree(const BTree &) = delete;
    BTree &operator=(const BTree &) = delete;

    int32_t LastError() const;

    // 0 found (cursor on it, *ref set), 1 not found (cursor just before where it would be),
    // -1 error. Next then returns the first entry after key. After a miss the cursor sits on the
    // last entry below key as if it had been returned, so Prev returns the entry before that.
    // Keys longer than (P - 36) / 2 - 4 = 234 bytes give 301, lengths of 0 or less 302; the same
    // holds for Insert and Delete.
    int Find(const uint8_t *key, int32_t length, int32_t *ref);
    // 0 with the cursor on the new entry, or -1 with LastError() (303 for an existing equal key;
    // the tree is then unchanged).
    int Insert(const uint8_t *key, int32_t length, int32_t ref);
    // Whether an Insert of key would be refused as a duplicate: 0 when an equal key is stored,
    // 1 when not, -1 error (as Find). Unlike Find it leaves the cursor, and a placement owed by
    // PlaceCursorAt, as they were, just as a refused Insert does.
    int HasKey(const uint8_t *key, int32_t length);
    // 0 deleted, 1 not found, -1 error. The cursor ends just before the key's place, so Next
    // returns the entry that followed it.
    int Delete(const uint8_t *key, int32_t length);

    // Puts the cursor where Find(key) would, but only when Next or Prev next needs it, so a
    // caller that moves several cursors and uses few of them pays only for those. Until then
    // nothing is read; Find, Delete, First, Last, Reset, Close and an Insert that succeeds
    // cancel it. A failure of the deferred find is that Next's or Prev's failure.
    void PlaceCursorAt(const uint8_t *key, int32_t length);

    // Cursor before the first entry / after the last.
    bool First();
    bool Last();
    // Moves the cursor and copies the entry out (key into a buffer of kMaxKeyBuffer bytes; any
    // out pointer may be null). 0, 2 past the last (Next) / 3 before the first (Prev) with
    // *length and *ref 0, -1 error. Without a cursor Next starts at the first entry and Prev at
    // the last. After 2 the cursor stays past the last entry, so Prev returns the last entry (and
    // after 3 Next returns the first).
    int Next(uint8_t *key, int32_t *length, int32_t *ref);
    int Prev(uint8_t *key, int32_t *length, int32_t *ref);

    // The tree becomes empty (file not shortened); the cursor is cleared.
    bool Reset();
    // The tree replaced by count entries of keyLength bytes, built bottom-up (btree_bulk.cc)
    // from the entries given to AddSorted in ascending key order, no two equal: every lookup and
    // cursor walk then gives what the same entries inserted one by one would. Pages are written
    // as they fill; EndSorted writes the root and the header once all count entries came. The
    // cursor is cleared. Each returns false with LastError(): 301 or 302 for a key length Insert
    // would refuse and 304 when the pages would pass the largest offset (BeginSorted; the tree is
    // then unchanged), 308 for more or fewer entries than count, 402 when a write failed; after a
    // failure the tree is left empty and AddSorted and EndSorted fail until the next BeginSorted.
    bool BeginSorted(size_t count, int32_t keyLength);
    bool AddSorted(const uint8_t *key, int32_t ref);
    bool EndSorted();
    // The level directory (level_directory.h) lets a search that changes nothing (Find, HasKey, a
    // cursor placed by PlaceCursorAt) start its descent at a lower level, down to the leaves,
    // once the tree has stayed unchanged for a while: kAuto goes a level deeper each time the
    // searches since the last time paid for it, kAlways at every search (down to the leaves at
    // once), kNever never. Results are the same either way.
    enum class LevelDirectoryUse { kAuto, kAlways, kNever };
    void SetLevelDirectoryUse(LevelDirectoryUse use);
    // The depth of the pages the directory lists (0: none; levels - 1: the leaves) and the bytes
    // it holds, while it is good for the tree as it is.
    int32_t LevelDirectoryDepth() const;
    size_t LevelDirectoryBytes() const;
    // Every dirty page written (and the header, if its last write failed), through the cache to
    // the file; false with 402.
    bool Flush();
    // Flush and close the file; false on a write failure. Every later call fails with 402.
    bool Close();

  private:
    struct Impl;
    explicit BTree(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace kw::engine
