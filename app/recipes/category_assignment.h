// The "Assign Categories" dialog without its window: every KWCAT name with the categories the
// recipe is filed under selected. The recipe's primary category is always selected and cannot be
// unselected here. OK files the recipe under every selected category (links that exist stay) and
// takes it out of every other one, its own link included in the first.
#pragma once

#include <string>
#include <vector>

#include "app/recipes/recipe_record.h"

namespace kw {

class CKWDatabase;

class CategoryAssignment final {
  public:
    // Reads the list and the recipe's links; OK starts disabled.
    CategoryAssignment(CKWDatabase &database, recipedb::RecipeId recipe);

    // "Assign Categories - " and the recipe's title.
    std::string Title() const;
    const std::vector<std::string> &Entries() const { return entries_; }
    bool IsSelected(size_t index) const { return index < selected_.size() && selected_[index]; }
    // The primary category's entry; -1 when the list does not hold it.
    int PrimaryIndex() const { return primary_; }

    // A click on an entry. Unselecting the primary category selects it again (OK stays as it
    // was); any other change enables OK.
    void SetSelected(size_t index, bool selected);
    bool OkEnabled() const { return ok_enabled_; }

    // OK: links inserted for the selected entries (and for the primary category), the recipe's
    // links to unselected entries deleted. 0, or the first failure other than an existing link.
    KWRESULT Accept();

  private:
    CKWDatabase &database_;
    recipedb::RecipeId recipe_;
    std::vector<std::string> entries_;
    std::vector<bool> selected_;
    int primary_ = -1;
    bool ok_enabled_ = false;
};

}  // namespace kw
