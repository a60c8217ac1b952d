// Helpers shared by the imaging tests: pictures with known pixels, pixel
// access, and ImageMagick as an outside reader and writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "imaging/dib.h"

namespace imaging_test {

using verosa::DibBlock;
using verosa::DibLayout;
using verosa::PixelFormat;

inline DibLayout LayoutOf(const DibBlock& dib) {
  const auto layout = verosa::DibLayoutOf(dib);
  if (!layout) std::abort();
  return *layout;
}

// Pixel bytes at column x of row y counted from the top.
inline const std::uint8_t* PixelAt(const DibBlock& dib, int x, int y) {
  const DibLayout l = LayoutOf(dib);
  return dib.data() + l.RowOffset(y) + static_cast<std::size_t>(x) * l.bytes_per_pixel;
}
inline std::uint8_t* PixelAt(DibBlock& dib, int x, int y) {
  return const_cast<std::uint8_t*>(PixelAt(static_cast<const DibBlock&>(dib), x, y));
}

// A picture with random pixel bytes (row padding stays zero).
inline DibBlock RandomDib(int width, int height, PixelFormat format, std::uint32_t seed) {
  DibBlock dib = verosa::CreateBlankDib(width, height, 0, format);
  const DibLayout l = LayoutOf(dib);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = PixelAt(dib, 0, y);
    for (int i = 0; i < width * l.bytes_per_pixel; ++i) p[i] = static_cast<std::uint8_t>(rng());
  }
  return dib;
}

// Top-down RGB bytes of a picture, as ImageMagick's "rgb:" output gives them.
inline std::vector<std::uint8_t> TopDownRgb(const DibBlock& dib) {
  const DibLayout l = LayoutOf(dib);
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(l.width) * l.height * 3);
  for (int y = 0; y < l.height; ++y)
    for (int x = 0; x < l.width; ++x) {
      const std::uint8_t* p = PixelAt(dib, x, y);
      if (l.format == PixelFormat::Grey8) {
        rgb.insert(rgb.end(), {p[0], p[0], p[0]});
      } else {
        rgb.insert(rgb.end(), {p[2], p[1], p[0]});
      }
    }
  return rgb;
}

inline std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

inline bool RunQuiet(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

inline bool HaveImageMagick() {
  static const bool have = RunQuiet("convert -version") && RunQuiet("identify -version");
  return have;
}

// The pixels of any picture file as ImageMagick reads them: top-down RGB.
inline std::vector<std::uint8_t> ImageMagickRgb(const std::filesystem::path& path) {
  const std::string out = Output("convert " + Quote(path) + " -depth 8 rgb:-");
  return {out.begin(), out.end()};
}

}  // namespace imaging_test

// scripts/install-deps.sh installs ImageMagick; a missing one fails the test.
#define REQUIRE_IMAGEMAGICK() \
  ASSERT_TRUE(imaging_test::HaveImageMagick()) << "ImageMagick (convert, identify) is needed"

