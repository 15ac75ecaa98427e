// Index definitions: the key expression parser, the key layout it builds and every validation
// code of KW_DBAddIndex.
#include "key_expression.h"

#include <gtest/gtest.h>

#include "engine_test_support.h"

namespace kw::engine::testing {
namespace {

class KeyExpressionTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        db_ = CreateAndOpen("KEYS");
        ASSERT_EQ(KW_DBAddTable(db_, &recipe_.def, &recipeTbl_), KW_OK);
        ASSERT_EQ(KW_DBAddTable(db_, &plain_.def, &plainTbl_), KW_OK);
    }
    KWRESULT AddIndex(int32_t tbl, const std::string &expression, int32_t flags,
                      int32_t *idx = nullptr) {
        defs_.push_back(std::make_unique<KW_IndexDef>(Index(0, expression, flags)));
        int32_t unused = -1;
        return KW_DBAddIndex(db_, tbl, defs_.back().get(), idx ? idx : &unused);
    }
    const KeyLayout &Layout(int32_t tbl, int32_t idx) {
        return *Engine().databases[db_].tables[tbl].indexes[idx].layout;
    }

    // Offsets: NAME 0, CATEGORY 48, CALORIES 68, COST 72, SERVES 80, ID 82, SPARE 86.
    TableDefinition recipe_{
        "KWRECIPE",
        {Field("NAME", 'C', 48), Field("CATEGORY", 'C', 20), Field("CALORIES", 'I', 4),
         Field("COST", 'F', 8), Field("SERVES", 'I', 2), Field("ID", 'U', 4),
         Field("SPARE", 'C', 200)}};
    TableDefinition plain_{"KWPLAIN", {Field("NAME", 'C', 48), Field("OTHER", 'C', 210)}};
    int32_t recipeTbl_ = -1;
    int32_t plainTbl_ = -1;
    std::vector<std::unique_ptr<KW_IndexDef>> defs_;
    uint16_t db_ = 0;
};

TEST_F(KeyExpressionTest, NonUniqueIndexGetsTheSerialAppended) {
    int32_t idx = -1;
    ASSERT_EQ(AddIndex(recipeTbl_, "CATEGORY+NAME", 0x110, &idx), KW_OK);
    EXPECT_EQ(idx, 0);
    const KeyLayout &k = Layout(recipeTbl_, idx);
    ASSERT_EQ(k.parts.size(), 3u);
    EXPECT_EQ(k.parts[0].offset, 48);
    EXPECT_EQ(k.parts[0].length, 20);
    EXPECT_EQ(k.parts[1].offset, 0);
    EXPECT_EQ(k.parts[1].length, 48);
    EXPECT_EQ(k.parts[2].offset, 82);
    EXPECT_EQ(k.parts[2].length, 4);
    EXPECT_EQ(k.parts[0].flags, 0x110);
    EXPECT_EQ(k.parts[2].flags, 0x110 | KW_KEY_SERIAL);
    EXPECT_EQ(k.keyLength, 72);
    EXPECT_EQ(k.fieldWidthTotal, 72);
    EXPECT_TRUE(k.perPartCompare);
    EXPECT_EQ(k.flags, 0x110);
}

TEST_F(KeyExpressionTest, ComparisonModeFollowsTheParts) {
    int32_t idx = -1;
    ASSERT_EQ(AddIndex(recipeTbl_, "NAME", 0x011, &idx), KW_OK);  // case-sensitive characters
    EXPECT_FALSE(Layout(recipeTbl_, idx).perPartCompare);
    ASSERT_EQ(AddIndex(recipeTbl_, "NAME", 0x111, &idx), KW_OK);
    EXPECT_TRUE(Layout(recipeTbl_, idx).perPartCompare);
    ASSERT_EQ(AddIndex(recipeTbl_, "CALORIES", 0x020, &idx), KW_OK);
    EXPECT_TRUE(Layout(recipeTbl_, idx).perPartCompare);
    EXPECT_EQ(Layout(recipeTbl_, idx).keyLength, 8);
    ASSERT_EQ(AddIndex(recipeTbl_, "COST", 0x031, &idx), KW_OK);
    EXPECT_TRUE(Layout(recipeTbl_, idx).perPartCompare);
    EXPECT_EQ(idx, 3);
}

TEST_F(KeyExpressionTest, PartialTermsStayInsideTheirField) {
    int32_t idx = -1;
    ASSERT_EQ(AddIndex(recipeTbl_, "NAME(0,20)", 0x111, &idx), KW_OK);
    EXPECT_EQ(Layout(recipeTbl_, idx).parts[0].length, 20);
    EXPECT_EQ(Layout(recipeTbl_, idx).keyLength, 20);
    EXPECT_EQ(Layout(recipeTbl_, idx).fieldWidthTotal, 48);  // full widths count
    ASSERT_EQ(AddIndex(recipeTbl_, "NAME(28,20)+CATEGORY(0,0)", 0x111, &idx), KW_OK);
    EXPECT_EQ(Layout(recipeTbl_, idx).parts[0].offset, 28);
    EXPECT_EQ(Layout(recipeTbl_, idx).parts[1].length, 20);  // length 0: the whole field
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME(40,20)", 0x111), KWERR_KEYPART);
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME(0,49)", 0x111), KWERR_KEYPART);
    // A start with length 0 would take the full width from the start, past the field's end.
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME(5,0)", 0x111), KWERR_KEYPART);
}

TEST_F(KeyExpressionTest, NumericPartsMustCoverTheirWholeField) {
    EXPECT_EQ(AddIndex(recipeTbl_, "CALORIES(0,2)", 0x020), KWERR_NUMKEYPART);
    EXPECT_EQ(AddIndex(recipeTbl_, "COST(0,4)", 0x031), KWERR_NUMKEYPART);
    EXPECT_EQ(AddIndex(recipeTbl_, "SERVES(0,2)", 0x021), KW_OK);
}

TEST_F(KeyExpressionTest, NonUniqueNeedsASerialField) {
    EXPECT_EQ(AddIndex(plainTbl_, "NAME", 0x110), KWERR_NOSERIAL);
    EXPECT_EQ(AddIndex(plainTbl_, "NAME", 0x111), KW_OK);
}

TEST_F(KeyExpressionTest, KeyClass) {
    for (int32_t flags : {0x000, 0x001, 0x040, 0x070, 0x101}) {
        int32_t idx = -1;
        EXPECT_EQ(AddIndex(recipeTbl_, "NAME", flags, &idx), KWERR_KEYTYPE) << flags;
        EXPECT_TRUE(Layout(recipeTbl_, idx).parts.empty());
    }
}

TEST_F(KeyExpressionTest, FieldNamesAreExact) {
    EXPECT_EQ(AddIndex(recipeTbl_, "name", 0x111), KWERR_NOFIELD);
    EXPECT_EQ(AddIndex(recipeTbl_, "NAM", 0x111), KWERR_NOFIELD);
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME+", 0x111), KWERR_NOFIELD);
    EXPECT_EQ(AddIndex(recipeTbl_, "", 0x111), KWERR_NOFIELD);
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME+NOPE", 0x111), KWERR_NOFIELD);
}

TEST_F(KeyExpressionTest, MalformedTermsAreRefused) {
    for (const char *text :
         {"NAME(0,20", "NAME(a,b)", "NAME(0 20)", "NAME(0,20)X", "NAME()", "NAME(-1,20)"}) {
        EXPECT_EQ(AddIndex(recipeTbl_, text, 0x111), KWERR_KEYPART) << text;
    }
}

TEST_F(KeyExpressionTest, KeyFieldsMayNotBeWiderThan255Together) {
    // NAME(0,10) makes a 10-byte part, but the fields named count with their full widths.
    EXPECT_EQ(AddIndex(plainTbl_, "OTHER(0,10)+NAME(0,10)", 0x111), KWERR_KEYPART);
    // The appended serial counts too: 48 + 200 + 4 + 4 = 256.
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME+SPARE+CALORIES", 0x111), KW_OK);
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME+SPARE+CALORIES", 0x110), KWERR_KEYPART);
}

TEST_F(KeyExpressionTest, FailedIndexesKeepTheirSlotAndPartialParts) {
    int32_t idx = -1;
    EXPECT_EQ(AddIndex(recipeTbl_, "NAME+NOPE", 0x111, &idx), KWERR_NOFIELD);
    EXPECT_EQ(idx, 0);  // written before the failure
    EXPECT_EQ(Layout(recipeTbl_, 0).parts.size(), 1u);
    ASSERT_EQ(AddIndex(recipeTbl_, "NAME", 0x111, &idx), KW_OK);
    EXPECT_EQ(idx, 1);
}

TEST_F(KeyExpressionTest, OnlyTheFirst136CharactersAreRead) {
    TableDefinition t("KWLONG", {Field("A", 'C', 1), Field("AA", 'C', 1)});
    int32_t tbl = -1;
    ASSERT_EQ(KW_DBAddTable(db_, &t.def, &tbl), KW_OK);
    std::string text;
    for (int i = 0; i < 67; ++i)
        text += "A+";
    text += "AAX";  // characters 135 and 136 are "AA"; the "X" is beyond what is read
    ASSERT_EQ(text.size(), 137u);
    int32_t idx = -1;
    ASSERT_EQ(AddIndex(tbl, text, 0x011, &idx), KW_OK);
    EXPECT_EQ(Layout(tbl, idx).parts.size(), 68u);
    EXPECT_EQ(Layout(tbl, idx).parts.back().offset, 1);
}

TEST_F(KeyExpressionTest, NeedsALiveTable) {
    KW_IndexDef def = Index(0, "NAME", 0x111);
    int32_t idx = -1;
    EXPECT_EQ(KW_DBAddIndex(db_, 2, &def, &idx), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBAddIndex(db_, -1, &def, &idx), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBAddIndex(db_ + 1, recipeTbl_, &def, &idx), KWERR_BADHANDLE);
    EXPECT_EQ(KW_DBAddIndex(db_, recipeTbl_, nullptr, &idx), KWERR_BADHANDLE);
}

}  // namespace
}  // namespace kw::engine::testing
