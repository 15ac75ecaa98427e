// KW_DBLoad: reads a dump file (format in dump_format.h) back into the tables of the same names,
// inserting every record through the indexed insert, so each record gets a new serial number
// and every index is kept in step.
//
// A record whose unique key is already taken (303) counts as a duplicate and is skipped, or with
// the replace flag it replaces the stored record: the table's first unique index (index 0 when
// none is unique) is searched with the incoming record's key, the record found is deleted and
// the incoming one inserted. Should that insert fail, the stored record goes back in (with a new
// serial), so a refused replacement loses nothing. On a table whose indexes are all non-unique
// the serials keep keys apart and every record is added, again if it is there already.
//
// Results. The file's structure decides whether the load can go on: 522 the file cannot be
// opened, a read comes up short (a truncated file) or a section names no table; 523 the file
// magic or a section marker is wrong; 526 the version text is not "1.0.0"; 519 a record length
// that is not the table's (nothing is allocated from the file's lengths); 509 a table not open.
// These stop the load at once. A failure of one record - 521 for a checksum mismatch, an insert
// failure, or the search or delete of a replacement - skips that record only: the load goes on
// with the rest of the file and returns the first such failure at the end. What was inserted
// before a failure stays. The duplicate count is written as the load goes.
#include <cerrno>
#include <cstring>
#include <string_view>

#include "dump_format.h"
#include "instances.h"
#include "navigation.h"
#include "record_access.h"
#include "record_keys.h"
#include "record_writes.h"
#include "table_def.h"

using namespace kw::engine;

namespace {

struct LoadRun {
    bool replace = false;
    int32_t *duplicates = nullptr;
    KWRESULT recordFailure = KW_OK;  // the first failure of a single record

    void NoteRecordFailure(KWRESULT r) {
        if (recordFailure == KW_OK) recordFailure = r;
    }
};

// The index a replacement searches: the first unique one, else index 0.
size_t ReplacementIndex(const TableSlot &table) {
    for (size_t i = 0; i < table.indexes.size(); ++i)
        if (table.indexes[i].layout->flags & KW_KEY_UNIQUE) return i;
    return 0;
}

// Replaces the stored record whose key the incoming record (in incoming's buffer) shares.
KWRESULT Replace(TableSlot &table, Instance &incoming, Instance &stored) {
    if (table.indexes.empty()) return KW_NOTFOUND;
    const size_t idx = ReplacementIndex(table);
    stored.record = incoming.record;
    KWRESULT r = Navigate(table, static_cast<int32_t>(idx), stored, Move::kExact, nullptr, 0, true);
    // A non-unique index gives the first record at or after the key, which may be another one.
    if (r == KW_OK &&
        !SameSearchKey(*table.indexes[idx].layout, stored.record.data(), incoming.record.data())) {
        stored.current = -1;
        r = Detailed(KW_NOTFOUND);
    }
    if (r != KW_OK) return r;
    if (KWRESULT d = IndexedDelete(table, stored)) return d;
    const KWRESULT inserted = IndexedInsert(table, incoming);
    if (inserted != KW_OK) IndexedInsert(table, stored);
    return inserted;
}

KWRESULT LoadRecords(TableSlot &table, Instance &incoming, Instance &stored, DumpReader &in,
                     LoadRun &run) {
    uint8_t marker[sizeof kSectionMarker];
    if (!in.Get(marker, sizeof marker)) return KWERR_IO;
    if (std::memcmp(marker, kSectionMarker, sizeof marker) != 0) return KWERR_NOTDUMP;
    int32_t declared = 0;
    if (!in.GetInt32(&declared)) return KWERR_IO;
    const auto count = static_cast<uint32_t>(declared);
    uint8_t *record = incoming.record.data();
    const auto length = static_cast<size_t>(table.recordLength);
    for (uint32_t k = 0; k < count; ++k) {
        int32_t recordLength = 0;
        if (!in.GetInt32(&recordLength)) return KWERR_IO;
        if (recordLength != table.recordLength) return KWERR_RECLEN;
        uint16_t checksum = 0;
        if (!in.Get(record, length) || !in.GetUint16(&checksum)) return KWERR_IO;
        if (DumpChecksum(record, length) != checksum) {
            run.NoteRecordFailure(KWERR_CHECKSUM);
            continue;
        }
        KWRESULT r = IndexedInsert(table, incoming);
        if (r == BTERR_DUPLICATE) {
            ++*run.duplicates;
            r = run.replace ? Replace(table, incoming, stored) : KW_OK;
        }
        if (r != KW_OK) run.NoteRecordFailure(r);
    }
    return KW_OK;
}

KWRESULT LoadSection(TableSlot &table, int32_t tableNumber, DumpReader &in, LoadRun &run) {
    // The replace search reads the indexes.
    if (KWRESULT r = SettleDeferredIndexes(table)) return r;
    int32_t first = -1, second = -1;
    if (KWRESULT r = OpenInstance(table, tableNumber, &first)) return r;
    if (KWRESULT r = OpenInstance(table, tableNumber, &second)) {
        CloseInstance(table.instances[static_cast<size_t>(first)]);
        return r;
    }
    // Both are taken before either is used: opening may move the instance list.
    Instance &incoming = table.instances[static_cast<size_t>(first)];
    Instance &stored = table.instances[static_cast<size_t>(second)];
    int32_t count = 0;
    KWRESULT result = CountTableRecords(table, &count);
    if (result == KW_OK) result = LoadRecords(table, incoming, stored, in, run);
    CloseInstance(incoming);
    CloseInstance(stored);
    return result;
}

// The live table whose name equals the section's name (up to its NUL, case-sensitive), or -1.
int32_t FindTable(const DatabaseSlot &database, const uint8_t (&name)[kDumpNameSize]) {
    const char *text = reinterpret_cast<const char *>(name);
    const std::string_view wanted(text, ::strnlen(text, kDumpNameSize));
    for (size_t i = 0; i < database.tables.size(); ++i) {
        const KW_TableDef *def = database.tables[i].definition;
        if (def != nullptr && TableName(*def) == wanted) return static_cast<int32_t>(i);
    }
    return -1;
}

std::unique_ptr<kw::platform::RandomAccessFile> OpenDump(const char *path) {
    int error = 0;
    auto file = kw::platform::OpenExclusive(path, kw::platform::OpenMode::kExisting, &error);
    // A dump on read-only media still loads; a file another holder locks does not.
    if (!file && (error == EACCES || error == EROFS || error == EPERM)) {
        file = kw::platform::OpenReadOnly(path);
    }
    return file;
}

KWRESULT Load(int32_t db, const char *path, int32_t replace, int32_t *duplicates) {
    DatabaseSlot *database = nullptr;
    if (KWRESULT r = CheckDatabase(db, &database)) return r;
    int32_t ownCount = 0;
    LoadRun run;
    run.replace = replace != 0;
    run.duplicates = duplicates ? duplicates : &ownCount;
    *run.duplicates = 0;
    if (path == nullptr) return KWERR_IO;
    auto file = OpenDump(path);
    if (!file) return KWERR_IO;

    DumpReader in(*file);
    uint8_t magic[sizeof kDumpMagic];
    if (!in.Get(magic, sizeof magic)) return KWERR_IO;
    if (std::memcmp(magic, kDumpMagic, sizeof magic) != 0) return KWERR_NOTDUMP;
    uint8_t version[sizeof kDumpVersion];
    if (!in.Get(version, sizeof version)) return KWERR_IO;
    if (std::memcmp(version, kDumpVersion, sizeof version) != 0) return KWERR_DUMPVERSION;
    int32_t sections = 0;
    if (!in.GetInt32(&sections)) return KWERR_IO;

    for (uint32_t i = 0; i < static_cast<uint32_t>(sections); ++i) {
        uint8_t name[kDumpNameSize];
        if (!in.Get(name, sizeof name)) return KWERR_IO;
        const int32_t number = FindTable(*database, name);
        if (number < 0) return KWERR_IO;
        TableSlot &table = database->tables[static_cast<size_t>(number)];
        if (KWRESULT r = LoadSection(table, number, in, run)) return r;
    }
    return run.recordFailure;
}

}  // namespace

KWRESULT KW_DBLoad(int32_t db, const char *path, int32_t replace, int32_t *duplicates) {
    return Guarded([&] { return Load(db, path, replace, duplicates); });
}
