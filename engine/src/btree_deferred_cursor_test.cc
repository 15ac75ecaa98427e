// The deferred cursor placement: PlaceCursorAt reads nothing until Next or Prev, which then
// continue exactly as after a Find of the key; every other cursor move cancels it.
#include <gtest/gtest.h>

#include "btree.h"
#include "btree_test_support.h"

namespace kw::engine {
namespace {

class DeferredCursorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.ok());
        tree_ = BTree::Open(dir_.File("T.i00"), nullptr, 20, 2);
        ASSERT_NE(tree_, nullptr);
        for (int i = 0; i < 400; i += 2)
            ASSERT_EQ(tree_->Insert(testing::Bytes(testing::SeqKey(i)), 8, i), 0);
    }

    // The reference of the entry Next (or Prev) gives, or -status.
    int32_t Step(bool forward) {
        int32_t ref = -1;
        const int status =
            forward ? tree_->Next(nullptr, nullptr, &ref) : tree_->Prev(nullptr, nullptr, &ref);
        return status == 0 ? ref : -status;
    }

    void Place(int i) { tree_->PlaceCursorAt(testing::Bytes(testing::SeqKey(i)), 8); }

    testing::TempDir dir_;
    std::unique_ptr<BTree> tree_;
};

TEST_F(DeferredCursorTest, NextAndPrevContinueFromThePlacedKey) {
    ASSERT_TRUE(tree_->First());
    Place(100);
    EXPECT_EQ(Step(true), 102);
    Place(100);
    EXPECT_EQ(Step(false), 98);
    Place(101);  // absent: as after a find that misses
    EXPECT_EQ(Step(true), 102);
    Place(101);  // a miss leaves the cursor on 100 as if it had been returned
    EXPECT_EQ(Step(false), 98);
    Place(398);
    EXPECT_EQ(Step(true), -2);
    EXPECT_EQ(Step(false), 398);
}

TEST_F(DeferredCursorTest, OtherCursorMovesCancelThePlacement) {
    Place(100);
    ASSERT_TRUE(tree_->First());
    EXPECT_EQ(Step(true), 0);
    Place(100);
    int32_t ref = -1;
    ASSERT_EQ(tree_->Find(testing::Bytes(testing::SeqKey(200)), 8, &ref), 0);
    EXPECT_EQ(Step(true), 202);
    Place(100);
    ASSERT_EQ(tree_->Insert(testing::Bytes(testing::SeqKey(301)), 8, 301), 0);
    EXPECT_EQ(Step(true), 302);
    Place(100);
    ASSERT_EQ(tree_->Delete(testing::Bytes(testing::SeqKey(50)), 8), 0);
    EXPECT_EQ(Step(true), 52);
    Place(100);
    ASSERT_TRUE(tree_->Last());
    EXPECT_EQ(Step(false), 398);
    Place(100);
    ASSERT_TRUE(tree_->Reset());
    EXPECT_EQ(Step(true), -2);
}

TEST_F(DeferredCursorTest, AnInsertRefusedAsDuplicateLeavesThePlacement) {
    Place(100);
    EXPECT_EQ(tree_->Insert(testing::Bytes(testing::SeqKey(200)), 8, 7), -1);
    EXPECT_EQ(tree_->LastError(), 303);
    EXPECT_EQ(Step(true), 102);
}

}  // namespace
}  // namespace kw::engine
