// The preview player against real FFmpeg decoding and SDL2 output. SDL's
// "disk" driver writes what the player outputs to a file, which is compared
// with ffmpeg's own decode of the same file.
#include "preview/preview_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScopedEnv;
using testing_support::ScratchDir;
using verosa::PreviewPlayer;

constexpr std::int64_t kUnits = 10'000'000;

// Makes a 440 Hz tone (amplitude 1/8) with ffmpeg.
void MakeTone(const fs::path& path, double seconds, int rate, int channels,
              const std::string& codec_options = "") {
  const std::string command = "ffmpeg -nostdin -y -loglevel error -f lavfi -i sine=frequency=440:sample_rate=" +
                              std::to_string(rate) + ":duration=" + std::to_string(seconds) +
                              " -ac " + std::to_string(channels) + " " + codec_options + " '" +
                              path.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// ffmpeg's decode of `path` as interleaved 16-bit stereo at `rate` Hz.
std::vector<std::int16_t> ReferenceDecode(const fs::path& path, int rate) {
  const std::string command = "ffmpeg -nostdin -loglevel error -i '" + path.string() +
                              "' -f s16le -acodec pcm_s16le -ac 2 -ar " + std::to_string(rate) + " -";
  std::vector<std::int16_t> samples;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return samples;
  std::int16_t buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, sizeof(std::int16_t), std::size(buffer), pipe)) > 0)
    samples.insert(samples.end(), buffer, buffer + got);
  pclose(pipe);
  return samples;
}

std::vector<std::int16_t> ReadRaw(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Drops the silent stereo frames before the first and after the last sound.
std::vector<std::int16_t> TrimSilence(const std::vector<std::int16_t>& samples) {
  std::size_t first = 0, last = samples.size() / 2;
  while (first < last && samples[first * 2] == 0 && samples[first * 2 + 1] == 0) ++first;
  while (last > first && samples[last * 2 - 2] == 0 && samples[last * 2 - 1] == 0) --last;
  return {samples.begin() + static_cast<std::ptrdiff_t>(first * 2),
          samples.begin() + static_cast<std::ptrdiff_t>(last * 2)};
}

double Rms(const std::vector<std::int16_t>& samples) {
  double sum = 0;
  for (const std::int16_t s : samples) sum += double(s) * s;
  return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  double ma = 0, mb = 0;
  for (std::size_t i = 0; i < n; ++i) ma += a[i], mb += b[i];
  ma /= double(n), mb /= double(n);
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < n; ++i) {
    ab += (a[i] - ma) * (b[i] - mb);
    aa += (a[i] - ma) * (a[i] - ma);
    bb += (b[i] - mb) * (b[i] - mb);
  }
  return ab / std::sqrt(aa * bb);
}

// The owner window: drains the player's events as the Edit page does and
// counts the end-of-playback messages; `on_ended` reacts to them.
class OwnerWindow : public platform::QueuedSink {
 public:
  explicit OwnerWindow(PreviewPlayer& player) : player_(player) {
    handle_ = platform::RegisterWindow(this);
    player_.SetOwnerWindow(handle_);
  }
  ~OwnerWindow() override { platform::UnregisterWindow(handle_); }

  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) override {
    if (message == verosa::kGraphNotifyMessage) {
      player_.HandleGraphEvents();
    } else if (message == verosa::kPlaybackEndedMessage) {
      ++ended;
      playing_at_end = player_.IsPlaying();
      if (on_ended) on_ended();
    }
    return 0;
  }

  // Pumps messages until `count` end messages came (or a generous guard ran out).
  bool WaitForEnds(int count) {
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ended < count && std::chrono::steady_clock::now() < guard) WaitAndProcess(100);
    return ended >= count;
  }

  int ended = 0;
  bool playing_at_end = false;
  std::function<void()> on_ended;

 private:
  PreviewPlayer& player_;
  platform::WindowHandle handle_ = platform::kNoWindow;
};

// SDL's disk driver writing into `file`, waiting `delay_ms` after each
// device buffer of 1024 frames.
struct DiskOutput {
  DiskOutput(const fs::path& file, const char* delay_ms)
      : driver("SDL_AUDIODRIVER", "disk"),
        out("SDL_DISKAUDIOFILE", file.string()),
        delay("SDL_DISKAUDIODELAY", delay_ms) {}
  ScopedEnv driver, out, delay;
};

// Plays `audio` to its end at `volume` and returns what the device got.
std::vector<std::int16_t> PlayAndCapture(const ScratchDir& dir, const fs::path& audio, int volume) {
  DiskOutput disk(dir / "out.raw", "1");
  PreviewPlayer player;
  OwnerWindow owner(player);
  EXPECT_TRUE(player.Initialize());
  EXPECT_TRUE(player.SetVolume(volume));
  EXPECT_TRUE(player.OpenAndPlay(audio));
  EXPECT_TRUE(owner.WaitForEnds(1));
  player.ReleaseGraph();
  return ReadRaw(dir / "out.raw");
}

struct DecodeCase {
  const char* name;
  int rate;
  int channels;
  const char* codec_options;
};

class PlayerOutput : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PlayerOutput, MatchesFfmpegDecode) {
  const DecodeCase& c = GetParam();
  ScratchDir dir;
  const fs::path audio = dir / c.name;
  MakeTone(audio, 1.0, c.rate, c.channels, c.codec_options);
  const auto reference = TrimSilence(ReferenceDecode(audio, c.rate));
  const auto played = TrimSilence(PlayAndCapture(dir, audio, verosa::kVolumeFull));
  ASSERT_FALSE(reference.empty());
  const double reference_ms = double(reference.size() / 2) * 1000.0 / c.rate;
  const double played_ms = double(played.size() / 2) * 1000.0 / c.rate;
  EXPECT_NEAR(played_ms, reference_ms, 10.0);
  EXPECT_GE(Correlation(played, reference), 0.99);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlayerOutput,
                         ::testing::Values(DecodeCase{"stereo.wav", 44100, 2, ""},
                                           DecodeCase{"mono.mp3", 22050, 1, "-b:a 64k"},
                                           DecodeCase{"tone.flac", 48000, 2, ""},
                                           DecodeCase{"tone.ogg", 32000, 1, "-c:a libvorbis"}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (ch == '.') ch = '_';
                           return name;
                         });

class PlayerVolume : public ::testing::TestWithParam<int> {};

TEST_P(PlayerVolume, ScalesTheLevel) {
  const int volume = GetParam();
  ScratchDir dir;
  const fs::path audio = dir / "tone.wav";
  MakeTone(audio, 0.5, 44100, 2);
  const double reference = Rms(TrimSilence(ReferenceDecode(audio, 44100)));
  const double played = Rms(TrimSilence(PlayAndCapture(dir, audio, volume)));
  ASSERT_GT(reference, 0);
  EXPECT_NEAR(played / reference, std::pow(10.0, volume / 2000.0), 0.01 * std::pow(10.0, volume / 2000.0));
}

INSTANTIATE_TEST_SUITE_P(Levels, PlayerVolume, ::testing::Values(-200, -1000, -2000, -3000));

TEST(PreviewPlayerVolume, KeepsToItsRangeInSteps) {
  struct Step {
    int from, delta;
    bool accepted;
    int after;
  };
  const Step steps[] = {
      {0, +200, false, 0},            // above full
      {-2900, -200, false, -2900},    // below the quietest
      {-2800, -200, true, -3000},     // the quietest itself
      {-1000, +200, true, -800},
  };
  PreviewPlayer player;
  int volume = 123;
  EXPECT_FALSE(player.SetVolume(-200)) << "before Initialize";
  EXPECT_FALSE(player.GetVolume(volume));
  ASSERT_TRUE(player.Initialize());
  ASSERT_TRUE(player.GetVolume(volume));
  EXPECT_EQ(volume, 0);
  for (const Step& s : steps) {
    ASSERT_TRUE(player.SetVolume(s.from));
    EXPECT_EQ(player.SetVolume(s.from + s.delta), s.accepted) << s.from << " " << s.delta;
    ASSERT_TRUE(player.GetVolume(volume));
    EXPECT_EQ(volume, s.after) << s.from << " " << s.delta;
  }
}

TEST(PreviewPlayerEnd, PostsOneEndMessagePerFile) {
  ScratchDir dir;
  DiskOutput disk(dir / "out.raw", "1");
  MakeTone(dir / "a.wav", 0.3, 22050, 1);
  MakeTone(dir / "b.mp3", 0.3, 22050, 1);
  PreviewPlayer player;
  OwnerWindow owner(player);
  ASSERT_TRUE(player.Initialize());
  // The owner goes on to the next file from its handler, as the Edit page
  // does in its continuous play mode: this releases the pipeline that
  // posted the end.
  std::vector<fs::path> queue = {dir / "b.mp3"};
  owner.on_ended = [&] {
    if (queue.empty()) {
      player.StopPlayback();
      return;
    }
    EXPECT_TRUE(player.OpenAndPlay(queue.front()));
    queue.erase(queue.begin());
  };
  ASSERT_TRUE(player.OpenAndPlay(dir / "a.wav"));
  ASSERT_TRUE(owner.WaitForEnds(2));
  EXPECT_TRUE(owner.playing_at_end) << "the end leaves the player running until the owner reacts";
  // Nothing more arrives for the files already played.
  owner.WaitAndProcess(300);
  owner.WaitAndProcess(300);
  EXPECT_EQ(owner.ended, 2);
  EXPECT_FALSE(player.IsPlaying());
}

TEST(PreviewPlayerReader, IsChosenByContentNotByPath) {
  struct Case {
    const char* folder;
    const char* file;
    const char* options;
    const char* reader;
  };
  const Case cases[] = {
      {"x.wma", "song.mp3", "", "mp3"},                    // an MP3 in a folder named x.wma
      {"music", "song.mp3", "-c:a wmav2 -f asf", "asf"},  // Windows Media named .mp3
      {"y.asf", "clip.wmv", "-f wav", "wav"},             // a WAV named .wmv
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    fs::create_directories(dir / c.folder);
    const fs::path path = dir.Path() / c.folder / c.file;
    MakeTone(path, 0.5, 22050, 1, c.options);
    const auto played = TrimSilence(PlayAndCapture(dir, path, verosa::kVolumeFull));
    const auto reference = TrimSilence(ReferenceDecode(path, 22050));
    EXPECT_GE(Correlation(played, reference), 0.99) << path;
    PreviewPlayer player;
    ASSERT_TRUE(player.Initialize());
    DiskOutput disk(dir / "probe.raw", "1");
    ASSERT_TRUE(player.OpenAndPlay(path)) << path;
    EXPECT_EQ(player.ReaderName(), c.reader) << path;
  }
}

TEST(PreviewPlayerPosition, PausesResumesAndSeeks) {
  ScratchDir dir;
  const fs::path audio = dir / "long.wav";
  MakeTone(audio, 150.0, 8000, 1);
  DiskOutput disk(dir / "out.raw", "128");  // 1024 frames at 8 kHz: real time
  PreviewPlayer player;
  OwnerWindow owner(player);
  ASSERT_TRUE(player.Initialize());
  EXPECT_FALSE(player.PauseResume()) << "pausing while stopped does nothing";
  EXPECT_FALSE(player.IsPaused());

  ASSERT_TRUE(player.OpenAndPlay(audio));
  EXPECT_EQ(player.GetPositionPercent(), 0) << "duration not read yet";
  ASSERT_TRUE(player.ReadDuration());
  EXPECT_EQ(player.Duration(), 150 * kUnits);
  EXPECT_EQ(player.DurationSeconds(), 150);

  ASSERT_TRUE(player.PauseResume());
  ASSERT_TRUE(player.IsPaused());
  // 37.6 % of 150 s, paused: the position holds.
  ASSERT_TRUE(player.SetPosition(564 * kUnits / 10));
  EXPECT_EQ(player.GetPosition(), 564 * kUnits / 10);
  EXPECT_EQ(player.GetPositionPercent(), 37);
  EXPECT_EQ(player.GetPositionText(), "00m:56s");

  // Resuming starts at the beginning of the current whole percent: 55.5 s.
  ASSERT_TRUE(player.PauseResume());
  EXPECT_TRUE(player.IsPlaying());
  const std::int64_t resumed = player.GetPosition();
  EXPECT_GE(resumed, 555 * kUnits / 10);
  EXPECT_LT(resumed, 564 * kUnits / 10);

  struct Seek {
    int percent;
    std::int64_t position;
    const char* text;
  };
  const Seek seeks[] = {{50, 75 * kUnits, "01m:15s"}, {0, 0, "00m:00s"}, {99, 1485 * kUnits / 10, "02m:28s"}};
  ASSERT_TRUE(player.PauseResume());  // pause, so the position holds while we read it
  for (const Seek& s : seeks) {
    ASSERT_TRUE(player.SeekPercent(s.percent));
    EXPECT_EQ(player.GetPosition(), s.position) << s.percent;
    EXPECT_EQ(player.GetPositionPercent(), s.percent);
    EXPECT_EQ(player.GetPositionText(), s.text);
  }

  EXPECT_TRUE(player.StopPlayback());
  EXPECT_FALSE(player.IsPlaying());
  EXPECT_FALSE(player.IsPaused());
  EXPECT_FALSE(player.PauseResume());
}

TEST(PreviewPlayerFailure, OpenAndPlayFailsCleanly) {
  struct Case {
    const char* name;
    const char* driver;
    const char* file;  // nullptr: a playable tone
  };
  const Case cases[] = {
      {"no audio driver", "no-such-driver", nullptr},
      {"missing file", "disk", "missing.mp3"},
      {"not media", "disk", "notes.txt"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    MakeTone(dir / "tone.wav", 0.2, 22050, 1);
    std::ofstream(dir / "notes.txt") << "not audio at all\n";
    ScopedEnv driver("SDL_AUDIODRIVER", c.driver);
    ScopedEnv out("SDL_DISKAUDIOFILE", (dir / "out.raw").string());
    PreviewPlayer player;
    ASSERT_TRUE(player.Initialize()) << c.name;
    EXPECT_FALSE(player.OpenAndPlay(c.file ? dir / c.file : dir / "tone.wav")) << c.name;
    EXPECT_FALSE(player.IsPlaying()) << c.name;
    EXPECT_EQ(player.GetPositionText(), "") << c.name;
    EXPECT_EQ(player.GetPositionPercent(), 0) << c.name;
    EXPECT_FALSE(player.ReadDuration()) << c.name;
    EXPECT_EQ(player.DurationSeconds(), -1) << c.name;
    EXPECT_TRUE(player.SetVolume(-400)) << c.name << ": the player stays usable";
  }
}

}  // namespace
