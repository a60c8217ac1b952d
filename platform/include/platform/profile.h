// The private-profile functions: one entry per call against a file path.
// Each write reads the file, changes one entry and replaces the file
// atomically. Callers that write many entries build an IniFile and save once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Longest value a profile string read returns (the classic 4096-byte buffer).
inline constexpr std::size_t kProfileStringMax = 4095;

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view default_value,
                                    const std::filesystem::path& path,
                                    std::size_t max_chars = kProfileStringMax);
// A decimal read that stops at the first non-digit (an optional sign first);
// `default_value` when the key is absent, 0 when its value is empty.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int default_value,
                         const std::filesystem::path& path);
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& path);
bool GetPrivateProfileStruct(std::string_view section, std::string_view key, void* data,
                             std::size_t size, const std::filesystem::path& path);
bool WritePrivateProfileStruct(std::string_view section, std::string_view key,
                               const void* data, std::size_t size,
                               const std::filesystem::path& path);

// The same decimal conversion for text already read.
int ParseProfileInt(std::string_view text);

}  // namespace platform
