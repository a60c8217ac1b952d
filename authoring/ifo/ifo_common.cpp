#include "ifo/ifo_common.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <fstream>
#include <system_error>

#include "mux/pack_format.h"

namespace pennock {

namespace {

std::uint8_t Bcd(unsigned value) { return static_cast<std::uint8_t>((value / 10) << 4 | value % 10); }

std::uint8_t TruncatedByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(static_cast<int>(value), 0, 255));
}

}  // namespace

std::array<std::uint8_t, 4> BcdPlaybackTime(std::uint64_t ticks, int frame_rate_code) {
  const bool pal = frame_rate_code == 3;
  // Whole seconds of the clock, then the frames begun within the last one
  // (NTSC frames of 3003 ticks: 0..29), as players read the time back.
  const std::uint64_t frame_ticks = pal ? 3600 : 3003;
  std::uint64_t seconds = ticks / 90000;
  std::uint64_t frame = ticks % 90000 / frame_ticks;
  // Two BCD hour digits: longer spans saturate at 99:59:59 rather than wrap.
  constexpr std::uint64_t kMaxSeconds = 100 * 3600 - 1;
  if (seconds > kMaxSeconds) {
    seconds = kMaxSeconds;
    frame = pal ? 24 : 29;
  }
  const std::uint8_t rate_flag = pal ? 0x40 : 0xC0;  // bits 7..6: 01 = 25 fps, 11 = 30 fps
  return {Bcd(static_cast<unsigned>(seconds / 3600)), Bcd(static_cast<unsigned>(seconds / 60 % 60)),
          Bcd(static_cast<unsigned>(seconds % 60)),
          static_cast<std::uint8_t>(rate_flag | Bcd(static_cast<unsigned>(frame)))};
}

std::array<std::uint8_t, 4> PaletteEntry(double r, double g, double b) {
  const double y = 0.2567882352941176 * r + 0.5041294117647058 * g + 0.09790588235294118 * b + 16;
  const double cr = 0.4392 * r - 0.3680627450980392 * g - 0.07115294117647059 * b + 128;
  const double cb = 0.4392 * b - 0.2907607843137255 * g - 0.1484549019607843 * r + 128;
  return {0, TruncatedByte(y), TruncatedByte(cr), TruncatedByte(cb)};
}

std::array<std::uint8_t, 64> DvdPalette() {
  struct Rgb { double r, g, b; };
  static constexpr Rgb kColours[16] = {
      {20, 20, 20},   {204, 204, 204}, {153, 153, 153}, {247, 247, 247},
      {8, 8, 199},    {36, 230, 36},   {212, 18, 18},   {247, 247, 56},
      {217, 26, 217}, {46, 235, 235},  {0, 153, 0},     {153, 0, 153},
      {153, 153, 0},  {153, 0, 0},     {0, 0, 153},     {0, 153, 153},
  };
  std::array<std::uint8_t, 64> palette{};
  for (std::size_t i = 0; i < 16; ++i) {
    const auto entry = PaletteEntry(kColours[i].r, kColours[i].g, kColours[i].b);
    std::copy(entry.begin(), entry.end(), palette.begin() + static_cast<std::ptrdiff_t>(4 * i));
  }
  return palette;
}

std::array<std::uint8_t, 2> VideoAttributeBytes(const StreamAttributes& streams,
                                                std::uint8_t permitted_display) {
  if (streams.width <= 0) return {0, 0};
  std::uint8_t coding = 0;
  if (streams.height >= 480) coding |= 0x40;         // bits 7..6: MPEG-2
  if (streams.frame_rate_code == 3) coding |= 0x10;  // bits 5..4: 625/50 (PAL)
  if (streams.aspect_code == 3) {
    coding |= 0x0C;                                           // bits 3..2: 16:9
    coding |= std::min<std::uint8_t>(permitted_display, 3);  // 3: not specified
  } else {
    coding |= 0x03;
  }
  std::uint8_t size = 0;  // bits 5..3: picture size
  if (streams.width == 352) size = 0x10;
  else if (streams.width == 704) size = 0x08;
  return {coding, size};
}

std::array<std::uint8_t, 8> AudioAttributeBytes(const StreamAttributes& streams, std::uint16_t language,
                                                bool with_language) {
  std::array<std::uint8_t, 8> entry{};
  // Byte 0: coding mode in bits 7..5, language type in bits 3..2.
  entry[0] = static_cast<std::uint8_t>((streams.audio_coding & 0x07) << 5 | (with_language ? 0x04 : 0x00));
  std::uint8_t quantisation = 3;
  if (streams.audio_bits == 16) quantisation = 0;
  else if (streams.audio_bits == 20) quantisation = 1;
  else if (streams.audio_bits == 24) quantisation = 2;
  const std::uint8_t rate = streams.audio_rate == 96000 ? 1 : 0;
  const int channels = std::clamp(streams.audio_channels, 1, 8);
  entry[1] = static_cast<std::uint8_t>(quantisation << 6 | rate << 4 | (channels - 1));
  if (with_language) PutBe16(&entry[2], language);
  return entry;
}

bool CopyToBackup(const std::filesystem::path& ifo, const std::filesystem::path& bup) {
  std::ifstream in(ifo, std::ios::binary);
  if (!in) return false;
  std::ofstream out(bup, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  std::array<char, kSectorSize> block;
  bool ok = true;
  while (ok) {
    in.read(block.data(), block.size());
    const std::streamsize got = in.gcount();
    if (got > 0 && !out.write(block.data(), got)) ok = false;
    if (!in) {
      if (!in.eof()) ok = false;  // a read error, not the end of the file
      break;
    }
  }
  out.close();
  if (ok && out.fail()) ok = false;
  if (!ok) {
    std::error_code ec;
    std::filesystem::remove(bup, ec);
  }
  return ok;
}

std::uint32_t FileSectors(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return 0;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return 0;
  return static_cast<std::uint32_t>(std::min<std::uintmax_t>(size / kSectorSize, UINT32_MAX));
}

namespace {

// Packs read before the probe gives up on finding more streams.
constexpr std::size_t kProbePacks = 4096;
// Elementary video bytes collected while looking for the sequence header.
constexpr std::size_t kVideoProbeBytes = 64 * 1024;

constexpr std::uint8_t kPackStart = 0xBA;
constexpr std::uint8_t kSystemHeaderId = 0xBB;
constexpr std::uint8_t kPrivateStream1 = 0xBD;
constexpr std::uint8_t kSequenceHeader = 0xB3;
constexpr std::uint8_t kExtensionStart = 0xB5;
constexpr std::uint8_t kSequenceExtensionId = 1;

bool IsStartCode(const std::uint8_t* p) { return p[0] == 0x00 && p[1] == 0x00 && p[2] == 0x01; }

// Offset of the next 00 00 01 in [from, size), or size.
std::size_t FindStartCode(const std::vector<std::uint8_t>& bytes, std::size_t from) {
  for (std::size_t i = from; i + 3 <= bytes.size(); ++i)
    if (IsStartCode(&bytes[i])) return i;
  return bytes.size();
}

class StreamProbe {
 public:
  // Looks at one pack of `size` bytes (a short one at the end of the file).
  void Pack(const std::uint8_t* pack, std::size_t size);
  // Settles what is still open after the last pack.
  void Finish();
  bool Complete() const { return video_done_ && lpcm_ids_.all() && subpicture_ids_.all(); }
  const StreamAttributes& Result() const { return result_; }

 private:
  void Packet(std::uint8_t stream_id, const std::uint8_t* pes, std::size_t size);
  void Video(const std::uint8_t* payload, std::size_t size);
  void Private1(const std::uint8_t* payload, std::size_t size);
  // Parses the collected video bytes; false while more are needed.
  bool ParseSequence(bool final);

  StreamAttributes result_;
  std::vector<std::uint8_t> video_;
  bool video_done_ = false;
  bool lpcm_format_seen_ = false;
  std::bitset<8> lpcm_ids_;
  std::bitset<32> subpicture_ids_;
};

void StreamProbe::Pack(const std::uint8_t* pack, std::size_t size) {
  if (size < kPackHeaderSize || !IsStartCode(pack) || pack[3] != kPackStart) return;
  std::size_t pos;
  if ((pack[4] & 0xC0) == 0x40) pos = kPackHeaderSize + (pack[13] & 0x07);  // MPEG-2, with stuffing
  else if ((pack[4] & 0xF0) == 0x20) pos = 12;                                // MPEG-1
  else return;
  while (pos + 6 <= size && IsStartCode(pack + pos)) {
    const std::uint8_t id = pack[pos + 3];
    if (id == kPackStart) break;
    const std::size_t length = static_cast<std::size_t>(pack[pos + 4]) << 8 | pack[pos + 5];
    const std::size_t end = std::min(size, pos + 6 + length);
    Packet(id, pack + pos, end - pos);
    pos = pos + 6 + length;
  }
}

void StreamProbe::Packet(std::uint8_t stream_id, const std::uint8_t* pes, std::size_t size) {
  const bool video = stream_id >= 0xE0 && stream_id <= 0xEF;
  if (!video && stream_id != kPrivateStream1) return;  // system header, padding, navigation, others
  // MPEG-2 PES header: flags (2 bytes), header data length, then the payload.
  if (size < 9 || (pes[6] & 0xC0) != 0x80) return;
  const std::size_t payload = 9 + static_cast<std::size_t>(pes[8]);
  if (payload >= size) return;
  if (video) Video(pes + payload, size - payload);
  else Private1(pes + payload, size - payload);
}

void StreamProbe::Video(const std::uint8_t* payload, std::size_t size) {
  if (video_done_) return;
  const std::size_t take = std::min(size, kVideoProbeBytes - video_.size());
  video_.insert(video_.end(), payload, payload + take);
  video_done_ = ParseSequence(video_.size() >= kVideoProbeBytes);
}

bool StreamProbe::ParseSequence(bool final) {
  std::size_t at = 0;
  while ((at = FindStartCode(video_, at)) + 4 <= video_.size() && video_[at + 3] != kSequenceHeader) ++at;
  // Start code, 12-bit width and height, aspect and frame-rate codes.
  if (at + 8 > video_.size()) return final;
  const std::uint8_t* h = &video_[at + 4];
  const int width = h[0] << 4 | h[1] >> 4;
  const int height = (h[1] & 0x0F) << 8 | h[2];
  // MPEG-2 when the next start code after the fixed header fields is a
  // sequence extension.
  const std::size_t next = FindStartCode(video_, at + 8);
  if (next + 4 >= video_.size() && !final) return false;
  result_.width = width;
  result_.height = height;
  result_.aspect_code = h[3] >> 4;
  result_.frame_rate_code = h[3] & 0x0F;
  result_.mpeg2 = next + 4 < video_.size() && video_[next + 3] == kExtensionStart &&
                  video_[next + 4] >> 4 == kSequenceExtensionId;
  return true;
}

void StreamProbe::Private1(const std::uint8_t* payload, std::size_t size) {
  const std::uint8_t sub_stream = payload[0];
  if (sub_stream >= 0xA0 && sub_stream <= 0xA7) {
    lpcm_ids_.set(sub_stream - 0xA0u);
    // LPCM header: sub-stream id, frame count, first access unit pointer
    // (2 bytes), frame number, then the format byte.
    if (!lpcm_format_seen_ && size > 5) {
      const std::uint8_t format = payload[5];
      static constexpr int kBits[4] = {16, 20, 24, 0};
      static constexpr int kRates[4] = {48000, 96000, 44100, 32000};
      result_.audio_coding = 4;
      result_.audio_bits = kBits[format >> 6];
      result_.audio_rate = kRates[(format >> 4) & 0x03];
      result_.audio_channels = (format & 0x07) + 1;
      lpcm_format_seen_ = true;
    }
  } else if (sub_stream >= 0x20 && sub_stream <= 0x3F) {
    subpicture_ids_.set(sub_stream - 0x20u);
  }
}

void StreamProbe::Finish() {
  if (!video_done_) ParseSequence(true);
  result_.audio_streams = static_cast<int>(lpcm_ids_.count());
  result_.subpicture_streams = static_cast<int>(subpicture_ids_.count());
}

}  // namespace

StreamAttributes DetectStreamAttributes(const std::filesystem::path& vob) {
  StreamProbe probe;
  std::ifstream in(vob, std::ios::binary);
  if (in) {
    Pack pack;
    for (std::size_t n = 0; n < kProbePacks && !probe.Complete(); ++n) {
      in.read(reinterpret_cast<char*>(pack.data()), pack.size());
      const auto got = static_cast<std::size_t>(in.gcount());
      if (got == 0) break;
      probe.Pack(pack.data(), got);
      if (got < pack.size()) break;
    }
  }
  probe.Finish();
  return probe.Result();
}

}  // namespace pennock
