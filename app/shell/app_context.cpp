#include "shell/app_context.h"

namespace verosa {

void AppContext::ConversionDeleter::operator()(carrowell::ConversionCtrl* ctrl) const {
  if (!ctrl) return;
  ctrl->RemoveAllItems();
  DeleteCarrowellCtrl(ctrl);
}

AppContext::~AppContext() { Shutdown(false); }

bool AppContext::Initialize(const StartupOptions& options) {
  failure_ = StartupFailure::None;
  if (!settings_.Initialize(options)) return false;
  CreateWorkFolders(settings_.WorkPath());
  conversion_.reset(CreateCarrowellCtrl());
  if (!conversion_) {
    failure_ = StartupFailure::Conversion;
    settings_.ReleaseLanguage();
    return false;
  }
  conversion_->SetOutputFolder(settings_.WorkPath().c_str());
  conversion_->SetSampleRate(settings_.Values().nAudioSampleRate);
  if (!authoring_.Load()) {
    failure_ = StartupFailure::Authoring;
    conversion_.reset();
    settings_.ReleaseLanguage();
    return false;
  }
  if (!preview_.Initialize()) {
    failure_ = StartupFailure::Preview;
    authoring_.Unload();
    conversion_.reset();
    settings_.ReleaseLanguage();
    return false;
  }
  project_.NewProject();
  initialized_ = true;
  return true;
}

void AppContext::Shutdown(bool save_settings) {
  if (!initialized_) return;
  initialized_ = false;
  if (save_settings) settings_.Save();
  settings_.ReleaseLanguage();
  conversion_.reset();
  preview_.ReleaseGraph();
  authoring_.Unload();
  project_.NewProject();
  project_.ClearCells();
}

StartupFailure AppContext::Failure() const {
  return failure_ != StartupFailure::None ? failure_ : settings_.Failure();
}

std::string AppContext::FailureText() const {
  switch (Failure()) {
    case StartupFailure::None: return {};
    case StartupFailure::AlreadyRunning: return "another copy is running";
    case StartupFailure::Language: return "the language component could not be loaded";
    case StartupFailure::DataFile: return "the settings data file could not be read";
    case StartupFailure::Conversion: return "the conversion control could not be created";
    case StartupFailure::Authoring: return "the authoring component could not be loaded: " + authoring_.Error();
    case StartupFailure::Preview: return "the preview player could not be created";
  }
  return {};
}

}  // namespace verosa
