// The key expression parser and the index slots it fills.
#include "key_expression.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "table_def.h"

namespace kw::engine {
namespace {

// Numbers beyond any field width are all equally out of range; stop counting there.
constexpr int32_t kNumberCap = 1 << 20;

// Reads one or more decimal digits at text[*pos].
bool ReadNumber(std::string_view text, size_t *pos, int32_t *value) {
    size_t p = *pos;
    int32_t v = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        if (v < kNumberCap) v = v * 10 + (text[p] - '0');
        ++p;
    }
    if (p == *pos) return false;
    *pos = p;
    *value = v;
    return true;
}

bool Expect(std::string_view text, size_t *pos, char c) {
    if (*pos >= text.size() || text[*pos] != c) return false;
    ++*pos;
    return true;
}

// Appends the part [start, start + length) of field to the layout and applies the per-part rules.
KWRESULT AppendPart(const TableSlot &table, int32_t field, int32_t start, int32_t length,
                    KeyLayout *layout) {
    const KW_FieldDef &def = table.definition->fields[field];
    KeyPart part;
    part.offset = table.fieldOffsets[static_cast<size_t>(field)] + start;
    part.length = length;
    part.flags = layout->flags | (def.type == 'U' ? KW_KEY_SERIAL : 0);
    layout->parts.push_back(part);
    layout->keyLength += length;
    layout->fieldWidthTotal += def.width;
    if (layout->fieldWidthTotal > kMaxKeyBuffer) return KWERR_KEYPART;
    const bool numeric = def.type == 'F' || def.type == 'I';
    if (numeric || (def.type == 'C' && (layout->flags & KW_KEY_NOCASE)))
        layout->perPartCompare = true;
    if (numeric && length != def.width) return KWERR_NUMKEYPART;
    return KW_OK;
}

}  // namespace

KWRESULT BuildKeyLayout(const TableSlot &table, const KW_IndexDef &def, KeyLayout *layout) {
    const std::string_view text(def.expression, ::strnlen(def.expression, kMaxExpressionLength));
    size_t pos = 0;
    for (;;) {
        size_t nameEnd = text.find_first_of("+(", pos);
        if (nameEnd == std::string_view::npos) nameEnd = text.size();
        const int32_t field = FindField(table, text.substr(pos, nameEnd - pos));
        if (field < 0) return KWERR_NOFIELD;
        pos = nameEnd;

        int32_t start = 0;
        int32_t length = 0;
        if (pos < text.size() && text[pos] == '(') {
            ++pos;
            if (!ReadNumber(text, &pos, &start) || !Expect(text, &pos, ',') ||
                !ReadNumber(text, &pos, &length) || !Expect(text, &pos, ')'))
                return KWERR_KEYPART;
            if (pos < text.size() && text[pos] != '+') return KWERR_KEYPART;
        }
        const int32_t width = table.definition->fields[field].width;
        // A length of 0 takes the whole width from the start, so a start past 0 with length 0
        // would reach beyond the field: refused like any other part outside its field.
        if (length == 0) length = width;
        if (length > width || start + length > width) return KWERR_KEYPART;
        if (KWRESULT r = AppendPart(table, field, start, length, layout)) return r;

        if (pos >= text.size()) break;
        ++pos;  // the "+"
    }
    if (def.flags & KW_KEY_UNIQUE) return KW_OK;
    const int32_t serial = FindSerialField(table);
    if (serial < 0) return KWERR_NOSERIAL;
    return AppendPart(table, serial, 0, table.definition->fields[serial].width, layout);
}

KWRESULT AddIndex(TableSlot &table, const KW_IndexDef *def, int32_t *idx) {
    if (def == nullptr) return KWERR_BADHANDLE;
    IndexSlot slot;
    slot.definition = def;
    slot.layout = std::make_unique<KeyLayout>();
    slot.layout->flags = def->flags;
    table.indexes.push_back(std::move(slot));
    if (idx) *idx = static_cast<int32_t>(table.indexes.size() - 1);

    KeyLayout *layout = table.indexes.back().layout.get();
    const int32_t keyClass = def->flags & KW_KEY_CLASS_MASK;
    if (keyClass != KW_KEY_CHAR && keyClass != KW_KEY_INT && keyClass != KW_KEY_FLOAT)
        return KWERR_KEYTYPE;
    return BuildKeyLayout(table, *def, layout);
}

}  // namespace kw::engine
