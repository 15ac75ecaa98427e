// Fuzz target: KW_DBLoad on arbitrary dump bytes, into the tables KWRECIPE and KWCAT
// (engine_fixture.h), whose files start empty on every input. The seeds are dumps the engine wrote
// (fuzz_seed_tool dumps).
//
// Each input is written as a file and loaded twice, first keeping and then replacing the
// records whose unique key is taken, and checked:
//   1. every result is one the load documents, and the duplicate count is not negative;
//   2. after each load, every index of both tables holds exactly the records of the chain (the
//      indexed insert is all-or-nothing), the same both ways;
//   3. when both loads succeed, the replacing load leaves as many records as the first;
//   4. what was loaded dumps with 0, and that dump loads with 0 and no duplicate into the
//      cleared tables, giving the same record counts again.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine_fixture.h"
#include "fuzz_check.h"

namespace {

using namespace kw::fuzz;

constexpr size_t kWalkLimit = 100000;

bool LoadResultKnown(KWRESULT r) {
    switch (r) {
        case KW_OK:
        case KWERR_NOMEM:
        case KWERR_NOTOPEN:
        case KWERR_RECLEN:
        case KWERR_CHECKSUM:
        case KWERR_IO:
        case KWERR_NOTDUMP:
        case KWERR_DUMPVERSION:
        case KWERR_NOSPACE:
        case KWERR_EXTENDED:
        // Insert failures of a single record, as the indexed insert returns them.
        case BTERR_KEYLONG:
        case BTERR_KEYEMPTY:
        case BTERR_BADPAGE:
        case BTERR_NOBUFFER:
        case BTERR_CORRUPT:
        case BTERR_COMPARE:
        case STERR_WRITE:
        case STERR_BADBLOCK:
        case STERR_OVERFLOW:
            return true;
        default:
            return false;
    }
}

// The record count of tbl, checked against a walk of each of its indexes both ways.
int32_t CheckedCount(const FuzzDatabase &d, int32_t tbl, int32_t indexCount) {
    int32_t count = -1;
    FUZZ_CHECK(KW_DBGetCount(d.db, tbl, &count) == KW_OK, "a loaded table can be counted");
    int32_t inst = -1;
    FUZZ_CHECK(KW_DBOpenTableInst(d.db, tbl, &inst) == KW_OK, "an instance opens");
    for (int32_t idx = 0; idx < indexCount; ++idx) {
        const IndexWalk forward = WalkIndex(d, tbl, idx, inst, true, kWalkLimit);
        const IndexWalk backward = WalkIndex(d, tbl, idx, inst, false, kWalkLimit);
        if (forward.refs.size() != static_cast<size_t>(count) || forward.end != KW_END) {
            std::fprintf(stderr, "table %d index %d: count %d, walk %zu ending %d\n", tbl, idx,
                         count, forward.refs.size(), forward.end);
        }
        FUZZ_CHECK(forward.end == KW_END && backward.end == KW_START,
                   "an index of a loaded table walks to both ends");
        FUZZ_CHECK(forward.refs.size() == static_cast<size_t>(count),
                   "every index of a loaded table holds every record");
        FUZZ_CHECK(std::equal(forward.refs.begin(), forward.refs.end(), backward.refs.rbegin(),
                              backward.refs.rend()),
                   "an index of a loaded table gives the same order both ways");
    }
    KW_DBCloseTableInst(d.db, tbl, inst);
    return count;
}

struct Counts {
    int32_t recipe = 0;
    int32_t cat = 0;
    bool operator==(const Counts &) const = default;
};

Counts CheckedCounts(const FuzzDatabase &d) {
    return {CheckedCount(d, d.recipe, kRecipeIndexCount), CheckedCount(d, d.cat, 1)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzWorkspace &workspace = FuzzWorkspace::Get();
    const FuzzWorkspace::Inside inside = workspace.Enter();
    const std::string input = workspace.Root() + "/input.sda";
    const std::string again = workspace.Root() + "/again.sda";
    FuzzWriteFile(input, std::string_view(reinterpret_cast<const char *>(data), size));
    ::unlink(again.c_str());
    // Empty files: the tables start new on every input, whatever the last one left.
    for (const std::string &name : RecipeFileNames())
        FuzzWriteFile(workspace.DataFile(name), "");
    for (const char *name : {"KWCAT.dat", "KWCAT.i00"})
        FuzzWriteFile(workspace.DataFile(name), "");

    FuzzDatabase d;
    FUZZ_CHECK(d.Open(true), "the fuzz database opens");
    FUZZ_CHECK(KW_DBOpenTable(d.db, d.recipe) == KW_OK && KW_DBOpenTable(d.db, d.cat) == KW_OK,
               "the tables open");

    int32_t duplicates = -1;
    const KWRESULT kept = KW_DBLoad(d.db, input.c_str(), 0, &duplicates);
    FUZZ_CHECK(LoadResultKnown(kept), "the load gives a documented result");
    FUZZ_CHECK(duplicates >= 0, "the duplicate count is not negative");
    const Counts first = CheckedCounts(d);

    duplicates = -1;
    const KWRESULT replaced = KW_DBLoad(d.db, input.c_str(), 1, &duplicates);
    FUZZ_CHECK(LoadResultKnown(replaced), "the replacing load gives a documented result");
    FUZZ_CHECK(duplicates >= 0, "the duplicate count is not negative");
    const Counts second = CheckedCounts(d);
    if (kept == KW_OK && replaced == KW_OK) {
        FUZZ_CHECK(first == second, "a replacing load of the same file adds nothing");
    }

    FUZZ_CHECK(KW_DBDump(d.db, again.c_str()) == KW_OK, "the loaded records dump");
    FUZZ_CHECK(KW_DBClearTable(d.db, d.recipe) == KW_OK && KW_DBClearTable(d.db, d.cat) == KW_OK,
               "the tables clear");
    duplicates = -1;
    FUZZ_CHECK(KW_DBLoad(d.db, again.c_str(), 0, &duplicates) == KW_OK,
               "the engine's own dump loads");
    FUZZ_CHECK(duplicates == 0, "the engine's own dump holds no duplicate");
    FUZZ_CHECK(CheckedCounts(d) == second, "the engine's own dump loads every record");

    d.Close();
    return 0;
}
