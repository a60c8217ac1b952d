// The RIFF/WAV reader over crafted files (every case through all three entry
// points: path, open FILE*, bytes in memory) and over files ffmpeg writes.
#include "core/wav_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace core {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Le(std::uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
  return out;
}

// A chunk: id, size (the body's unless given), body, pad byte when odd.
std::string Chunk(const std::string& id, const std::string& body, std::optional<std::uint32_t> size = {},
                  char pad = '\0') {
  std::string out = id + Le(size.value_or(static_cast<std::uint32_t>(body.size())), 4) + body;
  if (body.size() % 2) out += pad;
  return out;
}

std::string Wave(const std::vector<std::string>& chunks, std::optional<std::uint32_t> riff_size = {}) {
  std::string body = "WAVE";
  for (const auto& c : chunks) body += c;
  return "RIFF" + Le(riff_size.value_or(static_cast<std::uint32_t>(body.size())), 4) + body;
}

// A 16-byte "fmt " body.
std::string Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
  return Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * align, 4) + Le(align, 2) + Le(bits, 2);
}

// A 40-byte WAVE_FORMAT_EXTENSIBLE body; `guid_tail` is the sub-format GUID after its tag.
const std::string kMsGuidTail("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
std::string Extensible(std::uint16_t channels, std::uint16_t bits, std::uint16_t valid, std::uint32_t mask,
                       std::uint32_t sub_format, const std::string& guid_tail = kMsGuidTail) {
  return Fmt(0xFFFE, channels, 48000, bits) + Le(22, 2) + Le(valid, 2) + Le(mask, 4) + Le(sub_format, 4) + guid_tail;
}

std::string Samples(std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += static_cast<char>(i * 7 + 1);
  return out;
}

const std::string kFmt16 = Chunk("fmt ", Fmt(1, 2, 48000, 16));  // 24 bytes
const std::string kData = Chunk("data", Samples(400));             // 408 bytes
// LIST/INFO whose text holds the letters "data": 8 + 40 bytes.
const std::string kListWithData =
    Chunk("LIST", "INFO" + Chunk("INAM", "my data song") + Chunk("ICMT", "data\x10\x00\x00\x00"s));

std::string Cut(std::string s, std::size_t size) { return s.substr(0, size); }

struct Expected {
  SampleCoding coding;
  std::uint16_t channels;
  std::uint16_t bits;
  std::uint16_t valid_bits;
  std::uint32_t channel_mask;
  std::uint64_t data_offset;
  std::uint64_t data_size;
};

struct Case {
  std::string name;
  std::string file;
  std::optional<Expected> layout;  // else `error`
  WavError error = WavError::CannotRead;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

constexpr auto kPcm = SampleCoding::Pcm;
constexpr auto kFloat = SampleCoding::Float;
constexpr auto kOther = SampleCoding::Other;

std::vector<Case> Cases() {
  return {
      {"Canonical", Wave({kFmt16, kData}), Expected{kPcm, 2, 16, 16, 0, 44, 400}},
      {"ListInfoSayingDataBeforeData", Wave({kFmt16, kListWithData, kData}), Expected{kPcm, 2, 16, 16, 0, 12 + 24 + 48 + 8, 400}},
      {"Fact", Wave({kFmt16, Chunk("fact", Le(100, 4)), kData}), Expected{kPcm, 2, 16, 16, 0, 12 + 24 + 12 + 8, 400}},
      {"JunkBothCases", Wave({Chunk("JUNK", std::string(28, '\0')), kFmt16, Chunk("junk", "data data"), kData}),
       Expected{kPcm, 2, 16, 16, 0, 12 + 36 + 24 + 18 + 8, 400}},
      {"Bext", Wave({kFmt16, Chunk("bext", "data" + std::string(598, 'd')), kData}),
       Expected{kPcm, 2, 16, 16, 0, 12 + 24 + 610 + 8, 400}},
      // "dat" plus the pad byte 'a' reads "data" to a byte scanner.
      {"OddChunkWithPadByte", Wave({kFmt16, Chunk("odd ", "dat", {}, 'a'), kData}),
       Expected{kPcm, 2, 16, 16, 0, 12 + 24 + 12 + 8, 400}},
      {"OddDataThenPadAndList", Wave({kFmt16, Chunk("data", Samples(401)), kListWithData}),
       Expected{kPcm, 2, 16, 16, 0, 44, 401}},
      {"Extensible24", Wave({Chunk("fmt ", Extensible(2, 24, 24, 0x3, 1)), kData}),
       Expected{kPcm, 2, 24, 24, 0x3, 12 + 48 + 8, 400}},
      {"Extensible20In24", Wave({Chunk("fmt ", Extensible(6, 24, 20, 0x3F, 1)), kData}),
       Expected{kPcm, 6, 24, 20, 0x3F, 68, 400}},
      {"ExtensibleValidBitsZero", Wave({Chunk("fmt ", Extensible(2, 16, 0, 0, 1)), kData}),
       Expected{kPcm, 2, 16, 16, 0, 68, 400}},
      {"Float", Wave({Chunk("fmt ", Fmt(3, 2, 48000, 32)), kData}), Expected{kFloat, 2, 32, 32, 0, 44, 400}},
      {"ExtensibleFloat", Wave({Chunk("fmt ", Extensible(2, 32, 32, 0x3, 3)), kData}),
       Expected{kFloat, 2, 32, 32, 0x3, 68, 400}},
      // Ambisonic B-format PCM: same leading 1, another GUID.
      {"ExtensibleOtherGuid",
       Wave({Chunk("fmt ", Extensible(4, 16, 16, 0, 1, "\x21\x07\xD3\x11\x86\x44\xC8\xC1\xCA\x00\x00\x00"s)), kData}),
       Expected{kOther, 4, 16, 16, 0, 68, 400}},
      {"ExtensibleTooShortForGuid", Wave({Chunk("fmt ", Fmt(0xFFFE, 2, 48000, 16)), kData}),
       Expected{kOther, 2, 16, 16, 0, 44, 400}},
      {"AdpcmIsOther", Wave({Chunk("fmt ", Fmt(2, 2, 48000, 4) + Le(0, 2)), kData}), Expected{kOther, 2, 4, 4, 0, 46, 400}},
      {"DataSizeZero", Wave({kFmt16, Chunk("data", Samples(400), 0)}), Expected{kPcm, 2, 16, 16, 0, 44, 400}},
      {"DataSizeOpen", Wave({kFmt16, Chunk("data", Samples(400), 0xFFFFFFFF)}, 0xFFFFFFFF),
       Expected{kPcm, 2, 16, 16, 0, 44, 400}},
      {"DataPastTheEnd", Wave({kFmt16, Chunk("data", Samples(400), 1000)}), Expected{kPcm, 2, 16, 16, 0, 44, 400}},
      {"DataBeforeFormat", Wave({kData, kListWithData, kFmt16}), Expected{kPcm, 2, 16, 16, 0, 20, 400}},
      {"RiffSizeWrong", Wave({kFmt16, kData}, 4), Expected{kPcm, 2, 16, 16, 0, 44, 400}},
      {"OpenDataBeforeFormat", Wave({Chunk("data", Samples(400), 0), kFmt16}), std::nullopt, WavError::NoFormatChunk},
      {"CutInsideFormat", Cut(Wave({kFmt16, kData}), 30), std::nullopt, WavError::BadFormatChunk},
      {"CutInsideDataHeader", Cut(Wave({kFmt16, kData}), 40), std::nullopt, WavError::NoDataChunk},
      {"CutInsideRiffHeader", Cut(Wave({kFmt16, kData}), 10), std::nullopt, WavError::NotRiffWave},
      {"FormatTooShort", Wave({Chunk("fmt ", Fmt(1, 2, 48000, 16).substr(0, 14)), kData}), std::nullopt,
       WavError::BadFormatChunk},
      {"NoFormat", Wave({kListWithData, kData}), std::nullopt, WavError::NoFormatChunk},
      {"NoData", Wave({kFmt16, kListWithData}), std::nullopt, WavError::NoDataChunk},
      {"HugeChunkSkipsPastTheEnd", Wave({kFmt16, Chunk("JUNK", "", 0xFFFFFFF0), kData}), std::nullopt,
       WavError::NoDataChunk},
      {"RifxIsNotRiff", "RIFX" + Wave({kFmt16, kData}).substr(4), std::nullopt, WavError::NotRiffWave},
      {"AviIsNotWave", "RIFF" + Le(4, 4) + "AVI " + kFmt16 + kData, std::nullopt, WavError::NotRiffWave},
      {"Empty", "", std::nullopt, WavError::NotRiffWave},
  };
}

class WavReaderCase : public testing::TestWithParam<Case> {};

void Check(const std::optional<WavLayout>& got, WavError error, const Case& c, const char* via) {
  SCOPED_TRACE(via);
  if (!c.layout) {
    ASSERT_FALSE(got) << "data at " << got->data_offset;
    EXPECT_EQ(error, c.error) << Describe(error);
    return;
  }
  ASSERT_TRUE(got) << Describe(error);
  const Expected& e = *c.layout;
  EXPECT_EQ(got->coding, e.coding);
  EXPECT_EQ(got->channels, e.channels);
  EXPECT_EQ(got->sample_rate, 48000u);
  EXPECT_EQ(got->bits_per_sample, e.bits);
  EXPECT_EQ(got->valid_bits, e.valid_bits);
  EXPECT_EQ(got->channel_mask, e.channel_mask);
  EXPECT_EQ(got->data_offset, e.data_offset);
  EXPECT_EQ(got->data_size, e.data_size);
  EXPECT_EQ(got->file_size, c.file.size());
}

TEST_P(WavReaderCase, ReadsTheSameThroughEveryEntryPoint) {
  const Case& c = GetParam();
  WavError error = WavError::CannotRead;
  auto layout = ReadWavLayout(std::span(reinterpret_cast<const std::uint8_t*>(c.file.data()), c.file.size()), &error);
  Check(layout, error, c, "bytes");

  testing_support::ScratchDir dir;
  const fs::path path = dir / "case.wav";
  testing_support::WriteFile(path, c.file);
  error = WavError::CannotRead;
  layout = ReadWavLayout(path, &error);
  Check(layout, error, c, "path");

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  ASSERT_TRUE(file);
  error = WavError::CannotRead;
  layout = ReadWavLayout(file.get(), &error);
  Check(layout, error, c, "FILE*");
}

INSTANTIATE_TEST_SUITE_P(Crafted, WavReaderCase, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(WavReader, FramesAndDeclaredSize) {
  const std::string file = Wave({Chunk("fmt ", Fmt(1, 2, 48000, 24)), Chunk("data", Samples(600), 0)});
  const auto layout = ReadWavLayout(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->block_align, 6);
  EXPECT_EQ(layout->Frames(), 100u);
  EXPECT_EQ(layout->declared_data_size, 0u);
  EXPECT_EQ(layout->format_tag, kWavFormatPcm);
}

TEST(WavReader, RefusalsSayWhy) {
  testing_support::ScratchDir dir;
  WavError error = WavError::NoDataChunk;
  EXPECT_FALSE(ReadWavLayout(dir / "missing.wav", &error));
  EXPECT_EQ(error, WavError::CannotRead);
  error = WavError::NoDataChunk;
  EXPECT_FALSE(ReadWavLayout(dir.Path(), &error));  // a folder
  EXPECT_EQ(error, WavError::CannotRead);
  // A pipe cannot be walked (or rewound for the caller): refused, not guessed.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(popen("printf RIFF", "r"), pclose);
  ASSERT_TRUE(pipe);
  error = WavError::NoDataChunk;
  EXPECT_FALSE(ReadWavLayout(pipe.get(), &error));
  EXPECT_EQ(error, WavError::CannotRead);

  std::set<std::string_view> texts;
  for (WavError e : {WavError::CannotRead, WavError::NotRiffWave, WavError::NoFormatChunk, WavError::BadFormatChunk,
                     WavError::NoDataChunk})
    texts.insert(Describe(e));
  EXPECT_EQ(texts.size(), 5u);
  EXPECT_EQ(Describe(WavError::NotRiffWave), "is not a RIFF WAVE file");
}

// Files written by ffmpeg's WAV muxer: LIST/INFO with the title (which says
// "data"), bext, WAVE_FORMAT_EXTENSIBLE for 24-bit and float, and open sizes
// (0xFFFFFFFF) when it writes to a pipe. The data the reader points at must be
// exactly the samples ffmpeg itself decodes from the file.
struct OutsideFile {
  const char* name;
  const char* codec;   // ffmpeg's PCM coder, also the raw format to compare with
  const char* extra;   // further muxer options
  bool piped;
  SampleCoding coding;
  std::uint16_t bits;
};

class WavReaderOutside : public testing::TestWithParam<OutsideFile> {};

TEST_P(WavReaderOutside, PointsAtTheSamplesFfmpegDecodes) {
  const OutsideFile& o = GetParam();
  testing_support::ScratchDir dir;
  const fs::path wav = dir / "outside.wav";
  const fs::path raw = dir / "outside.raw";
  const std::string codec = std::string("pcm_") + o.codec;
  const std::string make = "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=997:duration=0.7 -ac 2 -ar 48000 "
                           "-metadata title='some data here' -c:a " + codec + " " + o.extra +
                           (o.piped ? " -f wav - | cat > '" : " '") + wav.string() + "'";
  ASSERT_EQ(std::system(make.c_str()), 0) << make;
  ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -i '" + wav.string() + "' -c:a " + codec + " -f " + o.codec +
                         " '" + raw.string() + "'").c_str()), 0);

  WavError error = WavError::CannotRead;
  const auto layout = ReadWavLayout(wav, &error);
  ASSERT_TRUE(layout) << Describe(error);
  EXPECT_EQ(layout->coding, o.coding);
  EXPECT_EQ(layout->bits_per_sample, o.bits);
  EXPECT_EQ(layout->channels, 2);
  EXPECT_EQ(layout->sample_rate, 48000u);
  if (o.piped) {
    EXPECT_EQ(layout->declared_data_size, 0xFFFFFFFFu);
  }
  const std::string bytes = testing_support::ReadFile(wav);
  const std::string samples = testing_support::ReadFile(raw);
  EXPECT_EQ(layout->data_size, samples.size());
  EXPECT_TRUE(bytes.substr(layout->data_offset, layout->data_size) == samples) << "data at " << layout->data_offset;
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, WavReaderOutside,
                         testing::Values(OutsideFile{"ListInfo16", "s16le", "", false, SampleCoding::Pcm, 16},
                                         OutsideFile{"BextExtensible24", "s24le", "-write_bext 1", false, SampleCoding::Pcm, 24},
                                         OutsideFile{"PipedFloat", "f32le", "", true, SampleCoding::Float, 32}),
                         [](const testing::TestParamInfo<OutsideFile>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace core
