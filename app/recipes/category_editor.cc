// The Edit Categories dialog's model (see category_editor.h).
#include "app/recipes/category_editor.h"

#include <algorithm>

#include "app/recipes/category_store.h"
#include "app/recipes/name_compare.h"

namespace kw {

bool CategoryEditor::MayOpen(const AnyObjectWindowOpen &any_window_open, MessageSink &sink) {
    if (any_window_open && any_window_open()) {
        sink.Say(605, {}, Icon::kExclamation);
        return false;
    }
    return true;
}

CategoryEditor::CategoryEditor(CKWDatabase &database) : database_(database) {
    Refill();
}

void CategoryEditor::Refill() {
    entries_ = recipedb::CategoryNames(database_);
    selected_ = -1;
}

void CategoryEditor::RemoveEntry(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<long>(index));
}

void CategoryEditor::Select(int index) {
    selected_ = index >= 0 && static_cast<size_t>(index) < entries_.size() ? index : -1;
}

NameDialogRequest CategoryEditor::NewRequest() const {
    return {"Create New Category", kMaxCategoryLength, kNewCategoryText};
}

bool CategoryEditor::New(std::string_view name, MessageSink &sink) {
    name = name.substr(0, kMaxCategoryLength);
    if (name.empty()) return false;
    if (recipedb::InsertCategory(database_, name) != KW_OK) {
        sink.Say(609, {}, Icon::kExclamation);
        return false;
    }
    Refill();
    return true;
}

bool CategoryEditor::ConfirmRename(MessageSink &sink) const {
    return sink.Say(1001, {}, Icon::kQuestion, Buttons::kYesNo) == Answer::kYes;
}

NameDialogRequest CategoryEditor::RenameRequest() const {
    return {"Rename Category", kMaxCategoryLength, kNewCategoryText};
}

bool CategoryEditor::Rename(std::string_view new_name, MessageSink &sink) {
    new_name = new_name.substr(0, kMaxCategoryLength);
    if (selected_ < 0 || new_name.empty()) return false;
    const size_t index = static_cast<size_t>(selected_);
    const std::string old_name = entries_[index];

    bool merged = false;
    KWRESULT r = recipedb::RenameCategoryRecord(database_, old_name, new_name);
    if (r == BTERR_DUPLICATE) {
        if (sink.Say(1002, {}, Icon::kQuestion, Buttons::kYesNo) != Answer::kYes) return false;
        merged = true;
    } else if (r != KW_OK) {
        return false;  // the old category is no longer there
    }

    recipedb::RecategorizeResult moved =
        recipedb::RecategorizeRecipes(database_, old_name, new_name);
    const bool oldStays = !moved.left_behind.empty();
    if (merged && !oldStays) recipedb::DeleteCategoryRecord(database_, old_name);
    if (!merged && oldStays) recipedb::InsertCategory(database_, old_name);
    if (oldStays) {
        std::string titles;
        for (const std::string &title : moved.left_behind)
            titles += "\n" + title;
        sink.SayText("These Recipes stay in '" + old_name + "' because '" + std::string(new_name) +
                         "' already has Recipes of the same name:" + titles,
                     Icon::kExclamation);
    }
    if (moved.result != KW_OK) sink.Say(400, {}, Icon::kExclamation);

    if (!oldStays) RemoveEntry(index);
    const bool listed =
        std::any_of(entries_.begin(), entries_.end(),
                    [&](const std::string &entry) { return EqualsIgnoringCase(entry, new_name); });
    if (!listed) entries_.emplace_back(new_name);
    selected_ = -1;
    return true;
}

bool CategoryEditor::DeleteSelected(MessageSink &sink) {
    if (selected_ < 0) return false;
    const size_t index = static_cast<size_t>(selected_);
    const std::string category = entries_[index];

    const int recipes = recipedb::CountRecipesOfCategory(database_, category);
    const int links = recipedb::CountLinksToCategory(database_, category);
    if (recipes > 0) {
        if (sink.Say(1000, {std::to_string(recipes)}, Icon::kQuestion, Buttons::kYesNo) !=
            Answer::kYes)
            return false;
    } else if (links > 0) {
        if (sink.Say(1003, {std::to_string(links)}, Icon::kQuestion, Buttons::kYesNo) !=
            Answer::kYes)
            return false;
    }
    if (recipedb::DeleteCategoryRecord(database_, category) != KW_OK) return false;
    if (recipedb::DeleteCategoryContents(database_, category) != KW_OK)
        sink.Say(400, {}, Icon::kExclamation);
    RemoveEntry(index);
    selected_ = -1;
    return true;
}

}  // namespace kw
