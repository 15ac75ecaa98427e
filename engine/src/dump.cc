// KW_DBDump and KW_DBSelDump: the records of all tables, or of chosen ones in the order given,
// written to a dump file (format in dump_format.h).
//
// What callers may rely on:
//   - the file is created when missing and written from its start; an existing longer file
//     keeps its bytes past the new end, which no load reads;
//   - every table dumped must be open (509, also for a number naming no table); each section
//     holds the table's records in chain order, read through a temporary instance;
//   - results: 0; 501 bad handle or table array; 509; 502 the chain cannot be counted; 519 a
//     record of the wrong length; the store's detailed code (also the extended error) when a
//     record cannot be read; 522 the file cannot be opened or a write fails (a full disk);
//     500. The first failure stops the dump and leaves the file partly written.
#include <vector>

#include "dump_format.h"
#include "instances.h"
#include "record_access.h"

using namespace kw::engine;

namespace {

// One table's section, after its name.
KWRESULT WriteSection(TableSlot &table, int32_t tableNumber, DumpWriter &out) {
    int32_t inst = -1;
    if (KWRESULT r = OpenInstance(table, tableNumber, &inst)) return r;
    Instance &instance = table.instances[static_cast<size_t>(inst)];
    KWRESULT result = KW_OK;
    int32_t count = 0;
    // The walk also makes the cached count exact again.
    table.cachedCount = -1;
    result = CountTableRecords(table, &count);
    if (result == KW_OK) {
        out.Put(kSectionMarker, sizeof kSectionMarker);
        out.PutInt32(count);
        const int32_t length = table.recordLength;
        if (out.ok()) {
            // A failed write ends the walk with KWERR_IO, as reported below.
            result = ForEachWholeRecord(
                *table.store, length, instance.record.data(),
                [&](int32_t, const uint8_t *record) -> KWRESULT {
                    out.PutInt32(length);
                    out.Put(record, static_cast<size_t>(length));
                    out.PutUint16(DumpChecksum(record, static_cast<size_t>(length)));
                    return out.ok() ? KW_OK : KWERR_IO;
                });
        }
    }
    CloseInstance(table.instances[static_cast<size_t>(inst)]);
    if (result == KW_OK && !out.ok()) result = KWERR_IO;
    return result;
}

KWRESULT Dump(int32_t db, const char *path, int32_t count, const int32_t *tables) {
    DatabaseSlot *database = nullptr;
    if (KWRESULT r = CheckDatabase(db, &database)) return r;
    if (count > 0 && tables == nullptr) return KWERR_BADHANDLE;
    if (path == nullptr) return KWERR_IO;
    auto file = kw::platform::OpenExclusive(path, kw::platform::OpenMode::kCreateIfMissing);
    if (!file) return KWERR_IO;

    DumpWriter out(*file);
    out.Put(kDumpMagic, sizeof kDumpMagic);
    out.Put(kDumpVersion, sizeof kDumpVersion);
    out.PutInt32(count);
    KWRESULT result = out.ok() ? KW_OK : KWERR_IO;
    for (int32_t i = 0; i < count && result == KW_OK; ++i) {
        const int32_t number = tables[i];
        if (number < 0 || static_cast<size_t>(number) >= database->tables.size()) {
            result = KWERR_NOTOPEN;
            break;
        }
        TableSlot &table = database->tables[static_cast<size_t>(number)];
        if (table.definition == nullptr || !table.IsOpen()) {
            result = KWERR_NOTOPEN;
            break;
        }
        out.Put(table.definition->name, kDumpNameSize);
        result = WriteSection(table, number, out);
    }
    if (!out.Finish() && result == KW_OK) result = KWERR_IO;
    return result;
}

}  // namespace

KWRESULT KW_DBDump(int32_t db, const char *path) {
    return Guarded([&] {
        DatabaseSlot *database = nullptr;
        if (KWRESULT r = CheckDatabase(db, &database)) return r;
        std::vector<int32_t> all(database->tables.size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<int32_t>(i);
        return Dump(db, path, static_cast<int32_t>(all.size()), all.data());
    });
}

KWRESULT KW_DBSelDump(int32_t db, const char *path, int32_t count, const int32_t *tables) {
    // Only the low 16 bits of the count are used.
    return Guarded([&] { return Dump(db, path, count & 0xFFFF, tables); });
}
