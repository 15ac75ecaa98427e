// The workload on SQLite.
#include "sqlite_workload.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace kw::bench {
namespace {

bool IsKey(const BenchTable &table, int field) {
    return std::find(table.keyFields.begin(), table.keyFields.end(), field) !=
           table.keyFields.end();
}

std::string KeyCondition(const BenchTable &table) {
    std::string where;
    for (const int f : table.keyFields)
        where += (where.empty() ? " WHERE " : " AND ") + table.sqlColumns[f] + "=?";
    return where;
}

}  // namespace

SqliteWorkload::SqliteWorkload(const BenchTable &table, std::string path)
    : table_(table), path_(std::move(path)) {}

std::unique_ptr<SqliteWorkload> SqliteWorkload::Open(const BenchTable &table,
                                                     const std::string &path, std::string *error) {
    std::unique_ptr<SqliteWorkload> w(new SqliteWorkload(table, path));
    if (sqlite3_open_v2(path.c_str(), &w->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        *error = "sqlite3_open_v2: " + path;
        return nullptr;
    }
    bool ok = w->Exec("PRAGMA journal_mode=WAL") && w->Exec("PRAGMA synchronous=NORMAL");
    for (size_t i = 0; ok && i < table.sqlSchema.size(); ++i)
        ok = w->Exec(table.sqlSchema[i]);

    const int serial = SerialField(table);
    const std::string name = table.sqlName;
    std::string columns, values, sets;
    for (int f = 0; f < table.engine->fieldCount; ++f) {
        if (f == serial) continue;
        const std::string &c = table.sqlColumns[static_cast<size_t>(f)];
        columns += (columns.empty() ? "" : ",") + c;
        values += values.empty() ? "?" : ",?";
        if (!IsKey(table, f)) sets += (sets.empty() ? "" : ",") + c + "=?";
    }
    std::string order;
    for (const int f : table.scanFields)
        order += (order.empty() ? "" : ",") + table.sqlColumns[static_cast<size_t>(f)];
    order += "," + table.sqlColumns[static_cast<size_t>(serial)];
    if (ok) {
        w->insert_ = w->Prepare("INSERT INTO " + name + "(" + columns + ") VALUES(" + values + ")");
        w->lookup_ = w->Prepare("SELECT * FROM " + name + KeyCondition(table));
        w->scan_ = w->Prepare("SELECT * FROM " + name + " ORDER BY " + order);
        w->update_ = w->Prepare("UPDATE " + name + " SET " + sets + KeyCondition(table));
        w->delete_ = w->Prepare("DELETE FROM " + name + KeyCondition(table));
        ok = w->insert_ && w->lookup_ && w->scan_ && w->update_ && w->delete_;
    }
    if (!ok) {
        *error = w->error_;
        return nullptr;
    }
    return w;
}

SqliteWorkload::~SqliteWorkload() {
    for (sqlite3_stmt *s : {insert_, lookup_, scan_, update_, delete_})
        sqlite3_finalize(s);
    sqlite3_close(db_);
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        std::remove((path_ + suffix).c_str());
}

bool SqliteWorkload::Fail(const char *what) {
    if (error_.empty()) error_ = std::string(what) + ": " + sqlite3_errmsg(db_);
    return false;
}

bool SqliteWorkload::Exec(const std::string &sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return Fail(sql.c_str());
    return true;
}

sqlite3_stmt *SqliteWorkload::Prepare(const std::string &sql) {
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        Fail(sql.c_str());
        return nullptr;
    }
    return statement;
}

int SqliteWorkload::Bind(sqlite3_stmt *statement, const Row &row, FieldSet set, int first) {
    const auto bindField = [&](int f) {
        const KW_FieldDef &def = table_.engine->fields[f];
        const FieldValue &v = row[static_cast<size_t>(f)];
        switch (def.type) {
            case 'I':
                sqlite3_bind_int(statement, first++, v.integer);
                break;
            case 'F':
                sqlite3_bind_double(statement, first++, v.real);
                break;
            default:
                sqlite3_bind_text(statement, first++, v.text.data(),
                                  static_cast<int>(v.text.size()), SQLITE_STATIC);
        }
    };
    if (set == FieldSet::kKeys) {
        for (const int f : table_.keyFields)
            bindField(f);
        return first;
    }
    const int serial = SerialField(table_);
    for (int f = 0; f < table_.engine->fieldCount; ++f) {
        if (f != serial && (set == FieldSet::kAll || !IsKey(table_, f))) bindField(f);
    }
    return first;
}

bool SqliteWorkload::Run(sqlite3_stmt *statement, size_t *rowsOut, std::vector<std::string> *keys) {
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (keys) {
            const auto text = [statement](int field) {
                const unsigned char *t = sqlite3_column_text(statement, field);
                return std::string(t ? reinterpret_cast<const char *>(t) : "");
            };
            keys->push_back(text(table_.scanFields[0]) + "|" + text(table_.scanFields[1]));
        } else {
            sqlite3_column_text(statement, 0);
        }
        if (rowsOut) ++*rowsOut;
    }
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) return Fail("sqlite3_step");
    return true;
}

template <typename Step>
size_t SqliteWorkload::Batch(const RowSet &rows, const std::vector<size_t> &which, Step step) {
    size_t done = 0;
    if (!Exec("BEGIN")) return 0;
    for (const size_t i : which) {
        if (!step(rows, i, &done)) break;
    }
    Exec("COMMIT");
    return done;
}

size_t SqliteWorkload::Insert(const RowSet &rows, size_t begin, size_t end) {
    std::vector<size_t> which(end - begin);
    for (size_t i = begin; i < end; ++i)
        which[i - begin] = i;
    return Batch(rows, which, [this](const RowSet &r, size_t i, size_t *done) {
        r.Fill(i, 0, &row_);
        Bind(insert_, row_, FieldSet::kAll, 1);
        return Run(insert_, nullptr, nullptr) && ++*done;
    });
}

size_t SqliteWorkload::Lookup(const RowSet &rows, const std::vector<size_t> &which) {
    return Batch(rows, which, [this](const RowSet &r, size_t i, size_t *done) {
        r.Fill(i, 0, &row_);
        Bind(lookup_, row_, FieldSet::kKeys, 1);
        return Run(lookup_, done, nullptr);
    });
}

size_t SqliteWorkload::Scan(std::vector<std::string> *keys) {
    size_t count = 0;
    if (!Exec("BEGIN")) return 0;
    Run(scan_, &count, keys);
    Exec("COMMIT");
    return count;
}

size_t SqliteWorkload::Update(const RowSet &rows, const std::vector<size_t> &which) {
    return Batch(rows, which, [this](const RowSet &r, size_t i, size_t *done) {
        r.Fill(i, 1, &row_);
        Bind(update_, row_, FieldSet::kKeys, Bind(update_, row_, FieldSet::kOthers, 1));
        if (!Run(update_, nullptr, nullptr)) return false;
        *done += static_cast<size_t>(sqlite3_changes(db_));
        return true;
    });
}

size_t SqliteWorkload::Delete(const RowSet &rows, const std::vector<size_t> &which) {
    return Batch(rows, which, [this](const RowSet &r, size_t i, size_t *done) {
        r.Fill(i, 0, &row_);
        Bind(delete_, row_, FieldSet::kKeys, 1);
        if (!Run(delete_, nullptr, nullptr)) return false;
        *done += static_cast<size_t>(sqlite3_changes(db_));
        return true;
    });
}

}  // namespace kw::bench
