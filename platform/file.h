// Random-access files for the engine and the program, opened the way every engine file is opened:
// for reading and writing with exclusive sharing. On this platform exclusivity is an advisory
// flock(LOCK_EX | LOCK_NB) taken at open; a file that another open file description holds (in this
// process or another) fails to open. Creating never truncates an existing file.
//
// All reads and writes are positional (pread/pwrite) so callers never depend on a file offset.
// Tests replace the opener with SetOpenHookForTesting to wrap files and inject failing or torn
// writes; production code never sees the hook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kw::platform {

class RandomAccessFile {
  public:
    virtual ~RandomAccessFile() = default;
    // Reads up to n bytes at offset; returns the count read (short at end of file) or -1.
    virtual int64_t ReadAt(int64_t offset, void *buffer, size_t n) = 0;
    // Writes n bytes at offset; returns the count written (n unless the write failed) or -1.
    virtual int64_t WriteAt(int64_t offset, const void *buffer, size_t n) = 0;
    // Current size in bytes, or -1.
    virtual int64_t Size() = 0;
    // Pushes written bytes to stable storage; false on failure.
    virtual bool Sync() = 0;
    // The path the file was opened with.
    virtual const std::string &Path() const = 0;
};

enum class OpenMode {
    kExisting,        // the file must exist
    kCreateIfMissing  // created empty when missing; an existing file is kept as it is
};

// Opens path for reading and writing with exclusive sharing. Returns null on failure and, when
// error is not null, stores the errno value (EWOULDBLOCK when another holder has the file).
std::unique_ptr<RandomAccessFile> OpenExclusive(const std::string &path, OpenMode mode,
                                                int *error = nullptr);

// Opens path read-only without a lock (for files the program only reads, such as import text).
std::unique_ptr<RandomAccessFile> OpenReadOnly(const std::string &path, int *error = nullptr);

// A hook that may wrap (or replace) every file OpenExclusive returns; nullptr restores the default.
using OpenHook =
    std::function<std::unique_ptr<RandomAccessFile>(std::unique_ptr<RandomAccessFile>)>;
void SetOpenHookForTesting(OpenHook hook);

}  // namespace kw::platform
