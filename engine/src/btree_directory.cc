// The tree's level directory (level_directory.h): built downward one level at a time while
// searches run with no change to the tree, used by the searches that change nothing, and
// forgotten at the first change.
//
// A search that finds the directory good starts its descent at the page the directory gives, at
// the directory's depth, instead of at the root; the descent from there is the ordinary one, so
// the leaf, the cursor, the result and every failure met from that page down are those of a
// descent from the root. The pages above were all read, and passed every check a descent makes,
// when the directory was built; nothing has changed them since.
//
// Going a level deeper reads each page the directory lists, in key order, and lists its children
// with their bounds (a leaf met above the leaves' level stays listed as it is); the leaves'
// level is listed from its parents, never read. It gives up, the directory staying as it was and
// going no deeper until the next change, where a descent would fail or could wander: a page that
// cannot be read or is not consistent, a freed page, a page that is its own child, bounds that
// do not ascend, or a directory past kMaxDirectoryBytes. A damaged page in a level listed but not
// read (an inner page where the leaves should be, say) is met by the descents that start there,
// which fail as a descent from the root would. Bounds that ascend are what makes the directory
// answer as the descent does: every separator of every page above is some page's bound, so each
// page's separators ascend and enclose its subtrees' bounds.
//
// When to go deeper (kAuto): going from a level of n pages to the next reads those n pages once
// and spares every later search the read of one page. Measured on a 100,000-record table of
// 128-byte keys, reading a page while building costs several times what a search spends on one
// level (1 to 2 us a page against a few tenths of a us a level: the pages are read once each, from
// all over the index cache), so a step is taken once the searches since the last step number
// n * kDeepenShare (at least kMinLookups), about when they have spent on the level as much as
// the step costs. A tree that changes between every few searches (inserts, updates, an import's
// probes before its inserts) never builds one. The memory of a directory left behind by a change
// is kept for the next one.
#include <algorithm>
#include <cstring>

#include "btree_impl.h"
#include "btree_page.h"

namespace kw::engine {
namespace {

// The most memory one tree's directory may hold: the leaves of a 100,000-record table of
// 128-byte keys (some 44,000 leaves) take about 6.5 MB, the level above them 2.4 MB. A level
// that would need more is not built; the directory stays at the level above.
constexpr size_t kMaxDirectoryBytes = size_t{8} << 20;
// Searches since the last change before the first level is built.
constexpr uint64_t kMinLookups = 32;
// Searches per page of the directory before the next level is built.
constexpr uint64_t kDeepenShare = 4;
// Children per page the memory of a level is first taken for (the long keys of the largest
// indexes fit three or four to a page; a level of more grows as it fills).
constexpr size_t kExpectedChildren = 4;

}  // namespace

bool BTree::Impl::DirectoryPage(const SearchKey &key, int32_t *page, int32_t *depth) {
    if (directoryUse == LevelDirectoryUse::kNever) return false;
    if (directoryAt != changes) {
        // A tree that changed starts again from its root.
        directoryAt = changes;
        directory.Begin(*layout, kMaxDirectoryBytes, 1);
        directory.End(header.root);
        directoryDepth = 0;
        directoryDeepest = false;
        lookups = 0;
    }
    ++lookups;
    while (!directoryDeepest) {
        if (directoryUse == LevelDirectoryUse::kAuto) {
            if (lookups < std::max<uint64_t>(kMinLookups, directory.Count() * kDeepenShare)) break;
        }
        if (!DeepenDirectory()) {
            directoryDeepest = true;
            break;
        }
        lookups = 0;
        if (directoryUse == LevelDirectoryUse::kAuto) break;
    }
    if (directoryDepth == 0) return false;
    *page = directory.Find(key);
    *depth = directoryDepth;
    return true;
}

bool BTree::Impl::DeepenDirectory() {
    const int32_t levels = std::min(header.levels, kMaxDescentLevels);
    // The leaves are listed, or the root is one.
    if (directoryDepth + 1 >= levels) return false;
    const int32_t pageSize = PageSize();
    const size_t count = directory.Count();
    deeper.Begin(*layout, kMaxDirectoryBytes, static_cast<size_t>(header.end / pageSize),
                 count * kExpectedChildren);
    for (size_t i = 0; i < count; ++i) {
        const int32_t offset = directory.Page(i);
        const uint8_t *bound = directory.Bound(i);
        const int32_t boundLength = directory.BoundLength();
        PageRef holder;
        const uint8_t *data;
        if (ReadPage(offset, &holder, &data, directoryDepth + 1 < header.levels) != 0) {
            return false;
        }
        const page::View view(data);
        if (view.IsLeaf()) {
            if (!bound) {
                deeper.End(offset);
            } else if (!deeper.Add(bound, boundLength, offset)) {
                return false;
            }
            continue;
        }
        // The checks a descent makes before it goes on (Descend, PushStep).
        if (view.Child() == page::kFreedChild) return false;
        const int32_t n = view.Count();
        for (int32_t slot = 0; slot <= n; ++slot) {
            const int32_t child = slot < n ? view.Value(slot) : view.Child();
            if (child == offset) return false;
            if (slot < n) {
                if (!deeper.Add(view.Key(slot), view.KeyLength(slot), child)) return false;
            } else if (!bound) {
                deeper.End(child);
            } else if (!deeper.Add(bound, boundLength, child)) {
                return false;
            }
        }
    }
    if (!deeper.Complete()) return false;
    std::swap(directory, deeper);
    deeper.Clear();  // the level above is not needed again
    ++directoryDepth;
    return true;
}

void BTree::SetLevelDirectoryUse(LevelDirectoryUse use) {
    impl_->directoryUse = use;
}

int32_t BTree::LevelDirectoryDepth() const {
    const Impl &t = *impl_;
    return t.directoryAt == t.changes ? t.directoryDepth : 0;
}

size_t BTree::LevelDirectoryBytes() const {
    const Impl &t = *impl_;
    return t.directoryAt == t.changes && t.directoryDepth > 0 ? t.directory.Bytes() : 0;
}

}  // namespace kw::engine
