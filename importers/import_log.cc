// The import log writer: bounded, formatted entries collected in a buffer and appended to a
// caller-owned descriptor. The descriptor is the caller's, so the plain write(2) is used here
// rather than the platform's own file objects.
#include "import_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace kw::import {

void ImportLog::Printf(const char *format, ...) {
    if (fd_ < 0) return;
    // Room for a whole entry, so the formatting below never needs a second pass.
    if (kBufferSize - used_ < kEntrySize) Flush();
    char *entry = buffer_ + used_;
    va_list args;
    va_start(args, format);
    const int formatted = std::vsnprintf(entry, kEntrySize, format, args);
    va_end(args);
    if (formatted <= 0) return;
    used_ += static_cast<size_t>(formatted) < kEntrySize ? static_cast<size_t>(formatted)
                                                         : kEntrySize - 1;
}

void ImportLog::Flush() {
    const char *next = buffer_;
    size_t remaining = used_;
    used_ = 0;
    while (fd_ >= 0 && remaining > 0) {
        const ssize_t written = ::write(fd_, next, remaining);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        next += written;
        remaining -= static_cast<size_t>(written);
    }
}

}  // namespace kw::import
