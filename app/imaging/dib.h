// Packed device-independent bitmaps: a 40-byte info header, a 256-entry grey
// colour table for 8-bit pictures, then the pixel rows, bottom-up, each padded
// to a multiple of 4 bytes. This block is the pixel store of StillPicture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "project/project_types.h"

namespace verosa {

// Leaves bytes made by resize() unset: a picture's pixels are written once,
// by whoever fills them, instead of being cleared first.
template <class T>
struct UnsetAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UnsetAllocator<U>;
  };
  UnsetAllocator() = default;
  template <class U>
  UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
};

using DibBlock = std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>>;

// BITMAPINFOHEADER, stored little-endian.
struct BitmapInfoHeader {
  std::uint32_t biSize = kSize;        // 0
  std::int32_t biWidth = 0;            // 4
  std::int32_t biHeight = 0;           // 8, positive: bottom-up rows
  std::uint16_t biPlanes = 1;          // 12
  std::uint16_t biBitCount = 0;        // 14
  std::uint32_t biCompression = 0;     // 16
  std::uint32_t biSizeImage = 0;       // 20
  std::int32_t biXPelsPerMeter = 0;    // 24
  std::int32_t biYPelsPerMeter = 0;    // 28
  std::uint32_t biClrUsed = 0;         // 32
  std::uint32_t biClrImportant = 0;    // 36

  static constexpr std::size_t kSize = 40;
  // Reads the first 40 bytes of `bytes`; none when there are fewer.
  static std::optional<BitmapInfoHeader> Read(const std::uint8_t* bytes, std::size_t size);
  void Write(std::uint8_t* out) const;
};

// BITMAPFILEHEADER, stored little-endian.
struct BitmapFileHeader {
  std::uint16_t bfType = kBitmapType;  // 0, "BM"
  std::uint32_t bfSize = 0;            // 2
  std::uint16_t bfReserved1 = 0;       // 6
  std::uint16_t bfReserved2 = 0;       // 8
  std::uint32_t bfOffBits = 0;         // 10

  static constexpr std::size_t kSize = 14;
  static constexpr std::uint16_t kBitmapType = 0x4D42;
  static std::optional<BitmapFileHeader> Read(const std::uint8_t* bytes, std::size_t size);
  void Write(std::uint8_t* out) const;
};

inline constexpr std::int32_t kPixelsPerMetre = 7874;  // 200 dpi
inline constexpr std::size_t kGreyTableBytes = 1024;
// Largest picture this program holds in memory (a 134-megapixel photo).
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 27;
inline constexpr std::int32_t kMaxPictureSide = 65535;

enum class PixelFormat {
  Grey8,   // one byte, grey colour table
  Bgr24,   // blue, green, red
  Bgrx32,  // blue, green, red, unused
};

int BytesPerPixel(PixelFormat format);
// Row length in bytes, padded to 4; none when it overflows.
std::optional<std::size_t> DibStride(std::int64_t width, int bytes_per_pixel);

// The geometry of a packed DIB held by this program. Valid only for the forms
// this program makes: 40-byte header, positive size, 8 (grey), 24 or 32 bits,
// no compression, and a block long enough for every row.
struct DibLayout {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Bgr24;
  int bytes_per_pixel = 3;
  std::size_t stride = 0;
  std::size_t pixel_offset = 0;  // header plus colour table

  std::size_t ImageBytes() const { return stride * static_cast<std::size_t>(height); }
  // Byte offset of the row `top_row` counted from the top of the picture.
  std::size_t RowOffset(int top_row) const {
    return pixel_offset + stride * static_cast<std::size_t>(height - 1 - top_row);
  }
};

std::optional<DibLayout> DibLayoutOf(const DibBlock& dib);

// A picture of width x height filled with `colour` (0x00BBGGRR; for grey
// pictures its low byte). Empty when the size is not positive or too large.
DibBlock CreateBlankDib(int width, int height, ColorRef colour, PixelFormat format);

// A picture of width x height whose header, grey table and row padding are
// set and whose pixel bytes are left for the caller to write, every one.
// Empty when the size is not positive or too large.
DibBlock AllocateDib(int width, int height, PixelFormat format);

// The picture in 24-bit form (blue, green, red): grey pixels repeat their
// byte, 32-bit ones lose the unused one; a 24-bit picture is copied. Empty
// when the source is not a valid DIB or the copy cannot be made.
DibBlock ToBgr24(const DibBlock& source);

enum class ScaleOrder {
  Automatic,        // horizontal first when the width shrinks relatively more
  HorizontalFirst,  // resample source rows, then blend two of them
  VerticalFirst,    // blend two source rows, then resample the blend
};

// Bilinear scaling with 8-bit fixed-point weights. The copy has the source's
// pixel format; the same size copies the pixels exactly. Empty when the
// source is not a valid DIB or the target size is not positive or too large.
DibBlock ScaleDib(const DibBlock& source, int width, int height,
                  ScaleOrder order = ScaleOrder::Automatic);

}  // namespace verosa
