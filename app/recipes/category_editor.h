// The "Edit Categories..." dialog without its window: the list of KWCAT names and its selection,
// and the New, Rename and Delete commands with their questions and messages. The window shows
// Entries(), reports the selection with Select and, for New and Rename, runs the name dialog
// described by NewRequest() / RenameRequest() and hands the typed name over (Cancel: no call).
//
//   New     inserts the name; 609 when it exists; the list is read again.
//   Rename  1001 first (ConfirmRename, before the name dialog); then the KWCAT record takes the
//           new name, or, when the name exists, 1002 asks whether to file everything under the
//           existing category; then every recipe, line and link of the old category moves
//           (category_store.h). After a merge the old KWCAT record goes too. Recipes that could
//           not move (the other category has recipes of the same title) keep the old category
//           in the list, and the user is told which.
//   Delete  1000 with the count of recipes of the category, else 1003 with the count of links to
//           it, else no question; then the KWCAT record and everything filed under it go.
//
// The dialog may not open while any recipe, ingredient, meal or list window is open (605): open
// windows hold categories in their keys.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/messages.h"
#include "app/recipes/name_dialog.h"

namespace kw {

class CKWDatabase;

// Answers whether any object window (recipe, ingredient, meal, list) is open.
using AnyObjectWindowOpen = std::function<bool()>;

class CategoryEditor final {
  public:
    static constexpr size_t kMaxCategoryLength = 32;
    static constexpr const char *kNewCategoryText = "[New Category]";

    // 605 (and false) while an object window is open; the dialog then does not open.
    static bool MayOpen(const AnyObjectWindowOpen &any_window_open, MessageSink &sink);

    // The list filled with every KWCAT name in index order, nothing selected.
    explicit CategoryEditor(CKWDatabase &database);

    const std::vector<std::string> &Entries() const { return entries_; }
    int Selected() const { return selected_; }
    // -1 (or any index outside the list) selects nothing.
    void Select(int index);
    bool RenameEnabled() const { return selected_ >= 0; }
    bool DeleteEnabled() const { return selected_ >= 0; }

    NameDialogRequest NewRequest() const;
    // false when nothing was created (an empty name, or 609).
    bool New(std::string_view name, MessageSink &sink);

    // 1001 (Yes/No); Yes lets the rename go on to its name dialog.
    bool ConfirmRename(MessageSink &sink) const;
    NameDialogRequest RenameRequest() const;
    // Renames the selected category; false when nothing was renamed.
    bool Rename(std::string_view new_name, MessageSink &sink);

    // Deletes the selected category; false when nothing was deleted.
    bool DeleteSelected(MessageSink &sink);

  private:
    void Refill();
    void RemoveEntry(size_t index);

    CKWDatabase &database_;
    std::vector<std::string> entries_;
    int selected_ = -1;
};

}  // namespace kw
