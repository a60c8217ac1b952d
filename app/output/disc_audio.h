// One LPCM format for a whole disc: the title set carries one audio stream,
// so every chapter must bring the same sample width and channel count.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace verosa {

struct PcmShape {
  int bits = 0;
  int channels = 0;
  bool operator==(const PcmShape&) const = default;
};

inline constexpr PcmShape kStereo16{16, 2};

// Sample width and channels of a PCM WAV file; nullopt for anything else.
std::optional<PcmShape> ReadPcmShape(const std::filesystem::path& wav);

// Copies a 16- or 24-bit PCM WAV of one or two channels as 16-bit stereo
// at the same rate (mono doubled, 24-bit rounded). False, with nothing left
// at `out`, when the input cannot be read or the output cannot be written;
// `error` then says why.
bool WriteStereo16Wav(const std::filesystem::path& in, const std::filesystem::path& out,
                      std::string* error = nullptr);

}  // namespace verosa
