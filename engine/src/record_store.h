// The record store of one open table: a heap of variable-size blocks in the file NAME.dat, each
// with a 24-byte header, record blocks doubly linked in insertion order, freed blocks listed in a
// free-list block and reused first-fit. All file traffic passes through the table's block cache.
// The byte layout is documented in store_layout.h, the cache in block_cache.h.
//
// Every failing operation sets LastError() to the store's extended code (402 STERR_WRITE,
// 403 STERR_BADBLOCK, 404 STERR_OVERFLOW, 154 STERR_FLUSH); callers turn it into 506 or pass it
// on as part of their own result. Success never clears it. A damaged file never crashes the
// store: references, capacities and links are checked against the store's end before use
// (403), and chain walks detect self-links and loops.
//
// Freed blocks carry use count 0: record-level operations refuse them with 403, so a stale
// reference (a record deleted through another instance) is never freed twice or read as a
// record. Block-level reads (ReadBlockHeader, ReadData) still accept them, for file scans.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kw::engine {

inline constexpr int32_t kStoreMagic = 0x00072254;
inline constexpr int32_t kStoreHeaderSize = 32;
inline constexpr int32_t kBlockHeaderSize = 24;

struct StoreHeader {
    int32_t magic = kStoreMagic;
    int32_t end = kStoreHeaderSize;  // where the next block appended at the end starts
    int32_t freeList = -1;           // reference of the free-list block, -1 if none
    int32_t serial = 0;              // U-field value of the next added record
    int32_t first = -1;              // first record block of the chain
    int32_t last = -1;               // last record block of the chain
};

struct BlockHeader {
    int32_t magic = kStoreMagic;
    int32_t capacity = 0;  // bytes of the data area
    int32_t used = 0;      // bytes of the data area in use
    int32_t useCount = 1;  // 1 for a live block, 0 once freed
    int32_t next = -1;     // next block in the record chain
    int32_t prev = -1;     // previous block in the record chain
};

class ChainWalk;

class RecordStore {
  public:
    // Opens the store at path, creating the file when missing (never truncating), with a cache
    // of bufferCount 2048-byte buffers; cacheMode 2 defers block writes, any other value writes
    // through. A complete entry left in the store's journal (StoreJournalPath(path)) by a
    // process that died during an overwrite is replayed first (store_journal.h). Returns null
    // when the file or its journal cannot be opened, a replay cannot be written, the cache has
    // no buffer (so the header cannot be read) or the header carries a foreign magic; the table
    // reports 517.
    static std::unique_ptr<RecordStore> Open(const std::string &path, int32_t bufferCount,
                                             int32_t cacheMode);

    // Closes without reporting when Close() was not called or failed (best effort: header and
    // dirty buffers written when the file allows).
    ~RecordStore();

    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    int32_t LastError() const;
    const StoreHeader &Header() const;

    // Header back to the new-store values, written (on failure the header is left as it was).
    // The file is not shortened; the next block is appended at 32 over the old bytes.
    bool Reset();
    // Header and dirty buffers written, file closed; true when already closed. On failure
    // (402 header, 154 flush) the store stays open with its dirty buffers, so Close may be
    // retried; destroying it then tries once more. After a successful close every other call
    // fails.
    bool Close();
    // Every dirty buffer written, least recently used first; 154 on failure. The header is not
    // written by a flush.
    bool Flush();

    // Block level.
    // A new block of dataSize (> 0) bytes, not in the chain: reference, or -1 (404 for a size
    // of 0 or less or a file that would pass 2 GiB, 403 for a damaged free list, 402).
    int32_t AllocateBlock(int32_t dataSize);
    // Unlinks the block from the chain and lists it as free. 403 for the free-list block, a
    // block already freed, or a block whose own links name itself.
    bool FreeBlock(int32_t ref);
    // The header of any sound block, freed ones included; 403 otherwise.
    bool ReadBlockHeader(int32_t ref, BlockHeader *out);
    // Rewrites the header of the sound block at ref (for relinking): 403 when there is no such
    // block, or when the new header changes its capacity, has a wrong magic, a used length
    // outside the capacity, or links that are neither -1 nor block references.
    bool WriteBlockHeader(int32_t ref, const BlockHeader &header);
    // 404 when position or position + length passes the capacity; raises the used length.
    bool WriteData(int32_t ref, int32_t position, const void *data, int32_t length);
    // Bytes read (clamped to the used length, 0 at or past it), or -1.
    int32_t ReadData(int32_t ref, int32_t position, void *buffer, int32_t length);

    // Record level, used by the record access layer. "A live record block" below means a sound
    // block that is neither freed nor the free-list block; anything else gives 403.
    //
    // Adds record (recordLength bytes) as a new block appended to the chain. When serialOffset
    // is 0 or more (pass -1 for a table without a U field) the serial counter is written into
    // record at that offset once a block is allocated (so the caller's buffer shows it, even
    // when a later write fails) and incremented once the record is stored.
    // Returns 0 with *ref set; 518 (KWERR_NOSPACE) when no block could be allocated, with the
    // cause in LastError(); 506 (KWERR_EXTENDED) with LastError() when a later write failed
    // (the block is given back when possible).
    int32_t AddRecord(uint8_t *record, int32_t recordLength, int32_t serialOffset, int32_t *ref);
    // The store's part of an add that an index refuses before anything was written (the indexed
    // insert checks its unique indexes first): numbers record and consumes the serial as AddRecord
    // does, and allocates a block of recordLength that is listed as free again at once. The
    // serial counter, the free list and the store's end, and so the reference of every later
    // record, are then what AddRecord followed by DeleteRecord would have left; only the freed
    // block's own bytes differ (header marked freed with used length 0, data never written), and
    // the chain is never touched. Results as AddRecord; on 518 nothing is numbered. A failure
    // after the allocation only loses the block's space (its header already says freed) and
    // still returns 0, as the add it stands for succeeded.
    int32_t AddRefusedRecord(uint8_t *record, int32_t recordLength, int32_t serialOffset);
    // Writes record over the live record block at ref (position 0); 404 when it is longer than
    // the block's capacity. False with LastError() on failure.
    bool UpdateRecord(int32_t ref, const uint8_t *record, int32_t recordLength);
    // Frees the live record block at ref (unlinking it from the chain). False with LastError().
    bool DeleteRecord(int32_t ref);
    // Copies min(recordLength, used length) bytes of the live record block at ref into record
    // (the rest of record is left as it was) and returns that count; the caller compares it
    // with the record length (519). -1 with LastError() on failure.
    int32_t ReadRecord(int32_t ref, uint8_t *record, int32_t recordLength);

    // Chain walking. FirstRecord is the header's first block (-1 when empty). NextRecord gives
    // the block after the live record block ref: -1 at the end or on failure (403 set; this
    // includes a block whose next link is itself). The two-argument form tells failure apart.
    // A single step cannot see a longer loop: whole walks use ChainWalk below.
    int32_t FirstRecord() const;
    // loadLength > 0: the caller reads that many bytes of the record next, so they are read
    // together with the header (one read instead of two when the block is not cached).
    int32_t NextRecord(int32_t ref);
    // prev, when given, receives the block's previous link.
    bool NextRecord(int32_t ref, int32_t *next, int32_t loadLength = 0, int32_t *prev = nullptr);
    // The most blocks the store's extent can hold: (end - 32) / 24.
    int32_t MaxBlockCount() const;
    // Counts the chain; false (502 for the caller, 403 in LastError()) on a read failure, a
    // block that is not a live record block, a self-link, a back link that does not name the
    // block before (ChainWalk) or a loop.
    bool CountRecords(int32_t *count);

    // Recovery support: replace the chain ends (each -1 or a block reference, else 403) and
    // empty the free list (its old block is marked freed); the header is written. SetChain
    // first writes every dirty buffer back (154 when that fails), so the header never reaches
    // the file before the relinked blocks it names.
    bool SetChain(int32_t first, int32_t last);
    bool DropFreeList();

    // Scanning support (store_scan.cc), for recovery and reindex.
    //
    // The header of whatever block starts at ref, judged by its shape alone: magic, a capacity
    // that ends within the store's end, a used length within the capacity. Its links are not
    // looked at (a recovery rewrites them). 403 otherwise.
    bool ReadScannedBlock(int32_t ref, BlockHeader *out);
    // Sets the links of the block at ref (shaped as above) to prev and next, each -1 or a block
    // reference; 403 or 402.
    bool RelinkBlock(int32_t ref, int32_t prev, int32_t next);
    // The first position at or after from (and before the store's end) where a block of that
    // shape starts with use count 0 or 1, or -1 when there is none. Used to step over bytes that
    // belong to no block (the 24 bytes a split loses after its remainder, a remainder not handed
    // out yet, damage). Writes every dirty buffer first and then reads the file directly.
    // False with 154 when the flush fails, 403 when a read fails.
    bool FindBlock(int64_t from, int32_t *ref);
    // Retires a block that the end of the file cuts off (an append whose process was killed
    // part-way through the write): a block header that is whole is marked freed and linked
    // nowhere, the part of one that is not is erased. Otherwise, once a later append leaves a
    // hole before its own block, the missing bytes would read as zeros and complete the block
    // into a record of zeros and old bytes. *retired tells whether position was such a block.
    // Writes every dirty buffer first (154 when that fails); 403 or 402 otherwise.
    bool RetireCutOff(int32_t position, bool *retired);
    // Raises the serial counter to value when it is below it (as an unsigned number); the
    // header is written then.
    bool RaiseSerial(uint32_t value);
    // Makes ref the chain's last block when the header names another; the header is written
    // then. A reindex calls it with the block its whole walk ended on: a crash can leave the
    // header naming a block the chain never reached, and records added after that block would
    // be out of the chain's reach.
    bool SettleLast(int32_t ref);

  private:
    friend class ChainWalk;
    friend class ChainReader;
    struct Impl;
    explicit RecordStore(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The loop check of a chain walk (Brent's method): a block met again at a saved point, or more
// steps than the store has room for blocks, means the chain loops.
class ChainLoop {
  public:
    explicit ChainLoop(int32_t limit) : limit_(limit) {}
    // Whether walking on to block r would go round a loop.
    bool Closes(int32_t r) const { return r == saved_ || steps_ >= limit_; }
    void Visit(int32_t r) {
        if (++sinceSave_ == power_) {
            saved_ = r;
            power_ = power_ < (INT32_MAX >> 1) ? power_ * 2 : power_;
            sinceSave_ = 0;
        }
        ++steps_;
    }
    int32_t Steps() const { return steps_; }

  private:
    int32_t saved_ = -1;
    int32_t power_ = 1;
    int32_t sinceSave_ = 0;
    int32_t steps_ = 0;
    int32_t limit_;
};

// Walks the record chain from its first block, catching damaged blocks, self-links and loops
// (a loop is found within a few times its length; the walk is also bounded by MaxBlockCount()).
// Use:  ChainWalk walk(store); int32_t ref;
//       while (walk.Next(&ref) && ref != -1) { ... }   then walk.Failed() tells why it stopped.
// Each reference returned is a live record block whose header was checked. With
// BackLinks::kCheck (the default) each block's previous link must also name the block returned
// before it, and the first block's must be none: a store header naming a block in the middle of
// the chain (left so by a crash) then fails the walk instead of giving a sound but short chain.
// The walk reads the next link before returning a block; only a walk with BackLinks::kIgnore
// lets the caller delete the block it was given (the delete relinks the next block's back link).
// A walk that reads each record (ReadRecord) passes the record length as loadLength, so each
// block costs one read.
enum class BackLinks { kCheck, kIgnore };

class ChainWalk {
  public:
    explicit ChainWalk(RecordStore &store, int32_t loadLength = 0,
                       BackLinks backLinks = BackLinks::kCheck);
    // True with *ref set to the next record block, or to -1 once the chain has ended; false on
    // failure (403 in the store's LastError()), and on every call after it.
    bool Next(int32_t *ref);
    bool Failed() const { return failed_; }
    int32_t Steps() const { return loop_.Steps(); }

  private:
    RecordStore &store_;
    int32_t loadLength_;
    bool checkBackLinks_;
    bool started_ = false;
    bool failed_ = false;
    int32_t following_ = -1;  // the next link of the block returned last
    int32_t returned_ = -1;   // the block returned last, -1 before the first
    ChainLoop loop_;
};

}  // namespace kw::engine
