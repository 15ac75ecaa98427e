// The import log writer: one bounded, formatted entry per call, appended to a caller-owned
// descriptor. The descriptor is the caller's, so the plain write(2) is used here rather than the
// platform's own file objects.
#include "import_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace kw::import {

namespace {
constexpr size_t kEntrySize = 256;
}

void ImportLog::Printf(const char *format, ...) {
    if (fd_ < 0) return;
    char entry[kEntrySize];
    va_list args;
    va_start(args, format);
    const int formatted = std::vsnprintf(entry, sizeof entry, format, args);
    va_end(args);
    if (formatted <= 0) return;
    size_t remaining = static_cast<size_t>(formatted) < kEntrySize ? static_cast<size_t>(formatted)
                                                                   : kEntrySize - 1;
    const char *next = entry;
    while (remaining > 0) {
        const ssize_t written = ::write(fd_, next, remaining);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        next += written;
        remaining -= static_cast<size_t>(written);
    }
}

}  // namespace kw::import
