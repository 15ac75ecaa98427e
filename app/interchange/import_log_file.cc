// The import log (see import_log_file.h).
#include "app/interchange/import_log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/file.h"
#include "platform/path.h"

namespace kw {

ImportLogFile::ImportLogFile(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    created_ = fd_ >= 0;
}

ImportLogFile::~ImportLogFile() {
    Close();
}

void ImportLogFile::Printf(const char *format, ...) {
    if (fd_ < 0) return;
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::vector<char> large;
    const char *text = small;
    if (length >= static_cast<int>(sizeof small)) {
        large.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        text = large.data();
    }
    va_end(again);
    if (length <= 0) return;
    // One write for the line: a short write of a regular file only happens when the disk is
    // full, and then the rest would not fit either.
    for (ssize_t written; (written = ::write(fd_, text, static_cast<size_t>(length))) < 0;)
        if (errno != EINTR) return;
}

void ImportLogFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void ImportLogFile::Remove() {
    Close();
    if (created_) platform::RemoveFile(path_);
    created_ = false;
}

std::string ImportLogFile::ReadHead(size_t limit) const {
    std::string head;
    if (!created_) return head;
    std::unique_ptr<platform::RandomAccessFile> file = platform::OpenReadOnly(path_);
    if (!file) return head;
    head.resize(limit);
    const int64_t got = file->ReadAt(0, head.data(), limit);
    head.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return head;
}

}  // namespace kw
