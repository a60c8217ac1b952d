// lame_enc loaded by name and driven as the MP3 encoder engine drives it;
// ffmpeg decodes what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../../components/lame_enc/include/lame_enc/lame_enc.h"
#include "components/audio_test_support.h"
#include "platform/module.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using audio_test::Ffmpeg;
using audio_test::Quote;

struct LameLib {
  platform::Module module;
  BEINITSTREAM init = nullptr;
  BEENCODECHUNK encode = nullptr;
  BEDEINITSTREAM deinit = nullptr;
  BECLOSESTREAM close = nullptr;
  BEVERSION version = nullptr;
  BEWRITEVBRHEADER write_vbr_header = nullptr;
  BEWRITEINFOTAG write_info_tag = nullptr;
};

LameLib& Library() {
  static LameLib lib = [] {
    LameLib l;
    if (l.module.Load("lame_enc.dll")) {
      l.init = reinterpret_cast<BEINITSTREAM>(l.module.Symbol("beInitStream"));
      l.encode = reinterpret_cast<BEENCODECHUNK>(l.module.Symbol("beEncodeChunk"));
      l.deinit = reinterpret_cast<BEDEINITSTREAM>(l.module.Symbol("beDeinitStream"));
      l.close = reinterpret_cast<BECLOSESTREAM>(l.module.Symbol("beCloseStream"));
      l.version = reinterpret_cast<BEVERSION>(l.module.Symbol("beVersion"));
      l.write_vbr_header = reinterpret_cast<BEWRITEVBRHEADER>(l.module.Symbol("beWriteVBRHeader"));
      l.write_info_tag = reinterpret_cast<BEWRITEINFOTAG>(l.module.Symbol("beWriteInfoTag"));
    }
    return l;
  }();
  return lib;
}

// The defaults an MP3 target format starts with.
BE_CONFIG DefaultConfig() {
  BE_CONFIG c;
  std::memset(&c, 0, sizeof c);
  c.dwConfig = BE_CONFIG_LAME;
  auto& l = c.format.LHV1;
  l.dwStructVersion = 1;
  l.dwStructSize = CURRENT_STRUCT_SIZE;
  l.dwSampleRate = 44100;
  l.dwBitrate = 128;
  l.dwMaxBitrate = 128;
  l.nPreset = LQP_CD;
  l.nVBRQuality = 5;
  l.bWriteVBRHeader = 1;
  l.bNoRes = 1;
  return c;
}

enum class Tag { InfoTag, VbrHeader };

// Encodes the samples of a canonical WAV chunk by chunk, then flushes,
// closes and writes the tag.
BE_ERR Encode(BE_CONFIG config, const fs::path& wav, const fs::path& mp3, Tag tag = Tag::InfoTag) {
  LameLib& lib = Library();
  const auto bytes = audio_test::ReadBytes(wav);
  if (bytes.size() < 44) return BE_ERR_INVALID_FORMAT;
  const auto samples = audio_test::ToSamples(bytes.data() + 44, bytes.size() - 44);

  DWORD chunk = 0, buffer_size = 0;
  HBE_STREAM stream = 0;
  if (const BE_ERR e = lib.init(&config, &chunk, &buffer_size, &stream); e != BE_ERR_SUCCESSFUL) return e;
  std::vector<BYTE> out(buffer_size);
  std::FILE* file = std::fopen(mp3.c_str(), "wb+");
  for (std::size_t at = 0; at < samples.size(); at += chunk) {
    const auto n = static_cast<DWORD>(std::min<std::size_t>(chunk, samples.size() - at));
    DWORD written = 0;
    std::vector<SHORT> in(samples.begin() + static_cast<std::ptrdiff_t>(at),
                          samples.begin() + static_cast<std::ptrdiff_t>(at + n));
    if (const BE_ERR e = lib.encode(stream, n, in.data(), out.data(), &written); e != BE_ERR_SUCCESSFUL) {
      std::fclose(file);
      return e;
    }
    std::fwrite(out.data(), 1, written, file);
  }
  DWORD written = 0;
  BE_ERR result = lib.deinit(stream, out.data(), &written);
  std::fwrite(out.data(), 1, written, file);
  if (result == BE_ERR_SUCCESSFUL) result = lib.close(stream);
  std::fclose(file);
  if (result != BE_ERR_SUCCESSFUL) return result;
  return tag == Tag::InfoTag ? lib.write_info_tag(stream, mp3.c_str()) : lib.write_vbr_header(mp3.c_str());
}

class LameEncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LameLib& lib = Library();
    ASSERT_TRUE(lib.module.Loaded()) << lib.module.Error();
    ASSERT_TRUE(lib.init && lib.encode && lib.deinit && lib.close && lib.version &&
                lib.write_vbr_header && lib.write_info_tag);
  }

  // A canonical 16-bit WAV of a 1 kHz sine in every channel.
  fs::path MakeWav(int rate, int channels, double seconds) {
    const fs::path path = dir_ / "in.wav";
    std::string expr = "0.5*sin(2*PI*1000*t)";
    for (int c = 1; c < channels; ++c) expr += "|0.5*sin(2*PI*1000*t)";
    EXPECT_TRUE(Ffmpeg("-f lavfi -i 'aevalsrc=" + expr + ":s=" + std::to_string(rate) + ":d=" +
                       std::to_string(seconds) + "' -c:a pcm_s16le -bitexact " + Quote(path)));
    return path;
  }

  // What ffmpeg makes of the MP3: channels, rate, samples.
  struct Decoded {
    int channels = 0, rate = 0;
    std::vector<std::int16_t> samples;
    double Seconds() const { return static_cast<double>(samples.size()) / channels / rate; }
  };
  Decoded Decode(const fs::path& mp3) {
    Decoded d;
    const fs::path wav = dir_ / "decoded.wav";
    EXPECT_TRUE(Ffmpeg("-i " + Quote(mp3) + " -c:a pcm_s16le -bitexact -fflags +bitexact " + Quote(wav)));
    const auto bytes = audio_test::ReadBytes(wav);
    if (bytes.size() < 44) return d;
    d.channels = static_cast<int>(audio_test::Le(&bytes[22], 2));
    d.rate = static_cast<int>(audio_test::Le(&bytes[24], 4));
    d.samples = audio_test::ToSamples(bytes.data() + 44, bytes.size() - 44);
    return d;
  }

  testing_support::ScratchDir dir_;
};

// The record as the format stores it: little-endian fields at fixed offsets.
TEST_F(LameEncTest, ConfigurationRecordLayout) {
  const BE_CONFIG config = DefaultConfig();
  std::uint8_t b[sizeof(BE_CONFIG)];
  static_assert(sizeof b == 331);
  std::memcpy(b, &config, sizeof b);
  auto at = [&](int offset) { return audio_test::Le(&b[offset], 4); };
  EXPECT_EQ(at(0), 256u);    // BE_CONFIG_LAME
  EXPECT_EQ(at(4), 1u);      // structure version
  EXPECT_EQ(at(8), 331u);    // structure size
  EXPECT_EQ(at(12), 44100u);
  EXPECT_EQ(at(16), 0u);     // resample rate
  EXPECT_EQ(at(20), 0u);     // stereo
  EXPECT_EQ(at(24), 128u);
  EXPECT_EQ(at(28), 128u);
  EXPECT_EQ(at(32), 9000u);  // LQP_CD
  EXPECT_EQ(at(64), 1u);     // write the VBR header
  EXPECT_EQ(at(68), 0u);     // VBR off
  EXPECT_EQ(at(72), 5u);     // VBR quality
  EXPECT_EQ(at(84), 1u);     // no bit reservoir

  BE_CONFIG mp3;
  std::memset(&mp3, 0, sizeof mp3);
  mp3.format.mp3.byMode = BE_MP3_MODE_MONO;
  mp3.format.mp3.wBitrate = 0x0140;
  mp3.format.mp3.bOriginal = 1;
  std::memcpy(b, &mp3, sizeof b);
  EXPECT_EQ(b[8], 3);
  EXPECT_EQ(b[9], 0x40);
  EXPECT_EQ(b[10], 0x01);
  EXPECT_EQ(b[23], 1);
}

TEST_F(LameEncTest, StereoCbrDecodesToTheSourceWithAnInfoTag) {
  const fs::path wav = MakeWav(44100, 2, 2.0), mp3 = dir_ / "out.mp3";
  BE_CONFIG config = DefaultConfig();
  config.format.LHV1.bCRC = 1;
  config.format.LHV1.bPrivate = 1;
  config.format.LHV1.bCopyright = 1;
  config.format.LHV1.bOriginal = 1;
  ASSERT_EQ(Encode(config, wav, mp3), BE_ERR_SUCCESSFUL);

  const auto bytes = audio_test::ReadBytes(mp3);
  ASSERT_GT(bytes.size(), 1000u);
  // The first frame carries the tag, the second is audio with the asked-for header.
  ASSERT_EQ(bytes[0], 0xFF);
  EXPECT_NE(std::search(bytes.begin(), bytes.begin() + 200, "Info", "Info" + 4), bytes.begin() + 200);
  const std::size_t second = 417 + ((bytes[2] >> 1) & 1);  // 128 kbps at 44.1 kHz
  ASSERT_GT(bytes.size(), second + 4);
  EXPECT_EQ(bytes[second], 0xFF);
  EXPECT_EQ(bytes[second + 1], 0xFA);          // MPEG-1 layer III with CRC
  EXPECT_EQ(bytes[second + 2] >> 4, 9);        // 128 kbps
  EXPECT_EQ((bytes[second + 2] >> 2) & 3, 0);  // 44.1 kHz
  EXPECT_EQ(bytes[second + 2] & 1, 1);         // private
  EXPECT_EQ(bytes[second + 3] & 0x0C, 0x0C);   // copyright, original

  const Decoded d = Decode(mp3);
  EXPECT_EQ(d.channels, 2);
  EXPECT_EQ(d.rate, 44100);
  EXPECT_NEAR(d.Seconds(), 2.0, 0.01);  // the tag gives the exact length
  for (int channel = 0; channel < 2; ++channel)
    EXPECT_GE(audio_test::SineSnrDb(d.samples, 2, channel, 44100, 1000), 30.0);
}

TEST_F(LameEncTest, MonoIsEncodedAtItsOwnRate) {
  const fs::path wav = MakeWav(22050, 1, 1.5), mp3 = dir_ / "out.mp3";
  BE_CONFIG config = DefaultConfig();
  config.format.LHV1.nMode = BE_MP3_MODE_MONO;
  config.format.LHV1.dwSampleRate = 22050;
  config.format.LHV1.dwBitrate = 64;
  DWORD chunk = 0, buffer = 0;
  HBE_STREAM stream = 0;
  ASSERT_EQ(Library().init(&config, &chunk, &buffer, &stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(chunk, 576u);  // one MPEG-2 frame of one channel
  EXPECT_GE(buffer, 7200u);
  EXPECT_EQ(Library().close(stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(Library().write_info_tag(stream, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);

  ASSERT_EQ(Encode(config, wav, mp3), BE_ERR_SUCCESSFUL);
  const Decoded d = Decode(mp3);
  EXPECT_EQ(d.channels, 1);
  EXPECT_EQ(d.rate, 22050);
  EXPECT_NEAR(d.Seconds(), 1.5, 0.01);
  EXPECT_GE(audio_test::SineSnrDb(d.samples, 1, 0, 22050, 1000), 30.0);
}

TEST_F(LameEncTest, VbrWritesAXingHeaderAndOutputRateIsHonoured) {
  const fs::path wav = MakeWav(44100, 2, 2.0), mp3 = dir_ / "out.mp3";
  BE_CONFIG config = DefaultConfig();
  config.format.LHV1.bEnableVBR = 1;
  config.format.LHV1.nVBRQuality = 2;
  config.format.LHV1.dwBitrate = 32;
  config.format.LHV1.dwMaxBitrate = 320;
  config.format.LHV1.dwReSampleRate = 32000;
  ASSERT_EQ(Encode(config, wav, mp3, Tag::VbrHeader), BE_ERR_SUCCESSFUL);
  const auto bytes = audio_test::ReadBytes(mp3);
  ASSERT_GT(bytes.size(), 200u);
  EXPECT_NE(std::search(bytes.begin(), bytes.begin() + 200, "Xing", "Xing" + 4), bytes.begin() + 200);
  const Decoded d = Decode(mp3);
  EXPECT_EQ(d.rate, 32000);
  EXPECT_NEAR(d.Seconds(), 2.0, 0.01);
}

TEST_F(LameEncTest, TheClassicConfigurationWorksWithoutATag) {
  const fs::path wav = MakeWav(48000, 2, 1.0), mp3 = dir_ / "out.mp3";
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  config.dwConfig = BE_CONFIG_MP3;
  config.format.mp3.dwSampleRate = 48000;
  config.format.mp3.byMode = BE_MP3_MODE_JSTEREO;
  config.format.mp3.wBitrate = 192;
  ASSERT_EQ(Encode(config, wav, mp3), BE_ERR_SUCCESSFUL);
  const auto bytes = audio_test::ReadBytes(mp3);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes[2] >> 4, 11);  // 192 kbps
  const Decoded d = Decode(mp3);
  EXPECT_EQ(d.channels, 2);
  EXPECT_EQ(d.rate, 48000);
  EXPECT_NEAR(d.Seconds(), 1.0, 0.1);  // no tag: encoder delay and padding stay
}

TEST_F(LameEncTest, RefusesBadConfigurationsAndHandles) {
  LameLib& lib = Library();
  DWORD chunk = 0, buffer = 0;
  HBE_STREAM stream = 0;
  BE_CONFIG config = DefaultConfig();

  config.dwConfig = 7;
  EXPECT_EQ(lib.init(&config, &chunk, &buffer, &stream), BE_ERR_INVALID_FORMAT);
  config = DefaultConfig();
  config.format.LHV1.nMode = 9;
  EXPECT_EQ(lib.init(&config, &chunk, &buffer, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  config = DefaultConfig();
  config.format.LHV1.dwReSampleRate = 12345;
  EXPECT_EQ(lib.init(&config, &chunk, &buffer, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  config = DefaultConfig();
  config.format.LHV1.dwSampleRate = 0;
  EXPECT_EQ(lib.init(&config, &chunk, &buffer, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
  EXPECT_EQ(stream, 0u);
  EXPECT_EQ(lib.init(nullptr, &chunk, &buffer, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);

  // A failed start hands out no stream; the engine's clean-up call is harmless.
  std::vector<BYTE> out(16384);
  DWORD written = 0;
  EXPECT_EQ(lib.deinit(0, out.data(), &written), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(lib.encode(0xDEAD, 0, nullptr, out.data(), &written), BE_ERR_INVALID_HANDLE);

  config = DefaultConfig();
  ASSERT_EQ(lib.init(&config, &chunk, &buffer, &stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(chunk, 2304u);  // one MPEG-1 frame of two channels
  out.resize(buffer);
  std::vector<SHORT> in(chunk + 2);
  EXPECT_EQ(lib.encode(stream, chunk + 2, in.data(), out.data(), &written),
            BE_ERR_INVALID_FORMAT_PARAMETERS);
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(lib.encode(stream, chunk, in.data(), out.data(), &written), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(lib.deinit(stream, out.data(), &written), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(lib.close(stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(lib.close(stream), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(lib.encode(stream, chunk, in.data(), out.data(), &written), BE_ERR_INVALID_HANDLE);
  // Not an MP3 file: the tag is not written into it, and the stream is gone.
  testing_support::WriteFile(dir_ / "text.mp3", std::string(1000, 'x'));
  EXPECT_EQ(lib.write_info_tag(stream, (dir_ / "text.mp3").c_str()), BE_ERR_INVALID_FORMAT);
  EXPECT_EQ(testing_support::ReadFile(dir_ / "text.mp3"), std::string(1000, 'x'));
  EXPECT_EQ(lib.write_info_tag(stream, (dir_ / "text.mp3").c_str()), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(lib.write_vbr_header((dir_ / "missing" / "x.mp3").c_str()), BE_ERR_INVALID_HANDLE);
}

TEST_F(LameEncTest, VersionNamesTheEngine) {
  BE_VERSION v;
  std::memset(&v, 0xAB, sizeof v);
  Library().version(&v);
  EXPECT_EQ(v.byMajorVersion, 3);
  EXPECT_GE(v.byDLLMajorVersion, 1);
  EXPECT_GE(v.wYear, 2024);
  EXPECT_GE(v.byMonth, 1);
  EXPECT_LE(v.byMonth, 12);
  EXPECT_GE(v.byDay, 1);
  const std::string homepage(v.zHomepage);
  EXPECT_LT(homepage.size(), sizeof v.zHomepage);
  EXPECT_NE(homepage.find("http"), std::string::npos);
  EXPECT_EQ(v.btReserved[0], 0);
}

}  // namespace
