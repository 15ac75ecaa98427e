// The ingredient form without its window: one KWINGDAT record with its calories and cost shown
// per the unit the user chose (ingredient_values.h), the measure kind and unit radios, the type,
// gluten and note members, and the Save, Rename and Delete commands. Also the Find Ingredient
// search. The stored figures are per base amount (gram, millilitre, item); the shown ones per the
// chosen unit in the unit system of each call's settings.
//
// The window shows Members(), writes edits of the numbers, type, gluten box and note back into
// them and calls SetModified(true); the radios and "Unknown" boxes go through the calls below,
// which mark the form modified themselves. The form keeps a reference to the open database and
// must not outlive it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/core/messages.h"
#include "app/recipes/ingredient_catalog.h"
#include "app/recipes/ingredient_values.h"
#include "app/recipes/name_dialog.h"
#include "kwdata.h"

namespace kw {

class CKWDatabase;

// What the form's controls show.
struct IngredientMembers {
    ShownFigures figures;     // kind and unit radios, calories and cost per chosen unit, boxes
    char type = 'X';          // TYPE ("&Type:" list, IngredientTypes()); a new one is "Other"
    bool gluten = false;      // "Contains &Gluten"
    std::string information;  // "&Notes:", at most 64 characters
};

class IngredientForm final {
  public:
    static constexpr size_t kMaxNameLength = 48;
    static constexpr size_t kMaxInformationLength = 64;

    explicit IngredientForm(CKWDatabase &database) : database_(database) {}

    // Loads the ingredient of that name (case ignored; the form takes the record's spelling), or,
    // with is_new, starts a new one of that name: weight, the first unit, both figures unknown,
    // type "Other". Non-zero when the record is not found. The form is not modified afterwards.
    KWRESULT Open(std::string_view name, bool is_new, const NumberSettings &settings);

    const std::string &Name() const { return name_; }
    std::string FrameTitle() const { return "Ingredient - " + name_; }
    bool IsNew() const { return new_; }
    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    IngredientMembers &Members() { return members_; }
    const IngredientMembers &Members() const { return members_; }

    // "&Weight", "&Volume", "&Quantity": both figures become 0 and unknown.
    void ChangeMeasureKind(int kind);
    // A unit radio: the calories are converted into the new unit, the cost is kept as typed.
    void ChangeUnitChoice(int choice, const NumberSettings &settings);
    // An "Unknown" box: checked, the edit is disabled. Marks the form modified.
    void SetCaloriesUnknown(bool unknown);
    void SetCostUnknown(bool unknown);

    // The unit radio texts and the "Per" label of the current kind and unit.
    std::vector<std::string> UnitRadioTexts(const NumberSettings &settings) const;
    std::string PerLabel(const NumberSettings &settings) const;

    // Stores the figures per base amount and writes the record (insert when new). Figures out of
    // the form's range (calories 0 to 100000, cost 0 to 99.99 per unit) are refused with the range
    // message and nothing is written; a refused write gives 400. false: the form stays modified.
    bool Save(const NumberSettings &settings, MessageSink &sink);

    // The name dialog of Rename: "Rename Ingredient", 48 characters, the current name.
    NameDialogRequest RenameRequest() const;
    // The record takes the new name; 901 (and false) when it cannot (the name is taken, empty or
    // too long). Recipe lines and list items that name the ingredient keep the old name.
    bool Rename(std::string_view new_name, MessageSink &sink);

    // Deletes the record; the form becomes new. A form never saved deletes nothing.
    KWRESULT Delete();

  private:
    CKWDatabase &database_;
    std::string name_;
    IngredientMembers members_;
    bool new_ = true;
    bool modified_ = false;
};

// The Find Ingredient search: every ingredient whose name begins with the first one, two or three
// characters of the typed text (case ignored), in the order of the index on that many letters.
// Only those first characters filter ("tomat" lists every name beginning with "tom"). Nothing for
// an empty text.
std::vector<std::string> FindIngredientNames(IngredientCatalog &catalog, std::string_view typed);

}  // namespace kw
