// Loading our components by name: "Tolvane.dll" and "Tolvane" both resolve to
// libTolvane.so in the library folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

class Module {
 public:
  Module() = default;
  ~Module();
  Module(Module&& other) noexcept;
  Module& operator=(Module&& other) noexcept;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Loads a component by its name or a library by path. On failure the
  // module stays empty and Error() says why.
  bool Load(std::string_view name);
  void Unload();
  bool Loaded() const { return handle_ != nullptr; }
  void* Symbol(const char* name) const;
  const std::filesystem::path& FileName() const { return file_; }
  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::filesystem::path file_;
  std::string error_;
};

// The library file a component name stands for.
std::filesystem::path ComponentLibraryPath(std::string_view name);

}  // namespace platform
