// search_bench: the recipe search over a large database of generated recipes, timed criterion by
// criterion. The database is built once in DIR (generated Meal-Master text read by the real
// filter and stored as the import stores it) and reused by later runs.
//
//   search_bench DIR [N]      N recipes (default 100000) when DIR has no database yet
//
// For each search it prints the matches, the steps with their candidates, and the process CPU
// time and the wall time. Nothing here fails on a time.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/core/progress.h"
#include "app/core/recipe_database.h"
#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/data/table.h"
#include "app/planning/criteria_selection.h"
#include "app/planning/imported_recipe_writer.h"
#include "app/planning/recipe_search.h"
#include "kwimpt.h"
#include "mealmaster_gen.h"
#include "platform/path.h"

namespace {

using namespace kw;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

bool Build(CKWDatabase &database, const std::string &directory, int count) {
    if (CreateRecipeDatabase(database, directory) != KW_OK) return false;
    bench::MealMasterGenerator generator(20240611);
    planning::testing::ImportedRecipeWriter writer(database, 77);
    auto record = std::make_unique<RecipeImportRecord>();
    const double cpu = CpuSeconds();
    for (int i = 0; i < count; ++i) {
        const std::string text = generator.Next().text;
        int32_t position = 0, warnings = 0;
        std::memset(record.get(), 0, sizeof *record);
        if (ImportRecipe(&position, text.c_str(), record.get(), &warnings, KWIMPT_MEAL_MASTER,
                         -1) == 0)
            writer.Store(*record);
        if ((i + 1) % 10000 == 0) std::fprintf(stderr, "built %d\n", i + 1);
    }
    std::printf("built %d recipes in %.1f s cpu\n", count, CpuSeconds() - cpu);
    return database.FlushAll() == KW_OK;
}

// The most used value of a field, walking its index once.
std::string MostUsed(CKWDatabase &database, const char *table, const char *field, int index) {
    CKWRecord record;
    record.OpenByName(&database, table);
    CKWQuery walk;
    walk.SetIndex(&record, index);
    std::map<std::string, int> use;
    std::string value;
    for (KWRESULT r = walk.GetFirst(); r == KW_OK; r = walk.GetNext()) {
        record.GetString(field, &value);
        ++use[value];
    }
    std::pair<std::string, int> best;
    for (const auto &entry : use)
        if (entry.second > best.second) best = entry;
    return best.first;
}

void Run(CKWDatabase &database, const std::string &title,
         const std::vector<std::pair<char, std::pair<char, std::string>>> &criteria) {
    planning::CriteriaSelection selection;
    for (const auto &[code, value] : criteria) {
        const int row = selection.Add(*planning::FindCriterionByCode(code));
        if (value.first) selection.Row(static_cast<size_t>(row))->options = value.first;
        selection.Row(static_cast<size_t>(row))->data = value.second;
    }
    NullProgress progress;
    const double cpu = CpuSeconds();
    const auto wall = Clock::now();
    const planning::SearchOutcome outcome =
        planning::RunRecipeSearch(database, selection.Rows(), progress);
    const double cpuUsed = CpuSeconds() - cpu;
    const double wallUsed = std::chrono::duration<double>(Clock::now() - wall).count();
    const int matches = outcome.stepReports.empty() ? 0 : outcome.stepReports.back().matches;
    std::printf("%-48s result %d, %6d matches, %5.2f s cpu, %5.2f s wall\n", title.c_str(),
                outcome.result, matches, cpuUsed, wallUsed);
    for (const auto &step : outcome.stepReports)
        std::printf("    %-30s %7d tested %7d kept\n", step.criteria.c_str(), step.candidates,
                    step.matches);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: search_bench DIR [N]\n");
        return 2;
    }
    const std::string directory = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
    platform::MakeDirectory(directory);
    if (::chdir(directory.c_str()) != 0) return 1;
    CKWDatabase database;
    if (OpenRecipeDatabase(database) != KW_OK && !Build(database, "DATA2", count)) {
        std::fprintf(stderr, "cannot open or build the database in %s\n", directory.c_str());
        return 1;
    }
    int32_t recipes = 0;
    database.FindTable(schema::kTableRecipe)->GetCount(&recipes);
    std::printf("%d recipes\n", recipes);
    const std::string ingredient =
        MostUsed(database, schema::kTableRecipeIngredient, schema::kFieldIngredient, 2);
    const std::string category =
        MostUsed(database, schema::kTableRecipeCategory, schema::kFieldOtherCategory, 2);
    // Every criterion alone, then a few combinations.
    Run(database, "Vegetarian", {{'V', {0, ""}}});
    Run(database, "Gluten free", {{'G', {0, ""}}});
    Run(database, "Dairy produce free", {{'D', {0, ""}}});
    Run(database, "Contains " + ingredient, {{'O', {0, ingredient}}});
    Run(database, "Does not contain " + ingredient, {{'N', {0, ingredient}}});
    Run(database, "Preparation time < 0:30", {{'P', {'<', "0:30"}}});
    Run(database, "Total time > 1:00", {{'T', {'>', "1:00"}}});
    Run(database, "Calories < 500", {{'C', {'<', "500"}}});
    Run(database, "Cost = 2.50", {{'S', {'=', "2.50"}}});
    Run(database, "Difficulty Medium", {{'F', {'B', ""}}});
    Run(database, "In Category " + category, {{'A', {0, category}}});
    Run(database, "Not in Category " + category, {{'X', {0, category}}});
    Run(database, "Not contains, then preparation < 0:30",
        {{'N', {0, ingredient}}, {'P', {'<', "0:30"}}});
    Run(database, "Vegetarian, calories < 500, contains",
        {{'V', {0, ""}}, {'C', {'<', "500"}}, {'O', {0, ingredient}}});
    return 0;
}
