#include "core/wav_reader.h"

#include <sys/types.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <system_error>

namespace core {
namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// WAVE_FORMAT_EXTENSIBLE "fmt " (Microsoft's WAVEFORMATEXTENSIBLE), byte offsets:
//   0 tag 0xFFFE, 2 channels, 4 sample rate, 8 byte rate, 12 block align,
//   14 container bits, 16 extra size (22), 18 valid bits, 20 channel mask,
//   24 sub-format GUID {TTTTTTTT-0000-0010-8000-00AA00389B71}: T is the tag it
//   stands for (KSDATAFORMAT_SUBTYPE_PCM = 1, _IEEE_FLOAT = 3).
constexpr std::size_t kExtensibleSize = 40;
constexpr std::array<std::uint8_t, 12> kSubFormatTail{0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                      0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// A data size left open by a streaming writer.
constexpr std::uint32_t kOpenSize = 0xFFFFFFFF;

SampleCoding CodingOf(std::uint32_t tag) {
  if (tag == kWavFormatPcm) return SampleCoding::Pcm;
  if (tag == kWavFormatFloat) return SampleCoding::Float;
  return SampleCoding::Other;
}

// `f` holds the first `size` bytes of the "fmt " chunk, 16 <= size <= 40.
void ParseFormat(const std::uint8_t* f, std::size_t size, WavLayout& w) {
  w.format_tag = Le16(f);
  w.channels = Le16(f + 2);
  w.sample_rate = Le32(f + 4);
  w.block_align = Le16(f + 12);
  w.bits_per_sample = Le16(f + 14);
  w.valid_bits = w.bits_per_sample;
  w.coding = CodingOf(w.format_tag);
  if (w.format_tag != kWavFormatExtensible || size < kExtensibleSize) return;
  if (const std::uint16_t valid = Le16(f + 18); valid != 0) w.valid_bits = valid;
  w.channel_mask = Le32(f + 20);
  if (std::equal(kSubFormatTail.begin(), kSubFormatTail.end(), f + 28)) w.coding = CodingOf(Le32(f + 24));
}

// The chunk walk over any random-access source: `read_at(offset, out, n)`
// copies up to n bytes from `offset` and returns how many it copied.
template <typename ReadAt>
std::optional<WavLayout> Walk(std::uint64_t file_size, ReadAt read_at, WavError* error) {
  auto fail = [error](WavError why) -> std::optional<WavLayout> {
    if (error) *error = why;
    return std::nullopt;
  };
  std::uint8_t riff[12];
  if (file_size < sizeof riff || read_at(0, riff, sizeof riff) != sizeof riff) return fail(WavError::NotRiffWave);
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return fail(WavError::NotRiffWave);

  WavLayout w;
  w.file_size = file_size;
  bool have_format = false;
  bool have_data = false;
  // `at` only grows (by at least 8 per chunk) and stays below 2^33 past the
  // file's end, so the walk ends and never overflows.
  std::uint64_t at = sizeof riff;
  while (!(have_format && have_data) && at + 8 <= file_size) {
    std::uint8_t head[8];
    if (read_at(at, head, sizeof head) != sizeof head) return fail(WavError::CannotRead);
    const std::uint32_t size = Le32(head + 4);
    const std::uint64_t body = at + 8;
    const std::uint64_t room = file_size - body;  // bytes after the chunk header
    if (std::memcmp(head, "fmt ", 4) == 0 && !have_format) {
      std::uint8_t fmt[kExtensibleSize] = {};
      const std::size_t want = std::min<std::size_t>(size, sizeof fmt);
      if (size < 16 || room < want || read_at(body, fmt, want) != want) return fail(WavError::BadFormatChunk);
      ParseFormat(fmt, want, w);
      have_format = true;
    } else if (std::memcmp(head, "data", 4) == 0 && !have_data) {
      w.data_offset = body;
      w.declared_data_size = size;
      have_data = true;
      // An open size runs to the end of the file: nothing can follow it.
      if (size == 0 || size == kOpenSize) {
        w.data_size = room;
        break;
      }
      w.data_size = std::min<std::uint64_t>(size, room);
    }
    at = body + size + (size & 1);  // odd-sized chunks carry a pad byte
  }
  if (!have_format) return fail(WavError::NoFormatChunk);
  if (!have_data) return fail(WavError::NoDataChunk);
  return w;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string_view Describe(WavError error) {
  switch (error) {
    case WavError::CannotRead: return "cannot be read";
    case WavError::NotRiffWave: return "is not a RIFF WAVE file";
    case WavError::NoFormatChunk: return "has no format (\"fmt \") chunk";
    case WavError::BadFormatChunk: return "has a format (\"fmt \") chunk that is too short or cut off";
    case WavError::NoDataChunk: return "has no \"data\" chunk";
  }
  return "is not a readable WAV file";
}

std::optional<WavLayout> ReadWavLayout(const std::filesystem::path& path, WavError* error) {
  std::error_code ec;
  std::unique_ptr<std::FILE, FileCloser> file;
  if (std::filesystem::is_regular_file(path, ec)) file.reset(std::fopen(path.c_str(), "rb"));
  if (!file) {
    if (error) *error = WavError::CannotRead;
    return std::nullopt;
  }
  return ReadWavLayout(file.get(), error);
}

std::optional<WavLayout> ReadWavLayout(std::FILE* file, WavError* error) {
  off_t end = -1;
  if (file && fseeko(file, 0, SEEK_END) == 0) end = ftello(file);
  if (end < 0) {
    if (error) *error = WavError::CannotRead;
    return std::nullopt;
  }
  auto read_at = [file](std::uint64_t offset, std::uint8_t* out, std::size_t n) -> std::size_t {
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
    return std::fread(out, 1, n, file);
  };
  return Walk(static_cast<std::uint64_t>(end), read_at, error);
}

std::optional<WavLayout> ReadWavLayout(std::span<const std::uint8_t> file, WavError* error) {
  auto read_at = [file](std::uint64_t offset, std::uint8_t* out, std::size_t n) -> std::size_t {
    if (offset >= file.size()) return 0;
    const std::size_t count = std::min<std::size_t>(n, file.size() - offset);
    std::memcpy(out, file.data() + offset, count);
    return count;
  };
  return Walk(file.size(), read_at, error);
}

}  // namespace core
