// The workload on SQLite, with the tables and indexes of bench_schema.h, prepared statements,
// journal_mode=WAL and synchronous=NORMAL, and one transaction per batch. The page cache keeps
// SQLite's default size.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "workload.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kw::bench {

class SqliteWorkload final : public Workload {
  public:
    // Creates the database file path (which must not exist yet) with the table. Null, with
    // *error set, on failure.
    static std::unique_ptr<SqliteWorkload> Open(const BenchTable &table, const std::string &path,
                                                std::string *error);
    // Closes the database and removes its files.
    ~SqliteWorkload() override;

    size_t Insert(const RowSet &rows, size_t begin, size_t end) override;
    size_t Lookup(const RowSet &rows, const std::vector<size_t> &which) override;
    size_t Scan(std::vector<std::string> *keys = nullptr) override;
    size_t Update(const RowSet &rows, const std::vector<size_t> &which) override;
    size_t Delete(const RowSet &rows, const std::vector<size_t> &which) override;

  private:
    SqliteWorkload(const BenchTable &table, std::string path);
    bool Exec(const std::string &sql);
    sqlite3_stmt *Prepare(const std::string &sql);
    bool Fail(const char *what);
    // Which fields of a row a statement takes: the unique key's, the others, or all (in field
    // order); the U field never, SQLite numbers the row.
    enum class FieldSet { kKeys, kOthers, kAll };
    // Binds the fields of row to statement parameters from first on; returns the next
    // parameter number.
    int Bind(sqlite3_stmt *statement, const Row &row, FieldSet set, int first);
    // Steps a statement to its end, counting result rows (reading the title of each).
    bool Run(sqlite3_stmt *statement, size_t *rowsOut, std::vector<std::string> *keys);

    // Runs step(rows, i, &done) for each listed record in one transaction; stops at the first
    // step that fails. Returns done.
    template <typename Step>
    size_t Batch(const RowSet &rows, const std::vector<size_t> &which, Step step);

    const BenchTable &table_;
    std::string path_;
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *insert_ = nullptr, *lookup_ = nullptr, *scan_ = nullptr, *update_ = nullptr,
                 *delete_ = nullptr;
    Row row_;
};

}  // namespace kw::bench
