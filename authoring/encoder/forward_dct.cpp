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
  std::array<double, 64> scale{};                    // 0.25 * C(u) * C(v) / 10^9
  // Sum to quantised value before rounding, per quantiser_scale_code and scan
  // position: scale / 8 for the DC, 16 * scale / (2 q W) for the AC.
  std::array<std::array<double, 64>, kMaxQuantiser + 1> step{};
  Tables() {
    for (int k = 0; k < 8; ++k)
      for (int w = 0; w < 8; ++w) cos[k][w] = CosineMilli(k, w);
    for (int v = 0; v < 8; ++v)
      for (int u = 0; u < 8; ++u)
        scale[v * 8 + u] = 0.25 * (u == 0 ? kC0 : 1.0) * (v == 0 ? kC0 : 1.0) / 1e9;
    for (int q = 1; q <= kMaxQuantiser; ++q) {
      step[q][0] = scale[0] / 8.0;
      for (int i = 1; i < 64; ++i) {
        const int k = kZigZag[i];
        step[q][i] = 16.0 * scale[k] / (2.0 * q * kDefaultIntraMatrix[k]);
      }
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
  // Columns first: p[v][x] = sum_y c(y,v) f(x,y).
  double even[4][8], odd[4][8];
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      even[y][x] = f[y * 8 + x] + f[(7 - y) * 8 + x];
      odd[y][x] = f[y * 8 + x] - f[(7 - y) * 8 + x];
    }
  double p[8][8];
  for (int v = 0; v < 8; ++v) {
    const auto& src = (v & 1) ? odd : even;
    for (int x = 0; x < 8; ++x)
      p[v][x] = c[0][v] * src[0][x] + c[1][v] * src[1][x] + c[2][v] * src[2][x] + c[3][v] * src[3][x];
  }
  // Rows: s[v][u] = sum_x c(x,u) p[v][x].
  for (int x = 0; x < 4; ++x)
    for (int v = 0; v < 8; ++v) {
      even[x][v] = p[v][x] + p[v][7 - x];
      odd[x][v] = p[v][x] - p[v][7 - x];
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
  for (int i = 0; i < 64; ++i) out[i] = RoundHalfAway(sums[kZigZag[i]] * step[i]);
  for (int i = 1; i < 64; ++i) out[i] = std::clamp(out[i], -2047, 2047);
}

}  // namespace pennock
