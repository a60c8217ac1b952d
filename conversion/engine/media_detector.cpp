#include "engine/media_detector.h"

#include "core/media_info.h"

namespace carrowell {

namespace fs = std::filesystem;

std::optional<double> MediaLengthSeconds(const fs::path& path) {
  const double seconds = verosa::GetMediaLengthSeconds(path);
  if (seconds < 0) return std::nullopt;
  return seconds;
}

std::optional<WaveFormatProbe> ProbeWaveFormat(const fs::path& path) {
  verosa::WaveFormat format{};
  if (!verosa::GetPcmWaveFormat(format, path)) return std::nullopt;
  return WaveFormatProbe{static_cast<int>(format.samples_per_sec),
                         static_cast<int>(format.channels)};
}

bool HasAudio(const fs::path& path) { return verosa::HasAudioStream(path); }

}  // namespace carrowell
