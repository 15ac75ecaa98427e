// A table's indexes through the database's index cache, seen from the exports: what a table
// wrote is found after it is closed and opened again, a flushed table's index files hold every
// key on disk, a cleared or reindexed table never shows old keys, and an index write that fails
// at a flush or close is reported by it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "btree.h"
#include "btree_test_support.h"
#include "engine_state.h"
#include "index_page_cache.h"
#include "record_test_support.h"

namespace kw::engine {
namespace {

class IndexCacheTableTest : public testing::RecordTest {
  protected:
    static constexpr int kRecords = 1500;

    // Names in a scattered order, each starting with its category.
    static std::string NameOf(int i, const std::string &category = "soup") {
        return category + " " + std::to_string(i * 7 % kRecords);
    }

    void InsertAll(const std::string &category, int count = kRecords) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(Insert(NameOf(i, category), category, i), KW_OK) << i;
    }

    KWRESULT FindByName(const std::string &name) {
        return KW_DBGetExactRecord(db_, tbl_, 1, inst_, name.data(),
                                   static_cast<int32_t>(name.size()), 0);
    }

    // The index file of byName_ (definition 1).
    std::string NameIndexFile() const { return Path("RECS/KWRECIPE.i01"); }
};

TEST_F(IndexCacheTableTest, ATableClosedAndOpenedAgainFindsEveryKey) {
    ASSERT_NO_FATAL_FAILURE(InsertAll("soup"));
    ASSERT_GT(Engine().databases[db_].indexCache->UnitsInUse(), 0u);
    ASSERT_NO_FATAL_FAILURE(CloseAll());
    ASSERT_NO_FATAL_FAILURE(OpenAll());
    for (int i = 0; i < kRecords; ++i) {
        ASSERT_EQ(FindByName(NameOf(i)), KW_OK) << i;
        EXPECT_EQ(Current(inst_).minutes, i);
    }
    EXPECT_EQ(Scan(0).size(), static_cast<size_t>(kRecords));
    EXPECT_EQ(Scan(1, false).size(), static_cast<size_t>(kRecords));
}

TEST_F(IndexCacheTableTest, AFlushedTablesIndexFileHoldsEveryKeyForAFreshOpen) {
    ASSERT_NO_FATAL_FAILURE(InsertAll("soup"));
    ASSERT_EQ(KW_DBFlushTable(db_, tbl_), KW_OK);
    // A copy taken while the table stays open, read on its own without any cache.
    const std::string copy = Path("copy.i01");
    std::filesystem::copy_file(NameIndexFile(), copy);
    auto fresh = BTree::Open(copy, Slot().indexes[1].layout.get(), 20, 2);
    ASSERT_TRUE(fresh);
    ASSERT_TRUE(fresh->First());
    uint8_t key[kMaxKeyBuffer];
    int32_t length = 0, ref = 0;
    int count = 0;
    while (fresh->Next(key, &length, &ref) == 0)
        ++count;
    EXPECT_EQ(count, kRecords);
}

TEST_F(IndexCacheTableTest, AClearedOrReindexedTableNeverShowsItsOldKeys) {
    ASSERT_NO_FATAL_FAILURE(InsertAll("old"));
    ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
    ASSERT_NO_FATAL_FAILURE(InsertAll("new", kRecords / 3));
    ASSERT_EQ(KW_DBReindexTable(db_, tbl_), KW_OK);
    ASSERT_NO_FATAL_FAILURE(CloseAll());
    ASSERT_NO_FATAL_FAILURE(OpenAll());
    const std::vector<testing::Row> rows = Scan(0);
    ASSERT_EQ(rows.size(), static_cast<size_t>(kRecords / 3));
    for (const testing::Row &row : rows)
        EXPECT_EQ(row.category, "new");
    EXPECT_NE(FindByName(NameOf(0, "old")), KW_OK);
    EXPECT_EQ(FindByName(NameOf(0, "new")), KW_OK);
}

// Fails the writes of the index files only, once told to.
class FailingIndexWrites final : public platform::RandomAccessFile {
  public:
    FailingIndexWrites(std::unique_ptr<platform::RandomAccessFile> inner, const bool *fail)
        : inner_(std::move(inner)), fail_(fail) {}
    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        return inner_->ReadAt(offset, buffer, n);
    }
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        return *fail_ ? -1 : inner_->WriteAt(offset, buffer, n);
    }
    int64_t Size() override { return inner_->Size(); }
    bool Sync() override { return inner_->Sync(); }
    const std::string &Path() const override { return inner_->Path(); }

  private:
    std::unique_ptr<platform::RandomAccessFile> inner_;
    const bool *fail_;
};

TEST_F(IndexCacheTableTest, AnIndexWriteThatFailsIsReportedByTheFlushAndTheClose) {
    ASSERT_NO_FATAL_FAILURE(CloseAll());
    static bool failIndexWrites = false;
    platform::SetOpenHookForTesting([](std::unique_ptr<platform::RandomAccessFile> f) {
        if (f->Path().find(".i0") == std::string::npos) return f;
        return std::unique_ptr<platform::RandomAccessFile>(
            std::make_unique<FailingIndexWrites>(std::move(f), &failIndexWrites));
    });
    ASSERT_NO_FATAL_FAILURE(OpenAll());
    ASSERT_NO_FATAL_FAILURE(InsertAll("soup", 200));  // deferred: nothing written yet
    failIndexWrites = true;
    EXPECT_EQ(KW_DBFlushTable(db_, tbl_), KWERR_EXTENDED);
    EXPECT_EQ(KW_DBGetExtendedError(), STERR_WRITE);
    EXPECT_EQ(KW_DBCloseTable(db_, tbl_), KWERR_EXTENDED);
    EXPECT_EQ(KW_DBGetExtendedError(), STERR_WRITE);
    failIndexWrites = false;
    platform::SetOpenHookForTesting(nullptr);
    EXPECT_EQ(KW_DBClose(db_), KW_OK);
}

}  // namespace
}  // namespace kw::engine
