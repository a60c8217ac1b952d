// Media information probes: duration, decoded wave format and presence of an
// audio stream of a media file, read with libavformat. The program, the
// command-line tool and the conversion library (its media detector) ask the
// same questions, so they share these answers (target verosa_media).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace verosa {

// The classic WAVEFORMATEX fields.
struct WaveFormat {
  uint16_t format_tag;         // kWaveFormatPcm
  uint16_t channels;
  uint32_t samples_per_sec;
  uint32_t avg_bytes_per_sec;  // samples_per_sec * block_align
  uint16_t block_align;        // channels * bits_per_sample / 8
  uint16_t bits_per_sample;
  uint16_t extra_size;         // bytes of format data after this block, always 0
};

inline constexpr uint16_t kWaveFormatPcm = 1;

// Describes the first audio stream of the file as the PCM our decoders turn it
// into: integer PCM keeps its sample width, everything else becomes 16 bit
// unless it carries more than 16 bits of integer samples (24-bit FLAC).
// False when the file cannot be opened or has no usable audio stream.
bool GetPcmWaveFormat(WaveFormat& out, const std::filesystem::path& path);

// The length of the media in whole seconds (truncated), -1 on any failure.
int GetMediaDurationSeconds(const std::filesystem::path& path);

// The length in seconds with its fraction, -1 on any failure.
double GetMediaLengthSeconds(const std::filesystem::path& path);

// The length as "hh:mm:ss", or "00:00.00" when it cannot be read.
std::string FormatMediaDuration(const std::filesystem::path& path);

// True when the file is a WAV file whose first audio stream is 16- or 24-bit
// little-endian integer PCM with one or two channels at `sample_rate` Hz:
// the only audio the disc authoring takes as it is.
bool IsDiscReadyWav(const std::filesystem::path& path, int sample_rate);

// The "title" tag of the file (its container, else its first audio stream),
// trimmed; empty when there is none or the file cannot be opened.
std::string GetMediaTitleTag(const std::filesystem::path& path);

// True when the file has at least one audio stream.
bool HasAudioStream(const std::filesystem::path& path);

// Formats seconds as "hh:mm:ss" (hours are not wrapped; negative counts as 0).
std::string FormatDurationText(int seconds);

}  // namespace verosa
