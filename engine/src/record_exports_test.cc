// The record exports without index work: fields, references, clearing, the count and the flush,
// and what the cache settings mean to a caller (no buffers: no table opens; write-through: every
// change in the file when the export returns).
#include <gtest/gtest.h>

#include "record_test_support.h"
#include "store_test_support.h"

namespace kw::engine::testing {
namespace {

using RecordExportsTest = RecordTest;

TEST_F(RecordExportsTest, FieldsAreCopiedAtTheirFullWidthByExactName) {
    ASSERT_EQ(KW_DBClearRecord(db_, tbl_, inst_), KW_OK);
    // The caller's memory is copied for the whole width: bytes after the text included.
    const char text[kNameWidth] = {'S', 'o', 'u', 'p', 0, 'x', 'y'};
    ASSERT_EQ(KW_DBPutField(db_, tbl_, inst_, "NAME", text), KW_OK);
    char out[kNameWidth + 4];
    std::memset(out, '#', sizeof out);
    ASSERT_EQ(KW_DBGetField(db_, tbl_, inst_, "NAME", out), KW_OK);
    EXPECT_EQ(std::memcmp(out, text, kNameWidth), 0);
    EXPECT_EQ(out[kNameWidth], '#');  // exactly the width, no terminator

    EXPECT_EQ(KW_DBGetField(db_, tbl_, inst_, "name", out), KWERR_NOFIELD);
    EXPECT_EQ(KW_DBPutField(db_, tbl_, inst_, "NOSUCH", text), KWERR_NOFIELD);
    EXPECT_EQ(KW_DBGetField(db_, tbl_, inst_, nullptr, out), KWERR_NOFIELD);
    EXPECT_EQ(KW_DBGetField(db_, tbl_, inst_, "NAME", nullptr), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBGetField(db_, tbl_, inst_ + 1, "NAME", out), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBGetField(db_, tbl_ + 1, inst_, "NAME", out), KWERR_BADHANDLE);

    char type = '?';
    int32_t width = -1;
    ASSERT_EQ(KW_DBGetFieldType(db_, tbl_, "MINUTES", &type, &width), KW_OK);
    EXPECT_EQ(type, 'I');
    EXPECT_EQ(width, 4);
    ASSERT_EQ(KW_DBGetFieldType(db_, tbl_, "ID", &type, &width), KW_OK);
    EXPECT_EQ(type, 'U');
    EXPECT_EQ(KW_DBGetFieldType(db_, tbl_, "MINUTE", &type, &width), KWERR_NOFIELD);
    EXPECT_EQ(type, 'U');  // outputs are written only for an existing field
}

TEST_F(RecordExportsTest, ClearRecordZeroesTheWholeBufferAndDropsTheCurrentRecord) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts", 7), KW_OK);
    ASSERT_EQ(CurrentRef(), 32);
    ASSERT_EQ(KW_DBClearRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(CurrentRef(), -1);
    const Instance &instance = Slot().instances[static_cast<size_t>(inst_)];
    ASSERT_EQ(instance.record.size(), static_cast<size_t>(kRecordLength));
    for (uint8_t byte : instance.record)
        EXPECT_EQ(byte, 0);
}

TEST_F(RecordExportsTest, RecordByReferenceReadsWithoutMovingKeysOrCursors) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    ASSERT_EQ(Insert("Beef Stew", "Mains"), KW_OK);
    ASSERT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);  // Apple Pie
    ASSERT_EQ(KW_DBGetRecordByRef(db_, tbl_, inst_, 32 + 24 + kRecordLength), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Beef Stew");
    EXPECT_EQ(CurrentRef(), 32 + 24 + kRecordLength);
    // The cursor and the key buffers still belong to Apple Pie.
    EXPECT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Beef Stew");
    ASSERT_EQ(KW_DBGetRecordByRef(db_, tbl_, inst_, 32), KW_OK);
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, nullptr, 0, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Beef Stew");

    for (int32_t bad : {-1, 0, 33, 1 << 20}) {
        SetExtendedError(0);
        EXPECT_EQ(KW_DBGetRecordByRef(db_, tbl_, inst_, bad), KWERR_EXTENDED) << bad;
        EXPECT_EQ(KW_DBGetExtendedError(), STERR_BADBLOCK) << bad;
    }
    ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(KW_DBGetRecordByRef(db_, tbl_, inst_, 32 + 24 + kRecordLength), KWERR_EXTENDED);
}

TEST_F(RecordExportsTest, CountAndFlushNeedAnOpenTable) {
    ASSERT_EQ(Insert("Apple Pie", "Desserts"), KW_OK);
    EXPECT_EQ(Count(), 1);
    ASSERT_EQ(KW_DBFlushTable(db_, tbl_), KW_OK);
    EXPECT_EQ(KW_DBFlushTable(db_ + 1, tbl_), KWERR_BADHANDLE);
    ASSERT_EQ(KW_DBCloseTable(db_, tbl_), KW_OK);
    int32_t count = -1;
    EXPECT_EQ(KW_DBGetCount(db_, tbl_, &count), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBFlushTable(db_, tbl_), KWERR_NOTOPEN);
    ASSERT_EQ(KW_DBOpenTable(db_, tbl_), KW_OK);
    EXPECT_EQ(Count(), 1);  // unknown after the open: walked
}

TEST_F(RecordExportsTest, FlushPutsDeferredRecordBytesIntoBothFiles) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(Insert("Dish " + std::to_string(i), "Mains"), KW_OK);
    ASSERT_EQ(KW_DBFlushTable(db_, tbl_), KW_OK);
    const std::vector<uint8_t> store = ReadWholeFile(StorePath());
    for (const auto &[ref, bytes] : Chain()) {
        ASSERT_GE(store.size(), static_cast<size_t>(ref + 24 + kRecordLength));
        EXPECT_EQ(std::vector<uint8_t>(store.begin() + ref + 24,
                                       store.begin() + ref + 24 + kRecordLength),
                  bytes);
    }
    // The root leaf of the name index holds five entries.
    const std::vector<uint8_t> index = ReadWholeFile(Path("RECS/KWRECIPE.i01"));
    EXPECT_EQ(Int32At(index, 512 + 12), 5);
}

class CacheSettingsTest : public RecordTest {
  protected:
    void SetUp() override { EngineTest::SetUp(); }
};

TEST_F(CacheSettingsTest, NoStoreBuffersMakesEveryTableOpenFailWith517) {
    WriteFile("KWDATA.INI", "[Cache]\r\nStoreBuffers=0\r\n");
    db_ = CreateAndOpen("RECS");
    ASSERT_EQ(KW_DBAddTable(db_, &recipe_.def, &tbl_), KW_OK);
    EXPECT_EQ(KW_DBOpenTable(db_, tbl_), KWERR_FILEOPEN);
    TableDefinition other("KWOTHER", {Field("A", 'C', 4)});
    int32_t second = -1;
    ASSERT_EQ(KW_DBAddTable(db_, &other.def, &second), KW_OK);
    EXPECT_EQ(KW_DBOpenTable(db_, second), KWERR_FILEOPEN);
    EXPECT_EQ(KW_DBOpenTableInst(db_, tbl_, &inst_), KWERR_NOTOPEN);
}

TEST_F(CacheSettingsTest, WriteThroughPutsEveryRecordChangeInTheFileAtOnce) {
    WriteFile("KWDATA.INI", "[Cache]\r\nStoreType=1\r\n");
    OpenAll();
    // The record bytes of block ref as a second descriptor sees them now.
    auto onDisk = [&](int32_t ref) {
        const std::vector<uint8_t> file = ReadWholeFile(StorePath());
        if (file.size() < static_cast<size_t>(ref + 24 + kRecordLength)) return Row{};
        return RowOf(
            std::vector<uint8_t>(file.begin() + ref + 24, file.begin() + ref + 24 + kRecordLength));
    };
    ASSERT_EQ(Insert("Apple Pie", "Desserts", 60), KW_OK);
    EXPECT_EQ(onDisk(32), (Row{"Apple Pie", "Desserts", 60, 0}));
    Compose(inst_, "Beef Stew", "Mains", 120);
    ASSERT_EQ(KW_DBQuickAddRecord(db_, tbl_, inst_), KW_OK);
    const int32_t second = 32 + 24 + kRecordLength;
    EXPECT_EQ(onDisk(second), (Row{"Beef Stew", "Mains", 120, 1}));
    EXPECT_EQ(Int32At(ReadWholeFile(StorePath()), 32 + 16), second);  // the chain link too

    const std::string key = "apple pie";
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, key.data(), 9, 0), KW_OK);
    int32_t minutes = 75;
    ASSERT_EQ(KW_DBPutField(db_, tbl_, inst_, "MINUTES", &minutes), KW_OK);
    ASSERT_EQ(KW_DBUpdateRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(onDisk(32).minutes, 75);
    minutes = 80;
    ASSERT_EQ(KW_DBPutField(db_, tbl_, inst_, "MINUTES", &minutes), KW_OK);
    ASSERT_EQ(KW_DBQuickUpdateRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(onDisk(32).minutes, 80);
    ASSERT_EQ(KW_DBDeleteRecord(db_, tbl_, inst_), KW_OK);
    EXPECT_EQ(Int32At(ReadWholeFile(StorePath()), 32 + 12), 0);  // use count: freed
}

}  // namespace
}  // namespace kw::engine::testing
