// Building a whole tree bottom-up from entries in ascending key order (BTree::BeginSorted,
// AddSorted, EndSorted), as an index rebuild does instead of one insert per key. The result is a
// tree the other operations cannot tell from one grown by inserts: the same page layout
// (btree_page.h), separators and links as splits make them, so every find, cursor step, insert and
// delete behaves alike.
//
// Where the pages go:
//
//   OFFSET          PAGE
//   P               the root, written last (until then the page of the tree before)
//   2P ...          the leaves, left to right, then each inner level below the root, left to
//                   right; end is the offset after the last of them
//
// A tree of one leaf is that leaf alone, at P. Every key of an index has the same length k, so
// the shape is known from the count alone: a page holds e = (P - 21) / (k + 8) entries, the most
// for which 20 + K + 8n stays below P (K key bytes, n entries) — as far as an insert fills a page
// before it splits. Leaves take e entries each, the last one the rest. An inner page takes up to
// e + 1 pages of the level below in order; every child but the last becomes an entry (the child's
// highest key, the child's offset) and the last is its rightmost child, exactly what a split puts
// in the parent (the highest key of the left half). A last page of one child takes one from the
// page before it. Every level is linked left to right like the siblings splits make; the free list
// is empty. Pages are written as they fill, each level's in runs of up to 128 pages.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {
namespace {

constexpr size_t kBatchPages = 128;

// Pages of one level gathered for one write (each level's pages lie next to each other).
class Batch {
  public:
    Batch(platform::RandomAccessFile &file, int32_t pageSize) : file_(&file), pageSize_(pageSize) {}

    // A zeroed buffer for the page at offset; pages not next to the last are a new write.
    int Page(int32_t offset, uint8_t **out) {
        if (count_ > 0 && (count_ == kBatchPages || offset != start_ + Span())) {
            if (const int rc = Write(); rc != 0) return rc;
        }
        if (bytes_.empty()) bytes_.resize(kBatchPages * static_cast<size_t>(pageSize_));
        if (count_ == 0) start_ = offset;
        *out = bytes_.data() + count_ * static_cast<size_t>(pageSize_);
        std::fill(*out, *out + pageSize_, uint8_t{0});
        ++count_;
        return 0;
    }

    int Write() {
        const auto span = static_cast<size_t>(Span());
        const bool ok = count_ == 0 ||
                        file_->WriteAt(start_, bytes_.data(), span) == static_cast<int64_t>(span);
        count_ = 0;
        return ok ? 0 : 402;
    }

  private:
    int64_t Span() const { return static_cast<int64_t>(count_) * pageSize_; }

    platform::RandomAccessFile *file_;
    int32_t pageSize_;
    std::vector<uint8_t> bytes_;
    int64_t start_ = 0;
    size_t count_ = 0;
};

// One level of the planned tree: node j takes Items(j) items of the level below (entries, for
// the leaves) and lies at firstOffset + j * P.
struct LevelPlan {
    size_t nodes = 0;
    size_t full = 0;  // items of every node but the last one or two
    size_t last = 0;
    bool shortPenultimate = false;  // the node before the last takes full - 1
    int32_t firstOffset = 0;

    size_t Items(size_t j) const {
        if (j + 1 == nodes) return last;
        if (shortPenultimate && j + 2 == nodes) return full - 1;
        return full;
    }
};

}  // namespace

struct SortedBuild {
    struct Level {
        LevelPlan plan;
        Batch batch;
        size_t node = 0;   // the node being filled
        size_t items = 0;  // items it holds so far
        uint8_t *page = nullptr;
        int32_t rightmost = -1;  // the inner page's last child, once it came
    };
    int32_t keyLength = 0;
    size_t count = 0;
    size_t added = 0;
    int32_t end = 0;
    std::vector<Level> levels;  // leaves first; the last is the root's
};

void SortedBuildDeleter::operator()(SortedBuild *build) const {
    delete build;
}

namespace {

int32_t OffsetOf(const LevelPlan &plan, size_t j, int32_t pageSize) {
    return plan.firstOffset + static_cast<int32_t>(j) * pageSize;
}

}  // namespace

int BTree::Impl::BeginSorted(size_t count, int32_t keyLength) {
    Impl &t = *this;
    if (keyLength <= 0) return 302;
    if (keyLength > t.maxKeyLength) return 301;
    const int32_t pageSize = t.PageSize();
    auto build = std::unique_ptr<SortedBuild, SortedBuildDeleter>(new SortedBuild);
    build->keyLength = keyLength;
    build->count = count;
    const auto perPage = static_cast<size_t>((pageSize - 21) / (keyLength + 8));
    int64_t end = 2 * int64_t{pageSize};
    for (size_t items = count; items > 0;) {
        const bool leaves = build->levels.empty();
        LevelPlan plan;
        plan.full = leaves ? perPage : perPage + 1;
        plan.nodes = (items + plan.full - 1) / plan.full;
        plan.last = items - plan.full * (plan.nodes - 1);
        if (!leaves && plan.nodes > 1 && plan.last == 1) {
            plan.last = 2;
            plan.shortPenultimate = true;
        }
        if (plan.nodes == 1) {
            plan.firstOffset = pageSize;
        } else {
            plan.firstOffset = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
            end += static_cast<int64_t>(plan.nodes) * pageSize;
        }
        if (end > std::numeric_limits<int32_t>::max() - pageSize) return 304;
        build->levels.push_back({plan, Batch(*t.file, pageSize)});
        items = plan.nodes == 1 ? 0 : plan.nodes;
    }
    build->end = static_cast<int32_t>(end);
    t.cursorPage = -1;
    t.cursorSlot = 0;
    t.pool->ForgetAll();  // the pages of the old tree are overwritten from here on
    t.sortedBuild = std::move(build);
    return 0;
}

// Adds an item to the node being filled at level l: an entry (leaves), or a child page with its
// highest key (inner pages). A node that is complete passes its own offset and highest key up.
int BTree::Impl::PushSorted(size_t l, const uint8_t *key, int32_t value) {
    Impl &t = *this;
    SortedBuild &b = *t.sortedBuild;
    SortedBuild::Level &level = b.levels[l];
    const int32_t pageSize = t.PageSize();
    const bool leaf = l == 0;
    const size_t items = level.plan.Items(level.node);
    const auto entries = static_cast<int32_t>(leaf ? items : items - 1);
    const int32_t k = b.keyLength;
    const int32_t offset = OffsetOf(level.plan, level.node, pageSize);
    if (level.items == 0) {
        if (const int rc = level.batch.Page(offset, &level.page); rc != 0) return rc;
    }
    uint8_t *page = level.page;
    const auto i = static_cast<int32_t>(level.items);
    if (i < entries) {
        page::StoreFixedEntry(page, entries, k, i, key, value);
    } else {
        level.rightmost = value;
    }
    if (++level.items < items) return 0;

    const int32_t left = level.node > 0 ? OffsetOf(level.plan, level.node - 1, pageSize) : -1;
    const int32_t right =
        level.node + 1 < level.plan.nodes ? OffsetOf(level.plan, level.node + 1, pageSize) : -1;
    page::StoreHeader(page, left, right, leaf ? page::kLeafChild : level.rightmost, entries,
                      entries * k);
    ++level.node;
    level.items = 0;
    return l + 1 < b.levels.size() ? PushSorted(l + 1, key, offset) : 0;
}

int BTree::Impl::EndSorted() {
    Impl &t = *this;
    SortedBuild &b = *t.sortedBuild;
    if (b.added != b.count) return 308;
    if (b.count == 0) return t.Reset();
    // The root's level goes last, once everything it leads to is written.
    for (SortedBuild::Level &level : b.levels) {
        if (const int rc = level.batch.Write(); rc != 0) return rc;
    }
    t.header.root = t.PageSize();
    t.header.levels = static_cast<int32_t>(b.levels.size());
    t.header.freeList = -1;
    t.header.end = b.end;
    t.NoteWrite(t.WriteHeader());
    return 0;
}

// A failed build leaves an empty tree rather than a header naming pages half written.
int BTree::Impl::AbandonSorted(int rc) {
    if (rc != 0 && sortedBuild) {
        sortedBuild.reset();
        Reset();
    }
    return rc;
}

bool BTree::BeginSorted(size_t count, int32_t keyLength) {
    Impl &t = *impl_;
    t.NoteChange();
    t.cursorDeferred = false;
    t.sortedBuild.reset();
    int rc = t.Begin();
    if (rc == 0) rc = t.BeginSorted(count, keyLength);
    return t.End(rc) == 0;
}

bool BTree::AddSorted(const uint8_t *key, int32_t ref) {
    Impl &t = *impl_;
    t.NoteChange();
    int rc = t.Begin();
    if (rc == 0 && !t.sortedBuild) rc = 308;
    if (rc == 0) {
        const bool planned = ++t.sortedBuild->added <= t.sortedBuild->count;
        rc = t.AbandonSorted(planned ? t.PushSorted(0, key, ref) : 308);
    }
    return t.End(rc) == 0;
}

bool BTree::EndSorted() {
    Impl &t = *impl_;
    t.NoteChange();
    int rc = t.Begin();
    if (rc == 0 && !t.sortedBuild) rc = 308;
    if (rc == 0) {
        rc = t.AbandonSorted(t.EndSorted());
        t.sortedBuild.reset();
    }
    return t.End(rc) == 0;
}

}  // namespace kw::engine
