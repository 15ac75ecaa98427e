// CKWRecord: typed field access at the edges of each field type, the record's own result codes,
// and records written and read back through the engine.
#include "record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "database.h"
#include "query.h"
#include "table.h"
#include "test_database.h"

namespace kw {
namespace {

using testing::kTestDatabase;
using testing::testTables;

class RecordTest : public testing::DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        ASSERT_EQ(db_.Create(kTestDatabase, PathOf("DB"), nullptr, 0, 2, testTables), KW_OK);
        table_ = db_.FindTable("KWTEST");
        ASSERT_EQ(record_.Open(table_), KW_OK);
        ASSERT_EQ(record_.ClearRecord(), KW_OK);
    }

    std::string RawName() {
        char bytes[48];
        EXPECT_EQ(record_.GetField("NAME", bytes), KW_OK);
        return std::string(bytes, sizeof bytes);
    }

    CKWDatabase db_;
    CKWTable *table_ = nullptr;
    CKWRecord record_;
};

TEST_F(RecordTest, FullWidthTextIsStoredWithoutTerminatorAndLongerTextLeavesTheRecord) {
    const std::string full(48, 'A');
    ASSERT_EQ(record_.PutString("NAME", full), KW_OK);
    EXPECT_EQ(RawName(), full);
    std::string text;
    ASSERT_EQ(record_.GetString("NAME", &text), KW_OK);
    EXPECT_EQ(text, full);

    EXPECT_EQ(record_.PutString("NAME", std::string(49, 'B')), CKWRecord::kTextTooLong);
    EXPECT_EQ(RawName(), full);
}

TEST_F(RecordTest, ShortTextIsZeroPaddedAndReadBackToItsEnd) {
    ASSERT_EQ(record_.PutString("NAME", std::string(48, 'X')), KW_OK);
    ASSERT_EQ(record_.PutString("NAME", "Scones"), KW_OK);
    EXPECT_EQ(RawName(), "Scones" + std::string(42, '\0'));
    std::string text = "previous text that is longer";
    ASSERT_EQ(record_.GetString("NAME", &text), KW_OK);
    EXPECT_EQ(text, "Scones");
    ASSERT_EQ(record_.PutString("NAME", ""), KW_OK);
    EXPECT_EQ(RawName(), std::string(48, '\0'));
}

TEST_F(RecordTest, LogicalFieldsHoldTOrF) {
    char flag = 0;
    ASSERT_EQ(record_.PutInt("FLAG", 0), KW_OK);
    ASSERT_EQ(record_.GetField("FLAG", &flag), KW_OK);
    EXPECT_EQ(flag, 'F');
    int32_t value = -1;
    ASSERT_EQ(record_.GetInt("FLAG", &value), KW_OK);
    EXPECT_EQ(value, 0);

    ASSERT_EQ(record_.PutInt("FLAG", -7), KW_OK);
    ASSERT_EQ(record_.GetField("FLAG", &flag), KW_OK);
    EXPECT_EQ(flag, 'T');
    ASSERT_EQ(record_.GetInt("FLAG", &value), KW_OK);
    EXPECT_EQ(value, 1);

    // Any byte other than "T" reads as false.
    ASSERT_EQ(record_.PutField("FLAG", "t"), KW_OK);
    ASSERT_EQ(record_.GetInt("FLAG", &value), KW_OK);
    EXPECT_EQ(value, 0);
}

TEST_F(RecordTest, IntegersOfBothWidthsKeepTheirSign) {
    int32_t value = 0;
    ASSERT_EQ(record_.PutInt("COUNT", -123456), KW_OK);
    ASSERT_EQ(record_.GetInt("COUNT", &value), KW_OK);
    EXPECT_EQ(value, -123456);
    ASSERT_EQ(record_.GetLong("COUNT", &value), KW_OK);
    EXPECT_EQ(value, -123456);

    // A 2-byte field takes the low two bytes.
    ASSERT_EQ(record_.PutInt("SMALL", 0x12345678), KW_OK);
    int16_t small = 0;
    ASSERT_EQ(record_.GetShort("SMALL", &small), KW_OK);
    EXPECT_EQ(small, 0x5678);
    ASSERT_EQ(record_.PutShort("SMALL", -2), KW_OK);
    ASSERT_EQ(record_.GetInt("SMALL", &value), KW_OK);
    EXPECT_EQ(value, -2);
}

TEST_F(RecordTest, FloatingPointFieldsRoundTrip) {
    ASSERT_EQ(record_.PutFloat("PRICE", 2.75f), KW_OK);
    ASSERT_EQ(record_.PutDouble("AMOUNT", -1.0 / 3.0), KW_OK);
    float price = 0;
    double amount = 0;
    ASSERT_EQ(record_.GetFloat("PRICE", &price), KW_OK);
    ASSERT_EQ(record_.GetDouble("AMOUNT", &amount), KW_OK);
    EXPECT_EQ(price, 2.75f);
    EXPECT_EQ(amount, -1.0 / 3.0);
}

TEST_F(RecordTest, TypedAccessStaysInsideFieldsOfAnotherSize) {
    // Reading a wide field into a small value takes its first bytes; writing a small value into
    // a wide field zero-pads it (the sanitizer build catches any stray byte).
    ASSERT_EQ(record_.PutString("NAME", "ABCDEFGH"), KW_OK);
    int32_t value = 0;
    ASSERT_EQ(record_.GetInt("NAME", &value), KW_OK);
    EXPECT_EQ(std::memcmp(&value, "ABCD", 4), 0);
    double wide = 0;
    ASSERT_EQ(record_.GetDouble("SMALL", &wide), KW_OK);

    ASSERT_EQ(record_.PutInt("NAME", 1), KW_OK);
    EXPECT_EQ(RawName(), "T" + std::string(47, '\0'));
    ASSERT_EQ(record_.PutDouble("NAME", 1.5), KW_OK);
    double back = 0;
    ASSERT_EQ(record_.GetDouble("NAME", &back), KW_OK);
    EXPECT_EQ(back, 1.5);
    ASSERT_EQ(record_.PutDouble("FLAG", 1.5), KW_OK);
}

TEST_F(RecordTest, UnknownFieldsAreTheEnginesError) {
    std::string text;
    int32_t value = 0;
    EXPECT_EQ(record_.GetString("NOPE", &text), KWERR_NOFIELD);
    EXPECT_EQ(record_.GetInt("NOPE", &value), KWERR_NOFIELD);
    EXPECT_EQ(record_.PutString("NOPE", "x"), KWERR_NOFIELD);
    EXPECT_EQ(record_.PutInt("NOPE", 1), KWERR_NOFIELD);
    EXPECT_EQ(record_.PutDouble("NOPE", 1), KWERR_NOFIELD);
}

TEST_F(RecordTest, AClosedRecordAnswers509) {
    CKWRecord closed;
    std::string text;
    int32_t value = 0;
    EXPECT_EQ(closed.Insert(), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.QuickAdd(), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.Delete(), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.ClearRecord(), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.GetRecordRef(&value), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.GetString("NAME", &text), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.PutInt("FLAG", 1), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.Close(), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.Open(nullptr), CKWRecord::kNotOpen);
    EXPECT_EQ(closed.OpenByName(&db_, "KWNONE"), CKWRecord::kNotOpen);
    EXPECT_FALSE(closed.IsOpen());

    EXPECT_EQ(closed.OpenByName(&db_, "KWOTHER"), KW_OK);
    EXPECT_EQ(closed.Open(table_), CKWRecord::kAlreadyOpen);
    EXPECT_EQ(closed.Table(), db_.FindTable("KWOTHER"));
    int32_t count = 0;
    ASSERT_EQ(db_.FindTable("KWOTHER")->GetInstCount(&count), KW_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(closed.Close(), KW_OK);
    ASSERT_EQ(db_.FindTable("KWOTHER")->GetInstCount(&count), KW_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(RecordTest, RecordsAreStoredAndFoundAgain) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(record_.ClearRecord(), KW_OK);
        ASSERT_EQ(record_.PutString("NAME", "Item " + std::to_string(i)), KW_OK);
        ASSERT_EQ(record_.PutInt("COUNT", 10 - i), KW_OK);
        ASSERT_EQ(record_.PutInt("FLAG", i % 2), KW_OK);
        ASSERT_EQ(record_.Insert(), KW_OK);
    }
    int32_t count = 0;
    ASSERT_EQ(table_->GetCount(&count), KW_OK);
    EXPECT_EQ(count, 3);

    // A second insert of the same name (in another letter case) is a duplicate.
    ASSERT_EQ(record_.ClearRecord(), KW_OK);
    ASSERT_EQ(record_.PutString("NAME", "ITEM 1"), KW_OK);
    EXPECT_EQ(record_.Insert(), BTERR_DUPLICATE);

    CKWQuery query;
    ASSERT_EQ(query.SetIndex(&record_, 0), KW_OK);
    ASSERT_EQ(query.GetExact("item 1", 6), KW_OK);
    int32_t value = 0;
    ASSERT_EQ(record_.GetInt("COUNT", &value), KW_OK);
    EXPECT_EQ(value, 9);
    ASSERT_EQ(record_.GetInt("UNIQUE", &value), KW_OK);
    EXPECT_EQ(value, 1);

    ASSERT_EQ(record_.PutInt("COUNT", 42), KW_OK);
    ASSERT_EQ(record_.Update(), KW_OK);
    ASSERT_EQ(query.SetIndex(&record_, 2), KW_OK);
    ASSERT_EQ(query.GetLast(), KW_OK);
    std::string name;
    ASSERT_EQ(record_.GetString("NAME", &name), KW_OK);
    EXPECT_EQ(name, "Item 1");

    ASSERT_EQ(record_.Delete(), KW_OK);
    ASSERT_EQ(table_->GetCount(&count), KW_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(RecordTest, TheWholeDatabaseGoesThroughADumpAndBack) {
    for (const char *name : {"Oats", "Rye", "Spelt"}) {
        ASSERT_EQ(record_.ClearRecord(), KW_OK);
        ASSERT_EQ(record_.PutString("NAME", name), KW_OK);
        ASSERT_EQ(record_.Insert(), KW_OK);
    }
    ASSERT_EQ(record_.Close(), KW_OK);
    ASSERT_EQ(db_.Dump(PathOf("all.sda")), KW_OK);
    const int32_t test = table_->Number();
    ASSERT_EQ(db_.SelDump(PathOf("one.sda"), 1, &test), KW_OK);

    int32_t count = -1;
    ASSERT_EQ(db_.ClearAll(), KW_OK);
    ASSERT_EQ(table_->GetCount(&count), KW_OK);
    EXPECT_EQ(count, 0);
    int32_t duplicates = -1;
    ASSERT_EQ(db_.Load(PathOf("all.sda"), false, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 0);
    ASSERT_EQ(db_.Load(PathOf("one.sda"), false, &duplicates), KW_OK);
    EXPECT_EQ(duplicates, 3);
    ASSERT_EQ(table_->GetCount(&count), KW_OK);
    EXPECT_EQ(count, 3);

    EXPECT_EQ(db_.ReindexAll(), KW_OK);
    EXPECT_EQ(db_.RecoverAll(), KW_OK);
    EXPECT_EQ(db_.FlushAll(), KW_OK);
    ASSERT_EQ(record_.Open(table_), KW_OK);
    CKWQuery query;
    ASSERT_EQ(query.SetIndex(&record_, 0), KW_OK);
    EXPECT_EQ(query.GetExact("rye", 3), KW_OK);
    EXPECT_EQ(db_.Load(PathOf("missing.sda"), false, nullptr), KWERR_IO);
}

}  // namespace
}  // namespace kw
