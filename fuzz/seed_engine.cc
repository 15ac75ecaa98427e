// Seeds of the engine targets, written by the engine itself (commands "tables" and "dumps" of
// fuzz_seed_tool): the table files of KWRECIPE after a few kinds of history, joined as the
// table-file target reads them, and dumps of KWRECIPE and KWCAT. Each seed is made in the fuzz
// workspace from empty files, so the seeds do not depend on one another.
#include "seed_engine.h"

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine_fixture.h"

namespace kw::fuzz {
namespace {

struct SampleRecipe {
    const char *name;
    const char *category;
};

constexpr SampleRecipe kSamples[] = {
    {"Apple Pie", "Desserts"},
    {"apple pie", "Baking"},
    {"Beef Stew", "Main"},
    {"Carrot Soup", "Soups"},
    {"Dutch Baby", "Breakfast"},
    {"Eggs Benedict", "Breakfast"},
    {"Fennel Salad", "Salads"},
    {"Gazpacho", "Soups"},
    {"Hummus", "Starters"},
    {"Irish Soda Bread", "Baking"},
    {"Jambalaya", "Main"},
    {"Kedgeree", "Breakfast"},
    {"Lemon Tart With Thyme", "Desserts"},
    {"Minestrone", "Soups"},
    {"Nasi Goreng", "Main"},
    {"Onion Bhaji", "Starters"},
};
constexpr size_t kSampleCount = sizeof kSamples / sizeof kSamples[0];

void EmptyTableFiles() {
    FuzzWorkspace &workspace = FuzzWorkspace::Get();
    for (const std::string &name : RecipeFileNames())
        FuzzWriteFile(workspace.DataFile(name), "");
    for (const char *name : {"KWCAT.dat", "KWCAT.i00"})
        FuzzWriteFile(workspace.DataFile(name), "");
}

// Record k of a history: names repeat with a round number once the samples run out, so long
// histories still have distinct unique keys.
KWRESULT InsertSample(const FuzzDatabase &d, int32_t inst, size_t k, bool quick = false) {
    const SampleRecipe &s = kSamples[k % kSampleCount];
    std::string name = s.name;
    if (k >= kSampleCount) name += " " + std::to_string(k / kSampleCount);
    const auto minutes = static_cast<int32_t>(k * 7 % 95) - 5;  // a few negative
    KWRESULT r = ComposeRecipe(d, inst, name, s.category, minutes, 0.5 * static_cast<double>(k));
    if (r != KW_OK) return r;
    return quick ? KW_DBQuickAddRecord(d.db, d.recipe, inst)
                 : KW_DBInsertRecord(d.db, d.recipe, inst);
}

KWRESULT InsertCategory(const FuzzDatabase &d, int32_t inst, const char *name) {
    char field[20] = {};
    std::snprintf(field, sizeof field, "%s", name);
    const char shown = 'T';
    KWRESULT r = KW_DBClearRecord(d.db, d.cat, inst);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.cat, inst, "NAME", field);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.cat, inst, "SHOWN", &shown);
    if (r == KW_OK) r = KW_DBInsertRecord(d.db, d.cat, inst);
    return r;
}

// Deletes every step-th record of the chain, starting with the first.
void DeleteEvery(const FuzzDatabase &d, int32_t inst, size_t step) {
    std::vector<int32_t> refs = WalkIndex(d, d.recipe, 0, inst, true, 100000).refs;
    for (size_t i = 0; i < refs.size(); i += step) {
        KW_DBGetRecordByRef(d.db, d.recipe, inst, refs[i]);
        KW_DBGetExactRecord(d.db, d.recipe, 0, inst, nullptr, 0, 1);  // positions the key buffers
        KW_DBDeleteRecord(d.db, d.recipe, inst);
    }
}

// Runs history on fresh tables (KWCAT opened too when withCat), then closes everything.
bool WithTables(bool withCat,
                const std::function<void(const FuzzDatabase &, int32_t, int32_t)> &history) {
    EmptyTableFiles();
    FuzzDatabase d;
    if (!d.Open(withCat) || KW_DBOpenTable(d.db, d.recipe) != KW_OK) return false;
    if (withCat && KW_DBOpenTable(d.db, d.cat) != KW_OK) return false;
    int32_t inst = -1, catInst = -1;
    KW_DBOpenTableInst(d.db, d.recipe, &inst);
    if (withCat) KW_DBOpenTableInst(d.db, d.cat, &catInst);
    history(d, inst, catInst);
    d.Close();  // closes the tables, writing headers and dirty buffers
    return true;
}

using History = std::pair<const char *, std::function<void(const FuzzDatabase &, int32_t)>>;

std::vector<History> TableHistories() {
    return {
        {"empty", [](const FuzzDatabase &, int32_t) {}},
        {"three",
         [](const FuzzDatabase &d, int32_t inst) {
             for (size_t k = 0; k < 3; ++k)
                 InsertSample(d, inst, k);
         }},
        // Enough records for two-level trees, a third deleted (a free list), some renamed.
        {"many-deleted",
         [](const FuzzDatabase &d, int32_t inst) {
             for (size_t k = 0; k < 40; ++k)
                 InsertSample(d, inst, k);
             DeleteEvery(d, inst, 3);
             for (size_t k = 40; k < 44; ++k)
                 InsertSample(d, inst, k);  // reuse freed blocks
             if (KW_DBGetLastRecord(d.db, d.recipe, 1, inst, nullptr, 0) == KW_OK) {
                 char name[20] = "Zucchini Bake";
                 KW_DBPutField(d.db, d.recipe, inst, "NAME", name);
                 KW_DBUpdateRecord(d.db, d.recipe, inst);
             }
         }},
        // Quick adds leave the indexes behind the chain.
        {"stale-indexes",
         [](const FuzzDatabase &d, int32_t inst) {
             for (size_t k = 0; k < 5; ++k)
                 InsertSample(d, inst, k);
             for (size_t k = 5; k < 8; ++k)
                 InsertSample(d, inst, k, true);
         }},
        // A clear leaves the old blocks behind the new end.
        {"cleared",
         [](const FuzzDatabase &d, int32_t inst) {
             for (size_t k = 0; k < 10; ++k)
                 InsertSample(d, inst, k);
             KW_DBClearTable(d.db, d.recipe);
             for (size_t k = 20; k < 23; ++k)
                 InsertSample(d, inst, k);
         }},
        // Every record deleted: an empty chain, a full free list and emptied trees.
        {"all-deleted",
         [](const FuzzDatabase &d, int32_t inst) {
             for (size_t k = 0; k < 14; ++k)
                 InsertSample(d, inst, k);
             DeleteEvery(d, inst, 1);
         }},
    };
}

bool WriteSeed(const std::string &dir, const std::string &name, const std::string &bytes) {
    FuzzWriteFile(dir + "/" + name, bytes);
    std::printf("%s/%s: %zu bytes\n", dir.c_str(), name.c_str(), bytes.size());
    return true;
}

}  // namespace

int WriteTableSeeds(const std::string &dir) {
    const FuzzWorkspace::Inside inside = FuzzWorkspace::Get().Enter();
    for (const History &h : TableHistories()) {
        if (!WithTables(false,
                        [&](const FuzzDatabase &d, int32_t inst, int32_t) { h.second(d, inst); })) {
            return 1;
        }
        std::string joined;
        const std::vector<std::string> names = RecipeFileNames();
        for (size_t i = 0; i < names.size(); ++i) {
            if (i > 0) joined += kFileSeparator;
            joined += FuzzReadFile(FuzzWorkspace::Get().DataFile(names[i]));
        }
        WriteSeed(dir, std::string("table-") + h.first, joined);
    }
    return 0;
}

int WriteDumpSeeds(const std::string &dir) {
    const FuzzWorkspace::Inside inside = FuzzWorkspace::Get().Enter();
    const std::string dump = FuzzWorkspace::Get().Root() + "/seed.sda";
    // Which tables a dump holds: all (KW_DBDump), or the given ones in the given order.
    const std::vector<std::pair<const char *, std::vector<int32_t>>> selections = {
        {"all", {}}, {"cat-then-recipe", {1, 0}}, {"recipe-only", {0}}};
    const std::vector<std::pair<const char *, size_t>> sizes = {
        {"empty", 0}, {"three", 3}, {"many", 30}};
    for (const auto &size : sizes) {
        for (const auto &selection : selections) {
            const size_t records = size.second;
            const std::vector<int32_t> &tables = selection.second;
            if (records == 0 && !tables.empty()) continue;
            std::remove(dump.c_str());
            KWRESULT dumped = -1;
            const bool ran =
                WithTables(true, [&](const FuzzDatabase &d, int32_t inst, int32_t catInst) {
                    for (size_t k = 0; k < records; ++k)
                        InsertSample(d, inst, k);
                    for (size_t k = 0; k < records && k < 5; ++k) {
                        InsertCategory(d, catInst, kSamples[k].category);
                    }
                    if (records > 3) DeleteEvery(d, inst, 4);
                    dumped = tables.empty()
                                 ? KW_DBDump(d.db, dump.c_str())
                                 : KW_DBSelDump(d.db, dump.c_str(),
                                                static_cast<int32_t>(tables.size()), tables.data());
                });
            if (!ran || dumped != KW_OK) return 1;
            WriteSeed(dir, std::string("dump-") + size.first + "-" + selection.first,
                      FuzzReadFile(dump));
        }
    }
    return 0;
}

}  // namespace kw::fuzz
