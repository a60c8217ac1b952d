#include "mux/pack_format.h"

#include <algorithm>
#include <cmath>

namespace pennock {

void PutBe16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value >> 8);
  p[1] = static_cast<std::uint8_t>(value);
}

void PutPaddingPacket(std::uint8_t* p, std::size_t length) {
  p[0] = 0x00;
  p[1] = 0x00;
  p[2] = 0x01;
  p[3] = 0xBE;
  PutBe16(p + 4, static_cast<std::uint16_t>(length));
  std::fill_n(p + 6, length, 0xFF);
}

void PutBe32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t GetBe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

void WriteScr(std::uint8_t* p, std::uint64_t base, std::uint32_t extension) {
  p[0] = static_cast<std::uint8_t>(0x44 | ((base >> 27) & 0x38) | ((base >> 28) & 0x03));
  p[1] = static_cast<std::uint8_t>(base >> 20);
  p[2] = static_cast<std::uint8_t>(((base >> 12) & 0xF8) | 0x04 | ((base >> 13) & 0x03));
  p[3] = static_cast<std::uint8_t>(base >> 5);
  p[4] = static_cast<std::uint8_t>(((base << 3) & 0xF8) | 0x04 | ((extension >> 7) & 0x03));
  p[5] = static_cast<std::uint8_t>(((extension << 1) & 0xFE) | 0x01);
}

void WriteScrTicks(std::uint8_t* p, double ticks) {
  const double whole = std::floor(ticks);
  const auto extension = static_cast<std::uint32_t>((ticks - whole) * 300.0);
  WriteScr(p, static_cast<std::uint64_t>(whole), std::min<std::uint32_t>(extension, 299));
}

void WritePackHeader(std::uint8_t* p, std::uint64_t scr_base, std::uint32_t scr_extension) {
  p[0] = 0x00;
  p[1] = 0x00;
  p[2] = 0x01;
  p[3] = 0xBA;
  WriteScr(p + 4, scr_base, scr_extension);
  // program_mux_rate (22 bits) with two marker bits, then reserved bits and no stuffing.
  const std::uint32_t rate = kProgramMuxRate << 2 | 0x3;
  p[10] = static_cast<std::uint8_t>(rate >> 16);
  p[11] = static_cast<std::uint8_t>(rate >> 8);
  p[12] = static_cast<std::uint8_t>(rate);
  p[13] = 0xF8;
}

void WriteTimestamp(std::uint8_t* p, std::uint8_t prefix, std::uint64_t ticks) {
  p[0] = static_cast<std::uint8_t>(prefix << 4 | ((ticks >> 29) & 0x0E) | 0x01);
  p[1] = static_cast<std::uint8_t>(ticks >> 22);
  p[2] = static_cast<std::uint8_t>(((ticks >> 14) & 0xFE) | 0x01);
  p[3] = static_cast<std::uint8_t>(ticks >> 7);
  p[4] = static_cast<std::uint8_t>(((ticks << 1) & 0xFE) | 0x01);
}

std::uint64_t ReadTimestamp(const std::uint8_t* p) {
  return (static_cast<std::uint64_t>(p[0] & 0x0E) << 29) | (static_cast<std::uint64_t>(p[1]) << 22) |
         (static_cast<std::uint64_t>(p[2] & 0xFE) << 14) | (static_cast<std::uint64_t>(p[3]) << 7) |
         (p[4] >> 1);
}

Pack NavigationPackTemplate(TvSystem tv) {
  Pack pack{};
  WritePackHeader(pack.data(), 0, 0);
  // System header: rate bound 25200, one video stream, buffer bounds for
  // video (232 KB), MPEG audio (4 KB), private stream 1 (58 KB) and 2 (2 KB).
  constexpr std::uint8_t kSystemHeader[] = {0x00, 0x00, 0x01, 0xBB, 0x00, 0x12, 0x80, 0xC4,
                                            0xE1, 0x00, 0xE1, 0x7F, 0xB9, 0xE0, 0xE8, 0xB8,
                                            0xC0, 0x20, 0xBD, 0xE0, 0x3A, 0xBF, 0xE0, 0x02};
  std::copy(std::begin(kSystemHeader), std::end(kSystemHeader), pack.begin() + nav::kSystemHeader);
  constexpr std::uint8_t kPci[] = {0x00, 0x00, 0x01, 0xBF, 0x03, 0xD4, 0x00};
  std::copy(std::begin(kPci), std::end(kPci), pack.begin() + nav::kPciPacket);
  constexpr std::uint8_t kDsi[] = {0x00, 0x00, 0x01, 0xBF, 0x03, 0xFA, 0x01};
  std::copy(std::begin(kDsi), std::end(kDsi), pack.begin() + nav::kDsiPacket);

  const std::uint8_t frame_flag = tv == TvSystem::Pal ? nav::kFrameFlagPal : nav::kFrameFlagNtsc;
  pack[nav::kEEltm + 3] = frame_flag;
  pack[nav::kCEltm + 3] = frame_flag;
  PutBe16(&pack[nav::kVobIdn], 1);
  pack[nav::kCellIdn] = 1;
  for (std::size_t i = 0; i < nav::kVobuSriEntries; ++i)
    PutBe32(&pack[nav::kVobuSri + 4 * i], 0x3FFFFFFF);
  return pack;
}

}  // namespace pennock
