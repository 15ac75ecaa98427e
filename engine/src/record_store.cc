// The record store: open/close/reset/flush, the checked block primitives, records and the
// record chain. Block allocation and the free list live in store_free_list.cc; the byte layout
// is in store_layout.h.
//
// When the store header reaches the file: when a block is appended at the end, when a block is
// freed or unlinked, at Reset, SetChain, SettleLast, DropFreeList and Close. Adding a record into a
// reused block and counting serials only change the header in memory; a flush does not write it.
#include <algorithm>

#include "record_store_impl.h"
#include "store_journal.h"

namespace kw::engine {

// --- checked primitives ---------------------------------------------------------------------

bool RecordStore::Impl::WriteHeader() {
    uint8_t raw[kStoreHeaderSize];
    EncodeStoreHeader(header, raw);
    if (cache->Write(0, 0, raw, kStoreHeaderSize) != CacheStatus::kOk) return Fail(STERR_WRITE);
    return true;
}

void RecordStore::Impl::LoadBlock(int32_t ref, int32_t dataLength) {
    if (!IsBlockRef(ref) || dataLength <= 0) return;
    const int64_t length =
        std::min<int64_t>(int64_t{kBlockHeaderSize} + dataLength, int64_t{header.end} - ref);
    cache->Load(ref, 0, length);
}

bool RecordStore::Impl::ReadBlock(int32_t ref, BlockHeader *out) {
    if (!IsBlockRef(ref)) return Fail(STERR_BADBLOCK);
    uint8_t raw[kBlockHeaderSize];
    CacheStatus status = cache->Read(ref, 0, raw, kBlockHeaderSize);
    if (status != CacheStatus::kOk) return FailRead(status);
    if (cache->LastReadPastEnd()) return Fail(STERR_BADBLOCK);  // cut off by a truncated file
    const BlockHeader h = DecodeBlockHeader(raw);
    if (!IsSoundBlock(ref, h)) return Fail(STERR_BADBLOCK);
    *out = h;
    return true;
}

bool RecordStore::Impl::ReadRecordBlock(int32_t ref, BlockHeader *out) {
    if (ref == header.freeList) return Fail(STERR_BADBLOCK);
    if (!ReadBlock(ref, out)) return false;
    if (out->useCount < 1) return Fail(STERR_BADBLOCK);  // freed: its reference is stale
    return true;
}

bool RecordStore::Impl::WriteBlock(int32_t ref, const BlockHeader &h) {
    uint8_t raw[kBlockHeaderSize];
    EncodeBlockHeader(h, raw);
    if (cache->Write(ref, 0, raw, kBlockHeaderSize) != CacheStatus::kOk) return Fail(STERR_WRITE);
    return true;
}

bool RecordStore::Impl::WriteBlockNow(int32_t ref, const BlockHeader &h) {
    if (!WriteBlock(ref, h)) return false;
    // The whole block, not its header alone: a header that made the block a record on disk
    // while its data stayed behind would give the record the bytes of the block's earlier use.
    return cache->WriteBackBlock(ref) == CacheStatus::kOk || Fail(STERR_WRITE);
}

bool RecordStore::Impl::ReadArea(int32_t ref, int32_t position, void *out, int32_t length) {
    CacheStatus status = cache->Read(ref, int64_t{kBlockHeaderSize} + position, out, length);
    if (status != CacheStatus::kOk) return FailRead(status);
    // Bytes past the end of a file that holds the block's header were cut off by a truncation:
    // damage, not zeros of the record. (A block not yet written back has never-written bytes.)
    if (cache->LastReadPastEnd() && file->Size() >= int64_t{ref} + kBlockHeaderSize) {
        return Fail(STERR_BADBLOCK);
    }
    return true;
}

bool RecordStore::Impl::WriteArea(int32_t ref, int32_t position, const void *data, int32_t length) {
    CacheStatus status = cache->Write(ref, int64_t{kBlockHeaderSize} + position, data, length);
    return status == CacheStatus::kOk || Fail(STERR_WRITE);
}

bool RecordStore::Impl::PutData(int32_t ref, BlockHeader &h, int32_t position, const void *data,
                                int32_t length) {
    if (position < 0 || length < 0 || int64_t{position} + length > h.capacity) {
        return Fail(STERR_OVERFLOW);
    }
    if (!WriteArea(ref, position, data, length)) return false;
    if (position + length > h.used) {
        h.used = position + length;
        if (!WriteBlock(ref, h)) return false;
    }
    return true;
}

// --- lifecycle ------------------------------------------------------------------------------

RecordStore::RecordStore(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

RecordStore::~RecordStore() {
    if (impl_ && impl_->open) Close();  // best effort; the table layer reported failures already
}

std::unique_ptr<RecordStore> RecordStore::Open(const std::string &path, int32_t bufferCount,
                                               int32_t cacheMode) {
    try {
        auto impl = std::make_unique<Impl>();
        // Overwrites that a kill could tear go through the store's journal (store_journal.h).
        impl->file = JournaledStoreFile::Open(
            platform::OpenExclusive(path, platform::OpenMode::kCreateIfMissing),
            StoreJournalPath(path));
        if (!impl->file) return nullptr;
        impl->cache = BlockCache::Create(impl->file.get(), bufferCount, cacheMode == 2);
        if (!impl->cache) return nullptr;

        uint8_t raw[kStoreHeaderSize];
        if (impl->cache->Read(0, 0, raw, kStoreHeaderSize) != CacheStatus::kOk) return nullptr;
        const int32_t magic = GetInt32(raw);
        if (magic == 0) {  // never written: a new store
            impl->header = StoreHeader{};
            if (!impl->WriteHeader()) return nullptr;
        } else if (magic == kStoreMagic) {
            impl->header = DecodeStoreHeader(raw);
        } else {
            return nullptr;  // not a record store
        }
        impl->open = true;
        return std::unique_ptr<RecordStore>(new RecordStore(std::move(impl)));
    } catch (const std::exception &) {
        return nullptr;
    }
}

int32_t RecordStore::LastError() const {
    return impl_->lastError;
}

const StoreHeader &RecordStore::Header() const {
    return impl_->header;
}

bool RecordStore::Reset() {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    const StoreHeader old = s.header;
    s.header = StoreHeader{};
    if (!s.WriteHeader()) {
        s.header = old;
        return false;
    }
    s.ForgetFreeListHints();
    return true;
}

bool RecordStore::Close() {
    Impl &s = *impl_;
    if (!s.open) return true;
    if (!s.WriteHeader()) return false;
    if (s.cache->Flush() != CacheStatus::kOk) return s.Fail(STERR_FLUSH);
    s.open = false;
    s.cache.reset();
    s.file.reset();
    return true;
}

bool RecordStore::Flush() {
    Impl &s = *impl_;
    if (!s.open || s.cache->Flush() != CacheStatus::kOk) return s.Fail(STERR_FLUSH);
    return true;
}

// --- blocks ---------------------------------------------------------------------------------

int32_t RecordStore::AllocateBlock(int32_t dataSize) {
    if (!impl_->open) return impl_->Fail(STERR_WRITE), -1;
    return impl_->Allocate(dataSize);
}

bool RecordStore::FreeBlock(int32_t ref) {
    if (!impl_->open) return impl_->Fail(STERR_BADBLOCK);
    return impl_->Release(ref);
}

bool RecordStore::ReadBlockHeader(int32_t ref, BlockHeader *out) {
    if (!impl_->open) return impl_->Fail(STERR_BADBLOCK);
    return impl_->ReadBlock(ref, out);
}

bool RecordStore::WriteBlockHeader(int32_t ref, const BlockHeader &h) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    BlockHeader current;
    if (!s.ReadBlock(ref, &current)) return false;
    const bool sound = h.magic == kStoreMagic && h.capacity == current.capacity && h.used >= 0 &&
                       h.used <= h.capacity && s.IsLink(h.next) && s.IsLink(h.prev);
    if (!sound) return s.Fail(STERR_BADBLOCK);
    return s.WriteBlock(ref, h);
}

bool RecordStore::WriteData(int32_t ref, int32_t position, const void *data, int32_t length) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    BlockHeader h;
    return s.ReadBlock(ref, &h) && s.PutData(ref, h, position, data, length);
}

int32_t RecordStore::ReadData(int32_t ref, int32_t position, void *buffer, int32_t length) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_BADBLOCK), -1;
    BlockHeader h;
    if (!s.ReadBlock(ref, &h)) return -1;
    if (position < 0 || length < 0) return s.Fail(STERR_OVERFLOW), -1;
    const int32_t n = std::max(0, std::min(length, h.used - std::min(position, h.used)));
    if (!s.ReadArea(ref, position, buffer, n)) return -1;
    return n;
}

// --- records --------------------------------------------------------------------------------

int32_t RecordStore::AddRecord(uint8_t *record, int32_t recordLength, int32_t serialOffset,
                               int32_t *ref) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE), KWERR_EXTENDED;
    if (serialOffset >= 0 && int64_t{serialOffset} + 4 > recordLength) {
        return s.Fail(STERR_OVERFLOW), KWERR_EXTENDED;
    }
    const int32_t r = s.Allocate(recordLength);
    if (r == -1) return KWERR_NOSPACE;

    if (serialOffset >= 0) PutInt32(record + serialOffset, s.header.serial);
    BlockHeader h;
    bool ok = s.ReadBlock(r, &h);
    // The block is complete in the file before the chain reaches it.
    ok = ok && s.WriteArea(r, 0, record, recordLength);
    BlockHeader last;
    if (ok && s.header.last != -1) ok = s.ReadRecordBlock(s.header.last, &last);
    if (ok) {
        h.used = recordLength;
        h.prev = s.header.last;
        // A stale last (its next already set) keeps what follows it reachable.
        h.next = s.header.last != -1 ? last.next : -1;
        ok = s.WriteBlock(r, h);
    }
    if (ok && s.header.last != -1) {
        // The link reaches the file before the new block can: a kill in between leaves a link
        // to a block that is not (yet) a record, which the next start finds and repairs, and
        // never a record outside the chain that a later recovery would bring back. The cache
        // holds the block back until then, so blocks added one after another still reach the
        // file together, in file order.
        last.next = r;
        ok = s.WriteBlock(s.header.last, last) &&
             (s.cache->OrderAfter(r, s.header.last) == CacheStatus::kOk || s.Fail(STERR_WRITE));
    }
    if (!ok) {
        const int32_t error = s.lastError;
        s.Release(r);  // give the unlinked block back; a failure here only leaks it
        s.lastError = error;
        return KWERR_EXTENDED;
    }
    if (serialOffset >= 0) ++s.header.serial;
    if (s.header.first == -1) s.header.first = r;
    s.header.last = r;
    *ref = r;
    return 0;
}

int32_t RecordStore::AddRefusedRecord(uint8_t *record, int32_t recordLength, int32_t serialOffset) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE), KWERR_EXTENDED;
    if (serialOffset >= 0 && int64_t{serialOffset} + 4 > recordLength) {
        return s.Fail(STERR_OVERFLOW), KWERR_EXTENDED;
    }
    // Born freed: no header ever says the block holds a record, so nothing here needs the write
    // order of AddRecord and Release (a kill leaves at worst a free block the list lacks).
    const int32_t r = s.Allocate(recordLength, 0);
    if (r == -1) return KWERR_NOSPACE;
    BlockHeader h;  // a reused free block may be larger than the record
    if (!s.ReadBlock(r, &h)) return KWERR_EXTENDED;
    if (serialOffset >= 0) {
        PutInt32(record + serialOffset, s.header.serial);
        ++s.header.serial;
    }
    s.ReleaseUnlinked(r, h.capacity);
    return 0;
}

bool RecordStore::UpdateRecord(int32_t ref, const uint8_t *record, int32_t recordLength) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    BlockHeader h;
    return s.ReadRecordBlock(ref, &h) && s.PutData(ref, h, 0, record, recordLength);
}

bool RecordStore::DeleteRecord(int32_t ref) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_BADBLOCK);
    BlockHeader h;
    return s.ReadRecordBlock(ref, &h) && s.Release(ref);
}

int32_t RecordStore::ReadRecord(int32_t ref, uint8_t *record, int32_t recordLength) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_BADBLOCK), -1;
    s.LoadBlock(ref, recordLength);
    BlockHeader h;
    if (!s.ReadRecordBlock(ref, &h)) return -1;
    const int32_t n = std::max(0, std::min(recordLength, h.used));
    if (!s.ReadArea(ref, 0, record, n)) return -1;
    return n;
}

// --- the chain ------------------------------------------------------------------------------

int32_t RecordStore::FirstRecord() const {
    return impl_->header.first;
}

int32_t RecordStore::NextRecord(int32_t ref) {
    int32_t next = -1;
    return NextRecord(ref, &next) ? next : -1;
}

bool RecordStore::NextRecord(int32_t ref, int32_t *next, int32_t loadLength, int32_t *prev) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_BADBLOCK);
    s.LoadBlock(ref, loadLength);
    BlockHeader h;
    if (!s.ReadRecordBlock(ref, &h)) return false;
    if (h.next == ref) return s.Fail(STERR_BADBLOCK);
    *next = h.next;
    if (prev != nullptr) *prev = h.prev;
    return true;
}

int32_t RecordStore::MaxBlockCount() const {
    return impl_->MaxBlockCount();
}

bool RecordStore::CountRecords(int32_t *count) {
    ChainWalk walk(*this);
    int32_t ref = -1;
    while (walk.Next(&ref) && ref != -1) {
    }
    if (walk.Failed()) return false;
    *count = walk.Steps();
    return true;
}

ChainWalk::ChainWalk(RecordStore &store, int32_t loadLength, BackLinks backLinks)
    : store_(store),
      loadLength_(loadLength),
      checkBackLinks_(backLinks == BackLinks::kCheck),
      loop_(store.MaxBlockCount()) {}

bool ChainWalk::Next(int32_t *ref) {
    if (failed_) return false;
    const int32_t r = started_ ? following_ : store_.FirstRecord();
    started_ = true;
    if (r == -1) {
        *ref = -1;
        return true;
    }
    // More steps than blocks fit in the store, or a saved block come round again: a loop.
    if (loop_.Closes(r)) {
        failed_ = true;
        return store_.impl_->Fail(STERR_BADBLOCK);
    }
    int32_t prev = -1;
    if (!store_.NextRecord(r, &following_, loadLength_, &prev)) {
        failed_ = true;
        return false;
    }
    // A block that does not point back at the block walked before (the first one at none) means
    // the walk did not start at the chain's true start or crossed into another chain: a sound
    // but short walk would otherwise pass for the whole chain and leave records out of reach.
    if (checkBackLinks_ && prev != returned_) {
        failed_ = true;
        return store_.impl_->Fail(STERR_BADBLOCK);
    }
    returned_ = r;
    loop_.Visit(r);
    *ref = r;
    return true;
}

// --- recovery -------------------------------------------------------------------------------

bool RecordStore::SetChain(int32_t first, int32_t last) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    if (!s.IsLink(first) || !s.IsLink(last)) return s.Fail(STERR_BADBLOCK);
    // The relinked blocks reach the file before the header that names the new chain can: a
    // header written back first would name a block whose old links still lead into the old
    // chain, so a kill in between could leave a sound-looking walk that misses records.
    if (s.cache->Flush() != CacheStatus::kOk) return s.Fail(STERR_FLUSH);
    const StoreHeader old = s.header;
    s.header.first = first;
    s.header.last = last;
    if (!s.WriteHeader()) {
        s.header = old;
        return false;
    }
    return true;
}

bool RecordStore::SettleLast(int32_t ref) {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    if (s.header.last == ref) return true;
    if (!s.IsLink(ref)) return s.Fail(STERR_BADBLOCK);
    const int32_t old = s.header.last;
    s.header.last = ref;
    if (!s.WriteHeader()) {
        s.header.last = old;
        return false;
    }
    return true;
}

bool RecordStore::DropFreeList() {
    Impl &s = *impl_;
    if (!s.open) return s.Fail(STERR_WRITE);
    const int32_t list = s.header.freeList;
    if (list == -1) return true;
    s.header.freeList = -1;
    if (!s.WriteHeader()) {
        s.header.freeList = list;
        return false;
    }
    s.ForgetFreeListHints();
    // Mark the old list block freed so a later scan of the file never takes it for a record.
    const int32_t error = s.lastError;
    BlockHeader h;
    if (s.ReadBlock(list, &h)) {
        h.useCount = 0;
        s.WriteBlock(list, h);
    }
    s.lastError = error;
    return true;
}

}  // namespace kw::engine
