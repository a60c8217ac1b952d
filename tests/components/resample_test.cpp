// Resample loaded by name and called as the WAV encoder engine calls it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "../../components/resample/include/resample/resample.h"
#include "components/audio_test_support.h"
#include "platform/module.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using audio_test::Ffmpeg;
using audio_test::Quote;

struct ResampleLib {
  platform::Module module;
  CreateAudioResampleCtrlFn create = nullptr;
  DeleteAudioResampleCtrlFn destroy = nullptr;
};

ResampleLib& Library() {
  static ResampleLib lib = [] {
    ResampleLib l;
    if (l.module.Load("Resample.dll")) {
      l.create = reinterpret_cast<CreateAudioResampleCtrlFn>(l.module.Symbol("CreateAudioResampleCtrl"));
      l.destroy = reinterpret_cast<DeleteAudioResampleCtrlFn>(l.module.Symbol("DeleteAudioResampleCtrl"));
    }
    return l;
  }();
  return lib;
}

// What the progress callback saw; it aborts once the percentage reaches
// abort_at.
struct Progress {
  std::vector<int32_t> percents;
  int32_t abort_at = 1000;
};
Progress* g_progress = nullptr;

void OnProgress(int32_t* abort_flag, int32_t percent) {
  if (!g_progress) return;
  g_progress->percents.push_back(percent);
  if (percent >= g_progress->abort_at) *abort_flag = -1;
}

class ResampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResampleLib& lib = Library();
    ASSERT_TRUE(lib.module.Loaded()) << lib.module.Error();
    ASSERT_TRUE(lib.create && lib.destroy);
    ctrl_ = lib.create();
    ASSERT_NE(ctrl_, nullptr);
    g_progress = &progress_;
  }
  void TearDown() override {
    g_progress = nullptr;
    Library().destroy(ctrl_);
  }

  int32_t Run(const fs::path& in, const fs::path& out, float rate) {
    const ResampleRequest request{in.c_str(), out.c_str(), 44100.0f, rate, 0, 2, OnProgress};
    return ctrl_->Resample(&request);
  }

  testing_support::ScratchDir dir_;
  AudioResampleCtrl* ctrl_ = nullptr;
  Progress progress_;
};

// A WAV of the given channels, each a sine of its own frequency.
bool MakeSines(const fs::path& path, int rate, const std::vector<int>& frequencies, double seconds,
               const std::string& codec) {
  std::string expr;
  for (const int f : frequencies)
    expr += (expr.empty() ? "" : "|") + std::string("0.5*sin(2*PI*") + std::to_string(f) + "*t)";
  return Ffmpeg("-f lavfi -i 'aevalsrc=" + expr + ":s=" + std::to_string(rate) +
                ":d=" + std::to_string(seconds) + "' -c:a " + codec + " " + Quote(path));
}

TEST_F(ResampleTest, SineKeepsAtLeast80DbSignalToNoise) {
  const fs::path in = dir_ / "sine.wav";
  ASSERT_TRUE(MakeSines(in, 44100, {1000, 1000}, 3.0, "pcm_s16le"));
  for (const float rate : {48000.0f, 96000.0f}) {
    SCOPED_TRACE(rate);
    const fs::path out = dir_ / "out.wav";
    ASSERT_EQ(Run(in, out, rate), RESAMPLE_OK);
    const auto wav = audio_test::ReadCanonicalWav(out);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->rate, static_cast<std::uint32_t>(rate));
    EXPECT_EQ(wav->channels, 2);
    EXPECT_NEAR(wav->Seconds(), 3.0, 0.01);
    for (int channel = 0; channel < 2; ++channel)
      EXPECT_GE(audio_test::SineSnrDb(wav->samples, 2, channel, rate, 1000), 80.0);
  }
}

struct InputCase {
  const char* codec;
  int channels;
};

class ResampleInputs : public ResampleTest, public ::testing::WithParamInterface<InputCase> {};

// Every PCM layout in: 16-bit out at the new rate, each channel in its place.
TEST_P(ResampleInputs, ConvertsToSixteenBitKeepingTheChannels) {
  const InputCase& c = GetParam();
  const std::vector<int> frequencies = {300, 500, 700, 900, 1100, 1300};
  const fs::path in = dir_ / "in.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(MakeSines(in, 44100, {frequencies.begin(), frequencies.begin() + c.channels}, 2.0,
                        c.codec));
  ASSERT_EQ(Run(in, out, 48000), RESAMPLE_OK);
  const auto wav = audio_test::ReadCanonicalWav(out);
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->format, 1);
  EXPECT_EQ(wav->bits, 16);
  EXPECT_EQ(wav->rate, 48000u);
  EXPECT_EQ(wav->channels, c.channels);
  EXPECT_EQ(wav->block_align, 2 * c.channels);
  EXPECT_NEAR(wav->Seconds(), 2.0, 0.01);
  // 8-bit input carries its own coarse quantisation.
  const double floor = std::string(c.codec) == "pcm_u8" ? 35.0 : 70.0;
  for (int channel = 0; channel < c.channels; ++channel)
    EXPECT_GE(audio_test::SineSnrDb(wav->samples, c.channels, channel, 48000, frequencies[channel]), floor)
        << "channel " << channel;
}

INSTANTIATE_TEST_SUITE_P(Layouts, ResampleInputs,
                         ::testing::Values(InputCase{"pcm_u8", 2}, InputCase{"pcm_s16le", 1},
                                           InputCase{"pcm_s16le", 2}, InputCase{"pcm_s24le", 2},
                                           InputCase{"pcm_s32le", 2}, InputCase{"pcm_f32le", 2},
                                           InputCase{"pcm_f64le", 2}, InputCase{"pcm_s16le", 6},
                                           InputCase{"pcm_s24le", 6}, InputCase{"pcm_s16le", 3}),
                         [](const ::testing::TestParamInfo<InputCase>& info) {
                           return std::string(info.param.codec) + "_" + std::to_string(info.param.channels);
                         });

TEST_F(ResampleTest, SixteenBitsAtTheSameRateAreCopied) {
  const fs::path in = dir_ / "in.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(MakeSines(in, 48000, {440, 660}, 1.0, "pcm_s16le"));
  ASSERT_EQ(Run(in, out, 48000), RESAMPLE_OK);
  const auto reference = audio_test::FfmpegDecode(in, dir_ / "in.raw");
  const auto wav = audio_test::ReadCanonicalWav(out);
  ASSERT_TRUE(reference && wav);
  EXPECT_TRUE(*reference == wav->samples);
}

TEST_F(ResampleTest, ReportsProgressAndStopsWhenTheCallbackAborts) {
  const fs::path in = dir_ / "in.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(MakeSines(in, 44100, {440, 660}, 10.0, "pcm_s16le"));
  ASSERT_EQ(Run(in, out, 48000), RESAMPLE_OK);
  ASSERT_GE(progress_.percents.size(), 3u);
  for (std::size_t i = 1; i < progress_.percents.size(); ++i)
    EXPECT_GE(progress_.percents[i], progress_.percents[i - 1]);
  EXPECT_EQ(progress_.percents.front(), 0);
  EXPECT_EQ(progress_.percents.back(), 100);

  progress_ = {};
  progress_.abort_at = 30;
  EXPECT_EQ(Run(in, out, 48000), RESAMPLE_ABORTED);
  EXPECT_FALSE(fs::exists(out));
  ASSERT_FALSE(progress_.percents.empty());
  EXPECT_LT(progress_.percents.back(), 100);

  // No callback at all.
  const ResampleRequest request{in.c_str(), out.c_str(), 44100.0f, 48000.0f, 0, 2, nullptr};
  EXPECT_EQ(ctrl_->Resample(&request), RESAMPLE_OK);
}

TEST_F(ResampleTest, TheFileHeaderWinsOverTheRequest) {
  const fs::path in = dir_ / "in.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(MakeSines(in, 22050, {1000}, 1.0, "pcm_s16le"));
  const ResampleRequest request{in.c_str(), out.c_str(), 44100.0f, 48000.0f, 0, 2, nullptr};
  ASSERT_EQ(ctrl_->Resample(&request), RESAMPLE_OK);
  const auto wav = audio_test::ReadCanonicalWav(out);
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->channels, 1);
  EXPECT_NEAR(wav->Seconds(), 1.0, 0.01);
  EXPECT_GE(audio_test::SineSnrDb(wav->samples, 1, 0, 48000, 1000), 80.0);
}

TEST_F(ResampleTest, BadRequestsAndInputsFailWithoutOutput) {
  const fs::path good = dir_ / "good.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(MakeSines(good, 44100, {440, 660}, 0.5, "pcm_s16le"));

  EXPECT_EQ(ctrl_->Resample(nullptr), RESAMPLE_ERR_REQUEST);
  const ResampleRequest no_paths{nullptr, nullptr, 44100.0f, 48000.0f, 0, 2, nullptr};
  EXPECT_EQ(ctrl_->Resample(&no_paths), RESAMPLE_ERR_REQUEST);
  for (const float rate : {0.0f, -48000.0f, 1e9f, std::numeric_limits<float>::quiet_NaN()})
    EXPECT_EQ(Run(good, out, rate), RESAMPLE_ERR_REQUEST) << rate;

  testing_support::WriteFile(dir_ / "empty.wav", "");
  testing_support::WriteFile(dir_ / "text.wav", std::string(5000, 'x'));
  testing_support::WriteFile(dir_ / "riff.wav", "RIFF\x04\x00\x00\x00WAVE");
  testing_support::WriteFile(dir_ / "nodata.wav", testing_support::ReadFile(good).substr(0, 36));
  ASSERT_TRUE(Ffmpeg("-i " + Quote(good) + " -c:a adpcm_ms " + Quote(dir_ / "adpcm.wav")));
  ASSERT_TRUE(Ffmpeg("-i " + Quote(good) + " -c:a pcm_alaw " + Quote(dir_ / "alaw.wav")));
  fs::create_directory(dir_ / "folder.wav");
  for (const char* name :
       {"missing.wav", "empty.wav", "text.wav", "riff.wav", "nodata.wav", "adpcm.wav", "alaw.wav",
        "folder.wav"}) {
    EXPECT_EQ(Run(dir_ / name, out, 48000), RESAMPLE_ERR_INPUT) << name;
    EXPECT_FALSE(fs::exists(out)) << name;
  }
}

TEST_F(ResampleTest, AHeaderClaimingMoreDataGivesWhatIsThere) {
  const fs::path in = dir_ / "in.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(MakeSines(in, 44100, {440, 660}, 1.0, "pcm_s16le -bitexact"));
  std::string bytes = testing_support::ReadFile(in);
  const auto data = bytes.find("data");
  ASSERT_NE(data, std::string::npos);
  for (int i = 0; i < 4; ++i) bytes[data + 4 + i] = '\x7f';  // about 2 GB
  testing_support::WriteFile(in, bytes);
  ASSERT_EQ(Run(in, out, 48000), RESAMPLE_OK);
  const auto wav = audio_test::ReadCanonicalWav(out);
  ASSERT_TRUE(wav);
  EXPECT_NEAR(wav->Seconds(), 1.0, 0.01);
}

TEST_F(ResampleTest, OutputProblemsFailAndNeverHarmTheInput) {
  const fs::path in = dir_ / "in.wav";
  ASSERT_TRUE(MakeSines(in, 44100, {440, 660}, 1.0, "pcm_s16le"));
  const std::string original = testing_support::ReadFile(in);

  EXPECT_EQ(Run(in, in, 48000), RESAMPLE_ERR_OUTPUT);
  EXPECT_EQ(testing_support::ReadFile(in), original);
  EXPECT_EQ(Run(in, dir_ / "missing" / "out.wav", 48000), RESAMPLE_ERR_OUTPUT);
  {
    audio_test::FileSizeLimit limit(64 * 1024);
    EXPECT_EQ(Run(in, dir_ / "full.wav", 48000), RESAMPLE_ERR_OUTPUT);
  }
  EXPECT_FALSE(fs::exists(dir_ / "full.wav"));
}

}  // namespace
