// The one RIFF/WAVE header reader of the tree. It walks the chunks from the
// start of the file:
//
//   "RIFF" <u32 size> "WAVE", then chunks of <4-byte id> <u32 LE size> <bytes>,
//   each followed by one pad byte when its size is odd.
//
// It takes the first "fmt " and the first "data" chunk (in either order) and
// steps over everything else (LIST/INFO, fact, JUNK, bext, ...), so text in
// other chunks is never mistaken for a chunk id. It says where the samples
// are and how they are coded; what a caller accepts is the caller's choice.
//
// Sizes from writers that stream and never come back to the header: a data
// size of 0 or 0xFFFFFFFF means "to the end of the file", and a size that
// runs past the end of the file is cut to the file. The RIFF size is not
// used at all; the walk goes by the file's own size.
//
// Any input is safe: reads stay inside the file, the walk always moves
// forward and ends at the end of the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace core {

inline constexpr std::uint16_t kWavFormatPcm = 1;
inline constexpr std::uint16_t kWavFormatFloat = 3;
inline constexpr std::uint16_t kWavFormatExtensible = 0xFFFE;

// How the samples are coded: the format tag, with WAVE_FORMAT_EXTENSIBLE
// resolved through its sub-format GUID.
enum class SampleCoding {
  Pcm,    // integer PCM (unsigned 8-bit, else signed little-endian)
  Float,  // IEEE float, little-endian
  Other,  // anything else, including an extensible "fmt " too short for its GUID
};

struct WavLayout {
  // From "fmt ".
  std::uint16_t format_tag = 0;  // as written: 1, 3, 0xFFFE, ...
  SampleCoding coding = SampleCoding::Other;
  std::uint16_t channels = 0;
  std::uint32_t sample_rate = 0;
  std::uint16_t block_align = 0;      // bytes per sample frame
  std::uint16_t bits_per_sample = 0;  // container size of one sample
  std::uint16_t valid_bits = 0;       // bits that carry signal (extensible), else bits_per_sample
  std::uint32_t channel_mask = 0;     // speaker positions (extensible), else 0

  // From "data".
  std::uint64_t data_offset = 0;         // file offset of the first sample byte
  std::uint64_t data_size = 0;           // sample bytes present (open sizes and overruns resolved)
  std::uint32_t declared_data_size = 0;  // the chunk's size as written
  std::uint64_t file_size = 0;

  // Whole sample frames present; 0 when block_align is 0.
  std::uint64_t Frames() const { return block_align ? data_size / block_align : 0; }
};

// Why a file is not a readable WAV.
enum class WavError {
  CannotRead,      // missing, not a regular file, or a read failed
  NotRiffWave,     // does not start with "RIFF" <size> "WAVE"
  NoFormatChunk,   // no "fmt " chunk
  BadFormatChunk,  // "fmt " shorter than 16 bytes or cut off by the end of the file
  NoDataChunk,     // no "data" chunk
};

// A short English phrase to follow a file name: "is not a RIFF WAVE file".
std::string_view Describe(WavError error);

// Reads the header of the file at `path`. nullopt, with `error` set when
// given, if it is not a readable WAV.
std::optional<WavLayout> ReadWavLayout(const std::filesystem::path& path, WavError* error = nullptr);
// The same for an open file, read from its start; the file position is left
// anywhere. The stream must be seekable.
std::optional<WavLayout> ReadWavLayout(std::FILE* file, WavError* error = nullptr);
// The same for a whole file held in memory.
std::optional<WavLayout> ReadWavLayout(std::span<const std::uint8_t> file, WavError* error = nullptr);

}  // namespace core
