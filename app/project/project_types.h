// The records of a project: header, chapter cells, menu cells, and the two
// fixed-layout records kept in project files and settings (LOGFONT, COLORREF).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <variant>

namespace verosa {

// The 60-byte ANSI LOGFONT, stored little-endian.
struct LogFont {
  std::int32_t lfHeight = 0;          // 0
  std::int32_t lfWidth = 0;           // 4
  std::int32_t lfEscapement = 0;      // 8
  std::int32_t lfOrientation = 0;     // 12
  std::int32_t lfWeight = 0;          // 16
  std::uint8_t lfItalic = 0;          // 20
  std::uint8_t lfUnderline = 0;       // 21
  std::uint8_t lfStrikeOut = 0;       // 22
  std::uint8_t lfCharSet = 0;         // 23
  std::uint8_t lfOutPrecision = 0;    // 24
  std::uint8_t lfClipPrecision = 0;   // 25
  std::uint8_t lfQuality = 0;         // 26
  std::uint8_t lfPitchAndFamily = 0;  // 27
  std::array<char, 32> lfFaceName{};  // 28, NUL-terminated

  static constexpr std::size_t kSize = 60;
  std::array<std::uint8_t, kSize> ToBytes() const;
  static LogFont FromBytes(const std::array<std::uint8_t, kSize>& bytes);

  std::string FaceName() const;
  void SetFaceName(const std::string& name);  // truncated to 31 bytes

  // The default lyric font: height 20, weight 900, pitch-and-family 0x20, "System".
  static LogFont DefaultLyricFont();

  bool operator==(const LogFont&) const = default;
};

// 0x00BBGGRR, stored as 4 little-endian bytes.
using ColorRef = std::uint32_t;
inline constexpr ColorRef kWhite = 0xFFFFFF;
std::array<std::uint8_t, 4> ColorRefBytes(ColorRef color);
ColorRef ColorRefFromBytes(const std::array<std::uint8_t, 4>& bytes);

inline constexpr const char* kCreatorWord = "Marrowfine";
inline constexpr const char* kFormatVersion = "V1.0";
inline constexpr const char* kProductName = "Verosa";

struct ProjectHeader {
  std::string ProjectName = kProductName;
  std::string Creator = kCreatorWord;
  std::string Version = kFormatVersion;
  std::string Date;
  std::int32_t ThemeIndex = 0;
  std::int32_t MenuAspectRatio = 0;
  std::int32_t MenuDisplayMode = 0;
  std::int32_t MenuType = 2;
  std::int32_t MenuCellTotalNum = 0;
  std::int32_t StartWithMenu = 0;        // 0 = the disc plays title 1, 1 = it shows the title menu
  std::int32_t TitleCellTotalNum = 0;
  std::int32_t UseTitleName = 0;
  std::int32_t AudioCodingMode = 0;      // 0 = LPCM
  std::int32_t AudioSampleRate = 48000;
  std::int32_t AudioBitPerSample = 0;
  std::int32_t AudioChannel = 2;
  std::int32_t AudioBitPerSecond = 16;
  std::int32_t AudioCellTotalNum = 0;
  std::int32_t VideoCodingMode = 1;
  std::int32_t TVMode = 0;               // 0 = PAL, 1 = NTSC
  std::int32_t VideoAspectRatio = 0;     // 0 = 4:3, 1 = 16:9
  std::int32_t VideoDisplayMode = 0;     // 0 = letter box, 1 = pan and scan
  std::int32_t VideoType = 6;
  std::int32_t VideoCellTotalNum = 0;
};

// The sections of the project file that hold the header.
inline constexpr const char* kProjectCommonSection = "ProjectCommon";
inline constexpr const char* kMenuAttributeSection = "MenuAttribute";
inline constexpr const char* kTitleAttributeSection = "TitleAttribute";
inline constexpr const char* kAudioAttributeSection = "AudioAttribute";
inline constexpr const char* kVideoAttributeSection = "VideoAttribute";

// How the project file treats a header field.
enum class HeaderFieldRule {
  Stored,    // written from the member, read back into it
  Checked,   // written as `fixed`; read into the member, and a file that holds
             // anything else is refused
  Constant,  // written as `fixed`; not read: the member becomes `fixed`
};

// One ProjectHeader member with its key in the project file. `name` is the
// member's name, the key of `verosa-cli project info --json`.
struct HeaderField {
  using Member = std::variant<std::string ProjectHeader::*, std::int32_t ProjectHeader::*>;

  const char* name;
  const char* section;
  const char* key;
  Member member;
  HeaderFieldRule rule = HeaderFieldRule::Stored;
  const char* fixed = nullptr;  // the value written for Checked and Constant
  std::int32_t absent = 0;      // an integer read from a file that lacks its key
  bool omitted_when_absent = false;  // a Stored integer equal to `absent` is not written
};

// Every header field, in the order of the file, which is also the order of
// the JSON. A new header field needs its member above and its row here, and
// nothing else: the project file and the JSON follow this table.
inline constexpr HeaderField kHeaderFields[] = {
    {"ProjectName", kProjectCommonSection, "ProjectName", &ProjectHeader::ProjectName},
    {"Creator", kProjectCommonSection, "Creator", &ProjectHeader::Creator,
     HeaderFieldRule::Checked, kCreatorWord},
    {"Version", kProjectCommonSection, "Version", &ProjectHeader::Version,
     HeaderFieldRule::Checked, kFormatVersion},
    {"Date", kProjectCommonSection, "Date", &ProjectHeader::Date},
    {"ThemeIndex", kProjectCommonSection, "ThemeIndex", &ProjectHeader::ThemeIndex},
    {"MenuAspectRatio", kMenuAttributeSection, "AspectRatio", &ProjectHeader::MenuAspectRatio},
    {"MenuDisplayMode", kMenuAttributeSection, "DisplayMode", &ProjectHeader::MenuDisplayMode},
    {"MenuType", kMenuAttributeSection, "MenuType", &ProjectHeader::MenuType},
    {"MenuCellTotalNum", kMenuAttributeSection, "MenuCellTotalNum",
     &ProjectHeader::MenuCellTotalNum},
    {"StartWithMenu", kMenuAttributeSection, "StartWithMenu", &ProjectHeader::StartWithMenu,
     HeaderFieldRule::Stored, nullptr, 0, true},
    {"TitleCellTotalNum", kTitleAttributeSection, "TitleCellTotalNum",
     &ProjectHeader::TitleCellTotalNum},
    {"UseTitleName", kTitleAttributeSection, "UseTitleName", &ProjectHeader::UseTitleName,
     HeaderFieldRule::Constant, "0"},
    {"AudioCodingMode", kAudioAttributeSection, "AudioCodingMode",
     &ProjectHeader::AudioCodingMode},
    {"AudioSampleRate", kAudioAttributeSection, "AudioSampleRate",
     &ProjectHeader::AudioSampleRate},
    {"AudioBitPerSample", kAudioAttributeSection, "AudioBitPerSample",
     &ProjectHeader::AudioBitPerSample},
    {"AudioChannel", kAudioAttributeSection, "AudioChannel", &ProjectHeader::AudioChannel},
    {"AudioBitPerSecond", kAudioAttributeSection, "AudioBitPerSecond",
     &ProjectHeader::AudioBitPerSecond},
    {"AudioCellTotalNum", kAudioAttributeSection, "AudioCellTotalNum",
     &ProjectHeader::AudioCellTotalNum},
    {"VideoCodingMode", kVideoAttributeSection, "VideoCodingMode",
     &ProjectHeader::VideoCodingMode, HeaderFieldRule::Stored, nullptr, 1},
    {"TVMode", kVideoAttributeSection, "TVMode", &ProjectHeader::TVMode},
    {"VideoAspectRatio", kVideoAttributeSection, "AspectRatio", &ProjectHeader::VideoAspectRatio},
    {"VideoDisplayMode", kVideoAttributeSection, "DisplayMode", &ProjectHeader::VideoDisplayMode},
    {"VideoType", kVideoAttributeSection, "VideoType", &ProjectHeader::VideoType},
    {"VideoCellTotalNum", kVideoAttributeSection, "VideoCellTotalNum",
     &ProjectHeader::VideoCellTotalNum},
};

namespace detail {
// Converts to any member type; counts the members of an aggregate.
struct AnyMember {
  template <typename T>
  operator T() const;
};
template <typename T, typename... Taken>
constexpr std::size_t MemberCount(Taken... taken) {
  if constexpr (requires { T{taken..., AnyMember{}}; })
    return MemberCount<T>(taken..., AnyMember{});
  else
    return sizeof...(Taken);
}
}  // namespace detail

static_assert(detail::MemberCount<ProjectHeader>() == std::size(kHeaderFields),
              "every ProjectHeader member needs its row in kHeaderFields");

struct AudioCell {
  std::string AudioFilePath;
  std::int32_t TitleIndex = 0;
  std::int32_t ChapterIndex = 0;
  std::int32_t AudioTotalTime = 0;       // seconds
  std::int32_t AudioCodingMode = 0;
  std::int32_t AudioSampleRate = 0;      // Hz
  std::int32_t AudioBitsPerSample = 16;
  std::int32_t AudioChannels = 2;
  std::int32_t AudioBitsPerSecond = 0;
  std::int32_t UseLyric = 1;
  std::string LyricFilePath;
  LogFont LyricFont = LogFont::DefaultLyricFont();
  ColorRef LyricColor = kWhite;
};

struct VideoCell {
  std::string VideoFilePath;
  std::int32_t TitleIndex = 0;
  std::int32_t ChapterIndex = 0;
  std::int32_t VideoTotalTime = 0;       // seconds
};

struct MenuCell {
  std::int32_t MenuType = 2;
  std::string MenuBmpFilePath;
  std::int32_t StillTime = 5;
};

// "%H:%M:%S, %m-%d-%Y" of the current local time.
std::string CurrentDateText();

// Seconds of an "HH:MM:SS" text (characters 0-1, 3-4 and 6-7).
int PlayTimeSeconds(const std::string& text);

// The part of a path after its last separator (slash or backslash).
std::string FileNamePart(const std::string& path);

}  // namespace verosa
