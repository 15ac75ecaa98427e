// KW_DBReadStoredFields: chosen fields of every record of a table, in store order, read from the
// file in large pieces (ChainReader) instead of one read per record through the block cache. A
// caller that needs a few fields of every record (a search testing one field of each recipe)
// pays for one read per MiB of the store instead of one system call per record.
//
// The caller's buffer holds one row per record, the rows back to back:
//
//   OFFSET                 SIZE            MEANING
//   0                      width of f[0]   field f[0] as stored (full width, no terminator)
//   width of f[0]          width of f[1]   field f[1]
//   ...                    ...             ...
//   row size = sum of the widths; record k's row starts at k * row size.
//
// What callers may rely on:
//  - Exactly the records a walk of the chain reading each whole record (ChainWalk with
//    RecordStore::ReadRecord, as a reindex inserts them) gives, in that order, and the same
//    bytes. Where that walk would fail, this fails with its code: 403 for a damaged chain or
//    block (a bad reference, magic, capacity, link, a freed block, a loop, bytes cut off by the
//    file's end), 519 for a record block whose used length is below the record length. The
//    code is returned and, below 500, also stored as the extended error, as navigation does.
//  - The table's deferred block writes are written back first (as KW_DBFlushTable would), so
//    the file holds every byte the cache would have served; 154 when that fails. Nothing else
//    is written, and no index, instance or cursor is touched.
//  - Every record is read and checked whatever the capacity: *count is the number of records,
//    and only the first min(count, capacity) rows are written.
#include <cstring>
#include <string_view>
#include <vector>

#include "record_access.h"
#include "store_chain_reader.h"
#include "table_def.h"

using namespace kw::engine;

namespace {

struct FieldSpan {
    int32_t offset;
    int32_t width;
};

// The chain walked again through the cache, one whole record at a time, to give the code a
// failed bulk walk stands for: the store's own for a damaged chain or block, 519 for a short
// record. Only a damaged store comes here.
KWRESULT DiagnoseFailedWalk(TableSlot &table) {
    std::vector<uint8_t> record(static_cast<size_t>(table.recordLength));
    const KWRESULT r = ForEachWholeRecord(*table.store, table.recordLength, record.data(),
                                          [](int32_t, const uint8_t *) { return KWRESULT{KW_OK}; });
    // When the bulk walk failed where this one did not, the file could not be read.
    return r != KW_OK ? r : Detailed(STERR_BADBLOCK);
}

}  // namespace

KWRESULT KW_DBReadStoredFields(int32_t db, int32_t tbl, int32_t fieldCount,
                               const char *const *fields, void *out, int32_t capacity,
                               int32_t *count) {
    return WithTableAsIs(db, tbl, [&](DatabaseSlot &, TableSlot &table) -> KWRESULT {
        if (fieldCount < 0 || (fieldCount > 0 && fields == nullptr) || capacity < 0 ||
            (capacity > 0 && out == nullptr) || count == nullptr) {
            return KWERR_BADHANDLE;
        }
        std::vector<FieldSpan> spans;
        spans.reserve(static_cast<size_t>(fieldCount));
        size_t rowSize = 0;
        for (int32_t i = 0; i < fieldCount; ++i) {
            const char *name = fields[i];
            if (name == nullptr) return KWERR_NOFIELD;
            const int32_t field = FindField(table, std::string_view(name, ::strnlen(name, 12)));
            if (field < 0) return KWERR_NOFIELD;
            const int32_t width = table.definition->fields[field].width;
            spans.push_back({table.fieldOffsets[static_cast<size_t>(field)], width});
            rowSize += static_cast<size_t>(width);
        }
        if (!table.IsOpen()) return KWERR_NOTOPEN;

        ChainReader reader(*table.store, table.recordLength);
        uint8_t *row = static_cast<uint8_t *>(out);
        int32_t records = 0;
        int32_t ref = -1;
        const uint8_t *record = nullptr;
        while (reader.Next(&ref, &record) && ref != -1) {
            if (records < capacity) {
                for (const FieldSpan &span : spans) {
                    std::memcpy(row, record + span.offset, static_cast<size_t>(span.width));
                    row += span.width;
                }
            }
            ++records;
        }
        if (reader.Failed()) {
            // A write-back that failed is its own code; anything else is diagnosed again.
            if (table.store->LastError() == STERR_FLUSH && reader.Steps() == 0 && records == 0)
                return Detailed(STERR_FLUSH);
            return DiagnoseFailedWalk(table);
        }
        *count = records;
        return KWRESULT{KW_OK};
    });
}
