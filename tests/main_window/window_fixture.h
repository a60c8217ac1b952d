// A main window over a freshly initialised AppContext of an isolated user,
// with the file dialogs answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/app_context.h"
#include "support/test_support.h"
#include "ui/main/verosa_dlg.h"

namespace verosa::testing {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a project with `chapters` one-second chapters (48 kHz WAV and a
  // picture each) in title 1 at `path`.
  void WriteProject(const std::filesystem::path& path, int chapters, int sample_rate = 48000);
  // Adds one chapter to the current project and the conversion control.
  void AddChapterToProject();

  // The preview plays into SDL's silent driver.
  testing_support::ScopedEnv audio_{"SDL_AUDIODRIVER", "dummy"};
  testing_support::IsolatedUser user_;
  testing_support::ScratchDir dir_;
  AppContext context_;
  std::unique_ptr<VerosaDlg> window_;
  // What the next file dialog answers (empty: cancelled), and what was asked.
  QString answer_;
  std::vector<VerosaDlg::FileDialogRequest> requests_;

 private:
  std::filesystem::path Tone();
  std::filesystem::path Picture();
};

}  // namespace verosa::testing
