// POSIX implementation of the exclusive random-access file.
#include "file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace kw::platform {
namespace {

class PosixFile final : public RandomAccessFile {
  public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }  // closing releases the flock

    int64_t ReadAt(int64_t offset, void *buffer, size_t n) override {
        if (offset < 0) return -1;
        size_t done = 0;
        while (done < n) {
            ssize_t got = ::pread(fd_, static_cast<char *>(buffer) + done, n - done, offset + done);
            if (got < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<int64_t>(done);
    }

    int64_t WriteAt(int64_t offset, const void *buffer, size_t n) override {
        if (offset < 0) return -1;
        size_t done = 0;
        while (done < n) {
            ssize_t put =
                ::pwrite(fd_, static_cast<const char *>(buffer) + done, n - done, offset + done);
            if (put < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            done += static_cast<size_t>(put);
        }
        return static_cast<int64_t>(done);
    }

    int64_t Size() override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return -1;
        return st.st_size;
    }

    bool Sync() override { return ::fdatasync(fd_) == 0; }
    const std::string &Path() const override { return path_; }

  private:
    int fd_;
    std::string path_;
};

OpenHook &Hook() {
    static OpenHook hook;
    return hook;
}

}  // namespace

std::unique_ptr<RandomAccessFile> OpenExclusive(const std::string &path, OpenMode mode,
                                                int *error) {
    int flags = O_RDWR | O_CLOEXEC;
    if (mode == OpenMode::kCreateIfMissing) flags |= O_CREAT;  // never O_TRUNC
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        if (error) *error = errno;
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = EINVAL;  // a directory or device is never an engine file
        ::close(fd);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error) *error = errno;
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<RandomAccessFile> file = std::make_unique<PosixFile>(fd, path);
    if (Hook()) file = Hook()(std::move(file));
    return file;
}

std::unique_ptr<RandomAccessFile> OpenReadOnly(const std::string &path, int *error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = errno;
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd, path);
}

void SetOpenHookForTesting(OpenHook hook) {
    Hook() = std::move(hook);
}

}  // namespace kw::platform
