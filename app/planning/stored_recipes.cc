// The recipes read in one pass of the store (see stored_recipes.h).
#include "app/planning/stored_recipes.h"

#include <cstring>

#include "app/core/schema.h"
#include "app/data/database.h"

namespace kw::planning {
namespace {

// The number of records the last read found (the program has one recipe table).
size_t lastCount = 0;

}  // namespace

KWRESULT StoredRecipes::Read(CKWTable &table, const char *field) {
    count_ = 0;
    byKey_.Clear();
    const int32_t db = table.Database() ? table.Database()->Handle() : CKWDatabase::kNoHandle;
    const char *fields[] = {schema::kFieldName, schema::kFieldCategory, field};
    const int32_t fieldCount = field ? 3 : 2;
    fieldType_ = 0;
    fieldWidth_ = 0;
    if (field)
        if (KWRESULT r = KW_DBGetFieldType(db, table.Number(), field, &fieldType_, &fieldWidth_))
            return r;
    rowSize_ = kFieldAt + static_cast<size_t>(fieldWidth_);
    // The buffer is sized by the count the last read found (the engine's own count would walk
    // the chain block by block the first time it is asked). A count that proves too small costs
    // a second pass with the true one, never a wrong answer.
    size_t expected = lastCount + lastCount / 16 + 64;
    for (int attempt = 0; attempt < 2; ++attempt) {
        rows_.resize(expected * rowSize_);
        int32_t stored = 0;
        if (KWRESULT r = KW_DBReadStoredFields(db, table.Number(), fieldCount, fields, rows_.data(),
                                               static_cast<int32_t>(expected), &stored))
            return r;
        lastCount = static_cast<size_t>(stored);
        if (lastCount <= expected) {
            count_ = lastCount;
            return KW_OK;
        }
        expected = lastCount;
    }
    // The table grew between the two passes, which nothing does while a search runs.
    return KWERR_CHAIN;
}

size_t StoredRecipes::LastCount() {
    return lastCount;
}

void StoredRecipes::IndexByKey() {
    byKey_.Clear();
    byKey_.Reserve(count_);
    for (size_t i = 0; i < count_; ++i)
        byKey_.Add(Key(i), static_cast<uint32_t>(i));
    byKey_.Seal();
}

RecipeKeyBytes StoredRecipes::Key(size_t i) const {
    RecipeKeyBytes key;
    std::memcpy(key.name, Row(i), sizeof key.name);
    std::memcpy(key.category, Row(i) + sizeof key.name, sizeof key.category);
    return key;
}

}  // namespace kw::planning
