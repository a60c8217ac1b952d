// make and demo: the output job in DVD-folder mode, driven from the terminal.
#include <QCoreApplication>
#include <QGuiApplication>
#include <stdlib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "carrowell/conversion_source_list.h"
#include "cli_text.h"
#include "commands.h"
#include "output/output_job.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "project/chapter_editing.h"
#include "project/chapter_tree.h"
#include "shell/app_context.h"
#include "shell/theme_pictures.h"
#include "terminal_observer.h"

namespace verosa::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kMakeUsage =
    "Usage: verosa-cli make PROJECT.mdp [--out DIR | --iso OUT.iso | --burn D [--erase]]\n"
    "                                   [--work DIR] [--start menu|play] [--force]\n"
    "       verosa-cli demo OUTDIR [--work DIR]\n"
    "\n"
    "make: authors the project into a DVD-Video folder named after the project\n"
    "inside DIR (default: the DVD data folder of the settings).\n"
    "  --out DIR      folder that receives the project's DVD folder\n"
    "  --iso OUT.iso  write a disc image instead: the DVD folder is authored into\n"
    "                 the work folder, imaged (labelled with the project's name)\n"
    "                 and removed\n"
    "  --burn D       burn a disc instead: the DVD folder is authored into the\n"
    "                 work folder, burned onto the disc in drive D (an index, name\n"
    "                 or address from 'verosa-cli drives', labelled with the\n"
    "                 project's name) and removed; see 'verosa-cli burn --help'\n"
    "  --erase        with --burn: erase a disc that holds data first\n"
    "  --work DIR     work folder for the temporary files (default: the settings')\n"
    "  --start menu|play\n"
    "                 what the disc does when it is put in: show the title menu,\n"
    "                 or play title 1 (default: the project's choice; play when\n"
    "                 it has none)\n"
    "  --force        replace an existing DVD folder (or OUT.iso) of the same name\n"
    "demo: the same for the bundled demo project, always replacing.\n"
    "\n"
    "Exit codes: 0 the DVD folder (or image, or disc) is complete, 1 failure or\n"
    "refusal, 2 invalid project file, 130 cancelled.\n";

constexpr int kExitCancelled = 130;

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted.store(true); }

bool IsIdleStatus(std::int32_t status) {
  return status == 0 || status == tessaly::kStatusComplete || status == tessaly::kStatusFailed;
}

// The job's host on the terminal (progress bar and status line on stderr),
// and the window that receives the authoring component's messages. Ctrl-C
// cancels the job.
class TerminalHost final : public core::JobHost, public platform::QueuedSink {
 public:
  explicit TerminalHost(OutputJob*& job) : job_(job) {}

  void Percent(int percent) override { terminal_.Percent(percent); }
  void Status(const std::string& text) override { terminal_.Status(text); }
  void Message(const std::string& text, core::JobMessageKind kind) override { terminal_.Message(text, kind); }
  void Finished(bool success) override { terminal_.Finished(success); }
  void ProcessEvents() override {
    ProcessPending();
    if (g_interrupted.exchange(false) && !cancelled_ && job_ && job_->IsRunning()) {
      cancelled_ = true;
      display_.Note("Cancelling ...");
    }
  }
  bool Cancelled() const override { return cancelled_; }

  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    return job_ && job_->HandleMessage(message, wparam, lparam) ? 1 : 0;
  }

 private:
  OutputJob*& job_;
  ProgressDisplay display_;
  TerminalObserver terminal_{display_};
  bool cancelled_ = false;
};

// Message boxes become lines on stderr; questions are answered by --force.
platform::MessageBoxHandler TerminalMessageBoxes(bool force) {
  return [force](platform::WindowHandle, const std::string& text, const std::string& caption,
                 unsigned style) -> int {
    const unsigned type = style & platform::kMbTypeMask;
    std::fprintf(stderr, Tr("\n%s: %s\n"), caption.c_str(), text.c_str());
    if (type == platform::kMbYesNo || type == platform::kMbYesNoCancel) {
      if (!force) std::fprintf(stderr, Tr("(answered No; use --force to answer Yes)\n"));
      return force ? platform::kIdYes : platform::kIdNo;
    }
    return platform::DefaultButton(style);
  };
}

struct MakeOptions {
  fs::path project;
  std::optional<std::string> out;
  std::optional<std::string> work;
  std::optional<std::string> iso;
  std::optional<std::string> burn;
  std::optional<int> start_with_menu;
  bool erase = false;
  bool force = false;
};

int MakeDisc(const MakeOptions& options) {
  const std::unique_ptr<QGuiApplication> app = EnsureGuiApplication();
  const platform::MessageBoxHandler previous = platform::SetMessageBoxHandler(TerminalMessageBoxes(options.force));
  struct RestoreHandler {
    platform::MessageBoxHandler handler;
    ~RestoreHandler() { platform::SetMessageBoxHandler(handler); }
  } restore{previous};

  AppContext context;
  if (!StartContext(context)) return kExitFailure;
  SettingsStore& settings = context.Settings();
  if (options.work) {
    std::error_code ec;
    const std::string work = fs::absolute(*options.work, ec).string();
    settings.SetWorkPath(work);
    if (!CreateWorkFolders(work)) {
      std::fprintf(stderr, Tr("verosa-cli: cannot create the work folder %s\n"), work.c_str());
      return kExitFailure;
    }
    context.Conversion().SetOutputFolder(work.c_str());
  }

  ProjectDocument& project = context.Project();
  OpenReport report;
  if (!project.OpenProject(options.project, &report)) {
    std::fprintf(stderr, Tr("Invalid project file: %s\n"), options.project.string().c_str());
    return kExitBadProject;
  }
  if (options.start_with_menu) project.Header().StartWithMenu = *options.start_with_menu;
  // A chapter whose file is gone is refused: the disc would silently lack it.
  if (!report.dropped.empty()) {
    for (const DroppedChapter& d : report.dropped) {
      const char* what = d.reason == DroppedChapter::Reason::MissingAudio ? "audio file" : "background picture";
      if (d.path.empty())
        std::fprintf(stderr, Tr("verosa-cli: chapter %d: no %s named\n"), d.index + 1, what);
      else
        std::fprintf(stderr, Tr("verosa-cli: chapter %d: %s not found: %s\n"), d.index + 1, what, d.path.c_str());
    }
    return kExitFailure;
  }
  // Announced chapters that name no file hold nothing to lose.
  if (report.empty_cells > 0)
    std::fprintf(stderr, Tr("verosa-cli: warning: %s announces %d empty chapter%s (no files named); skipped\n"),
                 options.project.string().c_str(), report.empty_cells, report.empty_cells == 1 ? "" : "s");
  // The control converts to the disc's rate; its items are the chapters' sources.
  context.Conversion().SetSampleRate(project.Header().AudioSampleRate);
  ChapterTree tree(project);
  carrowell::ConversionSourceList sources(context.Conversion());
  const RebuildResult rebuilt = RebuildChapterTree(project, tree, sources);
  if (!rebuilt.all_added) {
    for (const std::string& path : rebuilt.refused)
      std::fprintf(stderr, Tr("verosa-cli: chapter refused: %s\n"), path.c_str());
    return kExitFailure;
  }
  if (project.CellCount() == 0) {
    std::fprintf(stderr, Tr("verosa-cli: %s has no chapter\n"), options.project.string().c_str());
    return kExitFailure;
  }
  UseThemeAt(context, project.Header().ThemeIndex);

  OutputJob* job_slot = nullptr;
  TerminalHost host(job_slot);
  const platform::WindowHandle window = platform::RegisterWindow(&host);
  struct Unregister {
    platform::WindowHandle window;
    ~Unregister() { platform::UnregisterWindow(window); }
  } unregister{window};

  OutputJob job(context, host);
  job_slot = &job;
  job.Initialize();
  job.SetWindow(window);
  if (options.out) {
    std::error_code ec;
    job.SetDataFolderText(fs::absolute(*options.out, ec).lexically_normal().string());
  }
  // For an image or a disc the DVD folder is authored into a folder of its
  // own under the work folder, removed whatever happens.
  struct RemoveFolder {
    fs::path folder;
    ~RemoveFolder() {
      std::error_code ec;
      if (!folder.empty()) fs::remove_all(folder, ec);
    }
  } image_folder;
  if (options.iso || options.burn) {
    std::string temp = (fs::path(settings.WorkPath()) / "image.XXXXXX").string();
    if (!::mkdtemp(temp.data())) {
      std::fprintf(stderr, Tr("verosa-cli: cannot create a folder in the work folder %s: %s\n"),
                   settings.WorkPath().c_str(), std::strerror(errno));
      return kExitFailure;
    }
    image_folder.folder = temp;
    job.SetDataFolderText(temp);
  }

  g_interrupted.store(false);
  auto old_handler = std::signal(SIGINT, OnInterrupt);
  job.Create();
  while (job.IsRunning()) {
    host.WaitAndProcess(100);
    host.ProcessEvents();
    if (host.Cancelled() && job.IsRunning()) job.Cancel();
  }
  // A cancelled authoring still reports its end to this window.
  if (tessaly::TessalyCtrl* authoring = context.Authoring().Ctrl())
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         !IsIdleStatus(authoring->LastStatus()) && std::chrono::steady_clock::now() < deadline;)
      host.WaitAndProcess(100);
  std::signal(SIGINT, old_handler);
  job_slot = nullptr;
  context.Shutdown(false);

  switch (job.Outcome()) {
    case OutputOutcome::Succeeded:
      if (options.iso) return WriteDiscImage(job.DvdFolderPath(), *options.iso, job.ProjectLabel(), options.force);
      if (options.burn) return BurnDvdFolder(job.DvdFolderPath(), *options.burn, job.ProjectLabel(), options.erase);
      std::printf(Tr("DVD folder: %s\n"), job.DvdFolderPath().c_str());
      return kExitOk;
    case OutputOutcome::Cancelled:
      std::fprintf(stderr, Tr("verosa-cli: cancelled\n"));
      return kExitCancelled;
    default:
      std::fprintf(stderr, Tr("verosa-cli: no DVD folder made: %s\n"),
                   job.FailureText().empty() ? "unknown failure" : job.FailureText().c_str());
      return kExitFailure;
  }
}

}  // namespace

int RunMake(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kMakeUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--out", "--work", "--iso", "--burn", "--start"}, {"--force", "--erase"});
  const int targets = args.Has("--out") + args.Has("--iso") + args.Has("--burn");
  if (!args.Ok() || args.Positionals().size() != 1 || targets > 1 || (args.Has("--erase") && !args.Has("--burn"))) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"),
                 Tr(!args.Ok()                       ? args.Error().c_str()
                    : args.Positionals().size() != 1 ? "make takes one project file"
                    : targets > 1                    ? "--out, --iso and --burn exclude each other"
                                                     : "--erase goes with --burn"),
                 Tr(kMakeUsage));
    return kExitFailure;
  }
  MakeOptions options;
  options.project = args.Positionals()[0];
  options.out = args.Value("--out");
  options.work = args.Value("--work");
  options.iso = args.Value("--iso");
  options.burn = args.Value("--burn");
  options.erase = args.Has("--erase");
  options.force = args.Has("--force");
  if (const auto start = args.Value("--start")) {
    if (*start != "menu" && *start != "play") {
      std::fprintf(stderr, Tr("verosa-cli: --start takes menu or play, not %s\n\n%s"), start->c_str(), Tr(kMakeUsage));
      return kExitFailure;
    }
    options.start_with_menu = *start == "menu" ? 1 : 0;
  }
  // An image that would not be written is refused before the authoring.
  std::error_code ec;
  if (options.iso && fs::exists(*options.iso, ec) && !options.force) {
    std::fprintf(stderr, Tr("verosa-cli: %s exists; use --force to replace it\n"), options.iso->c_str());
    return kExitFailure;
  }
  if (options.burn && !CheckBurnDevice(*options.burn)) return kExitFailure;
  return MakeDisc(options);
}

int RunDemo(const std::vector<std::string>& raw) {
  if (WantsHelp(raw)) {
    std::fputs(Tr(kMakeUsage), stdout);
    return kExitOk;
  }
  const Arguments args(raw, {"--work"}, {});
  if (!args.Ok() || args.Positionals().size() != 1) {
    std::fprintf(stderr, Tr("verosa-cli: %s\n\n%s"),
                 Tr(args.Ok() ? "demo takes one output folder" : args.Error().c_str()), Tr(kMakeUsage));
    return kExitFailure;
  }
  MakeOptions options;
  options.project = platform::DataFolder() / "demo" / "demo.mdp";
  options.out = args.Positionals()[0];
  options.work = args.Value("--work");
  options.force = true;
  return MakeDisc(options);
}

}  // namespace verosa::cli
