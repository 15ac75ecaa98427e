// CKWTable: one table of an open CKWDatabase, defined from the caller's static KW_TableDef, with
// the CKWIndex objects of its indexes (owned). Every method passes the engine's result up
// unchanged. The destructor closes the table (its instances with it) and deletes the indexes.
//
// A table is made by CKWDatabase (AddTable, AddTables); callers reach it with FindTable and use
// it through CKWRecord and CKWQuery, which must not outlive it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kwdata.h"

namespace kw {

class CKWDatabase;
class CKWIndex;

class CKWTable final {
  public:
    explicit CKWTable(CKWDatabase *database);
    ~CKWTable();
    CKWTable(const CKWTable &) = delete;
    CKWTable &operator=(const CKWTable &) = delete;

    // Takes the definition's name as the table name and defines the table in the engine.
    KWRESULT Add(KW_TableDef *definition);
    // Adds one index of this table; null when the engine refuses it (its code in *result when
    // result is not null) or the table was never added (501).
    CKWIndex *AddIndex(KW_IndexDef *definition, KWRESULT *result = nullptr);
    // The first index whose definition number (the file number NN of NAME.iNN) is number, or
    // null.
    CKWIndex *FindIndex(int32_t number) const;

    KWRESULT Open();
    KWRESULT Close();
    KWRESULT Clear();
    KWRESULT Reindex();
    // KW_DBDeferIndexes: defer true holds back the index upkeep for many inserts, false ends it.
    KWRESULT DeferIndexes(bool defer);
    KWRESULT Recover();
    KWRESULT Flush();
    // Closes the table and, when that succeeded, drops it (deletes its files).
    KWRESULT CloseAndDrop();
    // The number of records (a walk of the record chain; 502 when it fails).
    KWRESULT GetCount(int32_t *count);
    // The number of open instances (CKWRecord objects) on the table.
    KWRESULT GetInstCount(int32_t *count);

    const std::string &Name() const { return name_; }
    int32_t Number() const { return number_; }  // -1 until added
    CKWDatabase *Database() const { return database_; }
    const KW_TableDef *Definition() const { return definition_; }
    const std::vector<std::unique_ptr<CKWIndex>> &Indexes() const { return indexes_; }

  private:
    int32_t Handle() const;

    std::string name_;
    CKWDatabase *database_;
    int32_t number_ = -1;
    const KW_TableDef *definition_ = nullptr;
    std::vector<std::unique_ptr<CKWIndex>> indexes_;
};

}  // namespace kw
