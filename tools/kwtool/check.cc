// kwtool check [DIRECTORY]: examines the database KWDATA2 (or the database files in DIRECTORY)
// and reports every inconsistency between its record stores and index files (check_table.h) as
// an error, and every break of the program's relations between tables (check_relations.h) as a
// warning. The files are read from private copies, so the check changes nothing; a database the
// program has open is refused.
//
//   EXIT STATUS  MEANING
//   0            consistent: no error (warnings allowed)
//   1            NOT consistent: at least one error
//   2            usage error
//   3            not checked: the database is in use, not registered, or its files unreadable
//
// The check examines the files as they are. After a run that did not end cleanly (a crash, a
// kill: "Status"/"Clean" = 0 in recipe.INI) the next start rebuilds the indexes and repairs
// damaged tables, so the check then says so on standard error: start a run first (any command
// that opens the database, such as "kwtool stats") to check what the program will work with.
// With --json the report is one JSON object:
//
//   {"database", "directory", "consistent", "errorCount", "warningCount",
//    "tables": [{"name", "present", "records", "indexes": [{"number", "file", "present",
//                "entries"}]}],
//    "errors": [{"place", "text"}], "warnings": [{"place", "text"}]}
//
// (at most Findings::kShownPerPlace errors and warnings are listed per place; the counts are
// complete).
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/core/schema.h"
#include "app/core/setting_keys.h"
#include "app/core/startup_flags.h"
#include "check_findings.h"
#include "check_relations.h"
#include "check_snapshot.h"
#include "check_table.h"
#include "command.h"
#include "database_directory.h"
#include "json_text.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"

namespace kwtool {
namespace {

// The exit status of a check that could not be made.
constexpr int kNotChecked = 3;

// Says so when the working directory's last run did not end cleanly (or one is going on).
void NoteUncleanEnd() {
    const kw::platform::Profile ini(kw::SettingsFilePath(kw::platform::WorkingDirectory()));
    if (kw::LastRunEndedCleanly(ini)) return;
    std::cerr << "kwtool: note: the last run here did not end cleanly; the next start rebuilds "
                 "the indexes and repairs damaged tables\n";
}

struct CheckResult {
    std::string directory;
    std::vector<TableSummary> tables;
    Findings findings;
};

// The ten tables, and the search-result table when its files are there.
std::vector<KW_TableDef *> TablesToCheck(const std::string &directory) {
    std::vector<KW_TableDef *> tables;
    for (int32_t i = 0; i < kw::schema::kTableCount; ++i)
        tables.push_back(&kw::schema::RecipeTables()[i]);
    KW_TableDef *results = kw::schema::SearchResultTable();
    if (kw::platform::FileExists(kw::platform::JoinPath(directory, StoreFileName(*results))))
        tables.push_back(results);
    return tables;
}

// Copies the files of tables that exist; false with the reason in *failure.
bool CopyFiles(const std::string &directory, const std::vector<KW_TableDef *> &tables,
               Snapshot &snapshot, std::set<std::string> *copied, std::string *failure) {
    for (const KW_TableDef *def : tables) {
        std::vector<std::string> names = {StoreFileName(*def)};
        for (int32_t i = 0; i < def->indexCount; ++i)
            names.push_back(IndexFileName(*def, def->indexes[i]));
        for (const std::string &name : names) {
            if (!kw::platform::FileExists(kw::platform::JoinPath(directory, name))) continue;
            if (!snapshot.Copy(directory, name)) {
                *failure = snapshot.Failure();
                return false;
            }
            copied->insert(name);
        }
    }
    return true;
}

void PrintText(const CheckResult &result) {
    std::printf("database %s in %s\n", kw::schema::kDatabaseName, result.directory.c_str());
    for (const TableSummary &table : result.tables) {
        if (!table.present) {
            std::printf("  %-9s missing\n", table.name.c_str());
            continue;
        }
        std::string indexes;
        for (const IndexSummary &index : table.indexes)
            indexes += (indexes.empty() ? "" : ", ") + index.file.substr(index.file.size() - 3) +
                       " " + (index.present ? std::to_string(index.entries) : "missing");
        std::printf("  %-9s %8lld records   entries: %s\n", table.name.c_str(),
                    static_cast<long long>(table.records), indexes.c_str());
    }
    const Findings &f = result.findings;
    auto list = [](const char *title, const std::vector<Finding> &items, int64_t count,
                   auto hidden) {
        if (count == 0) return;
        std::printf("%s (%lld):\n", title, static_cast<long long>(count));
        std::set<std::string> closed;
        for (size_t i = 0; i < items.size(); ++i) {
            std::printf("  %s: %s\n", items[i].place.c_str(), items[i].text.c_str());
            const bool lastOfPlace = i + 1 == items.size() || items[i + 1].place != items[i].place;
            if (lastOfPlace && !closed.count(items[i].place)) {
                closed.insert(items[i].place);
                if (int64_t more = hidden(items[i].place))
                    std::printf("  %s: ... and %lld more\n", items[i].place.c_str(),
                                static_cast<long long>(more));
            }
        }
    };
    list("errors", f.Errors(), f.ErrorCount(),
         [&](const std::string &place) { return f.HiddenErrors(place); });
    list("warnings", f.Warnings(), f.WarningCount(),
         [&](const std::string &place) { return f.HiddenWarnings(place); });
    if (f.ErrorCount() == 0)
        std::printf("consistent (%lld warnings)\n", static_cast<long long>(f.WarningCount()));
    else
        std::printf("NOT consistent: %lld errors, %lld warnings\n",
                    static_cast<long long>(f.ErrorCount()),
                    static_cast<long long>(f.WarningCount()));
}

std::string JsonFindings(const std::vector<Finding> &items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + std::string("{\"place\":") + JsonString(items[i].place) +
               ",\"text\":" + JsonString(items[i].text) + "}";
    return out + "]";
}

void PrintJson(const CheckResult &result) {
    const Findings &f = result.findings;
    std::string out = "{\"database\":" + JsonString(kw::schema::kDatabaseName) +
                      ",\"directory\":" + JsonString(result.directory) +
                      ",\"consistent\":" + (f.ErrorCount() == 0 ? "true" : "false") +
                      ",\"errorCount\":" + std::to_string(f.ErrorCount()) +
                      ",\"warningCount\":" + std::to_string(f.WarningCount()) + ",\"tables\":[";
    for (size_t t = 0; t < result.tables.size(); ++t) {
        const TableSummary &table = result.tables[t];
        out += (t ? "," : "") + std::string("{\"name\":") + JsonString(table.name) +
               ",\"present\":" + (table.present ? "true" : "false") +
               ",\"records\":" + std::to_string(table.records) + ",\"indexes\":[";
        for (size_t i = 0; i < table.indexes.size(); ++i) {
            const IndexSummary &index = table.indexes[i];
            out += (i ? "," : "") + std::string("{\"number\":") + std::to_string(index.number) +
                   ",\"file\":" + JsonString(index.file) +
                   ",\"present\":" + (index.present ? "true" : "false") +
                   ",\"entries\":" + std::to_string(index.entries) + "}";
        }
        out += "]}";
    }
    out += "],\"errors\":" + JsonFindings(f.Errors()) +
           ",\"warnings\":" + JsonFindings(f.Warnings()) + "}";
    std::cout << out << "\n";
}

int RunCheck(const Options &options) {
    if (options.args.size() > 1) return Usage(options, "check");
    CheckResult result;
    result.directory = options.args.empty() ? RegisteredDatabaseDirectory() : options.args[0];
    if (result.directory.empty())
        return Fail("database " + std::string(kw::schema::kDatabaseName) +
                        " is not registered here; run 'kwtool create' first or name its directory",
                    kNotChecked);
    if (!kw::platform::IsDirectory(result.directory))
        return Fail("the database directory " + result.directory + " does not exist", kNotChecked);

    const std::vector<KW_TableDef *> tables = TablesToCheck(result.directory);
    Snapshot snapshot;
    std::set<std::string> copied;
    std::string failure = snapshot.Failure();
    if (!failure.empty() || !CopyFiles(result.directory, tables, snapshot, &copied, &failure))
        return Fail(failure, kNotChecked);
    if (options.args.empty()) NoteUncleanEnd();

    std::map<std::string, TableRows> rows;
    for (KW_TableDef *def : tables) {
        TableRows tableRows;
        auto wanted = RelationFields().find(def->name);
        if (wanted != RelationFields().end()) tableRows.fields = wanted->second;
        result.tables.push_back(CheckTable(*def, snapshot, copied,
                                           tableRows.fields.empty() ? nullptr : &tableRows,
                                           result.findings));
        if (result.tables.back().readable && !tableRows.fields.empty())
            rows.emplace(def->name, std::move(tableRows));
    }
    CheckRelations(rows, result.findings);

    if (options.json)
        PrintJson(result);
    else
        PrintText(result);
    std::fflush(stdout);
    return result.findings.ErrorCount() == 0 ? 0 : 1;
}

}  // namespace

KWTOOL_COMMAND("check", "[DIRECTORY]",
               "check that KWDATA2's records and index files agree; exit 0 consistent, 1 not "
               "consistent, 3 not checked",
               RunCheck);

}  // namespace kwtool
