// CKWDatabase and CKWTable: open and create with their undo, table and index lookup, drop,
// close, and the wait cursor around long calls.
#include "database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "index.h"
#include "table.h"
#include "test_database.h"
#include "wait_cursor.h"

namespace kw {
namespace {

using testing::DataTest;
using testing::kTestDatabase;
using testing::testTables;

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DatabaseTest : public DataTest {
  protected:
    KWRESULT CreateTestDatabase(CKWDatabase &db, KW_TableDef *tables, int32_t count = 2) {
        return db.Create(kTestDatabase, PathOf("DB"), "v1", 2, count, tables);
    }
    bool Registered() const {
        return ReadAll(PathOf("KWDATA.INI")).find(kTestDatabase) != std::string::npos;
    }
};

TEST_F(DatabaseTest, CreateOpensEveryTableAndNamesIndexesByDefinitionNumber) {
    CKWDatabase db;
    ASSERT_EQ(CreateTestDatabase(db, testTables), KW_OK);
    ASSERT_TRUE(db.IsOpen());
    EXPECT_EQ(db.Name(), kTestDatabase);
    ASSERT_EQ(db.Tables().size(), 2u);

    CKWTable *table = db.FindTable("KWTEST");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Number(), 0);
    EXPECT_EQ(db.FindTable("KWOTHER")->Number(), 1);
    EXPECT_EQ(db.FindTable("kwtest"), nullptr);  // names compare exactly
    EXPECT_EQ(db.FindTable("KWTES"), nullptr);

    // Definition number 2 is the table's second index: engine index 1.
    ASSERT_NE(table->FindIndex(2), nullptr);
    EXPECT_EQ(table->FindIndex(2)->EngineNumber(), 1);
    EXPECT_EQ(table->FindIndex(0)->EngineNumber(), 0);
    EXPECT_EQ(table->FindIndex(1), nullptr);

    for (const char *file :
         {"KWTEST.dat", "KWTEST.i00", "KWTEST.i02", "KWOTHER.dat", "KWOTHER.i00"})
        EXPECT_TRUE(Exists("DB/" + std::string(file))) << file;
    EXPECT_FALSE(Exists("DB/KWTEST.i01"));

    char misc[2] = {};
    EXPECT_EQ(db.GetMiscData(misc, 2), KW_OK);
    EXPECT_EQ(std::string(misc, 2), "v1");
    EXPECT_EQ(db.GetParam(0, 0), KWERR_UNSUPPORTED);

    EXPECT_EQ(db.Close(), KW_OK);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.Handle(), CKWDatabase::kNoHandle);
    EXPECT_TRUE(db.Tables().empty());

    // The files and registration stay for the next open.
    ASSERT_EQ(db.Open(kTestDatabase, 2, testTables), KW_OK);
    EXPECT_EQ(db.Tables().size(), 2u);
}

TEST_F(DatabaseTest, OpenOfAnUnregisteredNameFailsAndLeavesTheObjectClosed) {
    CKWDatabase db;
    EXPECT_EQ(db.Open("NOSUCHDB", 2, testTables), KWERR_NOLOCATION);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Tables().empty());
}

TEST_F(DatabaseTest, OpenOrCreateOnAnOpenObjectIsRefused) {
    CKWDatabase db;
    ASSERT_EQ(CreateTestDatabase(db, testTables), KW_OK);
    const uint16_t handle = db.Handle();
    EXPECT_EQ(db.Open(kTestDatabase, 2, testTables), KWERR_INUSE);
    EXPECT_EQ(db.Create("OTHERDB", PathOf("OTHER"), nullptr, 0, 2, testTables), KWERR_INUSE);
    EXPECT_EQ(db.Handle(), handle);
    EXPECT_EQ(db.Tables().size(), 2u);
    EXPECT_FALSE(Exists("OTHER"));
}

TEST_F(DatabaseTest, CreateUndoesTheDatabaseWhenATableIsRefused) {
    KW_FieldDef badFields[] = {{"NAME", 'X', 10, 0}};
    KW_TableDef tables[] = {testTables[0], {"KWBAD", 1, badFields, 0, nullptr}};
    CKWDatabase db;
    EXPECT_EQ(CreateTestDatabase(db, tables), CKWDatabase::kTableNotAdded);
    EXPECT_EQ(db.SetupError(), KWERR_FIELDTYPE);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Tables().empty());
    EXPECT_FALSE(Exists("DB"));
    EXPECT_FALSE(Registered());

    // Nothing is left in the way of a good create.
    EXPECT_EQ(CreateTestDatabase(db, testTables), KW_OK);
}

TEST_F(DatabaseTest, CreateUndoesTheDatabaseWhenAnIndexIsRefused) {
    KW_IndexDef badIndexes[] = {{0, "NAME", KW_KEY_UNIQUE | KW_KEY_CHAR},
                                {1, "NOFIELD", KW_KEY_CHAR}};
    KW_TableDef tables[] = {{"KWTEST", 7, testing::testFields, 2, badIndexes}};
    CKWDatabase db;
    EXPECT_EQ(CreateTestDatabase(db, tables, 1), CKWDatabase::kIndexNotAdded);
    EXPECT_EQ(db.SetupError(), KWERR_NOFIELD);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(Exists("DB"));
    EXPECT_FALSE(Registered());
}

TEST_F(DatabaseTest, CreateNeverRemovesADirectoryItDidNotMake) {
    ASSERT_TRUE(std::filesystem::create_directory(PathOf("DB")));
    std::ofstream(PathOf("DB/keep.txt")) << "mine";
    CKWDatabase db;
    EXPECT_EQ(CreateTestDatabase(db, testTables), KWERR_NOLOCATION);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(ReadAll(PathOf("DB/keep.txt")), "mine");
    EXPECT_FALSE(Registered());
}

TEST_F(DatabaseTest, OpenClosesAgainWhenATableIsRefused) {
    {
        CKWDatabase db;
        ASSERT_EQ(CreateTestDatabase(db, testTables), KW_OK);
    }
    KW_FieldDef badFields[] = {{"NAME", 'C', 5000, 0}};
    KW_TableDef tables[] = {testTables[0], {"KWBAD", 1, badFields, 0, nullptr}};
    CKWDatabase db;
    EXPECT_EQ(db.Open(kTestDatabase, 2, tables), CKWDatabase::kTableNotAdded);
    EXPECT_EQ(db.SetupError(), KWERR_FIELDWIDTH);
    EXPECT_FALSE(db.IsOpen());
    // The failed open left the engine with no user: both of its slots are free again.
    CKWDatabase a, b;
    EXPECT_EQ(a.Open(kTestDatabase, 2, testTables), KW_OK);
    EXPECT_EQ(b.Open(kTestDatabase, 0, testTables), KW_OK);
    // The database itself survives a failed open.
    EXPECT_TRUE(Exists("DB/KWTEST.dat"));
}

TEST_F(DatabaseTest, TablesAddedLaterCanBeDroppedWithTheirFiles) {
    CKWDatabase db;
    ASSERT_EQ(CreateTestDatabase(db, testTables, 1), KW_OK);
    CKWTable *other = db.AddTableWithIndexes(&testTables[1]);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(other->Indexes().size(), 1u);
    ASSERT_EQ(other->Open(), KW_OK);
    EXPECT_TRUE(Exists("DB/KWOTHER.i00"));
    EXPECT_EQ(db.FindTable("KWOTHER"), other);

    EXPECT_EQ(db.DropTable(other), KW_OK);
    EXPECT_EQ(db.FindTable("KWOTHER"), nullptr);
    EXPECT_FALSE(Exists("DB/KWOTHER.dat"));
    EXPECT_FALSE(Exists("DB/KWOTHER.i00"));
    EXPECT_EQ(db.Tables().size(), 1u);

    CKWTable stranger(&db);
    EXPECT_EQ(db.DropTable(&stranger), KWERR_BADHANDLE);
}

TEST_F(DatabaseTest, RefusedTablesAndIndexesGiveNoObject) {
    CKWDatabase db;
    ASSERT_EQ(CreateTestDatabase(db, testTables, 1), KW_OK);
    KW_FieldDef twoSerials[] = {{"A", 'U', 4, 0}, {"B", 'U', 4, 0}};
    KW_TableDef bad = {"KWBAD", 2, twoSerials, 0, nullptr};
    EXPECT_EQ(db.AddTable(&bad), nullptr);
    EXPECT_EQ(db.SetupError(), KWERR_TWOSERIALS);
    EXPECT_EQ(db.Tables().size(), 1u);

    KW_IndexDef badIndex = {5, "NAME(40,20)", KW_KEY_CHAR};
    KWRESULT r = KW_OK;
    EXPECT_EQ(db.Tables()[0]->AddIndex(&badIndex, &r), nullptr);
    EXPECT_EQ(r, KWERR_KEYPART);
    EXPECT_EQ(db.Tables()[0]->FindIndex(5), nullptr);

    // A table that was never added takes no index.
    CKWTable loose(&db);
    EXPECT_EQ(loose.AddIndex(&testing::testIndexes[0], &r), nullptr);
    EXPECT_EQ(r, KWERR_BADHANDLE);
}

TEST_F(DatabaseTest, WaitCursorShowsOnceAroundACreateAndItsOpen) {
    std::vector<bool> calls;
    SetWaitCursorHook([&](bool busy) { calls.push_back(busy); });
    CKWDatabase db;
    EXPECT_EQ(CreateTestDatabase(db, testTables), KW_OK);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    calls.clear();
    EXPECT_EQ(db.FlushAll(), KW_OK);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    SetWaitCursorHook(nullptr);
    calls.clear();
    EXPECT_EQ(db.FlushAll(), KW_OK);
    EXPECT_TRUE(calls.empty());
}

TEST_F(DatabaseTest, DestroyRemovesAClosedDatabase) {
    {
        CKWDatabase db;
        ASSERT_EQ(CreateTestDatabase(db, testTables), KW_OK);
        EXPECT_EQ(db.Destroy(kTestDatabase), KWERR_INUSE);
    }
    CKWDatabase db;
    EXPECT_EQ(db.Destroy(kTestDatabase), KW_OK);
    EXPECT_FALSE(Exists("DB"));
    EXPECT_FALSE(Registered());
}

}  // namespace
}  // namespace kw
