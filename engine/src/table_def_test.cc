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
    // Adds a table of these fields; its definition stays alive (the engine keeps a pointer).
    KWRESULT Add(std::vector<KW_FieldDef> fields, int32_t *tbl = nullptr) {
        defs_.push_back(std::make_unique<TableDefinition>("KWTEST", std::move(fields)));
        int32_t unused = -1;
        return KW_DBAddTable(db_, &defs_.back()->def, tbl ? tbl : &unused);
    }
    std::vector<KW_FieldDef> &LastFields() { return defs_.back()->fields; }
    TableSlot &Slot(int32_t tbl) { return Engine().databases[db_].tables[tbl]; }

    std::vector<std::unique_ptr<TableDefinition>> defs_;
    uint16_t db_ = 0;
};

TEST_F(TableDefTest, WidthRulesOfEachType) {
    const struct {
        char type;
        int32_t width;
        KWRESULT result;
    } rows[] = {
        {'C', 1, KW_OK},
        {'C', 4096, KW_OK},
        {'C', 4097, KWERR_FIELDWIDTH},
        {'C', 0, KWERR_FIELDWIDTH},
        {'I', 2, KW_OK},
        {'I', 4, KW_OK},
        {'I', 1, KWERR_FIELDWIDTH},
        {'I', 3, KWERR_FIELDWIDTH},
        {'I', 8, KWERR_FIELDWIDTH},
        {'F', 4, KW_OK},
        {'F', 8, KW_OK},
        {'F', 5, KWERR_FIELDWIDTH},
        {'X', 4, KWERR_FIELDTYPE},
        {'c', 4, KWERR_FIELDTYPE},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Add({Field("N", row.type, row.width)}), row.result)
            << row.type << " " << row.width;
}

TEST_F(TableDefTest, FixedWidthsAreForcedIntoTheCallersDescriptors) {
    int32_t tbl = -1;
    ASSERT_EQ(Add({Field("DATE", 'D', 3), Field("FLAG", 'L', 9), Field("MEMO", 'M', 0),
                   Field("SERIAL", 'U', 99), Field("NAME", 'C', 5)},
                  &tbl),
              KW_OK);
    const std::vector<KW_FieldDef> &f = LastFields();
    EXPECT_EQ(f[0].width, 8);
    EXPECT_EQ(f[1].width, 1);
    EXPECT_EQ(f[2].width, 10);
    EXPECT_EQ(f[3].width, 4);
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
    int32_t tbl = -1;
    ASSERT_EQ(Add({Field("ID", 'U', 4), Field("NAME", 'C', 3)}, &tbl), KW_OK);
    EXPECT_TRUE(Slot(tbl).hasSerial);
    EXPECT_EQ(Slot(tbl).StoreSerialOffset(), 0);
    ASSERT_EQ(Add({Field("NAME", 'C', 3)}, &tbl), KW_OK);
    EXPECT_FALSE(Slot(tbl).hasSerial);
    EXPECT_EQ(Slot(tbl).StoreSerialOffset(), -1);
    EXPECT_EQ(Slot(tbl).recordLength, 4);
}

TEST_F(TableDefTest, FieldNames) {
    EXPECT_EQ(Add({Field("ABCDEFGHIJ", 'C', 1)}), KW_OK);
    EXPECT_EQ(Add({Field("ABCDEFGHIJK", 'C', 1)}), KWERR_FIELDNAME);  // fills all 11 bytes
    EXPECT_EQ(Add({Field("NAME2", 'C', 1)}), KWERR_FIELDNAME);
    EXPECT_EQ(Add({Field("Name", 'C', 1)}), KWERR_FIELDNAME);
    EXPECT_EQ(Add({Field("_A_", 'C', 1)}), KW_OK);
    EXPECT_EQ(Add({Field("", 'C', 1)}), KW_OK);
}

TEST_F(TableDefTest, AtMostOneSerial) {
    EXPECT_EQ(Add({Field("A", 'U', 4), Field("B", 'U', 4)}), KWERR_TWOSERIALS);
}

TEST_F(TableDefTest, AFailureLeavesNoSlotButKeepsWidthsForcedSoFar) {
    int32_t tbl = 99;
    EXPECT_EQ(Add({Field("A", 'D', 1), Field("B", 'C', 0), Field("C", 'L', 5)}, &tbl),
              KWERR_FIELDWIDTH);
    EXPECT_EQ(tbl, 99);
    EXPECT_EQ(LastFields()[0].width, 8);  // forced before the failing field
    EXPECT_EQ(LastFields()[2].width, 5);  // never reached
    EXPECT_TRUE(Engine().databases[db_].tables.empty());
    EXPECT_EQ(Add({Field("A", 'C', 1)}, &tbl), KW_OK);
    EXPECT_EQ(tbl, 0);
}

TEST_F(TableDefTest, TablesAreNumberedInOrderAndNeedALiveDatabase) {
    int32_t tbl = -1;
    ASSERT_EQ(Add({Field("A", 'C', 1)}, &tbl), KW_OK);
    EXPECT_EQ(tbl, 0);
    KW_TableDef *first = &defs_.back()->def;
    ASSERT_EQ(Add({Field("B", 'C', 1)}, &tbl), KW_OK);
    EXPECT_EQ(tbl, 1);
    EXPECT_EQ(KW_DBAddTable(db_ + 1, first, &tbl), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBAddTable(db_, nullptr, &tbl), KWERR_BADHANDLE);
    EXPECT_EQ(Slot(0).definition, first);  // the engine keeps the caller's definition
}

}  // namespace
}  // namespace kw::engine::testing
