// Fuzz target: opening and walking a table whose record store and index files hold arbitrary
// bytes, through the engine's exports, as the program and its repair commands do.
//
// Input: the four files of KWRECIPE (engine_fixture.h) one after another, separated by
// "=KWFILE=":  KWRECIPE.dat =KWFILE= KWRECIPE.i00 =KWFILE= KWRECIPE.i01 =KWFILE= KWRECIPE.i02.
// A missing file is written empty. The seeds are files the engine wrote (fuzz_seed_tool tables).
//
// Each input is written to the database directory, then:
//   1. open the table (a refused open ends the run), count, and walk every index first-to-next
//      and last-to-previous, with an exact search at the end of each walk;
//   2. insert, update and delete a record of its own (the free list and the chain of the
//      damaged store are used);
//   3. reindex; when that succeeds and the chain can be counted, every index must hold exactly
//      the counted records, in the same order both ways, and the one-pass read of the store's
//      fields must find the same records;
//   4. recover; when it reports 0 the same must hold, and a reindex afterwards must succeed
//      (recovery leaves out every record an index refuses);
//   5. close the table and the database.
// Every walk is bounded (kWalkLimit records), so a loop in a file's links can only show as a
// hang inside one call.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine_fixture.h"
#include "fuzz_check.h"

namespace {

using namespace kw::fuzz;

constexpr size_t kWalkLimit = 4000;

// Both walks of every index hold exactly count records and mirror each other.
void CheckIndexesHold(const FuzzDatabase &d, int32_t inst, int32_t count, const char *after) {
    for (int32_t idx = 0; idx < kRecipeIndexCount; ++idx) {
        const IndexWalk forward = WalkIndex(d, d.recipe, idx, inst, true, kWalkLimit);
        const IndexWalk backward = WalkIndex(d, d.recipe, idx, inst, false, kWalkLimit);
        if (forward.cut || backward.cut) continue;
        if (forward.end != KW_END || backward.end != KW_START ||
            forward.refs.size() != static_cast<size_t>(count)) {
            std::fprintf(stderr,
                         "%s: index %d, count %d, forward %zu records ending %d, "
                         "backward %zu ending %d\n",
                         after, idx, count, forward.refs.size(), forward.end, backward.refs.size(),
                         backward.end);
        }
        FUZZ_CHECK(forward.end == KW_END && backward.end == KW_START,
                   "a rebuilt index walks to both ends");
        FUZZ_CHECK(forward.refs.size() == static_cast<size_t>(count),
                   "a rebuilt index holds every record of the chain");
        FUZZ_CHECK(std::equal(forward.refs.begin(), forward.refs.end(), backward.refs.rbegin(),
                              backward.refs.rend()),
                   "a rebuilt index gives the same order both ways");
    }
}

void WalkAll(const FuzzDatabase &d, int32_t inst) {
    for (int32_t idx = 0; idx < kRecipeIndexCount; ++idx) {
        for (bool forward : {true, false}) {
            const IndexWalk walk = WalkIndex(d, d.recipe, idx, inst, forward, kWalkLimit);
            // A search for the key of the record the walk ended on (when it ended on one).
            if (!walk.refs.empty() &&
                KW_DBGetRecordByRef(d.db, d.recipe, inst, walk.refs.back()) == KW_OK) {
                KW_DBGetExactRecord(d.db, d.recipe, idx, inst, nullptr, 0, 1);
            }
        }
    }
}

void OwnRecord(const FuzzDatabase &d, int32_t inst) {
    if (ComposeRecipe(d, inst, "Fuzz Pie", "Fuzzing", 42, 2.5) != KW_OK) return;
    if (KW_DBInsertRecord(d.db, d.recipe, inst) != KW_OK) return;
    int32_t minutes = 43;
    KW_DBPutField(d.db, d.recipe, inst, "MINUTES", &minutes);
    KW_DBUpdateRecord(d.db, d.recipe, inst);
    KW_DBDeleteRecord(d.db, d.recipe, inst);
}

// The one-pass read of the store walks the chain as the reindex does, so after a reindex it
// must succeed and find the records the chain count found.
void CheckStoredFieldsRead(const FuzzDatabase &d, int32_t count) {
    const char *fields[] = {"NAME", "CATEGORY"};
    std::vector<char> rows(kWalkLimit * 256);
    int32_t stored = -1;
    const KWRESULT r = KW_DBReadStoredFields(d.db, d.recipe, 2, fields, rows.data(),
                                             static_cast<int32_t>(kWalkLimit), &stored);
    if (r != KW_OK || stored != count)
        std::fprintf(stderr, "stored fields: result %d, %d records, count %d\n", r, stored, count);
    FUZZ_CHECK(r == KW_OK, "the store of a reindexed table reads in one pass");
    FUZZ_CHECK(stored == count, "the one-pass read finds the records the chain count found");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzWorkspace &workspace = FuzzWorkspace::Get();
    const FuzzWorkspace::Inside inside = workspace.Enter();
    const std::vector<std::string_view> files =
        SplitTableFiles(std::string_view(reinterpret_cast<const char *>(data), size));
    const std::vector<std::string> names = RecipeFileNames();
    for (size_t i = 0; i < files.size(); ++i)
        FuzzWriteFile(workspace.DataFile(names[i]), files[i]);

    FuzzDatabase d;
    FUZZ_CHECK(d.Open(false), "the fuzz database opens");
    if (KW_DBOpenTable(d.db, d.recipe) != KW_OK) {
        d.Close();
        return 0;
    }
    int32_t inst = -1;
    FUZZ_CHECK(KW_DBOpenTableInst(d.db, d.recipe, &inst) == KW_OK, "an instance opens");

    int32_t count = 0;
    KW_DBGetCount(d.db, d.recipe, &count);
    WalkAll(d, inst);
    OwnRecord(d, inst);

    if (KW_DBReindexTable(d.db, d.recipe) == KW_OK &&
        KW_DBGetCount(d.db, d.recipe, &count) == KW_OK) {
        CheckIndexesHold(d, inst, count, "reindex");
        CheckStoredFieldsRead(d, count);
    }
    WalkAll(d, inst);

    const KWRESULT recovered = KW_DBRecoverTable(d.db, d.recipe);
    FUZZ_CHECK(recovered == KW_OK || recovered == KWERR_EXTENDED,
               "recovery reports 0 or a file failure");
    if (recovered == KW_OK) {
        FUZZ_CHECK(KW_DBGetCount(d.db, d.recipe, &count) == KW_OK,
                   "the recovered chain can be counted");
        CheckIndexesHold(d, inst, count, "recovery");
        FUZZ_CHECK(KW_DBReindexTable(d.db, d.recipe) == KW_OK,
                   "a recovered table reindexes without a duplicate");
    }
    OwnRecord(d, inst);

    KW_DBCloseTableInst(d.db, d.recipe, inst);
    KW_DBCloseTable(d.db, d.recipe);
    d.Close();
    return 0;
}
