// libFuzzer target for the picture loader's BMP decoder: any bytes give a
// valid block or none, never a read or write out of bounds; an accepted
// picture survives a write and a second read unchanged, and scales.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/dib.h"
#include "imaging/picture_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A smaller picture limit keeps every run quick.
  const verosa::DibBlock dib = verosa::DecodeBmp(std::span<const std::uint8_t>(data, size), 1u << 22);
  if (dib.empty()) return 0;
  const auto layout = verosa::DibLayoutOf(dib);
  if (!layout || dib.size() != layout->pixel_offset + layout->ImageBytes()) std::abort();

  const std::vector<std::uint8_t> file = verosa::EncodeBmp(dib);
  const verosa::DibBlock again = verosa::DecodeBmp(file, 1u << 22);
  if (again.empty()) std::abort();
  if (layout->format != verosa::PixelFormat::Bgrx32 && again != dib) std::abort();

  const verosa::DibBlock scaled = verosa::ScaleDib(dib, 13, 7);
  if (scaled.empty() || !verosa::DibLayoutOf(scaled)) std::abort();
  return 0;
}
