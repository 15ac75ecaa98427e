// Test support: a fresh directory under /tmp for one test, removed with everything in it when the
// object goes, also when an assertion ends the test early. A forked child that leaves with _exit
// never removes it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kw::testing {

class ScratchDir {
  public:
    // prefix names the directory: /tmp/<prefix>XXXXXX.
    explicit ScratchDir(const std::string &prefix) {
        std::string name = "/tmp/" + prefix + "XXXXXX";
        if (::mkdtemp(name.data()) != nullptr) {
            path_ = name;
        } else {
            ADD_FAILURE() << "no scratch directory could be made for " << prefix;
        }
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace kw::testing
