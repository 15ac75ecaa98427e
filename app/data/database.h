// CKWDatabase: one engine database opened by name, with the tables defined in it. It owns its
// CKWTable objects (each owns its CKWIndex objects) and deletes them when it closes or is
// destroyed. Every method returns the engine's result code unchanged, except where noted:
//
//   CODE  WHERE        MEANING
//   1     AddTables    an index of a table could not be added (the engine's code: SetupError())
//   502   AddTables    a table could not be added (the engine's code: SetupError())
//   510   Open, Create this object already holds an open database; nothing was done
//
// The table definitions handed in are the caller's static data: the engine keeps pointers to
// them (and writes forced widths into their field descriptors) until the database is closed.
//
// Open defines every table and its indexes, then opens every table; on a failure after the engine
// open it closes everything again. Create registers and creates the database, then opens it; when
// that open fails it closes and destroys the new database, so a failed Create leaves no half-made
// database behind (and it never destroys a database its own create step did not make).
//
// Long calls (open, create, destroy, load, dump and the whole-database loops) raise the wait
// cursor (wait_cursor.h). Nothing throws. Single-threaded, like the engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kwdata.h"

namespace kw {

class CKWTable;

class CKWDatabase final {
  public:
    static constexpr uint16_t kNoHandle = 0xFFFF;
    // AddTables' own codes.
    static constexpr KWRESULT kIndexNotAdded = 1;
    static constexpr KWRESULT kTableNotAdded = 502;

    CKWDatabase();
    ~CKWDatabase();  // closes the database when it is open
    CKWDatabase(const CKWDatabase &) = delete;
    CKWDatabase &operator=(const CKWDatabase &) = delete;

    KWRESULT Create(const std::string &name, const std::string &directory, const void *misc,
                    int32_t miscLength, int32_t tableCount, KW_TableDef *definitions);
    KWRESULT Destroy(const std::string &name);
    KWRESULT Open(const std::string &name, int32_t tableCount, KW_TableDef *definitions);
    // Closes every table (deleting its object) and the database; the handle becomes kNoHandle.
    // Returns the first failing table close (506 when its files could not be written), else the
    // engine's close result. Everything is released whatever the result.
    KWRESULT Close();

    // Defines the tables in order, each followed by its indexes: 502 when a table is refused,
    // 1 when an index is refused (tables defined so far stay in the list).
    KWRESULT AddTables(int32_t tableCount, KW_TableDef *definitions);
    // Defines one table (not its indexes); null when the engine refuses it.
    CKWTable *AddTable(KW_TableDef *definition);
    // Defines one table and adds its indexes, ignoring index failures; null when the table is
    // refused.
    CKWTable *AddTableWithIndexes(KW_TableDef *definition);
    // Takes the table out of the list, closes it, drops its files and deletes the object; the
    // result is the drop's (510 or 506 from the close, 1 when a file stayed). Records and
    // queries on the table must be gone before. 501 for a table this database does not hold.
    KWRESULT DropTable(CKWTable *table);
    // The first table whose name equals name exactly, or null.
    CKWTable *FindTable(std::string_view name) const;

    KWRESULT Load(const std::string &path, bool replaceDuplicates, int32_t *duplicates);
    KWRESULT Dump(const std::string &path);
    KWRESULT SelDump(const std::string &path, int32_t tableCount, const int32_t *tableNumbers);
    // For each table in list order; the first non-zero result stops the loop and is returned.
    KWRESULT ClearAll();
    KWRESULT ReindexAll();
    KWRESULT RecoverAll();
    KWRESULT FlushAll();

    KWRESULT GetMiscData(void *buffer, int32_t length);
    KWRESULT UpdateMiscData(const void *buffer, int32_t length);
    KWRESULT GetParam(int32_t a, int32_t b);
    static int32_t GetExtendedError();

    const std::string &Name() const { return name_; }
    uint16_t Handle() const { return handle_; }
    bool IsOpen() const { return handle_ != kNoHandle; }
    const std::vector<std::unique_ptr<CKWTable>> &Tables() const { return tables_; }
    // The engine's own result behind the last 502 or 1 of AddTables (0 before any failure).
    KWRESULT SetupError() const { return setupError_; }

  private:
    template <typename Op>
    KWRESULT ForEachTable(Op op);

    std::string name_;
    uint16_t handle_ = kNoHandle;
    std::vector<std::unique_ptr<CKWTable>> tables_;
    KWRESULT setupError_ = KW_OK;
};

}  // namespace kw
