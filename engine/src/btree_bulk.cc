// Building a whole tree bottom-up from entries in ascending key order (BTree::BuildSorted), as an
// index rebuild does instead of one insert per key. The result is a tree the other operations
// cannot tell from one grown by inserts: the same page layout (btree_page.h), separators and
// links as splits make them, so every find, cursor step, insert and delete behaves alike.
//
// Where the pages go:
//
//   OFFSET          PAGE
//   P               the root, written last (until then the empty leaf of a reset tree)
//   2P ...          the leaves, left to right, then each inner level below the root, left to
//                   right; end is the offset after the last of them
//
// A tree of one leaf is that leaf alone, at P. Pages are filled as far as an insert fills them
// before it splits: an entry joins a page while 20 + K + 8n stays below P with it (K key bytes,
// n entries). Each inner page takes the pages of the level below in order; every child but the
// last becomes an entry (the child's highest key, the child's offset) and the last is its
// rightmost child, exactly what a split puts in the parent (the highest key of the left half).
// The last page of a level never keeps a single child when the page before it can give one.
// Every level is linked left to right like the siblings splits make; the free list is empty.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {
namespace {

// Pages gathered for one write; each level's pages lie next to each other.
constexpr size_t kBatchPages = 128;

// One level of the planned tree: node j takes the items [starts[j], starts[j + 1]) of the level
// below (entries for the leaves), and high[j] is the index of the highest entry under it.
struct Level {
    std::vector<size_t> starts;
    std::vector<size_t> high;
    int32_t firstOffset = 0;  // node j lies at firstOffset + j * P (the root alone: at P)
};

class Batch {
  public:
    Batch(platform::RandomAccessFile &file, int32_t pageSize)
        : file_(file), pageSize_(pageSize), bytes_(kBatchPages * static_cast<size_t>(pageSize)) {}

    // The next page's buffer (zeroed), at offset; pages not next to the last are a new write.
    int Page(int32_t offset, uint8_t **out) {
        if (count_ > 0 && (count_ == kBatchPages || offset != start_ + Span())) {
            if (const int rc = Write(); rc != 0) return rc;
        }
        if (count_ == 0) start_ = offset;
        *out = bytes_.data() + count_ * static_cast<size_t>(pageSize_);
        std::fill(*out, *out + pageSize_, uint8_t{0});
        ++count_;
        return 0;
    }

    int Write() {
        const auto span = static_cast<size_t>(Span());
        const bool ok =
            count_ == 0 || file_.WriteAt(start_, bytes_.data(), span) == static_cast<int64_t>(span);
        count_ = 0;
        return ok ? 0 : 402;
    }

  private:
    int64_t Span() const { return static_cast<int64_t>(count_) * pageSize_; }

    platform::RandomAccessFile &file_;
    int32_t pageSize_;
    std::vector<uint8_t> bytes_;
    int64_t start_ = 0;
    size_t count_ = 0;
};

// Writes the page header fields and entries whose keys and values the caller passes in order;
// one writer serves every page, so its lists are allocated once.
class PageWriter {
  public:
    void Start(uint8_t *page) {
        page_ = page;
        keys_.clear();
        lengths_.clear();
        values_.clear();
    }
    void Add(const uint8_t *key, int32_t length, int32_t value) {
        keys_.push_back(key);
        lengths_.push_back(length);
        values_.push_back(value);
    }
    void Finish(int32_t left, int32_t right, int32_t child) {
        const auto n = static_cast<int32_t>(keys_.size());
        int32_t keyBytes = 0;
        for (int32_t i = 0; i < n; ++i) {
            std::memcpy(page_ + page::kKeyAreaOffset + keyBytes, keys_[static_cast<size_t>(i)],
                        static_cast<size_t>(lengths_[static_cast<size_t>(i)]));
            keyBytes += lengths_[static_cast<size_t>(i)];
        }
        uint8_t *ends = page_ + page::kKeyAreaOffset + keyBytes;
        int32_t end = 0;
        for (int32_t i = 0; i < n; ++i) {
            end += lengths_[static_cast<size_t>(i)];
            page::Store32(ends + 4 * i, end);
            page::Store32(ends + 4 * n + 4 * i, values_[static_cast<size_t>(i)]);
        }
        page::Store32(page_ + page::kLeftOffset, left);
        page::Store32(page_ + page::kRightOffset, right);
        page::Store32(page_ + page::kChildOffset, child);
        page::Store32(page_ + page::kCountOffset, n);
        page::Store32(page_ + page::kKeyBytesOffset, keyBytes);
    }

  private:
    uint8_t *page_ = nullptr;
    std::vector<const uint8_t *> keys_;
    std::vector<int32_t> lengths_;
    std::vector<int32_t> values_;
};

}  // namespace

int BTree::Impl::BuildSorted(size_t count, BTree::SortedEntry entry, const void *context) {
    if (count == 0) return Reset();
    const int32_t pageSize = PageSize();
    auto keyOf = [&](size_t i, const uint8_t **key, int32_t *length) {
        int32_t ref;
        entry(context, i, key, length, &ref);
    };
    auto lengthOf = [&](size_t i) {
        const uint8_t *key;
        int32_t length;
        keyOf(i, &key, &length);
        return length;
    };

    // Plan every level before writing anything, so a refusal leaves the tree as it was.
    std::vector<Level> levels(1);
    int32_t bytes = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *key;
        int32_t length;
        keyOf(i, &key, &length);
        if (const int rc = CheckKey(key, length); rc != 0) return rc;
        if (i == 0 || bytes + length + 8 >= pageSize) {
            levels[0].starts.push_back(i);
            bytes = page::kKeyAreaOffset;
        }
        bytes += length + 8;
    }
    for (size_t j = 0; j < levels[0].starts.size(); ++j) {
        const size_t next = j + 1 < levels[0].starts.size() ? levels[0].starts[j + 1] : count;
        levels[0].high.push_back(next - 1);
    }
    while (levels.back().high.size() > 1) {
        const std::vector<size_t> &below = levels.back().high;
        Level up;
        for (size_t c = 0; c < below.size(); ++c) {
            // Child c joins the page as its rightmost child; the child before it becomes an entry.
            const int32_t length = c == 0 ? 0 : lengthOf(below[c - 1]);
            if (c == 0 || bytes + length + 8 >= pageSize) {
                up.starts.push_back(c);
                bytes = page::kKeyAreaOffset;
            } else {
                bytes += length + 8;
            }
        }
        // A last page of one child takes one from the page before (which keeps two or more: a
        // page holds at least two of the longest keys).
        const size_t pages = up.starts.size();
        if (pages > 1 && below.size() - up.starts[pages - 1] == 1) --up.starts[pages - 1];
        for (size_t j = 0; j < pages; ++j) {
            const size_t next = j + 1 < pages ? up.starts[j + 1] : below.size();
            up.high.push_back(below[next - 1]);
        }
        levels.push_back(std::move(up));
    }
    int64_t end = 2 * int64_t{pageSize};
    for (Level &level : levels) {
        if (level.high.size() == 1) {
            level.firstOffset = pageSize;
        } else {
            level.firstOffset = static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX));
            end += static_cast<int64_t>(level.high.size()) * pageSize;
        }
    }
    if (end > std::numeric_limits<int32_t>::max() - pageSize) return 304;

    cursorPage = -1;
    cursorSlot = 0;
    pool->ForgetAll();  // the pages of the old tree are overwritten
    Batch batch(*file, pageSize);
    PageWriter writer;
    int rc = 0;
    for (size_t l = 0; l < levels.size() && rc == 0; ++l) {
        const Level &level = levels[l];
        const size_t nodes = level.starts.size();
        const size_t items = l == 0 ? count : levels[l - 1].high.size();
        auto offsetOf = [&](const Level &of, size_t j) {
            return of.firstOffset + static_cast<int32_t>(j) * pageSize;
        };
        for (size_t j = 0; j < nodes && rc == 0; ++j) {
            uint8_t *data;
            rc = batch.Page(offsetOf(level, j), &data);
            if (rc != 0) break;
            writer.Start(data);
            const size_t from = level.starts[j];
            const size_t to = j + 1 < nodes ? level.starts[j + 1] : items;
            int32_t child = page::kLeafChild;
            for (size_t i = from; i < to; ++i) {
                const uint8_t *key;
                int32_t length, ref;
                if (l == 0) {
                    entry(context, i, &key, &length, &ref);
                } else if (i + 1 < to) {
                    keyOf(levels[l - 1].high[i], &key, &length);
                    ref = offsetOf(levels[l - 1], i);
                } else {
                    child = offsetOf(levels[l - 1], i);
                    break;
                }
                writer.Add(key, length, ref);
            }
            writer.Finish(j > 0 ? offsetOf(level, j - 1) : -1,
                          j + 1 < nodes ? offsetOf(level, j + 1) : -1, child);
        }
        // The root goes alone and last, once everything it leads to is written.
        if (rc == 0 && l + 2 >= levels.size()) rc = batch.Write();
    }
    if (rc != 0) {
        Reset();  // best effort: an empty tree rather than one naming pages half written
        return rc;
    }
    header.root = pageSize;
    header.levels = static_cast<int32_t>(levels.size());
    header.freeList = -1;
    header.end = static_cast<int32_t>(end);
    NoteWrite(WriteHeader());
    return 0;
}

bool BTree::BuildSorted(size_t count, SortedEntry entry, const void *context) {
    Impl &t = *impl_;
    t.cursorDeferred = false;
    int rc = t.Begin();
    if (rc == 0) rc = t.BuildSorted(count, entry, context);
    return t.End(rc) == 0;
}

}  // namespace kw::engine
