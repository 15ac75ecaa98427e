// A file held in memory behind the platform's RandomAccessFile interface, for the fuzz targets
// and the seed generator: the bytes live in a shared string that outlives the file object, reads
// may be made to come back short (at most maxRead bytes each) and to fail with EIO from an offset
// on, writes grow the string.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/file.h"

namespace kw::fuzz {

class MemoryFile final : public platform::RandomAccessFile {
  public:
    explicit MemoryFile(std::shared_ptr<std::string> bytes, size_t maxRead = SIZE_MAX,
                        int64_t failReadsFrom = -1)
        : bytes_(std::move(bytes)), maxRead_(maxRead), failReadsFrom_(failReadsFrom) {}

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        if (offset < 0 || (failReadsFrom_ >= 0 && offset >= failReadsFrom_)) {
            errno = EIO;
            return -1;
        }
        if (offset >= static_cast<int64_t>(bytes_->size())) return 0;
        const size_t count = std::min({n, maxRead_, bytes_->size() - static_cast<size_t>(offset)});
        std::memcpy(buffer, bytes_->data() + offset, count);
        return static_cast<int64_t>(count);
    }
    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        if (offset < 0) {
            errno = EINVAL;
            return -1;
        }
        const size_t end = static_cast<size_t>(offset) + n;
        if (bytes_->size() < end) bytes_->resize(end);
        std::memcpy(bytes_->data() + offset, buffer, n);
        return static_cast<int64_t>(n);
    }
    int64_t Size() override { return static_cast<int64_t>(bytes_->size()); }
    bool Sync() override { return true; }
    const std::string &Path() const override { return path_; }

  private:
    std::shared_ptr<std::string> bytes_;
    size_t maxRead_;
    int64_t failReadsFrom_;
    std::string path_ = "<memory>";
};

}  // namespace kw::fuzz
