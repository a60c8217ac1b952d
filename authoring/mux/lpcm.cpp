#include "mux/lpcm.h"

#include <array>
#include <cstring>
#include <memory>

namespace pennock {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::optional<WavFormat> ReadWavFormat(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> head(131070 + 24);
  const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
  for (std::size_t at = 0; at + 24 <= got; at += 2) {
    if (std::memcmp(&head[at], "fmt ", 4) != 0) continue;
    const std::uint8_t* f = &head[at + 8];  // after the chunk size
    const int tag = Le16(f);
    WavFormat w;
    w.channels = Le16(f + 2);
    w.sample_rate = static_cast<int>(Le32(f + 4));
    w.bits = Le16(f + 14);
    const bool pcm = tag == 1 || tag == 0xFFFE;  // plain or extensible PCM
    if (!pcm || w.channels < 1 || w.channels > 8) return std::nullopt;
    if (w.sample_rate != 48000 && w.sample_rate != 96000) return std::nullopt;
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
  return std::nullopt;
}

std::optional<WavData> FindWavData(std::FILE* file) {
  std::array<std::uint8_t, 40960 + 8> head{};
  if (std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
  const std::size_t got = std::fread(head.data(), 1, head.size(), file);
  for (std::size_t at = 0; at + 8 <= got && at < 40960; ++at) {
    if (std::memcmp(&head[at], "data", 4) != 0) continue;
    return WavData{at + 8, Le32(&head[at + 4])};
  }
  return std::nullopt;
}

void ConvertToLpcm(const WavFormat& format, const std::uint8_t* in, std::size_t bytes,
                   std::vector<std::uint8_t>& out) {
  if (format.bits == 16) {
    const std::size_t start = out.size();
    out.resize(start + bytes);
    std::uint8_t* o = out.data() + start;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
      o[i] = in[i + 1];
      o[i + 1] = in[i];
    }
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
