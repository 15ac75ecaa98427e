// The record store of one open table: a heap of variable-size blocks in the file NAME.dat, each
// with a 24-byte header, record blocks doubly linked in insertion order, freed blocks listed in a
// free-list block and reused first-fit. All file traffic passes through the table's block cache.
// The byte layout is documented in record_store.cc above the code that reads and writes it.
//
// Every failing operation sets LastError() to the store's extended code (402 STERR_WRITE,
// 403 STERR_BADBLOCK, 404 STERR_OVERFLOW, 154 STERR_FLUSH); callers turn it into 506 or pass it
// on as Part of their own result. A damaged file never crashes the store: references and
// capacities are checked against the file before use, and chain walks detect loops.
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
    int32_t useCount = 1;  // 1 for a live block
    int32_t next = -1;     // next block in the record chain
    int32_t prev = -1;     // previous block in the record chain
};

class RecordStore {
  public:
    // Opens the store at path, creating the file when missing (never truncating), with a cache
    // of bufferCount 2048-byte buffers; cacheMode 2 defers block writes, any other value writes
    // through. Returns null when the file cannot be opened, the cache has no buffer (so the
    // header cannot be read) or the header carries a foreign magic; the table reports 517.
    static std::unique_ptr<RecordStore> Open(const std::string &path, int32_t bufferCount,
                                             int32_t cacheMode);

    // Closes without reporting (the table layer calls Close() first to see failures).
    ~RecordStore();

    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    int32_t LastError() const;
    const StoreHeader &Header() const;

    // Header back to the new-store values, written. The file is not shortened.
    bool Reset();
    // Header and dirty buffers written, file closed. Further calls fail.
    bool Close();
    // Every dirty buffer written, least recently used first; 154 on failure.
    bool Flush();

    // Block level.
    int32_t AllocateBlock(int32_t dataSize);  // reference, or -1
    bool FreeBlock(int32_t ref);
    bool ReadBlockHeader(int32_t ref, BlockHeader *out);
    bool WriteBlockHeader(int32_t ref, const BlockHeader &header);
    bool WriteData(int32_t ref, int32_t position, const void *data, int32_t length);
    // Bytes read (clamped to the used length), or -1.
    int32_t ReadData(int32_t ref, int32_t position, void *buffer, int32_t length);

    // Record level, used by the record access layer.
    // Adds record (recordLength bytes) as a new block appended to the chain. When serialOffset
    // is 0 or more the serial counter is written into record at that offset first (so the
    // caller's buffer shows it) and then incremented. Returns 0 with *ref set; 518 when no block
    // could be allocated; 506 with LastError() on a store failure.
    int32_t AddRecord(uint8_t *record, int32_t recordLength, int32_t serialOffset, int32_t *ref);
    // Writes record over the block at ref (position 0). False with LastError() on failure.
    bool UpdateRecord(int32_t ref, const uint8_t *record, int32_t recordLength);
    // Frees the block at ref (unlinking it from the chain). False with LastError() on failure.
    bool DeleteRecord(int32_t ref);
    // Reads a record; returns the length read (the caller compares it with the record length)
    // or -1 with LastError().
    int32_t ReadRecord(int32_t ref, uint8_t *record, int32_t recordLength);

    // Chain walking: first record block, the block after ref (-1 at the end or on failure).
    int32_t FirstRecord() const;
    int32_t NextRecord(int32_t ref);
    // Counts the chain; false (502 for the caller) on a read failure, a self-link or a loop.
    bool CountRecords(int32_t *count);

    // Recovery support: replace the chain ends and empty the free list (header written).
    bool SetChain(int32_t first, int32_t last);
    bool DropFreeList();

  private:
    struct Impl;
    explicit RecordStore(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace kw::engine
