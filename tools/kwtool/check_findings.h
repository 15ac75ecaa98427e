// What kwtool check found: errors (the files disagree with each other, so the engine would fail or
// answer wrongly) and warnings (the files are sound but the program's own relations between
// tables are not kept). Each place (a file, or a table for warnings) shows at most
// kShownPerPlace findings of each kind; the counts include the ones not shown, so a damaged
// table of a million records still gives a short report.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kwtool {

struct Finding {
    std::string place;  // "KWRECING.i01", "KWRECIPE.dat", or a table name for warnings
    std::string text;   // UTF-8
};

class Findings {
  public:
    static constexpr int kShownPerPlace = 20;

    void Error(const std::string &place, const std::string &text);
    void Warning(const std::string &place, const std::string &text);

    const std::vector<Finding> &Errors() const { return errors_; }
    const std::vector<Finding> &Warnings() const { return warnings_; }
    int64_t ErrorCount() const { return errorCount_; }
    int64_t WarningCount() const { return warningCount_; }
    // Findings of place that were counted but not listed.
    int64_t HiddenErrors(const std::string &place) const;
    int64_t HiddenWarnings(const std::string &place) const;

  private:
    static void Add(std::vector<Finding> &list, std::map<std::string, int64_t> &perPlace,
                    int64_t &count, const std::string &place, const std::string &text);
    static int64_t Hidden(const std::map<std::string, int64_t> &perPlace, const std::string &place);

    std::vector<Finding> errors_;
    std::vector<Finding> warnings_;
    std::map<std::string, int64_t> errorsPerPlace_;
    std::map<std::string, int64_t> warningsPerPlace_;
    int64_t errorCount_ = 0;
    int64_t warningCount_ = 0;
};

}  // namespace kwtool
