// The redo journal of a record store file (layout and promises in store_journal.h).
#include "store_journal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/path.h"
#include "store_layout.h"

namespace kw::engine {
namespace {

constexpr char kStoreSuffix[] = ".dat";
constexpr char kJournalSuffix[] = ".jnl";
// A bound on an entry read back, so a damaged length never asks for gigabytes.
constexpr int64_t kLargestEntry = int64_t{1} << 30;

// Field offsets of the entry header.
constexpr size_t kMagicAt = 0;
constexpr size_t kLengthAt = 4;
constexpr size_t kOffsetAt = 8;
constexpr size_t kSizeBeforeAt = 16;
constexpr size_t kFingerprintAt = 24;
constexpr size_t kChecksumAt = 56;

uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

// The checksum an entry (header and data, laid out as in the journal) should carry.
uint64_t EntryChecksum(const uint8_t *entry, size_t dataLength) {
    const uint64_t head = JournalChecksum(entry + kLengthAt, kChecksumAt - kLengthAt, 0);
    return JournalChecksum(entry + kJournalHeaderSize, dataLength, head);
}

// The first bytes of a store as a write of data at offset leaves them, starting from before.
void Overlay(uint8_t *first, int64_t offset, const uint8_t *data, size_t n) {
    const int64_t from = std::max<int64_t>(offset, 0);
    const int64_t to = std::min<int64_t>(offset + static_cast<int64_t>(n), kJournalFingerprintSize);
    for (int64_t i = from; i < to; ++i)
        first[i] = data[i - offset];
}

}  // namespace

std::string StoreJournalPath(const std::string &storePath) {
    const size_t suffix = sizeof kStoreSuffix - 1;
    if (storePath.size() > suffix &&
        storePath.compare(storePath.size() - suffix, suffix, kStoreSuffix) == 0) {
        return storePath.substr(0, storePath.size() - suffix) + kJournalSuffix;
    }
    return storePath + kJournalSuffix;
}

uint64_t JournalChecksum(const uint8_t *data, size_t n, uint64_t seed) {
    uint64_t h = seed ^ (0x9E3779B97F4A7C15ull * (n + 1));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);  // the host order is fine: the entry is never moved
        h = (h ^ word) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    for (; i < n; ++i)
        h = (h ^ data[i]) * 0x100000001B3ull;
    return Mix(h);
}

JournaledStoreFile::JournaledStoreFile(std::unique_ptr<RandomAccessFile> store,
                                       std::string journalPath)
    : store_(std::move(store)), journalPath_(std::move(journalPath)) {}

std::unique_ptr<JournaledStoreFile> JournaledStoreFile::Open(
    std::unique_ptr<RandomAccessFile> store, std::string journalPath) {
    if (!store) return nullptr;
    std::unique_ptr<JournaledStoreFile> file(
        new JournaledStoreFile(std::move(store), std::move(journalPath)));
    if (!file->Replay()) return nullptr;
    file->size_ = std::max<int64_t>(file->store_->Size(), 0);
    const int64_t got = file->store_->ReadAt(0, file->fingerprint_, kJournalFingerprintSize);
    if (got < 0) return nullptr;
    return file;
}

JournaledStoreFile::~JournaledStoreFile() {
    if (!journal_ || live_) return;  // an entry that may be needed stays for the next open
    journal_.reset();
    platform::RemoveFile(journalPath_);
}

// Replays a sound entry, then clears whatever entry the journal holds. A journal that is
// missing has nothing to replay; one whose entry is not sound, or not this store's, is cleared
// as far as it can be (an entry left standing is judged the same way at the next open).
bool JournaledStoreFile::Replay() {
    int error = 0;
    journal_ = platform::OpenExclusive(journalPath_, platform::OpenMode::kExisting, &error);
    if (!journal_) return error == ENOENT;
    const int64_t journalSize = journal_->Size();
    uint8_t head[kJournalHeaderSize];
    if (journalSize < kJournalHeaderSize ||
        journal_->ReadAt(0, head, sizeof head) != kJournalHeaderSize ||
        GetInt32(head + kMagicAt) != kJournalMagic) {
        return true;  // cleared, or an entry whose first bytes never arrived
    }
    const auto length = static_cast<int64_t>(static_cast<uint32_t>(GetInt32(head + kLengthAt)));
    const auto offset = static_cast<int64_t>(GetUint64(head + kOffsetAt));
    const auto sizeBefore = static_cast<int64_t>(GetUint64(head + kSizeBeforeAt));
    const bool shaped = length > 0 && length <= kLargestEntry &&
                        length <= journalSize - kJournalHeaderSize && offset >= 0 &&
                        sizeBefore > offset;
    if (!shaped) return ClearEntry(), true;

    try {
        entry_.resize(static_cast<size_t>(kJournalHeaderSize + length));
    } catch (const std::exception &) {
        return false;
    }
    std::memcpy(entry_.data(), head, sizeof head);
    uint8_t *data = entry_.data() + kJournalHeaderSize;
    if (journal_->ReadAt(kJournalHeaderSize, data, static_cast<size_t>(length)) != length ||
        EntryChecksum(entry_.data(), static_cast<size_t>(length)) !=
            GetUint64(head + kChecksumAt)) {
        return ClearEntry(), true;  // torn while it was written: the store write never began
    }

    // The entry must belong to this store: as long as it was, and its header as it was before
    // the write or as the write makes it.
    uint8_t now[kJournalFingerprintSize] = {};
    if (store_->Size() < sizeBefore || store_->ReadAt(0, now, sizeof now) < 0) {
        return ClearEntry(), true;
    }
    uint8_t before[kJournalFingerprintSize];
    std::memcpy(before, head + kFingerprintAt, sizeof before);
    uint8_t after[kJournalFingerprintSize];
    std::memcpy(after, before, sizeof after);
    Overlay(after, offset, data, static_cast<size_t>(length));
    if (std::memcmp(now, before, sizeof now) != 0 && std::memcmp(now, after, sizeof now) != 0) {
        return ClearEntry(), true;
    }
    live_ = true;
    if (store_->WriteAt(offset, data, static_cast<size_t>(length)) != length) return false;
    ClearEntry();  // when this fails the entry stays live and the first write settles it
    return true;
}

bool JournaledStoreFile::NeedsJournal(int64_t offset, size_t n) const {
    if (n == 0 || offset >= size_) return false;
    const int64_t last = offset + static_cast<int64_t>(n) - 1;
    return offset / kFilePageSize != last / kFilePageSize;
}

bool JournaledStoreFile::BuildEntry(int64_t offset, const uint8_t *data, size_t n) {
    const size_t total = static_cast<size_t>(kJournalHeaderSize) + n;
    try {
        entry_.resize(total);
    } catch (const std::exception &) {
        return false;
    }
    uint8_t *e = entry_.data();
    PutInt32(e + kMagicAt, kJournalMagic);
    PutInt32(e + kLengthAt, static_cast<int32_t>(n));
    PutUint64(e + kOffsetAt, static_cast<uint64_t>(offset));
    PutUint64(e + kSizeBeforeAt, static_cast<uint64_t>(size_));
    std::memcpy(e + kFingerprintAt, fingerprint_, sizeof fingerprint_);
    std::memcpy(e + kJournalHeaderSize, data, n);
    PutUint64(e + kChecksumAt, EntryChecksum(e, n));
    return true;
}

bool JournaledStoreFile::Commit() {
    if (!journal_) {
        journal_ = platform::OpenExclusive(journalPath_, platform::OpenMode::kCreateIfMissing);
        if (!journal_) return false;
    }
    // From the journal write on, the journal may hold a sound entry whatever the write reports:
    // until it is cleared, no other store write may come first.
    live_ = true;
    const auto total = static_cast<int64_t>(entry_.size());
    if (journal_->WriteAt(0, entry_.data(), entry_.size()) != total) return false;
    const int64_t offset = static_cast<int64_t>(GetUint64(entry_.data() + kOffsetAt));
    const int64_t n = total - kJournalHeaderSize;
    const uint8_t *data = entry_.data() + kJournalHeaderSize;
    if (WriteStore(offset, data, static_cast<size_t>(n)) != n) return false;
    ClearEntry();  // when this fails the entry stays live and the next write clears it
    return true;
}

// Four zero bytes inside one page: a kill cannot tear them.
bool JournaledStoreFile::ClearEntry() {
    const uint8_t zero[4] = {};
    if (journal_->WriteAt(kMagicAt, zero, sizeof zero) != sizeof zero) return false;
    live_ = false;
    return true;
}

int64_t JournaledStoreFile::WriteStore(int64_t offset, const uint8_t *data, size_t n) {
    const int64_t written = store_->WriteAt(offset, data, n);
    if (written == static_cast<int64_t>(n)) {
        size_ = std::max(size_, offset + static_cast<int64_t>(n));
        Overlay(fingerprint_, offset, data, n);
    } else {
        // Part of the bytes may have arrived: learn the store's size and first bytes again.
        size_ = std::max<int64_t>(store_->Size(), size_);
        std::memset(fingerprint_, 0, sizeof fingerprint_);
        store_->ReadAt(0, fingerprint_, sizeof fingerprint_);
    }
    return written;
}

int64_t JournaledStoreFile::ReadAt(int64_t offset, void *buffer, size_t n) {
    return store_->ReadAt(offset, buffer, n);
}

int64_t JournaledStoreFile::WriteAt(int64_t offset, const void *buffer, size_t n) {
    // An entry that may still be needed is settled first (journal, store, clear once more), so
    // no write reaches the store while a replay could put older bytes back over it.
    if (live_ && !Commit()) return -1;
    const auto *data = static_cast<const uint8_t *>(buffer);
    if (!NeedsJournal(offset, n)) return WriteStore(offset, data, n);
    if (!BuildEntry(offset, data, n) || !Commit()) return -1;
    return static_cast<int64_t>(n);
}

int64_t JournaledStoreFile::Size() {
    return store_->Size();
}

bool JournaledStoreFile::Sync() {
    return store_->Sync();
}

const std::string &JournaledStoreFile::Path() const {
    return store_->Path();
}

}  // namespace kw::engine
