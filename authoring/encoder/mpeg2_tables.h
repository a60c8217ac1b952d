// Tables of ISO/IEC 13818-2 used by the intra still encoder.
#pragma once

#include <array>
#include <cstdint>

namespace pennock {

struct VlcCode {
  std::uint32_t bits = 0;
  int length = 0;  // 0: no code
};

// Table B-12 (luminance) and B-13 (chrominance): dct_dc_size 0..11.
extern const std::array<VlcCode, 12> kDcSizeLuma;
extern const std::array<VlcCode, 12> kDcSizeChroma;

// Table B-14 (intra_vlc_format 0) for run 0..31, level 1..40, without the
// sign bit; length 0 where the pair needs an escape.
inline constexpr int kAcMaxRun = 31;
inline constexpr int kAcMaxLevel = 40;
extern const std::array<std::array<VlcCode, kAcMaxLevel + 1>, kAcMaxRun + 1> kAcCodes;
inline VlcCode AcCode(int run, int level) {
  if (run < 0 || run > kAcMaxRun || level < 1 || level > kAcMaxLevel) return {};
  return kAcCodes[run][level];
}
inline constexpr VlcCode kEndOfBlock{0b10, 2};
inline constexpr VlcCode kEscape{0b000001, 6};

// Zig-zag scan (alternate_scan 0): scan position -> natural index v * 8 + u,
// and back.
extern const std::array<std::uint8_t, 64> kZigZag;
extern const std::array<std::uint8_t, 64> kScanPosition;

// Default intra quantiser matrix in natural order, W[v * 8 + u].
extern const std::array<std::uint8_t, 64> kDefaultIntraMatrix;

}  // namespace pennock
