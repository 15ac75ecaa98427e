// Opening and creating KWDATA2 with the schema.
#include "recipe_database.h"

#include "schema.h"

namespace kw {

KWRESULT OpenRecipeDatabase(CKWDatabase &database) {
    return database.Open(schema::kDatabaseName, schema::kTableCount, schema::RecipeTables());
}

KWRESULT CreateRecipeDatabase(CKWDatabase &database, const std::string &directory) {
    return database.Create(schema::kDatabaseName, directory, nullptr, 0, schema::kTableCount,
                           schema::RecipeTables());
}

}  // namespace kw
