// The harness's side files: the atomic list of flushed recipes and the append-only touch log.
#include "flushed_state.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace kw::crash {
namespace {

bool WriteAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SyncDirectoryOf(const std::string &path) {
    const size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// One tab-separated line of category, name and what follows.
bool SplitIdentity(const std::string &line, RecipeIdentity *id, std::string *rest) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) return false;
    const size_t second = line.find('\t', tab + 1);
    id->category = line.substr(0, tab);
    id->name =
        line.substr(tab + 1, second == std::string::npos ? std::string::npos : second - tab - 1);
    if (rest) *rest = second == std::string::npos ? "" : line.substr(second + 1);
    return true;
}

}  // namespace

bool WriteFlushedState(const std::string &path, const FlushedState &state) {
    std::ostringstream text;
    text << "writes " << state.writes << "\n";
    for (const auto &[id, version] : state.recipes)
        text << id.category << '\t' << id.name << '\t' << version << "\n";
    text << "end\n";
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text.str()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0 && SyncDirectoryOf(path);
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

bool ReadFlushedState(const std::string &path, FlushedState *state, bool *ok) {
    *state = FlushedState{};
    *ok = false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    if (!std::getline(in, line) || line.rfind("writes ", 0) != 0) return true;
    state->writes = std::atoll(line.c_str() + 7);
    while (std::getline(in, line)) {
        if (line == "end") {
            *ok = true;
            return true;
        }
        RecipeIdentity id;
        std::string version;
        if (!SplitIdentity(line, &id, &version)) return true;
        state->recipes[id] = std::atoi(version.c_str());
    }
    return true;
}

TouchLog::~TouchLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool TouchLog::Open() {
    if (fd_ < 0) fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

bool TouchLog::Add(const RecipeIdentity &id) {
    return Open() && WriteAll(fd_, id.category + "\t" + id.name + "\n");
}

bool TouchLog::Clear() {
    return Open() && ::ftruncate(fd_, 0) == 0;
}

std::set<RecipeIdentity> TouchLog::Read(const std::string &path) {
    std::set<RecipeIdentity> touched;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        RecipeIdentity id;
        if (SplitIdentity(line, &id, nullptr)) touched.insert(id);
    }
    return touched;
}

}  // namespace kw::crash
