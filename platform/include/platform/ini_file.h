// In-memory INI document with the behaviour of the classic private-profile
// functions: sections and keys are matched without regard to case, a new key
// goes to the end of its section, a new section to the end of the file, and
// values are trimmed of surrounding blanks. Lines that are not touched keep
// their spelling, so reading and writing a file changes only what was set.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

class IniFile {
 public:
  // Reads a file. A missing file gives an empty document; any other read
  // failure gives nullopt and sets `error`.
  static std::optional<IniFile> Load(const std::filesystem::path& path,
                                     std::error_code* error = nullptr);
  static IniFile Parse(std::string_view text);

  std::string Serialize() const;
  // Writes the whole document through a temporary file beside `path` and an
  // atomic rename: the old file is either untouched or fully replaced.
  bool Save(const std::filesystem::path& path, std::error_code* error = nullptr) const;

  bool Empty() const { return sections_.empty(); }

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Line breaks in `value` become spaces: a value is one line.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void RemoveKey(std::string_view section, std::string_view key);
  void RemoveSection(std::string_view section);

  // Byte records in the struct form: two hex digits per byte and a one-byte
  // checksum (low 8 bits of the byte sum). Get fails on a missing entry, a
  // length that does not fit `size` or a checksum mismatch.
  bool GetStruct(std::string_view section, std::string_view key, void* data,
                 std::size_t size) const;
  void SetStruct(std::string_view section, std::string_view key, const void* data,
                 std::size_t size);

  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

 private:
  struct Line {
    std::string raw;          // kept verbatim while the entry is untouched
    std::string key;          // empty for comments, blank lines and the like
    std::string value;
  };
  struct Section {
    std::string name;         // empty for lines before the first header
    bool has_header = false;
    std::string header_raw;
    std::vector<Line> lines;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

std::string EncodeStruct(const void* data, std::size_t size);
bool DecodeStruct(std::string_view text, void* data, std::size_t size);

// Writes `bytes` to `path` through a temporary file in the same folder and a
// rename. Keeps the permission bits of an existing file.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::error_code* error = nullptr);

// Case-insensitive ASCII comparison used for section and key names.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace platform
