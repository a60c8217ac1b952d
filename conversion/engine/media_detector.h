// What the engines ask about a media file: its length and the wave format of
// its first audio stream, read with libavformat.
#pragma once

#include <filesystem>
#include <optional>

namespace carrowell {

// Length of the media in seconds (with fractions), nullopt when it cannot be
// read. Same source as the program's whole-second probe: the container's
// length, else the first audio stream's, else the stream measured packet by
// packet.
std::optional<double> MediaLengthSeconds(const std::filesystem::path& path);

struct WaveFormatProbe {
  int sample_rate = 0;
  int channels = 0;
};

// Sample rate and channel count of the first audio stream; nullopt when the
// file cannot be opened or has no usable audio stream.
std::optional<WaveFormatProbe> ProbeWaveFormat(const std::filesystem::path& path);

// True when the file opens and has an audio stream.
bool HasAudio(const std::filesystem::path& path);

}  // namespace carrowell
