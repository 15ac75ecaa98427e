// The registry of the kinds of file kwtool load reads.
#include "load_kinds.h"

#include "app/core/setting_text.h"
#include "platform/file.h"
#include "platform/path.h"

namespace kwtool {
namespace {

std::vector<LoadKind> &KindRegistry() {
    static std::vector<LoadKind> kinds;
    return kinds;
}

// The extension of the file name: from its last full stop, "" when it has none.
std::string ExtensionOf(const std::string &path) {
    const std::string name = kw::platform::FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string FileHead(const std::string &path) {
    std::string head(64, '\0');
    auto file = kw::platform::OpenReadOnly(path);
    const int64_t got = file ? file->ReadAt(0, head.data(), head.size()) : -1;
    head.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return head;
}

}  // namespace

bool RegisterLoadKind(const LoadKind &kind) {
    KindRegistry().push_back(kind);
    return true;
}

const std::vector<LoadKind> &LoadKinds() {
    return KindRegistry();
}

const LoadKind *FindLoadKind(const std::string &path) {
    const std::string extension = ExtensionOf(path);
    if (!extension.empty())
        for (const LoadKind &kind : LoadKinds())
            if (kw::EqualNoCase(extension, kind.extension)) return &kind;
    const std::string head = FileHead(path);
    for (const LoadKind &kind : LoadKinds())
        if (kind.recognises && kind.recognises(head)) return &kind;
    return nullptr;
}

}  // namespace kwtool
