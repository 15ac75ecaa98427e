// Shopping list records and filling a list from recipes and meals (see shopping_list_store.h).
#include "app/planning/shopping_list_store.h"

#include <cmath>

#include "app/core/schema.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "app/recipes/name_compare.h"

namespace kw::planning {
namespace {

using namespace kw::schema;

bool EndOfWalk(KWRESULT r) {
    return r == KW_END || r == KW_NOTFOUND || r == KW_START;
}

// Puts a name into a record for a look-up; false when it is longer than the field, so that no
// record can hold it.
bool PutKeyText(CKWRecord &record, const char *field, std::string_view text) {
    return record.PutString(field, text) == KW_OK;
}

// The entry a stored line is shown as.
std::string LoadedEntry(const NumberSettings &settings, const std::string &name, float quantity,
                        int choice, int kind) {
    const double shown = FromBaseAmount(settings, kind, choice, quantity);
    std::string entry = choice == kUnspecifiedChoice
                            ? std::string("-")
                            : FormatQuantity(settings, shown, 2, kind == kItems);
    entry += '\t';
    entry += UnitName(settings, kind, choice, std::trunc(shown) == 1.0, false);
    entry += '\t';
    entry += name;
    return entry;
}

// Positions list on the list's KWLIST record: 0 found, 1 not, else the failure.
KWRESULT FindListRecord(CKWRecord &list, const std::string &name) {
    CKWQuery byName;
    byName.SetIndex(&list, kListByName);
    list.ClearRecord();
    if (!PutKeyText(list, kFieldName, name)) return KW_NOTFOUND;
    return byName.GetExactFromRecord();
}

}  // namespace

KWRESULT LoadListContents(CKWDatabase &database, const UnitContext &context, ShoppingList &list) {
    list.ClearEntries();
    CKWRecord items;
    if (KWRESULT r = items.OpenByName(&database, kTableListItem)) return r;
    CKWQuery byList;
    byList.SetIndex(&items, kListItemByList);
    items.ClearRecord();
    if (!PutKeyText(items, kFieldName, list.Name())) return KW_OK;
    std::string name, ingredient;
    KWRESULT r = byList.GetExactFromRecord();
    for (; r == KW_OK; r = byList.GetNext()) {
        if ((r = items.GetString(kFieldName, &name))) break;
        if (!EqualsIgnoringCase(name, list.Name())) break;
        float quantity = 0.0f;
        int32_t choice = 0, kind = 0;
        if ((r = items.GetString(kFieldIngredient, &ingredient))) break;
        if ((r = items.GetFloat(kFieldQuantity, &quantity))) break;
        if ((r = items.GetInt(kFieldOpts, &choice))) break;
        if ((r = items.GetInt(kFieldMeasured, &kind))) break;
        list.AppendLoadedEntry(LoadedEntry(context.settings, ingredient, quantity, choice, kind));
    }
    return EndOfWalk(r) ? KW_OK : r;
}

KWRESULT DeleteListContents(CKWDatabase &database, const std::string &name) {
    CKWRecord items;
    if (KWRESULT r = items.OpenByName(&database, kTableListItem)) return r;
    CKWQuery byList;
    byList.SetIndex(&items, kListItemByList);
    std::string stored;
    for (;;) {
        items.ClearRecord();
        if (!PutKeyText(items, kFieldName, name)) return KW_OK;
        KWRESULT r = byList.GetExactFromRecord();
        if (EndOfWalk(r)) return KW_OK;
        if (r || (r = items.GetString(kFieldName, &stored))) return r;
        if (stored != name) return KW_OK;
        if ((r = items.Delete())) return r;
    }
}

KWRESULT WriteListContents(CKWDatabase &database, const UnitContext &context,
                           const ShoppingList &list) {
    CKWRecord items;
    KWRESULT r = items.OpenByName(&database, kTableListItem);
    for (size_t i = 0; r == KW_OK && i < list.Entries().size(); ++i) {
        const auto entry = ParseListEntry(context, list.Entries()[i]);
        if (!entry) continue;
        const double base =
            ToBaseAmount(context.settings, entry->kind, entry->choice, entry->amount);
        items.ClearRecord();
        r = items.PutString(kFieldName, list.Name());
        if (!r) r = items.PutString(kFieldIngredient, entry->name);
        if (!r) r = items.PutFloat(kFieldQuantity, static_cast<float>(base));
        if (!r) r = items.PutInt(kFieldOpts, entry->choice);
        if (!r) r = items.PutInt(kFieldMeasured, entry->kind);
        if (!r) r = items.Insert();
    }
    if (r == BTERR_DUPLICATE)
        context.sink.Say(804, {}, Icon::kExclamation);
    else if (r)
        context.sink.Say(400, {}, Icon::kExclamation);
    return r;
}

KWRESULT AddRecipeToList(CKWDatabase &database, const UnitContext &context, ShoppingList &list,
                         std::string_view category, std::string_view name) {
    CKWRecord lines;
    if (KWRESULT r = lines.OpenByName(&database, kTableRecipeIngredient)) return r;
    CKWQuery byRecipe;
    byRecipe.SetIndex(&lines, kRecipeIngredientByRecipe);
    lines.ClearRecord();
    if (!PutKeyText(lines, kFieldCategory, category) || !PutKeyText(lines, kFieldName, name))
        return KW_OK;
    std::string storedName, storedCategory, ingredient;
    KWRESULT r = byRecipe.GetExactFromRecord();
    for (; r == KW_OK; r = byRecipe.GetNext()) {
        if ((r = lines.GetString(kFieldName, &storedName))) break;
        if ((r = lines.GetString(kFieldCategory, &storedCategory))) break;
        if (storedName != name || storedCategory != category) break;
        float quantity = 0.0f;
        int32_t choice = 0, kind = 0;
        if ((r = lines.GetString(kFieldIngredient, &ingredient))) break;
        if ((r = lines.GetFloat(kFieldQuantity, &quantity))) break;
        if ((r = lines.GetInt(kFieldOpts, &choice))) break;
        if ((r = lines.GetInt(kFieldMeasured, &kind))) break;
        // Left as 100 the line would show unit "-" and lose its amount on the list.
        if (kind == kOwnMeasureKind)
            kind = IngredientMeasureKind(context.catalog, context.sink, ingredient, false);
        list.AddLine(context, false, kind, choice,
                     FromBaseAmount(context.settings, kind, choice, quantity), ingredient);
    }
    return EndOfWalk(r) ? KW_OK : r;
}

KWRESULT AddMealToList(CKWDatabase &database, const UnitContext &context, ShoppingList &list,
                       std::string_view meal) {
    CKWRecord items;
    if (KWRESULT r = items.OpenByName(&database, kTableMealItem)) return r;
    CKWQuery byMeal;
    byMeal.SetIndex(&items, kMealItemByMeal);
    items.ClearRecord();
    if (!PutKeyText(items, kFieldName, meal)) return KW_OK;
    std::string name, recipe, category;
    KWRESULT r = byMeal.GetExactFromRecord();
    for (; r == KW_OK; r = byMeal.GetNext()) {
        if ((r = items.GetString(kFieldName, &name))) break;
        if (name != meal) break;
        if ((r = items.GetString(kFieldRecipe, &recipe))) break;
        if ((r = items.GetString(kFieldCategory, &category))) break;
        if ((r = AddRecipeToList(database, context, list, category, recipe))) break;
    }
    return EndOfWalk(r) ? KW_OK : r;
}

KWRESULT SaveShoppingList(CKWDatabase &database, const UnitContext &context, ShoppingList &list) {
    if (list.Name().empty()) {
        context.sink.Say(800);
        return kListTitleMissing;
    }
    auto fail = [&](KWRESULT r) {
        list.SetModified(true);
        context.sink.Say(400, {}, Icon::kExclamation);
        return r;
    };
    CKWRecord head;
    if (KWRESULT r = head.OpenByName(&database, kTableList)) return fail(r);
    KWRESULT r = list.IsNew() ? KW_NOTFOUND : FindListRecord(head, list.Name());
    if (r == KW_NOTFOUND) {
        // A new list's record goes in first: a name taken by a stored list is refused here,
        // before that list's lines could be deleted and overwritten.
        head.ClearRecord();
        if ((r = head.PutString(kFieldName, list.Name())) || (r = head.Insert())) return fail(r);
    } else if (r) {
        return fail(r);
    }
    list.SetNew(false);
    if ((r = DeleteListContents(database, list.Name()))) return fail(r);
    if ((r = WriteListContents(database, context, list))) {
        list.SetModified(true);
        return r;
    }
    list.SetModified(false);
    return KW_OK;
}

KWRESULT LoadShoppingList(CKWDatabase &database, const UnitContext &context, ShoppingList &list) {
    CKWRecord head;
    if (KWRESULT r = head.OpenByName(&database, kTableList)) return r;
    if (KWRESULT r = FindListRecord(head, list.Name())) return r;
    // The stored spelling: the lines are deleted by exact name when the list is saved again.
    std::string stored;
    if (KWRESULT r = head.GetString(kFieldName, &stored)) return r;
    list.SetName(stored);
    const KWRESULT r = LoadListContents(database, context, list);
    list.SetNew(false);
    list.SetModified(false);
    return r;
}

KWRESULT DeleteShoppingList(CKWDatabase &database, MessageSink &sink, ShoppingList &list,
                            bool *deleted) {
    *deleted = false;
    if (sink.Say(801, {}, Icon::kQuestion, Buttons::kYesNo) != Answer::kYes) return KW_OK;
    CKWRecord head;
    if (KWRESULT r = head.OpenByName(&database, kTableList)) return r;
    if (!list.IsNew()) {
        const KWRESULT found = FindListRecord(head, list.Name());
        if (found == KW_OK) {
            if (KWRESULT r = head.Delete()) return r;
        } else if (found != KW_NOTFOUND) {
            return found;
        }
    }
    if (KWRESULT r = DeleteListContents(database, list.Name())) return r;
    list.SetNew(true);
    list.SetModified(false);
    *deleted = true;
    return KW_OK;
}

}  // namespace kw::planning
