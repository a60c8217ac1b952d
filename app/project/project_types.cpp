#include "project/project_types.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace verosa {
namespace {

void PutLe32(std::uint8_t* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetLe32(const std::uint8_t* in) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return v;
}

}  // namespace

std::array<std::uint8_t, LogFont::kSize> LogFont::ToBytes() const {
  std::array<std::uint8_t, kSize> b{};
  const std::int32_t ints[] = {lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight};
  for (int i = 0; i < 5; ++i) PutLe32(&b[4 * i], static_cast<std::uint32_t>(ints[i]));
  const std::uint8_t bytes[] = {lfItalic,       lfUnderline,     lfStrikeOut, lfCharSet,
                                lfOutPrecision, lfClipPrecision, lfQuality,   lfPitchAndFamily};
  std::copy(std::begin(bytes), std::end(bytes), b.begin() + 20);
  std::memcpy(&b[28], lfFaceName.data(), lfFaceName.size());
  return b;
}

LogFont LogFont::FromBytes(const std::array<std::uint8_t, kSize>& b) {
  LogFont f;
  std::int32_t* ints[] = {&f.lfHeight, &f.lfWidth, &f.lfEscapement, &f.lfOrientation,
                          &f.lfWeight};
  for (int i = 0; i < 5; ++i) *ints[i] = static_cast<std::int32_t>(GetLe32(&b[4 * i]));
  std::uint8_t* bytes[] = {&f.lfItalic,       &f.lfUnderline,     &f.lfStrikeOut, &f.lfCharSet,
                           &f.lfOutPrecision, &f.lfClipPrecision, &f.lfQuality,
                           &f.lfPitchAndFamily};
  for (int i = 0; i < 8; ++i) *bytes[i] = b[20 + i];
  std::memcpy(f.lfFaceName.data(), &b[28], f.lfFaceName.size());
  return f;
}

std::string LogFont::FaceName() const {
  const auto end = std::find(lfFaceName.begin(), lfFaceName.end(), '\0');
  return std::string(lfFaceName.begin(), end);
}

void LogFont::SetFaceName(const std::string& name) {
  lfFaceName.fill('\0');
  std::copy_n(name.begin(), std::min(name.size(), lfFaceName.size() - 1), lfFaceName.begin());
}

LogFont LogFont::DefaultLyricFont() {
  LogFont f;
  f.lfHeight = 20;
  f.lfWeight = 900;
  f.lfPitchAndFamily = 0x20;
  f.SetFaceName("System");
  return f;
}

std::array<std::uint8_t, 4> ColorRefBytes(ColorRef color) {
  std::array<std::uint8_t, 4> b{};
  PutLe32(b.data(), color);
  return b;
}

ColorRef ColorRefFromBytes(const std::array<std::uint8_t, 4>& bytes) {
  return GetLe32(bytes.data());
}

std::string CurrentDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, "%H:%M:%S, %m-%d-%Y", &local);
  return text;
}

int PlayTimeSeconds(const std::string& text) {
  auto two = [&](std::size_t at) {
    int v = 0;
    for (std::size_t i = at; i < at + 2 && i < text.size(); ++i)
      if (text[i] >= '0' && text[i] <= '9') v = v * 10 + (text[i] - '0');
    return v;
  };
  return two(0) * 3600 + two(3) * 60 + two(6);
}

std::string FileNamePart(const std::string& path) {
  const auto cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace verosa
