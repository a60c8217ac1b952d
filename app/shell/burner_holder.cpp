#include "shell/burner_holder.h"

namespace verosa {

std::int32_t BurnerHolder::Load(const char* name) {
  if (!name || !*name) return brennock::E_INVALIDARG;
  if (module_.Loaded()) return brennock::E_ACCESSDENIED;
  if (!module_.Load(name)) return brennock::E_HANDLE;
  factory_ = reinterpret_cast<brennock::CreateFunction>(module_.Symbol(brennock::kCreateFunctionName));
  if (!factory_) {
    module_.Unload();
    return brennock::E_NOTIMPL;
  }
  brennock::Burner* burner = nullptr;
  std::int32_t status = factory_(brennock::kIidBurner, &burner);
  if (status >= 0 && !burner) status = brennock::E_FAIL;
  if (status < 0) {
    if (burner) burner->Release();
    factory_ = nullptr;
    module_.Unload();
    return status;
  }
  burner_ = burner;
  return status;
}

void BurnerHolder::Unload() {
  if (burner_) {
    burner_->Release();
    burner_ = nullptr;
  }
  factory_ = nullptr;
  module_.Unload();
}

}  // namespace verosa
