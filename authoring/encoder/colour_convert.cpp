#include "encoder/colour_convert.h"

namespace pennock {

__attribute__((target_clones("avx2", "default")))
void LumaRow(const std::uint8_t* rgb, int count, std::int32_t* y) {
  for (int i = 0; i < count; ++i)
    y[i] = 257 * rgb[3 * i] + 504 * rgb[3 * i + 1] + 98 * rgb[3 * i + 2] + 16000;
}

__attribute__((target_clones("avx2", "default")))
void ChromaRow(const std::uint8_t* upper, const std::uint8_t* lower, int count, std::int32_t* cb,
               std::int32_t* cr) {
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* a = upper + 6 * i;
    const std::uint8_t* b = lower + 6 * i;
    const int red = (a[0] + a[3] + b[0] + b[3]) >> 2;
    const int green = (a[1] + a[4] + b[1] + b[4]) >> 2;
    const int blue = (a[2] + a[5] + b[2] + b[5]) >> 2;
    cb[i] = 439 * blue - 291 * green - 148 * red + 128000;
    cr[i] = 439 * red - 368 * green - 71 * blue + 128000;
  }
}

}  // namespace pennock
