// The engine side of the fuzz targets and the seed generator: a working directory of their own
// with KWDATA.INI and one registered database, the two tables they use, and small helpers to
// compose, walk and count records through the exports.
//
// The tables (the engine keeps pointers to these definitions, so they are static):
//   KWRECIPE  NAME C 20, CATEGORY C 12, MINUTES I 4, RATING F 8, VEGAN L 1, ID U 4
//             record length 50
//             index 0 (file .i00): CATEGORY+NAME   0x111  unique, characters, case ignored
//             index 1 (file .i01): NAME(0,10)      0x110  non-unique (ID appended), case ignored
//             index 2 (file .i02): MINUTES         0x0A0  non-unique, signed integer
//   KWCAT     NAME C 20, SHOWN L 1                 record length 22, no U field
//             index 0 (file .i00): NAME            0x111  unique
//
// The cache settings are small on purpose (3 store buffers, 1 + 4 page buffers, both deferred),
// so a few records already make the caches write back and reload.
//
// Only the fuzz targets and the seed generator include this header.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "kwdata.h"

namespace kw::fuzz {

inline constexpr const char *kFuzzDatabase = "FUZZDB";
inline constexpr int32_t kRecipeIndexCount = 3;
inline constexpr int32_t kRecipeRecordLength = 50;

inline KW_FieldDef FuzzField(const char *name, char type, int32_t width) {
    KW_FieldDef f;
    std::memset(&f, 0, sizeof f);
    std::strncpy(f.name, name, sizeof f.name - 1);
    f.type = type;
    f.width = width;
    return f;
}

inline KW_IndexDef FuzzIndex(uint8_t number, const char *expression, int32_t flags) {
    KW_IndexDef d;
    std::memset(&d, 0, sizeof d);
    d.number = number;
    std::strncpy(d.expression, expression, sizeof d.expression - 1);
    d.flags = flags;
    return d;
}

struct FuzzTables {
    KW_FieldDef recipeFields[6] = {FuzzField("NAME", 'C', 20),   FuzzField("CATEGORY", 'C', 12),
                                   FuzzField("MINUTES", 'I', 4), FuzzField("RATING", 'F', 8),
                                   FuzzField("VEGAN", 'L', 1),   FuzzField("ID", 'U', 4)};
    KW_IndexDef recipeIndexes[kRecipeIndexCount] = {FuzzIndex(0, "CATEGORY+NAME", 0x111),
                                                    FuzzIndex(1, "NAME(0,10)", 0x110),
                                                    FuzzIndex(2, "MINUTES", 0x0A0)};
    KW_FieldDef catFields[2] = {FuzzField("NAME", 'C', 20), FuzzField("SHOWN", 'L', 1)};
    KW_IndexDef catIndexes[1] = {FuzzIndex(0, "NAME", 0x111)};
    KW_TableDef recipe{"KWRECIPE", 6, recipeFields, kRecipeIndexCount, recipeIndexes};
    KW_TableDef cat{"KWCAT", 2, catFields, 1, catIndexes};
};

inline FuzzTables &Tables() {
    static FuzzTables tables;
    return tables;
}

inline std::string FuzzReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline void FuzzWriteFile(const std::string &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
}

// A fresh directory (in /dev/shm when there is one: the targets write files on every run) with
// KWDATA.INI and the database FUZZDB in FUZZDB/. The engine reads KWDATA.INI from the working
// directory, so every use of the engine happens inside an Enter() scope, which makes the
// workspace the working directory and then returns to the previous one (libFuzzer's corpus and
// artifact paths may be relative). The directory is removed when the process ends normally.
class FuzzWorkspace {
  public:
    static FuzzWorkspace &Get() {
        // Never destroyed: the removal at exit still needs the path.
        static FuzzWorkspace &workspace = *new FuzzWorkspace;
        return workspace;
    }

    class Inside {
      public:
        explicit Inside(const std::string &dir) : previous_(::open(".", O_RDONLY | O_DIRECTORY)) {
            if (previous_ < 0 || ::chdir(dir.c_str()) != 0) {
                std::perror("fuzz workspace");
                std::abort();
            }
        }
        ~Inside() {
            if (::fchdir(previous_) != 0) std::perror("fuzz workspace");
            ::close(previous_);
        }
        Inside(const Inside &) = delete;
        Inside &operator=(const Inside &) = delete;

      private:
        int previous_;
    };

    [[nodiscard]] Inside Enter() const { return Inside(root_); }

    // The path of a file of the database directory.
    std::string DataFile(const std::string &name) const { return database_ + "/" + name; }
    const std::string &Root() const { return root_; }

  private:
    FuzzWorkspace() {
        char shm[] = "/dev/shm/kwfuzzXXXXXX";
        char tmp[] = "/tmp/kwfuzzXXXXXX";
        const char *made = ::mkdtemp(shm);
        if (made == nullptr) made = ::mkdtemp(tmp);
        if (made == nullptr) {
            std::perror("fuzz workspace");
            std::abort();
        }
        root_ = made;
        database_ = root_ + "/" + kFuzzDatabase;
        FuzzWriteFile(root_ + "/KWDATA.INI",
                      "[Cache]\r\nBtreeBuffers=1\r\nStoreBuffers=3\r\nBtreeType=2\r\n"
                      "StoreType=2\r\n");
        const Inside inside = Enter();
        if (KW_DBCreateDatabase(kFuzzDatabase, database_.c_str(), "fuzz", 4) != KW_OK) {
            std::fprintf(stderr, "cannot create the fuzz database in %s\n", root_.c_str());
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Get().root_, ignored);
        });
    }

    std::string root_;
    std::string database_;
};

// An open database with KWRECIPE (and KWCAT when asked) defined; the tables are not opened.
// Used inside FuzzWorkspace::Enter().
struct FuzzDatabase {
    uint16_t db = 0xFFFF;
    int32_t recipe = -1;
    int32_t cat = -1;

    // False when the engine refused: that is a fault of the fixture, not of the input.
    bool Open(bool withCat) {
        FuzzTables &t = Tables();
        if (KW_DBOpen(kFuzzDatabase, &db) != KW_OK) return false;
        if (KW_DBAddTable(db, &t.recipe, &recipe) != KW_OK) return false;
        for (KW_IndexDef &index : t.recipeIndexes) {
            int32_t idx = -1;
            if (KW_DBAddIndex(db, recipe, &index, &idx) != KW_OK) return false;
        }
        if (!withCat) return true;
        if (KW_DBAddTable(db, &t.cat, &cat) != KW_OK) return false;
        int32_t idx = -1;
        return KW_DBAddIndex(db, cat, &t.catIndexes[0], &idx) == KW_OK;
    }
    void Close() {
        if (db != 0xFFFF) KW_DBClose(db);
        db = 0xFFFF;
    }
};

// Fills inst's buffer with a KWRECIPE record (text fields zero-padded, as the exports want).
inline KWRESULT ComposeRecipe(const FuzzDatabase &d, int32_t inst, const std::string &name,
                              const std::string &category, int32_t minutes, double rating) {
    char nameField[20] = {}, categoryField[12] = {};
    std::memcpy(nameField, name.data(), std::min(name.size(), sizeof nameField));
    std::memcpy(categoryField, category.data(), std::min(category.size(), sizeof categoryField));
    const char vegan = (minutes & 1) ? 'T' : 'F';
    KWRESULT r = KW_DBClearRecord(d.db, d.recipe, inst);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.recipe, inst, "NAME", nameField);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.recipe, inst, "CATEGORY", categoryField);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.recipe, inst, "MINUTES", &minutes);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.recipe, inst, "RATING", &rating);
    if (r == KW_OK) r = KW_DBPutField(d.db, d.recipe, inst, "VEGAN", &vegan);
    return r;
}

// One walk through an index: the record references met, in order, and the result that ended it
// (2 or 3 at the ends; anything else is a failure). At most limit steps are taken.
struct IndexWalk {
    std::vector<int32_t> refs;
    KWRESULT end = KW_OK;
    bool cut = false;  // stopped after limit records
};

inline IndexWalk WalkIndex(const FuzzDatabase &d, int32_t tbl, int32_t idx, int32_t inst,
                           bool forward, size_t limit) {
    IndexWalk walk;
    KWRESULT r = forward ? KW_DBGetFirstRecord(d.db, tbl, idx, inst, nullptr, 0)
                         : KW_DBGetLastRecord(d.db, tbl, idx, inst, nullptr, 0);
    while (r == KW_OK) {
        int32_t ref = -1;
        KW_DBGetRecordRef(d.db, tbl, inst, &ref);
        walk.refs.push_back(ref);
        if (walk.refs.size() >= limit) {
            walk.cut = true;
            break;
        }
        r = forward ? KW_DBGetNextRecord(d.db, tbl, idx, inst, nullptr, 0)
                    : KW_DBGetPrevRecord(d.db, tbl, idx, inst, nullptr, 0);
    }
    walk.end = r;
    return walk;
}

// The input of the table-file target holds the four files of KWRECIPE one after another,
// separated by kFileSeparator:  store (.dat) SEP index 0 (.i00) SEP index 1 (.i01) SEP index 2
// (.i02). Files after the last separator present are empty (the engine then makes them new);
// separators after the third belong to the last file.
inline constexpr std::string_view kFileSeparator = "=KWFILE=";
inline constexpr size_t kRecipeFileCount = 1 + kRecipeIndexCount;

inline std::vector<std::string_view> SplitTableFiles(std::string_view input) {
    std::vector<std::string_view> files;
    while (files.size() + 1 < kRecipeFileCount) {
        const size_t at = input.find(kFileSeparator);
        if (at == std::string_view::npos) break;
        files.push_back(input.substr(0, at));
        input.remove_prefix(at + kFileSeparator.size());
    }
    files.push_back(input);
    files.resize(kRecipeFileCount);
    return files;
}

// The file names of KWRECIPE in the order of the input: KWRECIPE.dat, KWRECIPE.i00, ...
inline std::vector<std::string> RecipeFileNames() {
    std::vector<std::string> names{"KWRECIPE.dat"};
    for (int32_t i = 0; i < kRecipeIndexCount; ++i)
        names.push_back("KWRECIPE.i0" + std::to_string(i));
    return names;
}

}  // namespace kw::fuzz
