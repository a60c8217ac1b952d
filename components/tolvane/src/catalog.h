// The translations of one language, read from its translation file.
//
// File format (UTF-8): "[Section]" lines start a section; every other line is
// "English=Translation". Both sides use C-style escapes: \\ \= \n \t \r, and a
// backslash before any other character stands for that character (so "\;",
// "\#" and "\[" start a key with ';', '#' or '['). The first unescaped '='
// ends the key. Nothing is trimmed. Lines starting with ';' or '#' are
// comments; blank lines and lines without '=' are skipped; a CR before the
// line feed is dropped. An empty translation means "none".
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

class Catalog {
 public:
  static Catalog Parse(std::string_view text);
  // nullopt when the file cannot be read.
  static std::optional<Catalog> Load(const std::filesystem::path& path);

  // The translation of `english` in `section` (sections match without regard
  // to ASCII case, keys exactly); null when there is none.
  const std::string* Find(std::string_view section, std::string_view english) const;

 private:
  struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  using Entries = std::map<std::string, std::string, std::less<>>;
  std::map<std::string, Entries, NoCaseLess> sections_;
};

// Undoes the escapes of one side of an entry.
std::string Unescape(std::string_view text);

}  // namespace tolvane
