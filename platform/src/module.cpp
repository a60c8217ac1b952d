#include "platform/module.h"

#include <dlfcn.h>

#include "platform/paths.h"

namespace platform {

std::filesystem::path ComponentLibraryPath(std::string_view name) {
  std::string base(name);
  if (base.find('/') != std::string::npos) return base;
  if (const auto dot = base.rfind('.'); dot != std::string::npos) {
    const std::string ext = base.substr(dot);
    if (ext == ".dll" || ext == ".DLL" || ext == ".so") base.resize(dot);
  }
  if (base.rfind("lib", 0) != 0) base = "lib" + base;
  return LibraryFolder() / (base + ".so");
}

Module::~Module() { Unload(); }

Module::Module(Module&& other) noexcept { *this = std::move(other); }

Module& Module::operator=(Module&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = other.handle_;
    file_ = std::move(other.file_);
    error_ = std::move(other.error_);
    other.handle_ = nullptr;
  }
  return *this;
}

bool Module::Load(std::string_view name) {
  Unload();
  error_.clear();
  file_ = ComponentLibraryPath(name);
  handle_ = ::dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = ::dlerror();
    error_ = why ? why : "cannot load " + file_.string();
    return false;
  }
  return true;
}

void Module::Unload() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
}

void* Module::Symbol(const char* name) const {
  return handle_ ? ::dlsym(handle_, name) : nullptr;
}

}  // namespace platform
