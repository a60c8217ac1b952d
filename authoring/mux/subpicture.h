// Sub-pictures: a 2-bit picture (four pixel values) run-length coded by
// fields, with its display control sequence, packetised as private stream 1
// sub-stream 0x20 in 2048-byte packs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mux/pack_format.h"

namespace pennock {

inline constexpr std::uint8_t kSubpictureStream = 0x20;

// Pixel values 0..3, row after row.
struct SubpictureImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  SubpictureImage() = default;
  SubpictureImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 0) {}
  std::uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// For pixel value v: the palette entry (0..15) and the contrast (0 clear ..
// 15 opaque) shown.
struct SubpictureColours {
  std::array<std::uint8_t, 4> colour{};
  std::array<std::uint8_t, 4> contrast{};
};

// The packed colour word of highlight colours: palette entries of pixel
// values 3..0 in the upper 16 bits, their contrasts in the lower 16, each
// value's nibble at 4 x value.
std::uint32_t PackedColours(const SubpictureColours& colours);

// One sub-picture unit shown at once from its start until replaced: the
// image placed at (x, y) of the screen, both fields coded, one display
// control sequence (forced start, colours, contrasts, area, field offsets).
// Empty when the unit would exceed 53220 bytes or the image is empty.
std::vector<std::uint8_t> EncodeSubpicture(const SubpictureImage& image, int x, int y,
                                           const SubpictureColours& colours);

// The unit in packs with SCR 0: the first packet carries the PTS; the last
// pack is closed with stuffing or a padding packet.
std::vector<Pack> PacketiseSubpicture(const std::vector<std::uint8_t>& unit, std::uint32_t pts);

}  // namespace pennock
