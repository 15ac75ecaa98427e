// Test helpers of the interchange tests: a fresh temporary directory per test, and an in-memory
// file that counts its I/O calls and fails on demand. Only tests include this header.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/file.h"

namespace kw::testing {

// A directory of its own, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/kw_interchange_XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &Path() const { return path_; }
    std::string File(const std::string &name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The bytes behind a MemoryFile, shared with the test that inspects them.
struct MemoryStore {
    std::string bytes;
    int readCalls = 0;
    int writeCalls = 0;
    int64_t failWritesFrom = -1;  // a write reaching this offset fails with ENOSPC
    bool failReads = false;       // every read fails with EIO
};

class MemoryFile final : public platform::RandomAccessFile {
  public:
    explicit MemoryFile(std::shared_ptr<MemoryStore> store) : store_(std::move(store)) {}

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++store_->readCalls;
        if (store_->failReads || offset < 0) {
            errno = EIO;
            return -1;
        }
        if (offset >= static_cast<int64_t>(store_->bytes.size())) return 0;
        size_t count = std::min(n, store_->bytes.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, store_->bytes.data() + offset, count);
        return static_cast<int64_t>(count);
    }

    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        ++store_->writeCalls;
        if (offset < 0 || (store_->failWritesFrom >= 0 &&
                           offset + static_cast<int64_t>(n) > store_->failWritesFrom)) {
            errno = ENOSPC;
            return -1;
        }
        if (store_->bytes.size() < offset + n) store_->bytes.resize(offset + n);
        std::memcpy(store_->bytes.data() + offset, buffer, n);
        return static_cast<int64_t>(n);
    }

    int64_t Size() override { return static_cast<int64_t>(store_->bytes.size()); }
    bool Sync() override { return true; }
    const std::string &Path() const override { return path_; }

  private:
    std::shared_ptr<MemoryStore> store_;
    std::string path_ = "<memory>";
};

}  // namespace kw::testing
