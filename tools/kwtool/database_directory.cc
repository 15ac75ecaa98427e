// Reading the database's registration and creation directory.
#include "database_directory.h"

#include "app/core/schema.h"
#include "app/core/setting_keys.h"
#include "app/core/startup_flags.h"
#include "platform/path.h"
#include "platform/profile.h"

namespace kwtool {

std::string RegisteredDatabaseDirectory() {
    const std::string ini = kw::platform::JoinPath(kw::platform::WorkingDirectory(), "KWDATA.INI");
    return kw::platform::Profile(ini).GetString("Locations", kw::schema::kDatabaseName, "");
}

std::string DatabaseCreationDirectory() {
    const std::string workdir = kw::platform::WorkingDirectory();
    const kw::platform::Profile settings(kw::SettingsFilePath(workdir));
    return kw::DatabaseLocation(settings, workdir);
}

}  // namespace kwtool
