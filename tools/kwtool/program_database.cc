// The number settings of kwtool's recipe commands (see program_database.h).
#include "program_database.h"

#include "app/core/locale_defaults.h"
#include "app/core/setting_keys.h"
#include "app/core/settings.h"
#include "platform/path.h"
#include "platform/profile.h"

namespace kwtool {

kw::NumberSettings ProgramNumberSettings() {
    const kw::platform::Profile profile(kw::SettingsFilePath(kw::platform::WorkingDirectory()));
    const kw::Settings settings = kw::Settings::Load(profile, kw::UserLocale());
    return kw::NumberSettings{settings.units, settings.decimal, settings.exact};
}

}  // namespace kwtool
