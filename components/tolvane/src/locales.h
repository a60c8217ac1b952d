// Languages: Windows locale identifiers, locale names (the names of the
// translation files) and the choice of the language at start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tolvane/locale_ids.h"

namespace tolvane {


// The translation file of `locale` (DataFolder()/lang/<locale>.ini) when it
// exists and the locale has a known identifier.
std::optional<std::filesystem::path> FindLanguageFile(std::string_view locale);
// Locales with a translation file and a known identifier, sorted by identifier.
std::vector<std::string> InstalledLocales();

// Maps a POSIX locale ("de_DE.UTF-8", "pt-BR", "de") to an installed locale
// name: first language and territory, then the language alone. Empty when
// none is installed.
std::string MatchInstalledLocale(std::string_view posix_locale);

// The language of the environment: the first non-empty of LC_ALL,
// LC_MESSAGES and LANG.
std::string EnvironmentLocale();

// Where the chosen language is stored: ConfigFolder()/Verosa/Tolvane.ini.
std::filesystem::path SettingsFile();
// The stored identifier, if any.
std::optional<std::uint32_t> StoredLanguage();
bool StoreLanguage(std::uint32_t lcid);

// The language to use at start: VEROSA_LANGUAGE, then the stored choice, then
// the environment's language, each only when installed; else English.
std::string ChooseStartLocale();

}  // namespace tolvane
