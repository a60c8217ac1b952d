#include "engine/wav_file.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/stereo_mix.h"
#include "core/wav_reader.h"

namespace carrowell {
namespace {

namespace fs = std::filesystem;

// Samples are read straight into memory.
static_assert(std::endian::native == std::endian::little);

}  // namespace

bool WavInfo::IsComplete() const {
  return block_align != 0 && data_size == declared_data_size && data_size % block_align == 0;
}

std::uint64_t WavInfo::Frames() const { return block_align ? data_size / block_align : 0; }

double WavInfo::Seconds() const {
  return sample_rate ? static_cast<double>(Frames()) / sample_rate : 0.0;
}

std::optional<WavInfo> ReadWavInfo(const fs::path& path) {
  const auto layout = core::ReadWavLayout(path);
  if (!layout) return std::nullopt;
  WavInfo info;
  switch (layout->coding) {
    case core::SampleCoding::Pcm: info.format_tag = kWavPcm; break;
    case core::SampleCoding::Float: info.format_tag = kWavFloat; break;
    case core::SampleCoding::Other: info.format_tag = layout->format_tag; break;
  }
  info.channels = layout->channels;
  info.sample_rate = layout->sample_rate;
  info.block_align = layout->block_align;
  info.bits_per_sample = layout->bits_per_sample;
  info.data_offset = layout->data_offset;
  info.data_size = layout->data_size;
  info.declared_data_size = layout->declared_data_size;
  info.file_size = layout->file_size;
  return info;
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
  auto to16 = [](double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
  };
  const core::StereoMix mix(channels);
  for (std::size_t f = 0; f < frames; ++f) {
    const std::int16_t* in = &frame_buffer_[f * channels];
    double left = 0, right = 0;
    mix.Mix(in, left, right);
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
