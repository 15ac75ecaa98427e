// Ordered traversal. The cursor is a leaf and a slot: -1 is before the leaf's first entry, n after
// its last. Next moves to slot + 1, crossing to right siblings (slot 0) as needed; past the last
// leaf it stays there with slot n and reports 2. Previous is the mirror image, stopping with slot
// -1 and 3. Without a cursor, Next starts before the first entry and Previous after the last.
// Sibling walks are bounded by the number of pages in the file, and every entry returned must sort
// after (Next) or before (Previous) the one the cursor was on, so a damaged chain that loops back
// is reported (308) instead of being walked forever by a caller scanning to the end. A cursor
// placement deferred by PlaceCursorAt is made first.
#include <cstring>

#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {

int BTree::Impl::TakeDeferredCursor() {
    if (!cursorDeferred) return 0;
    cursorDeferred = false;
    if (const int rc = CheckKey(deferredKey, deferredLength); rc != 0) return rc;
    bool found = false;
    return Position(deferredKey, deferredLength, &found, nullptr);
}

int BTree::Impl::Step(bool forward, uint8_t *key, int32_t *length, int32_t *ref, int *status) {
    bool fromEdge = false;
    if (cursorPage == -1) {
        int32_t leaf;
        if (const int rc = Descend(nullptr, !forward, &leaf); rc != 0) return rc;
        cursorPage = leaf;
        cursorSlot = -1;
        fromEdge = true;
    }
    int32_t offset = cursorPage;
    PageRef origin;
    if (const int rc = Fetch(offset, &origin); rc != 0) return rc;
    const page::View from(origin.Data());
    if (!from.IsLeaf()) return 308;
    const bool onEntry = cursorSlot >= 0 && cursorSlot < from.Count();
    int32_t slot = forward ? cursorSlot + 1 : cursorSlot - 1;
    if (!forward && fromEdge) slot = from.Count() - 1;
    PageRef page;
    if (const int rc = Fetch(offset, &page); rc != 0) return rc;

    const int32_t pageCount = header.end / PageSize();
    for (int32_t steps = 0;; ++steps) {
        const page::View view(page.Data());
        const int32_t n = view.Count();
        // A cursor left behind by a damaged page is pulled back into range.
        if (forward && slot < 0) slot = 0;
        if (!forward && slot > n - 1) slot = n - 1;
        if (slot >= 0 && slot < n) {
            const int32_t keyLength = view.KeyLength(slot);
            if (keyLength > kMaxKeyBuffer) return 308;
            if (onEntry) {
                const int c = CompareKeys(*layout, view.Key(slot), keyLength, from.Key(cursorSlot),
                                          from.KeyLength(cursorSlot));
                if (forward ? c <= 0 : c >= 0) return 308;  // out of order: a damaged chain
            }
            if (key) std::memcpy(key, view.Key(slot), static_cast<size_t>(keyLength));
            if (length) *length = keyLength;
            if (ref) *ref = view.Value(slot);
            cursorPage = offset;
            cursorSlot = slot;
            *status = 0;
            return 0;
        }
        const int32_t next = forward ? view.Right() : view.Left();
        if (next == -1) {
            cursorPage = offset;
            cursorSlot = forward ? n : -1;
            if (length) *length = 0;
            if (ref) *ref = 0;
            *status = forward ? 2 : 3;
            return 0;
        }
        if (next == offset || steps >= pageCount) return 308;
        page.Unpin();
        if (const int rc = Fetch(next, &page); rc != 0) return rc;
        if (!page::View(page.Data()).IsLeaf()) return 308;
        offset = next;
        slot = forward ? 0 : page::View(page.Data()).Count() - 1;
    }
}

}  // namespace kw::engine
