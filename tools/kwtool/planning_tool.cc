// Shared pieces of kwtool's search, meal and list commands (see planning_tool.h).
#include "planning_tool.h"

#include "app/core/locale_defaults.h"
#include "app/core/schema.h"
#include "app/core/setting_keys.h"
#include "app/core/settings.h"
#include "app/data/query.h"
#include "app/data/record.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"

namespace kwtool {

kw::NumberSettings PlanningNumberSettings() {
    const kw::platform::Profile profile(kw::SettingsFilePath(kw::platform::WorkingDirectory()));
    const kw::Settings settings = kw::Settings::Load(profile, kw::UserLocale());
    kw::NumberSettings numbers;
    numbers.units = settings.units;
    numbers.decimal = settings.decimal;
    numbers.exact = settings.exact;
    return numbers;
}

bool ParseRecipeArgument(const std::string &argument, std::string *title, std::string *category) {
    const size_t mark = argument.find(":[");
    if (mark == std::string::npos || argument.back() != ']') return false;
    *title = kw::platform::Utf8ToCp1252(argument.substr(0, mark));
    *category = kw::platform::Utf8ToCp1252(argument.substr(mark + 2, argument.size() - mark - 3));
    return true;
}

bool RecipeIsStored(kw::CKWDatabase &database, const std::string &title,
                    const std::string &category) {
    kw::CKWRecord recipe;
    if (recipe.OpenByName(&database, kw::schema::kTableRecipe)) return false;
    kw::CKWQuery byKey;
    byKey.SetIndex(&recipe, kw::schema::kRecipeByCategoryName);
    recipe.ClearRecord();
    return recipe.PutString(kw::schema::kFieldName, title) == KW_OK &&
           recipe.PutString(kw::schema::kFieldCategory, category) == KW_OK &&
           byKey.GetExactFromRecord() == KW_OK;
}

}  // namespace kwtool
