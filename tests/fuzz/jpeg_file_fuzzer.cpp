// libFuzzer target for the picture loader's JPEG decoder (libjpeg through its
// stdio source, as files are read): any bytes give a 24-bit picture or a
// refusal, never a read or write out of bounds or a leak.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "imaging/dib.h"
#include "imaging/picture_codecs.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetMessageBoxHandler(
      [](platform::WindowHandle, const std::string&, const std::string&, unsigned) {
        return static_cast<int>(platform::kIdOk);
      });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* file = ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (!file) return 0;
  verosa::DibBlock dib;
  // A smaller picture limit keeps every run quick.
  const bool loaded = verosa::DecodeJpeg(file, dib, 1u << 22);
  std::fclose(file);
  if (!loaded) {
    if (!dib.empty()) std::abort();
    return 0;
  }
  const auto layout = verosa::DibLayoutOf(dib);
  if (!layout || layout->format != verosa::PixelFormat::Bgr24 ||
      dib.size() != layout->pixel_offset + layout->ImageBytes())
    std::abort();
  return 0;
}
