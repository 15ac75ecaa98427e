// The message table and the sinks. Numbers are the ones the program has always used; keep the
// table sorted by number and the texts byte for byte.
#include "messages.h"

#include <algorithm>
#include <iterator>

namespace kw {
namespace {

struct Entry {
    int id;
    const char *text;
};

constexpr Entry kMessages[] = {
    {400, "Failed to save record"},
    {500, "Preparation time too long"},
    {501, "Total time too long"},
    {502, "Preparation time greater than total time"},
    {503, "Are you sure you want to delete the Recipe"},
    {504,
     "Calorie calculation is incorrect because some of the ingredients are specified in "
     "units for which Kettleworth does not have accurate data or the data is unavailable."},
    {505, "Failed to change category"},
    {506, "Failed to rename Recipe"},
    {507, "Error in Ingredient List.\nCheck ingredients and resave."},
    {508,
     "Failed to save Recipe.\nCheck that you have not included the same Ingredient more "
     "than once in the Ingredient list."},
    {509, "Error in quantity"},
    {510, "Error in measurement type."},
    {511,
     "Cost calculation is incorrect because some of the ingredients are specified in units "
     "for which Kettleworth does not have accurate data or the data is unavailable."},
    {512, "Missing Ingredient Name"},
    {513, "A field is too long in the Ingredients list.  It will be truncated."},
    {604, "Unknown Ingredient '%1'"},
    {605,
     "Cannot edit Categories while any Recipes, Ingredients, Meals or Lists are being "
     "viewed\rClose all windows first"},
    {606, "Not a valid Kettleworth Export File"},
    {607, "This version of Kettleworth cannot load this file"},
    {609, "Failed to create new Recipe category because it already exists."},
    {700, "Do you want to add '%1' as a new recipe category"},
    {701, "Category too long"},
    {800, "Set List title before saving"},
    {801, "Are you sure you want to delete the List"},
    {802, "%1 Item(s)"},
    {803, "Do you really want to clear the list"},
    {804, "Failed to save.  You have duplicate entries in the list."},
    {900, "Are you sure you want to delete the Ingredient"},
    {901, "Failed to rename Ingredient"},
    {1000,
     "There are %1 Recipe(s) with this category.  Are you sure you want to delete the "
     "Recipes and category?"},
    {1001,
     "Renaming the category will also recategorize all the Recipes which have this "
     "category\nDo you really want to rename this category?"},
    {1002, "This category already exists\n\nDo you want to rename it anyway"},
    {1003,
     "There are %1 Recipe(s) with this as a secondary category. Do you want this category "
     "to be deleted and removed from all Recipes? (No Recipes will be deleted)."},
    {1100, "File error %1"},
    {1101,
     "Kettleworth was not shut down properly last time it was run.  Your database may be "
     "corrupted.\nIf your database is corrupted you can restore the data from your last "
     "session.  Do you want to restore the data now?"},
    {1200, "Preparation type '%1' not found in the database.  Do you want to add it?"},
    {1400, "No Import Filters Installed"},
    {1401,
     "%1 Error(s) and %2 warning(s) were found while importing the recipes.\nYou may need "
     "to check your database for errors."},
    {1402, "Some recipes have not been imported."},
    {1403, "%1 Recipe(s) imported"},
    {1404, "Nothing to paste"},
    {1600, "Database Engine\tVersion %1"},
    {1601, "Time custom control\tVersion %1"},
    {1602, "Import filters\tVersion %1"},
    {1603, "Grid Control\tVersion %1"},
    {1700, "%1 Recipe(s) match"},
    {1704, "Unit '%1' unknown - assuming \"Item(s)\" instead."},
};

}  // namespace

const char *MessageText(int id) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), id,
                               [](const Entry &e, int v) { return e.id < v; });
    return it != std::end(kMessages) && it->id == id ? it->text : nullptr;
}

std::string FillPlaceholders(const std::string &text, const std::vector<std::string> &args) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            size_t n = static_cast<size_t>(text[i + 1] - '1');
            if (n < args.size()) out += args[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatMessage(int id, const std::vector<std::string> &args) {
    const char *text = MessageText(id);
    return text ? FillPlaceholders(text, args) : std::string();
}

std::string FillDecimals(const std::string &text, const std::vector<long long> &values) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'd' && next < values.size()) {
            out += std::to_string(values[next++]);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

Answer MessageSink::Say(int id, const std::vector<std::string> &args, Icon icon, Buttons buttons) {
    UserMessage m;
    m.id = id;
    m.text = FormatMessage(id, args);
    m.icon = icon;
    m.buttons = buttons;
    return Show(m);
}

Answer MessageSink::SayText(const std::string &text, Icon icon, Buttons buttons) {
    UserMessage m;
    m.text = text;
    m.icon = icon;
    m.buttons = buttons;
    return Show(m);
}

Answer SilentSink::Show(const UserMessage &message) {
    if (message.buttons == Buttons::kOk) return Answer::kOk;
    return answer_;
}

Answer RecordingSink::Show(const UserMessage &message) {
    messages_.push_back(message);
    if (message.buttons == Buttons::kOk) return Answer::kOk;
    if (script_.empty()) return fallback_;
    Answer a = script_.front();
    script_.pop_front();
    return a;
}

std::vector<int> RecordingSink::Ids() const {
    std::vector<int> ids;
    for (const auto &m : messages_)
        ids.push_back(m.id);
    return ids;
}

}  // namespace kw
