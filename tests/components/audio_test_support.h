// Helpers for the tests of the audio components: ffmpeg as the reference
// tool, strict WAV reading, sine fitting and a file-size limit that stands in
// for a full disk.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace audio_test {

inline std::string Quote(const std::filesystem::path& path) {
  std::string out = "'";
  for (const char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs ffmpeg quietly; true when it succeeded.
inline bool Ffmpeg(const std::string& args) {
  return std::system(("ffmpeg -nostdin -hide_banner -loglevel error -y " + args).c_str()) == 0;
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::int16_t> ToSamples(const std::uint8_t* data, std::size_t bytes) {
  std::vector<std::int16_t> samples(bytes / 2);
  std::memcpy(samples.data(), data, samples.size() * 2);
  return samples;
}

// The first audio stream of a file as ffmpeg decodes it: interleaved 16-bit
// samples at the stream's own rate and channel count.
inline std::optional<std::vector<std::int16_t>> FfmpegDecode(const std::filesystem::path& source,
                                                             const std::filesystem::path& raw) {
  if (!Ffmpeg("-i " + Quote(source) + " -map 0:a:0 -c:a pcm_s16le -f s16le " + Quote(raw)))
    return std::nullopt;
  const auto bytes = ReadBytes(raw);
  return ToSamples(bytes.data(), bytes.size());
}

// A 16-bit PCM WAV with the canonical 44-byte header whose sizes agree with
// the file, as the components write them.
struct Wav {
  std::uint16_t format = 0;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint32_t byte_rate = 0;
  std::uint16_t block_align = 0;
  std::uint16_t bits = 0;
  std::vector<std::int16_t> samples;

  std::size_t Frames() const { return channels ? samples.size() / channels : 0; }
  double Seconds() const { return rate ? static_cast<double>(Frames()) / rate : 0.0; }
};

inline std::uint32_t Le(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Empty when the file is not such a WAV.
inline std::optional<Wav> ReadCanonicalWav(const std::filesystem::path& path) {
  const auto b = ReadBytes(path);
  if (b.size() < 44 || std::memcmp(&b[0], "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVEfmt ", 8) != 0 ||
      Le(&b[16], 4) != 16 || std::memcmp(&b[36], "data", 4) != 0 || Le(&b[4], 4) != b.size() - 8 ||
      Le(&b[40], 4) != b.size() - 44)
    return std::nullopt;
  Wav wav;
  wav.format = static_cast<std::uint16_t>(Le(&b[20], 2));
  wav.channels = static_cast<std::uint16_t>(Le(&b[22], 2));
  wav.rate = Le(&b[24], 4);
  wav.byte_rate = Le(&b[28], 4);
  wav.block_align = static_cast<std::uint16_t>(Le(&b[32], 2));
  wav.bits = static_cast<std::uint16_t>(Le(&b[34], 2));
  wav.samples = ToSamples(b.data() + 44, b.size() - 44);
  return wav;
}

// Signal-to-noise ratio in dB of one channel against the best-fitting sine
// of the given frequency (amplitude, phase and offset fitted by least
// squares), leaving out the first and last tenth of a second.
inline double SineSnrDb(const std::vector<std::int16_t>& samples, int channels, int channel,
                        double rate, double frequency) {
  const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
  const auto margin = static_cast<std::size_t>(rate / 10);
  if (frames <= 2 * margin) return -1000;
  // Normal equations for y = a sin + b cos + c.
  double m[3][4] = {};
  for (std::size_t i = margin; i < frames - margin; ++i) {
    const double t = 2 * M_PI * frequency * static_cast<double>(i) / rate;
    const double x[3] = {std::sin(t), std::cos(t), 1.0};
    const double y = samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) m[r][c] += x[r] * x[c];
      m[r][3] += x[r] * y;
    }
  }
  for (int p = 0; p < 3; ++p)
    for (int r = 0; r < 3; ++r)
      if (r != p) {
        const double f = m[r][p] / m[p][p];
        for (int c = 0; c < 4; ++c) m[r][c] -= f * m[p][c];
      }
  const double a = m[0][3] / m[0][0], b = m[1][3] / m[1][1], c = m[2][3] / m[2][2];
  double signal = 0, noise = 0;
  for (std::size_t i = margin; i < frames - margin; ++i) {
    const double t = 2 * M_PI * frequency * static_cast<double>(i) / rate;
    const double fit = a * std::sin(t) + b * std::cos(t);
    const double y = samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)];
    signal += fit * fit;
    noise += (y - fit - c) * (y - fit - c);
  }
  return noise > 0 ? 10 * std::log10(signal / noise) : 1000;
}

// Lets files of this process grow to `bytes` only, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t old_handler_ = SIG_DFL;
};

}  // namespace audio_test
