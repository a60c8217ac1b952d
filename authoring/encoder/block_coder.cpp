#include "encoder/block_coder.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "encoder/mpeg2_tables.h"

namespace pennock {
namespace {

int BitLength(int value) {
  int bits = 0;
  while (value > 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

}  // namespace

void BlockCoder::Code(const Coefficients& qf, int component) {
  int diff = qf[0] - predictors_[component];
  predictors_[component] = qf[0];
  if (std::abs(diff) >= 256 && !dc_warned_) {
    dc_warned_ = true;
    if (dc_too_large_) dc_too_large_();
  }
  diff = std::clamp(diff, -2047, 2047);
  const int size = BitLength(std::abs(diff));
  const VlcCode& size_code = component == Luma ? kDcSizeLuma[size] : kDcSizeChroma[size];
  // Negative differentials are written as value - 1 in `size` bits.
  const auto value = static_cast<std::uint32_t>(diff > 0 ? diff : diff + (1 << size) - 1);
  BitWriter::Code codes[66];
  int count = 0;
  codes[count++] = {size_code.bits << size | value, size_code.length + size};

  // Walk the non-zero coefficients in scan order through bit masks, so the
  // zero runs cost nothing: first the natural-order mask (eight 0/1 bytes
  // become eight bits in one multiply), then each set bit moves to its scan
  // position.
  std::uint64_t natural = 0;
  {
    alignas(8) std::uint8_t flags[64];
    for (int k = 0; k < 64; ++k) flags[k] = qf[k] != 0;
    for (int k = 0; k < 64; k += 8) {
      std::uint64_t bytes;
      std::memcpy(&bytes, flags + k, 8);
      natural |= ((bytes * 0x0102040810204080ULL) >> 56) << k;
    }
    natural &= ~std::uint64_t{1};  // the DC is coded apart
  }
  std::uint64_t nonzero = 0;
  for (; natural; natural &= natural - 1) nonzero |= std::uint64_t{1} << kScanPosition[std::countr_zero(natural)];
  int last = 0;
  while (nonzero) {
    const int i = std::countr_zero(nonzero);
    nonzero &= nonzero - 1;
    const int run = i - last - 1;
    last = i;
    const int level = qf[kZigZag[i]];
    const VlcCode code = AcCode(run, std::abs(level));
    if (code.length > 0) {
      codes[count++] = {code.bits << 1 | (level < 0 ? 1u : 0u), code.length + 1};  // code, sign
    } else {
      // Escape, 6-bit run, 12-bit level in two's complement.
      codes[count++] = {kEscape.bits << 18 | static_cast<std::uint32_t>(run) << 12 |
                            (static_cast<std::uint32_t>(level) & 0xFFF),
                        kEscape.length + 18};
    }
  }
  codes[count++] = {kEndOfBlock.bits, kEndOfBlock.length};
  bits_.PutAll(codes, count);
}

}  // namespace pennock
