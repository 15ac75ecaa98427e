// The workload on the record engine, through its public interface only (kwdata.h), as the
// program uses it: fields put one by one into an instance's record buffer, records found by an
// exact search on the unique index before they are rewritten or deleted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workload.h"

namespace kw::bench {

// The engine's "Cache" settings (KWDATA.INI); the defaults are the engine's own.
struct EngineCache {
    int storeBuffers = 20;
    int btreeBuffers = 20;
    int storeType = 2;
    int btreeType = 2;
};

class EngineWorkload final : public Workload {
  public:
    // Writes cache to KWDATA.INI in the working directory, creates the database name in
    // directory (which must not exist yet) and opens table in it. Null, with *error set, on
    // failure. The engine reads its settings when its first database opens, so only one
    // workload may be open at a time for the settings to apply.
    static std::unique_ptr<EngineWorkload> Open(const BenchTable &table, const std::string &name,
                                                const std::string &directory,
                                                const EngineCache &cache, std::string *error);
    // Closes the database and destroys it with its files.
    ~EngineWorkload() override;

    size_t Insert(const RowSet &rows, size_t begin, size_t end) override;
    size_t Lookup(const RowSet &rows, const std::vector<size_t> &which) override;
    size_t Scan(std::vector<std::string> *keys = nullptr) override;
    size_t Update(const RowSet &rows, const std::vector<size_t> &which) override;
    size_t Delete(const RowSet &rows, const std::vector<size_t> &which) override;

    // The engine's record count of the table (walks the record chain), or -1.
    int32_t Count();

  private:
    EngineWorkload(const BenchTable &table, std::string name);
    bool Fail(const char *what, int32_t result);
    bool PutRow(const Row &row);
    // Exact search for record i on the lookup index: KW_OK, KW_NOTFOUND or a failure.
    int32_t Find(const RowSet &rows, size_t i);
    // Finds each listed record and applies action(i) to it; the number of records it succeeded
    // on. A record not found is passed over; a failed search or action stops the batch.
    template <typename Action>
    size_t EachFound(const RowSet &rows, const std::vector<size_t> &which, Action action);
    bool Flush();
    std::string FieldText(int field);

    const BenchTable &table_;
    std::string name_;
    uint16_t db_ = 0;
    int32_t tbl_ = -1;
    int32_t inst_ = -1;
    bool open_ = false;
    std::vector<char> field_;  // one field's bytes, zero-padded to its width
    std::vector<char> key_;
    Row row_;
};

}  // namespace kw::bench
