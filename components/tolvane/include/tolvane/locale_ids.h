// The interface languages' Windows locale identifiers and the locale names
// of their translation files ("de" for 0x0407). Shared by the component and
// the program, which shows each language by its locale's own name.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tolvane {

struct LocaleId {
  std::uint32_t lcid;
  const char* locale;
};

inline constexpr std::array<LocaleId, 22> kLocaleIds = {{
    {0x0404, "zh_TW"}, {0x0405, "cs"}, {0x0406, "da"}, {0x0407, "de"}, {0x0408, "el"},
    {0x0409, "en"},    {0x040B, "fi"}, {0x040C, "fr"}, {0x040E, "hu"}, {0x0410, "it"},
    {0x0411, "ja"},    {0x0412, "ko"}, {0x0413, "nl"}, {0x0414, "nb"}, {0x0415, "pl"},
    {0x0416, "pt_BR"}, {0x0419, "ru"}, {0x041D, "sv"}, {0x041F, "tr"}, {0x0804, "zh"},
    {0x0816, "pt"},    {0x0C0A, "es"},
}};

// "de" for 0x0407; empty for an identifier we do not know.
inline std::string_view LocaleOfLcid(std::uint32_t lcid) {
  for (const LocaleId& entry : kLocaleIds)
    if (entry.lcid == lcid) return entry.locale;
  return {};
}

// 0x0407 for "de"; 0 for a name we do not know.
inline std::uint32_t LcidOfLocale(std::string_view locale) {
  for (const LocaleId& entry : kLocaleIds)
    if (locale == entry.locale) return entry.lcid;
  return 0;
}

}  // namespace tolvane
