// kwtool stats: opens the database KWDATA2 and reports its directory and the table files present
// (record stores NAME.dat and index files NAME.iNN) with their sizes in bytes. With --json the
// same as one JSON object: {"database", "directory", "files": [{"name", "bytes"}]}.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "database_names.h"
#include "engine_results.h"
#include "kwdata.h"
#include "platform/path.h"
#include "platform/profile.h"

namespace kwtool {
namespace {

struct TableFile {
    std::string name;
    long long bytes = 0;
};

// NAME.dat or NAME.i followed by digits.
bool IsTableFile(const std::string &name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = name.substr(dot + 1);
    if (ext == "dat") return true;
    return ext.size() >= 3 && ext[0] == 'i' &&
           std::all_of(ext.begin() + 1, ext.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<TableFile> TableFiles(const std::string &directory) {
    std::vector<TableFile> files;
    for (const std::string &name : kw::platform::ListFiles(directory)) {
        if (!IsTableFile(name)) continue;
        struct stat st;
        if (::stat(kw::platform::JoinPath(directory, name).c_str(), &st) != 0) continue;
        files.push_back({name, static_cast<long long>(st.st_size)});
    }
    std::sort(files.begin(), files.end(),
              [](const TableFile &a, const TableFile &b) { return a.name < b.name; });
    return files;
}

std::string JsonString(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

int RunStats(const Options &options) {
    if (!options.args.empty()) return Usage(options, "stats");
    uint16_t db = 0;
    const KWRESULT r = KW_DBOpen(kDatabaseName, &db);
    if (r == KWERR_NOLOCATION)
        return Fail("database " + std::string(kDatabaseName) +
                    " is not registered here or its directory is missing; run 'kwtool create' "
                    "first (507)");
    if (r != KW_OK)
        return Fail("cannot open database " + std::string(kDatabaseName) + ": " +
                    EngineResultText(r));
    // The engine keeps the directory to itself; the registration it was read from is public.
    const std::string directory =
        kw::platform::Profile(
            kw::platform::JoinPath(kw::platform::WorkingDirectory(), "KWDATA.INI"))
            .GetString("Locations", kDatabaseName, "");
    const std::vector<TableFile> files = TableFiles(directory);
    KW_DBClose(db);

    if (options.json) {
        std::cout << "{\"database\":" << JsonString(kDatabaseName)
                  << ",\"directory\":" << JsonString(directory) << ",\"files\":[";
        for (size_t i = 0; i < files.size(); ++i)
            std::cout << (i ? "," : "") << "{\"name\":" << JsonString(files[i].name)
                      << ",\"bytes\":" << files[i].bytes << "}";
        std::cout << "]}\n";
        return 0;
    }
    std::cout << "database  " << kDatabaseName << "\n"
              << "directory " << directory << "\n";
    if (files.empty()) std::cout << "no table files yet\n";
    for (const TableFile &f : files)
        std::printf("  %-16s %12lld bytes\n", f.name.c_str(), f.bytes);
    std::cout.flush();
    return 0;
}

}  // namespace

KWTOOL_COMMAND("stats", "", "show the database KWDATA2's directory and table files", RunStats);

}  // namespace kwtool
