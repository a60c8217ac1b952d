// The still encoder's transform and quantiser.
//
// F(u,v) = 0.25 * C(u) * C(v) * sum_y sum_x f(x,y) * c(x,u) * c(y,v)
//
// where c(k,w) is cos((2k+1) w pi / 16) from a table rounded to three
// decimals, C(0) = 0.707, C(w > 0) = 1, and the samples are not level-shifted.
// Quantisation rounds half away from zero: QDC = round(F(0,0) / 8), and
// QF = round(16 * F(u,v) / (2 * q * W[v][u])) for the AC coefficients, with
// the default intra matrix W that decoders apply when no matrix is loaded.
//
// Samples come from the colour conversion with three-decimal weights, so a
// sample times 1000 is an integer, and so is a cosine times 1000. The double
// sum is therefore computed on those integers, separably (columns in 32-bit
// integers, then rows in doubles holding integers below 2^44), exactly. Only the final scaling rounds. This gives
// the quantised values of the formula itself, without the rounding noise of
// summing non-integer doubles.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace pennock {

using SampleBlock = std::array<std::int32_t, 64>;  // f(x,y) x 1000 at y * 8 + x
using DctSums = std::array<double, 64>;      // the double sum x 10^9 (an integer) at v * 8 + u
using Coefficients = std::array<int, 64>;          // quantised, natural order v * 8 + u

inline constexpr double kC0 = 0.707;

// The three-decimal cosine c(k, w).
double CosineTable(int k, int w);

void ForwardDct(const SampleBlock& samples, DctSums& sums);
// F(u,v) of the sums at k = v * 8 + u.
double DctValue(const DctSums& sums, int k);

inline int RoundHalfAway(double value) {
  return static_cast<int>(value + std::copysign(0.5, value));
}
// Quantises into QF (AC levels limited to -2047..2047); q is 1..31.
void Quantise(const DctSums& sums, int q, Coefficients& out);

}  // namespace pennock
