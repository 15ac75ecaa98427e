// The benchmark workload as each store runs it: indexed insert, exact lookup, ordered scan,
// update and delete of the records of one RowSet. The engine and SQLite each implement it, and
// the benchmark times the two on the same records one after the other.
//
// Every batch is one unit of work as the store commits it: the engine flushes the table at the
// end of each writing batch, SQLite runs each batch in one transaction. Results are counts, so
// callers can check that both stores did the same work; a store failure sets error() and the
// batch stops.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench_rows.h"

namespace kw::bench {

class Workload {
  public:
    virtual ~Workload() = default;

    // Writes records [begin, end) of rows, version 0; the number written.
    virtual size_t Insert(const RowSet &rows, size_t begin, size_t end) = 0;
    // Finds each listed record by its unique key and reads its title; the number found.
    virtual size_t Lookup(const RowSet &rows, const std::vector<size_t> &which) = 0;
    // Walks the whole table in the order of its scan index reading every record; the number of
    // records. When keys is given it receives "CATEGORY|NAME" of each record in order.
    virtual size_t Scan(std::vector<std::string> *keys = nullptr) = 0;
    // Finds each listed record by its unique key and rewrites it as version 1; the number
    // rewritten.
    virtual size_t Update(const RowSet &rows, const std::vector<size_t> &which) = 0;
    // Finds each listed record by its unique key and deletes it; the number deleted.
    virtual size_t Delete(const RowSet &rows, const std::vector<size_t> &which) = 0;

    const std::string &error() const { return error_; }

  protected:
    std::string error_;
};

}  // namespace kw::bench
