// Temporary: insertion, deletion and the cursor follow.
#include "btree_impl.h"
namespace kw::engine {
int BTree::Impl::Insert(const uint8_t *, int32_t, int32_t) {
    return 305;
}
int BTree::Impl::Delete(const uint8_t *, int32_t, bool *) {
    return 305;
}
int BTree::Impl::Step(bool, uint8_t *, int32_t *, int32_t *, int *) {
    return 305;
}
}  // namespace kw::engine
