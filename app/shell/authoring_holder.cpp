#include "shell/authoring_holder.h"

namespace verosa {

bool AuthoringHolder::Load(const std::string& name) {
  if (module_.Loaded()) {
    error_ = "the authoring component is already loaded";
    return false;
  }
  if (!module_.Load(name)) {
    error_ = module_.Error();
    return false;
  }
  using Factory = tessaly::TessalyCtrl* (*)();
  auto create = reinterpret_cast<Factory>(module_.Symbol("CreateTessalyCtrl"));
  if (!create) {
    error_ = module_.FileName().string() + " has no CreateTessalyCtrl";
    module_.Unload();
    return false;
  }
  ctrl_ = create();
  if (!ctrl_) {
    error_ = module_.FileName().string() + " could not create its control";
    module_.Unload();
    return false;
  }
  error_.clear();
  return true;
}

void AuthoringHolder::Unload() {
  if (ctrl_) {
    ctrl_->ShutDown();
    ctrl_->Release();
    ctrl_ = nullptr;
  }
  module_.Unload();
}

}  // namespace verosa
