// Test helpers for the index file tests: a temporary directory per test and an independent reader
// of an index file that walks every page from the bytes on disk and checks the tree's shape. It
// shares no code with the tree itself, so it catches a tree that agrees with itself but not with
// the file format.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"

namespace kw::engine::testing {

// Counters and switches shared by a test and the files it wraps.
struct FaultPlan {
    int reads = 0;
    int writes = 0;
    int failWritesFrom = -1;  // the write with this number (counted from 0) and later ones fail
    bool failReads = false;
    bool shortReads = false;  // reads return half of what was asked
};

// A file that counts its reads and writes and fails them when the plan says so; it wraps a real
// file (through platform::SetOpenHookForTesting) or holds its bytes in memory.
class FaultyFile final : public platform::RandomAccessFile {
  public:
    FaultyFile(std::unique_ptr<platform::RandomAccessFile> inner, FaultPlan *plan)
        : inner_(std::move(inner)), plan_(plan), path_(inner_ ? inner_->Path() : "memory") {}

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++plan_->reads;
        if (plan_->failReads) return -1;
        if (plan_->shortReads) n /= 2;
        if (inner_) return inner_->ReadAt(offset, buffer, n);
        if (offset >= static_cast<int64_t>(memory_.size())) return 0;
        const size_t count = std::min(n, memory_.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, memory_.data() + offset, count);
        return static_cast<int64_t>(count);
    }
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        const int number = plan_->writes++;
        if (plan_->failWritesFrom >= 0 && number >= plan_->failWritesFrom) return -1;
        if (inner_) return inner_->WriteAt(offset, buffer, n);
        if (memory_.size() < static_cast<size_t>(offset) + n) memory_.resize(offset + n);
        std::memcpy(memory_.data() + offset, buffer, n);
        return static_cast<int64_t>(n);
    }
    int64_t Size() override {
        return inner_ ? inner_->Size() : static_cast<int64_t>(memory_.size());
    }
    bool Sync() override { return inner_ ? inner_->Sync() : true; }
    const std::string &Path() const override { return path_; }
    std::vector<uint8_t> &Memory() { return memory_; }

  private:
    std::unique_ptr<platform::RandomAccessFile> inner_;
    FaultPlan *plan_;
    std::string path_;
    std::vector<uint8_t> memory_;
};

// Wraps every file opened while it lives.
class FaultyFiles {
  public:
    FaultyFiles() {
        platform::SetOpenHookForTesting([this](std::unique_ptr<platform::RandomAccessFile> f) {
            return std::unique_ptr<platform::RandomAccessFile>(
                std::make_unique<FaultyFile>(std::move(f), &plan));
        });
    }
    ~FaultyFiles() { platform::SetOpenHookForTesting(nullptr); }
    FaultyFiles(const FaultyFiles &) = delete;
    FaultyFiles &operator=(const FaultyFiles &) = delete;
    FaultPlan plan;
};

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kwbtreeXXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        if (!path_.empty()) std::filesystem::remove_all(path_);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string File(const std::string &name) const {
        return (std::filesystem::path(path_) / name).string();
    }
    bool ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

// "key 7919" padded with blanks to length: keys i = 0, 1, 2... in scattered order, distinct for
// i below 100003, so inserting them in turn splits pages all over a tree.
inline std::string ScatteredKey(int i, size_t length) {
    std::string key = "key " + std::to_string(i * 7919 % 100003);
    key.resize(length, ' ');
    return key;
}

// "k0000042": 8-byte keys that ascend with i under every character comparison.
inline std::string SeqKey(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "k%07d", i);
    return text;
}

inline const uint8_t *Bytes(const std::string &s) {
    return reinterpret_cast<const uint8_t *>(s.data());
}

inline std::vector<uint8_t> ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline int32_t Int32At(const std::vector<uint8_t> &bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | bytes.at(offset + static_cast<size_t>(i));
    return static_cast<int32_t>(v);
}

inline void PutInt32(std::vector<uint8_t> &bytes, size_t offset, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + static_cast<size_t>(i)) = uint8_t(v >> (8 * i));
}

// The header of an index file as it is on disk right now.
struct DiskHeader {
    int32_t magic = 0, pageSize = 0, levels = 0, kind = 0, root = 0, freeList = 0, end = 0;
};

inline DiskHeader ReadHeader(const std::vector<uint8_t> &bytes) {
    DiskHeader h;
    if (bytes.size() < 28) return h;
    h.magic = Int32At(bytes, 0);
    h.pageSize = Int32At(bytes, 4);
    h.levels = Int32At(bytes, 8);
    h.kind = Int32At(bytes, 12);
    h.root = Int32At(bytes, 16);
    h.freeList = Int32At(bytes, 20);
    h.end = Int32At(bytes, 24);
    return h;
}

inline DiskHeader ReadHeader(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(28);
    in.read(reinterpret_cast<char *>(bytes.data()), 28);
    return ReadHeader(bytes);
}

using KeyCompare = std::function<int(const std::string &, const std::string &)>;

struct FileReport {
    std::vector<std::pair<std::string, int32_t>> entries;  // along the leaf chain
    DiskHeader header;
    int treePages = 0;
    int freePages = 0;
};

// Walks the index file at path and checks every rule of its shape; failures are reported through
// ADD_FAILURE and counted in the return value of Problems().
class FileChecker {
  public:
    FileChecker(const std::string &path, KeyCompare compare)
        : bytes_(ReadBytes(path)), compare_(std::move(compare)) {}

    FileReport Check() {
        report_.header = ReadHeader(bytes_);
        const DiskHeader &h = report_.header;
        Expect(h.magic == 0x00011A3B, "magic");
        Expect(h.pageSize == 512, "page size");
        Expect(h.kind == 4, "comparison kind");
        Expect(h.end % 512 == 0 && h.end >= 1024, "end");
        Expect(static_cast<int64_t>(bytes_.size()) >= h.end, "file shorter than end");
        if (problems_ > 0) return report_;
        std::vector<std::vector<int32_t>> levels(static_cast<size_t>(h.levels));
        Walk(h.root, 0, nullptr, nullptr, &levels);
        // Sibling links on every level: left to right in key order, consistent both ways.
        for (size_t depth = 0; depth < levels.size() && problems_ == 0; ++depth) {
            const std::vector<int32_t> &row = levels[depth];
            for (size_t i = 0; i < row.size(); ++i) {
                const int32_t left = i == 0 ? -1 : row[i - 1];
                const int32_t right = i + 1 == row.size() ? -1 : row[i + 1];
                Expect(Field(row[i], 0) == left, Where(row[i], "left sibling"));
                Expect(Field(row[i], 4) == right, Where(row[i], "right sibling"));
            }
        }
        // Keys strictly ascending along the leaf chain, read by following the right links.
        if (!levels.empty() && !levels.back().empty() && problems_ == 0) {
            int32_t leaf = levels.back().front();
            std::set<int32_t> seen;
            while (leaf != -1 && seen.insert(leaf).second) {
                const int32_t n = Field(leaf, 12);
                for (int32_t i = 0; i < n; ++i) {
                    std::string key = Key(leaf, i);
                    if (!report_.entries.empty()) {
                        Expect(compare_(report_.entries.back().first, key) < 0,
                               Where(leaf, "leaf chain not strictly ascending"));
                    }
                    report_.entries.emplace_back(std::move(key), Value(leaf, i));
                }
                leaf = Field(leaf, 4);
            }
        }
        // Free list: freed pages only, no page both free and in the tree, none lost.
        std::set<int32_t> freeSeen;
        for (int32_t page = h.freeList; page != -1 && problems_ == 0; page = Field(page, 0)) {
            if (!ValidOffset(page) || !freeSeen.insert(page).second) {
                Expect(false, Where(page, "free list"));
                break;
            }
            Expect(Field(page, 8) == -2, Where(page, "free page without -2"));
            Expect(treeSeen_.count(page) == 0, Where(page, "free page in the tree"));
        }
        report_.freePages = static_cast<int>(freeSeen.size());
        report_.treePages = static_cast<int>(treeSeen_.size());
        Expect(report_.treePages + report_.freePages == h.end / 512 - 1, "pages lost");
        return report_;
    }

    int Problems() const { return problems_; }

  private:
    void Expect(bool condition, const std::string &what) {
        if (condition) return;
        ++problems_;
        if (problems_ <= 5) ADD_FAILURE() << "index file: " << what;
    }
    static std::string Where(int32_t page, const std::string &what) {
        std::ostringstream s;
        s << what << " (page " << page << ")";
        return s.str();
    }
    bool ValidOffset(int32_t page) const {
        return page >= 512 && page % 512 == 0 && page < report_.header.end &&
               static_cast<size_t>(page) + 512 <= bytes_.size();
    }
    int32_t Field(int32_t page, int32_t at) const {
        return Int32At(bytes_, static_cast<size_t>(page + at));
    }
    std::string Key(int32_t page, int32_t i) const {
        const int32_t k = Field(page, 16);
        const int32_t begin = i == 0 ? 0 : Field(page, 20 + k + 4 * (i - 1));
        const int32_t end = Field(page, 20 + k + 4 * i);
        const auto *base = reinterpret_cast<const char *>(bytes_.data()) + page + 20;
        return std::string(base + begin, base + end);
    }
    int32_t Value(int32_t page, int32_t i) const {
        const int32_t k = Field(page, 16);
        const int32_t n = Field(page, 12);
        return Field(page, 20 + k + 4 * n + 4 * i);
    }

    // Checks the subtree at page: all keys k with low < k <= high (null: unbounded).
    void Walk(int32_t page, int depth, const std::string *low, const std::string *high,
              std::vector<std::vector<int32_t>> *levels) {
        if (problems_ > 0) return;
        if (!ValidOffset(page) || !treeSeen_.insert(page).second) {
            Expect(false, Where(page, "tree page offset or page reached twice"));
            return;
        }
        if (depth >= static_cast<int>(levels->size())) {
            Expect(false, Where(page, "deeper than levels"));
            return;
        }
        (*levels)[static_cast<size_t>(depth)].push_back(page);
        const int32_t n = Field(page, 12);
        const int32_t k = Field(page, 16);
        const int32_t child = Field(page, 8);
        Expect(n >= 0 && k >= 0 && k + 8 * n + 20 <= 512, Where(page, "counts"));
        if (problems_ > 0) return;
        int32_t previous = 0;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t end = Field(page, 20 + k + 4 * i);
            Expect(end >= previous && end <= k, Where(page, "key end offsets"));
            previous = end;
        }
        Expect(previous == k, Where(page, "key bytes"));
        if (problems_ > 0) return;
        const bool leaf = child == -1;
        Expect(leaf == (depth == static_cast<int>(levels->size()) - 1),
               Where(page, "leaf not at depth levels - 1"));
        std::vector<std::string> keys;
        for (int32_t i = 0; i < n; ++i)
            keys.push_back(Key(page, i));
        for (int32_t i = 0; i < n; ++i) {
            if (i > 0) Expect(compare_(keys[i - 1], keys[i]) < 0, Where(page, "key order"));
            if (low) Expect(compare_(*low, keys[i]) < 0, Where(page, "key below its range"));
            if (high) Expect(compare_(keys[i], *high) <= 0, Where(page, "key above its range"));
        }
        if (leaf || problems_ > 0) return;
        for (int32_t i = 0; i <= n; ++i) {
            const std::string *childLow = i == 0 ? low : &keys[i - 1];
            const std::string *childHigh = i == n ? high : &keys[i];
            Walk(i == n ? child : Value(page, i), depth + 1, childLow, childHigh, levels);
        }
    }

    std::vector<uint8_t> bytes_;
    KeyCompare compare_;
    FileReport report_;
    std::set<int32_t> treeSeen_;
    int problems_ = 0;
};

}  // namespace kw::engine::testing
