#include "output/disc_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/pcm_wav_writer.h"
#include "core/stereo_mix.h"
#include "core/wav_reader.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// Plain or extensible integer PCM only.
std::optional<core::WavLayout> ReadPcmLayout(std::FILE* f) {
  auto layout = core::ReadWavLayout(f);
  if (!layout || layout->coding != core::SampleCoding::Pcm) return std::nullopt;
  return layout;
}

}  // namespace

std::optional<PcmShape> ReadPcmShape(const fs::path& wav) {
  File f(std::fopen(wav.c_str(), "rb"));
  if (!f) return std::nullopt;
  const auto layout = ReadPcmLayout(f.get());
  if (!layout) return std::nullopt;
  return PcmShape{layout->bits_per_sample, layout->channels};
}

bool IsPcmWavAt(const fs::path& wav, int rate) {
  File f(std::fopen(wav.c_str(), "rb"));
  const auto layout = f ? ReadPcmLayout(f.get()) : std::nullopt;
  return layout && (layout->bits_per_sample == 16 || layout->bits_per_sample == 24) && layout->channels >= 1 &&
         layout->sample_rate == static_cast<std::uint32_t>(rate);
}

bool WriteStereo16Wav(const fs::path& in, const fs::path& out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  File f(std::fopen(in.c_str(), "rb"));
  if (!f) return fail("cannot open " + in.string());
  const auto layout = ReadPcmLayout(f.get());
  if (!layout) return fail(in.string() + " is not a PCM WAV file");
  const int bits = layout->bits_per_sample;
  const int channels = layout->channels;
  if ((bits != 16 && bits != 24) || channels < 1)
    return fail(in.string() + ": only 16- or 24-bit PCM can be copied");
  if (fseeko(f.get(), static_cast<off_t>(layout->data_offset), SEEK_SET) != 0)
    return fail(in.string() + " is not a PCM WAV file");

  pcm_wav::Writer writer;
  if (!writer.Open(out.string(), static_cast<int>(layout->sample_rate), 2)) return fail("cannot write " + out.string());
  const std::size_t in_frame = static_cast<std::size_t>(bits / 8 * channels);
  constexpr std::size_t kFrames = 16384;
  std::vector<std::uint8_t> buffer(kFrames * in_frame);
  std::vector<std::int16_t> samples(kFrames * 2);
  std::vector<std::int32_t> frame(static_cast<std::size_t>(channels));
  const core::StereoMix mix(channels);
  std::uint64_t left = layout->data_size / in_frame;
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kFrames));
    const std::size_t got = std::fread(buffer.data(), in_frame, want, f.get());
    for (std::size_t i = 0; i < got; ++i) {
      // Samples at 16 bits (24-bit rounded), then mono doubled, stereo
      // kept and more channels mixed down.
      for (int c = 0; c < channels; ++c) {
        const std::uint8_t* s = &buffer[i * in_frame + static_cast<std::size_t>(c) * (bits / 8)];
        if (bits == 16) {
          frame[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(Le16(s));
        } else {
          const std::int32_t s24 = static_cast<std::int32_t>(static_cast<std::uint32_t>(s[0] | s[1] << 8 | s[2] << 16) << 8) >> 8;
          frame[static_cast<std::size_t>(c)] = std::clamp((s24 + 128) >> 8, -32768, 32767);
        }
      }
      double l = frame[0], r = frame[0];
      if (channels == 2) r = frame[1];
      else if (channels > 2) mix.Mix(frame.data(), l, r);
      samples[i * 2] = static_cast<std::int16_t>(std::clamp<long>(std::lround(l), -32768, 32767));
      samples[i * 2 + 1] = static_cast<std::int16_t>(std::clamp<long>(std::lround(r), -32768, 32767));
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
