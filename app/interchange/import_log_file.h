// The import log ("import.out"): made empty at the start of an import, written by the filter
// plug-in and by the program, read by the summary, deleted at the end.
//
// Both writers append through one POSIX descriptor opened with O_APPEND: the plug-in (it is
// handed the descriptor) writes the lines of each recipe it reads with one write(2) before its
// call returns, and this class writes each of its lines with one write. With O_APPEND every
// write lands at the end of the file as one piece, so the two writers' lines never overwrite
// each other and keep their order, and nothing is held back past the recipe being read: a crash
// loses at most the plug-in's lines of that recipe. (The platform's file objects write at explicit
// offsets, which would overwrite the plug-in's lines; that is why this one file is opened with
// open(2).)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

class ImportLogFile final {
  public:
    // Creates path as an empty file (an earlier one is emptied). When that fails the log stays
    // closed: Handle() is -1 and nothing is logged.
    explicit ImportLogFile(std::string path);
    ~ImportLogFile();  // closes; does not delete
    ImportLogFile(const ImportLogFile &) = delete;
    ImportLogFile &operator=(const ImportLogFile &) = delete;

    // The descriptor handed to the plug-in, -1 when the log could not be made.
    int32_t Handle() const { return fd_; }
    const std::string &Path() const { return path_; }
    // Whether the file was made (and not yet removed); it stays so after Close.
    bool Created() const { return created_; }

    // Appends one formatted line (printf format; the caller ends it with "\r\n").
    void Printf(const char *format, ...) __attribute__((format(printf, 2, 3)));

    void Close();
    // Closes and deletes the file.
    void Remove();
    // The first bytes of the file (up to limit), "" when it cannot be read.
    std::string ReadHead(size_t limit) const;

  private:
    std::string path_;
    int fd_ = -1;
    bool created_ = false;
};

}  // namespace kw
