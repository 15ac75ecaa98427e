// The redo journal of a record store file: a side file (the store's name with ".jnl" for ".dat")
// that makes an overwrite of the store whole even when the process dies part-way through it.
//
// Why: a process killed while a pwrite runs stops that write between two file pages (the kernel
// copies page by page and gives up once a fatal signal is pending), so a write that overwrites
// bytes across a page boundary can leave its first pages new and the rest old. A record block of
// several KiB spans such a boundary, and a record would then hold parts of two versions.
//
// How: JournaledStoreFile wraps the store file. A write that starts before the current end of the
// file and crosses a 4096-byte file page boundary is first written as one entry to the journal,
// then to the store, and then the entry is cleared. Opening the wrapper replays a complete entry
// that is still there into the store and clears it. A write that only appends at or past the end
// of the file, or stays inside one file page, goes straight to the store: a kill leaves a page
// whole, and a cut-off append leaves a block that reads past the end of the file (damage that
// the next start's rebuild and repair find), never a block mixing two versions.
//
// What callers may rely on:
//  1. After a kill at any moment, the next open finds each journaled write either not begun or
//     complete: a complete entry is replayed; a partial entry or one with a bad checksum means
//     the store write never began and is ignored.
//  2. An entry is replayed only into the store it was written for: the store must be at least as
//     long as it was before the write, and its first 32 bytes (the store header) must be as they
//     were before the write, or as the entry itself would make them. An empty (new) store never
//     takes an entry, so a journal left behind by an older table of the same name is dropped.
//  3. While an entry may still be needed (the store write or the clearing failed), every later
//     write first completes it (store write and clearing again) and fails when it cannot, so a
//     replay never puts back bytes that were overwritten since.
//  4. The journal file exists only while the store is open and something was journaled; a
//     clean close removes it. It is kept when an entry may still be needed.
//  5. No fsync: the entry and the store write are in the page cache in order, which is all a
//     process kill needs. Surviving power loss would need the journal synced before the store
//     write and the store synced before the entry is cleared.
//
// Journal file layout (integers little-endian; only one entry, always at offset 0):
//
//   OFFSET  SIZE  MEANING
//   0       4     magic 0x4C4E4A4B (bytes 4B 4A 4E 4C, "KJNL"); 0 once the entry is cleared
//   4       4     n: bytes of store data in the entry (> 0)
//   8       8     store offset where the data goes
//   16      8     store file size before the write (greater than the offset)
//   24      32    the store's first 32 bytes before the write (zeros past its end)
//   56      8     checksum of bytes 4 to 55 and of the n data bytes (JournalChecksum)
//   64      n     the data
//
// The file never shrinks: bytes after 64 + n belong to earlier, longer entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"

namespace kw::engine {

inline constexpr int32_t kJournalMagic = 0x4C4E4A4B;
inline constexpr int64_t kJournalHeaderSize = 64;
inline constexpr int64_t kJournalFingerprintSize = 32;
// Writes that cross a boundary of this many bytes in the file can be torn by a kill.
inline constexpr int64_t kFilePageSize = 4096;

// The journal path of the store file at storePath: ".dat" replaced by ".jnl", else ".jnl" added.
std::string StoreJournalPath(const std::string &storePath);

// 64-bit checksum of n bytes, continuing from seed (start with 0).
uint64_t JournalChecksum(const uint8_t *data, size_t n, uint64_t seed);

class JournaledStoreFile final : public platform::RandomAccessFile {
  public:
    // Wraps store (not null); replays and clears a complete entry of the journal at journalPath
    // first. Null when the journal exists but cannot be opened, or a replay cannot be written.
    static std::unique_ptr<JournaledStoreFile> Open(std::unique_ptr<RandomAccessFile> store,
                                                    std::string journalPath);
    ~JournaledStoreFile() override;

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override;
    // Journals the write when it can be torn (see above); -1 when the journal cannot be written,
    // or when an earlier entry that may still be needed cannot be completed first.
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override;
    int64_t Size() override;
    bool Sync() override;
    const std::string &Path() const override;

  private:
    JournaledStoreFile(std::unique_ptr<RandomAccessFile> store, std::string journalPath);

    bool Replay();
    bool NeedsJournal(int64_t offset, size_t n) const;
    // Makes entry_ the entry for writing n bytes of data at offset.
    bool BuildEntry(int64_t offset, const uint8_t *data, size_t n);
    // Writes entry_ to the journal, its data to the store, and clears it; false when the journal
    // or the store write failed (the entry stays live).
    bool Commit();
    bool ClearEntry();
    // The store write itself, keeping size_ and fingerprint_ up to date.
    int64_t WriteStore(int64_t offset, const uint8_t *data, size_t n);

    std::unique_ptr<RandomAccessFile> store_;
    std::unique_ptr<RandomAccessFile> journal_;  // null until first needed
    std::string journalPath_;
    int64_t size_ = 0;                                // the store's size as written so far
    uint8_t fingerprint_[kJournalFingerprintSize]{};  // the store's first bytes as written so far
    // The entry last built (header and data). live_: it may be in the journal while the store
    // may not hold its data, so it must be settled before any other store write.
    std::vector<uint8_t> entry_;
    bool live_ = false;
};

}  // namespace kw::engine
