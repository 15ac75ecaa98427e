// Deletion without merging. The entry is removed from its leaf by rebuilding the page (in the
// scratch page, then copied over its buffer). A page that would become empty is unlinked from its
// siblings and freed instead, and the entry leading to it is removed from the parent in the same
// way, up the path:
//
//   - a page with more than one entry, the root, or an inner page with one entry is rebuilt
//     without the entry (removing an inner page's rightmost child moves its last entry's child
//     into the rightmost-child field and drops that entry's key);
//   - reaching a root without entries (its only child was freed) makes it an empty leaf and sets
//     levels to 1.
//
// Separators are never changed when their key leaves a leaf, and pages are never merged.
#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {

int BTree::Impl::Delete(const uint8_t *key, int32_t length, bool *deleted) {
    int32_t leaf, slot;
    bool found;
    if (const int rc = Locate(key, length, &leaf, &slot, &found); rc != 0) return rc;
    if (!found) {
        cursorPage = leaf;
        cursorSlot = slot - 1;
        *deleted = false;
        return 0;
    }
    *deleted = true;

    const int32_t pageSize = PageSize();
    const int32_t leafSlot = slot;
    bool leafFreed = false;
    int32_t offset = leaf;
    auto level = static_cast<int32_t>(path.size());
    for (;;) {
        PageRef page;
        if (const int rc = Fetch(offset, &page); rc != 0) return rc;
        const page::View view(page.Data());
        const int32_t n = view.Count();
        const bool isRoot = level == 0;
        if (isRoot && n == 0) {
            page::BuildEmptyPage(page.Data(), pageSize, view.Left(), view.Right(),
                                 page::kLeafChild);
            page.MarkDirty();
            NoteWrite(pool->Release(page));
            header.levels = 1;
            NoteWrite(WriteHeader());
            break;
        }
        if (n > 1 || isRoot || (!view.IsLeaf() && n == 1)) {
            if (slot > n || (view.IsLeaf() && slot == n)) return 308;
            page::Entries entries(view);
            int32_t child = view.Child();
            if (!view.IsLeaf() && slot == n) {
                child = view.Value(n - 1);
                entries.RemoveAt(n - 1);
            } else {
                entries.RemoveAt(slot);
            }
            Rebuild(page, view.Left(), view.Right(), child, entries, 0, entries.Count());
            break;
        }

        // The page becomes empty: unlink it from both neighbours and free it.
        const int32_t left = view.Left();
        const int32_t right = view.Right();
        if (left == offset || right == offset) return 308;
        page.Unpin();
        PageRef leftPage, rightPage;
        if (left != -1) {
            if (const int rc = Fetch(left, &leftPage); rc != 0) return rc;
        }
        if (right != -1) {
            if (const int rc = Fetch(right, &rightPage); rc != 0) return rc;
        }
        if (leftPage) {
            page::Store32(leftPage.Data() + page::kRightOffset, right);
            leftPage.MarkDirty();
            NoteWrite(pool->Release(leftPage));
        }
        if (rightPage) {
            page::Store32(rightPage.Data() + page::kLeftOffset, left);
            rightPage.MarkDirty();
            NoteWrite(pool->Release(rightPage));
        }
        if (const int rc = FreePage(offset); rc != 0) return rc;
        leafFreed = leafFreed || offset == leaf;
        --level;
        offset = path[level].page;
        slot = path[level].slot;
    }

    // The cursor ends where a search for the deleted key would put it: just before its place.
    if (!leafFreed) {
        cursorPage = leaf;
        cursorSlot = leafSlot - 1;
        return 0;
    }
    return Position(key, length, &found, nullptr);
}

}  // namespace kw::engine
