// The plug-in binding (see import_library.h).
#include "app/interchange/import_library.h"

#include <dlfcn.h>

#include <cstring>

#include "platform/path.h"

namespace kw {
namespace {

// A library that keeps answering 1 would otherwise be asked forever.
constexpr int32_t kMostFilters = 64;

template <typename Fn>
Fn Resolve(void *handle, const char *name) {
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

}  // namespace

std::string ImportLibrary::DefaultPath() {
    const std::string directory = platform::ExecutableDirectory();
    return platform::JoinPath(directory.empty() ? "." : directory, kFileName);
}

ImportLibrary::ImportLibrary(const std::string &path) {
    // RTLD_LOCAL: the plug-in's symbols never stand in for the program's own.
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *why = ::dlerror();
        loadError_ = why ? why : "cannot be loaded";
        return;
    }
    importRecipe_ = Resolve<ImportRecipeFn>(handle_, "ImportRecipe");
    getSupportedFormats_ = Resolve<GetSupportedFormatsFn>(handle_, "GetSupportedFormats");
    getBestFilter_ = Resolve<GetBestFilterFn>(handle_, "GetBestFilter");
    if (importRecipe_ && getSupportedFormats_ && getBestFilter_) {
        state_ = State::kLoaded;
        return;
    }
    state_ = State::kIncomplete;
    importRecipe_ = nullptr;
    getSupportedFormats_ = nullptr;
    getBestFilter_ = nullptr;
    ::dlclose(handle_);
    handle_ = nullptr;
}

ImportLibrary::~ImportLibrary() {
    if (handle_) ::dlclose(handle_);
}

std::vector<std::string> ImportLibrary::FormatNames() const {
    std::vector<std::string> names;
    if (state_ != State::kLoaded) return names;
    for (int32_t index = 0; index < kMostFilters; ++index) {
        char name[KWIMPT_FILTER_NAME_SIZE + 1] = {};
        if (getSupportedFormats_(index, name) == 0) break;
        names.emplace_back(name, strnlen(name, KWIMPT_FILTER_NAME_SIZE));
    }
    return names;
}

int32_t ImportLibrary::BestFilter(const char *text) const {
    return state_ == State::kLoaded ? getBestFilter_(text) : -1;
}

int32_t ImportLibrary::ImportRecipe(int32_t *position, const char *text, RecipeImportRecord *record,
                                    int32_t *warnings, int32_t filter, int32_t log) const {
    return state_ == State::kLoaded ? importRecipe_(position, text, record, warnings, filter, log)
                                    : -1;
}

}  // namespace kw
