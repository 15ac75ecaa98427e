// Table definition validation and the record layout.
#include "table_def.h"

#include <cstring>
#include <vector>

namespace kw::engine {
namespace {

bool ValidFieldName(const KW_FieldDef &field) {
    // Without a NUL in the first 11 bytes the name has more than 10 characters.
    if (::strnlen(field.name, sizeof field.name) > static_cast<size_t>(kMaxFieldNameLength))
        return false;
    for (char c : FieldName(field))
        if (!((c >= 'A' && c <= 'Z') || c == '_')) return false;
    return true;
}

// Applies the width rule of the field's type, forcing fixed widths into the descriptor.
KWRESULT CheckWidth(KW_FieldDef &field, bool *seenSerial) {
    switch (field.type) {
        case 'C':
            return field.width >= 1 && field.width <= kMaxCharFieldWidth ? KW_OK : KWERR_FIELDWIDTH;
        case 'F':
            return field.width == 4 || field.width == 8 ? KW_OK : KWERR_FIELDWIDTH;
        case 'I':
            return field.width == 2 || field.width == 4 ? KW_OK : KWERR_FIELDWIDTH;
        case 'D':
            field.width = 8;
            return KW_OK;
        case 'L':
            field.width = 1;
            return KW_OK;
        case 'M':
            field.width = 10;
            return KW_OK;
        case 'U':
            field.width = 4;
            if (*seenSerial) return KWERR_TWOSERIALS;
            *seenSerial = true;
            return KW_OK;
        default:
            return KWERR_FIELDTYPE;
    }
}

}  // namespace

std::string_view FieldName(const KW_FieldDef &field) {
    return std::string_view(field.name, ::strnlen(field.name, sizeof field.name));
}

std::string TableName(const KW_TableDef &def) {
    return std::string(def.name, ::strnlen(def.name, sizeof def.name));
}

KWRESULT AddTable(DatabaseSlot &database, KW_TableDef *def, int32_t *tbl) {
    if (def == nullptr) return KWERR_BADHANDLE;
    const int32_t fieldCount = def->fieldCount > 0 ? def->fieldCount : 0;
    if (fieldCount > 0 && def->fields == nullptr) return KWERR_BADHANDLE;

    std::vector<int32_t> offsets;
    offsets.reserve(static_cast<size_t>(fieldCount));
    int64_t length = 0;
    int32_t serialOffset = 0;
    bool seenSerial = false;
    for (int32_t i = 0; i < fieldCount; ++i) {
        KW_FieldDef &field = def->fields[i];
        if (!ValidFieldName(field)) return KWERR_FIELDNAME;
        const bool hadSerial = seenSerial;
        if (KWRESULT r = CheckWidth(field, &seenSerial)) return r;
        if (seenSerial && !hadSerial) serialOffset = static_cast<int32_t>(length);
        offsets.push_back(static_cast<int32_t>(length));
        length += field.width;
        // A record no buffer could hold (thousands of maximal C fields).
        if (length >= INT32_MAX) return KWERR_NOMEM;
    }

    std::vector<TableSlot> &tables = database.tables;
    size_t position = 0;
    while (position < tables.size() && tables[position].definition != nullptr)
        ++position;
    if (position == tables.size()) tables.emplace_back();
    TableSlot &table = tables[position];
    table = TableSlot{};
    table.definition = def;
    table.recordLength = static_cast<int32_t>(length) + 1;
    table.fieldOffsets = std::move(offsets);
    table.serialOffset = serialOffset;
    table.hasSerial = seenSerial;
    if (tbl) *tbl = static_cast<int32_t>(position);
    return KW_OK;
}

int32_t FindField(const TableSlot &table, std::string_view name) {
    const KW_TableDef *def = table.definition;
    if (def == nullptr) return -1;
    for (size_t i = 0; i < table.fieldOffsets.size(); ++i)
        if (FieldName(def->fields[i]) == name) return static_cast<int32_t>(i);
    return -1;
}

int32_t FindSerialField(const TableSlot &table) {
    const KW_TableDef *def = table.definition;
    if (def == nullptr || !table.hasSerial) return -1;
    for (size_t i = 0; i < table.fieldOffsets.size(); ++i)
        if (def->fields[i].type == 'U') return static_cast<int32_t>(i);
    return -1;
}

}  // namespace kw::engine
