// Where kwtool finds the program's database KWDATA2: the engine's registration (KWDATA.INI,
// section "Locations", in the working directory) for a database that exists, and the program's
// "Install"/"Location" setting (recipe.INI, default WORKDIR/DATA2) for one still to be created.
#pragma once

#include <string>

namespace kwtool {

// The directory KWDATA2 is registered at, or "" when it is not registered.
std::string RegisteredDatabaseDirectory();

// The directory the program creates KWDATA2 in on its first run.
std::string DatabaseCreationDirectory();

}  // namespace kwtool
