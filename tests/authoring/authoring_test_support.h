// Helpers for the authoring tests: bit strings, BMP files made in memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace authoring_test {

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  const std::string s = testing_support::ReadFile(path);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

// "0101..." of the bytes, most significant bit first.
inline std::string BitString(const std::vector<std::uint8_t>& bytes, std::size_t from = 0) {
  std::string out;
  for (std::size_t i = from; i < bytes.size(); ++i)
    for (int b = 7; b >= 0; --b) out += (bytes[i] >> b & 1) ? '1' : '0';
  return out;
}

inline void PutLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct BmpOptions {
  int header_size = 40;
  std::uint32_t pixel_offset = 0;  // 0: right after the headers
  bool top_down = false;
  int bit_count = 24;
  std::uint32_t compression = 0;
};

// A BMP whose pixel (x, y) (top-down) has colour pixel(x, y) = 0xRRGGBB.
template <typename PixelFn>
std::vector<std::uint8_t> MakeBmp(int width, int height, PixelFn pixel, BmpOptions o = {}) {
  const std::uint32_t headers = 14 + static_cast<std::uint32_t>(o.header_size);
  const std::uint32_t offset = o.pixel_offset ? o.pixel_offset : headers;
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<std::uint8_t> file(offset + stride * static_cast<std::uint32_t>(height), 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe(file, 2, static_cast<std::uint32_t>(file.size()), 4);
  PutLe(file, 10, offset, 4);
  PutLe(file, 14, static_cast<std::uint32_t>(o.header_size), 4);
  if (o.header_size == 12) {
    PutLe(file, 18, static_cast<std::uint32_t>(width), 2);
    PutLe(file, 20, static_cast<std::uint32_t>(height), 2);
    PutLe(file, 22, 1, 2);
    PutLe(file, 24, static_cast<std::uint32_t>(o.bit_count), 2);
  } else {
    PutLe(file, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(file, 22, static_cast<std::uint32_t>(o.top_down ? -height : height), 4);
    PutLe(file, 26, 1, 2);
    PutLe(file, 28, static_cast<std::uint32_t>(o.bit_count), 2);
    PutLe(file, 30, o.compression, 4);
  }
  for (int y = 0; y < height; ++y) {
    const int file_row = o.top_down ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = pixel(x, y);
      std::uint8_t* p = &file[offset + stride * static_cast<std::uint32_t>(file_row) + 3u * static_cast<std::uint32_t>(x)];
      p[0] = static_cast<std::uint8_t>(c);        // B
      p[1] = static_cast<std::uint8_t>(c >> 8);   // G
      p[2] = static_cast<std::uint8_t>(c >> 16);  // R
    }
  }
  return file;
}

}  // namespace authoring_test
