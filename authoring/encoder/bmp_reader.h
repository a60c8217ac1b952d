// Reading the 24-bit BMP files the still encoder takes: BITMAPCOREHEADER and
// BITMAPINFOHEADER (and its longer V4/V5 forms), bottom-up or top-down rows,
// rows padded to 4 bytes, the file's own pixel offset.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace pennock {

// The largest picture a DVD still can hold.
inline constexpr int kMaxStillWidth = 720;
inline constexpr int kMaxStillHeight = 576;

struct BmpPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top-down rows, R G B per pixel, no padding

  const std::uint8_t* Pixel(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

enum class BmpStatus {
  Ok,
  CannotOpen,   // the file cannot be read
  NotBitmap24,  // "It is not a 24-bit bitmap"
  WrongSize,    // "Wrong bitmap size": truncated, empty or larger than 720 x 576
};

BmpStatus ParseBmp24(std::span<const std::uint8_t> file, BmpPicture& picture);
BmpStatus ReadBmp24(const std::filesystem::path& path, BmpPicture& picture);

}  // namespace pennock
