// The one object every page reaches: settings, the project and the current
// theme pictures. Created before the main window, destroyed after it.
#pragma once

#include <string>

#include "project/project_document.h"
#include "shell/settings_store.h"

namespace verosa {

class AppContext {
 public:
  AppContext() = default;
  ~AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // Settings (with the single-instance check and the language component),
  // work folders, then an empty project. False when the program must not run.
  bool Initialize(const StartupOptions& options = {});
  // Saves the settings (when `save_settings`), releases everything in
  // reverse order. Safe to call twice.
  void Shutdown(bool save_settings = true);

  SettingsStore& Settings() { return settings_; }
  ProjectDocument& Project() { return project_; }
  const std::string& MenuPicturePath() const { return menu_picture_path_; }
  void SetMenuPicturePath(const std::string& path) { menu_picture_path_ = path; }
  const std::string& DefaultChapterPicturePath() const { return chapter_picture_path_; }
  void SetDefaultChapterPicturePath(const std::string& path) { chapter_picture_path_ = path; }

 private:
  SettingsStore settings_;
  ProjectDocument project_;
  std::string menu_picture_path_;
  std::string chapter_picture_path_;
  bool initialized_ = false;
};

}  // namespace verosa
