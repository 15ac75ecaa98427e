// For tests of the application core: a fresh working directory per test case that the test runs
// in (the engine's registry lives there), the settings file there, a progress report that remembers
// every call, and small helpers that write records, count them and make archives in a working
// directory of their own.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "app/data/database.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "platform/profile.h"
#include "progress.h"
#include "recipe_database.h"
#include "recipe_database_test_support.h"
#include "schema.h"
#include "setting_keys.h"

namespace kw::testing {

// Remembers the progress calls as text lines: "begin 1 4 Loading Data... | Loading Recipes...
// cancel=0", "at 2", "end".
class ProgressLog final : public Progress {
  public:
    void Begin(int low, int high, const std::string &text, const std::string &label,
               bool cancelEnabled) override {
        lines.push_back("begin " + std::to_string(low) + " " + std::to_string(high) + " " + text +
                        " | " + label + " cancel=" + (cancelEnabled ? "1" : "0"));
    }
    void SetPosition(int position) override { lines.push_back("at " + std::to_string(position)); }
    bool Cancelled() override { return false; }
    void End() override { lines.push_back("end"); }

    std::vector<std::string> lines;
};

using Fields = std::vector<std::pair<const char *, std::string>>;

// Writes one record with text fields (the rest zero) through an indexed insert, or a quick add
// that leaves the indexes alone; the engine's result.
inline KWRESULT AddRecord(CKWDatabase &db, const char *table, const Fields &fields,
                          bool quick = false) {
    CKWRecord record;
    if (KWRESULT r = record.OpenByName(&db, table)) return r;
    record.ClearRecord();
    for (const auto &[field, value] : fields)
        if (KWRESULT r = record.PutString(field, value)) return r;
    return quick ? record.QuickAdd() : record.Insert();
}

inline int32_t CountRecords(CKWDatabase &db, const char *table) {
    CKWTable *t = db.FindTable(table);
    int32_t count = -1;
    if (!t || t->GetCount(&count) != KW_OK) return -1;
    return count;
}

// The number of entries reachable through a table's index (-1 when it cannot be walked).
inline int32_t CountThroughIndex(CKWDatabase &db, const char *table, int32_t index) {
    CKWRecord record;
    if (record.OpenByName(&db, table) != KW_OK) return -1;
    CKWQuery query;
    query.SetIndex(&record, index);
    int32_t count = 0;
    KWRESULT r = query.GetFirst();
    for (; r == KW_OK; r = query.GetNext())
        ++count;
    return r == KW_END || r == KW_START ? count : -1;
}

// Whether a KWRCPCAT record links the recipe to the category as its other category.
inline bool HasCategoryLink(CKWDatabase &db, const std::string &name, const std::string &category,
                            const std::string &other) {
    CKWRecord link;
    if (link.OpenByName(&db, schema::kTableRecipeCategory) != KW_OK) return false;
    link.PutString(schema::kFieldName, name);
    link.PutString(schema::kFieldCategory, category);
    link.PutString(schema::kFieldOtherCategory, other);
    CKWQuery query;
    query.SetIndex(&link, schema::kRecipeCategoryByLink);
    return query.GetExactFromRecord() == KW_OK;
}

// The database-test working directory (recipe_database_test_support.h), with the settings file
// and archives made elsewhere. db_ is free for a test's own database.
class ApplicationTest : public RecipeDatabaseTest {
  protected:
    platform::Profile Ini() const { return platform::Profile(SettingsFilePath(dir_)); }
    void Set(const char *section, const char *key, const std::string &value) const {
        Ini().WriteString(section, key, value);
    }
    std::string Get(const char *section, const char *key) const {
        return Ini().GetString(section, key, "<missing>");
    }
    // The settings of a directory whose program has run before and ended cleanly.
    void SetRunBefore() const {
        Set("Status", "Clean", "1");
        Set("Install", "LastUsed", "1000");
        Set("Install", "Version", "2.0");
        Set("Install", "FillRcpRec", "0");
    }

    // Makes an archive at path from a database of its own, in the working directory "name.src":
    // recipes as (name, category) pairs, without their category links, and category names.
    void MakeArchive(const std::string &path,
                     const std::vector<std::pair<std::string, std::string>> &recipes,
                     const std::vector<std::string> &categories = {}) {
        const std::string work = PathOf(path + ".src");
        ASSERT_EQ(::mkdir(work.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(work.c_str()), 0);
        {
            CKWDatabase db;
            ASSERT_EQ(CreateRecipeDatabase(db, work + "/DATA2"), KW_OK);
            for (const auto &[name, category] : recipes)
                ASSERT_EQ(
                    AddRecord(db, schema::kTableRecipe,
                              {{schema::kFieldName, name}, {schema::kFieldCategory, category}}),
                    KW_OK);
            for (const std::string &category : categories)
                ASSERT_EQ(AddRecord(db, schema::kTableCategory, {{schema::kFieldName, category}}),
                          KW_OK);
            ASSERT_EQ(db.Dump(PathOf(path)), KW_OK);
        }
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
    }
};

}  // namespace kw::testing
