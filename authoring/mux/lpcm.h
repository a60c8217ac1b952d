// The LPCM side of the multiplexer: what a WAV file says about its samples,
// and how its samples are laid out in DVD LPCM packets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace pennock {

struct WavFormat {
  int channels = 0;
  int sample_rate = 0;
  int bits = 0;                  // 16, 20 or 24
  std::uint8_t format_byte = 0;  // LPCM header: quantisation 7..6, rate 5..4, channels - 1 in 2..0
  int input_frame_bytes = 0;     // WAV bytes per 1/600 s
  int output_frame_bytes = 0;    // LPCM bytes per 1/600 s
  int group_bytes = 0;           // LPCM bytes no packet may split (one sample frame for 16-bit)
};

// Reads the WAV header (core/wav_reader.h walks its chunks). nullopt for a
// file that is not a readable WAV (no "fmt " or "data" chunk), or holds audio
// a DVD cannot carry (PCM 16/20/24-bit, 48 or 96 kHz, 1..8 channels).
std::optional<WavFormat> ReadWavFormat(const std::filesystem::path& path);

// Where the samples of an open WAV file are: the offset of the first sample
// byte and the number of sample bytes present (an open or overlong size in
// the header resolved against the file, as core/wav_reader.h says). The file
// position is left anywhere.
struct WavData {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};
std::optional<WavData> FindWavData(std::FILE* file);

// Turns WAV samples (little-endian) into DVD LPCM bytes. 16-bit samples are
// byte-swapped; 20- and 24-bit samples go in groups of two sample frames (of
// at most four samples each): the upper 16 bits of each sample big-endian,
// then the low bits packed (a byte each for 24-bit, a nibble each for 20-bit).
// `input` holds whole input frames (1/600 s); returns the LPCM bytes.
void ConvertToLpcm(const WavFormat& format, const std::uint8_t* input, std::size_t input_bytes,
                   std::vector<std::uint8_t>& output);

}  // namespace pennock
