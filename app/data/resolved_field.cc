// ResolvedField: puts of a field whose type and width were looked up once (see resolved_field.h).
#include "app/data/resolved_field.h"

namespace kw {

KWRESULT ResolvedField::Resolve(CKWRecord &record, const char *name) {
    name_ = name;
    type_ = 0;
    width_ = 0;
    resolved_ = record.GetFieldType(name, &type_, &width_);
    if (resolved_ == KW_OK && (width_ < 0 || width_ > CKWRecord::kMaxFieldWidth)) {
        resolved_ = KWERR_FIELDWIDTH;
    }
    return resolved_;
}

KWRESULT ResolvedField::PutText(CKWRecord &record, std::string_view text) const {
    if (resolved_ != KW_OK) return resolved_;
    return record.PutStringOfWidth(name_, width_, text);
}

KWRESULT ResolvedField::PutInt(CKWRecord &record, int32_t value) const {
    if (resolved_ != KW_OK) return resolved_;
    return record.PutIntOfType(name_, type_, width_, value);
}

KWRESULT ResolvedField::PutFloat(CKWRecord &record, float value) const {
    if (resolved_ != KW_OK) return resolved_;
    return record.PutBounded(name_, &value, sizeof value, width_);
}

}  // namespace kw
