#include "main_window/window_fixture.h"

#include "project/project_document.h"

namespace verosa::testing {

namespace fs = std::filesystem;

void MainWindowTest::SetUp() {
  ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false}))
      << context_.FailureText();
  window_ = std::make_unique<VerosaDlg>(context_, VerosaDlg::Options{.splash = false});
  window_->SetFileDialogRunner([this](QWidget*, const VerosaDlg::FileDialogRequest& request) {
    requests_.push_back(request);
    return answer_;
  });
}

void MainWindowTest::TearDown() { window_.reset(); }

fs::path MainWindowTest::Tone() {
  const fs::path tone = dir_ / "tone.wav";
  if (!fs::exists(tone)) {
    EXPECT_TRUE(testing_support::MakeToneFile(tone, 1, 48000));
  }
  return tone;
}

fs::path MainWindowTest::Picture() {
  const fs::path picture = dir_ / "back.bmp";
  if (!fs::exists(picture)) {
    EXPECT_TRUE(testing_support::MakePictureFile(picture, 64, 48));
  }
  return picture;
}

void MainWindowTest::WriteProject(const fs::path& path, int chapters, int sample_rate) {
  ProjectDocument project;
  project.NewProject(path);
  project.Header().AudioSampleRate = sample_rate;
  for (int i = 0; i < chapters; ++i) {
    AudioCell audio;
    audio.AudioFilePath = Tone().string();
    audio.AudioTotalTime = 1;
    audio.AudioSampleRate = 48000;
    VideoCell video;
    video.VideoFilePath = Picture().string();
    project.AddCells(audio, video, -1);
  }
  project.SetTitleCellTotalNum(chapters > 0 ? 1 : 0);
  ASSERT_TRUE(project.SaveProject(path));
}

void MainWindowTest::AddChapterToProject() {
  AudioCell audio;
  audio.AudioFilePath = Tone().string();
  audio.AudioTotalTime = 1;
  audio.AudioSampleRate = 48000;
  VideoCell video;
  video.VideoFilePath = Picture().string();
  context_.Project().AddCells(audio, video, -1);
  context_.Project().SetTitleCellTotalNum(1);
  ASSERT_EQ(context_.Conversion().AddFile(audio.AudioFilePath.c_str(), -1), 1);
}

}  // namespace verosa::testing
