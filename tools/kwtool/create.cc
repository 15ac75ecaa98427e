// kwtool create: registers the program's database KWDATA2 in KWDATA.INI and creates its directory
// DATA2 in the working directory, with an empty misc data file, the way the program does on its
// first run. The tables are created by whoever opens the database with its schema.
#include "command.h"
#include "database_names.h"
#include "engine_results.h"
#include "kwdata.h"
#include "platform/path.h"

#include <iostream>

namespace kwtool {
namespace {

int RunCreate(const Options &options) {
    if (!options.args.empty()) return Usage(options, "create");
    const std::string directory =
        kw::platform::JoinPath(kw::platform::WorkingDirectory(), kDatabaseDirectory);
    const KWRESULT r = KW_DBCreateDatabase(kDatabaseName, directory.c_str(), nullptr, 0);
    if (r == KWERR_NOLOCATION && kw::platform::FileExists(directory))
        return Fail("cannot create database " + std::string(kDatabaseName) + ": " + directory +
                    " exists already (507)");
    if (r != KW_OK)
        return Fail("cannot create database " + std::string(kDatabaseName) + " in " + directory +
                    ": " + EngineResultText(r));
    std::cout << "created database " << kDatabaseName << " in " << directory << "\n";
    return 0;
}

}  // namespace

KWTOOL_COMMAND("create", "", "register and create the database KWDATA2 in DATA2", RunCreate);

}  // namespace kwtool
