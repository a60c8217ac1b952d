// libFuzzer target for the RIFF/WAV reader: any bytes give a layout or a
// reason, never a read out of bounds or an endless walk; an accepted layout
// points inside the file at a "data" chunk's body, resolves its size as the
// header documents, and an open FILE* over the same bytes reads the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "core/wav_reader.h"

namespace {

bool Same(const core::WavLayout& a, const core::WavLayout& b) {
  return a.format_tag == b.format_tag && a.coding == b.coding && a.channels == b.channels &&
         a.sample_rate == b.sample_rate && a.block_align == b.block_align &&
         a.bits_per_sample == b.bits_per_sample && a.valid_bits == b.valid_bits &&
         a.channel_mask == b.channel_mask && a.data_offset == b.data_offset && a.data_size == b.data_size &&
         a.declared_data_size == b.declared_data_size && a.file_size == b.file_size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  core::WavError error{};
  const auto layout = core::ReadWavLayout(std::span<const std::uint8_t>(data, size), &error);
  if (!layout) {
    if (core::Describe(error).empty()) std::abort();
  } else {
    const core::WavLayout& w = *layout;
    if (w.file_size != size || w.data_offset < 20 || w.data_offset > size) std::abort();
    if (std::memcmp(data + w.data_offset - 8, "data", 4) != 0) std::abort();
    const std::uint64_t room = size - w.data_offset;
    const bool open = w.declared_data_size == 0 || w.declared_data_size == 0xFFFFFFFF;
    if (w.data_size != (open ? room : std::min<std::uint64_t>(w.declared_data_size, room))) std::abort();
    if (w.valid_bits == 0 && w.bits_per_sample != 0) std::abort();
  }

  // The same bytes as an open file.
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (!file) return 0;
  core::WavError file_error{};
  const auto from_file = core::ReadWavLayout(file, &file_error);
  std::fclose(file);
  if (layout.has_value() != from_file.has_value()) std::abort();
  if (layout ? !Same(*layout, *from_file) : error != file_error) std::abort();
  return 0;
}
