// The output job: turns the current project into a DVD-Video folder. It
// checks the folders and the free space, prepares every chapter's audio
// (converting what the authoring cannot take as it is), renders the menu and
// chapter stills into the temporary folder, hands one AuthoringRequest to the
// authoring component and follows its messages to the end.
//
// The job never creates widgets: questions and warnings go through
// platform::MessageBox, progress and status through a core::JobHost (the
// Output page, verosa-cli and the tests drive the same class). Everything
// runs on the caller's (user-interface) thread; the host pumps its event
// queue at every progress update, and the authoring component's messages,
// delivered to the window set with SetWindow, are handed to HandleMessage,
// which translates them for the host:
//
//   WM_USER+1  the current chapter's percent      -> sub-percent
//   WM_USER+6  half the authoring's overall value -> percent of the
//              authoring step (never back)        -> job-wide percent
//   WM_USER+2  status code                         -> status text, the end
//
// The job-wide percent runs through the steps: audio 0-10 %, pictures
// 10-20 %, authoring 20-100 %; the sub-percent is the step's own (during
// the authoring: the chapter's). A conversion in the audio step is a
// sub-job whose batch fills the first part of that step.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "core/job_observer.h"
#include "imaging/still_picture.h"
#include "platform/window.h"
#include "tessaly/tessaly.h"

namespace verosa {

class AppContext;
class ProjectDocument;

enum class OutputType { DvdFolder = 0, DvdBurning = 1 };

enum class OutputOutcome {
  None,       // no job yet, or one still running
  Succeeded,  // the DVD folder is complete
  Failed,     // FailureText() says why
  Cancelled,
};

// The steps of a job, in order.
enum class OutputStep { Audio, Pictures, Authoring };

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

// Capacities of a single- and a dual-layer DVD.
inline constexpr std::int64_t kDvd5Bytes = 2295104LL * 2048;
inline constexpr std::int64_t kDvd9Bytes = 4171712LL * 2048;

// Bytes of the VIDEO_TS folder that `project` gives, at most: its LPCM in
// packs, the navigation packs, a still a chapter, the menu pages and the
// information files.
// (The project's own size estimate counts the audio bytes alone.)
std::int64_t ExpectedDiscBytes(const ProjectDocument& project);

class OutputJob {
 public:
  OutputJob(AppContext& context, core::JobHost& host);
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
  // ConfirmCancel). The job also cancels itself when the host says
  // Cancelled() at a step.
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
  // True when the job has put a box before the user since it was created
  // (a warning, a question): its failure is then known to them.
  bool ToldTheUser() const { return told_; }

  // Burn mode asks whether the selected writer is ready before anything
  // else; without a check the job refuses to start.
  using WriterCheck = std::function<bool()>;
  void SetWriterCheck(WriterCheck check) { writer_ready_ = std::move(check); }

  // The steps, in the order Create runs them.
  bool PrepareDvdFolder();
  // Burn mode: the work folder's DVD folder, emptied; the label from the
  // current project.
  bool PrepareBurnFolder();
  // ExpectedDiscBytes of the current project.
  std::int64_t ExpectedDiscBytes() const;
  bool CheckFreeSpace();
  void CleanTempFolder();
  // The chapter stills to render, in order; rendered one at a time while the
  // conversion workers run (the job's thread waits for them then), and the
  // rest in the picture step, where a worker takes those without lyrics (no
  // text drawing, which wants the job's thread) beside the menus.
  bool PlanPictures();
  // Renders the next still not yet taken (`plain_only`: only one without
  // lyrics); false when none is left or one has failed.
  bool RenderNextPicture(bool plain_only = false);
  // Takes away what a job that ends without a disc wrote into the DVD folder
  // it owns (once a cancelled authoring has stopped), and the folder when
  // the job made it.
  void DropDvdOutput();
  // Why a chapter still failed; empty while none has.
  std::string PictureFailure();
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
  // The menus with buttons the picture step made from the theme's menu
  // picture (null without a theme: the disc gets the generated menu).
  const pennock::DiscMenus* DiscMenus() const { return menus_ ? &menus_->block : nullptr; }
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
  class ConversionHost;

  // The host handles its events; a cancel it reports ends the job.
  void Pump();
  // The display at rest: 0 % and no status (before and after a job).
  void Rest();
  void BeginStep(OutputStep step);
  // The job-wide percent at `step_percent` of the current step; reported
  // only when it grows.
  void ReportJobPercent(int step_percent);
  // A walk of the audio or picture step has come to `step_percent`: the
  // sub-percent, the job-wide percent, and the host's events.
  void ReportStep(int step_percent);
  void Finish(OutputOutcome outcome, const std::string& failure = {});
  void OnStatus(std::int32_t status, std::intptr_t result);
  bool Fail(const std::string& text);
  // The title menu and the song menus of titles with several chapters, drawn
  // on the theme's menu picture into the temporary folder.
  bool RenderDiscMenus(FrameMode mode);
  // Gives every chapter the same sample width and channel count.
  bool UniteAudioFormat(std::vector<std::string>& files);
  std::string Translate(const std::string& text) const;
  int Warn(const std::string& text, unsigned style = 0) const;
  tessaly::TessalyCtrl* Authoring() const;

  AppContext& context_;
  core::JobHost& host_;
  platform::WindowHandle window_ = platform::kNoWindow;
  OutputType type_ = OutputType::DvdFolder;
  std::string data_folder_;
  std::string dvd_folder_;
  // What this job wrote into dvd_folder_ is all it holds: the job made it
  // (made_dvd_folder_) or emptied it; a job that ends without a disc takes
  // it away again.
  bool owns_dvd_folder_ = false;
  bool made_dvd_folder_ = false;
  bool authoring_running_ = false;  // started, and no end status yet
  bool drop_when_authoring_ends_ = false;
  std::string burn_folder_;  // the work folder's DVD folder
  WriterCheck writer_ready_;
  std::string project_label_;
  std::string temp_folder_;
  std::string menu_picture_;
  std::array<std::string, kOutputTitles> title_wavs_;
  std::vector<std::string> chapter_pictures_;  // [t * 100 + c]
  std::vector<std::string> chapter_audio_;     // [t * 100 + c]
  struct PendingPicture {
    std::function<std::string()> render;  // empty, or why the still is not there
    std::string out;
    bool plain = false;  // no lyrics
    bool taken = false;
  };
  std::mutex pictures_mutex_;  // the fields below, while a worker renders
  std::vector<PendingPicture> pictures_;
  std::size_t pictures_done_ = 0;
  std::string picture_failure_;
  bool running_ = false;
  bool aborted_ = false;
  std::int32_t last_status_ = 0;
  OutputStep step_ = OutputStep::Audio;
  int job_percent_ = 0;                 // the job-wide percent reported last
  std::intptr_t overall_position_ = 0;  // highest WM_USER+6 position of the authoring
  OutputOutcome outcome_ = OutputOutcome::None;
  std::string failure_;
  mutable bool told_ = false;
  FreeSpaceQuery free_space_;
  struct MenuData {
    std::deque<std::string> files;  // the pages' pictures (stable addresses)
    std::vector<pennock::MenuPage> title_pages;
    std::array<std::vector<pennock::MenuPage>, kOutputTitles> song_pages;
    pennock::DiscMenus block{};
  };
  std::unique_ptr<MenuData> menus_;
};

// A job result of the authoring component (sent with its failure status) in
// words (tessaly::DecodeJobResult).
std::string AuthoringFailureText(std::intptr_t result);

}  // namespace verosa
