// Table definition validation: every code of KW_DBAddTable, forced widths written back, the record
// layout, and which slot a table gets.
#include "table_def.h"

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace kw::engine::testing {
namespace {

class TableDefTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        db_ = CreateAndOpen("DEFS");
    }
    KWRESULT Add(TableDefinition &t, int32_t *tbl = nullptr) {
        int32_t unused = -1;
        return KW_DBAddTable(db_, &t.def, tbl ? tbl : &unused);
    }
    TableSlot &Slot(int32_t tbl) { return Engine().databases[db_].tables[tbl]; }
    uint16_t db_ = 0;
};

TEST_F(TableDefTest, CharacterWidthsFrom1To4096) {
    TableDefinition widest("KWWIDE", {Field("TEXT", 'C', 4096)});
    EXPECT_EQ(Add(widest), KW_OK);
    TableDefinition tooWide("KWBAD", {Field("TEXT", 'C', 4097)});
    EXPECT_EQ(Add(tooWide), KWERR_FIELDWIDTH);
    TableDefinition empty("KWBAD", {Field("TEXT", 'C', 0)});
    EXPECT_EQ(Add(empty), KWERR_FIELDWIDTH);
}

TEST_F(TableDefTest, NumericWidthsAreASet) {
    for (int32_t w : {2, 4}) {
        TableDefinition t("KWINT", {Field("N", 'I', w)});
        EXPECT_EQ(Add(t), KW_OK) << w;
    }
    for (int32_t w : {1, 3, 8}) {
        TableDefinition t("KWINT", {Field("N", 'I', w)});
        EXPECT_EQ(Add(t), KWERR_FIELDWIDTH) << w;
    }
    for (int32_t w : {4, 8}) {
        TableDefinition t("KWFLT", {Field("F", 'F', w)});
        EXPECT_EQ(Add(t), KW_OK) << w;
    }
    TableDefinition badFloat("KWFLT", {Field("F", 'F', 5)});
    EXPECT_EQ(Add(badFloat), KWERR_FIELDWIDTH);
}

TEST_F(TableDefTest, FixedWidthsAreForcedIntoTheCallersDescriptors) {
    TableDefinition t("KWFIX", {Field("DATE", 'D', 3), Field("FLAG", 'L', 9), Field("MEMO", 'M', 0),
                                Field("SERIAL", 'U', 99), Field("NAME", 'C', 5)});
    int32_t tbl = -1;
    ASSERT_EQ(Add(t, &tbl), KW_OK);
    EXPECT_EQ(t.fields[0].width, 8);
    EXPECT_EQ(t.fields[1].width, 1);
    EXPECT_EQ(t.fields[2].width, 10);
    EXPECT_EQ(t.fields[3].width, 4);
    const TableSlot &slot = Slot(tbl);
    EXPECT_EQ(slot.recordLength, 8 + 1 + 10 + 4 + 5 + 1);
    EXPECT_EQ(slot.fieldOffsets, (std::vector<int32_t>{0, 8, 9, 19, 23}));
    EXPECT_TRUE(slot.hasSerial);
    EXPECT_EQ(slot.serialOffset, 19);
    EXPECT_EQ(slot.StoreSerialOffset(), 19);
    EXPECT_EQ(slot.cachedCount, -1);
    EXPECT_FALSE(slot.IsOpen());
}

TEST_F(TableDefTest, SerialAtOffsetZeroIsStillASerial) {
    TableDefinition t("KWSER", {Field("ID", 'U', 4), Field("NAME", 'C', 3)});
    int32_t tbl = -1;
    ASSERT_EQ(Add(t, &tbl), KW_OK);
    EXPECT_TRUE(Slot(tbl).hasSerial);
    EXPECT_EQ(Slot(tbl).StoreSerialOffset(), 0);
    TableDefinition none("KWNONE", {Field("NAME", 'C', 3)});
    ASSERT_EQ(Add(none, &tbl), KW_OK);
    EXPECT_FALSE(Slot(tbl).hasSerial);
    EXPECT_EQ(Slot(tbl).StoreSerialOffset(), -1);
    EXPECT_EQ(Slot(tbl).recordLength, 4);
}

TEST_F(TableDefTest, FieldNames) {
    TableDefinition longest("KWN", {Field("ABCDEFGHIJ", 'C', 1)});
    EXPECT_EQ(Add(longest), KW_OK);
    TableDefinition eleven("KWN", {Field("ABCDEFGHIJK", 'C', 1)});  // fills all 11 bytes
    EXPECT_EQ(Add(eleven), KWERR_FIELDNAME);
    TableDefinition digit("KWN", {Field("NAME2", 'C', 1)});
    EXPECT_EQ(Add(digit), KWERR_FIELDNAME);
    TableDefinition lower("KWN", {Field("Name", 'C', 1)});
    EXPECT_EQ(Add(lower), KWERR_FIELDNAME);
    TableDefinition underscore("KWN", {Field("_A_", 'C', 1)});
    EXPECT_EQ(Add(underscore), KW_OK);
    TableDefinition unnamed("KWN", {Field("", 'C', 1)});
    EXPECT_EQ(Add(unnamed), KW_OK);
}

TEST_F(TableDefTest, TypesAndSerials) {
    TableDefinition twoSerials("KWT", {Field("A", 'U', 4), Field("B", 'U', 4)});
    EXPECT_EQ(Add(twoSerials), KWERR_TWOSERIALS);
    TableDefinition unknown("KWT", {Field("A", 'X', 4)});
    EXPECT_EQ(Add(unknown), KWERR_FIELDTYPE);
    TableDefinition lowerType("KWT", {Field("A", 'c', 4)});
    EXPECT_EQ(Add(lowerType), KWERR_FIELDTYPE);
}

TEST_F(TableDefTest, AFailureLeavesNoSlotButKeepsWidthsForcedSoFar) {
    TableDefinition t("KWT", {Field("A", 'D', 1), Field("B", 'C', 0), Field("C", 'L', 5)});
    int32_t tbl = 99;
    EXPECT_EQ(Add(t, &tbl), KWERR_FIELDWIDTH);
    EXPECT_EQ(tbl, 99);
    EXPECT_EQ(t.fields[0].width, 8);  // forced before the failing field
    EXPECT_EQ(t.fields[2].width, 5);  // never reached
    EXPECT_TRUE(Engine().databases[db_].tables.empty());
    TableDefinition good("KWGOOD", {Field("A", 'C', 1)});
    EXPECT_EQ(Add(good, &tbl), KW_OK);
    EXPECT_EQ(tbl, 0);
}

TEST_F(TableDefTest, TablesAreNumberedInOrderAndNeedALiveDatabase) {
    TableDefinition a("KWA", {Field("A", 'C', 1)});
    TableDefinition b("KWB", {Field("B", 'C', 1)});
    int32_t tbl = -1;
    ASSERT_EQ(Add(a, &tbl), KW_OK);
    EXPECT_EQ(tbl, 0);
    ASSERT_EQ(Add(b, &tbl), KW_OK);
    EXPECT_EQ(tbl, 1);
    EXPECT_EQ(KW_DBAddTable(db_ + 1, &a.def, &tbl), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBAddTable(db_, nullptr, &tbl), KWERR_BADHANDLE);
    EXPECT_EQ(Slot(0).definition, &a.def);  // the engine keeps the caller's definition
}

}  // namespace
}  // namespace kw::engine::testing
