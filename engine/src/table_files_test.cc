// Table files: naming, open (creating the files with their headers), close with its instances,
// clear, drop, and the exclusive hold on open files.
#include "table_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine_test_support.h"
#include "platform/file.h"
#include "store_test_support.h"

namespace kw::engine::testing {
namespace {

// Whether another process can open path for reading and writing with exclusive sharing.
bool OtherProcessCanOpen(const std::string &path) {
    const pid_t pid = ::fork();
    if (pid == 0) _exit(platform::OpenExclusive(path, platform::OpenMode::kExisting) ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TableFilesTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        db_ = CreateAndOpen("FILES");
        ASSERT_EQ(KW_DBAddTable(db_, &recipe_.def, &tbl_), KW_OK);
    }
    // Adds the two indexes numbered 3 and 0, in that order.
    void AddIndexes() {
        int32_t idx = -1;
        ASSERT_EQ(KW_DBAddIndex(db_, tbl_, &byName_, &idx), KW_OK);
        ASSERT_EQ(idx, 0);
        ASSERT_EQ(KW_DBAddIndex(db_, tbl_, &byCategory_, &idx), KW_OK);
        ASSERT_EQ(idx, 1);
    }
    std::string DbPath(const std::string &name) const { return Path("FILES/" + name); }
    TableSlot &Slot() { return Engine().databases[db_].tables[tbl_]; }

    TableDefinition recipe_{
        "KWRECIPE", {Field("NAME", 'C', 48), Field("CATEGORY", 'C', 20), Field("ID", 'U', 4)}};
    KW_IndexDef byName_ = Index(3, "NAME", 0x111);
    KW_IndexDef byCategory_ = Index(0, "CATEGORY", 0x110);
    uint16_t db_ = 0;
    int32_t tbl_ = -1;
};

TEST(TableFileNamesTest, NameDotDatAndTwoDigitIndexNumbers) {
    TableDefinition t("KWRECIPE");
    EXPECT_EQ(StoreFileName(t.def), "KWRECIPE.dat");
    EXPECT_EQ(IndexFileName(t.def, Index(0, "X", 0x11)), "KWRECIPE.i00");
    EXPECT_EQ(IndexFileName(t.def, Index(3, "X", 0x11)), "KWRECIPE.i03");
    EXPECT_EQ(IndexFileName(t.def, Index(99, "X", 0x11)), "KWRECIPE.i99");
    EXPECT_EQ(IndexFileName(t.def, Index(200, "X", 0x11)), "KWRECIPE.i200");
}

TEST_F(TableFilesTest, OpenCreatesTheFilesNamedByTheDefinitionNumbers) {
    AddIndexes();
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    EXPECT_TRUE(Slot().IsOpen());
    EXPECT_EQ(Engine().databases[db_].openTableCount, 1);
    EXPECT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);  // already open
    EXPECT_EQ(Engine().databases[db_].openTableCount, 1);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Engine().databases[db_].openTableCount, 0);

    const std::vector<uint8_t> store = ReadWholeFile(DbPath("KWRECIPE.dat"));
    EXPECT_EQ(Int32At(store, 0), kStoreMagic);
    EXPECT_EQ(Int32At(store, 4), kStoreHeaderSize);  // end
    EXPECT_EQ(Int32At(store, 8), -1);                // no free list
    EXPECT_EQ(Int32At(store, 16), -1);               // no first record
    for (const char *name : {"KWRECIPE.i03", "KWRECIPE.i00"}) {
        const std::vector<uint8_t> index = ReadWholeFile(DbPath(name));
        EXPECT_EQ(Int32At(index, 0), kBtreeMagic) << name;
        EXPECT_EQ(Int32At(index, 4), kBtreePageSize) << name;
        EXPECT_EQ(Int32At(index, 16), kBtreePageSize) << name;  // root
    }
    // Index number 0 is the first one added: the definition numbered 3.
    EXPECT_EQ(IndexFileName(*Slot().definition, *Slot().indexes[0].definition), "KWRECIPE.i03");
    EXPECT_EQ(IndexFileName(*Slot().definition, *Slot().indexes[1].definition), "KWRECIPE.i00");
}

TEST_F(TableFilesTest, IndexNumberZeroIsTheFileEndingIn03) {
    AddIndexes();
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    // Fill index number 0 until its file must grow past the first leaf; only .i03 grows.
    const uint8_t key[48] = {'K'};
    for (int32_t i = 0; i < 40; ++i) {
        uint8_t k[48];
        std::copy(std::begin(key), std::end(key), k);
        k[1] = static_cast<uint8_t>('A' + i % 26);
        k[2] = static_cast<uint8_t>('A' + i / 26);
        ASSERT_EQ(Slot().indexes[0].tree->Insert(k, 48, 32 + i), 0);
    }
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_GT(ReadFile(DbPath("KWRECIPE.i03")).size(), 2u * kBtreePageSize);
    EXPECT_EQ(ReadFile(DbPath("KWRECIPE.i00")).size(), 2u * kBtreePageSize);
}

TEST_F(TableFilesTest, AnotherProcessCannotOpenTheFilesOfAnOpenTable) {
    AddIndexes();
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    EXPECT_FALSE(OtherProcessCanOpen(DbPath("KWRECIPE.dat")));
    EXPECT_FALSE(OtherProcessCanOpen(DbPath("KWRECIPE.i03")));
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_TRUE(OtherProcessCanOpen(DbPath("KWRECIPE.dat")));
    EXPECT_TRUE(OtherProcessCanOpen(DbPath("KWRECIPE.i03")));
}

TEST_F(TableFilesTest, ClosingTheDatabaseClosesItsTables) {
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBClose(db_), KW_OK);
    EXPECT_TRUE(OtherProcessCanOpen(DbPath("KWRECIPE.dat")));
    EXPECT_EQ(Engine().useCount, 0);
}

TEST_F(TableFilesTest, AFailedCloseIsReportedAndStillReleasesEveryFile) {
    AddIndexes();
    auto faults = InstallFaultyFiles();
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    faults->failWrites = true;
    const KWRESULT closed = KW_DBCloseTable(db_, tbl_);
    platform::SetOpenHookForTesting(nullptr);

    EXPECT_EQ(closed, KWERR_EXTENDED);
    EXPECT_TRUE(KW_DBGetExtendedError() == STERR_WRITE || KW_DBGetExtendedError() == STERR_FLUSH)
        << KW_DBGetExtendedError();
    EXPECT_FALSE(Slot().IsOpen());
    EXPECT_EQ(Engine().databases[db_].openTableCount, 0);
    for (const char *name : {"KWRECIPE.dat", "KWRECIPE.i03", "KWRECIPE.i00"})
        EXPECT_TRUE(OtherProcessCanOpen(DbPath(name))) << name;
    EXPECT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
}

TEST_F(TableFilesTest, AFileThatCannotBeOpenedGives517) {
    AddIndexes();
    ASSERT_TRUE(platform::MakeDirectory(DbPath("KWRECIPE.i00")));  // the second index file
    EXPECT_EQ(KW_DBOpenTable(db_, tbl_), KWERR_FILEOPEN);
    // Files opened so far stay open and the table counts as open; close handles it normally.
    EXPECT_TRUE(Slot().IsOpen());
    int32_t inst = -1;
    EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &inst), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Engine().databases[db_].openTableCount, 0);
    EXPECT_TRUE(OtherProcessCanOpen(DbPath("KWRECIPE.i03")));
}

TEST_F(TableFilesTest, TableNameWithASlashCannotReachOutsideTheDirectory) {
    TableDefinition escape("../KWX", {Field("A", 'C', 1)});
    int32_t tbl = -1;
    ASSERT_EQ(KW_DBAddTable(db_, &escape.def, &tbl), KW_OK);
    EXPECT_EQ(KW_DBOpenTable(db_, tbl), KWERR_FILEOPEN);
    EXPECT_FALSE(platform::FileExists(Path("KWX.dat")));
    WriteFile("KWX.dat", "not the engine's");
    EXPECT_EQ(KW_DBDropTable(db_, tbl), KW_NOTFOUND);
    EXPECT_TRUE(platform::FileExists(Path("KWX.dat")));
}

TEST_F(TableFilesTest, InstancesNeedAnOpenTableAndCloseWithIt) {
    AddIndexes();
    int32_t inst = -1;
    EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &inst), KWERR_NOTOPEN);
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    int32_t a = -1, b = -1, c = -1, count = -1;
    ASSERT_EQ(KW_DBOpenTableInst(db_, tbl_, &a), KW_OK);
    ASSERT_EQ(KW_DBOpenTableInst(db_, tbl_, &b), KW_OK);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    const Instance &first = Slot().instances[0];
    EXPECT_EQ(first.record.size(), 48u + 20 + 4 + 1);
    EXPECT_EQ(first.current, -1);
    EXPECT_EQ(first.keys.size(), 2u);
    EXPECT_EQ(first.keys[1].index, 1);

    ASSERT_EQ(KW_DBCloseTableInst(db_, tbl_, a), KW_OK);
    EXPECT_EQ(KW_DBCloseTableInst(db_, tbl_, a), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBCloseTableInst(db_, tbl_, 7), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBCloseTableInst(db_, tbl_ + 1, b), KWERR_BADHANDLE);
    ASSERT_EQ(KW_DBGetInstCount(db_, tbl_, &count), KW_OK);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(KW_DBOpenTableInst(db_, tbl_, &c), KW_OK);
    EXPECT_EQ(c, 0);  // the closed entry is reused

    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBGetInstCount(db_, tbl_, &count), KW_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(KW_DBCloseTableInst(db_, tbl_, c), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBGetInstCount(db_ + 1, tbl_, &count), KWERR_BADHANDLE);
}

TEST_F(TableFilesTest, AnIndexAddedToAnOpenTableBlocksNewInstances) {
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    int32_t idx = -1, inst = -1;
    ASSERT_EQ(KW_DBAddIndex(db_, tbl_, &byName_, &idx), KW_OK);
    EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &inst), KWERR_NOTOPEN);
    EXPECT_FALSE(Slot().instances[0].IsOpen());
    // Closing and opening again opens the new index's file too.
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &inst), KW_OK);
}

TEST_F(TableFilesTest, ClearEmptiesTheTableAndDropsCurrentRecords) {
    AddIndexes();
    EXPECT_EQ(KW_DBClearTable(db_, tbl_), KWERR_NOTOPEN);
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    int32_t inst = -1;
    ASSERT_EQ(KW_DBOpenTableInst(db_, tbl_, &inst), KW_OK);
    uint8_t key[48] = {'X'};
    ASSERT_EQ(Slot().indexes[0].tree->Insert(key, 48, 32), 0);
    Slot().instances[inst].current = 32;
    Slot().cachedCount = 5;

    ASSERT_EQ(KW_DBClearTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Slot().instances[inst].current, -1);
    EXPECT_EQ(Slot().cachedCount, 0);
    int32_t ref = 0;
    EXPECT_EQ(Slot().indexes[0].tree->Find(key, 48, &ref), 1);
    EXPECT_EQ(Slot().store->Header().first, -1);
    EXPECT_EQ(Slot().store->Header().end, kStoreHeaderSize);
    EXPECT_EQ(KW_DBClearTable(db_, tbl_ + 1), KWERR_BADHANDLE);
}

TEST_F(TableFilesTest, DropRefusesAnOpenTableAndFreesTheSlot) {
    AddIndexes();
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBDropTable(db_, tbl_), KWERR_INUSE);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    ASSERT_TRUE(platform::FileExists(DbPath("KWRECIPE.i03")));

    ASSERT_EQ(KW_DBDropTable(db_, tbl_), KW_OK);
    for (const char *name : {"KWRECIPE.dat", "KWRECIPE.i03", "KWRECIPE.i00"})
        EXPECT_FALSE(platform::FileExists(DbPath(name))) << name;
    EXPECT_EQ(KW_DBOpenTable(db_, tbl_), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBDropTable(db_, tbl_), KWERR_BADHANDLE);
    TableDefinition next("KWNEXT", {Field("A", 'C', 1)});
    int32_t tbl = -1;
    ASSERT_EQ(KW_DBAddTable(db_, &next.def, &tbl), KW_OK);
    EXPECT_EQ(tbl, tbl_);  // the dropped slot is taken again
    EXPECT_TRUE(Slot().indexes.empty());
}

// A journal left by a killed process goes with its table, so it can never reach a new table of
// the same name.
TEST_F(TableFilesTest, DropDeletesALeftoverStoreJournal) {
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    WriteFile("FILES/KWRECIPE.jnl", "KJNL");
    ASSERT_EQ(KW_DBDropTable(db_, tbl_), KW_OK);
    EXPECT_FALSE(platform::FileExists(DbPath("KWRECIPE.jnl")));
    EXPECT_FALSE(platform::FileExists(DbPath("KWRECIPE.dat")));
}

TEST_F(TableFilesTest, DroppingATableWhoseFilesWereNeverCreatedSucceeds) {
    AddIndexes();
    EXPECT_EQ(KW_DBDropTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Slot().definition, nullptr);
}

TEST_F(TableFilesTest, AFileThatCannotBeDeletedMakesDropReturn1) {
    AddIndexes();
    ASSERT_TRUE(platform::MakeDirectory(DbPath("KWRECIPE.i00")));
    WriteFile("FILES/KWRECIPE.i00/keep", "x");
    EXPECT_EQ(KW_DBDropTable(db_, tbl_), KW_NOTFOUND);
    // The slot stays defined with its indexes, so the table can still be used or dropped later.
    EXPECT_EQ(Slot().definition, &recipe_.def);
    EXPECT_EQ(Slot().indexes.size(), 2u);
    EXPECT_FALSE(Slot().indexes[1].layout->parts.empty());
}

}  // namespace
}  // namespace kw::engine::testing
