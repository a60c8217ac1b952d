// RGB to Y, Cb and Cr in thousandths (no level shift), exactly:
// Y = 0.257 R + 0.504 G + 0.098 B + 16, Cb = 0.439 B - 0.291 G - 0.148 R + 128,
// Cr = 0.439 R - 0.368 G - 0.071 B + 128. Chroma converts the average of each
// 2 x 2 square (per channel, truncated to an integer).
#pragma once

#include <cstdint>

namespace pennock {

// `count` pixels of R G B bytes to luminance.
void LumaRow(const std::uint8_t* rgb, int count, std::int32_t* y);
// `count` chroma samples from two pixel rows (2 * count pixels each).
void ChromaRow(const std::uint8_t* upper, const std::uint8_t* lower, int count, std::int32_t* cb,
               std::int32_t* cr);

}  // namespace pennock
