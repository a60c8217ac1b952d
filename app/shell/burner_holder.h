// The disc burner, loaded by name by the Output page when it opens and kept
// until the page goes (one holder per page).
#pragma once

#include <cstdint>
#include <filesystem>

#include "brennock/brennock.h"
#include "platform/module.h"

namespace verosa {

class BurnerHolder {
 public:
  BurnerHolder() = default;
  ~BurnerHolder() { Unload(); }
  BurnerHolder(const BurnerHolder&) = delete;
  BurnerHolder& operator=(const BurnerHolder&) = delete;

  // Loads the component (default "Brennock") and creates its burner.
  // Returns brennock::S_OK or the factory's status; E_INVALIDARG for a null
  // or empty name, E_ACCESSDENIED when already loaded, E_HANDLE when the
  // library cannot be loaded, E_NOTIMPL when it has no Brennock_Create. On
  // failure the holder stays empty.
  std::int32_t Load(const char* name = "Brennock");
  // Releases the burner (its devices and recorders die with it) and frees
  // the library.
  void Unload();

  bool Loaded() const { return burner_ != nullptr; }
  brennock::Burner* Burner() const { return burner_; }
  // The library's full file name (empty when not loaded).
  const std::filesystem::path& FileName() const { return module_.FileName(); }

 private:
  platform::Module module_;
  brennock::CreateFunction factory_ = nullptr;
  brennock::Burner* burner_ = nullptr;
};

}  // namespace verosa
