// Insertion with page splits. A page that has room is rebuilt with the new entry (in the scratch
// page, then copied over its buffer). A full page O is split in two:
//
//   - The n + 1 entries (old ones with the new one in place) are walked in order, summing key
//     lengths; entry j is the first at which sum + 8j + 20 > P / 2 (the sum including key j).
//   - Leaf: entries 0..j go left and key j is the separator. Inner page: entries 0..j-1 go left,
//     key j is the separator and child j becomes the left half's rightmost child; entry j itself
//     goes to neither half. The right half takes the rest and keeps O's rightmost child.
//   - The left half goes to a newly allocated page N (in a fresh buffer), the right half stays at
//     O (rebuilt in O's buffer):
//
//         before:   L <-> O <-> R            after:   L <-> N <-> O <-> R
//
//   - (separator, N) is inserted into the parent at the slot taken on the way down, splitting
//     it in turn; when O was the root a new root is made with the one entry (separator, N) and
//     O as its rightmost child, and levels grows by one.
//
// Every page a split reads (the new page from the free list, O's left neighbour, the new root) is
// read before anything is changed, so a damaged neighbour fails the insert with the tree intact.
//
// HasKey answers whether an Insert would refuse its key, for a caller that must know before it
// writes anything else (the indexed insert); it keeps its descent, and an Insert of the same key
// right after it (no other operation on the tree between) starts from there, so asking first
// costs no second descent. A probe that started below the root (the level directory served it)
// keeps no descent, and the Insert descends on its own.
#include <algorithm>
#include <cstring>

#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {
namespace {

// Far above any real tree (a 2 GB file holds 4M pages); only a damaged header gets here.
constexpr int32_t kMaxLevels = 1 << 20;

// Index of the entry that ends the left half, by the split rule, kept where both halves keep at
// least one entry (leaf: 0..total-2; inner: 1..total-2) so a damaged page cannot make an empty
// half.
int32_t SplitPoint(const page::Entries &entries, int32_t pageSize, bool leaf) {
    const int32_t total = entries.Count();
    int32_t j = total - 1;
    int32_t sum = 0;
    for (int32_t i = 0; i < total; ++i) {
        const uint8_t *key;
        int32_t length, value;
        entries.Get(i, &key, &length, &value);
        sum += length;
        if (sum + 8 * i + 20 > pageSize / 2) {
            j = i;
            break;
        }
    }
    return std::clamp(j, leaf ? 0 : 1, std::max(leaf ? 0 : 1, total - 2));
}

}  // namespace

int BTree::Impl::Insert(const uint8_t *key, int32_t length, int32_t ref) {
    int32_t leaf, slot;
    bool found;
    // Right after a HasKey of this key nothing has changed the tree, so its descent still holds.
    if (probedAt != 0 && probedAt + 1 == operations && probedLength == length &&
        std::memcmp(probedKey, key, static_cast<size_t>(length)) == 0) {
        leaf = probedLeaf;
        slot = probedSlot;
        found = probedFound;
    } else if (const int rc = Locate(key, length, &leaf, &slot, &found); rc != 0) {
        return rc;
    }
    if (found) return 303;

    const int32_t pageSize = PageSize();
    uint8_t separators[2][kMaxKeyBuffer];
    const uint8_t *entryKey = key;
    int32_t entryLength = length;
    int32_t entryValue = ref;
    int32_t offset = leaf;
    auto level = static_cast<int32_t>(path.size());
    for (int round = 0;; ++round) {
        PageRef old;
        if (const int rc = Fetch(offset, &old); rc != 0) return rc;
        const page::View view(old.Data());
        const bool isLeaf = view.IsLeaf();
        page::Entries entries(view);
        entries.InsertAt(slot, entryKey, entryLength, entryValue);

        if (view.KeyBytes() + 8 * view.Count() + entryLength + 28 < pageSize) {
            Rebuild(old, view.Left(), view.Right(), view.Child(), entries, 0, entries.Count());
            if (isLeaf) {
                cursorPage = offset;
                cursorSlot = slot;
            }
            return 0;
        }

        // Split. Everything that can fail comes first.
        const bool isRoot = level == 0;
        const int32_t total = entries.Count();
        const int32_t j = SplitPoint(entries, pageSize, isLeaf);
        const int32_t leftEnd = isLeaf ? j + 1 : j;
        if (page::PageBytes(entries, 0, leftEnd) > pageSize ||
            page::PageBytes(entries, j + 1, total) > pageSize || view.Left() == offset) {
            return 308;  // only a damaged page (keys too long for it) gets here
        }
        int32_t newPage = -1, newRoot = -1;
        PageRef neighbour, leftHalf, rootPage;
        int rc = AllocatePage(&newPage);
        if (rc == 0 && isRoot) rc = AllocatePage(&newRoot);
        if (rc == 0 && view.Left() != -1) rc = Fetch(view.Left(), &neighbour);
        if (rc == 0) rc = pool->TakeFresh(&leftHalf);
        if (rc == 0 && isRoot) rc = pool->TakeFresh(&rootPage);
        if (rc != 0) {
            // Nothing changed yet; the pages allocated go back to the free list (best effort:
            // a page that cannot be freed is only lost space).
            neighbour.Unpin();
            leftHalf.Unpin();
            rootPage.Unpin();
            for (int32_t allocated : {newRoot, newPage}) {
                if (allocated != -1) FreePage(allocated);
            }
            return rc;
        }

        const uint8_t *separatorKey;
        int32_t separatorLength, separatorChild;
        entries.Get(j, &separatorKey, &separatorLength, &separatorChild);
        uint8_t *separator = separators[round % 2];
        std::memcpy(separator, separatorKey, static_cast<size_t>(separatorLength));
        page::BuildPage(leftHalf.Data(), pageSize, view.Left(), offset,
                        isLeaf ? page::kLeafChild : separatorChild, entries, 0, leftEnd);
        if (isLeaf) {
            cursorPage = slot <= j ? newPage : offset;
            cursorSlot = slot <= j ? slot : slot - j - 1;
        }
        pool->AssignOffset(leftHalf, newPage);
        if (neighbour) {
            page::Store32(neighbour.Data() + page::kRightOffset, newPage);
            neighbour.MarkDirty();
            NoteWrite(pool->Release(neighbour));
        }
        NoteWrite(pool->Release(leftHalf));
        // The right half stays at O, in O's own buffer.
        Rebuild(old, newPage, view.Right(), view.Child(), entries, j + 1, total);

        if (isRoot) {
            page::Entries rootEntries;
            rootEntries.InsertAt(0, separator, separatorLength, newPage);
            page::BuildPage(rootPage.Data(), pageSize, -1, -1, offset, rootEntries, 0, 1);
            pool->AssignOffset(rootPage, newRoot);
            NoteWrite(pool->Release(rootPage));
            header.root = newRoot;
            if (header.levels < kMaxLevels) ++header.levels;
            NoteWrite(WriteHeader());
            return 0;
        }
        --level;
        offset = path[level].page;
        slot = path[level].slot;
        entryKey = separator;
        entryLength = separatorLength;
        entryValue = newPage;
    }
}

int BTree::HasKey(const uint8_t *key, int32_t length) {
    Impl &t = *impl_;
    int rc = t.Begin();
    if (rc == 0) rc = t.CheckKey(key, length);
    bool found = false;
    bool pathKept = false;
    if (rc == 0)
        rc = t.Locate(key, length, &t.probedLeaf, &t.probedSlot, &found, nullptr, &pathKept);
    if (t.End(rc) != 0) return -1;
    // Without the path (the leaf came from the directory) an Insert descends on its own.
    t.probedAt = pathKept ? t.operations : 0;
    t.probedFound = found;
    t.probedLength = length;
    std::memcpy(t.probedKey, key, static_cast<size_t>(length));
    return found ? 0 : 1;
}

}  // namespace kw::engine
