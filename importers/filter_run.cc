// The steps the filters share: short-line skips, entry storage, the bounded method text.
#include "filter_run.h"

#include <cstring>

#include "fields.h"

namespace kw::import {

void FilterRun::Warn(const char *message) {
    log_.Problem(message);
    ++warnings_;
}

void FilterRun::SkipShortLines(size_t limit) {
    for (int n = 0; n < kSkipLimit && reader_.length() < limit && reader_.more(); ++n)
        reader_.Next();
}

ImportedIngredient *FilterRun::LastIngredient() {
    const int32_t count = record_.ingredientCount;
    if (count <= 0 || count > KWIMPT_MAX_INGREDIENTS) return nullptr;
    return &record_.ingredients[count - 1];
}

bool FilterRun::StoreIngredient(const ImportedIngredient &entry) {
    const int32_t count = record_.ingredientCount;
    if (count < 0 || count >= KWIMPT_MAX_INGREDIENTS) return false;
    record_.ingredients[count] = entry;
    record_.ingredientCount = count + 1;
    return true;
}

std::string_view FilterRun::method() const {
    return {record_.method, methodLength_};
}

bool FilterRun::AppendMethod(std::string_view text, std::string_view ending) {
    if (methodLength_ + text.size() + ending.size() > KWIMPT_METHOD_MAX) return false;
    for (std::string_view part : {text, ending}) {
        if (part.empty()) continue;
        std::memcpy(record_.method + methodLength_, part.data(), part.size());
        methodLength_ += part.size();
    }
    record_.method[methodLength_] = '\0';
    return true;
}

void FilterRun::ClearMethod() {
    std::memset(record_.method, 0, sizeof record_.method);
    methodLength_ = 0;
}

void FilterRun::ClearOtherCategories() {
    std::memset(record_.otherCategories, 0, sizeof record_.otherCategories);
    record_.otherCategoryCount = 0;
}

bool FilterRun::TakePrimaryFromOthers() {
    if (record_.otherCategoryCount <= 0) return false;
    SetText(record_.category, SlotText(record_.otherCategories[0]));
    return true;
}

ImportedIngredient EmptyIngredient() {
    ImportedIngredient entry;
    std::memset(&entry, 0, sizeof entry);
    entry.measureKind = KWIMPT_ITEMS;
    entry.unitChoice = 0;
    entry.quantity = 0;
    return entry;
}

void ContinueNote(ImportedIngredient *entry, std::string_view more) {
    if (more.empty()) return;
    if (!SlotText(entry->preparation).empty())
        BoundedAppend(entry->preparation, sizeof entry->preparation, " ");
    BoundedAppend(entry->preparation, sizeof entry->preparation, more);
}

void MarkNoAmountIfZero(double quantity, ImportedIngredient *entry) {
    if (quantity >= 0.001) return;
    entry->measureKind = KWIMPT_WEIGHT;
    entry->unitChoice = KWIMPT_NO_UNIT;
    entry->quantity = 0;
}

std::string_view SplitMethodLineEnd(std::string_view line, std::string_view *ending) {
    if (!line.empty() && line.back() == '.') {
        *ending = "\r\n";
        return line;
    }
    if (!line.empty() && line.back() == '\x14') {
        *ending = "\r\n";
        return line.substr(0, line.size() - 1);
    }
    *ending = " ";
    return line;
}

bool AppendForeignMethodLine(FilterRun &run) {
    std::string_view ending;
    const std::string_view body =
        SkipLeadingBlanks(SplitMethodLineEnd(run.reader().wholeLine(), &ending));
    if (run.AppendMethod(body, ending)) return true;
    run.log().Printf("*** Method too long.\r\n");
    run.CountWarning();
    return false;
}

void SetForeignDefaults(RecipeImportRecord &record) {
    record.dairyFree = 0;
    record.glutenFree = 0;
    record.vegetarian = 0;
    record.calories = -1;
    record.cost = -1.0f;
    record.difficulty = 'A';
    record.totalTime = 0;
}

}  // namespace kw::import
