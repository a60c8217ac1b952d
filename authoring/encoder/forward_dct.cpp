#include "encoder/forward_dct.h"

#include <algorithm>

#include "encoder/mpeg2_tables.h"

namespace pennock {
namespace {

constexpr double kCos[9] = {1.0, 0.981, 0.924, 0.831, 0.707, 0.556, 0.383, 0.195, 0.0};
constexpr int kCosMilli[9] = {1000, 981, 924, 831, 707, 556, 383, 195, 0};

constexpr int CosineMilli(int k, int w) {
  const int a = ((2 * k + 1) * w) % 32;
  if (a <= 8) return kCosMilli[a];
  if (a <= 16) return -kCosMilli[16 - a];
  if (a <= 24) return -kCosMilli[a - 16];
  return kCosMilli[32 - a];
}

constexpr int kMaxQuantiser = 31;

struct Tables {
  std::array<std::array<double, 8>, 8> cos{};  // cos[k][w] x 1000, integers
  std::array<std::array<std::int32_t, 8>, 8> cos_int{};
  std::array<double, 64> scale{};                    // 0.25 * C(u) * C(v) / 10^9
  // Sum to quantised value before rounding, per quantiser_scale_code and
  // natural position: scale / 8 for the DC, 16 * scale / (2 q W) for the AC.
  std::array<std::array<double, 64>, kMaxQuantiser + 1> step{};
  Tables() {
    for (int k = 0; k < 8; ++k)
      for (int w = 0; w < 8; ++w) cos[k][w] = cos_int[k][w] = CosineMilli(k, w);
    for (int v = 0; v < 8; ++v)
      for (int u = 0; u < 8; ++u)
        scale[v * 8 + u] = 0.25 * (u == 0 ? kC0 : 1.0) * (v == 0 ? kC0 : 1.0) / 1e9;
    for (int q = 1; q <= kMaxQuantiser; ++q) {
      step[q][0] = scale[0] / 8.0;
      for (int k = 1; k < 64; ++k) step[q][k] = 16.0 * scale[k] / (2.0 * q * kDefaultIntraMatrix[k]);
    }
  }
};
const Tables kTables;

}  // namespace

double CosineTable(int k, int w) {
  const int a = ((2 * k + 1) * w) % 32;  // angle in units of pi/16
  if (a <= 8) return kCos[a];
  if (a <= 16) return -kCos[16 - a];
  if (a <= 24) return -kCos[a - 16];
  return kCos[32 - a];
}

// Built for AVX2 too where the processor has it; the results are the same
// integers either way.
__attribute__((target_clones("avx2", "default")))
void ForwardDct(const SampleBlock& f, DctSums& out) {
  const auto& c = kTables.cos;
  // c(7 - k, w) = (-1)^w c(k, w) holds exactly in the table, so each pass
  // works on sums (even w) and differences (odd w) of mirrored samples.
  // Columns first, in 32-bit integers: p[v][x] = sum_y c(y,v) f(x,y), with
  // |f| < 240,000 mirrored sums below 480,000 and |p| < 1.92e9 < 2^31.
  const auto& ci = kTables.cos_int;
  std::int32_t ieven[4][8], iodd[4][8];
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      ieven[y][x] = f[y * 8 + x] + f[(7 - y) * 8 + x];
      iodd[y][x] = f[y * 8 + x] - f[(7 - y) * 8 + x];
    }
  std::int32_t p[8][8];
  for (int v = 0; v < 8; ++v) {
    const auto& src = (v & 1) ? iodd : ieven;
    for (int x = 0; x < 8; ++x)
      p[v][x] = ci[0][v] * src[0][x] + ci[1][v] * src[1][x] + ci[2][v] * src[2][x] + ci[3][v] * src[3][x];
  }
  // Rows, in doubles (integers below 2^44): s[v][u] = sum_x c(x,u) p[v][x].
  double even[4][8], odd[4][8];
  for (int x = 0; x < 4; ++x)
    for (int v = 0; v < 8; ++v) {
      even[x][v] = static_cast<double>(p[v][x]) + p[v][7 - x];
      odd[x][v] = static_cast<double>(p[v][x]) - p[v][7 - x];
    }
  for (int u = 0; u < 8; ++u) {
    const auto& src = (u & 1) ? odd : even;
    for (int v = 0; v < 8; ++v)
      out[v * 8 + u] = c[0][u] * src[0][v] + c[1][u] * src[1][v] + c[2][u] * src[2][v] + c[3][u] * src[3][v];
  }
}

double DctValue(const DctSums& sums, int k) { return sums[k] * kTables.scale[k]; }

__attribute__((target_clones("avx2", "default")))
void Quantise(const DctSums& sums, int q, Coefficients& out) {
  const auto& step = kTables.step[std::clamp(q, 1, kMaxQuantiser)];
  for (int k = 0; k < 64; ++k) out[k] = RoundHalfAway(sums[k] * step[k]);
  const int dc = out[0];
  for (int k = 0; k < 64; ++k) out[k] = std::clamp(out[k], -2047, 2047);
  out[0] = dc;
}

}  // namespace pennock
