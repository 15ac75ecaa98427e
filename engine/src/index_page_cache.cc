// The shared unit cache of a database's index files (see index_page_cache.h).
#include "index_page_cache.h"

#include <algorithm>
#include <cstring>

#include "dirty_run.h"

namespace kw::engine {
namespace {

constexpr int64_t kUnit = IndexPageCache::kUnitSize;
// Units per allocation of cache memory (64 KiB), so a small database stays small.
constexpr int32_t kUnitsPerAllocation = 128;
// The most units one write-back writes (64 KiB).
constexpr int64_t kRunUnits = 128;
// How far an eviction looks past units it cannot write before it gives up.
constexpr int32_t kEvictScan = 64;
// Units a read miss that continues the previous one brings in (4 KiB): one read instead of eight
// while a walk in file order goes on.
constexpr int64_t kChunkReadUnits = 8;
// Entries the map is first sized for; it doubles as the cache fills.
constexpr size_t kFirstMapEntries = 1024;

}  // namespace

IndexPageCache::IndexPageCache(size_t budgetBytes)
    : budgetUnits_(std::clamp<size_t>(budgetBytes / static_cast<size_t>(kUnit), 2,
                                      static_cast<size_t>(kMaxEntries))),
      map_(static_cast<int32_t>(std::min(kFirstMapEntries, budgetUnits_))),
      mapLimit_(std::min(kFirstMapEntries, budgetUnits_)) {}

int32_t IndexPageCache::Attach(platform::RandomAccessFile *file, int64_t size, bool deferWrites) {
    size_t number = 0;
    while (number < files_.size() && files_[number].file != nullptr)
        ++number;
    if (number == files_.size()) files_.emplace_back();
    files_[number] = FileState{file, size, deferWrites, false, 0};
    return static_cast<int32_t>(number);
}

void IndexPageCache::Detach(int32_t file) {
    for (int32_t e = 0; e < static_cast<int32_t>(entries_.size()); ++e) {
        if (entries_[e].file == file) Remove(e);
    }
    files_[static_cast<size_t>(file)] = FileState{};
    const bool anyAttached = std::any_of(files_.begin(), files_.end(),
                                         [](const FileState &f) { return f.file != nullptr; });
    if (!anyAttached) ReleaseMemory();
}

void IndexPageCache::ReleaseMemory() {
    std::vector<Entry>().swap(entries_);
    std::vector<uint64_t>().swap(referencedBits_);
    std::vector<uint64_t>().swap(favouredBits_);
    std::vector<uint8_t>().swap(countdown_);
    missFile_ = -1;
    missEnd_ = -1;
    hand_ = 0;
    std::vector<int32_t>().swap(freeEntries_);
    std::vector<std::unique_ptr<uint8_t[]>>().swap(arena_);
    std::vector<uint8_t>().swap(run_);
    std::vector<uint8_t>().swap(chunk_);
    std::vector<std::pair<int64_t, int32_t>>().swap(order_);
    mapLimit_ = std::min(kFirstMapEntries, budgetUnits_);
    map_ = UnitMap(static_cast<int32_t>(mapLimit_));
}

uint8_t *IndexPageCache::Data(int32_t entry) {
    return arena_[static_cast<size_t>(entry / kUnitsPerAllocation)].get() +
           static_cast<size_t>(entry % kUnitsPerAllocation) * static_cast<size_t>(kUnit);
}

int32_t IndexPageCache::Find(int32_t file, int64_t unitOffset) const {
    const int32_t value = map_.Get(Key(file, unitOffset));
    return value == UnitMap::kNone ? UnitMap::kNone : value >> 1;
}

int32_t IndexPageCache::Touch(int32_t file, int64_t unitOffset, uint8_t uses, bool *checked) {
    const int32_t value = map_.Get(Key(file, unitOffset));
    if (value == UnitMap::kNone) return UnitMap::kNone;
    const int32_t e = value >> 1;
    Use(e, uses);
    if (checked) *checked = (value & 1) != 0;
    return e;
}

void IndexPageCache::Use(int32_t entry, uint8_t uses) {
    // The turns become max(turns, uses), uses being 1 or kFavouredUses.
    if (uses > 1) {
        SetBit(favouredBits_, entry);
    } else if (uses == 1) {
        SetBit(referencedBits_, entry);
    }
}

void IndexPageCache::ClearTurns(int32_t entry) {
    TakeBit(referencedBits_, entry);
    TakeBit(favouredBits_, entry);
    countdown_[static_cast<size_t>(entry)] = 0;
}

void IndexPageCache::SetChecked(int32_t file, int64_t unitOffset, int32_t entry, bool checked) {
    map_.Put(Key(file, unitOffset), MapValue(entry, checked));
}

void IndexPageCache::SetDirty(int32_t entry, bool dirty) {
    Entry &e = entries_[static_cast<size_t>(entry)];
    if (e.dirty == dirty) return;
    e.dirty = dirty;
    files_[static_cast<size_t>(e.file)].dirty += dirty ? 1 : -1;
}

void IndexPageCache::Remove(int32_t entry) {
    SetDirty(entry, false);
    Entry &e = entries_[static_cast<size_t>(entry)];
    map_.Erase(Key(e.file, e.offset));
    ClearTurns(entry);
    e.file = -1;
    e.offset = -1;
    freeEntries_.push_back(entry);
}

void IndexPageCache::GrowMap() {
    mapLimit_ = std::min(mapLimit_ * 2, budgetUnits_);
    UnitMap grown(static_cast<int32_t>(mapLimit_));
    for (int32_t e = 0; e < static_cast<int32_t>(entries_.size()); ++e) {
        const Entry &entry = entries_[static_cast<size_t>(e)];
        if (entry.file >= 0) {
            const uint64_t key = Key(entry.file, entry.offset);
            grown.Put(key, map_.Get(key));  // the checked mark goes along
        }
    }
    map_ = std::move(grown);
}

int32_t IndexPageCache::TakeEntry() {
    if (!freeEntries_.empty()) {
        const int32_t e = freeEntries_.back();
        freeEntries_.pop_back();
        return e;
    }
    if (entries_.size() < budgetUnits_) {
        const auto e = static_cast<int32_t>(entries_.size());
        if (e % kUnitsPerAllocation == 0) {
            arena_.emplace_back(new uint8_t[static_cast<size_t>(kUnitsPerAllocation * kUnit)]);
        }
        entries_.emplace_back();
        if (e % 64 == 0) {
            referencedBits_.push_back(0);
            favouredBits_.push_back(0);
        }
        countdown_.push_back(0);
        if (entries_.size() > mapLimit_) GrowMap();
        return e;
    }
    return Evict();
}

int32_t IndexPageCache::Evict() {
    // kFavouredUses + 1 turns clear every mark; the rest bounds the units passed over because
    // their file cannot be written.
    const size_t limit = (kFavouredUses + 1) * entries_.size() + kEvictScan;
    for (size_t step = 0; step < limit && !entries_.empty(); ++step) {
        const auto e = static_cast<int32_t>(hand_);
        hand_ = hand_ + 1 == entries_.size() ? 0 : hand_ + 1;
        Entry &entry = entries_[static_cast<size_t>(e)];
        if (entry.file < 0) continue;
        // One turn less of the largest of kFavouredUses (favoured), 1 (referenced), countdown.
        uint8_t &countdown = countdown_[static_cast<size_t>(e)];
        const bool referenced = TakeBit(referencedBits_, e);
        if (TakeBit(favouredBits_, e)) {
            countdown = kFavouredUses - 1;
            continue;
        }
        if (countdown != 0) {
            --countdown;
            continue;
        }
        if (referenced) continue;
        if (entry.dirty) {
            FileState &owner = files_[static_cast<size_t>(entry.file)];
            if (owner.writeFailed || !WriteRun(e)) {
                owner.writeFailed = true;  // kept dirty for the owner's WriteDirty
                continue;
            }
        }
        Remove(e);
        freeEntries_.pop_back();  // Remove returned it to the free list; it is taken here
        return e;
    }
    return kNoRoom;
}

int32_t IndexPageCache::Allocate(int32_t file, int64_t unitOffset) {
    const int32_t e = TakeEntry();
    if (e < 0) return kNoRoom;
    Entry &entry = entries_[static_cast<size_t>(e)];
    entry.file = file;
    entry.offset = unitOffset;
    entry.dirty = false;
    map_.Put(Key(file, unitOffset), MapValue(e, false));
    ClearTurns(e);
    SetBit(referencedBits_, e);
    return e;
}

int32_t IndexPageCache::Load(int32_t file, int64_t unitOffset) {
    const int32_t e = Allocate(file, unitOffset);
    if (e < 0) return kNoRoom;
    uint8_t *data = Data(e);
    const int64_t got = files_[static_cast<size_t>(file)].file->ReadAt(unitOffset, data, kUnit);
    if (got < 0) {
        Remove(e);
        return kReadFailed;
    }
    std::memset(data + got, 0, static_cast<size_t>(kUnit - got));
    return e;
}

int32_t IndexPageCache::LoadChunk(int32_t file, int64_t unitOffset) {
    FileState &f = files_[static_cast<size_t>(file)];
    const int64_t from = unitOffset - unitOffset % (kChunkReadUnits * kUnit);
    // Units held now may hold bytes newer than the file's; one of them that an eviction below
    // writes back would read stale from this chunk, so all of them are left out.
    bool held[kChunkReadUnits];
    for (int64_t i = 0; i < kChunkReadUnits; ++i)
        held[i] = Find(file, from + i * kUnit) != UnitMap::kNone;
    chunk_.resize(static_cast<size_t>(kChunkReadUnits * kUnit));
    const int64_t got = f.file->ReadAt(from, chunk_.data(), chunk_.size());
    if (got < 0) return kReadFailed;
    std::memset(chunk_.data() + got, 0, chunk_.size() - static_cast<size_t>(got));
    // The neighbours first, marked unused so they are the first to go unless read soon; the
    // unit asked for last, so taking room for a neighbour can never evict it.
    for (int64_t at = from; at < from + kChunkReadUnits * kUnit && at < f.size; at += kUnit) {
        if (at == unitOffset || held[(at - from) / kUnit]) continue;
        const int32_t e = Allocate(file, at);
        if (e < 0) break;
        std::memcpy(Data(e), chunk_.data() + (at - from), static_cast<size_t>(kUnit));
        ClearTurns(e);
    }
    const int32_t e = Allocate(file, unitOffset);
    if (e < 0) return kNoRoom;
    std::memcpy(Data(e), chunk_.data() + (unitOffset - from), static_cast<size_t>(kUnit));
    return e;
}

int32_t IndexPageCache::LoadMissed(int32_t file, int64_t unitOffset) {
    const bool inOrder = file == missFile_ && unitOffset == missEnd_;
    missFile_ = file;
    if (!inOrder) {
        missEnd_ = unitOffset + kUnit;
        return Load(file, unitOffset);
    }
    missEnd_ = unitOffset - unitOffset % (kChunkReadUnits * kUnit) + kChunkReadUnits * kUnit;
    return LoadChunk(file, unitOffset);
}

bool IndexPageCache::WriteRun(int32_t entry) {
    const Entry &first = entries_[static_cast<size_t>(entry)];
    const int32_t file = first.file;
    FileState &f = files_[static_cast<size_t>(file)];
    auto dirtyAt = [&](int64_t offset) {
        if (offset < 0) return -1;
        const int32_t e = Find(file, offset);
        return e != UnitMap::kNone && entries_[static_cast<size_t>(e)].dirty ? e : -1;
    };
    int64_t from = first.offset;
    int64_t to = first.offset + kUnit;
    GrowDirtyRun(
        kUnit, kRunUnits, [&](int64_t at) { return dirtyAt(at) >= 0; }, &from, &to);
    // The last unit may reach past the logical size: the file gets only the bytes it would have.
    const int64_t length = std::min(to, f.size) - from;
    if (length > 0) {
        const uint8_t *bytes = Data(entry);
        if (to - from > kUnit) {
            run_.resize(static_cast<size_t>(kRunUnits * kUnit));
            for (int64_t at = from; at < to; at += kUnit) {
                std::memcpy(run_.data() + (at - from), Data(dirtyAt(at)),
                            static_cast<size_t>(kUnit));
            }
            bytes = run_.data();
        }
        if (f.file->WriteAt(from, bytes, static_cast<size_t>(length)) != length) return false;
    }
    for (int64_t at = from; at < to; at += kUnit)
        SetDirty(dirtyAt(at), false);
    return true;
}

bool IndexPageCache::WriteDirty(int32_t file) {
    FileState &f = files_[static_cast<size_t>(file)];
    if (f.dirty == 0) {
        f.writeFailed = false;
        return true;
    }
    order_.clear();
    for (int32_t e = 0; e < static_cast<int32_t>(entries_.size()); ++e) {
        const Entry &entry = entries_[static_cast<size_t>(e)];
        if (entry.file == file && entry.dirty) order_.emplace_back(entry.offset, e);
    }
    std::sort(order_.begin(), order_.end());
    bool ok = true;
    for (const auto &[offset, e] : order_) {
        // An earlier run may have taken this unit along already.
        if (entries_[static_cast<size_t>(e)].dirty && !WriteRun(e)) ok = false;
    }
    f.writeFailed = !ok;
    return ok;
}

int64_t IndexPageCache::Read(int32_t file, int64_t offset, void *buffer, size_t n) {
    FileState &f = files_[static_cast<size_t>(file)];
    if (!Cacheable(file, offset)) return f.file->ReadAt(offset, buffer, n);
    if (offset >= f.size) return 0;
    const int64_t end = std::min(f.size, offset + static_cast<int64_t>(n));
    auto *out = static_cast<uint8_t *>(buffer);
    for (int64_t at = offset; at < end;) {
        const int64_t unit = at - at % kUnit;
        const int64_t take = std::min(unit + kUnit, end) - at;
        int32_t e = Touch(file, unit);
        if (e == UnitMap::kNone) e = LoadMissed(file, unit);
        if (e == kReadFailed) return -1;
        if (e == kNoRoom) {
            // Not held, so the file has these bytes (or a hole reading as zeros).
            const int64_t got = f.file->ReadAt(at, out, static_cast<size_t>(take));
            if (got < 0) return -1;
            std::memset(out + got, 0, static_cast<size_t>(take - got));
        } else {
            std::memcpy(out, Data(e) + (at - unit), static_cast<size_t>(take));
        }
        out += take;
        at += take;
    }
    return end - offset;
}

const uint8_t *IndexPageCache::Peek(int32_t file, int64_t offset, size_t n, bool *checked) {
    return InPlace(file, offset, n, false, 1, checked, nullptr);
}

const uint8_t *IndexPageCache::Load(int32_t file, int64_t offset, size_t n, bool *checked,
                                    bool *failed, bool favoured) {
    return InPlace(file, offset, n, true, favoured ? kFavouredUses : 1, checked, failed);
}

const uint8_t *IndexPageCache::InPlace(int32_t file, int64_t offset, size_t n, bool load,
                                       uint8_t uses, bool *checked, bool *failed) {
    if (failed) *failed = false;
    const FileState &f = files_[static_cast<size_t>(file)];
    const int64_t unit = offset - offset % kUnit;
    if (!Cacheable(file, offset) ||
        offset + static_cast<int64_t>(n) > std::min(f.size, unit + kUnit)) {
        return nullptr;
    }
    bool marked = false;
    int32_t e = Touch(file, unit, uses, &marked);
    if (e == UnitMap::kNone && load) {
        e = LoadMissed(file, unit);
        if (e == kReadFailed) {
            if (failed) *failed = true;
            return nullptr;
        }
        if (e >= 0) Use(e, uses);
    }
    if (e < 0) return nullptr;
    if (checked) *checked = marked;
    return Data(e) + (offset - unit);
}

void IndexPageCache::Favour(int32_t file, int64_t unitOffset) {
    if (!Cacheable(file, unitOffset)) return;
    Touch(file, unitOffset - unitOffset % kUnit, kFavouredUses);
}

void IndexPageCache::MarkChecked(int32_t file, int64_t unitOffset) {
    if (!Cacheable(file, unitOffset) || unitOffset % kUnit != 0) return;
    const int32_t e = Find(file, unitOffset);
    if (e != UnitMap::kNone) SetChecked(file, unitOffset, e, true);
}

int64_t IndexPageCache::WriteThrough(int32_t file, int64_t offset, const void *buffer, size_t n) {
    FileState &f = files_[static_cast<size_t>(file)];
    const int64_t put = f.file->WriteAt(offset, buffer, n);
    const int64_t end = offset + static_cast<int64_t>(n);
    const auto *in = static_cast<const uint8_t *>(buffer);
    for (int64_t unit = offset - offset % kUnit; unit < end; unit += kUnit) {
        bool marked = false;
        const int32_t e = Touch(file, unit, 1, &marked);
        if (e == UnitMap::kNone) continue;
        if (put != static_cast<int64_t>(n)) {
            Remove(e);  // what the file holds there is unknown now
            continue;
        }
        const int64_t from = std::max(unit, offset);
        const int64_t to = std::min(unit + kUnit, end);
        std::memcpy(Data(e) + (from - unit), in + (from - offset), static_cast<size_t>(to - from));
        if (marked) SetChecked(file, unit, e, false);
    }
    if (put == static_cast<int64_t>(n)) {
        f.size = std::max(f.size, end);
    } else if (const int64_t size = f.file->Size(); size > f.size) {
        f.size = size;  // a torn write may have grown the file
    }
    return put;
}

int64_t IndexPageCache::Write(int32_t file, int64_t offset, const void *buffer, size_t n) {
    FileState &f = files_[static_cast<size_t>(file)];
    if (!Cacheable(file, offset) || !Cacheable(file, offset + static_cast<int64_t>(n))) {
        return f.file->WriteAt(offset, buffer, n);  // fails for a negative offset, as the file does
    }
    if (!f.deferWrites) return WriteThrough(file, offset, buffer, n);
    const int64_t end = offset + static_cast<int64_t>(n);
    const auto *in = static_cast<const uint8_t *>(buffer);
    for (int64_t at = offset; at < end;) {
        const int64_t unit = at - at % kUnit;
        const int64_t take = std::min(unit + kUnit, end) - at;
        bool marked = false;  // a unit taken or read here is not marked
        int32_t e = Touch(file, unit, 1, &marked);
        if (e == UnitMap::kNone) {
            if (take == kUnit || unit >= f.size) {
                // Nothing of the unit's old bytes survives, or it lies past the end (zeros).
                e = Allocate(file, unit);
                if (e >= 0 && take != kUnit) std::memset(Data(e), 0, static_cast<size_t>(kUnit));
            } else {
                e = Load(file, unit);
                if (e == kReadFailed) return -1;
            }
        }
        if (e == kNoRoom) {
            if (f.file->WriteAt(at, in, static_cast<size_t>(take)) != take) return -1;
        } else {
            std::memcpy(Data(e) + (at - unit), in, static_cast<size_t>(take));
            if (marked) SetChecked(file, unit, e, false);
            SetDirty(e, true);
        }
        in += take;
        at += take;
        f.size = std::max(f.size, at);
    }
    return static_cast<int64_t>(n);
}

}  // namespace kw::engine
