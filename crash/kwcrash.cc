// kwcrash: the crash harness's program, run in a working directory of its own.
//
//   kwcrash work DIRECTORY SEED   starts the application core there (with its unclean-run index
//                                 rebuild and repair), saves again every recipe a kill left half
//                                 changed, then adds, updates and deletes recipes
//                                 without end, with a periodic write every 1 to 30 changes,
//                                 after which it writes a settings value and records the
//                                 flushed recipes (flushed_state.h). It is meant to be killed.
//   kwcrash verify DIRECTORY      starts the application core (the start after a kill), checks
//                                 that every recipe of the last recorded periodic write not
//                                 touched since is present and intact, that every recipe record
//                                 present is whole, and that the settings file is whole; then
//                                 ends the run cleanly. Prints one "verify:" summary line and
//                                 each fault; exit status 0 when there is none.
//
// Exit status of work: 2 when the start fails, 3 when a periodic write or its record fails,
// 4 when a change fails; it never ends by itself otherwise.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>

#include "app/core/application.h"
#include "app/data/database.h"
#include "flushed_state.h"
#include "recipe_versions.h"

namespace kw::crash {
namespace {

constexpr char kSection[] = "CrashHarness";
constexpr char kWritesKey[] = "Writes";
constexpr char kOperationsKey[] = "Operations";

class PrintingSink final : public MessageSink {
  public:
    Answer Show(const UserMessage &message) override {
        std::fprintf(stderr, "kwcrash: message %d: %s\n", message.id, message.text.c_str());
        return Answer::kNo;  // a harness never restores the backup over its own data
    }
};

bool Started(RecipeApplication &app) {
    const StartResult started = app.Start();
    if (started != StartResult::kStarted) {
        std::fprintf(stderr, "kwcrash: the start failed (%d)\n", static_cast<int>(started));
        return false;
    }
    if (app.IndexRebuildResult() != KW_OK) {
        std::fprintf(stderr, "kwcrash: the index rebuild failed with %d\n",
                     app.IndexRebuildResult());
        return false;
    }
    return true;
}

int Work(unsigned seed) {
    PrintingSink sink;
    NullProgress progress;
    RecipeApplication app(sink, progress);
    if (!Started(app)) return 2;
    CKWDatabase &database = app.Database();
    std::map<RecipeIdentity, int32_t> live;
    if (KWRESULT r = ListRecipes(database, &live); r != KW_OK) {
        std::fprintf(stderr, "kwcrash: the recipes cannot be listed: %d\n", r);
        return 2;
    }
    FlushedState flushed;
    bool whole = false;
    ReadFlushedState(kFlushedFile, &flushed, &whole);
    int32_t version = 1;
    for (const auto &[id, v] : live)
        version = std::max(version, v + 1);
    for (const auto &[id, v] : flushed.recipes)
        version = std::max(version, v + 1);

    // A recipe changed after the last periodic write may have come through the kill half
    // changed (some of its ingredient lines old, some new: each record reaches the disk on its
    // own). The program saves such a recipe again before it counts as written.
    for (auto &[id, v] : live) {
        if (v >= 0 && CheckRecipe(database, id, v).empty()) continue;
        if (KWRESULT r = WriteRecipe(database, id, version); r != KW_OK) {
            std::fprintf(stderr, "kwcrash: saving %s/%s again failed: %d\n", id.category.c_str(),
                         id.name.c_str(), r);
            return 4;
        }
        v = version++;
    }

    TouchLog touchLog(kTouchedFile);
    std::set<RecipeIdentity> touched;
    auto periodicWrite = [&]() {
        if (KWRESULT r = app.PeriodicWrite(); r != KW_OK) {
            std::fprintf(stderr, "kwcrash: the periodic write failed: %d\n", r);
            return false;
        }
        // The settings value first: it is then always the recorded count or one above it.
        flushed.writes += 1;
        flushed.recipes = live;
        if (!app.SettingsFile().WriteInt(kSection, kWritesKey, static_cast<int>(flushed.writes)) ||
            !WriteFlushedState(kFlushedFile, flushed) || !touchLog.Clear()) {
            std::fprintf(stderr, "kwcrash: the flushed recipes cannot be recorded\n");
            return false;
        }
        touched.clear();
        return true;
    };
    if (!periodicWrite()) return 3;

    std::mt19937 random(seed);
    int untilWrite = 1 + static_cast<int>(random() % 30);
    for (long operation = 1;; ++operation) {
        const RecipeIdentity id = PoolIdentity(static_cast<int>(random() % kPoolSize));
        if (flushed.recipes.count(id) && touched.insert(id).second && !touchLog.Add(id)) return 4;
        KWRESULT r = KW_OK;
        if (!live.count(id)) {
            r = WriteRecipe(database, id, version);
            live[id] = version++;
        } else if (random() % 3 == 0) {
            r = DeleteRecipe(database, id);
            live.erase(id);
        } else {
            r = WriteRecipe(database, id, version);
            live[id] = version++;
        }
        if (r != KW_OK) {
            std::fprintf(stderr, "kwcrash: changing %s/%s failed: %d\n", id.category.c_str(),
                         id.name.c_str(), r);
            return 4;
        }
        if (operation % 7 == 0 &&
            !app.SettingsFile().WriteInt(kSection, kOperationsKey, static_cast<int>(operation)))
            return 4;
        if (--untilWrite == 0) {
            if (!periodicWrite()) return 3;
            untilWrite = 1 + static_cast<int>(random() % 30);
        }
    }
}

int Verify() {
    PrintingSink sink;
    NullProgress progress;
    RecipeApplication app(sink, progress);
    if (!Started(app)) return 1;
    std::vector<std::string> faults;
    std::string repaired;
    for (const std::string &table : app.RepairedTables())
        repaired += (repaired.empty() ? "" : ",") + table;

    FlushedState flushed;
    bool whole = false;
    const bool recorded = ReadFlushedState(kFlushedFile, &flushed, &whole);
    if (recorded && !whole) faults.push_back(std::string(kFlushedFile) + " is not whole");
    const std::set<RecipeIdentity> touched = TouchLog::Read(kTouchedFile);
    int checked = 0;
    for (const auto &[id, version] : flushed.recipes) {
        if (touched.count(id)) continue;
        for (std::string &fault : CheckRecipe(app.Database(), id, version))
            faults.push_back(std::move(fault));
        ++checked;
    }
    std::map<RecipeIdentity, int32_t> present;
    if (KWRESULT r = ListRecipes(app.Database(), &present); r != KW_OK)
        faults.push_back("the recipes cannot be listed: " + std::to_string(r));
    for (const auto &[id, version] : present)
        for (std::string &fault : CheckRecipe(app.Database(), id, version, true))
            faults.push_back(std::move(fault));

    // The settings file: the program's own keys and the harness's count of periodic writes, as
    // of the last recorded write or the one after it (a kill between the two files).
    platform::Profile &settings = app.SettingsFile();
    if (!settings.HasKey("Status", "Clean")) faults.push_back("recipe.INI lost Status/Clean");
    if (recorded) {
        const int writes = settings.GetInt(kSection, kWritesKey, -1);
        if (writes != flushed.writes && writes != flushed.writes + 1)
            faults.push_back("recipe.INI holds write " + std::to_string(writes) + ", expected " +
                             std::to_string(flushed.writes));
    }
    const KWRESULT exited = app.Exit();
    if (exited != KW_OK) faults.push_back("the database closed with " + std::to_string(exited));

    std::printf(
        "verify: rebuilt=%d repaired=%s recipes=%zu flushed=%zu checked=%d touched=%zu "
        "faults=%zu\n",
        app.IndexesRebuilt() ? 1 : 0, repaired.empty() ? "-" : repaired.c_str(), present.size(),
        flushed.recipes.size(), checked, touched.size(), faults.size());
    for (const std::string &fault : faults)
        std::printf("fault: %s\n", fault.c_str());
    return faults.empty() ? 0 : 1;
}

}  // namespace
}  // namespace kw::crash

int main(int argc, char **argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if ((mode != "work" || argc != 4) && (mode != "verify" || argc != 3)) {
        std::fprintf(stderr, "usage: kwcrash work DIRECTORY SEED | kwcrash verify DIRECTORY\n");
        return 64;
    }
    if (::chdir(argv[2]) != 0) {
        std::perror(argv[2]);
        return 64;
    }
    if (mode == "work")
        return kw::crash::Work(static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
    return kw::crash::Verify();
}
