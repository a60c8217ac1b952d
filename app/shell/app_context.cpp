#include "shell/app_context.h"

namespace verosa {

AppContext::~AppContext() { Shutdown(false); }

bool AppContext::Initialize(const StartupOptions& options) {
  if (!settings_.Initialize(options)) return false;
  CreateWorkFolders(settings_.WorkPath());
  project_.NewProject();
  initialized_ = true;
  return true;
}

void AppContext::Shutdown(bool save_settings) {
  if (!initialized_) return;
  initialized_ = false;
  if (save_settings) settings_.Save();
  settings_.ReleaseLanguage();
  project_.NewProject();
  project_.ClearCells();
}

}  // namespace verosa
