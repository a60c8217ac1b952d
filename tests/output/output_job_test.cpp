#include "output/output_job.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

#include "output/disc_audio.h"
#include "pennock/pennock.h"
#include "platform/window.h"
#include "shell/app_context.h"
#include "support/test_support.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;
using testing_support::IsolatedUser;
using testing_support::MakePictureFile;
using testing_support::MakeToneFile;
using testing_support::MessageBoxRecorder;
using testing_support::ScratchDir;

// Lyric text needs a QGuiApplication.
QGuiApplication& GuiApp() {
  static int argc = 1;
  static char name[] = "output_tests";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  return app;
}

class RecordingHost : public core::JobHost {
 public:
  void Percent(int percent) override {
    progress.push_back(percent);
    if (ended.empty()) bar.push_back(percent);
  }
  void SubPercent(int percent) override { sub_progress.push_back(percent); }
  void Status(const std::string& text) override { statuses.push_back(text); }
  void ProcessEvents() override {
    ++pumps;
    if (on_events) on_events(*this);
  }
  bool Cancelled() const override { return cancelled; }
  void Finished(bool success) override { ended.push_back(success); }

  // Runs at every pump; may set `cancelled`, as a user's cancel would.
  std::function<void(RecordingHost&)> on_events;
  bool cancelled = false;
  std::vector<int> progress;
  std::vector<int> sub_progress;
  std::vector<std::string> statuses;
  std::vector<bool> ended;
  std::vector<int> bar;  // the percentages a progress bar shows until the job ends
  int pumps = 0;
};

bool Ffmpeg(const std::string& args) {
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

class OutputJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GuiApp();
    ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false})) << context_.FailureText();
    NewJob();
  }

  // A job as the Output page makes it.
  void NewJob() {
    job_ = std::make_unique<OutputJob>(context_, host_);
    job_->Initialize();
    job_->SetDataFolderText((dir_ / "discs").string());
    job_->SetFreeSpaceQuery([this](const fs::path& folder) {
      return folder.string().find("discs") != std::string::npos ? data_free_ : work_free_;
    });
  }

  // Adds a chapter with a 44.1 kHz WAV, which the job converts first.
  void AddChapterToConvert(int seconds) {
    AddChapter(0, 1);  // the picture
    const fs::path audio = dir_ / ("tone44_" + std::to_string(seconds) + ".wav");
    ASSERT_TRUE(MakeToneFile(audio, seconds, 44100));
    AudioCell cell = *context_.Project().GetAudioCell(0);
    cell.AudioFilePath = audio.string();
    cell.AudioSampleRate = 44100;
    cell.AudioTotalTime = seconds;
    context_.Project().AddCells(cell, *context_.Project().GetVideoCell(0), -1);
    ASSERT_EQ(context_.Conversion().AddFile(audio.string().c_str(), -1), 1);
    ASSERT_TRUE(job_->NeedsConversion(1));
  }

  // Adds a chapter with a 48 kHz WAV (made once per length) to title `title`.
  void AddChapter(int title, int seconds = 1, const std::string& lyrics = {}) {
    const fs::path audio = dir_ / ("tone" + std::to_string(seconds) + ".wav");
    if (!fs::exists(audio)) {
      ASSERT_TRUE(MakeToneFile(audio, seconds, 48000));
    }
    const fs::path picture = dir_ / "back.jpg";
    if (!fs::exists(picture)) {
      ASSERT_TRUE(MakePictureFile(picture, 320, 240));
    }
    AudioCell audio_cell;
    audio_cell.AudioFilePath = audio.string();
    audio_cell.TitleIndex = title;
    audio_cell.AudioTotalTime = seconds;
    audio_cell.AudioSampleRate = 48000;
    audio_cell.LyricFilePath = lyrics;
    VideoCell video_cell;
    video_cell.VideoFilePath = picture.string();
    video_cell.TitleIndex = title;
    context_.Project().AddCells(audio_cell, video_cell, -1);
    ASSERT_EQ(context_.Conversion().AddFile(audio.string().c_str(), -1), 1);
  }

  IsolatedUser user_;
  ScratchDir dir_;
  AppContext context_;
  RecordingHost host_;
  std::unique_ptr<OutputJob> job_;
  int work_free_ = 100000;
  int data_free_ = 100000;
};

TEST(TitlePlacement, SkipsEmptyTitlesAndCountsChapters) {
  // Titles 1 and 3 (of 0..4) are empty: 0, 2, 4 become 0, 1, 2.
  TitlePlacement placement;
  const int stored[] = {0, 0, 2, 2, 2, 4};
  const int titles[] = {0, 0, 1, 1, 1, 2};
  const int chapters[] = {0, 1, 0, 1, 2, 0};
  for (int j = 0; j < 6; ++j) {
    const TitlePlacement::Slot slot = placement.Place(stored[j]);
    EXPECT_EQ(slot.title, titles[j]) << "chapter " << j;
    EXPECT_EQ(slot.chapter, chapters[j]) << "chapter " << j;
  }
}

TEST_F(OutputJobTest, InitialisationNamesTheTemporaryFiles) {
  const fs::path temp = fs::path(context_.Settings().WorkPath()) / "temp";
  EXPECT_EQ(job_->TempFolderPath(), temp.string());
  EXPECT_TRUE(fs::is_directory(temp));
  EXPECT_TRUE(fs::is_directory(fs::path(context_.Settings().WorkPath()) / "DVD"));
  EXPECT_EQ(job_->MenuPicturePath(), (temp / "Menu.jpg").string());
  EXPECT_EQ(job_->TitleWavPath(7), (temp / "Title7.wav").string());
  EXPECT_EQ(job_->ChapterPicturePath(3, 12), (temp / "Title3Chapter12.bmp").string());
  EXPECT_EQ(job_->ChapterPicturePath(99, 99), (temp / "Title99Chapter99.bmp").string());
}

TEST_F(OutputJobTest, FolderPreparationAsksBeforeEmptyingAnExistingFolder) {
  context_.Project().Header().ProjectName = "Songs";
  const fs::path existing = dir_ / "discs" / "Songs";
  fs::create_directories(existing / "VIDEO_TS");
  testing_support::WriteFile(existing / "keep.txt", "x");
  testing_support::WriteFile(existing / "VIDEO_TS" / "VTS_01_1.VOB", "x");
  {
    MessageBoxRecorder boxes(platform::kIdNo);
    EXPECT_FALSE(job_->PrepareDvdFolder());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "The folder \"" + existing.string() +
                                         "\" \nhas existed, are you sure to replace it?");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
    EXPECT_EQ(boxes.Boxes()[0].style, platform::kMbYesNo | platform::kMbIconWarning);
    EXPECT_TRUE(fs::exists(existing / "keep.txt"));
    EXPECT_EQ(job_->Outcome(), OutputOutcome::Failed);
  }
  MessageBoxRecorder boxes(platform::kIdYes);
  EXPECT_TRUE(job_->PrepareDvdFolder());
  EXPECT_EQ(job_->DvdFolderPath(), existing.string());
  EXPECT_TRUE(fs::is_directory(existing));
  EXPECT_TRUE(fs::is_empty(existing));
  EXPECT_EQ(context_.Settings().Values().strDVDDataFolder, (dir_ / "discs").string());
}

TEST_F(OutputJobTest, FolderPreparationRefusesAFolderThatCannotBeMade) {
  testing_support::WriteFile(dir_ / "plain", "a file");
  job_->SetDataFolderText((dir_ / "plain" / "sub").string());
  MessageBoxRecorder boxes;
  EXPECT_FALSE(job_->PrepareDvdFolder());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Invalid directory:\n" + (dir_ / "plain" / "sub").string());
  EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
}

TEST_F(OutputJobTest, ProjectNameCannotLeaveTheDataFolder) {
  context_.Project().Header().ProjectName = "../../escape";
  MessageBoxRecorder boxes;
  ASSERT_TRUE(job_->PrepareDvdFolder());
  EXPECT_EQ(fs::path(job_->DvdFolderPath()).parent_path(), dir_ / "discs");
  EXPECT_EQ(fs::path(job_->DvdFolderPath()).filename(), ".._.._escape");
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(OutputJobTest, FreeSpaceRulesCountWhatTheDiscTakes) {
  // About 1000 MB of LPCM (48 kHz stereo): the disc takes some 4 % more
  // than the project's estimate, and the rules count that.
  AudioCell cell;
  cell.AudioSampleRate = 48000;
  cell.AudioTotalTime = 5460;
  context_.Project().AddCells(cell, VideoCell{}, -1);
  const int estimate = context_.Project().EstimateProjectSizeMB(48000);
  const int need = static_cast<int>((job_->ExpectedDiscBytes() + (1 << 20) - 1) >> 20);
  EXPECT_GT(need, estimate * 104 / 100);
  ASSERT_TRUE(job_->PrepareDvdFolder());

  MessageBoxRecorder boxes;
  work_free_ = 2 * need + 99;
  EXPECT_FALSE(job_->CheckFreeSpace());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Not enough disk space, please respecify your work folder!");
  work_free_ = 2 * need + 100;
  EXPECT_TRUE(job_->CheckFreeSpace());

  // An old VIDEO_TS of 3 MB counts as free room.
  fs::create_directories(fs::path(job_->DvdFolderPath()) / "VIDEO_TS");
  testing_support::WriteFile(fs::path(job_->DvdFolderPath()) / "VIDEO_TS" / "VTS_01_1.VOB",
                             std::string(3 << 20, '\0'));
  work_free_ = 2 * need + 97;
  EXPECT_TRUE(job_->CheckFreeSpace());

  // Room for the estimate is not room for the disc.
  boxes.Clear();
  data_free_ = need - 1;
  ASSERT_GT(data_free_, estimate);
  EXPECT_FALSE(job_->CheckFreeSpace());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Not enough disk space, please respecify your DVD data folder!");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
  data_free_ = need;
  EXPECT_TRUE(job_->CheckFreeSpace());
}

TEST_F(OutputJobTest, DiscCapacityWhenBurning) {
  // 48 kHz stereo: 6.5 hours fit a DVD-5 without a question; a little more
  // asks for a DVD-9; beyond a DVD-9 nothing is burnt.
  job_->SetType(OutputType::DvdBurning);
  struct Case {
    int chapters;
    int seconds;  // a chapter
    bool asks;
    bool fits;
  } cases[] = {{13, 1800, false, true},  // 6.5 h in 30-minute songs
               {128, 180, false, true},  // 6.4 h in 3-minute songs
               {14, 1700, true, true},   // 6.6 h
               {24, 1770, true, true},   // 11.8 h
               {24, 1800, true, false}}; // 12 h
  for (const Case& c : cases) {
    context_.Project().ClearCells();
    AudioCell cell;
    cell.AudioSampleRate = 48000;
    cell.AudioTotalTime = c.seconds;
    for (int i = 0; i < c.chapters; ++i) context_.Project().AddCells(cell, VideoCell{}, -1);
    const std::string name = std::to_string(c.chapters) + " x " + std::to_string(c.seconds) + " s";
    MessageBoxRecorder no(platform::kIdNo);
    EXPECT_EQ(job_->CheckFreeSpace(), !c.asks && c.fits) << name;
    ASSERT_EQ(no.Boxes().size(), c.asks ? 1u : 0u) << name;
    if (!c.asks) continue;
    if (!c.fits) {
      EXPECT_EQ(no.Boxes()[0].text, "Not enough disc space, please edit your music DVD again!");
      continue;
    }
    EXPECT_EQ(no.Boxes()[0].text, "Are you sure that the disc is DVD-9 disc?") << name;
    EXPECT_EQ(no.Boxes()[0].style, platform::kMbYesNo | platform::kMbIconInformation);
    MessageBoxRecorder yes(platform::kIdYes);
    EXPECT_TRUE(job_->CheckFreeSpace()) << name;
  }
}

TEST_F(OutputJobTest, OnlyLpcmWavAtTheProjectRateSkipsConversion) {
  struct Case {
    const char* name;
    std::string args;
    int cell_rate;
    bool convert;
  } cases[] = {
      {"s16.wav", "-ar 48000 -c:a pcm_s16le", 48000, false},
      {"s24.wav", "-ar 48000 -c:a pcm_s24le", 48000, false},
      {"u8.wav", "-ar 48000 -c:a pcm_u8", 48000, true},
      {"f32.wav", "-ar 48000 -c:a pcm_f32le", 48000, true},
      {"s16_441.wav", "-ar 44100 -c:a pcm_s16le", 44100, true},
      {"s16_96k.wav", "-ar 96000 -c:a pcm_s16le", 96000, true},
      {"mp3_48k.mp3", "-ar 48000 -c:a libmp3lame", 48000, true},
      {"flac_48k.flac", "-ar 48000 -c:a flac", 48000, true},
      // The stored rate is wrong: converted to be safe.
      {"s16b.wav", "-ar 48000 -c:a pcm_s16le", 44100, true},
  };
  for (const Case& c : cases) {
    const fs::path file = dir_ / c.name;
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=d=0.5 -ac 2 " + c.args + " '" + file.string() + "'")) << c.name;
    context_.Project().ClearCells();
    AudioCell cell;
    cell.AudioFilePath = file.string();
    cell.AudioSampleRate = c.cell_rate;
    context_.Project().AddCells(cell, VideoCell{}, -1);
    EXPECT_EQ(job_->NeedsConversion(0), c.convert) << c.name;
  }
}

// The job's window: messages of the authoring worker wait here until the
// test pumps them.
class JobWindow : public platform::QueuedSink {
 public:
  explicit JobWindow(OutputJob& job) : job_(job), handle_(platform::RegisterWindow(this)) {
    job_.SetWindow(handle_);
  }
  ~JobWindow() override { platform::UnregisterWindow(handle_); }
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    return job_.HandleMessage(message, wparam, lparam) ? 1 : 0;
  }
  void PumpUntilIdle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (job_.IsRunning() && std::chrono::steady_clock::now() < deadline) WaitAndProcess(100);
  }

 private:
  OutputJob& job_;
  platform::WindowHandle handle_;
};

TEST_F(OutputJobTest, WholeJobPairsPicturesAndAudioInCompactTitles) {
  // Titles 1 and 3 are empty.
  const fs::path lyrics = dir_ / "words.txt";
  testing_support::WriteFile(lyrics, "La la la\nla la");
  for (int title : {0, 0, 2, 2, 2, 4}) AddChapter(title, 1, title == 2 ? lyrics.string() : "");
  context_.Project().SetTitleCellTotalNum(5);
  context_.Project().Header().ProjectName = "Compact";
  // A leftover of an earlier job is removed at the start.
  testing_support::WriteFile(fs::path(job_->TempFolderPath()) / "old.bmp", "x");

  JobWindow window(*job_);
  MessageBoxRecorder boxes;
  ASSERT_TRUE(job_->Create()) << job_->FailureText();
  EXPECT_FALSE(fs::exists(fs::path(job_->TempFolderPath()) / "old.bmp"));
  EXPECT_TRUE(fs::exists(job_->ChapterPicturePath(1, 2)));
  EXPECT_FALSE(fs::exists(job_->ChapterPicturePath(1, 3)));
  EXPECT_TRUE(job_->IsRunning());
  window.PumpUntilIdle();

  ASSERT_EQ(job_->Outcome(), OutputOutcome::Succeeded) << job_->FailureText();
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Create DVD Folder successfully!");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Output finished");
  EXPECT_EQ(host_.ended, std::vector<bool>{true});
  EXPECT_TRUE(fs::is_empty(job_->TempFolderPath()));
  EXPECT_TRUE(fs::exists(fs::path(job_->DvdFolderPath()) / "VIDEO_TS" / "VTS_01_0.IFO"));
  EXPECT_EQ(host_.progress.back(), 0);
  // The free-space rules never count less than the disc took.
  std::uintmax_t disc_bytes = 0;
  for (const auto& file : fs::directory_iterator(fs::path(job_->DvdFolderPath()) / "VIDEO_TS"))
    disc_bytes += file.file_size();
  EXPECT_LE(static_cast<std::int64_t>(disc_bytes), job_->ExpectedDiscBytes());

  // Every chapter's audio sits at the slot of its compact title.
  const fs::path tone = dir_ / "tone1.wav";
  for (auto [t, c] : {std::pair{0, 1}, {1, 0}, {1, 2}, {2, 0}}) EXPECT_EQ(job_->ChapterAudioPath(t, c), tone.string());
  EXPECT_TRUE(job_->ChapterAudioPath(3, 0).empty());
  auto request = std::make_unique<tessaly::AuthoringRequest>();
  job_->BuildRequest(*request);
  EXPECT_EQ(request->title_count, 3);
  const int counts[] = {2, 3, 1, 0};
  for (int t = 0; t < 4; ++t) EXPECT_EQ(request->titles[t].chapter_count, counts[t]) << "title " << t;
  EXPECT_STREQ(request->titles[1].chapters[2].picture_path, job_->ChapterPicturePath(1, 2).c_str());
  EXPECT_STREQ(request->titles[1].chapters[2].audio_path, job_->ChapterAudioPath(1, 2).c_str());
  EXPECT_EQ(request->titles[1].chapters[0].seconds, 1);
  // The closing entry: the title WAV (never made) measures -1, minus one.
  EXPECT_EQ(request->titles[1].chapters[3].seconds, -2);
  EXPECT_STREQ(request->titles[2].title_wav_path, job_->TitleWavPath(2).c_str());
  EXPECT_EQ(request->one, 1);
  EXPECT_EQ(request->aspect, tessaly::kAspect43);
  EXPECT_EQ(request->video_display, tessaly::kDisplayLetterbox);
  EXPECT_STREQ(request->output_folder, job_->DvdFolderPath().c_str());
  EXPECT_STREQ(request->menu_picture_path, job_->MenuPicturePath().c_str());

  // The files of the last job go when the wizard asks.
  testing_support::WriteFile(job_->ChapterPicturePath(0, 0), "x");
  testing_support::WriteFile(job_->TitleWavPath(0), "x");
  job_->DeleteTemporaryFiles();
  EXPECT_FALSE(fs::exists(job_->ChapterPicturePath(0, 0)));
  EXPECT_FALSE(fs::exists(job_->TitleWavPath(0)));
}

TEST_F(OutputJobTest, MixedChannelCountsBecomeOneStereoFormat) {
  // Beside a stereo chapter: a mono WAV ready as it is, and 5.1 sources at
  // and off the disc's rate, which the conversion keeps at six channels.
  // The disc's one audio stream needs them all alike: 16-bit stereo.
  const struct { const char* name; int rate, channels; } kSources[] = {
      {"mono.wav", 48000, 1}, {"six.wav", 48000, 6}, {"six44.wav", 44100, 6}};
  AddChapter(0, 1);
  for (const auto& source : kSources) {
    const fs::path path = dir_ / source.name;
    ASSERT_TRUE(MakeToneFile(path, 1, source.rate, source.channels));
    AudioCell cell = *context_.Project().GetAudioCell(0);
    cell.AudioFilePath = path.string();
    cell.AudioSampleRate = source.rate;
    context_.Project().AddCells(cell, *context_.Project().GetVideoCell(0), -1);
    ASSERT_EQ(context_.Conversion().AddFile(path.string().c_str(), -1), 1);
  }
  ASSERT_FALSE(job_->NeedsConversion(1));
  ASSERT_TRUE(job_->NeedsConversion(2));

  JobWindow window(*job_);
  MessageBoxRecorder boxes;
  ASSERT_TRUE(job_->Create()) << job_->FailureText();
  EXPECT_EQ(job_->ChapterAudioPath(0, 0), (dir_ / "tone1.wav").string());
  for (int chapter = 1; chapter <= 3; ++chapter) {
    SCOPED_TRACE(chapter);
    const std::string stereo = "Chapter" + std::to_string(chapter) + "Stereo.wav";
    EXPECT_EQ(job_->ChapterAudioPath(0, chapter), (fs::path(job_->TempFolderPath()) / stereo).string());
    EXPECT_EQ(ReadPcmShape(job_->ChapterAudioPath(0, chapter)), kStereo16);
  }
  window.PumpUntilIdle();
  EXPECT_EQ(job_->Outcome(), OutputOutcome::Succeeded) << job_->FailureText();
}

TEST_F(OutputJobTest, AuthoringFailureIsNeverReportedAsSuccess) {
  AddChapter(0, 1);
  // The component's end-of-job failures.
  const struct {
    std::intptr_t result;
    const char* reason;
  } cases[] = {
      {101, "the audio of title 1, chapter 1 cannot be used"},
      {pennock::kResultPictureBase + 101, "the picture of title 1, chapter 1 cannot be encoded"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    JobWindow window(*job_);
    MessageBoxRecorder boxes(platform::kIdYes);  // replaces the folder of the last case
    ASSERT_TRUE(job_->Create()) << job_->FailureText();
    job_->HandleMessage(platform::kWmUser + 2, tessaly::kStatusFailed, c.result);
    EXPECT_FALSE(job_->IsRunning());
    EXPECT_EQ(job_->Outcome(), OutputOutcome::Failed);
    EXPECT_EQ(job_->FailureText(), std::string("DVD authoring failed: ") + c.reason);
    ASSERT_FALSE(boxes.Boxes().empty());
    EXPECT_EQ(boxes.Boxes().back().caption, "Warning");
    EXPECT_NE(boxes.Boxes().back().text.find(c.reason), std::string::npos);
    // The real job's messages that follow change nothing.
    const std::size_t shown = boxes.Boxes().size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto ended = [&] {
      const auto status = context_.Authoring().Ctrl()->LastStatus();
      return status == tessaly::kStatusComplete || status == tessaly::kStatusFailed;
    };
    while (!ended() && std::chrono::steady_clock::now() < deadline) window.WaitAndProcess(100);
    EXPECT_TRUE(ended());
    EXPECT_EQ(job_->Outcome(), OutputOutcome::Failed);
    EXPECT_EQ(boxes.Boxes().size(), shown);
  }
}

TEST_F(OutputJobTest, ProgressNeverGoesBackAtTheEndOfAJobAndEndsFull) {
  AddChapter(0, 1);
  MessageBoxRecorder boxes;
  // No window: the real job runs to its end unheard, and its last messages
  // are fed below as they arrive.
  ASSERT_TRUE(job_->Create()) << job_->FailureText();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (context_.Authoring().Ctrl()->LastStatus() != tessaly::kStatusComplete &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(context_.Authoring().Ctrl()->LastStatus(), tessaly::kStatusComplete);
  host_.bar.clear();

  const std::uint32_t kChapter = platform::kWmUser + 1, kStatus = platform::kWmUser + 2,
                      kOverall = platform::kWmUser + 6;
  const struct {
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
  } end_of_job[] = {
      {kStatus, 9020, 0},  // the last chapter of the last title
      {kChapter, 0, 60}, {kOverall, 0, 45}, {kChapter, 0, 100}, {kOverall, 0, 50},
      {kStatus, 9220, 0},  // title finished
      {kStatus, 9520, 0},  // the menu picture
      {kChapter, 0, 0}, {kChapter, 0, 48}, {kChapter, 0, 97},
      {kChapter, 0, 0}, {kOverall, 0, 0},  // the component's reset before its last status
      {kStatus, 9800, 0},
  };
  for (const auto& m : end_of_job) job_->HandleMessage(m.message, m.wparam, m.lparam);
  EXPECT_EQ(job_->Outcome(), OutputOutcome::Succeeded) << job_->FailureText();
  ASSERT_FALSE(host_.bar.empty());
  EXPECT_TRUE(std::is_sorted(host_.bar.begin(), host_.bar.end())) << testing::PrintToString(host_.bar);
  EXPECT_EQ(host_.bar.back(), 100);
  // Once the job has ended, the page's bar goes back to rest.
  EXPECT_EQ(host_.progress.back(), 0);
}

TEST_F(OutputJobTest, OnePercentRunsThroughTheStepsAndTheChapterIsTheSubPercent) {
  AddChapter(0, 1);
  AddChapter(0, 1);
  MessageBoxRecorder boxes;
  // No window: the real job runs unheard; its messages are fed below.
  ASSERT_TRUE(job_->Create()) << job_->FailureText();
  // At rest, then audio 0-10 %, pictures 10-20 %, each step's own percent
  // as the sub-percent.
  EXPECT_EQ(host_.bar, (std::vector<int>{0, 5, 10, 15, 20}));
  EXPECT_EQ(host_.sub_progress, (std::vector<int>{0, 0, 50, 100, 0, 50, 100, 0}));
  EXPECT_NE(std::find(host_.statuses.begin(), host_.statuses.end(), "Create temp audio file"), host_.statuses.end());
  EXPECT_NE(std::find(host_.statuses.begin(), host_.statuses.end(), "Create temp bitmap file"), host_.statuses.end());

  // The authoring: half its overall value fills 20-100 %, the chapter's
  // percent is the sub-percent.
  host_.bar.clear();
  host_.sub_progress.clear();
  const std::uint32_t kChapter = platform::kWmUser + 1, kOverall = platform::kWmUser + 6;
  job_->HandleMessage(kOverall, 0, 25);
  job_->HandleMessage(kChapter, 0, 30);
  job_->HandleMessage(kOverall, 0, 10);  // no step back
  job_->HandleMessage(kChapter, 0, 0);
  job_->HandleMessage(kOverall, 0, 40);
  EXPECT_EQ(host_.bar, (std::vector<int>{60, 84}));
  EXPECT_EQ(host_.sub_progress, (std::vector<int>{30, 0}));

  job_->Cancel();
  EXPECT_EQ(job_->Outcome(), OutputOutcome::Cancelled);
  EXPECT_EQ(host_.ended, std::vector<bool>{false});
  EXPECT_EQ(host_.progress.back(), 0);
  // Nothing of the cancelled authoring is shown.
  const std::size_t shown = host_.progress.size();
  job_->HandleMessage(kOverall, 0, 45);
  EXPECT_EQ(host_.progress.size(), shown);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  auto ended = [&] {
    const auto status = context_.Authoring().Ctrl()->LastStatus();
    return status == tessaly::kStatusComplete || status == tessaly::kStatusFailed;
  };
  while (!ended() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TEST_F(OutputJobTest, ConversionIsAPartOfTheAudioStep) {
  AddChapterToConvert(2);
  // The stills are rendered while the conversion runs.
  int stills_while_converting = 0;
  host_.on_events = [&](RecordingHost& host) {
    if (std::find(host.statuses.begin(), host.statuses.end(), "Create temp audio file") == host.statuses.end())
      stills_while_converting = fs::exists(job_->ChapterPicturePath(0, 0)) + fs::exists(job_->ChapterPicturePath(0, 1));
  };
  JobWindow window(*job_);
  MessageBoxRecorder boxes;
  ASSERT_TRUE(job_->Create()) << job_->FailureText();
  EXPECT_EQ(stills_while_converting, 2);
  // The conversion reports through the job: its file as the status, its
  // batch within the first 80 % of the audio step.
  const auto converting = std::find(host_.statuses.begin(), host_.statuses.end(), "Converting:  tone44_2.wav");
  ASSERT_NE(converting, host_.statuses.end());
  EXPECT_LT(converting - host_.statuses.begin(),
            std::find(host_.statuses.begin(), host_.statuses.end(), "Create temp audio file") - host_.statuses.begin());
  EXPECT_TRUE(std::is_sorted(host_.bar.begin(), host_.bar.end())) << testing::PrintToString(host_.bar);
  EXPECT_NE(std::find(host_.bar.begin(), host_.bar.end(), 8), host_.bar.end());
  EXPECT_EQ(host_.bar.back(), 20);
  EXPECT_EQ(ReadPcmShape(job_->ChapterAudioPath(0, 1)).has_value(), true);
  EXPECT_NE(job_->ChapterAudioPath(0, 1), (dir_ / "tone44_2.wav").string());
  window.PumpUntilIdle();
  EXPECT_EQ(job_->Outcome(), OutputOutcome::Succeeded) << job_->FailureText();
  EXPECT_EQ(host_.ended, std::vector<bool>{true});
}

TEST_F(OutputJobTest, ACancelDuringTheConversionEndsTheJobWithoutAnotherQuestion) {
  AddChapterToConvert(30);
  host_.on_events = [](RecordingHost& host) {
    if (!host.statuses.empty() && host.statuses.back().starts_with("Converting:")) host.cancelled = true;
  };
  MessageBoxRecorder boxes;
  EXPECT_FALSE(job_->Create());
  EXPECT_TRUE(host_.cancelled);
  EXPECT_FALSE(job_->IsRunning());
  EXPECT_TRUE(job_->Aborted());
  EXPECT_EQ(job_->Outcome(), OutputOutcome::Cancelled);
  EXPECT_EQ(host_.ended, std::vector<bool>{false});
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(fs::exists(context_.Conversion().GetItemDestination(1)));
  EXPECT_EQ(host_.progress.back(), 0);
  // The job ended inside the conversion: the bar never passed its part.
  EXPECT_LE(*std::max_element(host_.bar.begin(), host_.bar.end()), 8);
}

TEST_F(OutputJobTest, AChapterWithoutItsPictureFailsTheJob) {
  // The still cannot be written (a folder has its name), or the background
  // exists but cannot be loaded (a PNG): never a black chapter and success.
  // A background that fails while a chapter converts stops the conversion.
  const fs::path png = dir_ / "back.png";
  ASSERT_TRUE(MakePictureFile(png, 64, 48));
  const struct { const char* name; bool folder_in_the_way, png, converting; } kCases[] = {
      {"still not written", true, false, false},
      {"background cannot be loaded", false, true, false},
      {"background cannot be loaded while converting", false, true, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    context_.Project().ClearCells();
    context_.Conversion().RemoveAllItems();
    host_ = {};
    NewJob();
    if (c.converting) AddChapterToConvert(30);
    else AddChapter(0, 1);
    if (c.png) {
      CellUpdate update;
      update.picture_path = png.string();
      context_.Project().UpdateCells(0, update);
    }
    std::error_code ec;
    fs::remove_all(job_->ChapterPicturePath(0, 0), ec);
    if (c.folder_in_the_way) fs::create_directories(job_->ChapterPicturePath(0, 0));
    MessageBoxRecorder boxes;
    EXPECT_FALSE(job_->Create());
    EXPECT_EQ(job_->Outcome(), OutputOutcome::Failed);
    const std::string named = c.png ? png.string() + " of chapter 1 cannot be loaded" : job_->ChapterPicturePath(0, 0);
    EXPECT_NE(job_->FailureText().find(named), std::string::npos) << job_->FailureText();
    EXPECT_FALSE(job_->IsRunning());
    EXPECT_EQ(host_.ended, std::vector<bool>{false});
    EXPECT_FALSE(fs::exists(job_->DvdFolderPath()));  // the job made it, and nothing is in it
    if (c.converting) {
      EXPECT_FALSE(fs::exists(context_.Conversion().GetItemDestination(1)));
      EXPECT_LE(*std::max_element(host_.bar.begin(), host_.bar.end()), 8);
    }
  }
}

TEST_F(OutputJobTest, AChapterWithoutSoundFailsTheJobBeforeTheAuthoring) {
  AddChapter(0, 1);
  AddChapter(0, 1);
  // A WAV at the disc's rate with a header and no samples.
  const fs::path empty = dir_ / "empty.wav";
  const std::string header("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x80\xBB\0\0\0\xEE\x02\0\x04\0\x10\0data\0\0\0\0", 44);
  testing_support::WriteFile(empty, header);
  CellUpdate update;
  update.audio_path = empty.string();
  context_.Project().UpdateCells(1, update);
  MessageBoxRecorder boxes;
  EXPECT_FALSE(job_->Create());
  EXPECT_EQ(job_->Outcome(), OutputOutcome::Failed);
  EXPECT_EQ(job_->FailureText(), "the audio of " + empty.string() + " (chapter 2) holds no sound");
}

TEST_F(OutputJobTest, ACancelledAuthoringTakesAwayWhatItWrote) {
  // Cancelled as soon as the authoring has started: once it has stopped,
  // a DVD folder the job made is gone, and one it was allowed to replace is
  // left empty; never a half-written disc.
  AddChapter(0, 30);
  AddChapter(1, 30);
  for (const bool existed : {false, true}) {
    SCOPED_TRACE(existed);
    host_ = {};
    NewJob();
    const fs::path folder = dir_ / "discs" / "Verosa";
    if (existed) {
      fs::create_directories(folder);
      testing_support::WriteFile(folder / "old.txt", "x");
    }
    JobWindow window(*job_);
    MessageBoxRecorder boxes(platform::kIdYes);
    ASSERT_TRUE(job_->Create()) << job_->FailureText();
    ASSERT_EQ(job_->DvdFolderPath(), folder.string());
    job_->Cancel();
    EXPECT_EQ(job_->Outcome(), OutputOutcome::Cancelled);
    // The authoring stops, then its last status reaches the window.
    tessaly::TessalyCtrl* authoring = context_.Authoring().Ctrl();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (authoring->LastStatus() != tessaly::kStatusFailed && std::chrono::steady_clock::now() < deadline)
      window.WaitAndProcess(50);
    window.WaitAndProcess(200);
    EXPECT_EQ(fs::exists(folder), existed);
    if (existed) {
      EXPECT_TRUE(fs::is_empty(folder));
    }
  }
}

TEST_F(OutputJobTest, StatusLineAsksForEachNewCodeOnce) {
  job_->HandleMessage(platform::kWmUser + 2, 9020, 0);
  job_->HandleMessage(platform::kWmUser + 2, 9020, 0);
  job_->HandleMessage(platform::kWmUser + 2, 9520, 0);
  ASSERT_EQ(host_.statuses.size(), 2u);
  EXPECT_EQ(host_.statuses[0], context_.Authoring().Ctrl()->StatusText(9020));
  // Not running: no completion.
  job_->HandleMessage(platform::kWmUser + 2, 9800, 0);
  EXPECT_EQ(job_->Outcome(), OutputOutcome::None);
  EXPECT_TRUE(job_->HandleMessage(platform::kWmUser + 6, 0, 40));
  EXPECT_TRUE(job_->HandleMessage(platform::kWmUser + 1, 0, 40));
  EXPECT_FALSE(job_->HandleMessage(platform::kWmUser + 3, 0, 40));
  // Not running: the authoring's progress is not shown.
  EXPECT_TRUE(host_.progress.empty());
  EXPECT_TRUE(host_.sub_progress.empty());
}

TEST_F(OutputJobTest, CleanUpKeepsSubFolders) {
  const fs::path temp = job_->TempFolderPath();
  testing_support::WriteFile(temp / "a.wav", "x");
  fs::create_directories(temp / "keep");
  testing_support::WriteFile(temp / "keep" / "b.wav", "x");
  job_->CleanTempFolder();
  EXPECT_FALSE(fs::exists(temp / "a.wav"));
  EXPECT_TRUE(fs::exists(temp / "keep" / "b.wav"));
}

TEST(AuthoringFailureText, NamesTheChapterOrTheCause) {
  EXPECT_EQ(AuthoringFailureText(203), "the audio of title 2, chapter 3 cannot be used");
  EXPECT_EQ(AuthoringFailureText(pennock::kResultPictureBase + 1299), "the picture of title 12, chapter 99 cannot be encoded");
  EXPECT_EQ(AuthoringFailureText(pennock::kResultPictureBase + 9901), "the picture of title 99, chapter 1 cannot be encoded");
  EXPECT_EQ(AuthoringFailureText(-2), "a disc file could not be written (is the disk full?)");
  EXPECT_EQ(AuthoringFailureText(300), "cancelled");
  EXPECT_NE(AuthoringFailureText(tessaly::kResultNotStarted).find("could not be prepared"), std::string::npos);
}

}  // namespace
}  // namespace verosa

namespace verosa {
namespace {

// With a theme the picture step draws the title menu and a song menu for every
// title of several songs, and describes their buttons for the authoring.
TEST_F(OutputJobTest, ThemeMenusGetAButtonPerTitleAndSong) {
  const fs::path theme = dir_ / "menu.jpg";
  ASSERT_TRUE(MakePictureFile(theme, 640, 480));
  context_.SetMenuPicturePath(theme.string());
  const int chapters[] = {1, 3, 14};
  for (int t = 0; t < 3; ++t)
    for (int c = 0; c < chapters[t]; ++c) AddChapter(t);
  context_.Project().SetTitleCellTotalNum(3);
  context_.Project().Header().StartWithMenu = 1;
  ASSERT_TRUE(job_->RunPictureStep()) << job_->FailureText();
  const pennock::DiscMenus* menus = job_->DiscMenus();
  ASSERT_NE(menus, nullptr);
  EXPECT_EQ(menus->start_with_menu, 1);

  using B = pennock::MenuButton;
  auto actions = [](const pennock::MenuPage& page) {
    std::vector<std::array<int, 4>> out;
    for (int i = 0; i < page.button_count; ++i) {
      const B& b = page.buttons[i];
      out.push_back({b.action, b.title, b.chapter, b.page});
    }
    return out;
  };
  std::vector<std::array<int, 4>> songs_1, songs_2;
  for (int c = 1; c <= 12; ++c) songs_1.push_back({pennock::kButtonPlayChapter, 3, c, 0});
  songs_1.push_back({pennock::kButtonPage, 3, 0, 2});
  songs_2 = {{pennock::kButtonPlayChapter, 3, 13, 0}, {pennock::kButtonPlayChapter, 3, 14, 0}, {pennock::kButtonPage, 3, 0, 1}};
  for (auto* page : {&songs_1, &songs_2}) {
    page->push_back({pennock::kButtonTitleMenu, 3, 0, 0});
    page->push_back({pennock::kButtonPlayChapter, 3, 1, 0});
  }
  const struct {
    const char* menu;
    int pages;
    const pennock::MenuPage* records;
    std::vector<std::vector<std::array<int, 4>>> buttons;
  } expected[] = {
      {"title menu", menus->title_page_count, menus->title_pages,
       {{{pennock::kButtonPlayTitle, 1, 0, 0}, {pennock::kButtonSongMenu, 2, 0, 0}, {pennock::kButtonSongMenu, 3, 0, 0}}}},
      {"songs of title 2", menus->song_page_count[2], menus->song_pages[2],
       {{{pennock::kButtonPlayChapter, 2, 1, 0}, {pennock::kButtonPlayChapter, 2, 2, 0},
         {pennock::kButtonPlayChapter, 2, 3, 0}, {pennock::kButtonTitleMenu, 2, 0, 0},
         {pennock::kButtonPlayChapter, 2, 1, 0}}}},
      {"songs of title 3", menus->song_page_count[3], menus->song_pages[3], {songs_1, songs_2}},
  };
  EXPECT_EQ(menus->song_page_count[1], 0);
  for (const auto& menu : expected) {
    ASSERT_EQ(menu.pages, static_cast<int>(menu.buttons.size())) << menu.menu;
    for (int p = 0; p < menu.pages; ++p) {
      const pennock::MenuPage& page = menu.records[p];
      EXPECT_EQ(actions(page), menu.buttons[static_cast<std::size_t>(p)]) << menu.menu << " page " << p + 1;
      // A PAL frame: every button inside the title-safe area, none on another,
      // each drawn on the picture (a box darker than the blue background).
      StillPicture picture;
      ASSERT_TRUE(picture.LoadBmpFile(page.picture)) << page.picture;
      const QImage image = picture.ToImage();
      ASSERT_EQ(image.size(), QSize(720, 576));
      for (int i = 0; i < page.button_count; ++i) {
        const B& b = page.buttons[i];
        EXPECT_TRUE(b.left >= 72 && b.right < 648 && b.top >= 57 && b.bottom < 519) << menu.menu << " button " << i;
        for (int k = i + 1; k < page.button_count; ++k) {
          const B& o = page.buttons[k];
          EXPECT_TRUE(b.right < o.left || o.right < b.left || b.bottom < o.top || o.bottom < b.top)
              << menu.menu << " buttons " << i << " and " << k;
        }
        EXPECT_LT(qBlue(image.pixel(b.left + 4, b.bottom - 4)), qBlue(image.pixel(b.left - 4, b.bottom - 4)))
            << menu.menu << " button " << i;
      }
    }
  }
}

}  // namespace
}  // namespace verosa
