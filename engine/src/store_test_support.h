// Test support for the record store and block cache tests: a fresh temporary directory per test,
// plain reads and writes of a store file behind the store's back, and a file wrapper that counts
// and logs I/O and injects failing or torn writes.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/path.h"
#include "store_layout.h"

namespace kw::engine::testing {

class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kwstoreXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = platform::JoinPath(dir_, "KWTEST.dat");
    }
    void TearDown() override {
        platform::SetOpenHookForTesting(nullptr);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    std::string dir_, path_;
};

// The whole file as it is on disk, read with a descriptor of its own.
inline std::vector<uint8_t> ReadWholeFile(const std::string &path) {
    std::vector<uint8_t> bytes;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    uint8_t chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return bytes;
}

inline int32_t Int32At(const std::vector<uint8_t> &file, int64_t offset) {
    if (offset < 0 || offset + 4 > static_cast<int64_t>(file.size())) return 0;
    return GetInt32(file.data() + offset);
}

// Overwrites bytes of a closed store file in place (creating it when missing).
inline void PatchFile(const std::string &path, int64_t offset, const void *bytes, size_t n) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes, n, offset), static_cast<ssize_t>(n));
    ::close(fd);
}

// Writes a file of n bytes whose byte i is i % 253 (no run repeats within a block) and returns
// those bytes, the model a cache test checks its reads against.
inline std::vector<uint8_t> WritePatternFile(const std::string &path, size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i % 253);
    PatchFile(path, 0, bytes.data(), bytes.size());
    return bytes;
}

inline void PatchInt32(const std::string &path, int64_t offset, int32_t value) {
    uint8_t raw[4];
    PutInt32(raw, value);
    PatchFile(path, offset, raw, 4);
}

// Shared switches of a StoreFaultyFile, kept by the test while the store owns the file.
struct FileFaults {
    bool failWrites = false;  // every write fails
    bool tornWrites = false;  // a failing write first writes its first half
    bool failReads = false;
    int64_t writesBeforeFailure = -1;  // when >= 0: that many writes succeed, then failWrites
    int64_t reads = 0;
    int64_t writes = 0;
    std::vector<std::pair<int64_t, size_t>> writeLog;  // offset and size of each write
};

class StoreFaultyFile final : public platform::RandomAccessFile {
  public:
    StoreFaultyFile(std::unique_ptr<platform::RandomAccessFile> inner,
                    std::shared_ptr<FileFaults> f)
        : inner_(std::move(inner)), faults_(std::move(f)) {}

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        ++faults_->reads;
        if (faults_->failReads) return -1;
        return inner_->ReadAt(offset, buffer, n);
    }
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        ++faults_->writes;
        if (faults_->writesBeforeFailure == 0) faults_->failWrites = true;
        if (faults_->writesBeforeFailure > 0) --faults_->writesBeforeFailure;
        if (faults_->failWrites) {
            if (faults_->tornWrites && n > 1) inner_->WriteAt(offset, buffer, n / 2);
            return -1;
        }
        faults_->writeLog.emplace_back(offset, n);
        return inner_->WriteAt(offset, buffer, n);
    }
    int64_t Size() override { return inner_->Size(); }
    bool Sync() override { return inner_->Sync(); }
    const std::string &Path() const override { return inner_->Path(); }

  private:
    std::unique_ptr<platform::RandomAccessFile> inner_;
    std::shared_ptr<FileFaults> faults_;
};

// Wraps every file the store opens from now on; the returned switches control them.
inline std::shared_ptr<FileFaults> InstallFaultyFiles() {
    auto faults = std::make_shared<FileFaults>();
    platform::SetOpenHookForTesting([faults](std::unique_ptr<platform::RandomAccessFile> file) {
        return std::unique_ptr<platform::RandomAccessFile>(
            std::make_unique<StoreFaultyFile>(std::move(file), faults));
    });
    return faults;
}

}  // namespace kw::engine::testing
