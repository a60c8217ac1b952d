#include "encoder/bmp_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace pennock {
namespace {

std::uint32_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8;
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;

}  // namespace

BmpStatus ParseBmp24(std::span<const std::uint8_t> file, BmpPicture& picture) {
  if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return BmpStatus::NotBitmap24;
  if (file.size() < kFileHeaderSize + 4) return BmpStatus::WrongSize;
  const std::uint32_t header_size = Le32(file, 14);
  if (header_size != kCoreHeaderSize && header_size < kInfoHeaderSize)
    return BmpStatus::NotBitmap24;
  if (file.size() < kFileHeaderSize + std::min<std::uint32_t>(header_size, kInfoHeaderSize))
    return BmpStatus::WrongSize;

  std::int64_t width = 0, height = 0;
  std::uint32_t bit_count = 0, compression = kBiRgb;
  if (header_size == kCoreHeaderSize) {
    width = Le16(file, 18);
    height = Le16(file, 20);
    bit_count = Le16(file, 24);
  } else {
    width = static_cast<std::int32_t>(Le32(file, 18));
    height = static_cast<std::int32_t>(Le32(file, 22));
    bit_count = Le16(file, 28);
    compression = Le32(file, 30);
  }
  if (bit_count != 24 || compression != kBiRgb) return BmpStatus::NotBitmap24;

  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxStillWidth || height > kMaxStillHeight)
    return BmpStatus::WrongSize;

  std::uint64_t offset = Le32(file, 10);
  if (offset == 0) offset = kFileHeaderSize + header_size;
  if (offset < kFileHeaderSize + std::min<std::uint32_t>(header_size, kInfoHeaderSize))
    return BmpStatus::WrongSize;
  const std::uint64_t row_bytes = static_cast<std::uint64_t>(width) * 3;
  const std::uint64_t stride = (row_bytes + 3) & ~std::uint64_t{3};
  // The last row may lack its padding.
  if (offset + stride * static_cast<std::uint64_t>(height - 1) + row_bytes > file.size())
    return BmpStatus::WrongSize;

  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.rgb.resize(static_cast<std::size_t>(row_bytes * height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t file_row = top_down ? y : height - 1 - y;
    const std::uint8_t* src = file.data() + offset + stride * file_row;
    std::uint8_t* dst = picture.rgb.data() + row_bytes * y;
    for (std::int64_t x = 0; x < width; ++x) {  // B G R in the file
      dst[3 * x + 0] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x + 0];
    }
  }
  return BmpStatus::Ok;
}

BmpStatus ReadBmp24(const std::filesystem::path& path, BmpPicture& picture) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return BmpStatus::CannotOpen;
  std::ifstream in(path, std::ios::binary);
  if (!in) return BmpStatus::CannotOpen;
  // Nothing larger than a 720 x 576 picture with generous headers is read.
  constexpr std::size_t kMaxFile = 54 + 1024 * 1024 + static_cast<std::size_t>(kMaxStillWidth + 4) * 3 * kMaxStillHeight;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return BmpStatus::CannotOpen;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, kMaxFile)));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return BmpStatus::CannotOpen;
  return ParseBmp24(bytes, picture);
}

}  // namespace pennock
