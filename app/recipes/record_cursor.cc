// Index walks over one table instance (see record_cursor.h).
#include "app/recipes/record_cursor.h"

#include <set>

#include "app/core/schema.h"

namespace kw::recipedb {

std::string TextKey(std::initializer_list<std::pair<std::string_view, int32_t>> parts) {
    std::string key;
    for (const auto &[text, width] : parts) {
        std::string part(text.substr(0, static_cast<size_t>(width)));
        part.resize(static_cast<size_t>(width), '\0');
        key += part;
    }
    return key;
}

std::string RecipeKey(std::string_view category, std::string_view name) {
    return TextKey({{category, schema::kCategoryWidth}, {name, schema::kTitleWidth}});
}

KWRESULT RecordCursor::Open(CKWDatabase &database, const char *table, int32_t index) {
    if (KWRESULT r = record_.OpenByName(&database, table)) return r;
    if (KWRESULT r = record_.ClearRecord()) return r;
    return UseIndex(index);
}

std::string RecordCursor::Text(const char *field) {
    std::string text;
    return record_.GetString(field, &text) == KW_OK ? text : std::string();
}

int32_t RecordCursor::Int(const char *field, int32_t fallback) {
    int32_t value = 0;
    return record_.GetInt(field, &value) == KW_OK ? value : fallback;
}

float RecordCursor::Float(const char *field, float fallback) {
    float value = 0.0f;
    return record_.GetFloat(field, &value) == KW_OK ? value : fallback;
}

KWRESULT RecordCursor::Find(const std::string &key) {
    return query_.GetExact(key.data(), static_cast<int32_t>(key.size()));
}

namespace {

// 1 (no exact match), 2 (past the end) and 3 (before the start) end a walk normally.
bool EndsWalk(KWRESULT r) {
    return r == 1 || r == 2 || r == 3;
}

}  // namespace

KWRESULT RecordCursor::ForEach(const std::string &key, const Match &match,
                               const std::function<void(RecordCursor &)> &visit) {
    KWRESULT r = Find(key);
    while (r == KW_OK && match(*this)) {
        visit(*this);
        r = query_.GetNext();
    }
    return r == KW_OK || EndsWalk(r) ? KW_OK : r;
}

KWRESULT RecordCursor::Rewrite(const std::string &key, const Match &match,
                               const std::function<KWRESULT(RecordCursor &)> &change) {
    std::set<int32_t> handed;
    KWRESULT r = Find(key);
    for (;;) {
        // Step over the records already handed over that are still in range.
        while (r == KW_OK && match(*this) && handed.count(Int(schema::kFieldUnique, -1)))
            r = query_.GetNext();
        if (r != KW_OK) return EndsWalk(r) ? KW_OK : r;
        if (!match(*this)) return KW_OK;
        handed.insert(Int(schema::kFieldUnique, -1));
        const KWRESULT c = change(*this);
        if (c == kPassedOver)
            r = query_.GetNext();
        else if (c != kLeft)
            return c;
        else
            r = Find(key);
    }
}

KWRESULT RecordCursor::DeleteAll(const std::string &key, const Match &match, int *deleted) {
    int count = 0;
    KWRESULT r = Rewrite(key, match, [&](RecordCursor &cursor) {
        KWRESULT d = cursor.Record().Delete();
        if (d == KW_OK) ++count;
        return d;
    });
    if (deleted) *deleted = count;
    return r;
}

KWRESULT RecordCursor::Count(const std::string &key, const Match &match, int *count) {
    int n = 0;
    KWRESULT r = ForEach(key, match, [&](RecordCursor &) { ++n; });
    *count = n;
    return r;
}

}  // namespace kw::recipedb
