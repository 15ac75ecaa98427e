// The workload on the record engine.
#include "engine_workload.h"

#include <algorithm>
#include <cstring>

#include "platform/profile.h"

namespace kw::bench {
namespace {

constexpr size_t kFieldMax = 4096;

}  // namespace

EngineWorkload::EngineWorkload(const BenchTable &table, std::string name)
    : table_(table), name_(std::move(name)), field_(kFieldMax + 1, 0) {}

std::unique_ptr<EngineWorkload> EngineWorkload::Open(const BenchTable &table,
                                                     const std::string &name,
                                                     const std::string &directory,
                                                     const EngineCache &cache, std::string *error) {
    platform::Profile ini("KWDATA.INI");
    if (!ini.WriteInt("Cache", "StoreBuffers", cache.storeBuffers) ||
        !ini.WriteInt("Cache", "BtreeBuffers", cache.btreeBuffers) ||
        !ini.WriteInt("Cache", "StoreType", cache.storeType) ||
        !ini.WriteInt("Cache", "BtreeType", cache.btreeType)) {
        *error = "KWDATA.INI could not be written";
        return nullptr;
    }
    std::unique_ptr<EngineWorkload> w(new EngineWorkload(table, name));
    int32_t r = KW_DBCreateDatabase(name.c_str(), directory.c_str(), "bench", 5);
    if (r != KW_OK) {
        *error = "KW_DBCreateDatabase: " + std::to_string(r);
        return nullptr;
    }
    if ((r = KW_DBOpen(name.c_str(), &w->db_)) != KW_OK) {
        KW_DBDestroyDatabase(name.c_str());
        *error = "KW_DBOpen: " + std::to_string(r);
        return nullptr;
    }
    w->open_ = true;
    r = KW_DBAddTable(w->db_, table.engine, &w->tbl_);
    for (int32_t i = 0; r == KW_OK && i < table.engine->indexCount; ++i) {
        int32_t idx = 0;
        r = KW_DBAddIndex(w->db_, w->tbl_, &table.engine->indexes[i], &idx);
    }
    if (r == KW_OK) r = KW_DBOpenTable(w->db_, w->tbl_);
    if (r == KW_OK) r = KW_DBOpenTableInst(w->db_, w->tbl_, &w->inst_);
    if (r != KW_OK) {
        *error = "opening " + std::string(table.name) + ": " + std::to_string(r);
        return nullptr;
    }
    return w;
}

EngineWorkload::~EngineWorkload() {
    if (!open_) return;
    if (inst_ >= 0) KW_DBCloseTableInst(db_, tbl_, inst_);
    if (tbl_ >= 0) KW_DBCloseTable(db_, tbl_);
    KW_DBClose(db_);
    KW_DBDestroyDatabase(name_.c_str());
}

bool EngineWorkload::Fail(const char *what, int32_t result) {
    if (error_.empty()) {
        error_ = std::string(what) + ": " + std::to_string(result) + " (extended " +
                 std::to_string(KW_DBGetExtendedError()) + ")";
    }
    return false;
}

bool EngineWorkload::PutRow(const Row &row) {
    const KW_FieldDef *fields = table_.engine->fields;
    for (size_t f = 0; f < row.size(); ++f) {
        const KW_FieldDef &def = fields[f];
        const size_t width = static_cast<size_t>(def.width);
        switch (def.type) {
            case 'C':
            case 'L': {
                const size_t n = std::min(row[f].text.size(), width);
                std::memcpy(field_.data(), row[f].text.data(), n);
                std::memset(field_.data() + n, 0, width - n);
                break;
            }
            case 'I':
                std::memcpy(field_.data(), &row[f].integer, sizeof row[f].integer);
                break;
            case 'F':
                std::memcpy(field_.data(), &row[f].real, sizeof row[f].real);
                break;
            default:
                continue;  // the engine numbers the U field
        }
        if (int32_t r = KW_DBPutField(db_, tbl_, inst_, def.name, field_.data()))
            return Fail("KW_DBPutField", r);
    }
    return true;
}

int32_t EngineWorkload::Find(const RowSet &rows, size_t i) {
    rows.Fill(i, 0, &row_);
    key_.clear();
    for (const int f : table_.keyFields) {
        const size_t width = static_cast<size_t>(table_.engine->fields[f].width);
        const std::string_view text = row_[static_cast<size_t>(f)].text;
        const size_t at = key_.size();
        key_.resize(at + width, 0);
        std::memcpy(key_.data() + at, text.data(), std::min(text.size(), width));
    }
    return KW_DBGetExactRecord(db_, tbl_, table_.lookupIndex, inst_, key_.data(),
                               static_cast<int32_t>(key_.size()), 0);
}

bool EngineWorkload::Flush() {
    if (int32_t r = KW_DBFlushTable(db_, tbl_)) return Fail("KW_DBFlushTable", r);
    return true;
}

std::string EngineWorkload::FieldText(int field) {
    const KW_FieldDef &def = table_.engine->fields[field];
    KW_DBGetField(db_, tbl_, inst_, def.name, field_.data());
    return std::string(field_.data(), strnlen(field_.data(), static_cast<size_t>(def.width)));
}

size_t EngineWorkload::Insert(const RowSet &rows, size_t begin, size_t end) {
    size_t done = 0;
    for (size_t i = begin; i < end; ++i) {
        rows.Fill(i, 0, &row_);
        KW_DBClearRecord(db_, tbl_, inst_);
        if (!PutRow(row_)) break;
        if (int32_t r = KW_DBInsertRecord(db_, tbl_, inst_)) {
            Fail("KW_DBInsertRecord", r);
            break;
        }
        ++done;
    }
    Flush();
    return done;
}

template <typename Action>
size_t EngineWorkload::EachFound(const RowSet &rows, const std::vector<size_t> &which,
                                 Action action) {
    size_t done = 0;
    for (const size_t i : which) {
        const int32_t r = Find(rows, i);
        if (r == KW_NOTFOUND) continue;
        if (r != KW_OK) {
            Fail("KW_DBGetExactRecord", r);
            break;
        }
        if (!action(i)) break;
        ++done;
    }
    return done;
}

size_t EngineWorkload::Lookup(const RowSet &rows, const std::vector<size_t> &which) {
    return EachFound(rows, which, [this](size_t) {
        KW_DBGetField(db_, tbl_, inst_, "NAME", field_.data());
        return true;
    });
}

size_t EngineWorkload::Scan(std::vector<std::string> *keys) {
    size_t count = 0;
    int32_t r = KW_DBGetFirstRecord(db_, tbl_, table_.scanIndex, inst_, nullptr, 0);
    while (r == KW_OK) {
        if (keys) {
            keys->push_back(FieldText(table_.scanFields[0]) + "|" +
                            FieldText(table_.scanFields[1]));
        } else {
            KW_DBGetField(db_, tbl_, inst_, "NAME", field_.data());
        }
        ++count;
        r = KW_DBGetNextRecord(db_, tbl_, table_.scanIndex, inst_, nullptr, 0);
    }
    if (r != KW_END) Fail("KW_DBGetNextRecord", r);
    return count;
}

size_t EngineWorkload::Update(const RowSet &rows, const std::vector<size_t> &which) {
    const size_t done = EachFound(rows, which, [&](size_t i) {
        rows.Fill(i, 1, &row_);
        if (!PutRow(row_)) return false;
        const int32_t r = KW_DBUpdateRecord(db_, tbl_, inst_);
        return r == KW_OK || Fail("KW_DBUpdateRecord", r);
    });
    Flush();
    return done;
}

size_t EngineWorkload::Delete(const RowSet &rows, const std::vector<size_t> &which) {
    const size_t done = EachFound(rows, which, [&](size_t) {
        const int32_t r = KW_DBDeleteRecord(db_, tbl_, inst_);
        return r == KW_OK || Fail("KW_DBDeleteRecord", r);
    });
    Flush();
    return done;
}

int32_t EngineWorkload::Count() {
    int32_t count = -1;
    return KW_DBGetCount(db_, tbl_, &count) == KW_OK ? count : -1;
}

}  // namespace kw::bench
