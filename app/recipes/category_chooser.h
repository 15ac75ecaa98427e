// The category chooser ("Create New Recipe...") without its window: a category typed or chosen
// from the KWCAT names and, unless it is used to change a recipe's category, the new recipe's
// title. A category text longer than 32 characters is cut with message 701. OK needs a category
// and, for a new recipe, a title of 3 to 48 characters. A category that is not in the list is
// offered for adding (700); one that is, in any letter case, is taken with the list's spelling.
#pragma once

#include <string>
#include <vector>

#include "app/core/messages.h"

namespace kw {

class CKWDatabase;

class CategoryChooser final {
  public:
    static constexpr size_t kMaxCategoryLength = 32;
    static constexpr size_t kMinNameLength = 3;
    static constexpr size_t kMaxNameLength = 48;
    static constexpr const char *kNewRecipeTitle = "Create New Recipe...";

    // The list filled with every KWCAT name; category (when not empty) is the text shown. In
    // change mode there is no title to type (the name edit and its label are hidden).
    CategoryChooser(CKWDatabase &database, std::string title, std::string category,
                    bool change_mode);

    const std::string &Title() const { return title_; }
    const std::vector<std::string> &Entries() const { return entries_; }
    bool NameVisible() const { return !change_mode_; }
    const std::string &CategoryText() const { return category_; }
    const std::string &NameText() const { return name_; }

    // The category text changed (typed, or an entry chosen).
    void SetCategoryText(std::string text, MessageSink &sink);
    void SetNameText(std::string text) { name_ = std::move(text); }
    bool OkEnabled() const;

    // OK: true when the dialog ends with CategoryText() (and NameText()); false while it stays
    // (OK not enabled, the new category refused with No, or it could not be stored: 400).
    bool Accept(MessageSink &sink);

  private:
    CKWDatabase &database_;
    std::string title_;
    bool change_mode_;
    std::vector<std::string> entries_;
    std::string category_;
    std::string name_;
};

}  // namespace kw
