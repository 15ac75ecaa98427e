// Start-up and shut-down flags in the settings file.
#include "startup_flags.h"

#include <sys/utsname.h>

#include <algorithm>

#include "setting_keys.h"
#include "setting_text.h"

namespace kw {
namespace {

using platform::Profile;

// Integer keys are read as 64-bit numbers: a start time after 2038 must stay positive, and a
// request flag such as "4294967296" must stay nonzero.
int64_t ReadNumber(const Profile &profile, const char *section, const char *key, const char *def) {
    return LeadingInt64(profile.GetString(section, key, def));
}

// The platform's "major.minor" version, here the kernel release.
std::string PlatformVersion() {
    struct utsname u;
    if (::uname(&u) != 0) return "0.0";
    std::string release = u.release;
    size_t dot = release.find('.');
    int64_t major = LeadingInt64(release);
    int64_t minor = dot == std::string::npos ? 0 : LeadingInt64(release.substr(dot + 1));
    return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

bool LastRunEndedCleanly(const Profile &profile) {
    return ReadNumber(profile, setting::kStatus, setting::kClean, "1") != 0;
}

bool MarkRunStarted(Profile &profile) {
    using namespace setting;
    profile.WriteString(kStatus, kWVersion, PlatformVersion());
    const bool previousRunClean = LastRunEndedCleanly(profile);
    profile.WriteInt(kStatus, kClean, 0);
    profile.Flush();
    return previousRunClean;
}

InstallState ReadInstallState(Profile &profile) {
    using namespace setting;
    InstallState state;
    state.firstRun = ReadNumber(profile, kInstall, kLastUsed, "0") <= 0;
    state.reindexRequested = ReadNumber(profile, kInstall, kReIndex, "0") != 0;
    state.versionChanged =
        profile.GetString(kInstall, kVersion, kDefaultVersion) != kProgramVersion;
    profile.WriteString(kInstall, kVersion, std::string(kProgramVersion));
    return state;
}

bool IndexRebuildNeeded(bool previousRunClean, const InstallState &state) {
    return state.reindexRequested || !previousRunClean || state.versionChanged;
}

std::string DatabaseLocation(const Profile &profile, const std::string &workingDirectory) {
    return profile.GetString(
        setting::kInstall, setting::kLocation,
        *DefaultSettingValue(setting::kInstall, setting::kLocation, "", workingDirectory));
}

bool ClearReIndexRequest(Profile &profile) {
    return profile.WriteString(setting::kInstall, setting::kReIndex, std::nullopt);
}

std::vector<ArchiveFile> FirstRunArchives(const Profile &profile, bool firstRun) {
    std::vector<ArchiveFile> archives;
    if (!firstRun) return archives;
    int64_t count = ReadNumber(profile, setting::kInstall, setting::kFileCount, "0");
    count = std::min<int64_t>(count, kMaxArchiveFiles);
    for (int i = 1; i <= count; ++i) {
        ArchiveFile a;
        a.index = i;
        a.key = setting::ArchiveFileKey(i);
        a.path = profile.GetString(setting::kInstall, a.key, "");
        archives.push_back(std::move(a));
    }
    return archives;
}

bool DeleteArchiveKey(Profile &profile, const ArchiveFile &archive) {
    return profile.WriteString(setting::kInstall, archive.key, std::nullopt);
}

bool DeleteArchiveCount(Profile &profile) {
    return profile.WriteString(setting::kInstall, setting::kFileCount, std::nullopt);
}

bool WriteLastUsed(Profile &profile, int64_t startTime) {
    return profile.WriteString(setting::kInstall, setting::kLastUsed, std::to_string(startTime));
}

bool CategoryFillRequested(const Profile &profile) {
    return ReadNumber(profile, setting::kInstall, setting::kFillRcpRec, "1") != 0;
}

bool ClearCategoryFillRequest(Profile &profile) {
    return profile.WriteInt(setting::kInstall, setting::kFillRcpRec, 0);
}

bool MarkRunEnded(Profile &profile) {
    return profile.WriteInt(setting::kStatus, setting::kClean, 1);
}

}  // namespace kw
