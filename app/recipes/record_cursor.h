// A table instance and a query on one of its indexes, opened together for one operation and
// closed with it, with the three walks the recipe and category operations make over an index:
//
//   ForEach   read: from the first entry at or after a key, every record while it matches.
//   Rewrite   change: each matching record is handed to a callback that may update it, delete it
//             or leave it; the walk then searches again from the key, because a changed key moves
//             the record (and the shared cursor) elsewhere in the index; only a record the
//             callback passed over untouched is followed by a plain step to the next entry. Each
//             record is handed over once (told apart by its serial number, the UNIQUE field), so a
//             change that keeps the key in range (a change of letter case only) or an update the
//             index refuses cannot make the walk go round for ever. Only for tables with a UNIQUE
//             field (KWRECIPE, KWRECING, KWRCPCAT, ...).
//
// Keys of character indexes are the fields' texts zero-padded to their widths and joined in key
// order (TextKey); the engine upper-cases A-Z of a search key and of the stored keys alike, so
// searches ignore letter case as the indexes do. A search on an index that is not unique ends on
// the first entry at or after the key, so a walk always compares the fields it searched for.
//
// All instances of a table share its index cursors: a ForEach visitor must not navigate the
// table being walked (it may read fields and use other tables). Nothing throws.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "app/data/query.h"
#include "app/data/record.h"

namespace kw {

class CKWDatabase;

namespace recipedb {

// The key of a character index: each part's text cut or zero-padded to its width, in order.
std::string TextKey(std::initializer_list<std::pair<std::string_view, int32_t>> parts);

// The recipe key of KWRECIPE index 0, KWRECING index 0 and KWRCPCAT index 0 (CATEGORY+NAME):
// 80 bytes, zero-filled, the category in bytes 0 to 31 and the name from byte 32.
std::string RecipeKey(std::string_view category, std::string_view name);

class RecordCursor final {
  public:
    // What a Rewrite callback did with the record; anything else it returns is an engine failure
    // that ends the walk with that result. kLeft: the record may have been changed in place or
    // an engine call failed on it, so the walk searches again from the key. kPassedOver: the
    // callback neither changed the record nor called the engine on this table, so the walk goes
    // straight on to the next entry (records left in range this way cost no second search).
    static constexpr KWRESULT kLeft = 0;
    static constexpr KWRESULT kPassedOver = -1;

    // Opens an instance on the table of that name and sets the query on index (a definition
    // number). On failure the cursor stays unusable and every call answers with an error.
    KWRESULT Open(CKWDatabase &database, const char *table, int32_t index);
    KWRESULT UseIndex(int32_t index) { return query_.SetIndex(&record_, index); }

    CKWRecord &Record() { return record_; }
    CKWQuery &Query() { return query_; }

    // Typed reads of the current buffer; the fallback when the field cannot be read.
    std::string Text(const char *field);
    int32_t Int(const char *field, int32_t fallback = 0);
    float Float(const char *field, float fallback = 0.0f);

    // An exact search: 0 found (on a unique index: that key; otherwise the first entry at or
    // after it), else the engine's navigation code.
    KWRESULT Find(const std::string &key);

    using Match = std::function<bool(RecordCursor &)>;
    // Visits the records from key on while match holds. 0 when the run ended (at a record that
    // does not match or at the end of the index), else the navigation failure.
    KWRESULT ForEach(const std::string &key, const Match &match,
                     const std::function<void(RecordCursor &)> &visit);
    // Hands each matching record once to change (see the header comment). 0 when every matching
    // record was handed over, else the first failure of navigation or of change.
    KWRESULT Rewrite(const std::string &key, const Match &match,
                     const std::function<KWRESULT(RecordCursor &)> &change);
    // Deletes every matching record; *deleted (when given) counts them.
    KWRESULT DeleteAll(const std::string &key, const Match &match, int *deleted = nullptr);
    // The number of matching records.
    KWRESULT Count(const std::string &key, const Match &match, int *count);

  private:
    CKWRecord record_;
    CKWQuery query_;
};

}  // namespace recipedb
}  // namespace kw
