// The four exports: filter names, detection, argument checks, and what libkwimpt.so shows.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "import_test_support.h"
#include "kwimpt.h"

namespace kw::import {
namespace {

using testing::CrLf;

TEST(GetSupportedFormats, NamesForZeroToTwoAndNothingElse) {
    char name[KWIMPT_FILTER_NAME_SIZE];
    const char *expected[] = {"Kettleworth", "MealMaster", "MasterCook"};
    for (int32_t i = 0; i < 3; ++i) {
        std::memset(name, 'x', sizeof name);
        EXPECT_EQ(GetSupportedFormats(i, name), 1);
        EXPECT_STREQ(name, expected[i]);
    }
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(GetSupportedFormats(3, name), 0);
    EXPECT_EQ(GetSupportedFormats(-1, name), 0);
    EXPECT_EQ(name[0], 'x');  // left alone
}

TEST(GetBestFilter, PrefersTheOwnTextOverMealMaster) {
    const std::string both = CrLf({"===== Recipe By Kettleworth 2.0 [test] =====",
                                   "MMMMM----- Recipe via Meal-Master (tm) v8.05", "x"});
    EXPECT_EQ(GetBestFilter(both.c_str()), 0);
    const std::string mealMaster =
        CrLf({"some mail header", "MMMMM----- Recipe via Meal-Master (tm) v8.05", "x"});
    EXPECT_EQ(GetBestFilter(mealMaster.c_str()), 1);
    const std::string older = CrLf({"---------- Recipe via Meal-Master (tm) v7.07", "x"});
    EXPECT_EQ(GetBestFilter(older.c_str()), 1);
}

TEST(GetBestFilter, MasterCookBannerWithAnyRunOfBlanks) {
    for (const char *banner : {"*  Exported from  MasterCook  *", "* Exported from MasterCook *",
                               "                     *  Exported from  MasterCook  *",
                               "** Exported\tfrom   MasterCook"}) {
        const std::string text = CrLf({"", banner, "", "Title"});
        EXPECT_EQ(GetBestFilter(text.c_str()), 2) << banner;
    }
    // The banner must not be the last line, and the words must be separated.
    EXPECT_EQ(GetBestFilter("* Exported from MasterCook *"), -1);
    EXPECT_EQ(GetBestFilter(CrLf({"* ExportedfromMasterCook *", "x"}).c_str()), -1);
}

TEST(GetBestFilter, NothingRecognised) {
    EXPECT_EQ(GetBestFilter(""), -1);
    EXPECT_EQ(GetBestFilter(nullptr), -1);
    EXPECT_EQ(GetBestFilter(CrLf({"just", "some", "text"}).c_str()), -1);
    // The own text's marker line must be the first "=====" line within 25 lines.
    std::string late;
    for (int i = 0; i < 30; ++i)
        late += "filler\r\n";
    late += "===== Recipe By Kettleworth 2.0 [x] =====\r\nName: x\r\n";
    EXPECT_EQ(GetBestFilter(late.c_str()), -1);
}

TEST(ImportRecipe, UnknownFilterReturnsOneAtOnce) {
    auto record = std::make_unique<RecipeImportRecord>();
    std::memset(record.get(), 0x5A, sizeof *record);
    int32_t position = 0;
    int32_t warnings = 99;
    const char *text = "anything\r\n";
    EXPECT_EQ(ImportRecipe(&position, text, record.get(), &warnings, 3, -1), 1);
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(record->name[0], 0x5A);  // nothing read, nothing written
    EXPECT_EQ(ImportRecipe(&position, text, record.get(), &warnings, -1, -1), 1);
}

TEST(ImportRecipe, MissingPointersAndNegativePositionReadNothing) {
    auto record = std::make_unique<RecipeImportRecord>();
    int32_t position = 0;
    int32_t warnings = 0;
    EXPECT_EQ(ImportRecipe(nullptr, "x\r\ny", record.get(), &warnings, 1, -1), -1);
    EXPECT_EQ(ImportRecipe(&position, nullptr, record.get(), &warnings, 1, -1), -1);
    EXPECT_EQ(ImportRecipe(&position, "x\r\ny", nullptr, &warnings, 1, -1), -1);
    position = -5;
    EXPECT_EQ(ImportRecipe(&position, "x\r\ny", record.get(), &warnings, 1, -1), -1);
}

TEST(ImportRecipe, EmptyTextGivesMinusOneWithThePositionAtTheEnd) {
    for (int32_t filter = 0; filter < 3; ++filter) {
        const auto recipe = testing::ReadOne("", filter);
        EXPECT_EQ(recipe.result, -1) << filter;
        EXPECT_EQ(recipe.end, 0) << filter;
        EXPECT_EQ(recipe.warnings, 0) << filter;
    }
}

TEST(Plugin, ExportsExactlyTheFourOperations) {
    const std::string path = std::string(KW_BIN_DIR) + "/libkwimpt.so";
    void *plugin = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();
    for (const char *name : {"ImportRecipe", "GetSupportedFormats", "GetBestFilter", "WEP"})
        EXPECT_NE(dlsym(plugin, name), nullptr) << name;
    // Nothing of the inside is visible, not even the unit table.
    EXPECT_EQ(dlsym(plugin, "_ZN2kw6import14kUnitNameTableE"), nullptr);
    EXPECT_EQ(
        dlsym(plugin, "_ZN2kw6import10LookupUnitEdSt17basic_string_viewIcSt11char_traitsIcEE"),
        nullptr);

    using BestFilter = int32_t (*)(const char *);
    auto best = reinterpret_cast<BestFilter>(dlsym(plugin, "GetBestFilter"));
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(best(CrLf({"MMMMM----- Recipe via Meal-Master", "x"}).c_str()), 1);
    dlclose(plugin);
}

TEST(Plugin, CarriesItsVersionString) {
    const std::string bytes = testing::ReadFileBytes(std::string(KW_BIN_DIR) + "/libkwimpt.so");
    EXPECT_NE(bytes.find("@(#)Kettleworth;Component=libkwimpt.so;"), std::string::npos);
}

}  // namespace
}  // namespace kw::import
