// For tests of the recipe database: a fresh working directory per test case that the test runs
// in (the engine keeps its registry KWDATA.INI in the working directory), and a one-call way to
// write a record of the schema.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "app/data/database.h"
#include "app/data/record.h"
#include "schema.h"
#include "test_temp_dir.h"

namespace kw::testing {

class RecipeDatabaseTest : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        char cwd[PATH_MAX];
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        previous_ = cwd;
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        db_.Close();
        ASSERT_EQ(::chdir(previous_.c_str()), 0);
        TempDirTest::TearDown();
    }

    using Value = std::variant<std::string, int32_t, float>;
    // Writes one record into table with the given fields (the rest zero); the insert's result.
    KWRESULT Insert(const char *table, const std::vector<std::pair<const char *, Value>> &fields) {
        CKWRecord record;
        if (KWRESULT r = record.OpenByName(&db_, table)) return r;
        if (KWRESULT r = record.ClearRecord()) return r;
        for (const auto &[field, value] : fields) {
            KWRESULT r = KW_OK;
            if (auto *text = std::get_if<std::string>(&value)) r = record.PutString(field, *text);
            if (auto *number = std::get_if<int32_t>(&value)) r = record.PutInt(field, *number);
            if (auto *real = std::get_if<float>(&value)) r = record.PutFloat(field, *real);
            if (r != KW_OK) return r;
        }
        return record.Insert();
    }

    // Writes one ingredient line of a recipe; the insert's result.
    KWRESULT InsertRecipeLine(const std::string &name, const std::string &category,
                              const std::string &ingredient, float quantity, int32_t opts,
                              int32_t measured, const std::string &preparation = "") {
        using namespace schema;
        return Insert(kTableRecipeIngredient, {{kFieldName, name},
                                               {kFieldCategory, category},
                                               {kFieldIngredient, ingredient},
                                               {kFieldQuantity, quantity},
                                               {kFieldOpts, opts},
                                               {kFieldMeasured, measured},
                                               {kFieldPreparation, preparation}});
    }

    CKWDatabase db_;
    std::string previous_;
};

}  // namespace kw::testing
