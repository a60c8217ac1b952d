// Reading RIFF WAV files: the header facts the engines check their outputs
// against, and a reader that hands 16-bit samples to the MP3 encoder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace carrowell {

inline constexpr std::uint16_t kWavPcm = 1;
inline constexpr std::uint16_t kWavFloat = 3;

struct WavInfo {
  std::uint16_t format_tag = 0;  // kWavPcm or kWavFloat (extensible resolved)
  std::uint16_t channels = 0;
  std::uint32_t sample_rate = 0;
  std::uint16_t block_align = 0;
  std::uint16_t bits_per_sample = 0;
  std::uint64_t data_offset = 0;          // where the sample data starts
  std::uint64_t data_size = 0;            // sample bytes present in the file
  std::uint32_t declared_data_size = 0;   // as the header says
  std::uint64_t file_size = 0;

  // The header's data size is exactly what the file holds (an open size
  // with samples after it, or one running past the end, is not) and a whole
  // number of frames.
  bool IsComplete() const;
  // Frames actually present in the file.
  std::uint64_t Frames() const;
  double Seconds() const;
};

// nullopt when the file is not a readable RIFF WAV with "fmt " and "data"
// (read by core/wav_reader.h, which resolves open and overlong data sizes).
std::optional<WavInfo> ReadWavInfo(const std::filesystem::path& path);

// Reads a 16-bit PCM WAV as interleaved 16-bit values for one or two output
// channels (at first: one for a mono file, else two); other channel counts
// are mixed to the output's.
class PcmWavReader {
 public:
  PcmWavReader() = default;
  ~PcmWavReader();
  PcmWavReader(const PcmWavReader&) = delete;
  PcmWavReader& operator=(const PcmWavReader&) = delete;

  // False when the file cannot be read or is not 16-bit PCM.
  bool Open(const std::filesystem::path& path);
  const WavInfo& Info() const { return info_; }
  int OutputChannels() const { return out_channels_; }
  // 1 or 2.
  void SetOutputChannels(int channels) { out_channels_ = channels == 1 ? 1 : 2; }
  // Values (all output channels) the whole file gives.
  std::uint64_t TotalValues() const { return info_.Frames() * OutputChannels(); }
  // Reads up to `count` values, whole frames only. Returns the number read,
  // 0 at the end, -1 on a read error.
  long Read(std::int16_t* out, std::size_t count);

 private:
  std::FILE* file_ = nullptr;
  WavInfo info_;
  std::uint64_t frames_left_ = 0;
  int out_channels_ = 2;
  std::vector<std::int16_t> frame_buffer_;
};

}  // namespace carrowell
