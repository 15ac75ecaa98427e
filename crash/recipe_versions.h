// The recipes the crash harness writes: each one's whole content follows from its identity
// (category and name) and a version number, so a checker that finds a recipe can tell whether
// every byte of it and every one of its ingredient lines is what was written.
//
//   KWRECIPE  NAME, CATEGORY; REFERENC "v<version>"; METHOD a text of 40 to 2400 bytes naming
//             the recipe and its version; TOTALTIM, PREPTIME, NOOFSERV from the version
//   KWRECING  1 to 6 lines, INGREDIE "Ingredient <j> of v<version>", QUANTITY j + 0.5
//
// Writing follows the recipe form's save: the old lines deleted, the new lines inserted, then
// the recipe record inserted or updated. Deleting takes the recipe record and then its lines.
// Every function returns the engine's result (0 on success) and stops at the first failure.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kwdata.h"

namespace kw {
class CKWDatabase;
}

namespace kw::crash {

struct RecipeIdentity {
    std::string category;
    std::string name;
    bool operator<(const RecipeIdentity &o) const {
        return category != o.category ? category < o.category : name < o.name;
    }
    bool operator==(const RecipeIdentity &o) const {
        return category == o.category && name == o.name;
    }
};

// The identity numbered n of the harness's pool (the pool is small, so deleted recipes come
// back under the same identity).
RecipeIdentity PoolIdentity(int n);
inline constexpr int kPoolSize = 240;

// Writes version of the recipe (new or replacing whatever the database holds for it).
KWRESULT WriteRecipe(CKWDatabase &database, const RecipeIdentity &id, int32_t version);
// Deletes the recipe record and every ingredient line of the recipe.
KWRESULT DeleteRecipe(CKWDatabase &database, const RecipeIdentity &id);

// Every recipe record of the database with the version its REFERENC names (-1 when it names
// none), walked through KWRECIPE's CATEGORY+NAME index.
KWRESULT ListRecipes(CKWDatabase &database, std::map<RecipeIdentity, int32_t> *recipes);

// The differences between what the database holds for the recipe and its version as written
// (empty: present and intact). With anyVersion, the recipe record may carry any version and is
// checked against its own; its lines are then not checked (a crash between the lines and the
// record of one save leaves them apart).
std::vector<std::string> CheckRecipe(CKWDatabase &database, const RecipeIdentity &id,
                                     int32_t version, bool anyVersion = false);

}  // namespace kw::crash
