// kwtool create: creates the program's database KWDATA2 the way its first run does — registered
// in KWDATA.INI, in the directory of the "Install"/"Location" setting of recipe.INI (by default
// DATA2 in the working directory), with every table and index file of the schema — and closes
// it again. A database that opens already is left alone (status 1), and so is an existing
// directory that holds anything; an empty one is taken over, as the program does. A create whose
// table files cannot be made leaves no database behind.
#include <iostream>

#include "app/core/recipe_database.h"
#include "app/core/schema.h"
#include "app/data/table.h"
#include "command.h"
#include "database_directory.h"
#include "engine_results.h"
#include "instance.h"
#include "platform/path.h"

namespace kwtool {
namespace {

using kw::schema::kDatabaseName;

int RunCreate(const Options &options) {
    if (!options.args.empty()) return Usage(options, "create");
    auto lock = LockWorkingDirectory();
    if (!lock) return 1;

    kw::CKWDatabase database;
    if (kw::OpenRecipeDatabase(database) == KW_OK) {
        database.Close();
        return Fail("database " + std::string(kDatabaseName) + " exists already in " +
                    RegisteredDatabaseDirectory());
    }
    const std::string directory = DatabaseCreationDirectory();
    // An empty directory (made by an installer, or left by a failed start) is in the way of the
    // engine's create, which makes the directory itself.
    if (kw::platform::IsDirectory(directory) && kw::platform::ListFiles(directory).empty())
        kw::platform::RemoveDirectory(directory);

    const KWRESULT r = kw::CreateRecipeDatabase(database, directory);
    if (r == KWERR_NOLOCATION && kw::platform::FileExists(directory))
        return Fail("cannot create database " + std::string(kDatabaseName) + ": " + directory +
                    " exists already (507)");
    if (r != KW_OK) {
        std::string why = EngineResultText(r);
        if (r == kw::CKWDatabase::kTableNotAdded || r == kw::CKWDatabase::kIndexNotAdded)
            why = "a table definition was refused: " + EngineResultText(database.SetupError());
        return Fail("cannot create database " + std::string(kDatabaseName) + " in " + directory +
                    ": " + why);
    }
    size_t indexes = 0;
    for (const auto &table : database.Tables())
        indexes += table->Indexes().size();
    const size_t tables = database.Tables().size();
    if (const KWRESULT closed = database.Close())
        return Fail("database " + std::string(kDatabaseName) + " in " + directory +
                    " could not be closed: " + EngineResultText(closed));
    std::cout << "created database " << kDatabaseName << " in " << directory << " (" << tables
              << " tables, " << indexes << " index files)\n";
    return 0;
}

}  // namespace

KWTOOL_COMMAND("create", "",
               "create the database KWDATA2 with every table (in Install/Location, else DATA2)",
               RunCreate);

}  // namespace kwtool
