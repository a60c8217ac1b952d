// Real files of every supported kind, made with ffmpeg, converted through
// the control with the real components: the result is a complete 16-bit
// PCM WAV at the requested rate as long as the source.
#include <gtest/gtest.h>

#include <cmath>

#include "conversion_test_support.h"
#include "engine/cdrip_library.h"
#include "engine/mp3_target_format.h"
#include "platform/paths.h"

namespace {
using namespace carrowell;
using namespace conversion_testing;

struct SourceKind {
  const char* name;
  const char* file;
  const char* options;  // after the 44.1 kHz tone input
  int channels;
  bool with_video = false;
};

// Sources of two seconds at 44.1 kHz.
const SourceKind kSources[] = {
    {"mp3", "tone.mp3", "-ac 2 -c:a libmp3lame -b:a 128k", 2},
    {"wav_8bit", "tone8.wav", "-ac 2 -c:a pcm_u8", 2},
    {"wav_16bit", "tone16.wav", "-ac 2 -c:a pcm_s16le", 2},
    {"wav_24bit", "tone24.wav", "-ac 2 -c:a pcm_s24le", 2},
    {"wav_float", "tonef.wav", "-ac 2 -c:a pcm_f32le", 2},
    {"wav_mono", "mono.wav", "-ac 1 -c:a pcm_s16le", 1},
    {"wav_6ch", "six.wav", "-ac 6 -c:a pcm_s16le", 6},
    {"au", "tone.au", "-ac 2", 2},
    {"aiff", "tone.aiff", "-ac 2", 2},
    {"aifc", "tone.aifc", "-ac 2 -c:a pcm_alaw -f aiff", 2},
    {"wma", "tone.wma", "-ac 2 -c:a wmav2", 2},
    {"flac", "tone.flac", "-ac 2 -c:a flac", 2},
    {"ogg", "tone.ogg", "-ac 2 -c:a libvorbis", 2},
    {"avi", "clip.avi", "-ac 2 -c:v mpeg4 -c:a libmp3lame -shortest", 2, true},
    {"wmv", "clip.wmv", "-ac 2 -c:v wmv2 -c:a wmav2 -shortest", 2, true},
    {"mpg", "clip.mpg", "-ac 2 -c:v mpeg1video -c:a mp2 -f mpeg -shortest", 2, true},
    {"vob", "clip.vob", "-ac 2 -c:v mpeg2video -c:a ac3 -f vob -shortest", 2, true},
};

class Converts : public ConversionTest, public ::testing::WithParamInterface<SourceKind> {};

TEST_P(Converts, ToA16BitWavAtTheRequestedRate) {
  const SourceKind& kind = GetParam();
  const fs::path source = Media(kind.file);
  std::string inputs = "-f lavfi -i 'sine=frequency=440:sample_rate=44100:duration=2'";
  if (kind.with_video) inputs += " -f lavfi -i 'testsrc=size=160x120:rate=25:duration=2'";
  ASSERT_TRUE(Ffmpeg(inputs + " " + kind.options, source)) << "ffmpeg could not make " << kind.file;
  const auto expected = ReferenceSeconds(source, MediaFolder());
  ASSERT_TRUE(expected);

  for (const double rate : {48000.0, 96000.0}) {
    ConversionControl control;
    control.SetOutputFolder(Work().c_str());
    control.SetSampleRate(rate);
    ASSERT_EQ(control.AddFile(source.c_str(), -1), 1);
    EXPECT_NE(std::string(control.GetItemDuration(0)), "00:00.00");
    ASSERT_EQ(control.ConvertAll(), 1) << kind.name << " at " << rate;
    EXPECT_TRUE(boxes_.Boxes().empty());

    const fs::path destination = control.GetItemDestination(0);
    const auto info = ReadWavInfo(destination);
    ASSERT_TRUE(info) << destination;
    EXPECT_TRUE(info->IsComplete());
    EXPECT_EQ(info->format_tag, kWavPcm);
    EXPECT_EQ(info->bits_per_sample, 16);
    EXPECT_EQ(info->sample_rate, static_cast<std::uint32_t>(rate));
    EXPECT_EQ(info->channels, kind.channels);
    EXPECT_NEAR(info->Seconds(), *expected, 0.01) << kind.name << " at " << rate;
    EXPECT_TRUE(IntermediatesLeft().empty());
    // The progress reached the end of the batch.
    EXPECT_EQ(ui_.display_log.percentage, "100.00 %");
    EXPECT_EQ(ui_.display_log.file_texts.back(), std::string("Converting:  ") + kind.file);
    EXPECT_EQ(ui_.beeps.back(), BeepKind::Default);
    fs::remove(destination);
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, Converts, ::testing::ValuesIn(kSources),
                         [](const auto& info) { return std::string(info.param.name); });

class Resampling : public ConversionTest {};

// Signal-to-noise ratio of samples against the best-fitting sine of `hz`.
double SineSnrDb(const std::vector<std::int16_t>& samples, int channels, int rate, double hz) {
  // Least squares for a*sin + b*cos + c over the middle of the signal.
  const std::size_t frames = samples.size() / channels;
  const std::size_t begin = frames / 10, end = frames - frames / 10;
  double ss = 0, cc = 0, sc = 0, s1 = 0, c1 = 0, n = 0, ys = 0, yc = 0, y1 = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const double t = 2 * M_PI * hz * static_cast<double>(i) / rate;
    const double s = std::sin(t), c = std::cos(t), y = samples[i * channels];
    ss += s * s, cc += c * c, sc += s * c, s1 += s, c1 += c, n += 1;
    ys += y * s, yc += y * c, y1 += y;
  }
  // Solve the 3x3 normal equations by Cramer's rule.
  const double m[3][3] = {{ss, sc, s1}, {sc, cc, c1}, {s1, c1, n}};
  const double r[3] = {ys, yc, y1};
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  double x[3];
  for (int k = 0; k < 3; ++k) {
    double mk[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) mk[i][j] = j == k ? r[i] : m[i][j];
    x[k] = det(mk) / det(m);
  }
  double signal = 0, noise = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const double t = 2 * M_PI * hz * static_cast<double>(i) / rate;
    const double fit = x[0] * std::sin(t) + x[1] * std::cos(t) + x[2];
    const double e = samples[i * channels] - fit;
    signal += fit * fit;
    noise += e * e;
  }
  return 10 * std::log10(signal / std::max(noise, 1e-9));
}

TEST_F(Resampling, SineKeepsEightyDecibelsSignalToNoise) {
  const fs::path source = Media("sine1k.wav");
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'aevalsrc=0.9*sin(2*PI*1000*t):s=44100:d=3' -c:a pcm_s16le",
                     source));
  ConversionControl control;
  control.SetOutputFolder(Work().c_str());
  ASSERT_EQ(control.AddFile(source.c_str(), -1), 1);
  ASSERT_EQ(control.ConvertAll(), 1);
  const fs::path destination = control.GetItemDestination(0);
  const auto info = ReadWavInfo(destination);
  ASSERT_TRUE(info);
  ASSERT_EQ(info->sample_rate, 48000u);
  const auto samples = ReadSamples(destination);
  ASSERT_FALSE(samples.empty());
  const double snr = SineSnrDb(samples, info->channels, 48000, 1000);
  EXPECT_GE(snr, 80.0);
  // The yardstick itself: a 1 kHz sine read at the wrong rate is no fit.
  EXPECT_LT(SineSnrDb(samples, info->channels, 44100, 1000), 20.0);
  RecordProperty("snr_db", std::to_string(snr));
}

class Mp3Output : public ConversionTest {};
class Batch : public ConversionTest {};

TEST_F(Mp3Output, StereoAtTheChosenBitrate) {
  const fs::path source = Media("tone.flac");
  ASSERT_TRUE(MakeTone(source, 2, 44100, "-ac 2 -c:a flac"));
  ConversionControl control;
  control.SetOutputFolder(Work().c_str());
  control.SetNewItemTargetKind(kTargetMp3);
  ASSERT_EQ(control.AddFile(source.c_str(), -1), 1);
  control.Item(0)->Target().SetInt(Mp3TargetFormat::kBitrate, 192);
  ASSERT_EQ(control.ConvertAll(), 1);
  const fs::path destination = control.GetItemDestination(0);
  EXPECT_EQ(destination.extension(), ".MP3");
  const std::string stream = ProbeStream(destination);
  EXPECT_NE(stream.find("codec_name=mp3"), std::string::npos) << stream;
  EXPECT_NE(stream.find("sample_rate=44100"), std::string::npos) << stream;
  EXPECT_NE(stream.find("channels=2"), std::string::npos) << stream;
  // About two seconds at 192 kbps.
  EXPECT_NEAR(static_cast<double>(fs::file_size(destination)), 2 * 192000 / 8, 8000);
  const auto decoded = ReferenceSeconds(destination, MediaFolder());
  ASSERT_TRUE(decoded);
  EXPECT_NEAR(*decoded, 2.0, 0.06);
  EXPECT_TRUE(IntermediatesLeft().empty());
  // The progress saw the encoder's byte count through to the end.
  EXPECT_EQ(ui_.display_log.file_progress.back(), 1000);
}

TEST_F(Mp3Output, OneChannelIsEncodedAsMonoAtItsOwnRate) {
  const fs::path source = Media("voice.wav");
  ASSERT_TRUE(MakeTone(source, 1.5, 22050, "-ac 1 -c:a pcm_s16le"));
  ConversionControl control;
  control.SetOutputFolder(Work().c_str());
  control.SetNewItemTargetKind(kTargetMp3);
  ASSERT_EQ(control.AddFile(source.c_str(), -1), 1);
  ASSERT_EQ(control.ConvertAll(), 1);
  const std::string stream = ProbeStream(control.GetItemDestination(0));
  EXPECT_NE(stream.find("sample_rate=22050"), std::string::npos) << stream;
  EXPECT_NE(stream.find("channels=1"), std::string::npos) << stream;
  EXPECT_EQ(control.Item(0)->Target().Int(Mp3TargetFormat::kModeIndex), 3);
}

TEST_F(Mp3Output, SixChannelsAreMixedToStereo) {
  const fs::path source = Media("six.wav");
  ASSERT_TRUE(MakeTone(source, 1, 48000, "-ac 6 -c:a pcm_s16le"));
  ConversionControl control;
  control.SetOutputFolder(Work().c_str());
  control.SetNewItemTargetKind(kTargetMp3);
  ASSERT_EQ(control.AddFile(source.c_str(), -1), 1);
  ASSERT_EQ(control.ConvertAll(), 1);
  const std::string stream = ProbeStream(control.GetItemDestination(0));
  EXPECT_NE(stream.find("sample_rate=48000"), std::string::npos) << stream;
  EXPECT_NE(stream.find("channels=2"), std::string::npos) << stream;
}

TEST_F(Batch, StopsAtTheFirstFailure) {
  const fs::path good = Media("good.wav"), later = Media("later.wav");
  WriteWav(good, 8000, 1, 8000);
  WriteWav(later, 8000, 1, 8000);
  ConversionControl control;
  control.SetOutputFolder(Work().c_str());
  ASSERT_EQ(control.AddFile(good.c_str(), -1), 1);
  ASSERT_EQ(control.AddFile(later.c_str(), -1), 1);
  ASSERT_EQ(control.AddFile(later.c_str(), -1), 1);
  // The middle item's source disappears before the batch.
  control.SetItemName(1, Media("missing.wav").c_str());
  EXPECT_EQ(control.ConvertAll(), 0);
  EXPECT_TRUE(fs::exists(control.GetItemDestination(0)));
  EXPECT_FALSE(fs::exists(control.GetItemDestination(1)));
  EXPECT_FALSE(fs::exists(control.GetItemDestination(2)));
  EXPECT_EQ(ui_.beeps.back(), BeepKind::Error);
  EXPECT_EQ(ui_.display_log.closed, 1);
  EXPECT_TRUE(IntermediatesLeft().empty());
}

}  // namespace

namespace {

class CdImportTest : public conversion_testing::ConversionTest {};

TEST_F(CdImportTest, ChosenTracksBecomeItemsThatRipIntoTheChosenFolder) {
  using namespace carrowell;
  const fs::path cue = testing_support::MakeCdImage(MediaFolder(), {{false, 300}, {true, 150}});
  testing_support::ScopedEnv images("VEROSA_CD_IMAGES", cue.string());
  CdRipLibrary library;
  ASSERT_TRUE(library.Load());
  const std::vector<CdTrack> tracks = library.ReadTracks();
  ASSERT_EQ(tracks.size(), 2u);
  const fs::path folder = Media("rips");
  fs::create_directories(folder);
  ui_.cd_answer = carrowell::CdImport{
      folder.string(), {{static_cast<int>(library.Drives().size()) - 1, tracks[1], "Track 02"}}};

  ConversionControl control;
  control.SetOutputFolder(Work().c_str());
  control.SetSampleRate(48000);
  control.ImportAudioCD();
  // The dialog was offered the user's data folder, which cleaning the work
  // folder never empties.
  ASSERT_EQ(ui_.cd_requests.size(), 1u);
  EXPECT_TRUE(ui_.cd_requests[0].first);
  EXPECT_EQ(fs::path(ui_.cd_requests[0].second), platform::CommonAppDataFolder() / "CD2WAV");
  ASSERT_EQ(control.GetItemCount(), 1);
  EXPECT_EQ(std::string(control.GetItemName(0)), "Track 02");
  EXPECT_EQ(std::string(control.GetItemDuration(0)), "00:00:02.00");
  const fs::path destination = control.GetItemDestination(0);
  EXPECT_EQ(destination.parent_path(), folder);
  EXPECT_EQ(destination.extension(), ".WAV");
  // Named after the track, so its chapter reads "Track 02".
  EXPECT_EQ(destination.filename(), "Track 02.WAV");

  ASSERT_EQ(control.ConvertAll(), 1) << (boxes_.Boxes().empty() ? "" : boxes_.Boxes().back().text);
  const auto info = ReadWavInfo(destination);
  ASSERT_TRUE(info) << destination;
  EXPECT_EQ(info->sample_rate, 48000u);
  EXPECT_NEAR(info->Seconds(), 2.0, 0.01);
  EXPECT_TRUE(IntermediatesLeft().empty());

  // The same track again keeps the first rip.
  control.ImportAudioCD();
  ASSERT_EQ(control.GetItemCount(), 2);
  EXPECT_EQ(fs::path(control.GetItemDestination(1)).filename(), "Track 02 (2).WAV");

  // Cancelled: nothing added.
  ui_.cd_answer.reset();
  control.ImportAudioCD();
  EXPECT_EQ(control.GetItemCount(), 2);
}

}  // namespace
