// kwtool stats: starts the program's run (session.h: on a first run this creates KWDATA2, after
// an unclean end it rebuilds the indexes) and reports the database's directory and the number of
// records in each of its ten tables. With --json the same as one JSON object:
//   {"database", "directory", "tables": [{"name", "records"}]}
// A table whose records cannot be counted (its record chain is damaged: 502) is reported with
// the engine's code and the command ends with status 1.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/core/schema.h"
#include "app/data/table.h"
#include "command.h"
#include "database_directory.h"
#include "engine_results.h"
#include "json_text.h"
#include "session.h"

namespace kwtool {
namespace {

using kw::schema::kDatabaseName;

struct TableCount {
    std::string name;
    int32_t records = 0;
    KWRESULT result = KW_OK;
};

int RunStats(const Options &options) {
    if (!options.args.empty()) return Usage(options, "stats");
    auto session = Session::Open();
    if (!session) return 1;
    const std::string directory = RegisteredDatabaseDirectory();
    std::vector<TableCount> counts;
    bool failed = false;
    for (const auto &table : session->Database().Tables()) {
        TableCount count{table->Name()};
        count.result = table->GetCount(&count.records);
        failed |= count.result != KW_OK;
        counts.push_back(count);
    }
    failed |= session->Close() != 0;

    if (options.json) {
        std::cout << "{\"database\":" << JsonString(kDatabaseName)
                  << ",\"directory\":" << JsonString(directory) << ",\"tables\":[";
        for (size_t i = 0; i < counts.size(); ++i) {
            std::cout << (i ? "," : "") << "{\"name\":" << JsonString(counts[i].name);
            if (counts[i].result == KW_OK)
                std::cout << ",\"records\":" << counts[i].records << "}";
            else
                std::cout << ",\"records\":null,\"result\":" << counts[i].result << "}";
        }
        std::cout << "]}\n";
        return failed ? 1 : 0;
    }
    std::cout << "database  " << kDatabaseName << "\n"
              << "directory " << directory << "\n";
    for (const TableCount &count : counts) {
        if (count.result == KW_OK)
            std::printf("  %-9s %10d records\n", count.name.c_str(), count.records);
        else
            std::printf("  %-9s cannot be counted: %s\n", count.name.c_str(),
                        EngineResultText(count.result).c_str());
    }
    std::fflush(stdout);
    return failed ? 1 : 0;
}

}  // namespace

KWTOOL_COMMAND("stats", "", "show the number of records in each table of KWDATA2", RunStats);

}  // namespace kwtool
