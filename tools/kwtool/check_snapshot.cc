// Copying table files under their lock into a temporary directory.
#include "check_snapshot.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/file.h"
#include "platform/path.h"

namespace kwtool {

using kw::platform::JoinPath;
using kw::platform::OpenExclusive;
using kw::platform::OpenMode;

Snapshot::Snapshot() {
    const char *tmp = ::getenv("TMPDIR");
    std::string pattern = JoinPath(tmp && *tmp ? tmp : "/tmp", "kwcheckXXXXXX");
    if (::mkdtemp(pattern.data()))
        directory_ = pattern;
    else
        failure_ = "cannot make a temporary directory for the copies: " +
                   std::string(std::strerror(errno));
}

Snapshot::~Snapshot() {
    if (directory_.empty()) return;
    for (const std::string &name : copies_)
        kw::platform::RemoveFile(Path(name));
    kw::platform::RemoveDirectory(directory_);
}

std::string Snapshot::Path(const std::string &name) const {
    return JoinPath(directory_, name);
}

bool Snapshot::Copy(const std::string &directory, const std::string &name) {
    if (directory_.empty()) return false;
    const std::string source = JoinPath(directory, name);
    int error = 0;
    auto in = OpenExclusive(source, OpenMode::kExisting, &error);
    if (!in) {
        failure_ = error == EWOULDBLOCK
                       ? source + " is in use by another program; close it and try again"
                       : "cannot open " + source + ": " + std::strerror(error);
        return false;
    }
    auto out = OpenExclusive(Path(name), OpenMode::kCreateIfMissing, &error);
    if (!out) {
        failure_ = "cannot write the copy " + Path(name) + ": " + std::strerror(error);
        return false;
    }
    copies_.push_back(name);
    std::vector<uint8_t> buffer(1 << 20);
    for (int64_t offset = 0;;) {
        const int64_t got = in->ReadAt(offset, buffer.data(), buffer.size());
        if (got < 0) {
            failure_ = "cannot read " + source;
            return false;
        }
        if (got == 0) return true;
        if (out->WriteAt(offset, buffer.data(), static_cast<size_t>(got)) != got) {
            failure_ = "cannot write the copy " + Path(name);
            return false;
        }
        offset += got;
    }
}

}  // namespace kwtool
