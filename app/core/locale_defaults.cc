// Language-dependent unit defaults.
#include "locale_defaults.h"

#include <cstdlib>

#include "setting_text.h"

namespace kw {
UnitDefaults UnitDefaultsForLocale(std::string_view locale) {
    size_t end = locale.find_first_of(".@");
    if (end != std::string_view::npos) locale = locale.substr(0, end);
    size_t sep = locale.find_first_of("_-");
    std::string_view language = locale.substr(0, sep);
    std::string_view territory = sep == std::string_view::npos ? "" : locale.substr(sep + 1);
    if (EqualNoCase(language, "en")) {
        if (EqualNoCase(territory, "US")) return {2, 0};
        if (EqualNoCase(territory, "GB")) return {1, 1};
    }
    return {0, 1};
}

std::string UserLocale() {
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value) return value;
    }
    return "";
}

}  // namespace kw
