// CKWRecord: the instance life cycle, record operations and typed field access.
#include "record.h"

#include <algorithm>
#include <cstring>

#include "database.h"
#include "table.h"

namespace kw {
namespace {

// The widest field the engine accepts (a C field of 4096 bytes).

}  // namespace

CKWRecord::~CKWRecord() {
    if (table_) Close();
}

int32_t CKWRecord::Handle() const {
    return table_->Database() ? table_->Database()->Handle() : CKWDatabase::kNoHandle;
}

int32_t CKWRecord::TableNumber() const {
    return table_->Number();
}

KWRESULT CKWRecord::Open(CKWTable *table) {
    if (table_) return kAlreadyOpen;
    if (!table) return kNotOpen;
    table_ = table;
    int32_t instance = -1;
    const KWRESULT r = KW_DBOpenTableInst(Handle(), TableNumber(), &instance);
    if (r != KW_OK) {
        table_ = nullptr;
        return r;
    }
    instance_ = instance;
    return KW_OK;
}

KWRESULT CKWRecord::OpenByName(CKWDatabase *database, const char *tableName) {
    if (!database || !tableName) return kNotOpen;
    return Open(database->FindTable(tableName));
}

KWRESULT CKWRecord::Close() {
    if (!table_) return kNotOpen;
    const KWRESULT r = KW_DBCloseTableInst(Handle(), TableNumber(), instance_);
    table_ = nullptr;
    instance_ = -1;
    return r;
}

KWRESULT CKWRecord::QuickAdd() {
    if (!table_) return kNotOpen;
    return KW_DBQuickAddRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::QuickUpdate() {
    if (!table_) return kNotOpen;
    return KW_DBQuickUpdateRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::QuickDelete() {
    if (!table_) return kNotOpen;
    return KW_DBQuickDeleteRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::Insert() {
    if (!table_) return kNotOpen;
    return KW_DBInsertRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::Update() {
    if (!table_) return kNotOpen;
    return KW_DBUpdateRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::Delete() {
    if (!table_) return kNotOpen;
    return KW_DBDeleteRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::ClearRecord() {
    if (!table_) return kNotOpen;
    return KW_DBClearRecord(Handle(), TableNumber(), instance_);
}

KWRESULT CKWRecord::GetRecordRef(int32_t *ref) {
    if (!table_) return kNotOpen;
    return KW_DBGetRecordRef(Handle(), TableNumber(), instance_, ref);
}

KWRESULT CKWRecord::GetRecordByRef(int32_t ref) {
    if (!table_) return kNotOpen;
    return KW_DBGetRecordByRef(Handle(), TableNumber(), instance_, ref);
}

KWRESULT CKWRecord::GetField(const char *field, void *value) {
    if (!table_) return kNotOpen;
    return KW_DBGetField(Handle(), TableNumber(), instance_, field, value);
}

KWRESULT CKWRecord::PutField(const char *field, const void *value) {
    if (!table_) return kNotOpen;
    return KW_DBPutField(Handle(), TableNumber(), instance_, field, value);
}

KWRESULT CKWRecord::GetFieldType(const char *field, char *type, int32_t *width) {
    if (!table_) return kNotOpen;
    return KW_DBGetFieldType(Handle(), TableNumber(), field, type, width);
}

// --- typed access ---------------------------------------------------------------------------

KWRESULT CKWRecord::ReadRaw(const char *field, char *bytes, char *type, int32_t *width) {
    if (KWRESULT r = GetFieldType(field, type, width)) return r;
    if (*width < 0 || *width > kMaxFieldWidth) return KWERR_FIELDWIDTH;
    return GetField(field, bytes);
}

KWRESULT CKWRecord::GetBounded(const char *field, void *value, size_t size) {
    char bytes[kMaxFieldWidth];
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = ReadRaw(field, bytes, &type, &width)) return r;
    const size_t copied = std::min(static_cast<size_t>(width), size);
    std::memcpy(value, bytes, copied);
    std::memset(static_cast<char *>(value) + copied, 0, size - copied);
    return KW_OK;
}

KWRESULT CKWRecord::PutBounded(const char *field, const void *value, size_t size, int32_t width) {
    if (width < 0 || width > kMaxFieldWidth) return KWERR_FIELDWIDTH;
    if (static_cast<size_t>(width) == size) return PutField(field, value);
    char bytes[kMaxFieldWidth];
    const size_t copied = std::min(static_cast<size_t>(width), size);
    std::memcpy(bytes, value, copied);
    std::memset(bytes + copied, 0, static_cast<size_t>(width) - copied);
    return PutField(field, bytes);
}

KWRESULT CKWRecord::PutBounded(const char *field, const void *value, size_t size) {
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = GetFieldType(field, &type, &width)) return r;
    return PutBounded(field, value, size, width);
}

KWRESULT CKWRecord::GetString(const char *field, std::string *text) {
    char bytes[kMaxFieldWidth];
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = ReadRaw(field, bytes, &type, &width)) return r;
    // A field the text fills has no terminating zero: the width bounds it.
    text->assign(bytes, strnlen(bytes, static_cast<size_t>(width)));
    return KW_OK;
}

KWRESULT CKWRecord::GetInt(const char *field, int32_t *value) {
    char bytes[kMaxFieldWidth];
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = ReadRaw(field, bytes, &type, &width)) return r;
    *value = IntFromStored(bytes, type, width);
    return KW_OK;
}

int32_t CKWRecord::IntFromStored(const char *bytes, char type, int32_t width) {
    if (type == 'L') return width > 0 && bytes[0] == 'T' ? 1 : 0;
    if (type == 'I' && width == 2) {
        int16_t shortValue;
        std::memcpy(&shortValue, bytes, 2);
        return shortValue;
    }
    int32_t read = 0;
    std::memcpy(&read, bytes, std::min<size_t>(static_cast<size_t>(std::max(width, 0)), 4));
    return read;
}

float CKWRecord::FloatFromStored(const char *bytes, int32_t width) {
    float read = 0.0f;
    std::memcpy(&read, bytes, std::min<size_t>(static_cast<size_t>(std::max(width, 0)), 4));
    return read;
}

KWRESULT CKWRecord::GetShort(const char *field, int16_t *value) {
    return GetBounded(field, value, 2);
}

KWRESULT CKWRecord::GetLong(const char *field, int32_t *value) {
    return GetBounded(field, value, 4);
}

KWRESULT CKWRecord::GetFloat(const char *field, float *value) {
    return GetBounded(field, value, 4);
}

KWRESULT CKWRecord::GetDouble(const char *field, double *value) {
    return GetBounded(field, value, 8);
}

KWRESULT CKWRecord::PutString(const char *field, std::string_view text) {
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = GetFieldType(field, &type, &width)) return r;
    return PutStringOfWidth(field, width, text);
}

KWRESULT CKWRecord::PutStringOfWidth(const char *field, int32_t width, std::string_view text) {
    if (width >= 0 && text.size() > static_cast<size_t>(width)) return kTextTooLong;
    return PutBounded(field, text.data(), text.size(), width);
}

KWRESULT CKWRecord::PutInt(const char *field, int32_t value) {
    char type = 0;
    int32_t width = 0;
    if (KWRESULT r = GetFieldType(field, &type, &width)) return r;
    return PutIntOfType(field, type, width, value);
}

KWRESULT CKWRecord::PutIntOfType(const char *field, char type, int32_t width, int32_t value) {
    if (type == 'I') return PutBounded(field, &value, 4, width);  // a 2-byte field takes the low 2
    const char flag = value != 0 ? 'T' : 'F';
    return PutBounded(field, &flag, 1, width);
}

KWRESULT CKWRecord::PutShort(const char *field, int32_t value) {
    return PutBounded(field, &value, 4);
}

KWRESULT CKWRecord::PutLong(const char *field, int32_t value) {
    return PutBounded(field, &value, 4);
}

KWRESULT CKWRecord::PutFloat(const char *field, float value) {
    return PutBounded(field, &value, 4);
}

KWRESULT CKWRecord::PutDouble(const char *field, double value) {
    return PutBounded(field, &value, 8);
}

}  // namespace kw
