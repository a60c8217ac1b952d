#include "engine/wav_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <system_error>

namespace carrowell {
namespace {

namespace fs = std::filesystem;

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr std::uint16_t kWavExtensible = 0xFFFE;

// Samples are read straight into memory.
static_assert(std::endian::native == std::endian::little);

}  // namespace

bool WavInfo::IsComplete() const {
  return block_align != 0 && data_offset <= file_size && data_size <= file_size - data_offset &&
         data_size % block_align == 0;
}

std::uint64_t WavInfo::Frames() const {
  if (block_align == 0 || data_offset > file_size) return 0;
  return std::min(data_size, file_size - data_offset) / block_align;
}

double WavInfo::Seconds() const {
  return sample_rate ? static_cast<double>(Frames()) / sample_rate : 0.0;
}

std::optional<WavInfo> ReadWavInfo(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  WavInfo info;
  info.file_size = fs::file_size(path, ec);
  if (ec) return std::nullopt;

  unsigned char riff[12];
  if (!in.read(reinterpret_cast<char*>(riff), sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0)
    return std::nullopt;

  bool have_format = false;
  std::uint64_t offset = 12;
  while (offset + 8 <= info.file_size) {
    unsigned char chunk[8];
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) return std::nullopt;
    const std::uint32_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16) return std::nullopt;
      unsigned char fmt[40] = {};
      const std::size_t wanted = std::min<std::size_t>(size, sizeof fmt);
      if (!in.read(reinterpret_cast<char*>(fmt), static_cast<std::streamsize>(wanted)))
        return std::nullopt;
      info.format_tag = Le16(fmt);
      info.channels = Le16(fmt + 2);
      info.sample_rate = Le32(fmt + 4);
      info.block_align = Le16(fmt + 12);
      info.bits_per_sample = Le16(fmt + 14);
      if (info.format_tag == kWavExtensible && wanted >= 26) info.format_tag = Le16(fmt + 24);
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!have_format) return std::nullopt;
      info.data_offset = offset + 8;
      info.data_size = size;
      return info;
    }
    offset += 8 + static_cast<std::uint64_t>(size) + (size & 1);
  }
  return std::nullopt;
}

PcmWavReader::~PcmWavReader() {
  if (file_) std::fclose(file_);
}

bool PcmWavReader::Open(const fs::path& path) {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  const auto info = ReadWavInfo(path);
  if (!info || info->format_tag != kWavPcm || info->bits_per_sample != 16 || info->channels == 0 ||
      info->block_align != info->channels * 2)
    return false;
  info_ = *info;
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_ || std::fseek(file_, static_cast<long>(info_.data_offset), SEEK_SET) != 0) return false;
  frames_left_ = info_.Frames();
  out_channels_ = info_.channels == 1 ? 1 : 2;
  return true;
}

long PcmWavReader::Read(std::int16_t* out, std::size_t count) {
  if (!file_) return -1;
  const int out_channels = OutputChannels();
  const std::size_t frames = std::min<std::uint64_t>(count / out_channels, frames_left_);
  if (frames == 0) return 0;
  const int channels = info_.channels;
  if (channels == out_channels) {
    const std::size_t values = frames * channels;
    if (std::fread(out, sizeof(std::int16_t), values, file_) != values) return -1;
    frames_left_ -= frames;
    return static_cast<long>(values);
  }

  frame_buffer_.resize(frames * channels);
  if (std::fread(frame_buffer_.data(), sizeof(std::int16_t), frame_buffer_.size(), file_) !=
      frame_buffer_.size())
    return -1;
  // To a left/right pair: the front pair to left and right, the centre to
  // both, the low-frequency channel (fourth of six or more) left out, the
  // rest alternately left and right; a mono file to both sides.
  auto weight = [channels](int c, bool left) {
    if (channels == 1) return 1.0;
    if (c == 0) return left ? 1.0 : 0.0;
    if (c == 1) return left ? 0.0 : 1.0;
    if (c == 2) return 0.7071;
    if (c == 3 && channels >= 6) return 0.0;
    return ((c % 2) == 0) == left ? 0.7071 : 0.0;
  };
  double left_total = 0, right_total = 0;
  for (int c = 0; c < channels; ++c) {
    left_total += weight(c, true);
    right_total += weight(c, false);
  }
  auto to16 = [](double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
  };
  for (std::size_t f = 0; f < frames; ++f) {
    const std::int16_t* in = &frame_buffer_[f * channels];
    double left = 0, right = 0;
    for (int c = 0; c < channels; ++c) {
      left += in[c] * weight(c, true);
      right += in[c] * weight(c, false);
    }
    left /= left_total;
    right /= right_total;
    if (out_channels == 1) {
      out[f] = to16((left + right) / 2);
    } else {
      out[2 * f] = to16(left);
      out[2 * f + 1] = to16(right);
    }
  }
  frames_left_ -= frames;
  return static_cast<long>(frames * out_channels);
}

}  // namespace carrowell
