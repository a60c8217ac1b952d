// Whole jobs through the exported functions of libPennock.so, checked with
// readers nobody here wrote (lsdvd, ffprobe, ffmpeg).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

#include "authoring_test_support.h"
#include "job/author_job.h"
#include "job/navigation_code.h"
#include "mux/lpcm.h"
#include "pennock/pennock.h"
#include "platform/module.h"
#include "platform/window.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
namespace fs = std::filesystem;
using testing_support::ScratchDir;
using testing_support::Shell;

bool Tool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// 16-bit stereo WAV at `rate` with a recognisable ramp in each channel.
void WriteWav(const fs::path& path, double seconds, int rate, int bits = 16) {
  const int channels = 2;
  const auto frames = static_cast<std::uint32_t>(seconds * rate);
  const std::uint32_t bytes_per_sample = static_cast<std::uint32_t>(bits / 8);
  const std::uint32_t data = frames * channels * bytes_per_sample;
  std::vector<std::uint8_t> file(44 + data);
  auto le = [&](std::size_t at, std::uint32_t v, int n) { for (int i = 0; i < n; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i)); };
  std::memcpy(&file[0], "RIFF", 4); le(4, 36 + data, 4); std::memcpy(&file[8], "WAVEfmt ", 8);
  le(16, 16, 4); le(20, 1, 2); le(22, channels, 2); le(24, static_cast<std::uint32_t>(rate), 4);
  le(28, static_cast<std::uint32_t>(rate) * channels * bytes_per_sample, 4); le(32, channels * bytes_per_sample, 2); le(34, static_cast<std::uint32_t>(bits), 2);
  std::memcpy(&file[36], "data", 4); le(40, data, 4);
  for (std::uint32_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      const std::int32_t value = static_cast<std::int32_t>((i * 37 + static_cast<std::uint32_t>(c) * 1000) % 60000) - 30000;
      const std::uint32_t v = static_cast<std::uint32_t>(value) << (bits - 16);
      le(44 + (i * channels + static_cast<std::uint32_t>(c)) * bytes_per_sample, v, static_cast<int>(bytes_per_sample));
    }
  testing_support::WriteFile(path, std::string(file.begin(), file.end()));
}

bool WriteBmp(const fs::path& path, int height, const char* colour) {
  return std::system(("ffmpeg -nostdin -loglevel error -y -f lavfi -i 'testsrc2=s=720x" + std::to_string(height) +
                      "' -vf 'drawbox=c=" + colour + ":t=20' -frames:v 1 -pix_fmt bgr24 '" + path.string() + "'").c_str()) == 0;
}

// Records the notifications of a job.
struct JobWindow : platform::QueuedSink {
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    if (message == kMsgStatus) {
      statuses.push_back(static_cast<int>(wparam));
      if (wparam == kStatusFailed || wparam == kStatusSucceeded) {
        finished = true;
        result = static_cast<int>(lparam);
      }
    }
    if (message == kMsgProgress || message == kMsgOverall) {
      EXPECT_GE(lparam, 0);
      EXPECT_LE(lparam, 100);
    }
    return 0;
  }
  std::vector<int> statuses;
  bool finished = false;
  int result = 0;
};

struct Library {
  Library() {
    EXPECT_TRUE(module.Load("Pennock")) << module.Error();
    author = reinterpret_cast<int (*)(AuthorParams*)>(module.Symbol("fuAuthor"));
    status = reinterpret_cast<int (*)()>(module.Symbol("fuStatus"));
    progress = reinterpret_cast<int (*)()>(module.Symbol("fuProgress"));
    abort = reinterpret_cast<void (*)()>(module.Symbol("fuAbort"));
  }
  platform::Module module;
  int (*author)(AuthorParams*) = nullptr;
  int (*status)() = nullptr;
  int (*progress)() = nullptr;
  void (*abort)() = nullptr;
};

Library& Pennock() {
  static Library library;
  return library;
}

class AuthorJob : public ::testing::Test {
 protected:
  void SetUp() override {
    params = NewAuthorParams();
    ASSERT_TRUE(params);
    window_handle = platform::RegisterWindow(&window);
    params->window = window_handle;
    std::snprintf(params->output_folder, kPathSize, "%s", (dir / "out").string().c_str());
    params->language = static_cast<std::int16_t>('e' << 8 | 'n');
    ASSERT_TRUE(Pennock().author);
  }
  void TearDown() override { platform::UnregisterWindow(window_handle); }

  void AddChapter(int title, double seconds, int height = 576, int rate = 48000, int bits = 16) {
    const int c = ++params->chapter_count[title];
    params->title_count = static_cast<std::uint8_t>(std::max<int>(params->title_count, title));
    const fs::path wav = dir / ("t" + std::to_string(title) + "c" + std::to_string(c) + ".wav");
    const fs::path bmp = dir / ("t" + std::to_string(title) + "c" + std::to_string(c) + ".bmp");
    WriteWav(wav, seconds, rate, bits);
    ASSERT_TRUE(WriteBmp(bmp, height, c % 2 ? "red" : "yellow"));
    std::snprintf(params->audio_file[title][c], kPathSize, "%s", wav.string().c_str());
    std::snprintf(params->picture_file[title][c], kPathSize, "%s", bmp.string().c_str());
  }

  // Runs the job to its end and returns the final status.
  int RunToEnd() {
    EXPECT_EQ(Pennock().author(params.get()), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!window.finished && std::chrono::steady_clock::now() < deadline) window.WaitAndProcess(50);
    EXPECT_TRUE(window.finished);
    // The worker sets the status word before it sends the message.
    return Pennock().status();
  }

  fs::path VideoTs() const { return dir / "out" / "VIDEO_TS"; }

  ScratchDir dir;
  AuthorParamsPtr params;
  JobWindow window;
  platform::WindowHandle window_handle = 0;
};

TEST_F(AuthorJob, TwoTitlesPlayInOutsideReaders) {
  AddChapter(1, 6.0);
  AddChapter(1, 5.0);
  AddChapter(2, 5.0);
  params->menu_navigation = 22001;   // first play and menu: title 1
  params->post_navigation[1] = 23002;  // title 1 then title 2 of this title set
  ASSERT_EQ(RunToEnd(), kStatusSucceeded) << "result " << window.result;
  EXPECT_EQ(window.statuses.front(), kStatusJobStarted);
  EXPECT_EQ(window.statuses.back(), kStatusSucceeded);
  for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VIDEO_TS.VOB", "VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_01_1.VOB"})
    EXPECT_TRUE(fs::exists(VideoTs() / name)) << name;
  EXPECT_TRUE(fs::is_directory(dir / "out" / "AUDIO_TS"));
  EXPECT_FALSE(fs::exists(dir / "out" / "_menu.vob"));
  EXPECT_EQ(fs::file_size(VideoTs() / "VTS_01_1.VOB") % 2048, 0u);

  if (Tool("lsdvd")) {
    const std::string report = Shell("lsdvd -x '" + (dir / "out").string() + "'");
    EXPECT_NE(report.find("Title: 01"), std::string::npos) << report;
    EXPECT_NE(report.find("Title: 02"), std::string::npos) << report;
    EXPECT_NE(report.find("Chapters: 02"), std::string::npos) << report;
    EXPECT_NE(report.find("lpcm"), std::string::npos) << report;
    EXPECT_EQ(report.find("rror"), std::string::npos) << report;
  }
  if (Tool("mpv")) {
    // Played through libdvdnav from first play: title 1 starts by itself and
    // its post command leads into title 2 (whose clock starts again).
    const std::string play = Shell("timeout 60 mpv --no-config --vo=null --ao=pcm --ao-pcm-file=/dev/null --untimed --end=40 --dvd-device='" +
                                   (dir / "out").string() + "' dvd://");
    EXPECT_NE(play.find("switched to title: 1"), std::string::npos) << play;
    EXPECT_NE(play.find("->0.19"), std::string::npos) << play;
  }
  const std::string probe = Shell("ffprobe -v error -show_entries stream=codec_name,width,height,sample_rate,channels -of compact '" +
                                (VideoTs() / "VTS_01_1.VOB").string() + "'");
  EXPECT_NE(probe.find("codec_name=mpeg2video|width=720|height=576"), std::string::npos) << probe;
  EXPECT_NE(probe.find("codec_name=pcm_dvd"), std::string::npos) << probe;
  EXPECT_NE(probe.find("sample_rate=48000|channels=2"), std::string::npos) << probe;
}

TEST_F(AuthorJob, AudioComesBackSampleForSample) {
  AddChapter(1, 2.0);
  ASSERT_EQ(RunToEnd(), kStatusSucceeded) << "result " << window.result;
  const fs::path pcm = dir / "back.raw";
  Shell("ffmpeg -nostdin -v error -y -i '" + (VideoTs() / "VTS_01_1.VOB").string() + "' -map 0:a -f s16le -c:a pcm_s16le '" + pcm.string() + "'");
  const std::string back = testing_support::ReadFile(pcm);
  const std::string source = testing_support::ReadFile(dir / "t1c1.wav").substr(44);
  ASSERT_GE(back.size(), source.size());
  EXPECT_TRUE(std::equal(source.begin(), source.end(), back.begin())) << "decoded LPCM differs from the WAV";
  // The rest is the silence that completes the last 1/600 s frame.
  EXPECT_LT(back.size() - source.size(), 320u);
}

// ffmpeg writes the title into a LIST/INFO chunk before the samples; a title
// that says "data" (and an odd-sized chunk whose pad byte completes the word)
// must not be taken for the audio: the disc carries the samples, bit for bit.
TEST_F(AuthorJob, AudioAfterChunksThatSayDataComesBackSampleForSample) {
  AddChapter(1, 2.0);
  const fs::path wav = dir / "t1c1.wav";
  const std::string plain = testing_support::ReadFile(wav);
  auto le32 = [](std::size_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
    return out;
  };
  const std::string title("some data here", 15);  // with its NUL: odd, so a pad byte follows
  const std::string info = "INFO" + std::string("INAM") + le32(title.size()) + title + '\0';
  const std::string chunks = "LIST" + le32(info.size()) + info + "odd " + le32(3) + "dat" + 'a';
  std::string file = plain.substr(0, 36) + chunks + plain.substr(36);  // before "data"
  file.replace(4, 4, le32(file.size() - 8));
  testing_support::WriteFile(wav, file);

  ASSERT_EQ(RunToEnd(), kStatusSucceeded) << "result " << window.result;
  const fs::path pcm = dir / "back.raw";
  Shell("ffmpeg -nostdin -v error -y -i '" + (VideoTs() / "VTS_01_1.VOB").string() + "' -map 0:a:0 -f s16le -c:a pcm_s16le '" + pcm.string() + "'");
  const std::string back = testing_support::ReadFile(pcm);
  const std::string source = plain.substr(44);
  ASSERT_GE(back.size(), source.size());
  const auto differ = std::mismatch(source.begin(), source.end(), back.begin());
  EXPECT_EQ(differ.first, source.end()) << "decoded LPCM differs from the WAV from sample " << (differ.first - source.begin()) / 2;
  EXPECT_LT(back.size() - source.size(), 320u);  // silence completing the last 1/600 s frame
}

TEST_F(AuthorJob, TwentyFourBitAudioUsesSampleGroups) {
  AddChapter(1, 1.0, 480, 96000, 24);
  ASSERT_EQ(RunToEnd(), kStatusSucceeded) << "result " << window.result;
  const fs::path pcm = dir / "back.raw";
  Shell("ffmpeg -nostdin -v error -y -i '" + (VideoTs() / "VTS_01_1.VOB").string() + "' -map 0:a -f s32le -c:a pcm_s32le '" + pcm.string() + "'");
  const std::string back = testing_support::ReadFile(pcm);
  const std::string wav = testing_support::ReadFile(dir / "t1c1.wav").substr(44);
  const std::size_t samples = wav.size() / 3;
  ASSERT_GE(back.size() / 4, samples);
  for (std::size_t i = 0; i < samples; ++i) {
    const auto* w = reinterpret_cast<const std::uint8_t*>(&wav[3 * i]);
    const std::uint32_t expected = static_cast<std::uint32_t>(w[0]) << 8 | static_cast<std::uint32_t>(w[1]) << 16 | static_cast<std::uint32_t>(w[2]) << 24;
    std::uint32_t got;
    std::memcpy(&got, &back[4 * i], 4);
    ASSERT_EQ(got, expected) << "sample " << i;
  }
}

// A chapter that cannot be put on the disc ends the job failed and names
// itself: t * 100 + c for its audio, 20000 + t * 100 + c for its picture.
TEST_F(AuthorJob, AChapterThatCannotBeUsedEndsTheJobWithItsNumber) {
  const auto paletted = authoring_test::MakeBmp(720, 576, [](int, int) { return 0x808080u; }, {.bit_count = 8});
  const struct {
    const char* what;
    std::function<void()> spoil;
    int result;
  } cases[] = {
      {"missing audio", [&] { fs::remove(dir / "t2c3.wav"); }, 203},
      {"8-bit picture",
       [&] { testing_support::WriteFile(dir / "t2c2.bmp", std::string(paletted.begin(), paletted.end())); },
       kResultPictureBase + 202},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    std::memset(params->chapter_count, 0, sizeof params->chapter_count);
    window.finished = false;
    AddChapter(1, 0.5);
    AddChapter(2, 0.5);
    AddChapter(2, 0.5);
    AddChapter(2, 0.5);
    k.spoil();
    EXPECT_EQ(RunToEnd(), kStatusFailed);
    EXPECT_EQ(window.result, k.result);
    // What was written of title 1 goes with the failed job.
    EXPECT_TRUE(fs::is_empty(VideoTs()));
  }
}

TEST_F(AuthorJob, AbortBeforeTheJobStopsItAndOnlyIt) {
  AddChapter(1, 1.0);
  Pennock().abort();
  EXPECT_EQ(RunToEnd(), kStatusFailed);
  EXPECT_EQ(window.result, 100);
  EXPECT_NE(std::find(window.statuses.begin(), window.statuses.end(), kStatusAborted), window.statuses.end());
  // The next job is not aborted by the old request.
  window.finished = false;
  window.statuses.clear();
  EXPECT_EQ(RunToEnd(), kStatusSucceeded);
}

TEST_F(AuthorJob, RefusesBlocksWithoutTitlesOrFoldersItCannotPrepare) {
  EXPECT_EQ(Pennock().author(params.get()), -1);  // no titles
  AddChapter(1, 0.5);
  fs::create_directories(VideoTs() / "VTS_01_1.VOB" / "x");  // cannot be deleted
  EXPECT_EQ(Pennock().author(params.get()), -1);
}

TEST(OutputFolders, PreparationDeletesOldDiscFilesAndKeepsAudioTs) {
  ScratchDir dir;
  const fs::path video_ts = dir / "VIDEO_TS";
  fs::create_directories(video_ts);
  fs::create_directories(dir / "AUDIO_TS" / "keep");
  for (const char* name : {"VIDEO_TS.IFO", "VTS_03_0.IFO", "VTS_03_7.VOB", "VTS_99_0.BUP", "other.txt"})
    testing_support::WriteFile(video_ts / name, "x");
  EXPECT_EQ(PrepareOutputFolders(dir.Path()), 0);
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_TS.IFO"));
  EXPECT_FALSE(fs::exists(video_ts / "VTS_03_7.VOB"));
  EXPECT_FALSE(fs::exists(video_ts / "VTS_99_0.BUP"));
  EXPECT_TRUE(fs::exists(video_ts / "other.txt"));
  EXPECT_TRUE(fs::exists(dir / "AUDIO_TS" / "keep"));

  testing_support::WriteFile(video_ts / "VTS_05_3.VOB", "x");
  fs::permissions(video_ts / "VTS_05_3.VOB", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(PrepareOutputFolders(dir.Path()), -1);

  ScratchDir fresh;
  EXPECT_EQ(PrepareOutputFolders(fresh / "new"), 0);
  EXPECT_TRUE(fs::is_directory(fresh / "new" / "VIDEO_TS"));
  EXPECT_TRUE(fs::is_directory(fresh / "new" / "AUDIO_TS"));
}

TEST(NavigationCodes, CommandsOfEveryRangeAndCodesWithout) {
  auto bytes = [](std::uint16_t code) { return EncodeNavigationCode(code); };
  EXPECT_EQ(bytes(60300), (NavigationCommand{0x20, 0x04, 0, 0, 0, 0, 0x01, 0x2C}));
  EXPECT_EQ(bytes(305), (NavigationCommand{0x30, 0x05, 0, 5, 0, 3, 0, 0}));
  EXPECT_EQ(bytes(22001), (NavigationCommand{0x30, 0x02, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(bytes(23099), (NavigationCommand{0x30, 0x03, 0, 0, 0, 99, 0, 0}));
  EXPECT_EQ(bytes(30000), (NavigationCommand{0x30, 0x06, 0, 0x01, 0x01, 0x83, 0, 0}));
  EXPECT_EQ(bytes(40000), (NavigationCommand{0x30, 0x08, 0, 0, 0x01, 0x83, 0, 0}));
  EXPECT_EQ(bytes(50002), (NavigationCommand{0x30, 0x06, 0, 2, 0, 0xC0, 0, 0}));
  EXPECT_EQ(bytes(50756), (NavigationCommand{0x30, 0x08, 0, 0, 0, 0xC0, 0, 0}));  // 256: low byte 0
  for (std::uint16_t none : {0, 100, 10000, 22000, 23100, 50000, 61000, 65535}) {
    NavigationCommand slot{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(EncodeNavigationCode(none, slot)) << none;
    EXPECT_EQ(slot, (NavigationCommand{1, 2, 3, 4, 5, 6, 7, 8})) << none;
  }
}

TEST(WavFormat, FormatBytesAndRefusals) {
  ScratchDir dir;
  WriteWav(dir / "a.wav", 0.1, 48000);
  auto f = ReadWavFormat(dir / "a.wav");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->format_byte, 0x01);
  EXPECT_EQ(f->output_frame_bytes, 320);
  WriteWav(dir / "b.wav", 0.1, 96000, 24);
  f = ReadWavFormat(dir / "b.wav");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->format_byte, 0x91);
  EXPECT_EQ(f->output_frame_bytes, 2 * 160 * 3);
  WriteWav(dir / "c.wav", 0.1, 44100);  // not a DVD rate
  EXPECT_FALSE(ReadWavFormat(dir / "c.wav"));
  testing_support::WriteFile(dir / "d.wav", "RIFF....WAVEjunk");
  EXPECT_FALSE(ReadWavFormat(dir / "d.wav"));
  EXPECT_FALSE(ReadWavFormat(dir / "missing.wav"));
}

}  // namespace
