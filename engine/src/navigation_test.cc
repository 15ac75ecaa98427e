// Navigation: the codes on empty and exhausted indexes, the cursor after the ends, exact search
// on unique and non-unique indexes, key preparation, and the cursors of every index moving with
// each navigation.
#include "navigation.h"

#include <gtest/gtest.h>

#include "record_test_support.h"

namespace kw::engine::testing {
namespace {

class NavigationTest : public RecordTest {
  protected:
    // Category (12 bytes) then name (20 bytes), as index 0 compares them.
    static std::string CategoryNameKey(const std::string &category, const std::string &name) {
        std::string key(kCategoryWidth + kNameWidth, '\0');
        key.replace(0, category.size(), category);
        key.replace(kCategoryWidth, name.size(), name);
        return key;
    }

    KWRESULT Exact(int32_t idx, const std::string &key, int32_t inst = -1) {
        return KW_DBGetExactRecord(db_, tbl_, idx, inst < 0 ? inst_ : inst, key.data(),
                                   static_cast<int32_t>(key.size()), 0);
    }

    void InsertThree() {
        ASSERT_EQ(Insert("Beef Stew", "Mains", 120), KW_OK);
        ASSERT_EQ(Insert("Apple Pie", "Desserts", 60), KW_OK);
        ASSERT_EQ(Insert("Carrot Soup", "Soups", 40), KW_OK);
    }
};

TEST_F(NavigationTest, EmptyTableGivesTwoForwardAndThreeBackward) {
    for (int32_t idx : {0, 1}) {
        EXPECT_EQ(KW_DBGetFirstRecord(db_, tbl_, idx, inst_, nullptr, 0), KW_END);
        EXPECT_EQ(KW_DBGetExtendedError(), KW_END);
        EXPECT_EQ(KW_DBGetNextRecord(db_, tbl_, idx, inst_, nullptr, 0), KW_END);
        EXPECT_EQ(KW_DBGetLastRecord(db_, tbl_, idx, inst_, nullptr, 0), KW_START);
        EXPECT_EQ(KW_DBGetExtendedError(), KW_START);
        EXPECT_EQ(KW_DBGetPrevRecord(db_, tbl_, idx, inst_, nullptr, 0), KW_START);
    }
    EXPECT_EQ(Exact(0, CategoryNameKey("Mains", "Stew")), KW_NOTFOUND);
    EXPECT_EQ(KW_DBGetExtendedError(), KW_NOTFOUND);
    EXPECT_EQ(Exact(1, "Stew"), KW_END);  // non-unique: a miss goes on to the next entry
    EXPECT_EQ(CurrentRef(inst_), -1);
}

TEST_F(NavigationTest, WalksBothWaysAndStepsBackAfterPassingEitherEnd) {
    InsertThree();
    ASSERT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Apple Pie");
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
    const int32_t lastRef = CurrentRef(inst_);

    // Passing the last entry: 2, the buffer unchanged, no current record.
    EXPECT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_END);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
    EXPECT_EQ(CurrentRef(inst_), -1);
    EXPECT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_END);
    // The cursor stayed after the last entry: previous gives the last record.
    ASSERT_EQ(KW_DBGetPrevRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
    EXPECT_EQ(CurrentRef(inst_), lastRef);

    ASSERT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(KW_DBGetPrevRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_START);
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Apple Pie");

    ASSERT_EQ(KW_DBGetLastRecord(db_, tbl_, 0, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).category, "Soups");
}

TEST_F(NavigationTest, WithoutACursorNextStartsAtTheFirstAndPreviousAtTheLast) {
    InsertThree();
    CloseAll();
    OpenAll();
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Apple Pie");
    CloseAll();
    OpenAll();
    ASSERT_EQ(KW_DBGetPrevRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
}

TEST_F(NavigationTest, ExactMissOnANonUniqueIndexGivesTheNextRecordButOnAUniqueIndexOne) {
    InsertThree();
    ASSERT_EQ(Insert("Beef Stew", "Winter", 90), KW_OK);  // same name, other category

    // Non-unique: the key without the serial sorts before every record of that name.
    ASSERT_EQ(Exact(1, "Beef Stew"), KW_OK);
    EXPECT_EQ(Current(inst_), (Row{"Beef Stew", "Mains", 120, 0}));
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_), (Row{"Beef Stew", "Winter", 90, 3}));
    // An absent name gives the first record after it; the caller compares the fields.
    ASSERT_EQ(Exact(1, "B"), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Beef Stew");
    ASSERT_EQ(Exact(1, "Bz"), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
    EXPECT_EQ(Exact(1, "Zucchini"), KW_END);
    EXPECT_EQ(CurrentRef(inst_), -1);

    // Unique: only the whole key finds.
    ASSERT_EQ(Exact(0, CategoryNameKey("Mains", "Beef Stew")), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 0u);
    EXPECT_EQ(Exact(0, CategoryNameKey("Mains", "Beef")), KW_NOTFOUND);
    EXPECT_EQ(Exact(0, "Mains"), KW_NOTFOUND);
    EXPECT_EQ(CurrentRef(inst_), -1);
}

TEST_F(NavigationTest, LowerCaseKeyFindsTheMixedCaseRecordUnderNoCase) {
    InsertThree();
    ASSERT_EQ(Exact(0, CategoryNameKey("desserts", "apple pie")), KW_OK);
    EXPECT_EQ(Current(inst_), (Row{"Apple Pie", "Desserts", 60, 1}));
    ASSERT_EQ(Exact(1, "cARROT sOUP"), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Carrot Soup");
}

TEST_F(NavigationTest, ExactFromTheRecordIgnoresTheSerial) {
    InsertThree();
    ASSERT_EQ(Insert("Apple Pie", "Autumn", 50), KW_OK);
    // A buffer composed by field: its serial is zero, as the key-from-record search wants.
    Compose(inst_, "APPLE PIE", "whatever");
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, nullptr, 0, 1), KW_OK);
    EXPECT_EQ(Current(inst_), (Row{"Apple Pie", "Desserts", 60, 1}));
    // Even a buffer holding a later serial lands on the first record of the name.
    int32_t serial = 3;
    ASSERT_EQ(KW_DBPutField(db_, tbl_, inst_, "ID", &serial), KW_OK);
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, nullptr, 0, 1), KW_OK);
    EXPECT_EQ(Current(inst_).serial, 1u);

    Compose(inst_, "apple pie", "AUTUMN");
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, nullptr, 0, 1), KW_OK);
    EXPECT_EQ(Current(inst_), (Row{"Apple Pie", "Autumn", 50, 3}));
}

TEST_F(NavigationTest, EveryIndexCursorMovesToTheRecordReached) {
    InsertThree();
    // Reached by name, the category index continues from the same record.
    ASSERT_EQ(Exact(1, "Beef Stew"), KW_OK);
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 0, inst_, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(inst_).category, "Soups");
    // And the cursors are the table's: another instance continues where this one stopped.
    int32_t other = -1;
    ASSERT_EQ(KW_DBOpenTableInst(db_, tbl_, &other), KW_OK);
    ASSERT_EQ(KW_DBGetPrevRecord(db_, tbl_, 1, other, nullptr, 0), KW_OK);
    EXPECT_EQ(Current(other).name, "Beef Stew");
}

TEST_F(NavigationTest, OrderedMovesIgnoreTheirKeyArgument) {
    InsertThree();
    const std::string key = "Carrot Soup";
    ASSERT_EQ(KW_DBGetFirstRecord(db_, tbl_, 1, inst_, key.data(), 11), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Apple Pie");
    ASSERT_EQ(KW_DBGetNextRecord(db_, tbl_, 1, inst_, key.data(), 11), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Beef Stew");
    // The key buffer holds the record reached, so an exact search without a key finds it again.
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl_, 1, inst_, nullptr, 0, 0), KW_OK);
    EXPECT_EQ(Current(inst_).name, "Beef Stew");
}

TEST_F(NavigationTest, OverlongCallerKeysAreCutAtTheKeyBuffer) {
    InsertThree();
    const std::string longKey(1000, 'x');
    EXPECT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, longKey.data(), 1000, 0), KW_NOTFOUND);
    EXPECT_EQ(KW_DBGetExactRecord(db_, tbl_, 0, inst_, longKey.data(), -5, 0), KW_NOTFOUND);
}

TEST_F(NavigationTest, ValidationOrderIsHandleTableIndexInstance) {
    EXPECT_EQ(KW_DBGetFirstRecord(db_ + 7, tbl_, 9, 99, nullptr, 0), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBGetFirstRecord(db_, tbl_ + 1, 9, 99, nullptr, 0), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBGetFirstRecord(db_, tbl_, 2, 99, nullptr, 0), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBGetFirstRecord(db_, tbl_, 0, 99, nullptr, 0), KWERR_NOTOPEN);
    EXPECT_EQ(KW_DBGetExactRecord(db_, tbl_, -1, inst_, nullptr, 0, 0), KWERR_BADHANDLE);
}

// A second table whose indexes compare case-sensitively and as integers: the caller's key is
// upper-cased all the same, so only upper-case text matches and integer bytes 'a'..'z' change.
TEST_F(NavigationTest, CallerKeysAreUpperCasedWhateverTheKeyClass) {
    TableDefinition codes("KWCODES", {Field("CODE", 'C', 8), Field("VALUE", 'I', 4)});
    KW_IndexDef byCode = Index(0, "CODE", 0x011);
    KW_IndexDef byValue = Index(1, "VALUE", 0x021);
    int32_t tbl = -1, inst = -1;
    OpenTable(codes.def, {&byCode, &byValue}, &tbl, &inst);
    auto add = [&](const char *code, int32_t value) {
        char text[8] = {};
        std::memcpy(text, code, std::strlen(code));
        ASSERT_EQ(KW_DBClearRecord(db_, tbl, inst), KW_OK);
        ASSERT_EQ(KW_DBPutField(db_, tbl, inst, "CODE", text), KW_OK);
        ASSERT_EQ(KW_DBPutField(db_, tbl, inst, "VALUE", &value), KW_OK);
        ASSERT_EQ(KW_DBInsertRecord(db_, tbl, inst), KW_OK);
    };
    add("Mixed", 0x61);
    add("UPPER", 0x41);
    const char mixed[8] = "Mixed", upper[8] = "upper";
    EXPECT_EQ(KW_DBGetExactRecord(db_, tbl, 0, inst, mixed, 8, 0), KW_NOTFOUND);
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl, 0, inst, upper, 8, 0), KW_OK);
    const int32_t searched = 0x61;
    ASSERT_EQ(KW_DBGetExactRecord(db_, tbl, 1, inst, &searched, 4, 0), KW_OK);
    int32_t value = 0;
    ASSERT_EQ(KW_DBGetField(db_, tbl, inst, "VALUE", &value), KW_OK);
    EXPECT_EQ(value, 0x41);
}

}  // namespace
}  // namespace kw::engine::testing
