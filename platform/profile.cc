// Profile: parsing, lookup and atomic rewrite of private profile files.
#include "profile.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "path.h"

namespace kw::platform {
namespace {

std::string Trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool EqualNoCase(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The file as lines without their line ends; empty when the file is missing.
std::vector<std::string> ReadLines(const std::string &path, bool *exists = nullptr) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    if (exists) *exists = static_cast<bool>(in);
    if (!in) return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; anything else nullopt.
std::optional<std::string> SectionName(const std::string &line) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

bool IsComment(const std::string &line) {
    std::string t = Trim(line);
    return !t.empty() && t[0] == ';';
}

// Splits "key=value" into trimmed parts; false for lines without '='.
bool SplitKey(const std::string &line, std::string *key, std::string *value) {
    if (IsComment(line)) return false;
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(line.substr(0, eq));
    *value = Trim(line.substr(eq + 1));
    return true;
}

std::string Unquote(std::string v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

// Line range [begin, end) of the first section with this name (begin is its header line).
bool FindSection(const std::vector<std::string> &lines, const std::string &section, size_t *begin,
                 size_t *end) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(lines[i]);
        if (!name || !EqualNoCase(*name, section)) continue;
        size_t j = i + 1;
        while (j < lines.size() && !SectionName(lines[j]))
            ++j;
        *begin = i;
        *end = j;
        return true;
    }
    return false;
}

std::optional<std::string> Lookup(const std::vector<std::string> &lines, const std::string &section,
                                  const std::string &key) {
    size_t b, e;
    if (!FindSection(lines, section, &b, &e)) return std::nullopt;
    for (size_t i = b + 1; i < e; ++i) {
        std::string k, v;
        if (SplitKey(lines[i], &k, &v) && EqualNoCase(k, key)) return Unquote(v);
    }
    return std::nullopt;
}

// Writes the lines to a temporary file beside path and renames it over path.
bool ReplaceFile(const std::string &path, const std::vector<std::string> &lines) {
    std::string text;
    for (const auto &l : lines) {
        text += l;
        text += "\r\n";
    }
    std::string tmp = DirectoryOf(path);
    tmp.append("/.").append(FileNameOf(path)).append(".tmp").append(std::to_string(::getpid()));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

}  // namespace

std::string Profile::GetString(const std::string &section, const std::string &key,
                               const std::string &def, size_t maxLength) const {
    auto v = Lookup(ReadLines(path_), section, key);
    std::string r = v ? *v : def;
    if (r.size() > maxLength) r.resize(maxLength);
    return r;
}

int Profile::GetInt(const std::string &section, const std::string &key, int def) const {
    auto v = Lookup(ReadLines(path_), section, key);
    if (!v) return def;
    return static_cast<int>(std::strtol(v->c_str(), nullptr, 10));
}

bool Profile::HasKey(const std::string &section, const std::string &key) const {
    return Lookup(ReadLines(path_), section, key).has_value();
}

std::vector<std::string> Profile::Keys(const std::string &section) const {
    std::vector<std::string> keys;
    auto lines = ReadLines(path_);
    size_t b, e;
    if (!FindSection(lines, section, &b, &e)) return keys;
    for (size_t i = b + 1; i < e; ++i) {
        std::string k, v;
        if (SplitKey(lines[i], &k, &v)) keys.push_back(k);
    }
    return keys;
}

std::vector<std::string> Profile::Sections() const {
    std::vector<std::string> names;
    for (const auto &l : ReadLines(path_))
        if (auto n = SectionName(l)) names.push_back(*n);
    return names;
}

bool Profile::WriteString(const std::string &section, const std::string &key,
                          const std::optional<std::string> &value) {
    bool exists = false;
    auto lines = ReadLines(path_, &exists);
    size_t b, e;
    if (!FindSection(lines, section, &b, &e)) {
        if (!value) return true;  // deleting from a missing section changes nothing
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back("[" + section + "]");
        lines.push_back(key + "=" + *value);
        return ReplaceFile(path_, lines);
    }
    for (size_t i = b + 1; i < e; ++i) {
        std::string k, v;
        if (!SplitKey(lines[i], &k, &v) || !EqualNoCase(k, key)) continue;
        if (value)
            lines[i] = k + "=" + *value;
        else
            lines.erase(lines.begin() + static_cast<long>(i));
        return ReplaceFile(path_, lines);
    }
    if (!value) return true;
    // Append after the section's last non-blank line.
    size_t at = e;
    while (at > b + 1 && Trim(lines[at - 1]).empty())
        --at;
    lines.insert(lines.begin() + static_cast<long>(at), key + "=" + *value);
    return ReplaceFile(path_, lines);
}

bool Profile::WriteInt(const std::string &section, const std::string &key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool Profile::DeleteSection(const std::string &section) {
    auto lines = ReadLines(path_);
    size_t b, e;
    if (!FindSection(lines, section, &b, &e)) return true;
    lines.erase(lines.begin() + static_cast<long>(b), lines.begin() + static_cast<long>(e));
    return ReplaceFile(path_, lines);
}

}  // namespace kw::platform
