// The output job: turns the current project into a DVD-Video folder. It
// checks the folders and the free space, prepares every chapter's audio
// (converting what the authoring cannot take as it is), renders the menu and
// chapter stills into the temporary folder, hands one AuthoringRequest to the
// authoring component and follows its messages to the end.
//
// The job never creates widgets: questions and warnings go through
// platform::MessageBox, progress and status through an OutputJobHost. The
// Output page and verosa-cli drive the same class. Everything runs on the
// caller's (user-interface) thread; the host pumps its event queue at every
// progress update, and the authoring component's messages, delivered to the
// window set with SetWindow, are handed to HandleMessage.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"
#include "tessaly/tessaly.h"

namespace verosa {

class AppContext;

enum class OutputType { DvdFolder = 0, DvdBurning = 1 };

enum class OutputOutcome {
  None,       // no job yet, or one still running
  Succeeded,  // the DVD folder is complete
  Failed,     // FailureText() says why
  Cancelled,
};

// The steps of a job, in order; each shows its progress from 0 to 100.
enum class OutputStep { Audio, Pictures, Authoring };

class OutputJobHost {
 public:
  virtual ~OutputJobHost() = default;
  // A step begins; a host that shows one bar for the whole job scales by it.
  virtual void StepStarted(OutputStep step) { (void)step; }
  // The progress bar in percent of its range (the job's own steps).
  virtual void ShowProgress(int percent) = 0;
  // A position the authoring component sent with `message` (WM_USER+1:
  // the current chapter, WM_USER+6: half the overall progress). The overall
  // position never goes back during a job; a job that completes shows 100 %
  // with ShowProgress before it ends, and the bar is set back to 0 only
  // after JobEnded.
  virtual void ShowPosition(std::uint32_t message, int position) = 0;
  virtual void ShowStatus(const std::string& text) = 0;
  // Handles the events waiting in the thread's queue.
  virtual void ProcessEvents() = 0;
  // The job is idle again.
  virtual void JobEnded(OutputOutcome outcome) { (void)outcome; }
};

// Compact title numbering: titles without chapters are skipped. Feed the
// stored TitleIndex of every chapter in document order.
class TitlePlacement {
 public:
  struct Slot {
    int title = 0;    // compact, from 0
    int chapter = 0;  // from 0
  };
  Slot Place(int title_index);

 private:
  int next_ = 0;      // i: the next title index expected
  int chapter_ = 0;   // k
  int gap_ = 0;       // g: empty titles skipped so far
};

inline constexpr int kOutputTitles = 100;
inline constexpr int kOutputChapters = 100;

class OutputJob {
 public:
  OutputJob(AppContext& context, OutputJobHost& host);
  ~OutputJob();
  OutputJob(const OutputJob&) = delete;
  OutputJob& operator=(const OutputJob&) = delete;

  // Page initialisation: the DVD and temporary folders under the work
  // folder (created), the temporary file names, the data folder from the
  // settings.
  void Initialize();
  // The window that receives the authoring component's messages.
  void SetWindow(platform::WindowHandle window) { window_ = window; }

  OutputType Type() const { return type_; }
  void SetType(OutputType type) { type_ = type; }
  const std::string& DataFolderText() const { return data_folder_; }
  void SetDataFolderText(const std::string& folder) { data_folder_ = folder; }

  // Runs the job up to the hand-over to the authoring component. False when
  // it was refused or failed before (Outcome() tells which); true when the
  // component took it, and the job goes on through HandleMessage.
  bool Create();
  // Cancels the running job without asking (the page asks first with
  // ConfirmCancel).
  void Cancel();
  // "Are you sure you want to cancel output?"; true on OK.
  static bool ConfirmCancel(platform::WindowHandle owner);
  // The authoring component's messages; false for any other message.
  bool HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  // Deletes the title WAV files and chapter pictures of the last job.
  void DeleteTemporaryFiles();

  bool IsRunning() const { return running_; }
  bool Aborted() const { return aborted_; }
  OutputOutcome Outcome() const { return outcome_; }
  const std::string& FailureText() const { return failure_; }

  // The steps, in the order Create runs them.
  bool PrepareDvdFolder();
  bool CheckFreeSpace();
  void CleanTempFolder();
  bool RunAudioStep();
  bool RunPictureStep();
  bool StartAuthoring();

  // True when chapter `index` must be converted before authoring: its
  // sample rate differs from the project's, or its file is not a 16- or
  // 24-bit PCM WAV at the project's rate.
  bool NeedsConversion(int index) const;

  const std::string& DvdFolderPath() const { return dvd_folder_; }
  const std::string& TempFolderPath() const { return temp_folder_; }
  const std::string& MenuPicturePath() const { return menu_picture_; }
  const std::string& ProjectLabel() const { return project_label_; }
  const std::string& ChapterAudioPath(int title, int chapter) const;
  const std::string& ChapterPicturePath(int title, int chapter) const;
  const std::string& TitleWavPath(int title) const;
  // The block StartAuthoring hands over, built from the placed chapters.
  void BuildRequest(tessaly::AuthoringRequest& request) const;

  // Free space in MB of the volume holding a folder (tests replace it).
  using FreeSpaceQuery = std::function<int(const std::filesystem::path&)>;
  void SetFreeSpaceQuery(FreeSpaceQuery query) { free_space_ = std::move(query); }

 private:
  void Progress(int percent);
  void Finish(OutputOutcome outcome, const std::string& failure = {});
  void OnStatus(std::int32_t status, std::intptr_t result);
  bool Fail(const std::string& text);
  // Gives every chapter the same sample width and channel count.
  bool UniteAudioFormat(std::vector<std::string>& files);
  std::string Translate(const std::string& text) const;
  int Warn(const std::string& text, unsigned style = 0) const;
  tessaly::TessalyCtrl* Authoring() const;

  AppContext& context_;
  OutputJobHost& host_;
  platform::WindowHandle window_ = platform::kNoWindow;
  OutputType type_ = OutputType::DvdFolder;
  std::string data_folder_;
  std::string dvd_folder_;
  std::string project_label_;
  std::string temp_folder_;
  std::string menu_picture_;
  std::array<std::string, kOutputTitles> title_wavs_;
  std::vector<std::string> chapter_pictures_;  // [t * 100 + c]
  std::vector<std::string> chapter_audio_;     // [t * 100 + c]
  bool running_ = false;
  bool aborted_ = false;
  std::int32_t last_status_ = 0;
  std::intptr_t overall_position_ = 0;  // highest WM_USER+6 position of the authoring
  OutputOutcome outcome_ = OutputOutcome::None;
  std::string failure_;
  FreeSpaceQuery free_space_;
};

// A job result of the authoring component (sent with its failure status) in
// words.
std::string AuthoringFailureText(std::intptr_t result);

}  // namespace verosa
