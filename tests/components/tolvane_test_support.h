// Shared set-up of the Tolvane tests: a controlled language environment and
// a data folder of our own.
#pragma once

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace tolvane_test {

// Isolates the user's folders and clears every variable that picks the
// language, so each test starts in English with nothing stored.
class LanguageEnvironment {
 public:
  LanguageEnvironment()
      : forced_("VEROSA_LANGUAGE", ""),
        data_dir_("VEROSA_DATA_DIR", ""),
        lc_all_("LC_ALL", ""),
        lc_messages_("LC_MESSAGES", ""),
        lang_("LANG", "C") {}
  const std::filesystem::path& Root() const { return user_.Root(); }

 private:
  testing_support::IsolatedUser user_;
  testing_support::ScopedEnv forced_, data_dir_, lc_all_, lc_messages_, lang_;
};

// A data folder (VEROSA_DATA_DIR) filled by the test.
class DataFolder {
 public:
  DataFolder() : env_("VEROSA_DATA_DIR", dir_.Path().string()) {
    std::filesystem::create_directories(dir_.Path() / "lang");
  }
  std::filesystem::path Path() const { return dir_.Path(); }
  void AddLanguage(const std::string& locale, const std::string& contents) const {
    testing_support::WriteFile(dir_.Path() / "lang" / (locale + ".ini"), contents);
  }

 private:
  testing_support::ScratchDir dir_;
  testing_support::ScopedEnv env_;
};

}  // namespace tolvane_test
