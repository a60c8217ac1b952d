// The still encoder's transform and quantiser.
//
// F(u,v) = 0.25 * C(u) * C(v) * sum_y sum_x f(x,y) * (c(x,u) * c(y,v)),
// summed in raster order (y outer, x inner), where c(k,w) is
// cos((2k+1) w pi / 16) taken from a table rounded to three decimals and
// C(0) = 0.707, C(w > 0) = 1. Samples are not level-shifted.
//
// Quantisation rounds half away from zero: QDC = round(F(0,0) / 8), and for
// the AC coefficients QF = round(16 * F(u,v) / (2 * q * W[v][u])) with the
// default intra matrix W that decoders apply when no matrix is loaded.
#pragma once

#include <array>

namespace pennock {

using Block = std::array<double, 64>;        // f(x,y) at y * 8 + x
using Coefficients = std::array<int, 64>;    // natural order, v * 8 + u

// The three-decimal cosine c(k, w).
double CosineTable(int k, int w);
inline constexpr double kC0 = 0.707;

// F(u,v) for all 64 positions, bit-identical to evaluating the formula above
// directly; only the products c(x,u) * c(y,v) are computed ahead.
void ForwardDct(const Block& samples, Block& out);

int RoundHalfAway(double value);
// Quantises F into QF (levels limited to -2047..2047).
void Quantise(const Block& dct, int q, Coefficients& out);

}  // namespace pennock
