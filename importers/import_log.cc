// The import log writer: bounded, formatted entries collected in a buffer and appended to a
// caller-owned descriptor. The descriptor is the caller's, so the plain write(2) is used here
// rather than the platform's own file objects.
#include "import_log.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kw::import {

void ImportLog::Printf(const char *format, ...) {
    if (fd_ < 0) return;
    Reserve();
    char *entry = buffer_ + used_;
    va_list args;
    va_start(args, format);
    const int formatted = std::vsnprintf(entry, kEntrySize, format, args);
    va_end(args);
    if (formatted <= 0) return;
    used_ += static_cast<size_t>(formatted) < kEntrySize ? static_cast<size_t>(formatted)
                                                         : kEntrySize - 1;
}

void ImportLog::Reserve() {
    // Room for a whole entry, so an entry never needs a second pass.
    if (kBufferSize - used_ < kEntrySize) Flush();
}

void ImportLog::Echo(std::string_view line) {
    if (fd_ < 0) return;
    Reserve();
    if (const void *zero = std::memchr(line.data(), '\0', line.size()))
        line = line.substr(0, static_cast<size_t>(static_cast<const char *>(zero) - line.data()));
    // What vsnprintf keeps of a longer entry: its first kEntrySize - 1 bytes.
    char *entry = buffer_ + used_;
    const size_t limit = kEntrySize - 1;
    size_t length = 0;
    for (std::string_view part : {std::string_view(">> "), line, std::string_view("\r\n")}) {
        const size_t taken = std::min(part.size(), limit - length);
        std::memcpy(entry + length, part.data(), taken);
        length += taken;
    }
    used_ += length;
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
