#include "iso/iso_records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pennock::iso {

void Le16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Le32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Le64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Be16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

void Be32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

void Both16(std::uint8_t* p, std::uint16_t v) {
  Le16(p, v);
  Be16(p + 2, v);
}

void Both32(std::uint8_t* p, std::uint32_t v) {
  Le32(p, v);
  Be32(p + 4, v);
}

void PutPadded(std::uint8_t* p, std::size_t size, const std::string& text, char pad) {
  std::memset(p, pad, size);
  std::memcpy(p, text.data(), std::min(size, text.size()));
}

namespace {
std::tm Utc(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}
}  // namespace

void IsoRecordTime(std::uint8_t* p, std::time_t t) {
  const std::tm tm = Utc(t);
  p[0] = static_cast<std::uint8_t>(std::clamp(tm.tm_year, 0, 255));
  p[1] = static_cast<std::uint8_t>(tm.tm_mon + 1);
  p[2] = static_cast<std::uint8_t>(tm.tm_mday);
  p[3] = static_cast<std::uint8_t>(tm.tm_hour);
  p[4] = static_cast<std::uint8_t>(tm.tm_min);
  p[5] = static_cast<std::uint8_t>(tm.tm_sec);
  p[6] = 0;  // UTC
}

void IsoVolumeTime(std::uint8_t* p, std::time_t t) {
  if (t == 0) {
    std::memset(p, '0', 16);
    p[16] = 0;
    return;
  }
  const std::tm tm = Utc(t);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", std::clamp(tm.tm_year + 1900, 1, 9999),
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  std::memcpy(p, text, 16);
  p[16] = 0;  // UTC
}

void UdfTime(std::uint8_t* p, std::time_t t) {
  const std::tm tm = Utc(t);
  Le16(p, 0x1000);  // local time, offset 0 minutes
  Le16(p + 2, static_cast<std::uint16_t>(tm.tm_year + 1900));
  p[4] = static_cast<std::uint8_t>(tm.tm_mon + 1);
  p[5] = static_cast<std::uint8_t>(tm.tm_mday);
  p[6] = static_cast<std::uint8_t>(tm.tm_hour);
  p[7] = static_cast<std::uint8_t>(tm.tm_min);
  p[8] = static_cast<std::uint8_t>(tm.tm_sec);
  p[9] = p[10] = p[11] = 0;
}

std::uint16_t CrcItu(const std::uint8_t* data, std::size_t size) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (data[i] << 8));
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

void FinishTag(std::uint8_t* d, Tag id, std::uint32_t location, std::size_t length) {
  Le16(d, id);
  Le16(d + 2, 2);  // descriptor version of NSR02
  d[5] = 0;
  Le16(d + 6, 1);  // serial number
  const auto crc_length = static_cast<std::uint16_t>(length - 16);
  Le16(d + 8, CrcItu(d + 16, crc_length));
  Le16(d + 10, crc_length);
  Le32(d + 12, location);
  std::uint8_t sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + d[i]);
  d[4] = sum;
}

std::vector<std::uint8_t> Cs0(const std::u32string& text) {
  const bool wide = std::any_of(text.begin(), text.end(), [](char32_t c) { return c > 0xFF; });
  std::vector<std::uint8_t> out;
  out.push_back(wide ? 16 : 8);
  for (char32_t c : text) {
    if (wide) out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
  }
  return out;
}

void PutDstring(std::uint8_t* p, std::size_t size, const std::u32string& text) {
  std::memset(p, 0, size);
  if (text.empty()) return;
  std::u32string cut = text;
  while (!cut.empty() && Cs0(cut).size() > size - 1) cut.pop_back();
  const std::vector<std::uint8_t> bytes = Cs0(cut);
  std::memcpy(p, bytes.data(), bytes.size());
  p[size - 1] = static_cast<std::uint8_t>(bytes.size());
}

void PutCharspec(std::uint8_t* p) {
  std::memset(p, 0, 64);
  p[0] = 0;  // CS0
  const char* info = "OSTA Compressed Unicode";
  std::memcpy(p + 1, info, std::strlen(info));
}

namespace {
void PutId(std::uint8_t* p, const char* identifier) {
  std::memset(p, 0, 32);
  std::memcpy(p + 1, identifier, std::min<std::size_t>(23, std::strlen(identifier)));
}
}  // namespace

void PutDomainId(std::uint8_t* p) {
  PutId(p, "*OSTA UDF Compliant");
  Le16(p + 24, 0x0102);
}

void PutImplementationId(std::uint8_t* p) { PutId(p, "*Verosa"); }

void PutUdfEntityId(std::uint8_t* p, const char* identifier) {
  PutId(p, identifier);
  Le16(p + 24, 0x0102);
}

void PutPlainId(std::uint8_t* p, const char* identifier) { PutId(p, identifier); }

void PutShortAd(std::uint8_t* p, std::uint32_t bytes, std::uint32_t block) {
  Le32(p, bytes);
  Le32(p + 4, block);
}

void PutLongAd(std::uint8_t* p, std::uint32_t bytes, std::uint32_t block, std::uint32_t unique_id) {
  std::memset(p, 0, 16);
  Le32(p, bytes);
  Le32(p + 4, block);
  Le16(p + 8, 0);  // partition reference
  Le32(p + 12, unique_id);  // implementation use: flags (2 bytes), then the unique id
}

}  // namespace pennock::iso
