// Checking one table's record chain and index files against each other.
#include "check_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>

#include "btree.h"
#include "check_snapshot.h"
#include "key_expression.h"
#include "platform/text_encoding.h"
#include "record_keys.h"
#include "record_store.h"
#include "slots.h"
#include "table_def.h"
#include "table_files.h"

namespace kwtool {

namespace engine = kw::engine;

namespace {

// "1 record", "2 records".
std::string Counted(size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Offset(int32_t ref) {
    return "offset " + std::to_string(ref);
}

std::string Quoted(std::string_view cp1252) {
    return "\"" + kw::platform::Cp1252ToUtf8(cp1252) + "\"";
}

// A key as its parts: text quoted, numbers as numbers, the serial as #N.
std::string KeyText(const engine::KeyLayout &layout, const uint8_t *key, int32_t length) {
    std::string out;
    int32_t at = 0;
    for (const engine::KeyPart &part : layout.parts) {
        if (at + part.length > length) break;
        const uint8_t *p = key + at;
        at += part.length;
        if (!out.empty()) out += " + ";
        const int32_t keyClass = part.flags & KW_KEY_CLASS_MASK;
        if ((part.flags & KW_KEY_SERIAL) || (keyClass == KW_KEY_INT && part.length == 4)) {
            int32_t v;
            std::memcpy(&v, p, 4);
            const bool asSigned = (part.flags & KW_KEY_SIGNED) || (part.flags & KW_KEY_SERIAL);
            out += (part.flags & KW_KEY_SERIAL ? "#" : "") +
                   (asSigned ? std::to_string(v) : std::to_string(static_cast<uint32_t>(v)));
        } else if (keyClass == KW_KEY_INT && part.length == 2) {
            int16_t v;
            std::memcpy(&v, p, 2);
            out += std::to_string(v);
        } else if (keyClass == KW_KEY_FLOAT && (part.length == 4 || part.length == 8)) {
            double v;
            if (part.length == 4) {
                float f;
                std::memcpy(&f, p, 4);
                v = f;
            } else {
                std::memcpy(&v, p, 8);
            }
            char buf[32];
            std::snprintf(buf, sizeof buf, "%g", v);
            out += buf;
        } else {
            const char *text = reinterpret_cast<const char *>(p);
            out += Quoted(std::string_view(text, strnlen(text, static_cast<size_t>(part.length))));
        }
    }
    return out;
}

// The text of a C field, up to its first zero byte.
std::string FieldText(const engine::TableSlot &table, size_t field, const uint8_t *record) {
    const char *text = reinterpret_cast<const char *>(record + table.fieldOffsets[field]);
    return std::string(text,
                       strnlen(text, static_cast<size_t>(table.definition->fields[field].width)));
}

// Checks and summary of one table; the members hold what the chain walk collected.
class TableCheck {
  public:
    TableCheck(KW_TableDef &definition, const Snapshot &snapshot,
               const std::set<std::string> &copied, Findings &findings)
        : definition_(definition), snapshot_(snapshot), copied_(copied), findings_(findings) {}

    TableSummary Run(TableRows *rows);

  private:
    bool Define();
    bool WalkChain(TableRows *rows);  // false when the chain breaks
    void CheckSerials();
    void CheckIndex(size_t index, IndexSummary &summary);
    // "the record at offset R (NAME "x", CATEGORY "y")".
    std::string RecordText(int32_t ref);

    KW_TableDef &definition_;
    const Snapshot &snapshot_;
    const std::set<std::string> &copied_;
    Findings &findings_;
    std::string storeFile_;

    engine::DatabaseSlot database_;
    engine::TableSlot *table_ = nullptr;
    std::unique_ptr<engine::RecordStore> store_;
    std::vector<int32_t> refs_;               // live records in chain order
    std::vector<uint32_t> byRef_;             // positions in refs_, sorted by reference
    std::vector<std::vector<uint8_t>> keys_;  // per index: the rebuilt keys, in chain order
    std::vector<int32_t> serials_;
    bool chainComplete_ = false;
};

bool TableCheck::Define() {
    database_.inUse = true;
    database_.directory = snapshot_.Directory();
    int32_t number = -1;
    if (KWRESULT r = engine::AddTable(database_, &definition_, &number)) {
        findings_.Error(definition_.name,
                        "the engine refuses the table's definition (" + std::to_string(r) + ")");
        return false;
    }
    table_ = &database_.tables[static_cast<size_t>(number)];
    for (int32_t i = 0; i < definition_.indexCount; ++i) {
        int32_t index = -1;
        if (KWRESULT r = engine::AddIndex(*table_, &definition_.indexes[i], &index)) {
            findings_.Error(definition_.name, "the engine refuses index " +
                                                  std::to_string(definition_.indexes[i].number) +
                                                  " (" + std::to_string(r) + ")");
            return false;
        }
    }
    return true;
}

TableSummary TableCheck::Run(TableRows *rows) {
    TableSummary summary;
    summary.name = definition_.name;
    storeFile_ = StoreFileName(definition_);
    for (int32_t i = 0; i < definition_.indexCount; ++i) {
        IndexSummary index;
        index.number = definition_.indexes[i].number;
        index.file = IndexFileName(definition_, definition_.indexes[i]);
        index.present = copied_.count(index.file) > 0;
        summary.indexes.push_back(index);
    }
    summary.present = copied_.count(storeFile_) > 0;
    if (!summary.present) {
        findings_.Error(storeFile_, "the record store is missing");
        return summary;
    }
    if (!Define()) return summary;
    store_ = engine::RecordStore::Open(snapshot_.Path(storeFile_), 20, 2);
    if (!store_) {
        findings_.Error(storeFile_, "not a record store: its header is damaged or of another kind");
        return summary;
    }
    chainComplete_ = WalkChain(rows);
    summary.readable = chainComplete_;
    summary.records = static_cast<int64_t>(refs_.size());
    CheckSerials();
    byRef_.resize(refs_.size());
    std::iota(byRef_.begin(), byRef_.end(), 0u);
    std::sort(byRef_.begin(), byRef_.end(),
              [&](uint32_t a, uint32_t b) { return refs_[a] < refs_[b]; });
    for (size_t i = 0; i < summary.indexes.size(); ++i) {
        if (!summary.indexes[i].present) {
            findings_.Error(summary.indexes[i].file, "the index file is missing");
            continue;
        }
        CheckIndex(i, summary.indexes[i]);
    }
    return summary;
}

bool TableCheck::WalkChain(TableRows *rows) {
    const int32_t length = table_->recordLength;
    std::vector<uint8_t> record(static_cast<size_t>(length));
    keys_.assign(table_->indexes.size(), {});
    const int32_t serialField = engine::FindSerialField(*table_);
    std::vector<int32_t> wanted;
    if (rows) {
        for (const std::string &name : rows->fields)
            wanted.push_back(engine::FindField(*table_, name));
    }
    engine::ChainWalk walk(*store_);
    int32_t ref = -1;
    while (walk.Next(&ref) && ref != -1) {
        std::fill(record.begin(), record.end(), 0);
        const int32_t read = store_->ReadRecord(ref, record.data(), length);
        if (read < 0)
            findings_.Error(storeFile_, "the record at " + Offset(ref) + " cannot be read (" +
                                            std::to_string(store_->LastError()) + ")");
        else if (read != length)
            findings_.Error(storeFile_, "the record at " + Offset(ref) + " holds " +
                                            std::to_string(read) + " bytes where the table's " +
                                            "records have " + std::to_string(length) +
                                            " (the engine answers 519)");
        refs_.push_back(ref);
        for (size_t i = 0; i < table_->indexes.size(); ++i) {
            const engine::KeyLayout &layout = *table_->indexes[i].layout;
            std::vector<uint8_t> &keys = keys_[i];
            keys.resize(keys.size() + static_cast<size_t>(layout.keyLength));
            engine::BuildKey(layout, record.data(), keys.data() + keys.size() - layout.keyLength);
        }
        if (serialField >= 0) {
            int32_t serial;
            std::memcpy(&serial, record.data() + table_->serialOffset, 4);
            serials_.push_back(serial);
        }
        if (rows) {
            std::vector<std::string> row;
            for (int32_t field : wanted)
                row.push_back(field >= 0
                                  ? FieldText(*table_, static_cast<size_t>(field), record.data())
                                  : std::string());
            rows->rows.push_back(std::move(row));
        }
    }
    if (!walk.Failed()) return true;
    findings_.Error(storeFile_, "the record chain breaks after " +
                                    Counted(refs_.size(), "record", "records") + " (" +
                                    std::to_string(store_->LastError()) +
                                    "): the records beyond cannot be reached");
    return false;
}

void TableCheck::CheckSerials() {
    if (serials_.empty()) return;
    std::vector<int32_t> sorted = serials_;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i] == sorted[i - 1] && (i == 1 || sorted[i - 2] != sorted[i]))
            findings_.Error(storeFile_, "serial number " + std::to_string(sorted[i]) +
                                            " is held by more than one record");
    const int32_t next = store_->Header().serial;
    if (sorted.back() >= next)
        findings_.Error(storeFile_, "the next serial number " + std::to_string(next) +
                                        " is not above the highest stored one, " +
                                        std::to_string(sorted.back()) +
                                        ": the next record added would repeat a serial");
}

std::string TableCheck::RecordText(int32_t ref) {
    std::string text = "the record at " + Offset(ref);
    std::vector<uint8_t> record(static_cast<size_t>(table_->recordLength), 0);
    if (store_->ReadRecord(ref, record.data(), table_->recordLength) < 0) return text;
    std::string fields;
    int shown = 0;
    for (int32_t f = 0; f < definition_.fieldCount && shown < 2; ++f) {
        if (definition_.fields[f].type != 'C') continue;
        const KW_FieldDef &field = definition_.fields[f];
        fields += (shown++ ? ", " : "") +
                  std::string(field.name, strnlen(field.name, sizeof field.name)) + " " +
                  Quoted(FieldText(*table_, static_cast<size_t>(f), record.data()));
    }
    return fields.empty() ? text : text + " (" + fields + ")";
}

void TableCheck::CheckIndex(size_t index, IndexSummary &summary) {
    const engine::KeyLayout &layout = *table_->indexes[index].layout;
    const std::string &file = summary.file;
    const std::string path = snapshot_.Path(file);
    auto tree = engine::BTree::Open(path, &layout, 20, 2);
    if (!tree) {
        findings_.Error(file, "not an index file: its header is damaged or of another kind");
        return;
    }
    const size_t keyLength = static_cast<size_t>(layout.keyLength);
    struct Entry {
        int32_t ref;
        int64_t ordinal;  // 1-based position in key order
    };
    std::vector<Entry> entries;
    std::vector<uint8_t> entryKeys;  // keyLength bytes per entry, in key order
    uint8_t key[engine::kMaxKeyBuffer];
    uint8_t previous[engine::kMaxKeyBuffer];
    int32_t previousLength = 0;
    bool complete = false;
    tree->First();
    for (int64_t ordinal = 1;; ++ordinal) {
        int32_t length = 0;
        int32_t ref = -1;
        const int rc = tree->Next(key, &length, &ref);
        if (rc == 2) {
            complete = true;
            break;
        }
        if (rc != 0) {
            findings_.Error(file, "the entries cannot be read beyond entry " +
                                      std::to_string(ordinal - 1) + " (" +
                                      std::to_string(tree->LastError()) +
                                      (tree->LastError() == 308 ? ": keys out of order or a "
                                                                  "damaged page"
                                                                : "") +
                                      ")");
            break;
        }
        if (length != layout.keyLength) {
            findings_.Error(file, "entry " + std::to_string(ordinal) + " has a key of " +
                                      std::to_string(length) +
                                      " bytes where the index's keys have " +
                                      std::to_string(layout.keyLength));
        } else if (ordinal > 1 && CompareKeys(layout, previous, previousLength, key, length) >= 0) {
            findings_.Error(file, "entry " + std::to_string(ordinal) + ", " +
                                      KeyText(layout, key, length) +
                                      ", does not sort after the entry before it, " +
                                      KeyText(layout, previous, previousLength));
        }
        std::memcpy(previous, key, static_cast<size_t>(length));
        previousLength = length;
        entries.push_back({ref, ordinal});
        const size_t at = entryKeys.size();
        entryKeys.resize(at + keyLength, 0);
        std::memcpy(entryKeys.data() + at, key, std::min(keyLength, static_cast<size_t>(length)));
    }
    summary.entries = static_cast<int64_t>(entries.size());

    // Match entries and records by reference.
    std::vector<uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return entries[a].ref != entries[b].ref ? entries[a].ref < entries[b].ref : a < b;
    });
    const std::vector<uint8_t> &recordKeys = keys_[index];
    int64_t unmatched = 0;
    size_t e = 0;
    for (uint32_t position : byRef_) {
        const int32_t ref = refs_[position];
        for (; e < order.size() && entries[order[e]].ref < ref; ++e)
            findings_.Error(file, "entry " + std::to_string(entries[order[e]].ordinal) +
                                      " points at " + Offset(entries[order[e]].ref) +
                                      ", which is not a record on the chain of " + storeFile_);
        size_t same = e;
        while (same < order.size() && entries[order[same]].ref == ref)
            ++same;
        if (same == e) {
            if (complete)
                findings_.Error(file, RecordText(ref) + " has no entry");
            else
                ++unmatched;
            continue;
        }
        if (same - e > 1)
            findings_.Error(file,
                            RecordText(ref) + " has " + std::to_string(same - e) + " entries");
        const uint8_t *expected = recordKeys.data() + position * keyLength;
        for (; e < same; ++e) {
            const uint8_t *held = entryKeys.data() + order[e] * keyLength;
            if (std::memcmp(held, expected, keyLength) != 0)
                findings_.Error(
                    file, "entry " + std::to_string(entries[order[e]].ordinal) + " holds the key " +
                              KeyText(layout, held, layout.keyLength) + " but " + RecordText(ref) +
                              " gives " + KeyText(layout, expected, layout.keyLength));
        }
    }
    for (; e < order.size(); ++e)
        findings_.Error(file, "entry " + std::to_string(entries[order[e]].ordinal) + " points at " +
                                  Offset(entries[order[e]].ref) +
                                  ", which is not a record on the chain of " + storeFile_);
    if (unmatched > 0)
        findings_.Error(file, Counted(static_cast<size_t>(unmatched), "record is", "records are") +
                                  " not among the entries read before the index broke off");
    if (complete && chainComplete_ && entries.size() != refs_.size())
        findings_.Error(file, "holds " + Counted(entries.size(), "entry", "entries") + " for " +
                                  Counted(refs_.size(), "record", "records"));
}

}  // namespace

std::string StoreFileName(const KW_TableDef &definition) {
    return engine::StoreFileName(definition);
}

std::string IndexFileName(const KW_TableDef &definition, const KW_IndexDef &index) {
    return engine::IndexFileName(definition, index);
}

TableSummary CheckTable(KW_TableDef &definition, const Snapshot &snapshot,
                        const std::set<std::string> &copied, TableRows *rows, Findings &findings) {
    return TableCheck(definition, snapshot, copied, findings).Run(rows);
}

}  // namespace kwtool
