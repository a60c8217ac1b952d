// The conversion interface of programs without a window: a progress bar on
// stderr; dialogs that need an answer are cancelled.
#pragma once

#include <cstdio>
#include <string>

#include "ui/conversion_ui.h"

namespace carrowell {

// Asks the running batch to abort, as the Abort button does. Safe to call
// from a signal handler (SIGINT); the batch sees it at its next step.
void InterruptConsoleConversion() noexcept;

// One line on a terminal, redrawn in place: file, bar, percentage, time left.
// On anything else, one line per file.
class ConsoleProgressDisplay : public ProgressDisplay {
 public:
  explicit ConsoleProgressDisplay(std::FILE* stream = stderr);
  ~ConsoleProgressDisplay() override;

  void ShowFileText(const std::string& text) override;
  void SetFileProgress(int) override {}
  void SetTotalRange(int upper) override { upper_ = upper; }
  void SetTotalProgress(int value) override { total_ = value; }
  void ShowEstimatedTime(const std::string& text) override;
  void ShowPercentage(const std::string& text) override;
  void SetAbortEnabled(bool) override {}
  void ProcessEvents() override;
  void Close() override;

 private:
  void Draw();

  std::FILE* stream_;
  bool terminal_;
  bool drawn_ = false;
  bool closed_ = false;
  int upper_ = 0;
  int total_ = 0;
  std::string file_text_;
  std::string estimated_;
  std::string percentage_;
};

class ConsoleConversionUi : public ConversionUi {
 public:
  std::unique_ptr<ProgressDisplay> CreateProgressDisplay() override;
  std::optional<FileSelection> BrowseForFiles(const FileBrowseRequest& request) override;
  std::optional<CdImport> ChooseCdTracks(CdRipLibrary* library, const std::string& directory) override;
  bool RunRecorder(const std::string&) override { return false; }
  std::optional<std::string> ChangeOutputFile(const std::string& destination) override;
  int EditMp3Settings(Mp3Settings& settings) override;
  void OpenFolder(const std::string& folder) override;
  void Beep(BeepKind) override {}
  void SetBusyCursor(bool) override {}
};

}  // namespace carrowell
