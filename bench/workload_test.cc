// The two sides of the engine benchmark do the same work: on the same records the engine and
// SQLite insert, find, walk in the same order, rewrite and delete the same records. Small tables,
// with the engine's default cache and with a cache so small that every batch evicts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "engine_workload.h"
#include "sqlite_workload.h"

namespace kw::bench {
namespace {

struct Case {
    const BenchTable &(*table)();
    EngineCache cache;
    const char *label;
};

class WorkloadTest : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kwbench-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }
    std::string dir_;
    std::filesystem::path previous_;
};

// "CATEGORY|NAME" as the pair it stands for, upper-cased.
std::pair<std::string, std::string> UpperPair(std::string key) {
    for (char &c : key)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    const size_t bar = key.find('|');
    return {key.substr(0, bar), key.substr(bar + 1)};
}

TEST_P(WorkloadTest, EngineAndSqliteDoTheSameWork) {
    const BenchTable &table = GetParam().table();
    const size_t n = 700;
    const RowSet rows(table, n, 9);
    std::string error;
    auto engine =
        EngineWorkload::Open(table, "BENCHTEST", dir_ + "/engine", GetParam().cache, &error);
    ASSERT_NE(engine, nullptr) << error;
    auto sqlite = SqliteWorkload::Open(table, dir_ + "/sqlite.db", &error);
    ASSERT_NE(sqlite, nullptr) << error;
    Workload *both[] = {engine.get(), sqlite.get()};

    for (Workload *w : both)
        EXPECT_EQ(w->Insert(rows, 0, n), n) << w->error();
    EXPECT_EQ(engine->Count(), static_cast<int32_t>(n));

    std::vector<size_t> all(n);
    std::iota(all.begin(), all.end(), size_t{0});
    for (Workload *w : both)
        EXPECT_EQ(w->Lookup(rows, all), n) << w->error();

    // The same order, which is the order of the upper-cased keys.
    std::vector<std::string> engineKeys, sqliteKeys;
    EXPECT_EQ(engine->Scan(&engineKeys), n) << engine->error();
    EXPECT_EQ(sqlite->Scan(&sqliteKeys), n) << sqlite->error();
    EXPECT_EQ(engineKeys, sqliteKeys);
    EXPECT_TRUE(std::is_sorted(
        engineKeys.begin(), engineKeys.end(),
        [](const std::string &a, const std::string &b) { return UpperPair(a) < UpperPair(b); }));

    // Every third record edited twice over, then every fifth deleted.
    std::vector<size_t> edited, deleted;
    for (size_t i = 0; i < n; i += 3)
        edited.push_back(i);
    for (size_t i = 0; i < n; i += 5)
        deleted.push_back(i);
    for (Workload *w : both) {
        EXPECT_EQ(w->Update(rows, edited), edited.size()) << w->error();
        EXPECT_EQ(w->Update(rows, edited), edited.size()) << w->error();
        EXPECT_EQ(w->Delete(rows, deleted), deleted.size()) << w->error();
        EXPECT_EQ(w->Lookup(rows, deleted), 0u) << w->error();
        EXPECT_EQ(w->Lookup(rows, all), n - deleted.size()) << w->error();
    }
    EXPECT_EQ(engine->Count(), static_cast<int32_t>(n - deleted.size()));
    engineKeys.clear();
    sqliteKeys.clear();
    EXPECT_EQ(engine->Scan(&engineKeys), n - deleted.size());
    EXPECT_EQ(sqlite->Scan(&sqliteKeys), n - deleted.size());
    EXPECT_EQ(engineKeys, sqliteKeys);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, WorkloadTest,
    ::testing::Values(Case{RecipeTable, EngineCache{}, "RecipeDefaultCache"},
                      Case{RecipeTable, EngineCache{1, 0, 2, 0}, "RecipeTinyCache"},
                      Case{IngredientTable, EngineCache{}, "IngredientDefaultCache"},
                      Case{IngredientTable, EngineCache{1, 0, 2, 0}, "IngredientTinyCache"}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.label); });

}  // namespace
}  // namespace kw::bench
