// The one object every page reaches: settings, the conversion control, the
// authoring component, the project and the current theme pictures. Created
// before the main window, destroyed after it.
#pragma once

#include <memory>
#include <string>

#include "carrowell/conversion_ctrl.h"
#include "preview/preview_player.h"
#include "project/project_document.h"
#include "shell/authoring_holder.h"
#include "shell/settings_store.h"

namespace verosa {

class AppContext {
 public:
  AppContext() = default;
  ~AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // Settings (with the single-instance check and the language component),
  // work folders, the conversion control (work folder, sample rate), the
  // authoring component, the preview player (no sound device is needed
  // before it plays), then an empty project. False when the program must
  // not run; Failure() and FailureText() say why.
  bool Initialize(const StartupOptions& options = {});
  // Saves the settings (when `save_settings`), releases everything in
  // reverse order. Safe to call twice.
  void Shutdown(bool save_settings = true);
  StartupFailure Failure() const;
  std::string FailureText() const;

  SettingsStore& Settings() { return settings_; }
  carrowell::ConversionCtrl& Conversion() { return *conversion_; }
  AuthoringHolder& Authoring() { return authoring_; }
  PreviewPlayer& Preview() { return preview_; }
  ProjectDocument& Project() { return project_; }
  const std::string& MenuPicturePath() const { return menu_picture_path_; }
  void SetMenuPicturePath(const std::string& path) { menu_picture_path_ = path; }
  const std::string& DefaultChapterPicturePath() const { return chapter_picture_path_; }
  void SetDefaultChapterPicturePath(const std::string& path) { chapter_picture_path_ = path; }

 private:
  struct ConversionDeleter {
    void operator()(carrowell::ConversionCtrl* ctrl) const;
  };

  SettingsStore settings_;
  std::unique_ptr<carrowell::ConversionCtrl, ConversionDeleter> conversion_;
  AuthoringHolder authoring_;
  PreviewPlayer preview_;
  ProjectDocument project_;
  std::string menu_picture_path_;
  std::string chapter_picture_path_;
  StartupFailure failure_ = StartupFailure::None;
  bool initialized_ = false;
};

}  // namespace verosa
