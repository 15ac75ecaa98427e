// Reindex: quick adds reachable only after it, its stop on a shared unique key, its codes, and
// the serial counter it raises past the records found.
#include <gtest/gtest.h>

#include "record_test_support.h"
#include "store_test_support.h"

namespace kw::engine::testing {
namespace {

class ReindexTest : public RecordTest {
  protected:
    KWRESULT QuickAdd(const std::string &name, const std::string &category) {
        Compose(inst_, name, category);
        return KW_DBQuickAddRecord(db_, tbl_, inst_);
    }
    KWRESULT ExactByName(const std::string &name) {
        return KW_DBGetExactRecord(db_, tbl_, 1, inst_, name.data(),
                                   static_cast<int32_t>(name.size()), 0);
    }
};

TEST_F(ReindexTest, QuickAddsAreReachableOnlyAfterReindex) {
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(QuickAdd("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(QuickAdd("Carrot Soup", "Soups"), KW_OK);
    EXPECT_EQ(Scan(0).size(), 1u);
    EXPECT_EQ(Scan(1).size(), 1u);
    ASSERT_EQ(ExactByName("Carrot Soup"), KW_END);

    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Scan(0), (std::vector<Row>{{"Apple Pie", "Desserts", 0, 1},
                                         {"Beef Stew", "Mains", 0, 0},
                                         {"Carrot Soup", "Soups", 0, 2}}));
    EXPECT_EQ(Scan(1, false).size(), 3u);
    ASSERT_EQ(ExactByName("carrot soup"), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 2u);
}

TEST_F(ReindexTest, StopsWith303WhenTwoRecordsShareAUniqueKey) {
    ASSERT_EQ(QuickAdd("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(QuickAdd("APPLE PIE", "desserts"), KW_OK);
    ASSERT_EQ(QuickAdd("Beef Stew", "Mains"), KW_OK);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), BTERR_DUPLICATE);
    EXPECT_EQ(KW_DBGetExtendedError(), BTERR_DUPLICATE);
    // The walk stopped at the second record: only the first is indexed.
    EXPECT_EQ(Scan(0).size(), 1u);
}

TEST_F(ReindexTest, CodesForClosedTablesAndBadHandles) {
    EXPECT_EQ(KW_DBReindexTable(db_ + 3, tbl_), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_ + 1), KWERR_BADHANDLE);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBReindexTable(db_, tbl_), KWERR_NOTOPEN);
}

// A crash can leave the store header's serial counter behind the records in the file (the
// counter is written with the header, not with each record). Reindexing after such a run must
// not let a new record take a serial that a stored record holds: on a non-unique index the
// serial is what keeps equal names apart.
TEST_F(ReindexTest, StaleSerialCounterAfterACrashIsRaisedPastTheRecords) {
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Carrot Soup", "Soups"), KW_OK);
    CloseAll();
    PatchInt32(StorePath(), 12, 0);  // the counter as an earlier header write left it
    OpenAll();
    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Winter"), KW_OK);  // would collide with serial 0
    EXPECT_EQ(Current(inst_).serial, 3u);
    EXPECT_EQ(Scan(1).size(), 4u);
}

}  // namespace
}  // namespace kw::engine::testing
