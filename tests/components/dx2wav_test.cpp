// Dx2Wav loaded by name and driven as the decoder engine drives it.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <random>
#include <string>
#include <vector>

#include "../../components/dx2wav/include/dx2wav/dx2wav.h"
#include "components/audio_test_support.h"
#include "platform/module.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using audio_test::Ffmpeg;
using audio_test::Quote;

struct Dx2Wav {
  platform::Module module;
  DW_InitialazeFn initialize = nullptr;
  DW_TransformFn transform = nullptr;
  DW_ReleaseFn release = nullptr;
  DW_OpenFn open = nullptr;
  DW_StepFn step = nullptr;
  DW_CloseFn close = nullptr;
};

Dx2Wav& Library() {
  static Dx2Wav lib = [] {
    Dx2Wav l;
    if (l.module.Load("Dx2Wav.dll")) {
      l.initialize = reinterpret_cast<DW_InitialazeFn>(l.module.Symbol("DW_Initialaze"));
      l.transform = reinterpret_cast<DW_TransformFn>(l.module.Symbol("DW_Transform"));
      l.release = reinterpret_cast<DW_ReleaseFn>(l.module.Symbol("DW_Release"));
      l.open = reinterpret_cast<DW_OpenFn>(l.module.Symbol("DW_Open"));
      l.step = reinterpret_cast<DW_StepFn>(l.module.Symbol("DW_Step"));
      l.close = reinterpret_cast<DW_CloseFn>(l.module.Symbol("DW_Close"));
    }
    return l;
  }();
  return lib;
}

struct Outcome {
  double opened = 0;    // DW_Initialaze's result
  double duration = -1;
  int steps = 0;        // DW_Transform calls that returned non-zero
  std::vector<double> positions;
  int32_t released = DW_ERR_STATE;
};

// Converts the whole file (or stops after `stop_after` steps, as an abort does).
Outcome Convert(const fs::path& source, const fs::path& wav, int step = 100, int stop_after = -1) {
  Dx2Wav& lib = Library();
  Outcome out;
  out.opened = lib.initialize(source.c_str(), wav.c_str(), &out.duration);
  if (out.opened < 0) return out;
  double position = 0;
  while (lib.transform(step, &position)) {
    out.positions.push_back(position);
    if (++out.steps == stop_after) break;
  }
  out.positions.push_back(position);
  out.released = lib.release();
  return out;
}

class Dx2WavTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dx2Wav& lib = Library();
    ASSERT_TRUE(lib.module.Loaded()) << lib.module.Error();
    ASSERT_TRUE(lib.initialize && lib.transform && lib.release);
  }
  testing_support::ScratchDir dir_;
};

const std::string kStereo =
    "-f lavfi -i 'aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*660*t):s=44100:d=2.5' ";
const std::string kMono = "-f lavfi -i 'aevalsrc=0.5*sin(2*PI*1000*t):s=44100:d=2.5' ";
const std::string kVideo = "-f lavfi -i testsrc=size=160x120:rate=25:duration=2.5 ";

struct FormatCase {
  const char* name;
  const char* file;
  std::string ffmpeg;  // inputs and output options
  int channels;
  int rate;
  // The container keeps the exact length (else codec framing and delay
  // change it, for ffmpeg's own decoding just the same).
  bool exact_length;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class Dx2WavFormats : public Dx2WavTest, public ::testing::WithParamInterface<FormatCase> {};

// Every format decodes to a canonical 16-bit WAV at the source's rate and
// channel count, sample for sample what ffmpeg decodes from the same file.
TEST_P(Dx2WavFormats, DecodesToPcmWav) {
  const FormatCase& c = GetParam();
  const fs::path source = dir_ / c.file, wav = dir_ / "out.wav";
  ASSERT_TRUE(Ffmpeg(c.ffmpeg + Quote(source)));

  const Outcome out = Convert(source, wav);
  ASSERT_GE(out.opened, 0);
  EXPECT_EQ(out.duration, out.opened);
  EXPECT_NEAR(out.duration, 2.5, 0.15);
  EXPECT_EQ(out.released, DW_OK);

  const auto result = audio_test::ReadCanonicalWav(wav);
  ASSERT_TRUE(result) << "not a canonical WAV";
  EXPECT_EQ(result->format, 1);
  EXPECT_EQ(result->bits, 16);
  EXPECT_EQ(result->channels, c.channels);
  EXPECT_EQ(result->rate, static_cast<std::uint32_t>(c.rate));
  EXPECT_EQ(result->block_align, 2 * c.channels);
  EXPECT_EQ(result->byte_rate, static_cast<std::uint32_t>(2 * c.channels * c.rate));
  if (c.exact_length) {
    EXPECT_NEAR(result->Seconds(), 2.5, 0.01);
  }
  EXPECT_NEAR(out.positions.back(), result->Seconds(), 1e-9);

  const auto reference = audio_test::FfmpegDecode(source, dir_ / "reference.raw");
  ASSERT_TRUE(reference);
  EXPECT_TRUE(*reference == result->samples)
      << reference->size() << " samples from ffmpeg, " << result->samples.size() << " from Dx2Wav";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Dx2WavFormats,
    ::testing::Values(
        FormatCase{"mp3", "a.mp3", kStereo + "-c:a libmp3lame ", 2, 44100, true},
        FormatCase{"wav8", "a.wav", kStereo + "-c:a pcm_u8 ", 2, 44100, true},
        FormatCase{"wav16", "a.wav", kStereo + "-c:a pcm_s16le ", 2, 44100, true},
        FormatCase{"wav24", "a.wav", kStereo + "-c:a pcm_s24le ", 2, 44100, true},
        FormatCase{"wavfloat", "a.wav", kStereo + "-c:a pcm_f32le ", 2, 44100, true},
        FormatCase{"wavmono", "a.wav", kMono + "-c:a pcm_s16le ", 1, 44100, true},
        FormatCase{"wav6ch",
                   "a.wav",
                   "-f lavfi -i 'aevalsrc=0.1*sin(2*PI*200*t)|0.1*sin(2*PI*300*t)|0.1*sin(2*PI*400*t)|"
                   "0.1*sin(2*PI*500*t)|0.1*sin(2*PI*600*t)|0.1*sin(2*PI*700*t):s=48000:d=2.5:"
                   "c=5.1' -c:a pcm_s16le ",
                   6, 48000, true},
        FormatCase{"au", "a.au", kStereo, 2, 44100, true},
        FormatCase{"aiff", "a.aiff", kStereo, 2, 44100, true},
        FormatCase{"aifc", "a.aifc", kStereo + "-c:a pcm_f32be -f aiff ", 2, 44100, true},
        FormatCase{"wma", "a.wma", kStereo + "-c:a wmav2 ", 2, 44100, false},
        FormatCase{"avi", "a.avi", kVideo + kStereo + "-c:v mpeg4 -c:a libmp3lame ", 2, 44100, false},
        FormatCase{"wmv", "a.wmv", kVideo + kStereo + "-c:v wmv2 -c:a wmav2 ", 2, 44100, false},
        FormatCase{"mpg", "a.mpg", kVideo + kStereo + "-c:v mpeg1video -c:a mp2 ", 2, 44100, false},
        FormatCase{"vob", "a.vob", kVideo + kStereo + "-c:v mpeg2video -c:a ac3 -ar 48000 -f vob ", 2,
                   48000, false},
        FormatCase{"flac", "a.flac", kStereo, 2, 44100, true},
        FormatCase{"ogg", "a.ogg", kStereo + "-c:a libvorbis ", 2, 44100, true}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

// MP3 is decoded in halves on two threads; every kind of MP3 stream must come
// out exactly as one decoder running through it produces it.
TEST_F(Dx2WavTest, LongMp3sOfEveryKindMatchTheReference) {
  const fs::path wav = dir_ / "out.wav";
  // 30 s: several batches of packets for each decoding thread.
  const std::string music =
      "-f lavfi -i 'sine=frequency=330:sample_rate=44100:duration=30' "
      "-f lavfi -i 'anoisesrc=color=pink:sample_rate=44100:amplitude=0.2:duration=30' "
      "-filter_complex '[0][1]amerge=inputs=2' ";
  const std::vector<std::string> kinds = {
      "-ac 1 -b:a 32k",       // mono; the bit reservoir reaches many frames back
      "-q:a 2",               // VBR
      "-ar 22050 -b:a 48k",   // MPEG-2 frames of 576 samples
  };
  for (const std::string& kind : kinds) {
    SCOPED_TRACE(kind);
    const fs::path mp3 = dir_ / "music.mp3";
    ASSERT_TRUE(Ffmpeg(music + "-c:a libmp3lame " + kind + " " + Quote(mp3)));
    const Outcome out = Convert(mp3, wav);
    ASSERT_EQ(out.released, DW_OK);
    const auto result = audio_test::ReadCanonicalWav(wav);
    const auto reference = audio_test::FfmpegDecode(mp3, dir_ / "reference.raw");
    ASSERT_TRUE(result && reference);
    EXPECT_NEAR(result->Seconds(), 30.0, 0.01);
    EXPECT_TRUE(*reference == result->samples);
  }
}

TEST_F(Dx2WavTest, StepsHonourTheStepArgumentAndReportRisingPositions) {
  const fs::path source = dir_ / "long.wav";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=frequency=500:sample_rate=44100:duration=10' -ac 2 " +
                     Quote(source)));
  const Outcome fine = Convert(source, dir_ / "fine.wav", 1);
  const Outcome coarse = Convert(source, dir_ / "coarse.wav", 100);
  const Outcome zero = Convert(source, dir_ / "zero.wav", 0);  // taken as 1
  ASSERT_EQ(fine.released, DW_OK);
  ASSERT_EQ(coarse.released, DW_OK);
  ASSERT_EQ(zero.released, DW_OK);
  EXPECT_GE(coarse.steps, 1);
  EXPECT_GE(fine.steps, 20 * coarse.steps);
  EXPECT_EQ(zero.steps, fine.steps);
  for (const Outcome* o : {&fine, &coarse}) {
    for (std::size_t i = 1; i < o->positions.size(); ++i)
      EXPECT_GE(o->positions[i], o->positions[i - 1]);
    EXPECT_NEAR(o->positions.back(), 10.0, 0.01);
    EXPECT_GT(o->positions.front(), 0.0);
  }
  EXPECT_EQ(audio_test::ReadBytes(dir_ / "fine.wav"), audio_test::ReadBytes(dir_ / "coarse.wav"));
}

TEST_F(Dx2WavTest, ReleasingBeforeTheEndLeavesNoOutput) {
  const fs::path source = dir_ / "a.mp3", wav = dir_ / "out.wav";
  ASSERT_TRUE(Ffmpeg(kStereo + "-c:a libmp3lame " + Quote(source)));
  const Outcome out = Convert(source, wav, 1, 3);
  EXPECT_EQ(out.steps, 3);
  EXPECT_EQ(out.released, DW_ERR_INCOMPLETE);
  EXPECT_FALSE(fs::exists(wav));

  // Opening another conversion ends the one still open.
  Dx2Wav& lib = Library();
  double duration = 0, position = -1;
  ASSERT_GE(lib.initialize(source.c_str(), wav.c_str(), &duration), 0);
  ASSERT_EQ(lib.transform(1, &position), 1);
  ASSERT_GE(lib.initialize(source.c_str(), (dir_ / "second.wav").c_str(), &duration), 0);
  EXPECT_FALSE(fs::exists(wav));
  while (lib.transform(100, &position)) {
  }
  EXPECT_EQ(lib.release(), DW_OK);
  EXPECT_TRUE(audio_test::ReadCanonicalWav(dir_ / "second.wav"));

  // Without an open conversion.
  EXPECT_EQ(lib.transform(100, &position), 0);
  EXPECT_EQ(lib.release(), DW_ERR_STATE);
}

TEST_F(Dx2WavTest, UnusableInputsFailAtOnceAndLeaveNoOutput) {
  const fs::path wav = dir_ / "out.wav";
  std::mt19937 random(7);
  std::string noise(65536, '\0');
  for (char& c : noise) c = static_cast<char>(random());

  testing_support::WriteFile(dir_ / "empty.wav", "");
  testing_support::WriteFile(dir_ / "noise.mp3", noise);
  testing_support::WriteFile(dir_ / "noise.wav", noise);
  testing_support::WriteFile(dir_ / "text.ogg", "just some words, no sound\n");
  testing_support::WriteFile(dir_ / "header.wav", "RIFF\x24\x00\x00\x00WAVEfmt ");
  ASSERT_TRUE(Ffmpeg(kVideo + "-c:v mpeg4 " + Quote(dir_ / "silent.avi")));
  ASSERT_EQ(mkfifo((dir_ / "pipe.wav").c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder.mp3");

  for (const char* name : {"missing.mp3", "empty.wav", "noise.mp3", "noise.wav", "text.ogg",
                           "header.wav", "silent.avi", "pipe.wav", "folder.mp3"}) {
    SCOPED_TRACE(name);
    const Outcome out = Convert(dir_ / name, wav);
    EXPECT_TRUE(out.opened < 0 || out.released != DW_OK);
    EXPECT_FALSE(fs::exists(wav));
  }
  double duration = 1;
  EXPECT_LT(Library().initialize(nullptr, wav.c_str(), &duration), 0);
  EXPECT_EQ(duration, 0);
}

TEST_F(Dx2WavTest, TruncatedFilesGiveWhatTheyHold) {
  const fs::path mp3 = dir_ / "a.mp3", wav = dir_ / "a.wav", out = dir_ / "out.wav";
  ASSERT_TRUE(Ffmpeg(kStereo + "-c:a libmp3lame " + Quote(mp3)));
  ASSERT_TRUE(Ffmpeg(kStereo + "-c:a pcm_s16le -bitexact " + Quote(wav)));

  // The first 40 % of an MP3.
  std::string bytes = testing_support::ReadFile(mp3);
  testing_support::WriteFile(dir_ / "cut.mp3", bytes.substr(0, bytes.size() * 2 / 5));
  Outcome o = Convert(dir_ / "cut.mp3", out);
  EXPECT_EQ(o.released, DW_OK);
  auto result = audio_test::ReadCanonicalWav(out);
  ASSERT_TRUE(result);
  EXPECT_GT(result->Seconds(), 0.5);
  EXPECT_LT(result->Seconds(), 1.5);

  // A WAV whose header claims ten times the data it holds.
  bytes = testing_support::ReadFile(wav);
  const auto data = bytes.find("data");
  ASSERT_NE(data, std::string::npos);
  const std::uint32_t claimed = 10 * static_cast<std::uint32_t>(bytes.size() - data - 8);
  for (int i = 0; i < 4; ++i) bytes[data + 4 + i] = static_cast<char>(claimed >> (8 * i));
  testing_support::WriteFile(dir_ / "claims.wav", bytes);
  o = Convert(dir_ / "claims.wav", out);
  EXPECT_EQ(o.released, DW_OK);
  result = audio_test::ReadCanonicalWav(out);
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->Seconds(), 2.5, 0.01);
}

TEST_F(Dx2WavTest, OutputProblemsFailAndNeverHarmTheSource) {
  const fs::path source = dir_ / "a:b.mp3";  // a colon is no protocol
  ASSERT_TRUE(Ffmpeg(kStereo + "-c:a libmp3lame " + Quote(source)));
  const std::string original = testing_support::ReadFile(source);

  EXPECT_EQ(Convert(source, dir_ / "ok:1.wav").released, DW_OK);
  EXPECT_LT(Convert(source, dir_ / "missing" / "out.wav").opened, 0);
  EXPECT_LT(Convert(source, source).opened, 0);
  EXPECT_EQ(testing_support::ReadFile(source), original);
  fs::create_directory(dir_ / "folder.wav");
  EXPECT_LT(Convert(source, dir_ / "folder.wav").opened, 0);
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.wav"));

  // A disk that fills up while the WAV is written.
  Outcome full;
  {
    audio_test::FileSizeLimit limit(64 * 1024);
    full = Convert(source, dir_ / "full.wav");
  }
  EXPECT_GE(full.opened, 0);
  EXPECT_EQ(full.released, DW_ERR_OUTPUT);
  EXPECT_FALSE(fs::exists(dir_ / "full.wav"));
}

// Conversions of their own (the handle exports) run side by side on several
// threads, beside the classic one, and each writes what the classic exports
// write alone; a handle closed early leaves nothing, a bad one fails at once.
TEST_F(Dx2WavTest, HandlesConvertSideBySide) {
  Dx2Wav& lib = Library();
  ASSERT_TRUE(lib.open && lib.step && lib.close);
  const char* const kFiles[] = {"a.mp3", "b.flac", "c.ogg"};
  const char* const kCodecs[] = {"-c:a libmp3lame", "-c:a flac", "-c:a libvorbis"};
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(Ffmpeg(kStereo + kCodecs[i] + " " + Quote(dir_ / kFiles[i])));
  for (const char* file : kFiles) {
    ASSERT_EQ(Convert(dir_ / file, dir_ / (std::string(file) + ".alone.wav")).released, DW_OK);
  }

  struct Run {
    int32_t error = 1;
    double duration = -1;
    double position = -1;
    int32_t closed = 1;
  };
  Run runs[3];
  double classic_duration = 0, classic_position = 0;
  // The classic conversion stays open while the handles run.
  ASSERT_GE(lib.initialize((dir_ / kFiles[0]).c_str(), (dir_ / "classic.wav").c_str(), &classic_duration), 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) {
    threads.emplace_back([&, i] {
      Run& run = runs[i];
      const std::string source = (dir_ / kFiles[i]).string();
      const std::string wav = (dir_ / (std::string(kFiles[i]) + ".side.wav")).string();
      DW_Conversion* c = lib.open(source.c_str(), wav.c_str(), &run.duration, &run.error);
      if (!c) return;
      while (lib.step(c, 1, &run.position)) {
      }
      run.closed = lib.close(c);
    });
  }
  while (lib.transform(1, &classic_position)) {
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(lib.release(), DW_OK);
  EXPECT_EQ(audio_test::ReadBytes(dir_ / "classic.wav"), audio_test::ReadBytes(dir_ / "a.mp3.alone.wav"));
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(kFiles[i]);
    EXPECT_EQ(runs[i].error, DW_OK);
    EXPECT_NEAR(runs[i].duration, 2.5, 0.15);
    EXPECT_EQ(runs[i].closed, DW_OK);
    EXPECT_EQ(audio_test::ReadBytes(dir_ / (std::string(kFiles[i]) + ".side.wav")),
              audio_test::ReadBytes(dir_ / (std::string(kFiles[i]) + ".alone.wav")));
  }

  // Closed before the end: incomplete, no output.
  double duration = 0, position = 0;
  int32_t error = 1;
  DW_Conversion* early = lib.open((dir_ / kFiles[1]).c_str(), (dir_ / "early.wav").c_str(), &duration, &error);
  ASSERT_NE(early, nullptr);
  EXPECT_EQ(lib.step(early, 1, &position), 1);
  EXPECT_EQ(lib.close(early), DW_ERR_INCOMPLETE);
  EXPECT_FALSE(fs::exists(dir_ / "early.wav"));
  // Unusable input or arguments.
  EXPECT_EQ(lib.open((dir_ / "missing.mp3").c_str(), (dir_ / "m.wav").c_str(), &duration, &error), nullptr);
  EXPECT_EQ(error, DW_ERR_INPUT);
  EXPECT_FALSE(fs::exists(dir_ / "m.wav"));
  EXPECT_EQ(lib.open(nullptr, (dir_ / "m.wav").c_str(), nullptr, nullptr), nullptr);
  EXPECT_EQ(lib.step(nullptr, 100, &position), 0);
  EXPECT_EQ(lib.close(nullptr), DW_ERR_STATE);
}

}  // namespace
