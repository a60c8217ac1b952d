#include "catalog.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace tolvane {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of the first '=' not preceded by an escaping backslash.
std::size_t FindSeparator(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

bool Catalog::NoCaseLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    c = text[++i];
    switch (c) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      default: out += c; break;
    }
  }
  return out;
}

Catalog Catalog::Parse(std::string_view text) {
  Catalog catalog;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Entries* current = nullptr;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;

    const std::size_t separator = FindSeparator(line);
    if (line[0] == '[' && line.back() == ']' && separator == std::string_view::npos) {
      std::string name(line.substr(1, line.size() - 2));
      current = &catalog.sections_[name];
      continue;
    }
    if (!current || separator == std::string_view::npos || separator == 0) continue;
    std::string value = Unescape(line.substr(separator + 1));
    if (value.empty()) continue;
    (*current)[Unescape(line.substr(0, separator))] = std::move(value);
  }
  return catalog;
}

std::optional<Catalog> Catalog::Load(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return Parse(bytes.str());
}

const std::string* Catalog::Find(std::string_view section, std::string_view english) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return nullptr;
  auto e = s->second.find(english);
  return e == s->second.end() ? nullptr : &e->second;
}

}  // namespace tolvane
