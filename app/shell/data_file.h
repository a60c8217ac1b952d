// The data file "Verosa.DLL": an INI file whose section "Fernlow" carries the
// per-user settings key path in a scrambled form of our own (each byte XORed
// with a position-dependent mask, written as hex).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace verosa {

inline constexpr const char* kDataFileName = "Verosa.DLL";
inline constexpr const char* kDataFileSection = "Fernlow";
inline constexpr const char* kDataFileKeyPathEntry = "RegPath";
inline constexpr const char* kDefaultKeyPath = "Marrowfine\\Verosa";

std::string ScrambleText(const std::string& plain);
std::optional<std::string> UnscrambleText(const std::string& scrambled);

// <common application data folder>/Verosa.DLL, copied from the shipped one
// (<data folder>/Verosa.DLL) when missing. Folders are created; when the
// user's folder cannot be had the shipped file is read as it is. Empty when
// no data file can be found.
std::filesystem::path PrepareDataFile();

// The settings key path the data file carries; nullopt when it has none or
// the entry cannot be read. A path that would leave the configuration folder
// (absolute, "..") is refused.
std::optional<std::string> ReadKeyPath(const std::filesystem::path& data_file);

// Where the values of a key path are kept: <config folder>/<key path>.ini.
std::filesystem::path SettingsFileForKey(const std::string& key_path);

}  // namespace verosa
