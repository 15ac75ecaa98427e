// A shopping list as the list window holds it: entries of text only, each "quantity", tab,
// "unit", tab, "name", kept in alphabetical order of name (letter case ignored). Every operation
// that needs a line's values parses its entry back: the quantity with ParseQuantity, the measure
// kind and unit choice from the unit text and the name with ParseUnit (no warning).
//
// Adding a line (AddLine; the Add Ingredient dialog, a recipe's lines, a meal's recipes):
//   - the quantity text is "-" for a unit choice outside 0..3, else FormatQuantity with two
//     places, exact for items; the unit text is UnitName, singular when the quantity text's
//     leading integer is 1;
//   - the line goes in after the last entry whose name sorts before the new name, letter case
//     ignored;
//   - an entry with exactly the same name (letter case counts), a unit choice of 0 or more on
//     both sides and the same measure kind takes the new amount instead: a new line without an
//     amount (choice 4) changes nothing; equal choices add; otherwise the amount in the larger
//     choice is converted into the smaller choice (the larger unit, Kg before g) and added. The
//     merged entry is taken out and the sum goes in as a new line.
// Free-text items (AddItem) have measure kind and choice -1, so they never merge: the same item
// added twice is two lines, which the store then refuses to save (message 804).
//
// Every change marks the list modified. The count line is message 802 "%1 Item(s)".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/messages.h"
#include "app/recipes/units.h"

namespace kw::planning {

// An entry's values as parsed back.
struct ListEntryValues {
    std::string quantityText;
    std::string unitText;
    std::string name;
    double amount = 0.0;  // the shown amount (ParseQuantity of the quantity text)
    int kind = 0;
    int choice = 0;
};

// Parses an entry; nullopt when it does not have all three parts.
std::optional<ListEntryValues> ParseListEntry(const UnitContext &context, std::string_view entry);

class ShoppingList final {
  public:
    // A list opened by name: isNew for a new list (its name may still be empty).
    ShoppingList(std::string name, bool isNew) : name_(std::move(name)), new_(isNew) {}

    const std::string &Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    bool IsNew() const { return new_; }
    bool IsModified() const { return modified_; }
    const std::vector<std::string> &Entries() const { return entries_; }

    // The selected entry, -1 when none. Select ignores positions without an entry.
    int Selected() const { return selected_; }
    void Select(int position);

    // Adds a line as described above; with replace the selected entry is removed first (Edit).
    // amount is the shown amount in the unit choice.
    void AddLine(const UnitContext &context, bool replace, int kind, int choice, double amount,
                 std::string_view name);
    // A free-text item ("Add Item"): a line of its own, never merged.
    void AddItem(const UnitContext &context, std::string_view text);
    // Removes the selected entry; false when none is selected.
    bool DeleteSelected();
    // Asks message 803 (Yes/No); on Yes empties the list and answers true.
    bool Clear(MessageSink &sink);

    // "%d Item(s)" (message 802).
    std::string CountText() const;

    // For the store (shopping_list_store.h): entries read back from records, and the state
    // after load, save and delete.
    void AppendLoadedEntry(std::string entry) { entries_.push_back(std::move(entry)); }
    void ClearEntries() {
        entries_.clear();
        selected_ = -1;
    }
    void SetNew(bool isNew) { new_ = isNew; }
    void SetModified(bool modified) { modified_ = modified; }

  private:
    std::string name_;
    bool new_;
    bool modified_ = false;
    int selected_ = -1;
    std::vector<std::string> entries_;
};

// The entry text of a line: the quantity text, tab, the unit text, tab, the name.
std::string ListEntryText(const NumberSettings &settings, int kind, int choice, double amount,
                          std::string_view name);

}  // namespace kw::planning
