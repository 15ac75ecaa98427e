// CKWQuery: its own answers (509 without a usable record and index, 524 for bad keys) and
// navigation through an index whose definition number is not its position.
#include "query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database.h"
#include "index.h"
#include "record.h"
#include "table.h"
#include "test_database.h"

namespace kw {
namespace {

using testing::kTestDatabase;
using testing::testTables;

class QueryTest : public testing::DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        ASSERT_EQ(db_.Create(kTestDatabase, PathOf("DB"), nullptr, 0, 2, testTables), KW_OK);
        ASSERT_EQ(record_.OpenByName(&db_, "KWTEST"), KW_OK);
    }

    void Add(const std::string &name, int32_t count) {
        ASSERT_EQ(record_.ClearRecord(), KW_OK);
        ASSERT_EQ(record_.PutString("NAME", name), KW_OK);
        ASSERT_EQ(record_.PutInt("COUNT", count), KW_OK);
        ASSERT_EQ(record_.Insert(), KW_OK);
    }

    std::string Name() {
        std::string name;
        EXPECT_EQ(record_.GetString("NAME", &name), KW_OK);
        return name;
    }

    CKWDatabase db_;
    CKWRecord record_;
};

TEST_F(QueryTest, AnIndexNumberThatDoesNotExistAnswers509ToEveryMove) {
    Add("Only", 1);
    CKWQuery query;
    ASSERT_EQ(query.SetIndex(&record_, 1), KW_OK);  // KWTEST has indexes 0 and 2
    EXPECT_EQ(query.Index(), nullptr);
    EXPECT_EQ(query.GetFirst(), CKWQuery::kNotSet);
    EXPECT_EQ(query.GetNext(), CKWQuery::kNotSet);
    EXPECT_EQ(query.GetPrev(), CKWQuery::kNotSet);
    EXPECT_EQ(query.GetLast(), CKWQuery::kNotSet);
    EXPECT_EQ(query.GetExact("Only", 4), CKWQuery::kNotSet);
    EXPECT_EQ(query.GetExactFromRecord(), CKWQuery::kNotSet);

    CKWQuery empty;
    EXPECT_EQ(empty.GetFirst(), CKWQuery::kNotSet);
    EXPECT_EQ(empty.SetIndex(nullptr, 0), KW_OK);
    EXPECT_EQ(empty.GetFirst(), CKWQuery::kNotSet);
}

TEST_F(QueryTest, BadKeysAnswer524BeforeAnythingElse) {
    CKWQuery query;
    EXPECT_EQ(query.GetFirst(nullptr, -1), CKWQuery::kBadKey);
    EXPECT_EQ(query.GetExact(nullptr, 0), CKWQuery::kBadKey);
    ASSERT_EQ(query.SetIndex(&record_, 0), KW_OK);
    EXPECT_EQ(query.GetNext("x", -1), CKWQuery::kBadKey);
    EXPECT_EQ(query.GetExact("x", -1), CKWQuery::kBadKey);
    EXPECT_EQ(query.GetExact(nullptr, 4), CKWQuery::kBadKey);
}

TEST_F(QueryTest, AnIndexOfAnotherTableOrAClosedRecordAnswers509) {
    Add("Only", 1);
    CKWQuery query;
    CKWIndex *other = db_.FindTable("KWOTHER")->FindIndex(0);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(query.Set(&record_, other), KW_OK);
    EXPECT_EQ(query.GetFirst(), CKWQuery::kNotSet);

    ASSERT_EQ(query.SetIndex(&record_, 0), KW_OK);
    ASSERT_EQ(query.GetFirst(), KW_OK);
    ASSERT_EQ(record_.Close(), KW_OK);
    EXPECT_EQ(query.GetFirst(), CKWQuery::kNotSet);
    query.Reset();
    EXPECT_EQ(query.Record(), nullptr);
    EXPECT_EQ(query.Index(), nullptr);
}

TEST_F(QueryTest, NavigationFollowsTheIndexChosenByDefinitionNumber) {
    Add("Carrot", 3);
    Add("apple", 2);
    Add("Banana", 2);
    CKWQuery query;

    // Definition 2 (COUNT, integer, ties in serial order) is engine index 1.
    ASSERT_EQ(query.SetIndex(&record_, 2), KW_OK);
    std::vector<std::string> names;
    for (KWRESULT r = query.GetFirst(); r == KW_OK; r = query.GetNext())
        names.push_back(Name());
    EXPECT_EQ(names, (std::vector<std::string>{"apple", "Banana", "Carrot"}));
    EXPECT_EQ(query.GetNext(), KW_END);

    // Definition 0 (NAME, case ignored), backwards.
    ASSERT_EQ(query.SetIndex(&record_, 0), KW_OK);
    names.clear();
    for (KWRESULT r = query.GetLast(); r == KW_OK; r = query.GetPrev())
        names.push_back(Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Carrot", "Banana", "apple"}));
    EXPECT_EQ(query.GetPrev(), KW_START);

    // Exact searches: a miss on a unique index is 1; the key can come from the record.
    EXPECT_EQ(query.GetExact("Durian", 6), KW_NOTFOUND);
    ASSERT_EQ(record_.ClearRecord(), KW_OK);
    ASSERT_EQ(record_.PutString("NAME", "BANANA"), KW_OK);
    ASSERT_EQ(query.GetExactFromRecord(), KW_OK);
    EXPECT_EQ(Name(), "Banana");
}

}  // namespace
}  // namespace kw
