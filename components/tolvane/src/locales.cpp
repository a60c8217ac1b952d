#include "locales.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <system_error>

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tolvane {
namespace fs = std::filesystem;

namespace {

constexpr const char* kSettingsSection = "Tolvane";
constexpr const char* kSettingsKey = "Language";

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

std::optional<fs::path> FindLanguageFile(std::string_view locale) {
  if (LcidOfLocale(locale) == 0) return std::nullopt;
  fs::path file = platform::DataFolder() / "lang" / (std::string(locale) + ".ini");
  if (!IsRegularFile(file)) return std::nullopt;
  return file;
}

std::vector<std::string> InstalledLocales() {
  std::vector<std::string> locales;
  for (const auto& entry : kLocaleIds)
    if (FindLanguageFile(entry.locale)) locales.emplace_back(entry.locale);
  return locales;
}

std::string MatchInstalledLocale(std::string_view posix_locale) {
  std::string name(posix_locale.substr(0, posix_locale.find_first_of(".@")));
  std::replace(name.begin(), name.end(), '-', '_');
  if (name.empty() || name == "C" || name == "POSIX") return {};
  const std::string language = name.substr(0, name.find('_'));
  for (const std::string& candidate : {name, language})
    if (FindLanguageFile(candidate)) return candidate;
  return {};
}

std::string EnvironmentLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

fs::path SettingsFile() { return platform::ConfigFolder() / "Verosa" / "Tolvane.ini"; }

std::optional<std::uint32_t> StoredLanguage() {
  auto ini = platform::IniFile::Load(SettingsFile());
  if (!ini) return std::nullopt;
  auto text = ini->Get(kSettingsSection, kSettingsKey);
  if (!text || text->empty()) return std::nullopt;
  std::uint32_t lcid = 0;
  const char* end = text->data() + text->size();
  auto [ptr, ec] = std::from_chars(text->data(), end, lcid);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return lcid;
}

bool StoreLanguage(std::uint32_t lcid) {
  const fs::path file = SettingsFile();
  if (!platform::CreateFolderPath(file.parent_path())) return false;
  auto ini = platform::IniFile::Load(file);
  if (!ini) return false;
  ini->Set(kSettingsSection, kSettingsKey, std::to_string(lcid));
  return ini->Save(file);
}

std::string ChooseStartLocale() {
  if (const char* forced = std::getenv("VEROSA_LANGUAGE"); forced && *forced) {
    std::string locale = MatchInstalledLocale(forced);
    if (!locale.empty()) return locale;
  }
  if (auto stored = StoredLanguage()) {
    std::string locale(LocaleOfLcid(*stored));
    if (!locale.empty() && FindLanguageFile(locale)) return locale;
  }
  std::string locale = MatchInstalledLocale(EnvironmentLocale());
  return locale.empty() ? "en" : locale;
}

}  // namespace tolvane
