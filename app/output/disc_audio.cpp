#include "output/disc_audio.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "pcm_wav_writer.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

struct WavLayout {
  PcmShape shape;
  int sample_rate = 0;
  long data_offset = 0;
  std::uint64_t data_bytes = 0;
};

// Walks the RIFF chunks up to "data". Plain or extensible integer PCM only.
std::optional<WavLayout> ReadLayout(std::FILE* f) {
  std::array<std::uint8_t, 12> riff{};
  if (std::fread(riff.data(), 1, riff.size(), f) != riff.size()) return std::nullopt;
  if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return std::nullopt;
  WavLayout layout;
  bool have_format = false;
  for (;;) {
    std::array<std::uint8_t, 8> chunk{};
    if (std::fread(chunk.data(), 1, chunk.size(), f) != chunk.size()) return std::nullopt;
    const std::uint32_t size = Le32(chunk.data() + 4);
    if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
      std::array<std::uint8_t, 40> fmt{};
      const std::size_t want = std::min<std::size_t>(size, fmt.size());
      if (want < 16 || std::fread(fmt.data(), 1, want, f) != want) return std::nullopt;
      const std::uint16_t tag = Le16(fmt.data());
      const bool extensible_pcm = tag == 0xFFFE && want >= 26 && Le16(fmt.data() + 24) == 1;
      if (tag != 1 && !extensible_pcm) return std::nullopt;
      layout.shape = {Le16(fmt.data() + 14), Le16(fmt.data() + 2)};
      layout.sample_rate = static_cast<int>(Le32(fmt.data() + 4));
      have_format = true;
      if (std::fseek(f, static_cast<long>(size - want + (size & 1)), SEEK_CUR) != 0) return std::nullopt;
    } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
      if (!have_format) return std::nullopt;
      layout.data_offset = std::ftell(f);
      if (std::fseek(f, 0, SEEK_END) != 0) return std::nullopt;
      const long end = std::ftell(f);
      const std::uint64_t rest = end > layout.data_offset ? static_cast<std::uint64_t>(end - layout.data_offset) : 0;
      // A streamed file may leave the size open (0 or all ones): the rest of the file.
      layout.data_bytes = size == 0 || size == 0xFFFFFFFFu ? rest : std::min<std::uint64_t>(size, rest);
      if (std::fseek(f, layout.data_offset, SEEK_SET) != 0) return std::nullopt;
      return layout;
    } else if (std::fseek(f, static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
      return std::nullopt;
    }
  }
}

}  // namespace

std::optional<PcmShape> ReadPcmShape(const fs::path& wav) {
  File f(std::fopen(wav.c_str(), "rb"));
  if (!f) return std::nullopt;
  const auto layout = ReadLayout(f.get());
  if (!layout) return std::nullopt;
  return layout->shape;
}

bool WriteStereo16Wav(const fs::path& in, const fs::path& out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  File f(std::fopen(in.c_str(), "rb"));
  if (!f) return fail("cannot open " + in.string());
  const auto layout = ReadLayout(f.get());
  if (!layout) return fail(in.string() + " is not a PCM WAV file");
  const int bits = layout->shape.bits;
  const int channels = layout->shape.channels;
  if ((bits != 16 && bits != 24) || (channels != 1 && channels != 2))
    return fail(in.string() + ": only 16- or 24-bit mono or stereo PCM can be copied");

  pcm_wav::Writer writer;
  if (!writer.Open(out.string(), layout->sample_rate, 2)) return fail("cannot write " + out.string());
  const std::size_t in_frame = static_cast<std::size_t>(bits / 8 * channels);
  constexpr std::size_t kFrames = 16384;
  std::vector<std::uint8_t> buffer(kFrames * in_frame);
  std::vector<std::int16_t> samples(kFrames * 2);
  std::uint64_t left = layout->data_bytes / in_frame;
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kFrames));
    const std::size_t got = std::fread(buffer.data(), in_frame, want, f.get());
    for (std::size_t i = 0; i < got; ++i) {
      for (int c = 0; c < 2; ++c) {
        const std::uint8_t* s = &buffer[i * in_frame + static_cast<std::size_t>(channels == 1 ? 0 : c) * (bits / 8)];
        std::int32_t v;
        if (bits == 16) {
          v = static_cast<std::int16_t>(Le16(s));
        } else {
          const std::int32_t s24 = static_cast<std::int32_t>(static_cast<std::uint32_t>(s[0] | s[1] << 8 | s[2] << 16) << 8) >> 8;
          v = std::clamp((s24 + 128) >> 8, -32768, 32767);
        }
        samples[i * 2 + static_cast<std::size_t>(c)] = static_cast<std::int16_t>(v);
      }
    }
    if (!writer.Write(samples.data(), got)) {
      writer.Discard();
      return fail("cannot write " + out.string());
    }
    if (got < want) break;  // a file shorter than its header says
    left -= got;
  }
  if (!writer.Finish()) return fail("cannot write " + out.string());
  return true;
}

}  // namespace verosa
