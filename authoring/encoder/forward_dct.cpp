#include "encoder/forward_dct.h"

#include <algorithm>

#include "encoder/mpeg2_tables.h"

namespace pennock {
namespace {

constexpr double kCos[9] = {1.0, 0.981, 0.924, 0.831, 0.707, 0.556, 0.383, 0.195, 0.0};

struct Basis {
  // products[i][k] = c(x,u) * c(y,v) for sample i = y*8+x and output k = v*8+u
  std::array<std::array<double, 64>, 64> products{};
  std::array<double, 64> scale{};  // 0.25 * C(u) * C(v)
  Basis() {
    for (int v = 0; v < 8; ++v)
      for (int u = 0; u < 8; ++u) {
        const int k = v * 8 + u;
        scale[k] = 0.25 * (u == 0 ? kC0 : 1.0) * (v == 0 ? kC0 : 1.0);
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x) products[y * 8 + x][k] = CosineTable(x, u) * CosineTable(y, v);
      }
  }
};

const Basis& TheBasis() {
  static const Basis basis;
  return basis;
}

}  // namespace

double CosineTable(int k, int w) {
  const int a = ((2 * k + 1) * w) % 32;  // angle in units of pi/16
  if (a <= 8) return kCos[a];
  if (a <= 16) return -kCos[16 - a];
  if (a <= 24) return -kCos[a - 16];
  return kCos[32 - a];
}

void ForwardDct(const Block& samples, Block& out) {
  const Basis& basis = TheBasis();
  // Accumulate all 64 outputs together: each output still sums its 64 terms
  // in raster order, so the result equals the direct evaluation, while the
  // loop over outputs vectorises.
  std::array<double, 64> acc{};
  for (int i = 0; i < 64; ++i) {
    const double f = samples[i];
    const auto& row = basis.products[i];
    for (int k = 0; k < 64; ++k) acc[k] += f * row[k];
  }
  for (int k = 0; k < 64; ++k) out[k] = basis.scale[k] * acc[k];
}

int RoundHalfAway(double value) {
  return static_cast<int>(value >= 0 ? value + 0.5 : value - 0.5);
}

void Quantise(const Block& dct, int q, Coefficients& out) {
  out[0] = RoundHalfAway(dct[0] / 8.0);
  for (int k = 1; k < 64; ++k) {
    const int level = RoundHalfAway(16.0 * dct[k] / (2.0 * q * kDefaultIntraMatrix[k]));
    out[k] = std::clamp(level, -2047, 2047);
  }
}

}  // namespace pennock
