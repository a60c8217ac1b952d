// Variable-length coding of one intra block: the DC differential against its
// component's predictor (Tables B-12/B-13), the AC coefficients as run/level
// pairs (Table B-14, escapes for pairs without a code), end of block.
#pragma once

#include <array>
#include <functional>

#include "encoder/bit_writer.h"
#include "encoder/forward_dct.h"

namespace pennock {

class BlockCoder {
 public:
  enum Component { Luma = 0, Cb = 1, Cr = 2 };

  // `dc_too_large` runs once, at the first DC differential of 256 or more.
  BlockCoder(BitWriter& bits, std::function<void()> dc_too_large)
      : bits_(bits), dc_too_large_(std::move(dc_too_large)) {}

  // Predictors go back to 128 at the start of every slice.
  void ResetPredictors() { predictors_ = {128, 128, 128}; }
  void Code(const Coefficients& qf, int component);

 private:
  BitWriter& bits_;
  std::function<void()> dc_too_large_;
  std::array<int, 3> predictors_{128, 128, 128};
  bool dc_warned_ = false;
};

}  // namespace pennock
