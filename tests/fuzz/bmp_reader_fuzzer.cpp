// libFuzzer target for the still encoder's BMP reader: any bytes must give a
// status, never a read or write out of bounds; an accepted picture has its
// pixels and fits a DVD frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "encoder/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pennock::BmpPicture picture;
  const auto status = pennock::ParseBmp24(std::span<const std::uint8_t>(data, size), picture);
  if (status == pennock::BmpStatus::Ok) {
    if (picture.width <= 0 || picture.width > pennock::kMaxStillWidth || picture.height <= 0 ||
        picture.height > pennock::kMaxStillHeight ||
        picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3)
      std::abort();
  }
  return 0;
}
