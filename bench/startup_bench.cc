// startup_bench: the database part of the program's start, timed on an existing recipe database
// (one search_bench built, or a copy of it). Two starts are measured, each from a closed
// database to an open one:
//
//   clean start     the previous run ended cleanly: the settings steps, then the open of
//                   KWDATA2 with every table of the schema
//   unclean start   the settings say the previous run did not end ("Clean" = 0): the same, plus
//                   the rebuild of every index of every table in schema order
//
//   startup_bench DIR [--rebuild]
//
// DIR holds KWDATA.INI and the database (KWDATA2). Without --rebuild only the clean start is
// run, which reads the tables and writes nothing into them. The rebuild rewrites every index file,
// so run it on a copy. The settings file the starts read and write is DIR/KWBENCH.INI.
//
// For each start it prints the process CPU time and the wall time; nothing fails on a time.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "app/core/recipe_database.h"
#include "app/core/schema.h"
#include "app/core/startup_flags.h"
#include "app/data/table.h"
#include "platform/profile.h"

namespace {

using namespace kw;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// One start as the application object makes it, up to the open database with its indexes
// rebuilt when the settings ask for that; the database is closed again afterwards.
bool Start(const char *title, bool previousRunEnded) {
    platform::Profile profile("KWBENCH.INI");
    profile.WriteString("Status", "Clean", previousRunEnded ? "1" : "0");
    profile.WriteString("Install", "Version", kProgramVersion);

    const double cpu = CpuSeconds();
    const auto wall = Clock::now();
    const bool clean = MarkRunStarted(profile);
    const InstallState state = ReadInstallState(profile);
    CKWDatabase database;
    const KWRESULT opened = OpenRecipeDatabase(database);
    if (opened != KW_OK) {
        std::fprintf(stderr, "%s: the database did not open (%d)\n", title, opened);
        return false;
    }
    const bool rebuild = IndexRebuildNeeded(clean, state);
    KWRESULT rebuilt = KW_OK;
    if (rebuild) {
        rebuilt = database.ReindexAll();
        ClearReIndexRequest(profile);
    }
    const double cpuUsed = CpuSeconds() - cpu;
    const double wallUsed = std::chrono::duration<double>(Clock::now() - wall).count();
    MarkRunEnded(profile);

    int32_t recipes = 0;
    database.FindTable(schema::kTableRecipe)->GetCount(&recipes);
    std::printf("%-16s %6d recipes, rebuild %-3s (result %d), %6.2f s cpu, %6.2f s wall\n", title,
                recipes, rebuild ? "yes" : "no", rebuilt, cpuUsed, wallUsed);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2 || (argc > 2 && std::strcmp(argv[2], "--rebuild") != 0)) {
        std::fprintf(stderr, "usage: startup_bench DIR [--rebuild]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it comes, also into a file
    if (::chdir(argv[1]) != 0) return 1;
    if (!Start("clean start", true)) return 1;
    if (argc > 2 && !Start("unclean start", false)) return 1;
    return 0;
}
