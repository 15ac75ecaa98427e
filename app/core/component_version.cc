// Finding and reading the embedded version record of a deliverable.
#include "component_version.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string_view>

#include "messages.h"
#include "platform/file.h"
#include "platform/path.h"
#include "setting_text.h"

namespace kw {
namespace {

constexpr std::string_view kMarker = "@(#)Kettleworth;";
constexpr size_t kChunk = 64 * 1024;

constexpr uint32_t kFlagDebug = 0x01;
constexpr uint32_t kFlagPreRelease = 0x02;
constexpr uint32_t kFlagSpecialBuild = 0x20;

using Fields = std::map<std::string, std::string, std::less<>>;

// The complete "Name=Value;" fields of the record text that follows a marker.
Fields ParseRecord(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    Fields fields;
    size_t start = 0;
    for (size_t end; (end = text.find(';', start)) != std::string_view::npos; start = end + 1) {
        std::string_view field = text.substr(start, end - start);
        size_t eq = field.find('=');
        if (eq == std::string_view::npos) continue;
        fields.emplace(std::string(field.substr(0, eq)), std::string(field.substr(eq + 1)));
    }
    return fields;
}

// The fields of the file's first version record; nullopt when it has none or cannot be read.
std::optional<Fields> FindRecord(platform::RandomAccessFile &file) {
    int64_t size = std::min(file.Size(), kMaxVersionScan);
    if (size < 0) return std::nullopt;
    std::string window;  // bytes [windowStart, windowStart + window.size()) of the file
    int64_t windowStart = 0;
    std::string chunk(kChunk, '\0');
    for (int64_t offset = 0; offset < size;) {
        size_t want = static_cast<size_t>(std::min<int64_t>(kChunk, size - offset));
        int64_t got = file.ReadAt(offset, chunk.data(), want);
        if (got <= 0) return std::nullopt;
        offset += got;
        window.append(chunk.data(), static_cast<size_t>(got));
        for (size_t at = 0; (at = window.find(kMarker, at)) != std::string::npos; ++at) {
            std::string record(kMaxVersionRecord, '\0');
            int64_t n = file.ReadAt(windowStart + static_cast<int64_t>(at + kMarker.size()),
                                    record.data(), record.size());
            if (n < 0) return std::nullopt;
            record.resize(static_cast<size_t>(n));
            Fields fields = ParseRecord(record);
            if (fields.count("Component")) return fields;
        }
        // Keep just enough of the window for a marker that straddles the next chunk.
        size_t keep = std::min(window.size(), kMarker.size() - 1);
        windowStart += static_cast<int64_t>(window.size() - keep);
        window.erase(0, window.size() - keep);
    }
    return std::nullopt;
}

std::string FieldOr(const Fields &fields, std::string_view name, const std::string &def) {
    auto it = fields.find(name);
    return it == fields.end() ? def : it->second;
}

}  // namespace

ComponentVersion GetComponentVersion(const std::string &path) {
    ComponentVersion result{kNotInstalled, ""};
    if (!platform::IsRegularFile(path)) return result;
    result.version = kUnknownVersion;
    auto file = platform::OpenReadOnly(path);
    if (!file) return result;
    auto fields = FindRecord(*file);
    if (!fields) return result;

    uint32_t flags = static_cast<uint32_t>(
        ParseDecimalField(FieldOr(*fields, "Flags", "0"), 0, std::numeric_limits<uint32_t>::max())
            .value_or(0));
    std::string suffix;
    if (flags & kFlagDebug) suffix += " [Debug]";
    if (flags & kFlagPreRelease) suffix += " [BETA]";
    result.version = FieldOr(*fields, "FileVersion", kUnknownVersion) + suffix;
    if (flags & kFlagSpecialBuild) result.specialBuild = FieldOr(*fields, "SpecialBuild", "");
    return result;
}

const std::vector<AboutComponent> &AboutComponents() {
    static const std::vector<AboutComponent> components = {
        {"libkwdata.so", 1600},
        {"libkwctrl.so", 1601},
        {"libkwimpt.so", 1602},
        {"", 1603},
    };
    return components;
}

std::vector<std::string> AboutComponentLines(const std::string &libraryDirectory,
                                             const std::string &programPath) {
    std::vector<std::string> lines;
    for (const auto &c : AboutComponents()) {
        std::string path =
            c.fileName.empty() ? programPath : platform::JoinPath(libraryDirectory, c.fileName);
        lines.push_back(FormatMessage(c.lineMessage, {GetComponentVersion(path).version}));
    }
    return lines;
}

std::string AboutVersionLine(const std::string &programVersion) {
    std::string line = "Kettleworth Application - Version %s";
    return line.replace(line.find("%s"), 2, programVersion);
}

}  // namespace kw
