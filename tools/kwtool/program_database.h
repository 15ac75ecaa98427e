// How kwtool's recipe commands reach the program's data: the database KWDATA2 and the user's
// number settings from recipe.INI in the working directory. One place, so that the commands
// follow when the start-up sequence offers a session of its own.
#pragma once

#include "app/data/database.h"
#include "app/recipes/number_settings.h"

namespace kwtool {

// Opens KWDATA2 with its schema. 0 when open; otherwise prints why and returns the command's
// exit status (1).
int OpenProgramDatabase(kw::CKWDatabase &database);

// The unit system, decimals and exact settings as the program reads them (defaults for the
// user's locale where the file has none).
kw::NumberSettings ProgramNumberSettings();

}  // namespace kwtool
