// Private profile (INI) files with the semantics the engine and the program rely on:
//
//   [Section]          section and key names compare without regard to ASCII letter case;
//   Key=Value          values keep their case; blanks around names and values are dropped, and
//   ; comment          one pair of matching surrounding quotes is removed from a value on reading.
//
// Lines end in CR LF or LF; a rewrite uses CR LF. The first occurrence of a section or key wins.
// Reading a missing file or key gives the default. Every write reads the file, changes it in
// memory and replaces it atomically (temporary file in the same directory, fsync, rename), so a
// crash leaves either the old or the new file, never a half-written one. Lines the writer does
// not touch, comments included, are kept as they were.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kw::platform {

class Profile {
  public:
    explicit Profile(std::string path) : path_(std::move(path)) {}

    const std::string &Path() const { return path_; }

    // The value of key in section, or def when the file, section or key is missing; at most
    // maxLength characters are returned (longer values are cut).
    std::string GetString(const std::string &section, const std::string &key,
                          const std::string &def, size_t maxLength = 4095) const;

    // The value converted as a decimal integer (optional sign, digits up to the first other
    // character; a text that is not a number reads as 0), or def when the key is missing.
    int GetInt(const std::string &section, const std::string &key, int def) const;

    // Whether the key is present (with any value) in the section.
    bool HasKey(const std::string &section, const std::string &key) const;

    // Key names of a section in file order; section names of the file in file order.
    std::vector<std::string> Keys(const std::string &section) const;
    std::vector<std::string> Sections() const;

    // Writes key=value, creating the file and the section when missing. A value of nullopt
    // deletes the key. Returns false when the file could not be written (it is then unchanged).
    bool WriteString(const std::string &section, const std::string &key,
                     const std::optional<std::string> &value);
    bool WriteInt(const std::string &section, const std::string &key, int value);

    // Deletes a whole section. Returns false when the file could not be written.
    bool DeleteSection(const std::string &section);

    // Writes are never cached, so flushing has nothing left to do; kept for callers that ask for
    // the profile to reach the disk at a given moment.
    bool Flush() { return true; }

  private:
    std::string path_;
};

}  // namespace kw::platform
