// The index file as a whole: open (creating the header and an empty root leaf), close, reset,
// flush, the file header, page allocation and the free list, descent and find. The public BTree
// methods live here too; insertion, deletion and the cursor are in their own files. The file
// header layout is in btree_impl.h and the page layout in btree_page.h.
//
// Page allocation: with an empty free list a page is appended at end (a zeroed page is written
// there at once and end grows by P); otherwise the head of the free list is taken, and its left
// sibling field names the next free page. A freed page gets -2 in its child field and the old
// free-list head in its left sibling field. Every change of root, levels, free list or end writes
// the 28-byte header at once, outside the pool.
//
// A tree opened with the database's index cache (index_file_cache.h) reads and writes its file
// through it: with deferred writes those header and page writes are memory copies until the
// flush, and the flush and close also write what the cache holds, so their result covers it.
#include <algorithm>
#include <cstring>
#include <limits>

#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {
namespace {

constexpr int32_t kMinPageSize = 64;
constexpr int32_t kMaxPageSize = 65536;
constexpr int32_t kPoolBase = 4;
// The bytes of a page asked for at once when a descent reaches it.
constexpr int32_t kPrefetchBytes = 1024;
// Children whose cache slots are asked for while their parent is searched; pages with more
// entries (short keys) are few and stay in the processor's cache anyway.
constexpr int32_t kPrefetchChildren = 8;

// A search reads a page's header, then its end offsets, then a key, each found from the one
// before; asking for all of the page's lines first lets them come from memory together.
void PrefetchPage(const uint8_t *data, int32_t pageSize) {
    const int32_t bytes = std::min(pageSize, kPrefetchBytes);
    for (int32_t at = 0; at < bytes; at += 64)
        __builtin_prefetch(data + at);
    __builtin_prefetch(data + bytes - 1);  // the last line, when the page is not line-aligned
}

void EncodeHeader(const FileHeader &h, uint8_t *out) {
    const int32_t fields[] = {h.magic, h.pageSize, h.levels, h.compareKind,
                              h.root,  h.freeList, h.end};
    for (int i = 0; i < 7; ++i)
        page::Store32(out + 4 * i, fields[i]);
}

FileHeader DecodeHeader(const uint8_t *in) {
    FileHeader h;
    h.magic = page::Load32(in);
    h.pageSize = page::Load32(in + 4);
    h.levels = page::Load32(in + 8);
    h.compareKind = page::Load32(in + 12);
    h.root = page::Load32(in + 16);
    h.freeList = page::Load32(in + 20);
    h.end = page::Load32(in + 24);
    return h;
}

FileHeader NewHeader(int32_t pageSize) {
    FileHeader h;
    h.pageSize = pageSize;
    h.root = pageSize;
    h.end = 2 * pageSize;
    return h;
}

const KeyLayout &BytewiseLayout() {
    static const KeyLayout layout;
    return layout;
}

}  // namespace

int BTree::Impl::CheckKey(const uint8_t *key, int32_t length) const {
    if (length <= 0 || key == nullptr) return 302;
    if (length > maxKeyLength) return 301;
    return 0;
}

int BTree::Impl::WriteHeader() {
    uint8_t bytes[kFileHeaderSize];
    EncodeHeader(header, bytes);
    headerDirty = file->WriteAt(0, bytes, kFileHeaderSize) != kFileHeaderSize;
    return headerDirty ? 402 : 0;
}

int BTree::Impl::FlushAll() {
    int rc = pool->Flush();
    if (headerDirty) {
        const int headerRc = WriteHeader();
        if (rc == 0) rc = headerRc;
    }
    if (cached && !cached->WriteDirty() && rc == 0) rc = 402;
    return rc;
}

int BTree::Impl::AllocatePage(int32_t *offset) {
    const int32_t pageSize = PageSize();
    if (header.freeList == -1) {
        // A damaged end would place the page across two others, or past the largest offset.
        if (header.end < 2 * pageSize || header.end % pageSize != 0 ||
            header.end > std::numeric_limits<int32_t>::max() - pageSize) {
            return 304;
        }
        const int32_t fresh = header.end;
        if (file->WriteAt(fresh, zeroPage.data(), zeroPage.size()) != pageSize) return 402;
        pool->Forget(fresh);
        header.end += pageSize;
        *offset = fresh;
        NoteWrite(WriteHeader());
        return 0;
    }
    PageRef head;
    if (const int rc = Fetch(header.freeList, &head); rc != 0) return rc;
    const page::View view(head.Data());
    // A free-list entry that is not a freed page, or names itself, would hand out a live page.
    if (view.Child() != page::kFreedChild || view.Left() == header.freeList) return 308;
    *offset = header.freeList;
    header.freeList = view.Left();
    NoteWrite(WriteHeader());
    return 0;
}

int BTree::Impl::FreePage(int32_t offset) {
    PageRef freed;
    if (const int rc = Fetch(offset, &freed); rc != 0) return rc;
    page::Store32(freed.Data() + page::kLeftOffset, header.freeList);
    page::Store32(freed.Data() + page::kChildOffset, page::kFreedChild);
    freed.MarkDirty();
    NoteWrite(pool->Release(freed));
    header.freeList = offset;
    NoteWrite(WriteHeader());
    return 0;
}

int BTree::Impl::PushStep(int32_t page, int32_t slot, int32_t child, int32_t depth) {
    // A descent that comes back to a page it passed goes round forever, so it is stopped by
    // depth: levels, or kMaxDescentLevels when a damaged header claims more (see there).
    const int32_t levels = std::min(header.levels, kMaxDescentLevels);
    if (depth + 1 >= levels) return 308;
    if (child == page) return 308;
    if (path.size() == path.capacity()) path.reserve(path.capacity() + 3);
    path.push_back({page, slot});
    return 0;
}

int BTree::Impl::ReadPage(int32_t offset, PageRef *holder, const uint8_t **data, bool inner) {
    const int32_t pageSize = PageSize();
    if (offset <= 0 || offset >= header.end || offset % pageSize != 0) return 304;
    // With the index cache at hand and no changed page in the pool, the pool holds nothing the
    // cache lacks: a search after a flush skips one look-up a level.
    const uint8_t *held = !cached || pool->MayHoldChanges() ? pool->Peek(offset) : nullptr;
    if (held) {
        // The cache's copy is kept for when the pool lets the page go.
        if (cached && inner) cached->Favour(offset);
        *data = held;  // possibly newer than the file: a dirty page lives only in the pool
        return 0;
    }
    if (cached) {
        // A page the cache lacks is read into it and used there, not copied into the pool.
        bool checked = false;
        bool failed = false;
        const uint8_t *unit =
            cached->Load(offset, static_cast<size_t>(pageSize), &checked, &failed, inner);
        if (failed) return 402;
        if (unit) {
            // A page that fills its unit is checked once; the mark goes when its bytes change.
            // Checking it at every descent cost a tenth of an import.
            if (!checked) {
                if (const int rc = page::CheckPage(unit, pageSize); rc != 0) return rc;
                if (pageSize == IndexPageCache::kUnitSize) cached->MarkChecked(offset);
            }
            *data = unit;
            return 0;
        }
    }
    if (const int rc = Fetch(offset, holder); rc != 0) return rc;
    *data = holder->Data();
    return 0;
}

int BTree::Impl::Descend(const SearchKey *key, bool last, int32_t *leaf, const uint8_t **leafData,
                         int32_t from, int32_t fromDepth) {
    path.clear();
    int32_t offset = from < 0 ? header.root : from;
    for (;;) {
        // Inner pages are only read on the way down: taken in place, never copied into the pool.
        PageRef ref;
        const uint8_t *data;
        const int32_t depth = fromDepth + static_cast<int32_t>(path.size());
        // Every page above the leaves' level is an inner page in a sound tree.
        const bool inner = depth + 1 < header.levels;
        if (const int rc = ReadPage(offset, &ref, &data, inner); rc != 0) return rc;
        PrefetchPage(data, PageSize());
        const page::View view(data);
        if (view.IsLeaf()) {
            if (leafData) *leafData = data;  // ref unpins, but nothing touches the pool before use
            break;
        }
        if (view.Child() == page::kFreedChild) return 308;
        const int32_t n = view.Count();
        int32_t slot = (last || n == 0) ? n : 0;
        if (key) {
            if (cached && n < kPrefetchChildren) {
                const uint8_t *values = data + page::kKeyAreaOffset + view.KeyBytes() + 4 * n;
                for (int32_t i = 0; i < n; ++i)
                    cached->Prefetch(page::Load32(values + 4 * i));
                cached->Prefetch(view.Child());
            }
            bool found;
            slot = page::Search(view, *key, &found);
        }
        const int32_t child = slot < n ? view.Value(slot) : view.Child();
        if (const int rc = PushStep(offset, slot, child, depth); rc != 0) return rc;
        offset = child;
    }
    *leaf = offset;
    return 0;
}

int BTree::Impl::Locate(const uint8_t *key, int32_t length, int32_t *leaf, int32_t *slot,
                        bool *found, int32_t *value, bool *pathKept) {
    const SearchKey search(*layout, key, length);
    const uint8_t *data;
    int32_t from = -1;
    int32_t fromDepth = 0;
    if (pathKept) *pathKept = !DirectoryPage(search, &from, &fromDepth);
    if (const int rc = Descend(&search, false, leaf, &data, from, fromDepth); rc != 0) return rc;
    const page::View view(data);
    *slot = page::Search(view, search, found);
    if (*found && value) *value = view.Value(*slot);
    return 0;
}

int BTree::Impl::Position(const uint8_t *key, int32_t length, bool *found, int32_t *ref) {
    int32_t leaf, slot;
    bool pathKept;  // nothing after a search needs its path
    if (const int rc = Locate(key, length, &leaf, &slot, found, ref, &pathKept); rc != 0) {
        return rc;
    }
    cursorPage = leaf;
    cursorSlot = *found ? slot : slot - 1;
    return 0;
}

void BTree::Impl::Rebuild(PageRef &page, int32_t left, int32_t right, int32_t child,
                          const page::Entries &entries, int32_t from, int32_t to) {
    page::BuildPage(scratch.data(), PageSize(), left, right, child, entries, from, to);
    std::memcpy(page.Data(), scratch.data(), scratch.size());
    page.MarkDirty();
    NoteWrite(pool->Release(page));
}

int BTree::Impl::Reset() {
    cursorPage = -1;
    cursorSlot = 0;
    pool->ForgetAll();  // every page of the old tree is garbage now
    const int32_t pageSize = PageSize();
    header.root = pageSize;
    header.levels = 1;
    header.freeList = -1;
    header.end = 2 * pageSize;
    NoteWrite(WriteHeader());
    PageRef fresh;
    if (const int rc = pool->TakeFresh(&fresh); rc != 0) return rc;
    page::BuildEmptyPage(fresh.Data(), pageSize, -1, -1, page::kLeafChild);
    pool->AssignOffset(fresh, pageSize);
    NoteWrite(pool->Release(fresh));
    return 0;
}

// ---- BTree ----

BTree::BTree(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

BTree::~BTree() {
    if (impl_->file) Close();
}

std::unique_ptr<BTree> BTree::Open(const std::string &path, const KeyLayout *layout,
                                   int32_t extraBuffers, int32_t writeMode) {
    return Open(path, layout, extraBuffers, writeMode, nullptr);
}

std::unique_ptr<BTree> BTree::Open(const std::string &path, const KeyLayout *layout,
                                   int32_t extraBuffers, int32_t writeMode,
                                   std::shared_ptr<IndexPageCache> cache) {
    auto impl = std::make_unique<Impl>();
    impl->file = platform::OpenExclusive(path, platform::OpenMode::kCreateIfMissing);
    if (!impl->file) return nullptr;
    if (cache) {
        if (auto wrapped = IndexFileCache::Wrap(impl->file, std::move(cache), writeMode == 2)) {
            impl->cached = wrapped.get();
            impl->file = std::move(wrapped);
        }
    }
    uint8_t bytes[kFileHeaderSize];
    const int64_t got = impl->file->ReadAt(0, bytes, kFileHeaderSize);
    if (got == 0) {
        impl->header = NewHeader(kBtreePageSize);
        EncodeHeader(impl->header, bytes);
        if (impl->file->WriteAt(0, bytes, kFileHeaderSize) != kFileHeaderSize) return nullptr;
        std::vector<uint8_t> leaf(kBtreePageSize, 0);
        page::BuildEmptyPage(leaf.data(), kBtreePageSize, -1, -1, page::kLeafChild);
        if (impl->file->WriteAt(kBtreePageSize, leaf.data(), leaf.size()) != kBtreePageSize) {
            return nullptr;
        }
    } else if (got == kFileHeaderSize) {
        impl->header = DecodeHeader(bytes);
    } else {
        return nullptr;
    }
    const FileHeader &h = impl->header;
    if (h.magic != kBtreeMagic) return nullptr;
    if (h.pageSize < kMinPageSize || h.pageSize > kMaxPageSize) return nullptr;

    impl->layout = layout ? layout : &BytewiseLayout();
    impl->writeMode = writeMode;
    impl->maxKeyLength = std::min((h.pageSize - 36) / 2 - 4, kMaxKeyBuffer);
    const int32_t extra = std::clamp(extraBuffers, 0, 255);
    const int32_t buffers = writeMode != 0 ? extra + kPoolBase : kPoolBase;
    impl->pool = std::make_unique<PagePool>(impl->file.get(), h.pageSize, buffers, writeMode);
    impl->scratch.assign(static_cast<size_t>(h.pageSize), 0);
    impl->zeroPage.assign(static_cast<size_t>(h.pageSize), 0);
    impl->path.reserve(static_cast<size_t>(std::clamp(h.levels, 1, 64)) + 2);
    return std::unique_ptr<BTree>(new BTree(std::move(impl)));
}

int32_t BTree::LastError() const {
    return impl_->lastError;
}

int BTree::Find(const uint8_t *key, int32_t length, int32_t *ref) {
    Impl &t = *impl_;
    t.cursorDeferred = false;
    int rc = t.Begin();
    if (rc == 0) rc = t.CheckKey(key, length);
    bool found = false;
    if (rc == 0) rc = t.Position(key, length, &found, ref);
    if (t.End(rc) != 0) return -1;
    return found ? 0 : 1;
}

int BTree::Insert(const uint8_t *key, int32_t length, int32_t ref) {
    Impl &t = *impl_;
    t.NoteChange();
    int rc = t.Begin();
    if (rc == 0) rc = t.CheckKey(key, length);
    if (rc == 0) rc = t.Insert(key, length, ref);
    if (rc == 0) t.cursorDeferred = false;  // the cursor is on the new entry
    return t.End(rc) != 0 ? -1 : 0;
}

int BTree::Delete(const uint8_t *key, int32_t length) {
    Impl &t = *impl_;
    t.NoteChange();
    t.cursorDeferred = false;
    int rc = t.Begin();
    if (rc == 0) rc = t.CheckKey(key, length);
    bool deleted = false;
    if (rc == 0) rc = t.Delete(key, length, &deleted);
    if (t.End(rc) != 0) return -1;
    return deleted ? 0 : 1;
}

void BTree::PlaceCursorAt(const uint8_t *key, int32_t length) {
    Impl &t = *impl_;
    t.cursorDeferred = true;
    t.deferredLength = std::clamp(length, 0, kMaxKeyBuffer);
    if (key && t.deferredLength > 0) {
        std::memcpy(t.deferredKey, key, static_cast<size_t>(t.deferredLength));
    }
}

bool BTree::First() {
    Impl &t = *impl_;
    t.cursorDeferred = false;
    int rc = t.Begin();
    int32_t leaf = -1;
    if (rc == 0) rc = t.Descend(nullptr, false, &leaf);
    if (t.End(rc) != 0) return false;
    t.cursorPage = leaf;
    t.cursorSlot = -1;
    return true;
}

bool BTree::Last() {
    Impl &t = *impl_;
    t.cursorDeferred = false;
    int rc = t.Begin();
    int32_t leaf = -1;
    if (rc == 0) rc = t.Descend(nullptr, true, &leaf);
    PageRef page;
    if (rc == 0) rc = t.Fetch(leaf, &page);
    if (t.End(rc) != 0) return false;
    t.cursorPage = leaf;
    t.cursorSlot = page::View(page.Data()).Count();
    return true;
}

int BTree::Next(uint8_t *key, int32_t *length, int32_t *ref) {
    Impl &t = *impl_;
    int rc = t.Begin();
    int status = 0;
    if (rc == 0) rc = t.TakeDeferredCursor();
    if (rc == 0) rc = t.Step(true, key, length, ref, &status);
    return t.End(rc) != 0 ? -1 : status;
}

int BTree::Prev(uint8_t *key, int32_t *length, int32_t *ref) {
    Impl &t = *impl_;
    int rc = t.Begin();
    int status = 0;
    if (rc == 0) rc = t.TakeDeferredCursor();
    if (rc == 0) rc = t.Step(false, key, length, ref, &status);
    return t.End(rc) != 0 ? -1 : status;
}

bool BTree::Reset() {
    Impl &t = *impl_;
    t.NoteChange();
    t.cursorDeferred = false;
    t.sortedBuild.reset();  // a bottom-up build given up
    int rc = t.Begin();
    if (rc == 0) rc = t.Reset();
    return t.End(rc) == 0;
}

bool BTree::Flush() {
    Impl &t = *impl_;
    int rc = t.Begin();
    if (rc == 0) rc = t.FlushAll();
    return t.End(rc) == 0;
}

bool BTree::Close() {
    Impl &t = *impl_;
    t.NoteChange();
    t.cursorDeferred = false;
    int rc = t.Begin();
    if (rc == 0) {
        rc = t.FlushAll();
        t.pool.reset();
        t.directory.Clear();
        t.deeper.Clear();
        t.cached = nullptr;
        t.file.reset();
        t.cursorPage = -1;
    }
    return t.End(rc) == 0;
}

}  // namespace kw::engine
