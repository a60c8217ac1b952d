// author: a JSON job of WAV files and 24-bit BMP pictures straight into the
// authoring library (libPennock.so), for people who have their material
// ready — what dvdauthor's XML is for them.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "author_job_file.h"
#include "cli_text.h"
#include "commands.h"
#include "job/job_signals.h"
#include "pennock/job_result.h"
#include "pennock/pennock.h"
#include "platform/message_box.h"
#include "platform/module.h"
#include "platform/window.h"
#include "progress_display.h"
#include "terminal_observer.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kAuthorUsage =
    "Usage: verosa-cli author JOB.json\n"
    "\n"
    "Authors a DVD-Video folder from WAV files and 24-bit BMP pictures, one of\n"
    "each per chapter, as a JSON job describes them:\n"
    "\n"
    "  {\"output\": \"disc\", \"aspect\": 43, \"permitted_display\": 0, \"language\": \"en\",\n"
    "   \"menu_command\": 22001,\n"
    "   \"titles\": [{\"post_command\": 23002,\n"
    "               \"chapters\": [{\"picture\": \"one.bmp\", \"audio\": \"one.wav\"}]},\n"
    "              {\"chapters\": [{\"picture\": \"two.bmp\", \"audio\": \"two.wav\"}]}]}\n"
    "\n"
    "  output             folder that receives VIDEO_TS and AUDIO_TS (required)\n"
    "  aspect             43 (4:3, default) or 169 (16:9)\n"
    "  permitted_display  16:9 display modes: 0 pan-scan and letterbox (default),\n"
    "                     1 pan-scan only, 2 letterbox only, 3 not specified\n"
    "  language           audio language, two letters (default \"en\")\n"
    "  menu_command       navigation code of first play and menu (default 22001:\n"
    "                     play title 1)\n"
    "  titles             1..99 titles, each with 1..99 chapters (required)\n"
    "  post_command       navigation code played after the title (default:\n"
    "                     23000 + t + 1, the next title; the last title none);\n"
    "                     0 for none\n"
    "  picture, audio     a 24-bit BMP (720x576 PAL or 720x480 NTSC) and a PCM\n"
    "                     WAV (16/20/24-bit, 48 or 96 kHz) per chapter (required)\n"
    "\n"
    "Navigation codes: tt*100+cc jumps to title tt, chapter cc; 22000+n to\n"
    "title n of the disc; 23000+n to title n of the title set; 30000, 40000,\n"
    "50001..50256, 50501..50756 and 60001..60999 as the authoring library\n"
    "defines them. Relative paths are taken from the job file's folder;\n"
    "unknown keys are refused. Paths may be up to 4095 bytes long.\n"
    "\n"
    "A progress bar goes to stderr; on success the DVD folder is printed.\n"
    "Exit codes: 0 the DVD folder is complete, 1 an invalid job or a failed\n"
    "job (its result code and what it means on stderr), 130 cancelled (Ctrl-C).\n";

constexpr int kExitCancelled = 130;

std::atomic<bool> g_interrupted{false};
void OnInterrupt(int) { g_interrupted.store(true); }

// The functions libPennock.so exports, loaded by name as the program's
// components load it.
struct PennockLibrary {
  bool Load(std::string& error) {
    if (!module.Load("Pennock")) {
      error = module.Error();
      return false;
    }
    author = reinterpret_cast<int (*)(pennock::AuthorParams*)>(module.Symbol("fuAuthor"));
    abort = reinterpret_cast<void (*)()>(module.Symbol("fuAbort"));
    if (author && abort) return true;
    error = module.FileName().string() + " lacks fuAuthor or fuAbort";
    return false;
  }
  platform::Module module;
  int (*author)(pennock::AuthorParams*) = nullptr;
  void (*abort)() = nullptr;
};

// The job's window: the library's messages, told to the job's observer.
class JobWindow final : public platform::QueuedSink {
 public:
  JobWindow(core::JobObserver& observer, int title_count) : observer_(observer), title_count_(title_count) {}

  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    // Half the overall progress; it falls back to 0 at the end of a
    // successful job, which the observer does not follow.
    if (message == pennock::kMsgOverall) observer_.Percent(static_cast<int>(lparam) * 2);
    if (message == pennock::kMsgProgress) observer_.SubPercent(static_cast<int>(lparam));
    if (message == pennock::kMsgStatus) OnStatus(static_cast<std::int32_t>(wparam), lparam);
    return 0;
  }

  bool Finished() const { return finished_; }
  std::int32_t FinalStatus() const { return final_status_; }
  std::intptr_t Result() const { return result_; }

 private:
  void OnStatus(std::int32_t status, std::intptr_t lparam) {
    const std::string title = "title " + std::to_string(titles_done_ + 1) + " of " + std::to_string(title_count_);
    switch (status) {
      case pennock::kStatusJobStarted: observer_.Status("Preparing"); break;
      case pennock::kStatusEncodingPicture:
        // After the last title the picture is the disc menu's.
        observer_.Status(titles_done_ < title_count_ ? "Encoding a chapter picture, " + title
                                                     : std::string("Writing the disc menu"));
        break;
      case pennock::kStatusChapter: observer_.Status("Writing a chapter, " + title); break;
      case pennock::kStatusCopying: observer_.Status("Copying into the VOB files, " + title); break;
      case pennock::kStatusTitleDone:
        ++titles_done_;
        observer_.Status("Title " + std::to_string(titles_done_) + " finished");
        break;
      case pennock::kStatusTempStreamMissing:
        observer_.Message("The temporary stream of " + title + " is missing: its VOB files are not written",
                          core::JobMessageKind::Warning);
        break;
      case pennock::kStatusVmgWriteFailed:
        observer_.Message("VIDEO_TS.IFO or VIDEO_TS.BUP cannot be written", core::JobMessageKind::Warning);
        break;
      case pennock::kStatusAborted: observer_.Status("Cancelling"); break;
      case pennock::kStatusSucceeded:
      case pennock::kStatusFailed: {
        const bool success = status == pennock::kStatusSucceeded;
        if (success) observer_.Percent(100);
        observer_.Status(success ? "Finished" : "Failed");
        finished_ = true;
        final_status_ = status;
        result_ = lparam;
        observer_.Finished(success);
        break;
      }
      default: break;
    }
  }

  core::JobObserver& observer_;
  const int title_count_;
  int titles_done_ = 0;
  bool finished_ = false;
  std::int32_t final_status_ = 0;
  std::intptr_t result_ = 0;
};

// What a job result of status 9000 means, naming the file where there is one.
std::string ExplainResult(std::intptr_t code, const AuthorJob& job) {
  const pennock::JobResult result = pennock::DecodeJobResult(code);
  auto chapter = [&]() -> const AuthorJobChapter* {
    if (result.title < 1 || result.title > static_cast<int>(job.titles.size())) return nullptr;
    const auto& chapters = job.titles[static_cast<std::size_t>(result.title - 1)].chapters;
    if (result.chapter < 1 || result.chapter > static_cast<int>(chapters.size())) return nullptr;
    return &chapters[static_cast<std::size_t>(result.chapter - 1)];
  };
  const std::string where = Tr("title %s, chapter %s", {std::to_string(result.title), std::to_string(result.chapter)});
  switch (result.kind) {
    using enum pennock::JobResultKind;
    case OutOfMemory: return Tr("the work buffers cannot be allocated (out of memory)");
    case WriteFailed: return Tr("a VOB or information file cannot be written (is the disk full?)");
    case BuilderFailed: return Tr("the information file builder cannot be allocated (out of memory)");
    case TempStreamMissing: return Tr("a title's temporary stream cannot be reopened");
    case MenuWriteFailed: return Tr("VIDEO_TS.IFO or VIDEO_TS.BUP cannot be written");
    case MenuPictureUnusable: return Tr("a disc menu picture cannot be encoded");
    case Cancelled:
      return result.title == 0 ? Tr("cancelled while the titles were recorded")
                               : Tr("cancelled while title %s was written", {std::to_string(result.title)});
    case PictureUnusable:
      if (const AuthorJobChapter* c = chapter())
        return Tr("the picture of %s cannot be encoded (it must be a 24-bit BMP of 720x576 or 720x480): %s",
                  {where, c->picture.string()});
      break;
    case AudioUnusable:
      if (const AuthorJobChapter* c = chapter())
        return Tr("the audio file of %s cannot be used (missing, unreadable, or not a 16/20/24-bit PCM WAV at "
                  "48 or 96 kHz): %s",
                  {where, c->audio.string()});
      break;
    case FoldersNotPrepared:
    case Unknown: break;
  }
  return Tr("unknown job result");
}

int Author(const fs::path& file) {
  std::string error;
  const std::optional<AuthorJob> job = ReadAuthorJob(file, error);
  if (!job) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n"), error.c_str());
    return kExitFailure;
  }
  PennockLibrary library;
  if (!library.Load(error)) {
    std::fprintf(stderr, Tr("verosa-cli: cannot load the authoring library: %s\n"), error.c_str());
    return kExitFailure;
  }
  const pennock::AuthorParamsPtr params = pennock::NewAuthorParams();
  if (!params) {
    std::fprintf(stderr, Tr("verosa-cli: out of memory for the authoring parameters\n"));
    return kExitFailure;
  }

  ProgressDisplay display;
  TerminalObserver observer(display);
  // Picture problems come as message boxes from the library's worker.
  const platform::MessageBoxHandler previous = platform::SetMessageBoxHandler(
      [&display](platform::WindowHandle, const std::string& text, const std::string& caption, unsigned style) {
        display.Note(caption + ": " + text);
        return platform::DefaultButton(style);
      });
  JobWindow window(observer, static_cast<int>(job->titles.size()));
  const platform::WindowHandle handle = platform::RegisterWindow(&window);
  struct Restore {
    platform::WindowHandle handle;
    platform::MessageBoxHandler handler;
    ~Restore() {
      platform::UnregisterWindow(handle);
      platform::SetMessageBoxHandler(handler);
    }
  } restore{handle, previous};

  FillAuthorParams(*job, handle, *params);
  g_interrupted.store(false);
  const auto old_handler = std::signal(SIGINT, OnInterrupt);
  struct RestoreSignal {
    void (*handler)(int);
    ~RestoreSignal() { std::signal(SIGINT, handler); }
  } restore_signal{old_handler};

  if (library.author(params.get()) != 0) {
    std::fprintf(stderr,
                 "verosa-cli: cannot prepare %s: VIDEO_TS or AUDIO_TS cannot be made there, or a file of an "
                 "earlier disc in VIDEO_TS cannot be deleted\n",
                 job->output.string().c_str());
    return kExitFailure;
  }
  bool cancelled = false;
  while (!window.Finished()) {
    window.WaitAndProcess(100);
    if (g_interrupted.exchange(false) && !cancelled) {
      cancelled = true;
      observer.Message("Cancelling ...", core::JobMessageKind::Info);
      library.abort();
    }
  }

  if (window.FinalStatus() == pennock::kStatusSucceeded) {
    std::printf(Tr("DVD folder: %s\n"), job->output.string().c_str());
    return kExitOk;
  }
  if (cancelled) {
    std::fprintf(stderr, Tr("verosa-cli: cancelled (job result %ld)\n"), static_cast<long>(window.Result()));
    return kExitCancelled;
  }
  std::fprintf(stderr, Tr("verosa-cli: authoring failed with job result %ld: %s\n"), static_cast<long>(window.Result()),
               ExplainResult(window.Result(), *job).c_str());
  return kExitFailure;
}

}  // namespace

int RunAuthor(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kAuthorUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {}, {});
  if (!args.Ok() || args.Positionals().size() != 1) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"), Tr(args.Ok() ? "author takes one job file" : args.Error().c_str()),
                 Tr(kAuthorUsage));
    return kExitFailure;
  }
  return Author(args.Positionals()[0]);
}

}  // namespace verosa::cli
