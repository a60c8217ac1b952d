#include "output/disc_audio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/test_support.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A PCM WAV with an extra chunk before "data" and the given sample bytes.
Bytes MakeWav(int bits, int channels, const Bytes& data, bool extensible = false) {
  const std::uint32_t fmt_size = extensible ? 40 : 16;
  Bytes b{'R', 'I', 'F', 'F'};
  Put(b, static_cast<std::uint32_t>(4 + 8 + fmt_size + 8 + 4 + 8 + data.size()), 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(b, fmt_size, 4);
  Put(b, extensible ? 0xFFFE : 1, 2);
  Put(b, static_cast<std::uint32_t>(channels), 2);
  Put(b, 48000, 4);
  Put(b, static_cast<std::uint32_t>(48000 * channels * bits / 8), 4);
  Put(b, static_cast<std::uint32_t>(channels * bits / 8), 2);
  Put(b, static_cast<std::uint32_t>(bits), 2);
  if (extensible) {
    Put(b, 22, 2);
    Put(b, static_cast<std::uint32_t>(bits), 2);
    Put(b, 3, 4);
    Put(b, 1, 2);  // sub-format GUID: PCM
    b.insert(b.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  }
  b.insert(b.end(), {'L', 'I', 'S', 'T'});
  Put(b, 4, 4);
  b.insert(b.end(), {'I', 'N', 'F', 'O'});
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put(b, static_cast<std::uint32_t>(data.size()), 4);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

void Write(const fs::path& path, const Bytes& b) { testing_support::WriteFile(path, std::string(b.begin(), b.end())); }

std::vector<std::int16_t> Samples(const fs::path& wav) {
  const std::string bytes = testing_support::ReadFile(wav);
  std::vector<std::int16_t> out((bytes.size() - 44) / 2);
  std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
  return out;
}

TEST(DiscAudio, ShapesOfPlainAndExtensiblePcm) {
  testing_support::ScratchDir dir;
  Write(dir / "mono.wav", MakeWav(16, 1, {1, 0, 2, 0}));
  Write(dir / "wide.wav", MakeWav(24, 2, Bytes(12, 0), true));
  Write(dir / "float.wav", [] { Bytes b = MakeWav(32, 2, Bytes(8, 0)); b[20] = 3; return b; }());
  EXPECT_EQ(ReadPcmShape(dir / "mono.wav"), (PcmShape{16, 1}));
  EXPECT_EQ(ReadPcmShape(dir / "wide.wav"), (PcmShape{24, 2}));
  EXPECT_FALSE(ReadPcmShape(dir / "float.wav"));
  EXPECT_FALSE(ReadPcmShape(dir / "missing.wav"));
}

TEST(DiscAudio, MonoIsDoubledAnd24BitIsRounded) {
  testing_support::ScratchDir dir;
  Write(dir / "mono.wav", MakeWav(16, 1, {0x34, 0x12, 0x00, 0x80}));
  ASSERT_TRUE(WriteStereo16Wav(dir / "mono.wav", dir / "out1.wav"));
  EXPECT_EQ(ReadPcmShape(dir / "out1.wav"), kStereo16);
  EXPECT_EQ(Samples(dir / "out1.wav"), (std::vector<std::int16_t>{0x1234, 0x1234, -32768, -32768}));

  // 24-bit stereo: 0x123480 rounds up, 0x7FFFFF stays in range, -1 rounds to
  // 0 and 0x007F00 becomes 0x007F.
  Write(dir / "wide.wav", MakeWav(24, 2, {0x80, 0x34, 0x12, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x7F, 0x00}));
  ASSERT_TRUE(WriteStereo16Wav(dir / "wide.wav", dir / "out2.wav"));
  EXPECT_EQ(Samples(dir / "out2.wav"), (std::vector<std::int16_t>{0x1235, 32767, 0, 0x007F}));
}

// More than two channels in WAV order: front pair, centre at -3 dB to both,
// the low-frequency channel of 5.1 and up left out, the rest alternately
// left and right at -3 dB, each side scaled by its weights' sum.
TEST(DiscAudio, MoreChannelsAreMixedToStereo) {
  const struct {
    std::vector<std::int16_t> frame;
    std::int16_t left, right;
  } kCases[] = {
      {{1000, -2000, 3000}, 1828, 71},
      {{1000, 2000, 3000, 30000, 400, 800}, 1410, 1941},
      {{-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768}, -32768, -32768},
      {{0, 0, 0, 0, 0, 0, 0, 9000}, 0, 2039},
  };
  testing_support::ScratchDir dir;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.frame.size());
    Bytes data;
    for (const std::int16_t v : c.frame) Put(data, static_cast<std::uint16_t>(v), 2);
    Write(dir / "many.wav", MakeWav(16, static_cast<int>(c.frame.size()), data));
    ASSERT_TRUE(WriteStereo16Wav(dir / "many.wav", dir / "out.wav"));
    EXPECT_EQ(ReadPcmShape(dir / "out.wav"), kStereo16);
    EXPECT_EQ(Samples(dir / "out.wav"), (std::vector<std::int16_t>{c.left, c.right}));
  }
}

TEST(DiscAudio, RefusalsLeaveNoFile) {
  testing_support::ScratchDir dir;
  testing_support::WriteFile(dir / "text.wav", "not a wave file at all");
  std::string error;
  EXPECT_FALSE(WriteStereo16Wav(dir / "text.wav", dir / "out.wav", &error));
  EXPECT_NE(error.find("text.wav"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "out.wav"));
  Write(dir / "float.wav", [] { Bytes b = MakeWav(32, 6, Bytes(24, 0)); b[20] = 3; return b; }());
  EXPECT_FALSE(WriteStereo16Wav(dir / "float.wav", dir / "out.wav", &error));
  EXPECT_FALSE(fs::exists(dir / "out.wav"));
  Write(dir / "ok.wav", MakeWav(16, 1, {1, 0}));
  EXPECT_FALSE(WriteStereo16Wav(dir / "ok.wav", dir / "no" / "such" / "out.wav", &error));
}

}  // namespace
}  // namespace verosa
