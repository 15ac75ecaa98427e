// kwtool's import of recipe text files (see import_run.h).
#include "import_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string_view>
#include <vector>

#include "app/interchange/import_library.h"
#include "app/interchange/recipe_import.h"
#include "command.h"
#include "json_text.h"
#include "platform/path.h"
#include "session.h"

namespace kwtool {
namespace {

using kw::ImportOutcome;
using kw::platform::Cp1252ToUtf8;

struct FileResult {
    std::string file;
    ImportOutcome outcome;
    std::string filterName;
    std::vector<std::string> problems;  // "*** " lines of its log
    int moreProblems = 0;
};

const char *StatusName(ImportOutcome::Status status) {
    switch (status) {
        case ImportOutcome::Status::kDone:
            return "done";
        case ImportOutcome::Status::kNoLibrary:
            return "no-library";
        case ImportOutcome::Status::kLibraryIncomplete:
            return "incomplete-library";
        case ImportOutcome::Status::kCancelled:
            return "no-filter";
        case ImportOutcome::Status::kUnreadable:
            return "unreadable";
        case ImportOutcome::Status::kTooLong:
            return "too-long";
        case ImportOutcome::Status::kNothingToPaste:
            return "empty";
    }
    return "unknown";
}

// One line of the log (without its LF): a problem line is kept for the report.
void NoteLogLine(std::string_view line, FileResult *result) {
    if (!line.starts_with("*** ")) return;
    if (line.back() == '\r') line.remove_suffix(1);
    if (result->problems.size() < static_cast<size_t>(kShownProblems))
        result->problems.push_back(Cp1252ToUtf8(line));
    else
        ++result->moreProblems;
}

// The log's problem lines, and a copy appended to the kept log: the log as it is, with a line
// break added after a last line that has none. The log echoes every line read (some 170 MB for
// 100,000 recipes), so it is read in large pieces and its lines are found with memchr.
void ReadLog(const std::string &path, const std::string &keptLog, FileResult *result) {
    std::ifstream in(path, std::ios::binary);
    std::ofstream kept;
    if (!keptLog.empty()) kept.open(keptLog, std::ios::binary | std::ios::app);
    std::vector<char> piece(size_t{64} << 10);
    std::string unended;  // the start of a line the previous piece did not end
    bool endsWithBreak = true;
    for (;;) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const size_t got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        if (kept.is_open()) kept.write(piece.data(), static_cast<std::streamsize>(got));
        endsWithBreak = piece[got - 1] == '\n';
        std::string_view rest(piece.data(), got);
        for (size_t end; (end = rest.find('\n')) != std::string_view::npos;
             rest.remove_prefix(end + 1)) {
            if (unended.empty()) {
                NoteLogLine(rest.substr(0, end), result);
            } else {
                unended.append(rest.substr(0, end));
                NoteLogLine(unended, result);
                unended.clear();
            }
        }
        unended.append(rest);
    }
    if (!unended.empty()) NoteLogLine(unended, result);
    if (kept.is_open() && !endsWithBreak) kept << '\n';
}

FileResult ImportOneFile(Session &session, const ImportRequest &request, const std::string &file) {
    FileResult result;
    result.file = file;
    kw::ImportHooks hooks;
    std::vector<std::string> names;
    hooks.chooseFilter = [&](const std::vector<std::string> &filters, int best) {
        names = filters;
        return request.filter >= 0 ? request.filter : best;
    };
    TerminalProgress &progress = session.Progress();
    bool begun = false;
    hooks.progress = [&](int64_t position, int64_t length) {
        if (!begun) {
            progress.Begin(0, static_cast<int>(length),
                           "Importing " + kw::platform::FileNameOf(file), "", false);
            begun = true;
        }
        progress.SetPosition(static_cast<int>(position));
        session.WriteIfDue();
    };
    hooks.logClosed = [&](const std::string &path) { ReadLog(path, request.keptLog, &result); };
    result.outcome =
        kw::ImportRecipeFile(session.Database(), file, request.encoding, session.Sink(), hooks);
    if (begun) progress.End();
    if (result.outcome.filter >= 0 && result.outcome.filter < static_cast<int>(names.size()))
        result.filterName = names[static_cast<size_t>(result.outcome.filter)];
    return result;
}

bool Failed(const FileResult &result) {
    return result.outcome.status != ImportOutcome::Status::kDone || result.outcome.errors > 0;
}

void PrintText(const FileResult &result) {
    const ImportOutcome &o = result.outcome;
    switch (o.status) {
        case ImportOutcome::Status::kDone:
            std::printf("%s: %d recipe(s) imported, %d error(s), %d warning(s) (filter %s)\n",
                        result.file.c_str(), o.imported, o.errors, o.warnings,
                        result.filterName.c_str());
            break;
        case ImportOutcome::Status::kCancelled:
            std::printf("%s: no import filter recognises this text; --filter chooses one\n",
                        result.file.c_str());
            break;
        case ImportOutcome::Status::kUnreadable:
            std::printf("%s: cannot be read: %s\n", result.file.c_str(),
                        std::strerror(o.fileError));
            break;
        case ImportOutcome::Status::kTooLong:
            std::printf("%s: too large to import (2 GiB at most)\n", result.file.c_str());
            break;
        case ImportOutcome::Status::kNothingToPaste:
            std::printf("%s: empty\n", result.file.c_str());
            break;
        case ImportOutcome::Status::kNoLibrary:
        case ImportOutcome::Status::kLibraryIncomplete:
            std::printf("%s: not imported: the import filters (%s) cannot be used\n",
                        result.file.c_str(), kw::ImportLibrary::DefaultPath().c_str());
            break;
    }
    for (const std::string &problem : result.problems)
        std::printf("  %s\n", problem.c_str());
    if (result.moreProblems > 0)
        std::printf("  ... and %d more (--log FILE keeps the whole log)\n", result.moreProblems);
}

void PrintJson(const std::vector<FileResult> &results, int imported, int errors, int warnings) {
    std::cout << "{\"files\":[";
    for (size_t i = 0; i < results.size(); ++i) {
        const FileResult &r = results[i];
        std::cout << (i ? "," : "") << "{\"file\":" << JsonString(r.file)
                  << ",\"status\":" << JsonString(StatusName(r.outcome.status))
                  << ",\"filter\":" << (r.filterName.empty() ? "null" : JsonString(r.filterName))
                  << ",\"imported\":" << r.outcome.imported << ",\"errors\":" << r.outcome.errors
                  << ",\"warnings\":" << r.outcome.warnings << "}";
    }
    std::cout << "],\"imported\":" << imported << ",\"errors\":" << errors
              << ",\"warnings\":" << warnings << "}\n";
}

}  // namespace

bool TakeImportOptions(std::vector<std::string> *args, ImportRequest *request) {
    std::string value;
    if (TakeOption(args, "--filter", &value)) {
        char *end = nullptr;
        const long filter = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || filter < 0 || filter > 2) {
            Fail("--filter takes 0 (Kettleworth), 1 (MealMaster) or 2 (MasterCook)", 2);
            return false;
        }
        request->filter = static_cast<int>(filter);
    }
    if (TakeOption(args, "--encoding", &value) &&
        !kw::platform::ParseEncodingName(value, &request->encoding)) {
        Fail("--encoding takes auto, utf-8, windows-1252, cp437 or cp850", 2);
        return false;
    }
    if (TakeOption(args, "--log", &value)) request->keptLog = value;
    return true;
}

int RunImport(Session &session, const ImportRequest &request) {
    if (!request.keptLog.empty())
        std::ofstream(request.keptLog, std::ios::binary | std::ios::trunc);
    std::vector<FileResult> results;
    int imported = 0, errors = 0, warnings = 0;
    bool failed = false;
    for (const std::string &file : request.files) {
        results.push_back(ImportOneFile(session, request, file));
        const FileResult &result = results.back();
        imported += result.outcome.imported;
        errors += result.outcome.errors;
        warnings += result.outcome.warnings;
        failed |= Failed(result);
        if (!request.json) PrintText(result);
        if (result.outcome.status == ImportOutcome::Status::kNoLibrary ||
            result.outcome.status == ImportOutcome::Status::kLibraryIncomplete)
            break;  // the next files would fail the same way
    }
    if (request.json) {
        PrintJson(results, imported, errors, warnings);
        return failed ? 1 : 0;
    }
    const kw::ImportSummary summary = kw::MakeImportSummary(imported, errors, warnings);
    if (errors != 0 || warnings != 0) std::printf("%s\n", Cp1252ToUtf8(summary.errorsLine).c_str());
    std::printf("%s\n", Cp1252ToUtf8(summary.importedLine).c_str());
    if (!summary.notImportedLine.empty())
        std::printf("%s\n", Cp1252ToUtf8(summary.notImportedLine).c_str());
    return failed ? 1 : 0;
}

}  // namespace kwtool
