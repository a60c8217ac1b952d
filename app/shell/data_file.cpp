#include "shell/data_file.h"

#include <cstdint>
#include <sstream>
#include <system_error>

#include "platform/ini_file.h"
#include "platform/paths.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

std::uint8_t Mask(std::size_t i) { return static_cast<std::uint8_t>(0x5A + 7 * i); }

std::vector<std::string> KeyParts(const std::string& key_path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : platform::NativeSeparators(key_path) + "/") {
    if (c != '/') {
      part += c;
      continue;
    }
    if (!part.empty()) parts.push_back(part);
    part.clear();
  }
  return parts;
}

}  // namespace

std::string ScrambleText(const std::string& plain) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain[i]) ^ Mask(i));
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

std::optional<std::string> UnscrambleText(const std::string& scrambled) {
  if (scrambled.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < scrambled.size() / 2; ++i) {
    unsigned value = 0;
    std::istringstream in(scrambled.substr(2 * i, 2));
    if (!(in >> std::hex >> value) || !in.eof()) return std::nullopt;
    out += static_cast<char>(static_cast<std::uint8_t>(value) ^ Mask(i));
  }
  return out;
}

fs::path PrepareDataFile() {
  std::error_code ec;
  const fs::path shipped = platform::DataFolder() / kDataFileName;
  const bool have_shipped = fs::is_regular_file(shipped, ec);
  const fs::path folder = platform::CommonAppDataFolder();
  // The installed data folder is read-only: never write into it.
  if (!platform::CreateFolderPath(folder)) return have_shipped ? shipped : fs::path();
  const fs::path data_file = folder / kDataFileName;
  if (fs::is_regular_file(data_file, ec)) return data_file;
  if (!have_shipped) return {};
  fs::copy_file(shipped, data_file, fs::copy_options::overwrite_existing, ec);
  return ec ? shipped : data_file;
}

std::optional<std::string> ReadKeyPath(const fs::path& data_file) {
  const auto ini = platform::IniFile::Load(data_file);
  if (!ini) return std::nullopt;
  const auto entry = ini->Get(kDataFileSection, kDataFileKeyPathEntry);
  if (!entry) return std::nullopt;
  auto key_path = UnscrambleText(*entry);
  if (!key_path || key_path->empty()) return std::nullopt;
  if (key_path->front() == '/' || key_path->front() == '\\') return std::nullopt;
  const auto parts = KeyParts(*key_path);
  if (parts.empty()) return std::nullopt;
  for (const std::string& part : parts)
    if (part == "." || part == ".." || part.find('\0') != std::string::npos) return std::nullopt;
  return key_path;
}

fs::path SettingsFileForKey(const std::string& key_path) {
  fs::path file = platform::ConfigFolder();
  for (const std::string& part : KeyParts(key_path)) file /= part;
  return file.string() + ".ini";
}

}  // namespace verosa
