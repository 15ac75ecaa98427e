// Database life cycle: the registry in KWDATA.INI ("Locations": name=directory), open, close,
// create, destroy and the misc data file "dbver.ver" in the database directory.
//
// What callers may rely on:
//   - open and create undo their engine start on every failure, so a failed call leaves the use
//     count as it was; open touches no file of the database;
//   - create leaves the new database closed and registered, with its directory and dbver.ver;
//     when the registration cannot be written (508) the directory it just made is removed again;
//   - destroy refuses (510) while a database of exactly that name is open;
//   - updating the misc data never changes the file's access or modification time.
#pragma once

#include <cstdint>

#include "kwdata.h"

namespace kw::engine {

// The built-in location of an unregistered database. On this platform it is a relative name that
// normally does not exist, so such an open gives 507.
inline constexpr char kDefaultLocation[] = "C:\\KWDATA\\";
inline constexpr char kMiscDataFileName[] = "dbver.ver";
// A file the engine only ever deletes (from the working directory) before reading misc data.
inline constexpr char kStaleScratchFileName[] = "z1z12zzz.zzz";

KWRESULT OpenDatabase(const char *name, uint16_t *handle);
KWRESULT CloseDatabase(int32_t db);
KWRESULT CreateDatabase(const char *name, const char *directory, const void *misc,
                        int32_t miscLength);
KWRESULT DestroyDatabase(const char *name);
KWRESULT GetMiscData(int32_t db, void *buffer, int32_t length);
KWRESULT UpdateMiscData(int32_t db, const void *buffer, int32_t length);

}  // namespace kw::engine
