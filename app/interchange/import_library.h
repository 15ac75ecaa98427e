// The import filter plug-in (libkwimpt.so) loaded for the length of one import: dlopen by path,
// the three operations resolved by name, dlclose when the object goes, on every path.
//
// The plug-in's interface is importers/include/kwimpt.h; this class only binds to it at run time,
// so the program runs (and says message 1400) where the plug-in is not installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwimpt.h"

namespace kw {

class ImportLibrary final {
  public:
    enum class State {
        kLoaded,      // the library and all three operations are there
        kNotLoaded,   // the library could not be loaded (message 1400)
        kIncomplete,  // loaded, but an operation is missing (the import stops silently)
    };

    // The plug-in's file name, and where the program looks for it: beside the running program.
    static constexpr char kFileName[] = "libkwimpt.so";
    static std::string DefaultPath();

    // Loads the library at path and resolves ImportRecipe, GetSupportedFormats and GetBestFilter.
    // An incomplete library is unloaded again at once.
    explicit ImportLibrary(const std::string &path);
    ~ImportLibrary();
    ImportLibrary(const ImportLibrary &) = delete;
    ImportLibrary &operator=(const ImportLibrary &) = delete;

    State GetState() const { return state_; }
    // The dynamic loader's reason when the library could not be loaded.
    const std::string &LoadError() const { return loadError_; }

    // The filter names for index 0, 1, 2, ... until the library answers 0.
    std::vector<std::string> FormatNames() const;
    // The best filter for text (NUL-terminated), -1 when none recognises it.
    int32_t BestFilter(const char *text) const;
    int32_t ImportRecipe(int32_t *position, const char *text, RecipeImportRecord *record,
                         int32_t *warnings, int32_t filter, int32_t log) const;

  private:
    using ImportRecipeFn = int32_t (*)(int32_t *, const char *, RecipeImportRecord *, int32_t *,
                                       int32_t, int32_t);
    using GetSupportedFormatsFn = int32_t (*)(int32_t, char *);
    using GetBestFilterFn = int32_t (*)(const char *);

    void *handle_ = nullptr;
    State state_ = State::kNotLoaded;
    std::string loadError_;
    ImportRecipeFn importRecipe_ = nullptr;
    GetSupportedFormatsFn getSupportedFormats_ = nullptr;
    GetBestFilterFn getBestFilter_ = nullptr;
};

}  // namespace kw
