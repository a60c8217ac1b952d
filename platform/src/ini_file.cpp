#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kLineEnd = "\r\n";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

std::string OneLine(std::string_view value) {
  std::string out(value);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    const std::string_view trimmed = Trim(raw);
    if (!trimmed.empty() && trimmed.front() == '[') {
      auto close = trimmed.find(']');
      Section section;
      section.name = std::string(Trim(trimmed.substr(1, close == std::string_view::npos
                                                             ? std::string_view::npos
                                                             : close - 1)));
      section.has_header = true;
      section.header_raw = std::string(raw);
      ini.sections_.push_back(std::move(section));
      continue;
    }
    if (ini.sections_.empty()) ini.sections_.push_back(Section{});
    Line line;
    line.raw = std::string(raw);
    const auto eq = raw.find('=');
    if (eq != std::string_view::npos && trimmed.front() != ';') {
      line.key = std::string(Trim(raw.substr(0, eq)));
      line.value = std::string(Trim(raw.substr(eq + 1)));
    }
    ini.sections_.back().lines.push_back(std::move(line));
  }
  return ini;
}

std::optional<IniFile> IniFile::Load(const fs::path& path, std::error_code* error) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return IniFile{};
  if (fs::is_directory(path, ec)) {
    if (error) *error = std::make_error_code(std::errc::is_a_directory);
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = std::error_code(errno, std::generic_category());
    return std::nullopt;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    if (error) *error = std::make_error_code(std::errc::io_error);
    return std::nullopt;
  }
  return Parse(buffer.str());
}

std::string IniFile::Serialize() const {
  std::string out;
  for (const Section& section : sections_) {
    if (section.has_header) {
      out += section.header_raw;
      out += kLineEnd;
    }
    for (const Line& line : section.lines) {
      out += line.raw;
      out += kLineEnd;
    }
  }
  return out;
}

bool IniFile::Save(const fs::path& path, std::error_code* error) const {
  return WriteFileAtomically(path, Serialize(), error);
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  for (Section& s : sections_)
    if (s.has_header && EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  return const_cast<IniFile*>(this)->FindSection(name);
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  for (const Line& line : s->lines)
    if (!line.key.empty() && EqualsNoCase(line.key, key)) return line.value;
  return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (!s) {
    Section fresh;
    fresh.name = std::string(section);
    fresh.has_header = true;
    fresh.header_raw = "[" + fresh.name + "]";
    sections_.push_back(std::move(fresh));
    s = &sections_.back();
  }
  const std::string clean = OneLine(value);
  for (Line& line : s->lines) {
    if (!line.key.empty() && EqualsNoCase(line.key, key)) {
      line.value = std::string(Trim(clean));
      line.raw = line.key + "=" + clean;
      return;
    }
  }
  Line line;
  line.key = std::string(key);
  line.value = std::string(Trim(clean));
  line.raw = line.key + "=" + clean;
  // A new key goes after the section's last entry, before trailing blank lines.
  auto insert_at = s->lines.end();
  while (insert_at != s->lines.begin() && Trim(std::prev(insert_at)->raw).empty()) --insert_at;
  s->lines.insert(insert_at, std::move(line));
}

void IniFile::RemoveKey(std::string_view section, std::string_view key) {
  if (Section* s = FindSection(section)) {
    std::erase_if(s->lines, [&](const Line& line) {
      return !line.key.empty() && EqualsNoCase(line.key, key);
    });
  }
}

void IniFile::RemoveSection(std::string_view section) {
  std::erase_if(sections_, [&](const Section& s) {
    return s.has_header && EqualsNoCase(s.name, section);
  });
}

bool IniFile::GetStruct(std::string_view section, std::string_view key, void* data,
                        std::size_t size) const {
  const auto value = Get(section, key);
  return value && DecodeStruct(*value, data, size);
}

void IniFile::SetStruct(std::string_view section, std::string_view key, const void* data,
                        std::size_t size) {
  Set(section, key, EncodeStruct(data, size));
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : sections_)
    if (s.has_header) names.push_back(s.name);
  return names;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section))
    for (const Line& line : s->lines)
      if (!line.key.empty()) keys.push_back(line.key);
  return keys;
}

std::string EncodeStruct(const void* data, std::size_t size) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::string out;
  out.reserve(size * 2 + 2);
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 0xF];
    sum = static_cast<std::uint8_t>(sum + bytes[i]);
  }
  out += kHex[sum >> 4];
  out += kHex[sum & 0xF];
  return out;
}

bool DecodeStruct(std::string_view text, void* data, std::size_t size) {
  if (text.size() != size * 2 + 2) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::vector<std::uint8_t> bytes(size + 1);
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    const int hi = nibble(text[2 * i]);
    const int lo = nibble(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    if (i < size) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  }
  if (bytes[size] != sum) return false;
  std::copy_n(bytes.begin(), size, static_cast<std::uint8_t*>(data));
  return true;
}

bool WriteFileAtomically(const fs::path& path, std::string_view bytes, std::error_code* error) {
  auto fail = [&](int err) {
    if (error) *error = std::error_code(err, std::generic_category());
    return false;
  };
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  // ".NAME.XXXXXX" beside the file; a name or path that long would pass the
  // system's limits (NAME_MAX, PATH_MAX) where the file itself does not, so
  // such a file gets the short ".XXXXXX".
  // Appended piece by piece: GCC 12 misreads "." + std::string&& (an insert
  // at 0) as an overlapping copy under -O2 (-Wrestrict).
  std::string name = ".";
  name += path.filename().native();
  name += ".XXXXXX";
  if (name.size() > NAME_MAX || (folder / name).native().size() >= PATH_MAX) name = ".XXXXXX";
  std::string templ = (folder / name).string();
  const int fd = mkstemp(templ.data());
  if (fd < 0) return fail(errno);

  struct stat st {};
  mode_t mode = 0644;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      ::close(fd);
      ::unlink(templ.c_str());
      return fail(EISDIR);
    }
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);

  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(templ.c_str());
      return fail(err);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int err = errno;
    ::unlink(templ.c_str());
    return fail(err);
  }
  if (std::rename(templ.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(templ.c_str());
    return fail(err);
  }
  return true;
}

}  // namespace platform
