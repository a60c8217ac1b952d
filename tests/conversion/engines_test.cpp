// The engines and their registry: how the decoder drives Dx2Wav, what a
// missing component does, caching and retry of the engines.
#include <gtest/gtest.h>

#include <deque>

#include "conversion_test_support.h"
#include "engine/codec_registry.h"
#include "engine/cd_rip_decoder.h"
#include "engine/dx2wav_decoder.h"
#include "engine/lame_encoder.h"
#include "engine/resample_encoder.h"
#include "engine/source_descriptors.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

// A sink that records the decode calls and can ask for an abort.
struct RecordingSink : ConversionProgress {
  std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  std::vector<std::int64_t> positions;
  std::string file;
  int pumps = 0;
  int abort_after_positions = -1;

  void SetCurrentFile(const char* path) override { file = path; }
  int SetDecodeRange(std::int64_t low, std::int64_t high) override {
    ranges.emplace_back(low, high);
    return 1;
  }
  int SetDecodePosition(std::int64_t position) override {
    positions.push_back(position);
    return 1;
  }
  void SetCurrentFileName(const char* path) override { file = path; }
  int SetEncodeRange(std::int64_t, std::int64_t) override { return 1; }
  int SetEncodePosition(std::int64_t) override { return 1; }
  int IsAborted() override {
    return abort_after_positions >= 0 &&
           static_cast<int>(positions.size()) >= abort_after_positions;
  }
  void PumpMessages() override { ++pumps; }
};

// A scripted Dx2Wav: the duration it reports and the positions of its steps.
struct FakeDx2Wav {
  static inline double duration = 0;
  static inline double init_result = 0;
  static inline std::deque<double> steps;
  static inline bool endless = false;   // keeps returning 1 at the last position
  static inline int transforms = 0;
  static inline int releases = 0;
  static inline std::int32_t release_result = DW_OK;
  static inline std::string source, output;

  static void Reset() {
    duration = 0;
    init_result = 0;
    steps.clear();
    endless = false;
    transforms = releases = 0;
    release_result = DW_OK;
  }
  static double Init(const char* s, const char* o, double* d) {
    source = s;
    output = o;
    *d = duration;
    return init_result < 0 ? init_result : duration;
  }
  static std::int32_t Transform(std::int32_t step, double* position) {
    EXPECT_EQ(step, 100);
    ++transforms;
    if (steps.empty()) return endless ? 1 : 0;
    *position = steps.front();
    if (!endless || steps.size() > 1) steps.pop_front();
    return 1;
  }
  static std::int32_t Release() {
    ++releases;
    return release_result;
  }
};

class Dx2WavDriving : public ::testing::Test {
 protected:
  Dx2WavDriving() : decoder_(Dx2WavFunctions{&FakeDx2Wav::Init, &FakeDx2Wav::Transform,
                                             &FakeDx2Wav::Release}) {
    FakeDx2Wav::Reset();
    source_.SetString(MediaFileSource::kPath, "/music/song.ogg");
    source_.SetString(kDescriptionString, "song.ogg");
    EXPECT_EQ(decoder_.Init(), 1);
    decoder_.SetDescriptor(&source_);
    decoder_.SetOutput("/tmp/x/CVT123.TMP");
  }

  MediaFileSource source_;
  Dx2WavDecoder decoder_;
  RecordingSink sink_;
};

TEST_F(Dx2WavDriving, RunsTheStepsAndReportsWholeSeconds) {
  FakeDx2Wav::duration = 3.7;
  FakeDx2Wav::steps = {1.2, 2.9, 3.7};
  EXPECT_EQ(decoder_.Run(sink_), 1);
  EXPECT_EQ(FakeDx2Wav::source, "/music/song.ogg");
  EXPECT_EQ(FakeDx2Wav::output, "/tmp/x/CVT123.TMP");
  ASSERT_EQ(sink_.ranges.size(), 1u);
  EXPECT_EQ(sink_.ranges[0], std::make_pair(std::int64_t{0}, std::int64_t{3}));
  EXPECT_EQ(sink_.file, "song.ogg");
  EXPECT_EQ(sink_.positions, (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(sink_.pumps, 3);
  EXPECT_EQ(FakeDx2Wav::releases, 1);
}

TEST_F(Dx2WavDriving, ShortFilesHaveARangeOfOneSecond) {
  FakeDx2Wav::duration = 0.4;
  FakeDx2Wav::steps = {0.2, 0.4};
  EXPECT_EQ(decoder_.Run(sink_), 1);
  ASSERT_EQ(sink_.ranges.size(), 1u);
  EXPECT_EQ(sink_.ranges[0].second, 1);
}

TEST_F(Dx2WavDriving, PositionsBeyondTheDurationShowTheDuration) {
  FakeDx2Wav::duration = 2.0;
  FakeDx2Wav::steps = {1.0, 2.5, 7.0};
  EXPECT_EQ(decoder_.Run(sink_), 1);
  EXPECT_EQ(sink_.positions, (std::vector<std::int64_t>{1, 2, 2}));
}

TEST_F(Dx2WavDriving, AbortStopsTheStepsAndReleases) {
  FakeDx2Wav::duration = 10;
  FakeDx2Wav::steps = {1, 2, 3, 4, 5, 6};
  FakeDx2Wav::release_result = DW_ERR_INCOMPLETE;
  sink_.abort_after_positions = 2;
  EXPECT_EQ(decoder_.Run(sink_), 0);
  EXPECT_EQ(sink_.positions.size(), 2u);
  EXPECT_EQ(FakeDx2Wav::transforms, 3);
  EXPECT_EQ(FakeDx2Wav::releases, 1);
}

TEST_F(Dx2WavDriving, AFailedOpenOrReleaseFailsTheStage) {
  FakeDx2Wav::init_result = DW_ERR_INPUT;
  EXPECT_EQ(decoder_.Run(sink_), 0);
  EXPECT_EQ(FakeDx2Wav::transforms, 0);
  EXPECT_TRUE(sink_.ranges.empty());

  FakeDx2Wav::Reset();
  FakeDx2Wav::duration = 1;
  FakeDx2Wav::steps = {1};
  FakeDx2Wav::release_result = DW_ERR_OUTPUT;  // the disk filled up
  EXPECT_EQ(decoder_.Run(sink_), 0);
}

TEST_F(Dx2WavDriving, APositionThatNeverMovesEndsTheLoop) {
  FakeDx2Wav::duration = 5;
  FakeDx2Wav::steps = {1.5};
  FakeDx2Wav::endless = true;
  EXPECT_EQ(decoder_.Run(sink_), 0);
  EXPECT_EQ(FakeDx2Wav::transforms, Dx2WavDecoder::kStallLimit + 1);
  EXPECT_EQ(FakeDx2Wav::releases, 1);
}

TEST(MissingComponents, AreAnnouncedByName) {
  testing_support::MessageBoxRecorder boxes;
  Dx2WavDecoder dx2wav("NoSuchDx2Wav.dll");
  EXPECT_EQ(dx2wav.Init(), 0);
  ResampleEncoder resample("NoSuchResample.dll");
  EXPECT_EQ(resample.Init(), 0);
  LameEncoder lame("no_such_lame_enc.dll");
  EXPECT_EQ(lame.Init(), 0);
  ASSERT_EQ(boxes.Boxes().size(), 3u);
  EXPECT_EQ(boxes.Boxes()[0].text, "NoSuchDx2Wav.dll has not been installed.");
  EXPECT_EQ(boxes.Boxes()[1].text, "NoSuchResample.dll has not been installed.");
  EXPECT_EQ(boxes.Boxes()[2].text, "Lame_enc.dll has not been installed.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Verosa");
}

TEST(Registry, EnginesAreMadeOnceAndShared) {
  testing_support::MessageBoxRecorder boxes;
  CodecRegistry registry;
  Decoder* decoder = registry.GetDecoder(4);
  ASSERT_NE(decoder, nullptr) << "libDx2Wav.so must be built";
  EXPECT_EQ(registry.GetDecoder(4), decoder);
  Encoder* wav = registry.GetEncoder(100);
  ASSERT_NE(wav, nullptr) << "libResample.so must be built";
  EXPECT_EQ(registry.GetEncoder(100), wav);
  Encoder* mp3 = registry.GetEncoder(101);
  ASSERT_NE(mp3, nullptr) << "liblame_enc.so must be built";
  EXPECT_NE(mp3, wav);
  EXPECT_TRUE(boxes.Boxes().empty());
  // Kinds without engines, and kinds outside the tables.
  EXPECT_EQ(registry.GetDecoder(5), nullptr);  // its Init always fails
  EXPECT_EQ(registry.GetDecoder(1), nullptr);
  EXPECT_EQ(registry.GetDecoder(-1), nullptr);
  EXPECT_EQ(registry.GetDecoder(260), nullptr);
  EXPECT_EQ(registry.GetEncoder(4), nullptr);
  EXPECT_EQ(registry.GetEncoder(260), nullptr);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(Registry, FailedInitIsTriedAgainOnTheNextRequest) {
  testing_support::MessageBoxRecorder boxes;
  CodecRegistry registry(ComponentLibraries{"Gone.dll", "Resample.dll", "lame_enc.dll"});
  EXPECT_EQ(registry.GetDecoder(4), nullptr);
  EXPECT_EQ(registry.GetDecoder(4), nullptr);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[1].text, "Gone.dll has not been installed.");
  EXPECT_NE(registry.GetEncoder(100), nullptr);
}

TEST(Registry, OnlyMp3HasASettingsDialogAndKeepsIt) {
  CodecRegistry registry;
  SettingsDialog* dialog = registry.GetSettingsDialog(101);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(registry.GetSettingsDialog(101), dialog);
  EXPECT_EQ(registry.GetSettingsDialog(100), nullptr);
  EXPECT_EQ(registry.GetSettingsDialog(260), nullptr);
  EXPECT_EQ(registry.GetSettingsDialog(-3), nullptr);
  for (int kind : {0, 4, 5, 259}) EXPECT_EQ(registry.GetSourceSettingsDialog(kind), nullptr);
}

class MissingDecoder : public ConversionTest {};

TEST_F(MissingDecoder, ItemsFailAndNothingIsLeft) {
  ConversionControl control(ComponentLibraries{"Gone.dll", "Resample.dll", "lame_enc.dll"});
  control.SetOutputFolder(Work().c_str());
  const fs::path file = Media("a.wav");
  WriteWav(file, 8000, 1, 8000);
  ASSERT_EQ(control.AddFile(file.c_str(), -1), 1);
  EXPECT_EQ(control.ConvertAll(), 0);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "Gone.dll has not been installed.");
  EXPECT_EQ(ui_.beeps.back(), BeepKind::Error);
  EXPECT_FALSE(fs::exists(control.GetItemDestination(0)));
  EXPECT_EQ(control.GetItemCount(), 1);
}

}  // namespace

namespace {

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::uint16_t Le16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

TEST(CdRipDecoderTest, RipsATrackIntoTheFortySixByteWavAndFailsOnAbort) {
  testing_support::ScratchDir dir;
  const auto cue = testing_support::MakeCdImage(dir.Path(), {{false, 300}, {true, 150}});
  const std::string disc = testing_support::ReadFile(dir / "disc.bin");
  testing_support::ScopedEnv images("VEROSA_CD_IMAGES", cue.string());

  CdRipLibrary library;
  ASSERT_TRUE(library.Load());
  const std::vector<CdTrack> tracks = library.ReadTracks();
  ASSERT_EQ(tracks.size(), 2u);
  CdTrackSource source;
  source.SetInt(CdTrackSource::kDrive, static_cast<int>(library.Drives().size()) - 1);
  source.SetInt2(CdTrackSource::kFirstSector, tracks[1].first);
  source.SetInt2(CdTrackSource::kLastSector, tracks[1].last);
  source.SetString(CdTrackSource::kName, "Track 02");

  for (const bool abort : {false, true}) {
    SCOPED_TRACE(abort);
    CdRipDecoder decoder;
    ASSERT_EQ(decoder.Init(), 1);
    decoder.SetDescriptor(&source);
    const auto out = dir / (abort ? "aborted.wav" : "track.wav");
    decoder.SetOutput(out.string());
    RecordingSink sink;
    if (abort) sink.abort_after_positions = 2;
    EXPECT_EQ(decoder.Run(sink), abort ? 0 : 1);
    decoder.Release();
    if (abort) continue;
    const std::string wav = testing_support::ReadFile(out);
    const std::uint32_t data = 150 * 2352;
    ASSERT_EQ(wav.size(), 46 + data);
    // The header field by field.
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(wav, 4), 38 + data);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(wav, 16), 18u);
    EXPECT_EQ(Le16(wav, 20), 1);
    EXPECT_EQ(Le16(wav, 22), 2);
    EXPECT_EQ(Le32(wav, 24), 44100u);
    EXPECT_EQ(Le32(wav, 28), 176400u);
    EXPECT_EQ(Le16(wav, 32), 4);
    EXPECT_EQ(Le16(wav, 34), 16);
    EXPECT_EQ(Le16(wav, 36), 0);
    EXPECT_EQ(wav.substr(38, 4), "data");
    EXPECT_EQ(Le32(wav, 42), data);
    EXPECT_EQ(wav.substr(46), disc.substr(300 * 2352, data)) << "the track's own bytes";
    EXPECT_EQ(sink.ranges.back().second, data);
    EXPECT_EQ(sink.positions.back(), data);
    EXPECT_EQ(sink.file, "Track 02");
  }
}

}  // namespace
