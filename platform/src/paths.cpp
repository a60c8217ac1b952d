#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" from user-dirs.dirs.
std::string DocumentsFromUserDirs() {
  std::ifstream in(ConfigFolder() / "user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(kKey, 0) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = HomeFolder().string() + value.substr(5);
    return value;
  }
  return {};
}

bool IsPrivateFolder(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 077) == 0;
}

}  // namespace

fs::path ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return exe.parent_path();
}

fs::path LibraryFolder() {
  return (ProgramFolder() / ".." / "lib" / "verosa").lexically_normal();
}

fs::path DataFolder() {
  const std::string overridden = Env("VEROSA_DATA_DIR");
  if (!overridden.empty()) return overridden;
  return (ProgramFolder() / ".." / "share" / "verosa").lexically_normal();
}

fs::path HomeFolder() {
  std::string home = Env("HOME");
  if (home.empty())
    if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
  return home.empty() ? fs::path("/") : fs::path(home);
}

fs::path ConfigFolder() {
  const std::string config = Env("XDG_CONFIG_HOME");
  return config.empty() ? HomeFolder() / ".config" : fs::path(config);
}

fs::path DocumentsFolder() {
  std::string docs = Env("XDG_DOCUMENTS_DIR");
  if (docs.empty()) docs = DocumentsFromUserDirs();
  return docs.empty() ? HomeFolder() / "Documents" : fs::path(docs);
}

fs::path CommonAppDataFolder() {
  const std::string data = Env("XDG_DATA_HOME");
  return (data.empty() ? HomeFolder() / ".local" / "share" : fs::path(data)) / "Verosa";
}

fs::path PrivateTempFolder() {
  std::string base = Env("TMPDIR");
  if (base.empty()) base = "/tmp";
  const fs::path folder = fs::path(base) / ("verosa-" + std::to_string(::getuid()));
  if (::mkdir(folder.c_str(), 0700) == 0 || IsPrivateFolder(folder)) return folder;
  // The name is taken by something we do not own: make a fresh one.
  std::string templ = (fs::path(base) / ("verosa-" + std::to_string(::getuid()) + "-XXXXXX"))
                          .string();
  if (::mkdtemp(templ.data())) return templ;
  return {};
}

bool CreateFolderPath(const fs::path& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

std::string NativeSeparators(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

}  // namespace platform
