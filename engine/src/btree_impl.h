// The state of one open index file, shared by the files that implement BTree: btree.cc (file
// header, open, close, reset, flush, page allocation, descent, find), btree_insert.cc,
// btree_delete.cc and btree_cursor.cc. Internal functions return 0 or an extended code (never -1);
// the public BTree methods turn a code into -1 and LastError().
//
// Invariants between calls:
//  1. Every page reachable from the root, and every page in the pool, is consistent.
//  2. All leaves lie at depth levels - 1; a descent deeper than that, or into a page already on
//     its own path, is a damaged file (308).
//  3. The header in memory is the truth; headerDirty is set only while a header write failed.
//  4. The cursor is {-1, 0} (none) or names a leaf and a slot from -1 to its entry count.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "btree.h"
#include "btree_page.h"
#include "index_file_cache.h"
#include "level_directory.h"
#include "page_pool.h"
#include "platform/file.h"
#include "search_key.h"

namespace kw::engine {

// File header at offset 0, 32-bit little-endian:
//
//   OFFSET  SIZE  MEANING                                         NEW FILE
//   0       4     magic                                           0x00011A3B
//   4       4     page size P                                     512
//   8       4     levels (tree height; a leaf-only tree has 1)    1
//   12      4     comparison kind (4: the index's key rules)      4
//   16      4     root page offset                                512
//   20      4     first free page, -1 if none                     -1
//   24      4     end: offset of the next page appended           1024
//
// Bytes 28 to P-1 of page 0 are never written; tree pages start at P.
struct FileHeader {
    int32_t magic = kBtreeMagic;
    int32_t pageSize = kBtreePageSize;
    int32_t levels = 1;
    int32_t compareKind = 4;
    int32_t root = kBtreePageSize;
    int32_t freeList = -1;
    int32_t end = 2 * kBtreePageSize;
};
inline constexpr int32_t kFileHeaderSize = 28;

// Deeper than any sound file: the root splits only when full, each split leaves at least one
// entry on either side, so a tree of L levels once had 2^(L-1) leaves, and a file of 32-bit
// offsets holds fewer than 2^26 pages of the smallest size. A descent stops at this depth when a
// damaged header claims more levels.
inline constexpr int32_t kMaxDescentLevels = 64;

// The state of a bottom-up build, private to btree_bulk.cc.
struct SortedBuild;
struct SortedBuildDeleter {
    void operator()(SortedBuild *build) const;
};

// One inner page passed on the way down and the slot taken in it (n for the rightmost child).
struct PathStep {
    int32_t page;
    int32_t slot;
};

struct BTree::Impl {
    std::unique_ptr<platform::RandomAccessFile> file;
    // The file when it goes through the database's index cache, else null.
    IndexFileCache *cached = nullptr;
    const KeyLayout *layout = nullptr;
    FileHeader header;
    bool headerDirty = false;
    int32_t writeMode = 2;
    int32_t maxKeyLength = 0;
    std::unique_ptr<PagePool> pool;
    // A page is rebuilt here and copied over its buffer, so a change never takes a second buffer
    // (which would evict a page the pool could have kept).
    std::vector<uint8_t> scratch;
    std::vector<uint8_t> zeroPage;  // written where a page is appended
    std::vector<PathStep> path;
    int32_t cursorPage = -1;
    int32_t cursorSlot = 0;
    // A cursor placement owed by PlaceCursorAt, made at the next Next or Prev.
    bool cursorDeferred = false;
    int32_t deferredLength = 0;
    uint8_t deferredKey[kMaxKeyBuffer];
    int32_t lastError = 0;
    // The first write failure of the running operation. A page or header write that fails after
    // the tree was changed does not stop the operation (the tree in memory stays whole and the
    // failed buffer stays dirty); the operation reports it when done.
    int writeError = 0;

    // Public operations begun so far, and what the last HasKey found on its way down (the path
    // holds its descent): an Insert of the same key that comes right after it, with no other
    // operation on the tree between, starts from there instead of descending again.
    uint64_t operations = 0;
    uint64_t probedAt = 0;  // the operation number of that HasKey, 0 for none
    int32_t probedLeaf = -1;
    int32_t probedSlot = 0;
    bool probedFound = false;
    int32_t probedLength = 0;
    uint8_t probedKey[kMaxKeyBuffer];

    // The level directory (btree_directory.cc, level_directory.h): the pages at depth
    // directoryDepth listed with their bounds, good only while changes equals directoryAt. Every
    // public operation that may change the tree counts a change before it starts, so a change of
    // any kind leaves the directory behind at once; the next search starts it again from the
    // root. lookups counts the searches since it last went a level deeper.
    uint64_t changes = 0;
    LevelDirectory directory;
    LevelDirectory deeper;  // the next level while it is built
    uint64_t directoryAt = ~uint64_t{0};
    int32_t directoryDepth = 0;
    bool directoryDeepest = false;  // no deeper level will be built until the next change
    uint64_t lookups = 0;
    BTree::LevelDirectoryUse directoryUse = BTree::LevelDirectoryUse::kAuto;

    void NoteChange() { ++changes; }
    // The page a descent toward key passes at the directory's depth, and that depth, once the
    // directory reaches below the root (going deeper when the searches since the last time paid
    // for it): true. Otherwise false; the caller then descends from the root.
    bool DirectoryPage(const SearchKey &key, int32_t *page, int32_t *depth);
    // Replaces the directory with one of the level below, read from the pages it lists; false
    // (the directory unchanged) when a page cannot be read, the tree is not sound there or the
    // directory would pass its memory limit.
    bool DeepenDirectory();

    void NoteWrite(int rc) {
        if (rc != 0 && writeError == 0) writeError = rc;
    }

    // Starts a public operation: 0, or 402 once the file is closed.
    int Begin() {
        ++operations;
        writeError = 0;
        return file ? 0 : 402;
    }
    // Ends it: its own failure first, else a write failure noted on the way; kept in lastError.
    int End(int rc) {
        if (rc == 0) rc = writeError;
        if (rc != 0) lastError = rc;
        return rc;
    }

    int32_t PageSize() const { return header.pageSize; }
    int Fetch(int32_t offset, PageRef *out) { return pool->Fetch(offset, header.end, out); }
    // The page at offset for reading only: from a pool buffer when one holds it (asked only
    // while the pool may hold changed pages: a clean copy there is the cache's bytes), else in
    // place from the index cache (checked as a read from the file is), else fetched into holder.
    // *data is good until the next access to the pool or the file, so a caller reads one page
    // at a time through it; the result codes are Fetch's. An inner page is favoured by the
    // cache (kept longer than leaves).
    int ReadPage(int32_t offset, PageRef *holder, const uint8_t **data, bool inner);
    int CheckKey(const uint8_t *key, int32_t length) const;
    int WriteHeader();
    // Writes the header and every dirty page, and what the index cache holds of the file; the
    // first failure's code.
    int FlushAll();
    // Both return 0 or a failure that happened before anything changed; a later header or page
    // write failure goes to NoteWrite.
    int AllocatePage(int32_t *offset);
    int FreePage(int32_t offset);
    // Records {page, slot} on the path before descending into child (page lies at depth);
    // refuses cycles and descents deeper than the header's levels.
    int PushStep(int32_t page, int32_t slot, int32_t child, int32_t depth);
    // Descends from the root to a leaf, filling the path: toward key, or (key null) along the
    // first or last child of every page. *leafData, when asked for, is the leaf's bytes, good
    // as ReadPage's are.
    // With from, the descent starts at that page, which lies at depth fromDepth (the path then
    // holds only what lies below it).
    int Descend(const SearchKey *key, bool last, int32_t *leaf, const uint8_t **leafData = nullptr,
                int32_t from = -1, int32_t fromDepth = 0);
    // Descends toward key and searches its leaf: the slot of the equal entry (*found, and its
    // value in *value when value is not null), else of the first greater one.
    // With pathKept, the descent may start where the level directory says instead of at the
    // root; *pathKept then says whether the path holds the whole descent (a later change that
    // needs it must descend again when not).
    int Locate(const uint8_t *key, int32_t length, int32_t *leaf, int32_t *slot, bool *found,
               int32_t *value = nullptr, bool *pathKept = nullptr);
    // Rewrites the pinned page with entries [from, to) of entries (which may be read from the
    // page itself) and releases it by the write rule.
    void Rebuild(PageRef &page, int32_t left, int32_t right, int32_t child,
                 const page::Entries &entries, int32_t from, int32_t to);
    // Puts the cursor where a search for key ends: on the equal entry, else just before the
    // first greater one. *found and *ref report the entry.
    int Position(const uint8_t *key, int32_t length, bool *found, int32_t *ref);
    int Reset();
    // The bottom-up build (btree_bulk.cc): PushSorted adds an item to level l; AbandonSorted
    // ends a build that failed with rc, leaving an empty tree, and returns rc.
    int BeginSorted(size_t count, int32_t keyLength);
    int PushSorted(size_t l, const uint8_t *key, int32_t value);
    int EndSorted();
    int AbandonSorted(int rc);
    // A bottom-up build under way (btree_bulk.cc), else null.
    std::unique_ptr<SortedBuild, SortedBuildDeleter> sortedBuild;

    int Insert(const uint8_t *key, int32_t length, int32_t ref);
    // *deleted false when the key is not in the tree.
    int Delete(const uint8_t *key, int32_t length, bool *deleted);
    // Moves the cursor one entry on (forward) or back; *status 0, 2 (end) or 3 (start).
    int Step(bool forward, uint8_t *key, int32_t *length, int32_t *ref, int *status);
    // Makes the placement PlaceCursorAt deferred, if any.
    int TakeDeferredCursor();
};

}  // namespace kw::engine
