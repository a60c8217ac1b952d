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

// True when `wav` is 16- or 24-bit PCM at `rate` Hz with any number of
// channels: what the disc takes once the chapters' formats are united.
bool IsPcmWavAt(const std::filesystem::path& wav, int rate);

// Copies a 16- or 24-bit PCM WAV as 16-bit stereo at the same rate (mono
// doubled, more than two channels mixed down, 24-bit rounded). False, with
// nothing left at `out`, when the input cannot be read or the output cannot
// be written; `error` then says why.
bool WriteStereo16Wav(const std::filesystem::path& in, const std::filesystem::path& out,
                      std::string* error = nullptr);

}  // namespace verosa
