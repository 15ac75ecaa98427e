// CKWIndex: one index of a CKWTable. Two numbers tell it apart: the definition number (the first
// byte of its KW_IndexDef, which names the file NAME.iNN and which callers look it up by) and the
// engine index number (its position in the table's index list, which navigation takes). They
// differ when a table skips a number: KWLISTCT's definitions 0, 2 and 3 are engine indexes 0, 1
// and 2.
#pragma once

#include <cstdint>

#include "kwdata.h"

namespace kw {

class CKWDatabase;
class CKWTable;

class CKWIndex final {
  public:
    CKWIndex(CKWDatabase *database, CKWTable *table);
    CKWIndex(const CKWIndex &) = delete;
    CKWIndex &operator=(const CKWIndex &) = delete;

    // Takes the definition number from the definition and adds the index to the table.
    KWRESULT Add(KW_IndexDef *definition);

    int32_t Number() const { return number_; }
    int32_t EngineNumber() const { return engineNumber_; }  // -1 until added
    CKWDatabase *Database() const { return database_; }
    CKWTable *Table() const { return table_; }
    const KW_IndexDef *Definition() const { return definition_; }

  private:
    int32_t number_ = 0;
    CKWDatabase *database_;
    CKWTable *table_;
    int32_t engineNumber_ = -1;
    const KW_IndexDef *definition_ = nullptr;
};

}  // namespace kw
