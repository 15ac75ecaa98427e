// ResolvedField: puts of a field whose type and width were looked up once (see resolved_field.h).
#include "app/data/resolved_field.h"

#include <algorithm>
#include <cstring>

namespace kw {
namespace {

// The widest field the engine accepts (a C field of 4096 bytes).
constexpr int32_t kMaxFieldWidth = 4096;

}  // namespace

KWRESULT ResolvedField::Resolve(CKWRecord &record, const char *name) {
    name_ = name;
    type_ = 0;
    width_ = 0;
    resolved_ = record.GetFieldType(name, &type_, &width_);
    if (resolved_ == KW_OK && (width_ < 0 || width_ > kMaxFieldWidth)) resolved_ = KWERR_FIELDWIDTH;
    return resolved_;
}

KWRESULT ResolvedField::PutBytes(CKWRecord &record, const void *value, size_t size) const {
    if (resolved_ != KW_OK) return resolved_;
    const size_t width = static_cast<size_t>(width_);
    if (size == width) return record.PutField(name_, value);
    char bytes[kMaxFieldWidth];
    const size_t copied = std::min(width, size);
    std::memcpy(bytes, value, copied);
    std::memset(bytes + copied, 0, width - copied);
    return record.PutField(name_, bytes);
}

KWRESULT ResolvedField::PutText(CKWRecord &record, std::string_view text) const {
    if (resolved_ != KW_OK) return resolved_;
    if (text.size() > static_cast<size_t>(width_)) return CKWRecord::kTextTooLong;
    return PutBytes(record, text.data(), text.size());
}

KWRESULT ResolvedField::PutInt(CKWRecord &record, int32_t value) const {
    if (type_ == 'I') return PutBytes(record, &value, sizeof value);
    const char flag = value != 0 ? 'T' : 'F';
    return PutBytes(record, &flag, 1);
}

KWRESULT ResolvedField::PutFloat(CKWRecord &record, float value) const {
    return PutBytes(record, &value, sizeof value);
}

}  // namespace kw
