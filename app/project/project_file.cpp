#include "project/project_file.h"

#include <algorithm>
#include <string>
#include <variant>

#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace verosa {
namespace fs = std::filesystem;
using platform::IniFile;

namespace {

std::string Numbered(const char* name, int i) { return name + std::to_string(i); }

// Reads through one loaded document with the value rules of the format.
class Reader {
 public:
  explicit Reader(const IniFile& ini) : ini_(ini) {}

  std::string String(const std::string& section, const char* key) const {
    std::string value = ini_.Get(section, key).value_or("");
    if (value.size() > platform::kProfileStringMax) value.resize(platform::kProfileStringMax);
    return value;
  }
  int Int(const std::string& section, const char* key, int fallback = 0) const {
    const auto value = ini_.Get(section, key);
    return value ? platform::ParseProfileInt(*value) : fallback;
  }
  bool Struct(const std::string& section, const char* key, void* data, std::size_t size) const {
    return ini_.GetStruct(section, key, data, size);
  }

 private:
  const IniFile& ini_;
};

// A stored path as this system finds it: backslashes of older files become
// separators, and relative paths start at the project file's folder.
std::string ResolvePath(const std::string& stored, const fs::path& project_folder) {
  if (stored.empty()) return stored;
  std::error_code ec;
  for (const std::string& candidate : {stored, platform::NativeSeparators(stored)}) {
    fs::path p(candidate);
    if (p.is_relative()) p = project_folder / p;
    if (fs::is_regular_file(p, ec)) return p.lexically_normal().string();
  }
  return stored;
}

// Highest n of the sections named prefix + n; -1 when there is none.
int LastNumberedSection(const IniFile& ini, std::string_view prefix) {
  int last = -1;
  for (const std::string& name : ini.SectionNames()) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9) continue;
    if (!platform::EqualsNoCase(std::string_view(name).substr(0, prefix.size()), prefix)) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    last = std::max(last, std::stoi(digits));
  }
  return last;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// A header member as the file writes it.
std::string MemberText(const ProjectHeader& h, const HeaderField::Member& member) {
  if (const auto* text = std::get_if<std::string ProjectHeader::*>(&member)) return h.**text;
  return std::to_string(h.*std::get<std::int32_t ProjectHeader::*>(member));
}

void ReadHeaderField(const Reader& r, const HeaderField& field, ProjectHeader& h) {
  const bool constant = field.rule == HeaderFieldRule::Constant;
  if (const auto* text = std::get_if<std::string ProjectHeader::*>(&field.member))
    h.**text = constant ? field.fixed : r.String(field.section, field.key);
  else
    h.*std::get<std::int32_t ProjectHeader::*>(field.member) =
        constant ? platform::ParseProfileInt(field.fixed)
                 : r.Int(field.section, field.key, field.absent);
}

}  // namespace

bool WriteProjectFile(const fs::path& path, const ProjectDocument& document,
                      std::error_code* error) {
  IniFile ini;
  auto put = [&ini](const std::string& section, const char* key, const std::string& value) {
    ini.Set(section, key, value);
  };
  auto put_int = [&ini](const std::string& section, const char* key, int value) {
    ini.Set(section, key, std::to_string(value));
  };

  for (const HeaderField& field : kHeaderFields) {
    // A key added later is left out at its default, so such files stay as
    // they were.
    if (field.omitted_when_absent && MemberText(document.Header(), field.member) == std::to_string(field.absent))
      continue;
    put(field.section, field.key,
        field.rule == HeaderFieldRule::Stored ? MemberText(document.Header(), field.member)
                                              : field.fixed);
  }

  const auto& menus = document.MenuCells();
  for (std::size_t i = 0; i < menus.size(); ++i) {
    const std::string section = Numbered("MenuCell", static_cast<int>(i));
    put_int(section, "MenuType", menus[i].MenuType);
    put_int(section, "StillTime", menus[i].StillTime);
    put(section, "MenuBmpFilePath", menus[i].MenuBmpFilePath);
  }

  const auto& audio = document.AudioCells();
  const auto& video = document.VideoCells();
  for (std::size_t j = 0; j < audio.size() && j < video.size(); ++j) {
    const AudioCell& a = audio[j];
    const std::string as = Numbered("AudioCell", static_cast<int>(j));
    put(as, "AudioFilePath", a.AudioFilePath);
    put_int(as, "TitleIndex", a.TitleIndex);
    put_int(as, "ChapterIndex", a.ChapterIndex);
    put_int(as, "AudioTotalTime", a.AudioTotalTime);
    put_int(as, "AudioCodingMode", a.AudioCodingMode);
    put_int(as, "AudioSampleRate", a.AudioSampleRate);
    put_int(as, "AudioBitsPerSample", a.AudioBitsPerSample);
    put_int(as, "AudioChannels", a.AudioChannels);
    put_int(as, "AudioBitsPerSecond", a.AudioBitsPerSecond);
    put_int(as, "UseLyric", a.UseLyric);
    put(as, "LyricFilePath", a.LyricFilePath);
    const auto font = a.LyricFont.ToBytes();
    ini.SetStruct(as, "LyricFont", font.data(), font.size());
    const auto color = ColorRefBytes(a.LyricColor);
    ini.SetStruct(as, "LyricColor", color.data(), color.size());

    const VideoCell& v = video[j];
    const std::string vs = Numbered("VideoCell", static_cast<int>(j));
    put(vs, "VideoFilePath", v.VideoFilePath);
    put_int(vs, "TitleIndex", v.TitleIndex);
    put_int(vs, "ChapterIndex", v.ChapterIndex);
    put_int(vs, "VideoTotalTime", v.VideoTotalTime);
  }
  return ini.Save(path, error);
}

bool ReadProjectHeader(const fs::path& path, ProjectHeader& header) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  const auto ini = IniFile::Load(path);
  if (!ini) return false;
  const Reader r(*ini);

  ProjectHeader h = header;
  for (const HeaderField& field : kHeaderFields) ReadHeaderField(r, field, h);
  for (const HeaderField& field : kHeaderFields)
    if (field.rule == HeaderFieldRule::Checked && MemberText(h, field.member) != field.fixed)
      return false;
  header = std::move(h);
  return true;
}

bool ReadProjectCells(const fs::path& path, ProjectDocument& document,
                      std::vector<DroppedChapter>* dropped, int* empty_cells) {
  const auto ini = IniFile::Load(path);
  if (!ini) return false;
  const Reader r(*ini);
  const fs::path folder = path.parent_path();
  const ProjectHeader& h = document.Header();

  // Counts are not trusted: the walk ends after the last numbered section
  // that is present, so a huge count in a damaged file costs nothing.
  const int menu_walk = std::min(h.MenuCellTotalNum, LastNumberedSection(*ini, "MenuCell") + 1);
  for (int i = 0; i < menu_walk; ++i) {
    const std::string section = Numbered("MenuCell", i);
    MenuCell m;
    m.MenuType = r.Int(section, "MenuType", 2);
    m.StillTime = r.Int(section, "StillTime", 5);
    m.MenuBmpFilePath = r.String(section, "MenuBmpFilePath");
    document.MenuCells().push_back(std::move(m));
  }
  document.Header().MenuCellTotalNum = static_cast<int>(document.MenuCells().size());

  const int announced = h.AudioCellTotalNum;
  const int walk = std::min(announced, LastNumberedSection(*ini, "AudioCell") + 1);
  int loaded = 0;
  int empty = std::max(announced - std::max(walk, 0), 0);
  for (int i = 0; i < walk; ++i) {
    const std::string as = Numbered("AudioCell", i);
    const std::string vs = Numbered("VideoCell", i);
    AudioCell a;
    a.AudioFilePath = ResolvePath(r.String(as, "AudioFilePath"), folder);
    if (!FileExists(a.AudioFilePath)) {
      if (a.AudioFilePath.empty() && r.String(vs, "VideoFilePath").empty())
        ++empty;
      else if (dropped)
        dropped->push_back({i, DroppedChapter::Reason::MissingAudio, a.AudioFilePath});
      continue;
    }
    a.TitleIndex = r.Int(as, "TitleIndex");
    a.ChapterIndex = r.Int(as, "ChapterIndex");
    a.AudioTotalTime = r.Int(as, "AudioTotalTime");
    a.AudioCodingMode = r.Int(as, "AudioCodingMode");
    a.AudioSampleRate = r.Int(as, "AudioSampleRate");
    a.AudioBitsPerSample = r.Int(as, "AudioBitsPerSample");
    a.AudioChannels = r.Int(as, "AudioChannels");
    a.AudioBitsPerSecond = r.Int(as, "AudioBitsPerSecond");
    a.UseLyric = r.Int(as, "UseLyric");
    a.LyricFilePath = ResolvePath(r.String(as, "LyricFilePath"), folder);
    std::array<std::uint8_t, LogFont::kSize> font{};
    if (r.Struct(as, "LyricFont", font.data(), font.size())) a.LyricFont = LogFont::FromBytes(font);
    std::array<std::uint8_t, 4> color{};
    if (r.Struct(as, "LyricColor", color.data(), color.size()))
      a.LyricColor = ColorRefFromBytes(color);

    VideoCell v;
    v.VideoFilePath = ResolvePath(r.String(vs, "VideoFilePath"), folder);
    if (!FileExists(v.VideoFilePath)) {
      if (dropped)
        dropped->push_back({i, DroppedChapter::Reason::MissingPicture, v.VideoFilePath});
      continue;
    }
    v.TitleIndex = r.Int(vs, "TitleIndex");
    v.ChapterIndex = r.Int(vs, "ChapterIndex");
    v.VideoTotalTime = r.Int(vs, "VideoTotalTime");
    document.InsertCells(document.CellCount(), a, v);
    ++loaded;
  }
  if (empty_cells) *empty_cells = empty;
  return loaded == announced;
}

}  // namespace verosa
