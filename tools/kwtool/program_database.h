// The user's number settings of kwtool's recipe commands, from recipe.INI in the working
// directory (the database they open through command_database.h).
#pragma once

#include "app/recipes/number_settings.h"

namespace kwtool {

// The unit system, decimals and exact settings as the program reads them (defaults for the
// user's locale where the file has none).
kw::NumberSettings ProgramNumberSettings();

}  // namespace kwtool
