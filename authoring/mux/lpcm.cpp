#include "mux/lpcm.h"

#include <cstring>

#include "core/wav_reader.h"

namespace pennock {

std::optional<WavFormat> ReadWavFormat(const std::filesystem::path& path) {
  const auto layout = core::ReadWavLayout(path);
  if (!layout || layout->coding != core::SampleCoding::Pcm) return std::nullopt;  // plain or extensible PCM
  if (layout->sample_rate != 48000 && layout->sample_rate != 96000) return std::nullopt;
  WavFormat w;
  w.channels = layout->channels;
  w.sample_rate = static_cast<int>(layout->sample_rate);
  w.bits = layout->bits_per_sample;
  if (w.channels < 1 || w.channels > 8) return std::nullopt;
  if (w.bits != 16 && w.bits != 20 && w.bits != 24) return std::nullopt;
  // 20- and 24-bit samples go in groups of four (two for mono).
  if (w.bits != 16 && w.channels > 1 && w.channels % 2) return std::nullopt;
  const int rate_samples = w.sample_rate == 96000 ? 160 : 80;  // sample frames per 1/600 s
  const int quantisation = w.bits == 16 ? 0x00 : w.bits == 20 ? 0x40 : 0x80;
  w.format_byte = static_cast<std::uint8_t>(quantisation | (w.sample_rate == 96000 ? 0x10 : 0x00) |
                                            (w.channels - 1));
  // 20-bit samples arrive in 3-byte containers and leave as 2.5 bytes.
  w.input_frame_bytes = w.channels * rate_samples * (w.bits == 16 ? 2 : 3);
  w.output_frame_bytes = w.channels * rate_samples * w.bits / 8;
  w.group_bytes = w.bits == 16 ? 2 : (w.channels == 1 ? 2 : 4) * w.bits / 8;
  return w;
}

std::optional<WavData> FindWavData(std::FILE* file) {
  const auto layout = core::ReadWavLayout(file);
  if (!layout) return std::nullopt;
  return WavData{layout->data_offset, layout->data_size};
}

namespace {

// Each pair of bytes swapped: little-endian 16-bit samples become big-endian.
// Written as 16-bit rotations on distinct buffers, and vectorised even where
// the build's optimisation level would not.
__attribute__((target_clones("avx2", "default"), optimize("tree-vectorize", "vect-cost-model=dynamic")))
void SwapPairs(const std::uint8_t* __restrict in, std::uint8_t* __restrict out, std::size_t pairs) {
#pragma GCC ivdep
  for (std::size_t i = 0; i < pairs; ++i) {
    std::uint16_t v;
    std::memcpy(&v, in + 2 * i, 2);
    v = static_cast<std::uint16_t>(v << 8 | v >> 8);
    std::memcpy(out + 2 * i, &v, 2);
  }
}

}  // namespace

void ConvertToLpcm(const WavFormat& format, const std::uint8_t* in, std::size_t bytes,
                   std::vector<std::uint8_t>& out) {
  if (format.bits == 16) {
    const std::size_t start = out.size();
    out.resize(start + bytes);
    SwapPairs(in, out.data() + start, bytes / 2);
    return;
  }
  // Groups of samples: four (two sample frames of a stereo pair), two for mono.
  const std::size_t per_group = format.channels == 1 ? 2 : 4;
  const std::size_t samples = bytes / 3;
  for (std::size_t first = 0; first + per_group <= samples; first += per_group) {
    const std::uint8_t* s = in + first * 3;  // little-endian 24-bit containers
    for (std::size_t k = 0; k < per_group; ++k) {
      out.push_back(s[3 * k + 2]);
      out.push_back(s[3 * k + 1]);
    }
    if (format.bits == 24) {
      for (std::size_t k = 0; k < per_group; ++k) out.push_back(s[3 * k]);
    } else {
      for (std::size_t k = 0; k < per_group; k += 2)
        out.push_back(static_cast<std::uint8_t>((s[3 * k] & 0xF0) | (s[3 * k + 3] >> 4)));
    }
  }
}

}  // namespace pennock
