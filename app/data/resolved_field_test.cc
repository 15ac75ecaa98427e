// ResolvedField writes the very bytes CKWRecord's typed puts write, for every field type and
// width, and refuses what they refuse.
#include "app/data/resolved_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/data/database.h"
#include "app/data/table.h"
#include "app/data/test_database.h"

namespace kw {
namespace {

using testing::kTestDatabase;
using testing::testTables;

class ResolvedFieldTest : public testing::DataTest {
  protected:
    void SetUp() override {
        DataTest::SetUp();
        ASSERT_EQ(db_.Create(kTestDatabase, PathOf("DB"), nullptr, 0, 2, testTables), KW_OK);
        CKWTable *table = db_.FindTable("KWTEST");
        ASSERT_EQ(typed_.Open(table), KW_OK);
        ASSERT_EQ(resolved_.Open(table), KW_OK);
        ASSERT_EQ(typed_.ClearRecord(), KW_OK);
        ASSERT_EQ(resolved_.ClearRecord(), KW_OK);
    }

    // The field's raw bytes in both records.
    void ExpectSameBytes(const char *field) {
        char type = 0;
        int32_t width = 0;
        ASSERT_EQ(typed_.GetFieldType(field, &type, &width), KW_OK);
        std::vector<char> a(static_cast<size_t>(width)), b(static_cast<size_t>(width));
        ASSERT_EQ(typed_.GetField(field, a.data()), KW_OK);
        ASSERT_EQ(resolved_.GetField(field, b.data()), KW_OK);
        EXPECT_EQ(a, b) << field;
    }

    CKWDatabase db_;
    CKWRecord typed_, resolved_;
};

TEST_F(ResolvedFieldTest, PutsWriteTheBytesOfTheTypedPuts) {
    const char *const fields[] = {"NAME", "FLAG", "COUNT", "SMALL", "PRICE", "AMOUNT"};
    for (const char *name : fields) {
        SCOPED_TRACE(name);
        ResolvedField field;
        ASSERT_EQ(field.Resolve(resolved_, name), KW_OK);
        for (int32_t value : {0, 1, -2, 70000, -70000}) {
            EXPECT_EQ(field.PutInt(resolved_, value), typed_.PutInt(name, value));
            ExpectSameBytes(name);
        }
        for (float value : {0.0f, -1.0f, 354.882f}) {
            EXPECT_EQ(field.PutFloat(resolved_, value), typed_.PutFloat(name, value));
            ExpectSameBytes(name);
        }
        for (const std::string &text :
             {std::string(), std::string("Flour"), std::string(48, 'W')}) {
            EXPECT_EQ(field.PutText(resolved_, text), typed_.PutString(name, text));
            ExpectSameBytes(name);
        }
    }
}

TEST_F(ResolvedFieldTest, RefusesWhatTheTypedPutsRefuse) {
    ResolvedField name;
    ASSERT_EQ(name.Resolve(resolved_, "NAME"), KW_OK);
    ASSERT_EQ(name.PutText(resolved_, "kept"), KW_OK);
    EXPECT_EQ(name.PutText(resolved_, std::string(49, 'L')), CKWRecord::kTextTooLong);
    std::string text;
    ASSERT_EQ(resolved_.GetString("NAME", &text), KW_OK);
    EXPECT_EQ(text, "kept");

    ResolvedField missing;
    const KWRESULT refused = missing.Resolve(resolved_, "NOSUCH");
    EXPECT_EQ(refused, typed_.PutInt("NOSUCH", 1));
    EXPECT_EQ(missing.PutInt(resolved_, 1), refused);
    EXPECT_EQ(missing.PutText(resolved_, "x"), refused);

    ResolvedField unresolved;
    EXPECT_EQ(unresolved.PutFloat(resolved_, 1.0f), CKWRecord::kNotOpen);
}

}  // namespace
}  // namespace kw
