// CKWIndex: adding one index definition to its table.
#include "index.h"

#include "database.h"
#include "table.h"

namespace kw {

CKWIndex::CKWIndex(CKWDatabase *database, CKWTable *table) : database_(database), table_(table) {}

KWRESULT CKWIndex::Add(KW_IndexDef *definition) {
    if (!definition) return KWERR_BADHANDLE;
    number_ = definition->number;
    int32_t engineNumber = -1;
    const KWRESULT r =
        KW_DBAddIndex(database_->Handle(), table_->Number(), definition, &engineNumber);
    if (r == KW_OK) {
        engineNumber_ = engineNumber;
        definition_ = definition;
    }
    return r;
}

}  // namespace kw
