// The Assign Categories dialog's model (see category_assignment.h).
#include "app/recipes/category_assignment.h"

#include <algorithm>

#include "app/recipes/category_store.h"
#include "app/recipes/name_compare.h"

namespace kw {

CategoryAssignment::CategoryAssignment(CKWDatabase &database, recipedb::RecipeId recipe)
    : database_(database), recipe_(std::move(recipe)) {
    entries_ = recipedb::CategoryNames(database_);
    selected_.assign(entries_.size(), false);
    std::vector<std::string> links;
    recipedb::ReadRecipeLinks(database_, recipe_, &links);
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (primary_ < 0 && EqualsIgnoringCase(entries_[i], recipe_.category)) {
            primary_ = static_cast<int>(i);
            selected_[i] = true;
        }
        if (std::any_of(links.begin(), links.end(), [&](const std::string &link) {
                return EqualsIgnoringCase(link, entries_[i]);
            }))
            selected_[i] = true;
    }
}

std::string CategoryAssignment::Title() const {
    return "Assign Categories - " + recipe_.name;
}

void CategoryAssignment::SetSelected(size_t index, bool selected) {
    if (index >= entries_.size()) return;
    if (static_cast<int>(index) == primary_ && !selected) return;  // selected again at once
    if (selected_[index] == selected) return;
    selected_[index] = selected;
    ok_enabled_ = true;
}

KWRESULT CategoryAssignment::Accept() {
    KWRESULT result = KW_OK;
    const auto keep = [&result](KWRESULT r) {
        if (result == KW_OK && r != KW_OK && r != BTERR_DUPLICATE) result = r;
    };
    // The recipe's own link, also when its category is missing from the list.
    if (primary_ < 0) keep(recipedb::InsertRecipeLink(database_, recipe_, recipe_.category));
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (selected_[i])
            keep(recipedb::InsertRecipeLink(database_, recipe_, entries_[i]));
        else
            keep(recipedb::DeleteRecipeLink(database_, recipe_, entries_[i]));
    }
    return result;
}

}  // namespace kw
