// The database and settings of kwtool's recipe commands (see program_database.h).
#include "program_database.h"

#include <string>

#include "app/core/locale_defaults.h"
#include "app/core/recipe_database.h"
#include "app/core/schema.h"
#include "app/core/setting_keys.h"
#include "app/core/settings.h"
#include "command.h"
#include "engine_results.h"
#include "platform/path.h"
#include "platform/profile.h"

namespace kwtool {

int OpenProgramDatabase(kw::CKWDatabase &database) {
    const KWRESULT r = kw::OpenRecipeDatabase(database);
    if (r == KW_OK) return 0;
    const std::string name = kw::schema::kDatabaseName;
    if (r == KWERR_NOLOCATION)
        return Fail("database " + name +
                    " is not registered here or its directory is missing; run 'kwtool create' "
                    "first (507)");
    return Fail("cannot open database " + name + ": " + EngineResultText(r));
}

kw::NumberSettings ProgramNumberSettings() {
    const kw::platform::Profile profile(kw::SettingsFilePath(kw::platform::WorkingDirectory()));
    const kw::Settings settings = kw::Settings::Load(profile, kw::UserLocale());
    return kw::NumberSettings{settings.units, settings.decimal, settings.exact};
}

}  // namespace kwtool
