// Reading and clamping the engine's "Cache" settings.
#include "settings.h"

#include <algorithm>
#include <climits>

#include "platform/path.h"
#include "platform/profile.h"

namespace kw::engine {
namespace {

// Values are read as text of at most this many characters before conversion.
constexpr size_t kMaxSettingText = 260;

int32_t ReadValue(const platform::Profile &ini, const char *key, const char *def) {
    return DecimalToInt(ini.GetString(kCacheSection, key, def, kMaxSettingText));
}

}  // namespace

std::string SettingsPath() {
    return platform::JoinPath(platform::WorkingDirectory(), kSettingsFileName);
}

int32_t DecimalToInt(const std::string &text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > int64_t{INT32_MAX} + 1) break;  // saturates below
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

Settings ReadSettings(const std::string &path) {
    platform::Profile ini(path);
    Settings s;
    s.btreeBuffers = std::clamp(ReadValue(ini, "BtreeBuffers", "20"), 0, 255);
    s.storeBuffers = std::max(ReadValue(ini, "StoreBuffers", "20"), 0);
    s.btreeType = std::clamp(ReadValue(ini, "BtreeType", "2"), 0, 2);
    s.storeType = std::clamp(ReadValue(ini, "StoreType", "2"), 0, 2);
    return s;
}

}  // namespace kw::engine
