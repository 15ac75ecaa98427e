// Fuzz target: loading an export file (LoadExportFile, "Load Data..." with an export file) into
// the program's database KWDATA2, whose tables are emptied before every load.
//
// The input is taken twice:
//   1. as the whole file, header included, loaded once;
//   2. as the plain body of a version 108 file scrambled here (so the fuzzer's comparisons see
//      the lines the loader looks at, not their XOR), loaded twice in a row.
// Checked after every load: the outcome's counts are not negative, and the ingredients and
// recipes it reports added are exactly the records KWINGDAT and KWRECIPE hold. The second load
// of the same file, when both read the whole file, adds nothing (every record it meets is there
// already) and leaves the record counts as they were.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/messages.h"
#include "app/core/progress.h"
#include "app/core/recipe_database.h"
#include "app/core/schema.h"
#include "app/data/database.h"
#include "app/data/table.h"
#include "app/interchange/export_load.h"
#include "app/recipes/number_settings.h"
#include "engine_fixture.h"
#include "export_body.h"
#include "fuzz_check.h"

namespace {

using kw::CKWDatabase;
using kw::LoadOutcome;
using kw::fuzz::FuzzWorkspace;

// The recipe database, created once in the workspace and kept open.
CKWDatabase &RecipeDatabase() {
    static CKWDatabase &database = *[] {
        auto *db = new CKWDatabase;
        const FuzzWorkspace::Inside inside = FuzzWorkspace::Get().Enter();
        FUZZ_CHECK(kw::CreateRecipeDatabase(*db, FuzzWorkspace::Get().Root() + "/DATA2") == KW_OK,
                   "the recipe database is created");
        return db;
    }();
    return database;
}

int32_t Count(CKWDatabase &db, const char *table) {
    int32_t count = -1;
    kw::CKWTable *t = db.FindTable(table);
    FUZZ_CHECK(t != nullptr && t->GetCount(&count) == KW_OK, "a table of the schema counts");
    return count;
}

struct Counts {
    int32_t ingredients = 0;
    int32_t recipes = 0;
};

Counts Stored(CKWDatabase &db) {
    return {Count(db, kw::schema::kTableIngredient), Count(db, kw::schema::kTableRecipe)};
}

LoadOutcome Load(CKWDatabase &db, const std::string &path) {
    kw::SilentSink sink;
    kw::NullProgress progress;
    const kw::NumberSettings settings;
    const LoadOutcome outcome = kw::LoadExportFile(db, path, settings, sink, progress);
    FUZZ_CHECK(outcome.ingredients >= 0 && outcome.recipes >= 0 && outcome.duplicates >= 0 &&
                   outcome.errors >= 0,
               "a load's counts are not negative");
    FUZZ_CHECK(outcome.status != LoadOutcome::Status::kCancelled, "nothing cancels the load");
    FUZZ_CHECK(outcome.status != LoadOutcome::Status::kDatabaseError, "the database's tables open");
    return outcome;
}

// Loads path into the emptied database: what the load reports added is what is stored.
LoadOutcome LoadIntoEmpty(CKWDatabase &db, const std::string &path) {
    FUZZ_CHECK(db.ClearAll() == KW_OK, "the tables are emptied");
    const LoadOutcome outcome = Load(db, path);
    const Counts stored = Stored(db);
    FUZZ_CHECK(stored.ingredients == outcome.ingredients,
               "the ingredients a load reports are the ones stored");
    FUZZ_CHECK(stored.recipes == outcome.recipes, "the recipes a load reports are the ones stored");
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CKWDatabase &db = RecipeDatabase();
    FuzzWorkspace &workspace = FuzzWorkspace::Get();
    const FuzzWorkspace::Inside inside = workspace.Enter();
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string path = workspace.Root() + "/input.sce";

    kw::fuzz::FuzzWriteFile(path, input);
    LoadIntoEmpty(db, path);

    kw::fuzz::FuzzWriteFile(path, kw::fuzz::ExportFileOf(input, 108));
    const LoadOutcome first = LoadIntoEmpty(db, path);
    const LoadOutcome again = Load(db, path);
    if (first.status == LoadOutcome::Status::kComplete &&
        again.status == LoadOutcome::Status::kComplete) {
        FUZZ_CHECK(again.ingredients == 0 && again.recipes == 0,
                   "a second load of the same file adds nothing");
        const Counts stored = Stored(db);
        FUZZ_CHECK(stored.ingredients == first.ingredients && stored.recipes == first.recipes,
                   "a second load of the same file leaves the counts as they were");
    }
    return 0;
}
