#include "platform/profile.h"

#include <algorithm>
#include <cctype>

#include "platform/ini_file.h"

namespace platform {

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view default_value,
                                    const std::filesystem::path& path, std::size_t max_chars) {
  std::string value(default_value);
  if (const auto ini = IniFile::Load(path))
    if (auto found = ini->Get(section, key)) value = std::move(*found);
  if (value.size() > max_chars) value.resize(max_chars);
  return value;
}

int ParseProfileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 0x80000000LL) value = 0x80000000LL;  // saturate instead of overflowing
  }
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(std::min(value, 0x7FFFFFFFLL));
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int default_value,
                         const std::filesystem::path& path) {
  const auto ini = IniFile::Load(path);
  if (!ini) return default_value;
  const auto value = ini->Get(section, key);
  return value ? ParseProfileInt(*value) : default_value;
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& path) {
  auto ini = IniFile::Load(path);
  if (!ini) return false;
  ini->Set(section, key, value);
  return ini->Save(path);
}

bool GetPrivateProfileStruct(std::string_view section, std::string_view key, void* data,
                             std::size_t size, const std::filesystem::path& path) {
  const auto ini = IniFile::Load(path);
  return ini && ini->GetStruct(section, key, data, size);
}

bool WritePrivateProfileStruct(std::string_view section, std::string_view key,
                               const void* data, std::size_t size,
                               const std::filesystem::path& path) {
  auto ini = IniFile::Load(path);
  if (!ini) return false;
  ini->SetStruct(section, key, data, size);
  return ini->Save(path);
}

}  // namespace platform
