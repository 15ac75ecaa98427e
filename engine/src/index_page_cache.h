// The memory between a database's index files and the operating system: one budget of 512-byte
// units shared by every index file of the database, evicted in one (second-chance) clock order
// in which a unit the B-tree favours (an inner page, see Load) outlasts the others.
// Each file reaches it through IndexFileCache (index_file_cache.h), which the B-tree uses as its
// file; the page pool of each tree sits above it unchanged.
//
// A unit holds the bytes of one aligned 512-byte stretch of one file, exactly as the file would
// hold them had every write so far reached it. Each file has a logical size: its size at attach,
// grown by every write. Reads stop at the logical size, and bytes between the real end of the file
// and the logical size read as zeros (a hole the deferred writes have yet to fill).
//
// What callers may rely on:
//  - Coherence: every read and write of an attached file goes through here, so a read returns
//    the bytes last written whether or not they have reached the file. Nothing else may write the
//    file while it is attached (index files are opened exclusively; a reset or a rebuilt tree
//    writes through the same path, so a cache never serves bytes older than the last write).
//  - Deferred files: a write lands in units marked dirty and returns at once; a partial write to
//    a unit not held first reads that unit (a failed read fails the write). Dirty bytes reach the
//    file when their unit is evicted (with the dirty units next to it in the file, up to 64 KiB,
//    in one write), at WriteDirty (every dirty unit of the file, in offset order, neighbours
//    combined) and never otherwise: the owner calls WriteDirty before it detaches. Write-backs
//    stop at the logical size, so the file gets the same bytes it would have got directly.
//  - A read that misses reads just its unit, unless it continues the file's previous miss (a walk
//    through the file in order): then it reads the aligned 4 KiB around it in one read and keeps
//    the units of it not held yet (never over a unit held, whose bytes may be newer than the
//    file's); those neighbours enter as not yet used, so the clock takes them first unless they
//    are read soon. A B-tree's descents land anywhere in files far larger than the budget, and
//    neighbours read for them only pushed out units still in use.
//  - Write-through files: a write reaches the file before it returns, and units holding those
//    bytes are updated; a failed or short write drops them, so no unit holds bytes the file
//    lacks, and the result is the file's own.
//  - Failures are never lost: a write-back that fails at eviction keeps its units dirty (they are
//    passed over by later evictions, the budget running over if need be) and the file's next
//    WriteDirty retries them and reports whether every one reached the file. A read that fails
//    at the file fails the caller's read and caches nothing.
//  - Memory grows with use up to the budget (in 64 KiB chunks) and is returned when the last
//    file detaches. When no unit can be had (every one is dirty and its file failing), accesses
//    go straight to the file.
//
// Single-threaded, like the rest of the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "unit_map.h"

namespace kw::engine {

// The budget of a database's index cache. Big enough for the upper levels of every index of a
// 100,000-recipe database, whose inner pages are what every search passes through, and beside
// them for the leaves of an index of about 100,000 entries (some 20 MiB): random look-ups in a
// table of that size then mostly stay in memory, where half the budget sent most leaf reads to
// the file. Memory grows with use up to the budget, so a small database never takes it all.
inline constexpr size_t kIndexCacheBytes = size_t{64} << 20;

class IndexPageCache {
  public:
    static constexpr int64_t kUnitSize = 512;
    // Turns of the clock hand a favoured unit outlasts unused. Every search passes through the
    // inner pages of its index, a leaf is needed by one search in thousands: inner pages go
    // only once leaves have had eight chances to be the ones to go.
    static constexpr uint8_t kFavouredUses = 8;

    explicit IndexPageCache(size_t budgetBytes);
    IndexPageCache(const IndexPageCache &) = delete;
    IndexPageCache &operator=(const IndexPageCache &) = delete;

    // Starts caching file, whose current size is size; the file is not owned and must stay open
    // until Detach. Returns the file's number for the calls below.
    int32_t Attach(platform::RandomAccessFile *file, int64_t size, bool deferWrites);
    // Forgets the file's units without writing them.
    void Detach(int32_t file);

    // The RandomAccessFile contract, over the file's logical size.
    int64_t Read(int32_t file, int64_t offset, void *buffer, size_t n);
    int64_t Write(int32_t file, int64_t offset, const void *buffer, size_t n);
    int64_t Size(int32_t file) const { return files_[static_cast<size_t>(file)].size; }
    // The n bytes at offset in place when they lie inside one held unit and inside the logical
    // size (the unit then counts as used), else null. Nothing is read from the file; the pointer
    // is good until the next call on this cache. The B-tree reads the pages it only searches
    // this way instead of copying them into its pool.
    // With checked, also says whether the unit carries the mark below.
    const uint8_t *Peek(int32_t file, int64_t offset, size_t n, bool *checked = nullptr);
    // Peek that first reads the unit from the file when it is not held, as a read that missed
    // would. Null when the bytes do not lie in one unit inside the logical size or no unit can
    // be had (nothing was read then), and with *failed when the file could not be read.
    // A favoured unit is passed over by kFavouredUses turns of the clock before it may go
    // instead of one: the B-tree favours its inner pages, which every search passes through,
    // over leaves, which one search in thousands needs.
    const uint8_t *Load(int32_t file, int64_t offset, size_t n, bool *checked, bool *failed,
                        bool favoured = false);
    // Starts bringing in what a Peek at offset will look at first, without waiting for it: a
    // descent asks for its next page's place while it still searches the page it is on.
    void Prefetch(int32_t file, int64_t offset) const {
        if (Cacheable(file, offset)) map_.Prefetch(Key(file, offset - offset % kUnitSize));
    }
    // Favours the held unit at unitOffset as Load would, when it is held (no bytes are read).
    void Favour(int32_t file, int64_t unitOffset);
    // Marks the held unit at unitOffset as having passed the caller's consistency check; any
    // change of the unit's bytes (a write, a reload) takes the mark away. The B-tree checks a page
    // it reads in place once, not at every descent through it.
    void MarkChecked(int32_t file, int64_t unitOffset);
    // Writes every dirty unit of the file; false when one could not be written (it stays dirty).
    bool WriteDirty(int32_t file);

    size_t BudgetUnits() const { return budgetUnits_; }
    // Units holding bytes of some file, and dirty units of one file.
    size_t UnitsInUse() const { return entries_.size() - freeEntries_.size(); }
    int32_t DirtyUnits(int32_t file) const { return files_[static_cast<size_t>(file)].dirty; }

  private:
    struct FileState {
        platform::RandomAccessFile *file = nullptr;  // null: a free number
        int64_t size = 0;                            // logical size
        bool deferWrites = false;
        bool writeFailed = false;  // a write-back failed since the last good WriteDirty
        int32_t dirty = 0;         // dirty units
    };
    struct Entry {
        int64_t offset = -1;  // unit offset in its file
        int32_t file = -1;    // -1: free entry
        bool dirty = false;
    };

    // Results of Load besides a unit number.
    static constexpr int32_t kNoRoom = -1;
    static constexpr int32_t kReadFailed = -2;

    // A unit's key in map_: its file number above its unit number.
    static constexpr int kUnitNumberBits = 26;
    static uint64_t Key(int32_t file, int64_t unitOffset) {
        return static_cast<uint64_t>(file) << kUnitNumberBits |
               static_cast<uint64_t>(unitOffset / kUnitSize);
    }
    // Files and offsets the unit key can hold: offsets below 32 GiB (far beyond any index file,
    // whose offsets are 32-bit) of the first 2^18 file numbers (far more index files than a
    // database has). Anything else goes straight to the file.
    static bool Cacheable(int32_t file, int64_t offset) {
        return offset >= 0 && offset < (int64_t{kUnitSize} << kUnitNumberBits) &&
               static_cast<uint64_t>(file) < (UnitMap::kKeyLimit >> kUnitNumberBits);
    }
    // map_ holds, for each unit, its entry number above the mark of MarkChecked (bit 0): a
    // descent learns both from the one slot it reads.
    static constexpr int32_t kMaxEntries = UnitMap::kMaxValue >> 1;
    static int32_t MapValue(int32_t entry, bool checked) { return entry << 1 | (checked ? 1 : 0); }

    uint8_t *Data(int32_t entry);
    // Peek, or Load when load is set.
    const uint8_t *InPlace(int32_t file, int64_t offset, size_t n, bool load, uint8_t uses,
                           bool *checked, bool *failed);
    int32_t Find(int32_t file, int64_t unitOffset) const;
    // The unit of file at unitOffset, marked as used (for uses turns of the clock), or -1; with
    // checked, whether it carries the mark of MarkChecked.
    int32_t Touch(int32_t file, int64_t unitOffset, uint8_t uses = 1, bool *checked = nullptr);
    void Use(int32_t entry, uint8_t uses);
    static void SetBit(std::vector<uint64_t> &bits, int32_t entry) {
        bits[static_cast<size_t>(entry) >> 6] |= uint64_t{1} << (entry & 63);
    }
    // Clears the bit and says whether it was set.
    static bool TakeBit(std::vector<uint64_t> &bits, int32_t entry) {
        uint64_t &word = bits[static_cast<size_t>(entry) >> 6];
        const uint64_t bit = uint64_t{1} << (entry & 63);
        const bool set = (word & bit) != 0;
        word &= ~bit;
        return set;
    }
    // Forgets every turn the unit had left.
    void ClearTurns(int32_t entry);
    // Sets the mark of the held unit entry, which is file's unit at unitOffset.
    void SetChecked(int32_t file, int64_t unitOffset, int32_t entry, bool checked);
    // A unit for file at unitOffset (contents undefined), or kNoRoom.
    int32_t Allocate(int32_t file, int64_t unitOffset);
    // The unit read from the file (zeros past its end), or kNoRoom / kReadFailed.
    int32_t Load(int32_t file, int64_t unitOffset);
    // The same with the units around it that are not held yet, read with it in one aligned read.
    int32_t LoadChunk(int32_t file, int64_t unitOffset);
    // Load or LoadChunk for a read that missed, by whether it continues the previous miss.
    int32_t LoadMissed(int32_t file, int64_t unitOffset);
    int32_t TakeEntry();
    // An entry freed by evicting a unit not used since the clock hand last passed it, or -1.
    int32_t Evict();
    void Remove(int32_t entry);
    void SetDirty(int32_t entry, bool dirty);
    // Writes the dirty unit entry with the dirty units next to it in the same file; they all
    // become clean. False when the write failed (all stay dirty).
    bool WriteRun(int32_t entry);
    void GrowMap();
    void ReleaseMemory();
    int64_t WriteThrough(int32_t file, int64_t offset, const void *buffer, size_t n);

    size_t budgetUnits_;
    std::vector<FileState> files_;
    std::vector<Entry> entries_;
    std::vector<int32_t> freeEntries_;
    std::vector<std::unique_ptr<uint8_t[]>> arena_;  // unit data, allocated 64 KiB at a time
    // Second-chance (clock) order instead of a linked LRU list: a hit only sets a bit here,
    // where a list would write three entries scattered over the cache. The turns of the clock
    // hand that still pass a unit over are the largest of: kFavouredUses when its favoured bit
    // is set, 1 when its referenced bit is set, and its countdown (what is left of an earlier
    // favour). Hits touch only the bits, one per unit (8 KiB for the whole budget), which stay
    // in the processor's nearest cache; only the hand reads and writes the countdown bytes.
    std::vector<uint64_t> referencedBits_;
    std::vector<uint64_t> favouredBits_;
    std::vector<uint8_t> countdown_;
    size_t hand_ = 0;        // the next entry the clock looks at
    int32_t missFile_ = -1;  // the file of the last read miss, and the end of what it read
    int64_t missEnd_ = -1;
    UnitMap map_;                 // Key(file, unit offset) -> MapValue(entry, checked)
    size_t mapLimit_;             // entries map_ was sized for
    std::vector<uint8_t> chunk_;  // an aligned stretch read for LoadChunk
    std::vector<uint8_t> run_;    // neighbouring dirty units gathered for a write
    std::vector<std::pair<int64_t, int32_t>> order_;  // a file's dirty units, sorted for a flush
};

}  // namespace kw::engine
