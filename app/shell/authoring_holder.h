// The authoring component, loaded by name once at start-up and kept until
// the program ends.
#pragma once

#include <filesystem>
#include <string>

#include "platform/module.h"
#include "tessaly/tessaly.h"

namespace verosa {

class AuthoringHolder {
 public:
  AuthoringHolder() = default;
  ~AuthoringHolder() { Unload(); }
  AuthoringHolder(const AuthoringHolder&) = delete;
  AuthoringHolder& operator=(const AuthoringHolder&) = delete;

  // Loads `name` (default "Tessaly") and creates its control. False when
  // already loaded, or when the library, its export or the object is
  // missing; Error() then says which.
  bool Load(const std::string& name = "Tessaly");
  // Shuts the control down, releases it and frees the library.
  void Unload();

  bool Loaded() const { return ctrl_ != nullptr; }
  tessaly::TessalyCtrl* Ctrl() const { return ctrl_; }
  const std::filesystem::path& FileName() const { return module_.FileName(); }
  const std::string& Error() const { return error_; }

 private:
  platform::Module module_;
  tessaly::TessalyCtrl* ctrl_ = nullptr;
  std::string error_;
};

}  // namespace verosa
