#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "encoder/still_encoder.h"
#include "ifo/ifo_common.h"
#include "mux/pack_format.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;
using Bytes = std::vector<std::uint8_t>;
using Bcd = std::array<std::uint8_t, 4>;

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// ---- Playback times --------------------------------------------------------

TEST(IfoCommonTime, BcdPlaybackTimesForBothTvSystems) {
  // Seconds are those of the clock in both systems: 3725 s is 1:02:05, not
  // the 1:02:01 and 8 frames that counting NTSC frames as 1/30 s would give.
  EXPECT_EQ(BcdPlaybackTime(90000ull * 3725, 3), (Bcd{0x01, 0x02, 0x05, 0x40}));
  EXPECT_EQ(BcdPlaybackTime(90000ull * 3725, 4), (Bcd{0x01, 0x02, 0x05, 0xC0}));
  // Frame digits: 24 frames PAL, 29 frames of 3003 ticks NTSC, each with its rate flag.
  EXPECT_EQ(BcdPlaybackTime(3600ull * (25 * 59 + 24), 3), (Bcd{0x00, 0x00, 0x59, 0x64}));
  EXPECT_EQ(BcdPlaybackTime(90000ull * 61 + 3003 * 29, 4), (Bcd{0x00, 0x01, 0x01, 0xE9}));
  EXPECT_EQ(BcdPlaybackTime(90000ull * 61 + 3003 * 29 + 999, 4), (Bcd{0x00, 0x01, 0x01, 0xE9}));
  // Any code other than 3 counts as NTSC.
  EXPECT_EQ(BcdPlaybackTime(90000, 0), (Bcd{0x00, 0x00, 0x01, 0xC0}));
  // Hour tens and units.
  EXPECT_EQ(BcdPlaybackTime(90000ull * (37 * 3600 + 45 * 60 + 17), 3), (Bcd{0x37, 0x45, 0x17, 0x40}));
  EXPECT_EQ(BcdPlaybackTime(0, 3), (Bcd{0x00, 0x00, 0x00, 0x40}));
  // Partial frames round down.
  EXPECT_EQ(BcdPlaybackTime(3599, 3), (Bcd{0x00, 0x00, 0x00, 0x40}));
  EXPECT_EQ(BcdPlaybackTime(3600, 3), (Bcd{0x00, 0x00, 0x00, 0x41}));
}

TEST(IfoCommonTime, SpansBeyondTwoHourDigitsSaturate) {
  EXPECT_EQ(BcdPlaybackTime(90000ull * 3600 * 150, 3), (Bcd{0x99, 0x59, 0x59, 0x64}));
  EXPECT_EQ(BcdPlaybackTime(90000ull * 3600 * 101, 4), (Bcd{0x99, 0x59, 0x59, 0xE9}));
}

// ---- Palette ---------------------------------------------------------------

TEST(IfoCommonPalette, SixteenColoursConvertedAndTruncated) {
  const int rgb[16][3] = {{20, 20, 20},   {204, 204, 204}, {153, 153, 153}, {247, 247, 247},
                          {8, 8, 199},    {36, 230, 36},   {212, 18, 18},   {247, 247, 56},
                          {217, 26, 217}, {46, 235, 235},  {0, 153, 0},     {153, 0, 153},
                          {153, 153, 0},  {153, 0, 0},     {0, 0, 153},     {0, 153, 153}};
  const auto palette = DvdPalette();
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    const double r = rgb[i][0], g = rgb[i][1], b = rgb[i][2];
    const double y = 16 + 0.2567882352941176 * r + 0.5041294117647058 * g + 0.09790588235294118 * b;
    const double cr = 128 + 0.4392 * r - 0.3680627450980392 * g - 0.07115294117647059 * b;
    const double cb = 128 - 0.1484549019607843 * r - 0.2907607843137255 * g + 0.4392 * b;
    EXPECT_EQ(palette[4 * i], 0);
    EXPECT_EQ(palette[4 * i + 1], static_cast<int>(std::trunc(y)));
    EXPECT_EQ(palette[4 * i + 2], static_cast<int>(std::trunc(cr)));
    EXPECT_EQ(palette[4 * i + 3], static_cast<int>(std::trunc(cb)));
  }
  // Greys sit a hair below 128 in both colour differences: truncated, not rounded.
  EXPECT_EQ(palette[1], 33);
  EXPECT_EQ(palette[2], 127);
  EXPECT_EQ(palette[3], 127);
}

// ---- Attribute bytes -------------------------------------------------------

StreamAttributes Video(int width, int height, int frame_rate_code, int aspect_code) {
  StreamAttributes s;
  s.mpeg2 = true;
  s.width = width;
  s.height = height;
  s.frame_rate_code = frame_rate_code;
  s.aspect_code = aspect_code;
  return s;
}

TEST(IfoCommonAttributes, VideoAttributeBytes) {
  using Two = std::array<std::uint8_t, 2>;
  struct Case { const char* name; StreamAttributes s; std::uint8_t display; Two bytes; };
  const Case cases[] = {
      {"NTSC 4:3", Video(720, 480, 4, 2), 0, {0x43, 0x00}},
      {"PAL 4:3 ignores the display byte", Video(720, 576, 3, 2), 1, {0x53, 0x00}},
      {"PAL 16:9 both modes", Video(720, 576, 3, 3), 0, {0x5C, 0x00}},
      {"NTSC 16:9 pan-scan only", Video(720, 480, 4, 3), 1, {0x4D, 0x00}},
      {"PAL 16:9 letterbox only", Video(720, 576, 3, 3), 2, {0x5E, 0x00}},
      {"16:9 unspecified", Video(720, 576, 3, 3), 3, {0x5F, 0x00}},
      {"16:9 above 3", Video(720, 576, 3, 3), 200, {0x5F, 0x00}},
      {"704 wide", Video(704, 576, 3, 2), 0, {0x53, 0x08}},
      {"352 wide", Video(352, 480, 4, 2), 0, {0x43, 0x10}},
      {"below 480 lines: no MPEG-2 bits", Video(352, 288, 3, 2), 0, {0x13, 0x10}},
      {"no video", Video(0, 576, 3, 3), 2, {0x00, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VideoAttributeBytes(c.s, c.display), c.bytes);
  }
}

TEST(IfoCommonAttributes, AudioAttributeEntry) {
  using Eight = std::array<std::uint8_t, 8>;
  StreamAttributes s;  // LPCM, 16 bits, 48 kHz, 2 channels
  EXPECT_EQ(AudioAttributeBytes(s, 0x656E, true), (Eight{0x84, 0x01, 'e', 'n', 0, 0, 0, 0}));
  EXPECT_EQ(AudioAttributeBytes(s, 0x6465, false), (Eight{0x80, 0x01, 0, 0, 0, 0, 0, 0}));
  s.audio_bits = 24;
  s.audio_rate = 96000;
  s.audio_channels = 6;
  EXPECT_EQ(AudioAttributeBytes(s, 0x6672, true), (Eight{0x84, 0x95, 'f', 'r', 0, 0, 0, 0}));
  s.audio_bits = 20;
  s.audio_channels = 1;
  s.audio_rate = 48000;
  EXPECT_EQ(AudioAttributeBytes(s, 0x6465, true)[1], 0x40);
  s.audio_bits = 8;  // no quantisation of its own
  EXPECT_EQ(AudioAttributeBytes(s, 0x6465, true)[1], 0xC0);
  s.audio_coding = 6;  // DTS
  s.audio_bits = 16;
  s.audio_channels = 2;
  EXPECT_EQ(AudioAttributeBytes(s, 0x6465, true)[0], 0xC4);
  s.audio_coding = 2;  // MPEG
  EXPECT_EQ(AudioAttributeBytes(s, 0x6465, true)[0], 0x44);
}

// ---- Files -----------------------------------------------------------------

TEST(IfoCommonFiles, BackupIsAnExactCopyOrNothing) {
  ScratchDir dir;
  for (std::size_t size : {std::size_t{0}, std::size_t{2048}, std::size_t{5000}, std::size_t{3 * 2048}}) {
    SCOPED_TRACE(size);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 2048);
    WriteFile(dir / "a.IFO", bytes);
    WriteFile(dir / "a.BUP", std::string(9000, 'x'));  // a longer stale backup is replaced
    ASSERT_TRUE(CopyToBackup(dir / "a.IFO", dir / "a.BUP"));
    EXPECT_EQ(ReadFile(dir / "a.BUP"), bytes);
  }
  EXPECT_FALSE(CopyToBackup(dir / "missing.IFO", dir / "missing.BUP"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.BUP"));
  WriteFile(dir / "plain", "x");
  EXPECT_FALSE(CopyToBackup(dir / "a.IFO", dir / "plain" / "a.BUP"));  // a file is no folder
  // A source that opens but cannot be read: nothing is left behind.
  std::filesystem::create_directory(dir / "folder.IFO");
  EXPECT_FALSE(CopyToBackup(dir / "folder.IFO", dir / "folder.BUP"));
  EXPECT_FALSE(std::filesystem::exists(dir / "folder.BUP"));
}

TEST(IfoCommonFiles, FileSectorsCountsWholeSectors) {
  ScratchDir dir;
  EXPECT_EQ(FileSectors(dir / "missing.VOB"), 0u);
  EXPECT_EQ(FileSectors(dir.Path()), 0u);
  WriteFile(dir / "a.VOB", std::string(4095, 'v'));
  EXPECT_EQ(FileSectors(dir / "a.VOB"), 1u);
  WriteFile(dir / "a.VOB", std::string(7 * 2048, 'v'));
  EXPECT_EQ(FileSectors(dir / "a.VOB"), 7u);
}

// ---- Stream detection ------------------------------------------------------

// Pack builder: a pack header, then PES packets, then a padding packet filling
// the rest of the 2048 bytes.
class PackBuilder {
 public:
  PackBuilder() {
    bytes_.resize(kPackHeaderSize);
    WritePackHeader(bytes_.data(), 0, 0);
  }
  // An MPEG-2 PES packet with `header_extra` header data bytes (stuffing).
  PackBuilder& Pes(std::uint8_t stream_id, const Bytes& payload, std::uint8_t header_extra = 5) {
    const std::size_t length = 3 + header_extra + payload.size();
    Bytes p = {0x00, 0x00, 0x01, stream_id, static_cast<std::uint8_t>(length >> 8),
               static_cast<std::uint8_t>(length), 0x81, 0x80, header_extra};
    p.insert(p.end(), header_extra, 0xFF);
    p.insert(p.end(), payload.begin(), payload.end());
    bytes_.insert(bytes_.end(), p.begin(), p.end());
    return *this;
  }
  PackBuilder& Raw(const Bytes& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }
  Bytes Done() const {
    Bytes pack = bytes_;
    const std::size_t left = kSectorSize - pack.size();
    if (left >= 6) {
      const std::size_t length = left - 6;
      Bytes pad = {0x00, 0x00, 0x01, 0xBE, static_cast<std::uint8_t>(length >> 8),
                   static_cast<std::uint8_t>(length)};
      pack.insert(pack.end(), pad.begin(), pad.end());
    }
    pack.resize(kSectorSize, 0xFF);
    return pack;
  }

 private:
  Bytes bytes_;
};

// Sequence header: 12-bit width and height, aspect and frame-rate codes, then
// bit rate and buffer size fields.
Bytes SequenceHeader(int width, int height, int aspect, int frame_rate) {
  return {0x00, 0x00, 0x01, 0xB3, static_cast<std::uint8_t>(width >> 4),
          static_cast<std::uint8_t>((width & 0x0F) << 4 | height >> 8), static_cast<std::uint8_t>(height),
          static_cast<std::uint8_t>(aspect << 4 | frame_rate), 0x04, 0xE2, 0x00, 0x40};
}
const Bytes kSequenceExtension = {0x00, 0x00, 0x01, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00};
const Bytes kGopHeader = {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x00};

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// LPCM private header: sub-stream id, frame count, first access unit pointer,
// frame number, format byte, dynamic range; then a few samples.
Bytes Lpcm(std::uint8_t sub_stream, std::uint8_t format) {
  Bytes b = {sub_stream, 0x06, 0x00, 0x04, 0x00, format, 0x80};
  b.insert(b.end(), 64, 0x11);
  return b;
}

Bytes NavigationPack() {
  const Pack nav = NavigationPackTemplate(TvSystem::Pal);
  return Bytes(nav.begin(), nav.end());
}

void WriteVob(const std::filesystem::path& path, std::initializer_list<Bytes> packs) {
  WriteFile(path, AsString(Join(packs)));
}

TEST(DetectStreams, ReadsVideoAndLpcmOfATitleVob) {
  ScratchDir dir;
  WriteVob(dir / "t.VOB",
           {NavigationPack(),
            PackBuilder().Pes(0xE0, Join({SequenceHeader(720, 576, 3, 3), kSequenceExtension, kGopHeader}), 10).Done(),
            PackBuilder().Pes(0xBD, Lpcm(0xA0, 0x01)).Done(),
            PackBuilder().Pes(0xBD, Lpcm(0xA0, 0x01)).Done()});
  const StreamAttributes s = DetectStreamAttributes(dir / "t.VOB");
  EXPECT_TRUE(s.mpeg2);
  EXPECT_EQ(s.width, 720);
  EXPECT_EQ(s.height, 576);
  EXPECT_EQ(s.aspect_code, 3);
  EXPECT_EQ(s.frame_rate_code, 3);
  EXPECT_EQ(s.audio_streams, 1);
  EXPECT_EQ(s.audio_coding, 4);
  EXPECT_EQ(s.audio_bits, 16);
  EXPECT_EQ(s.audio_rate, 48000);
  EXPECT_EQ(s.audio_channels, 2);
  EXPECT_EQ(s.subpicture_streams, 0);
}

TEST(DetectStreams, CountsDistinctSubStreamsAndTakesTheFirstFormat) {
  ScratchDir dir;
  WriteVob(dir / "t.VOB",
           {PackBuilder().Pes(0xBD, Lpcm(0xA1, 0x95)).Done(),  // 24 bit, 96 kHz, 6 channels
            PackBuilder().Pes(0xE0, Join({SequenceHeader(352, 480, 2, 4), kSequenceExtension})).Done(),
            PackBuilder().Pes(0xBD, Lpcm(0xA0, 0x01)).Done(),
            PackBuilder().Pes(0xBD, Lpcm(0xA1, 0x95)).Done(),
            PackBuilder().Pes(0xBD, {0x21, 0x00, 0x10}).Pes(0xBD, {0x20, 0x00, 0x10}).Done(),
            PackBuilder().Pes(0xBD, {0x21, 0x00, 0x10}).Pes(0xBD, {0x80, 0x01, 0x00, 0x01}).Done()});
  const StreamAttributes s = DetectStreamAttributes(dir / "t.VOB");
  EXPECT_EQ(s.width, 352);
  EXPECT_EQ(s.height, 480);
  EXPECT_EQ(s.aspect_code, 2);
  EXPECT_EQ(s.frame_rate_code, 4);
  EXPECT_EQ(s.audio_streams, 2);
  EXPECT_EQ(s.audio_bits, 24);
  EXPECT_EQ(s.audio_rate, 96000);
  EXPECT_EQ(s.audio_channels, 6);
  EXPECT_EQ(s.subpicture_streams, 2);
}

TEST(DetectStreams, MpegOneVideoHasNoSequenceExtension) {
  ScratchDir dir;
  WriteVob(dir / "t.VOB", {PackBuilder().Pes(0xE0, Join({SequenceHeader(352, 288, 1, 3), kGopHeader})).Done()});
  const StreamAttributes s = DetectStreamAttributes(dir / "t.VOB");
  EXPECT_FALSE(s.mpeg2);
  EXPECT_EQ(s.height, 288);
  // Nor does an extension of another kind.
  WriteVob(dir / "u.VOB", {PackBuilder()
                               .Pes(0xE0, Join({SequenceHeader(352, 288, 1, 3),
                                                {0x00, 0x00, 0x01, 0xB5, 0x24, 0x00}, kGopHeader}))
                               .Done()});
  EXPECT_FALSE(DetectStreamAttributes(dir / "u.VOB").mpeg2);
}

TEST(DetectStreams, SequenceHeaderSplitOverTwoPackets) {
  const Bytes video = Join({SequenceHeader(720, 480, 3, 4), kSequenceExtension, kGopHeader});
  for (std::size_t cut : {std::size_t{2}, std::size_t{6}, std::size_t{13}}) {
    SCOPED_TRACE(cut);
    ScratchDir dir;
    WriteVob(dir / "t.VOB",
             {PackBuilder().Pes(0xE0, Bytes(video.begin(), video.begin() + static_cast<std::ptrdiff_t>(cut))).Done(),
              PackBuilder().Pes(0xBD, Lpcm(0xA0, 0x01)).Done(),
              PackBuilder().Pes(0xE0, Bytes(video.begin() + static_cast<std::ptrdiff_t>(cut), video.end())).Done()});
    const StreamAttributes s = DetectStreamAttributes(dir / "t.VOB");
    EXPECT_TRUE(s.mpeg2);
    EXPECT_EQ(s.width, 720);
    EXPECT_EQ(s.height, 480);
    EXPECT_EQ(s.frame_rate_code, 4);
  }
}

TEST(DetectStreams, ReadsWhatTheStillEncoderWrites) {
  // A coded still as the encoder packetises it: video packs behind a navigation pack.
  for (const auto& [height, aspect, rate, aspect_code] :
       {std::tuple{576, kAspect169, kFrameRatePal, 3}, std::tuple{480, kAspect43, kFrameRateNtsc, 2}}) {
    SCOPED_TRACE(height);
    Bytes stream = StillHeaders(720, height, rate, aspect, 0);
    stream.resize(stream.size() + 6000, 0x55);  // stand-in slice data
    ScratchDir dir;
    WriteFile(dir / "t.VOB", AsString(PacketiseStill(stream, rate, 0)));
    const StreamAttributes s = DetectStreamAttributes(dir / "t.VOB");
    EXPECT_TRUE(s.mpeg2);
    EXPECT_EQ(s.width, 720);
    EXPECT_EQ(s.height, height);
    EXPECT_EQ(s.frame_rate_code, rate);
    EXPECT_EQ(s.aspect_code, aspect_code);
    EXPECT_EQ(s.audio_streams, 0);
  }
}

TEST(DetectStreams, MissingTruncatedOrDamagedFiles) {
  ScratchDir dir;
  WriteFile(dir / "empty.VOB", "");
  WriteFile(dir / "text.VOB", std::string(10000, 'a'));
  for (const char* name : {"missing.VOB", "empty.VOB", "text.VOB"}) {
    const StreamAttributes s = DetectStreamAttributes(dir / name);
    EXPECT_EQ(s.width, 0) << name;
    EXPECT_EQ(s.audio_streams + s.subpicture_streams, 0) << name;
  }
  const Bytes video = PackBuilder().Pes(0xE0, Join({SequenceHeader(720, 576, 3, 3), kSequenceExtension})).Done();
  // Cut inside the sequence header: no size can be read.
  WriteFile(dir / "cut.VOB", AsString(Bytes(video.begin(), video.begin() + 30)));
  EXPECT_EQ(DetectStreamAttributes(dir / "cut.VOB").width, 0);
  // Cut after the header fields: the size is there, the extension is not.
  WriteFile(dir / "short.VOB", AsString(Bytes(video.begin(), video.begin() + 40)));
  const StreamAttributes s = DetectStreamAttributes(dir / "short.VOB");
  EXPECT_EQ(s.width, 720);
  EXPECT_FALSE(s.mpeg2);
  // PES lengths pointing past the pack, a header length past the packet, an
  // LPCM packet too short for its format byte.
  WriteVob(dir / "bad.VOB",
           {PackBuilder().Raw({0x00, 0x00, 0x01, 0xE0, 0xFF, 0xFF, 0x81, 0x80, 0x05}).Done(),
            PackBuilder().Raw({0x00, 0x00, 0x01, 0xBD, 0x00, 0x04, 0x81, 0x80, 0xF0, 0xA0}).Done(),
            PackBuilder().Pes(0xBD, {0xA0, 0x01, 0x00}).Done()});
  const StreamAttributes bad = DetectStreamAttributes(dir / "bad.VOB");
  EXPECT_EQ(bad.width, 0);
  EXPECT_EQ(bad.audio_streams, 1);
  EXPECT_EQ(bad.audio_channels, 2);  // the default: no format byte was read

  // Random bytes with pack and packet start codes sprinkled in.
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    Bytes junk(2048 * 5 + static_cast<std::size_t>(random() % 2048));
    for (auto& b : junk) b = static_cast<std::uint8_t>(random());
    for (std::size_t at = 0; at + 4 < junk.size(); at += 1 + random() % 300) {
      static const std::uint8_t kIds[] = {0xBA, 0xE0, 0xBD, 0xBB, 0xBE, 0xB3, 0xB5};
      junk[at] = 0;
      junk[at + 1] = 0;
      junk[at + 2] = 1;
      junk[at + 3] = kIds[random() % 7];
    }
    for (std::size_t p = 0; p + 5 <= junk.size(); p += 2048) {
      const std::uint8_t pack_start[] = {0x00, 0x00, 0x01, 0xBA, 0x44};
      std::copy(std::begin(pack_start), std::end(pack_start), junk.begin() + static_cast<std::ptrdiff_t>(p));
    }
    WriteFile(dir / "junk.VOB", AsString(junk));
    const StreamAttributes j = DetectStreamAttributes(dir / "junk.VOB");
    EXPECT_LE(j.audio_streams, 8);
    EXPECT_LE(j.subpicture_streams, 32);
    EXPECT_LT(j.width, 4096);
  }
}

}  // namespace
