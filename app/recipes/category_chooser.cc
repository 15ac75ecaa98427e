// The category chooser's model (see category_chooser.h).
#include "app/recipes/category_chooser.h"

#include "app/recipes/category_store.h"
#include "app/recipes/name_compare.h"

namespace kw {

CategoryChooser::CategoryChooser(CKWDatabase &database, std::string title, std::string category,
                                 bool change_mode)
    : database_(database),
      title_(std::move(title)),
      change_mode_(change_mode),
      entries_(recipedb::CategoryNames(database)),
      category_(std::move(category)) {}

void CategoryChooser::SetCategoryText(std::string text, MessageSink &sink) {
    if (text.size() > kMaxCategoryLength) {
        sink.Say(701, {}, Icon::kExclamation);
        text.resize(kMaxCategoryLength);
    }
    category_ = std::move(text);
}

bool CategoryChooser::OkEnabled() const {
    if (category_.empty()) return false;
    return change_mode_ || (name_.size() >= kMinNameLength && name_.size() <= kMaxNameLength);
}

bool CategoryChooser::Accept(MessageSink &sink) {
    if (!OkEnabled()) return false;
    for (const std::string &entry : entries_) {
        if (entry == category_) return true;
    }
    // The category index ignores case: "soups" is the listed "Soups", not a new category.
    for (const std::string &entry : entries_) {
        if (EqualsIgnoringCase(entry, category_)) {
            category_ = entry;
            return true;
        }
    }
    if (sink.Say(700, {category_}, Icon::kQuestion, Buttons::kYesNo) != Answer::kYes) {
        category_.clear();
        return false;
    }
    KWRESULT r = recipedb::InsertCategory(database_, category_);
    if (r != KW_OK && r != BTERR_DUPLICATE) {
        sink.Say(400, {}, Icon::kExclamation);
        return false;
    }
    entries_.push_back(category_);
    return true;
}

}  // namespace kw
