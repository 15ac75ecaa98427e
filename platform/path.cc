// POSIX implementation of the path helpers.
#include "path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>

namespace kw::platform {

std::string JoinPath(const std::string &dir, const std::string &name) {
    return dir + "/" + name;
}

std::string WorkingDirectory() {
    std::string buf(PATH_MAX, '\0');
    if (::getcwd(buf.data(), buf.size()) == nullptr) return ".";
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

bool FileExists(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirectory(const std::string &path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

bool RemoveDirectory(const std::string &path) {
    return ::rmdir(path.c_str()) == 0;
}

int RemoveFile(const std::string &path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

std::vector<std::string> ListFiles(const std::string &dir) {
    std::vector<std::string> names;
    DIR *d = ::opendir(dir.c_str());
    if (d == nullptr) return names;
    while (struct dirent *e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (IsRegularFile(JoinPath(dir, name))) names.push_back(name);
    }
    ::closedir(d);
    return names;
}

std::string DirectoryOf(const std::string &path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string &path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExecutableDirectory() {
    std::string buf(PATH_MAX, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "";
    buf.resize(static_cast<size_t>(n));
    return DirectoryOf(buf);
}

}  // namespace kw::platform
