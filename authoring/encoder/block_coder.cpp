#include "encoder/block_coder.h"

#include <algorithm>
#include <cstdlib>

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
  bits_.Put(size_code.bits, size_code.length);
  // Negative differentials are written as value - 1 in `size` bits.
  if (size > 0) bits_.Put(static_cast<std::uint32_t>(diff > 0 ? diff : diff + (1 << size) - 1), size);

  int run = 0;
  for (int i = 1; i < 64; ++i) {
    const int level = qf[kZigZag[i]];
    if (level == 0) {
      ++run;
      continue;
    }
    const VlcCode code = AcCode(run, std::abs(level));
    if (code.length > 0) {
      bits_.Put(code.bits, code.length);
      bits_.Put(level < 0 ? 1 : 0, 1);
    } else {
      bits_.Put(kEscape.bits, kEscape.length);
      bits_.Put(static_cast<std::uint32_t>(run), 6);
      bits_.Put(static_cast<std::uint32_t>(level) & 0xFFF, 12);  // two's complement
    }
    run = 0;
  }
  bits_.Put(kEndOfBlock.bits, kEndOfBlock.length);
}

}  // namespace pennock
