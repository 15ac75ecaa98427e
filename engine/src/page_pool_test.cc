// The page pool: least-recently-used reuse, pinning, deferred and write-through writes, fresh
// buffers, and the codes for bad offsets, damaged pages and failing reads and writes.
#include "page_pool.h"

#include <gtest/gtest.h>

#include <memory>

#include "btree_page.h"
#include "btree_test_support.h"

namespace kw::engine {
namespace {

using testing::FaultPlan;
using testing::FaultyFile;

constexpr int32_t kP = 512;
constexpr int32_t kEnd = 8 * kP;  // pages 512 .. 3584

class PagePoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = std::make_unique<FaultyFile>(nullptr, &plan_);
        file_->Memory().assign(kEnd, 0);  // zeroed pages are consistent empty pages
    }
    std::unique_ptr<PagePool> Pool(int32_t buffers, int32_t writeMode) {
        return std::make_unique<PagePool>(file_.get(), kP, buffers, writeMode);
    }
    // Changes a page in a way the checks ignore (its child field) and marks it dirty.
    static void Mark(PageRef &ref, int32_t value) {
        page::Store32(ref.Data() + page::kChildOffset, value);
        ref.MarkDirty();
    }
    int32_t ChildOnDisk(int32_t offset) {
        return page::Load32(file_->Memory().data() + offset + page::kChildOffset);
    }

    FaultPlan plan_;
    std::unique_ptr<FaultyFile> file_;
};

TEST_F(PagePoolTest, LeastRecentlyUsedBufferIsReusedAndHitsReadNothing) {
    auto pool = Pool(4, 2);
    PageRef ref;
    for (int32_t offset : {512, 1024, 1536, 2048})
        ASSERT_EQ(pool->Fetch(offset, kEnd, &ref), 0);
    EXPECT_EQ(plan_.reads, 4);
    ASSERT_EQ(pool->Fetch(512, kEnd, &ref), 0);  // hit: 512 becomes most recently used
    EXPECT_EQ(plan_.reads, 4);
    ASSERT_EQ(pool->Fetch(2560, kEnd, &ref), 0);  // evicts 1024, the least recently used
    ASSERT_EQ(pool->Fetch(512, kEnd, &ref), 0);
    EXPECT_EQ(plan_.reads, 5);
    ASSERT_EQ(pool->Fetch(1024, kEnd, &ref), 0);
    EXPECT_EQ(plan_.reads, 6);
}

// Pages next to each other in the file go out in one write when one of them is written back; a
// pinned neighbour is left for its own write, and a failed run keeps every page dirty.
TEST_F(PagePoolTest, NeighbouringDirtyPagesAreWrittenTogether) {
    auto pool = Pool(6, 2);
    PageRef ref;
    for (int32_t offset : {1024, 1536, 2048, 3072}) {
        ASSERT_EQ(pool->Fetch(offset, kEnd, &ref), 0);
        Mark(ref, offset);
        ASSERT_EQ(pool->Release(ref), 0);
    }
    PageRef pinned;
    ASSERT_EQ(pool->Fetch(2560, kEnd, &pinned), 0);
    Mark(pinned, 2560);
    plan_.failWritesFrom = plan_.writes;
    EXPECT_EQ(pool->Flush(), 402);
    EXPECT_EQ(pool->DirtyCount(), 5);
    plan_.failWritesFrom = -1;
    const int before = plan_.writes;
    ASSERT_EQ(pool->Flush(), 0);
    // 1024..2048 together; 2560 (pinned, flushed on its own) and 3072 apart.
    EXPECT_EQ(plan_.writes - before, 3);
    EXPECT_EQ(pool->DirtyCount(), 0);
    for (int32_t offset : {1024, 1536, 2048, 2560, 3072})
        EXPECT_EQ(ChildOnDisk(offset), offset);
    EXPECT_EQ(ChildOnDisk(512), 0);
}

TEST_F(PagePoolTest, PinnedBuffersAreNeverEvicted) {
    auto pool = Pool(4, 2);
    PageRef pinned[4];
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(pool->Fetch(512 * (i + 1), kEnd, &pinned[i]), 0);
    PageRef more;
    EXPECT_EQ(pool->Fetch(2560, kEnd, &more), 305);
    EXPECT_EQ(pool->TakeFresh(&more), 305);
    pinned[2].Unpin();
    EXPECT_EQ(pool->Fetch(2560, kEnd, &more), 0);
    EXPECT_EQ(pinned[0].Offset(), 512);  // the others still hold their pages
}

TEST_F(PagePoolTest, DeferredPagesAreWrittenOnEvictionOrFlushOnce) {
    auto pool = Pool(4, 2);
    PageRef ref;
    ASSERT_EQ(pool->Fetch(512, kEnd, &ref), 0);
    Mark(ref, 7);
    ASSERT_EQ(pool->Release(ref), 0);
    EXPECT_EQ(plan_.writes, 0);
    EXPECT_EQ(ChildOnDisk(512), 0);
    for (int32_t offset : {1024, 1536, 2048, 2560})
        ASSERT_EQ(pool->Fetch(offset, kEnd, &ref), 0);
    EXPECT_EQ(plan_.writes, 1);  // 512 went out when its buffer was reused
    EXPECT_EQ(ChildOnDisk(512), 7);

    ASSERT_EQ(pool->Fetch(1024, kEnd, &ref), 0);
    Mark(ref, 9);
    ASSERT_EQ(pool->Release(ref), 0);
    EXPECT_EQ(pool->DirtyCount(), 1);
    ASSERT_EQ(pool->Flush(), 0);
    EXPECT_EQ(ChildOnDisk(1024), 9);
    EXPECT_EQ(pool->DirtyCount(), 0);
    const int writes = plan_.writes;
    ASSERT_EQ(pool->Flush(), 0);  // clean buffers are not written again
    EXPECT_EQ(plan_.writes, writes);
}

TEST_F(PagePoolTest, WriteThroughWritesOnRelease) {
    for (int32_t mode : {0, 1}) {
        auto pool = Pool(4, mode);
        PageRef ref;
        ASSERT_EQ(pool->Fetch(512, kEnd, &ref), 0);
        Mark(ref, 3 + mode);
        ASSERT_EQ(pool->Release(ref), 0);
        EXPECT_EQ(ChildOnDisk(512), 3 + mode);
        EXPECT_EQ(pool->DirtyCount(), 0);
    }
}

TEST_F(PagePoolTest, FreshBufferTakesOverAnOffset) {
    auto pool = Pool(4, 1);
    PageRef old, fresh;
    ASSERT_EQ(pool->Fetch(1024, kEnd, &old), 0);
    ASSERT_EQ(pool->TakeFresh(&fresh), 0);
    EXPECT_EQ(fresh.Offset(), -1);
    page::BuildEmptyPage(fresh.Data(), kP, -1, -1, 12345);
    pool->AssignOffset(fresh, 1024);
    EXPECT_EQ(old.Offset(), -1);  // the stale copy is forgotten
    old.Unpin();
    ASSERT_EQ(pool->Release(fresh), 0);
    EXPECT_EQ(ChildOnDisk(1024), 12345);
    const int reads = plan_.reads;
    PageRef again;
    ASSERT_EQ(pool->Fetch(1024, kEnd, &again), 0);
    EXPECT_EQ(plan_.reads, reads);
    EXPECT_EQ(page::Load32(again.Data() + page::kChildOffset), 12345);
    // A fresh buffer released without an offset just returns to the pool.
    ASSERT_EQ(pool->TakeFresh(&fresh), 0);
    ASSERT_EQ(pool->Release(fresh), 0);
    EXPECT_EQ(pool->DirtyCount(), 0);
}

TEST_F(PagePoolTest, BadOffsetsShortFilesAndDamagedPagesAreRefused) {
    auto pool = Pool(4, 2);
    PageRef ref;
    for (int32_t offset : {0, -512, 700, kEnd, kEnd + 512}) {
        EXPECT_EQ(pool->Fetch(offset, kEnd, &ref), 304) << offset;
    }
    file_->Memory().resize(kEnd - 100);  // the last page is cut short
    EXPECT_EQ(pool->Fetch(kEnd - kP, kEnd, &ref), 304);
    page::Store32(file_->Memory().data() + 1024 + page::kCountOffset, 100);  // 8n + 20 > P
    EXPECT_EQ(pool->Fetch(1024, kEnd, &ref), 308);
    EXPECT_EQ(pool->Fetch(1024, kEnd, &ref), 308);  // the damaged page was not kept
    page::Store32(file_->Memory().data() + 1536 + page::kKeyBytesOffset, -4);
    EXPECT_EQ(pool->Fetch(1536, kEnd, &ref), 308);
    plan_.failReads = true;
    EXPECT_EQ(pool->Fetch(2048, kEnd, &ref), 402);
    plan_.failReads = false;
    EXPECT_EQ(pool->Fetch(2048, kEnd, &ref), 0);
}

TEST_F(PagePoolTest, FailedWriteBackFailsTheAccessAndKeepsThePageDirty) {
    auto pool = Pool(4, 2);
    PageRef ref;
    ASSERT_EQ(pool->Fetch(512, kEnd, &ref), 0);
    Mark(ref, 5);
    ASSERT_EQ(pool->Release(ref), 0);
    for (int32_t offset : {1024, 1536, 2048})
        ASSERT_EQ(pool->Fetch(offset, kEnd, &ref), 0);
    ref.Unpin();
    plan_.failWritesFrom = plan_.writes;
    EXPECT_EQ(pool->Fetch(2560, kEnd, &ref), 402);
    EXPECT_EQ(pool->Flush(), 402);
    EXPECT_EQ(pool->DirtyCount(), 1);
    plan_.failWritesFrom = -1;
    EXPECT_EQ(pool->Flush(), 0);
    EXPECT_EQ(ChildOnDisk(512), 5);
}

}  // namespace
}  // namespace kw::engine
