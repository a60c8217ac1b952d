// The four exported functions and the library's process-wide job state.
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "job/author_job.h"
#include "pennock/pennock.h"

namespace {

std::atomic<std::int32_t> g_status{0};
std::atomic<std::int32_t> g_progress{0};
std::atomic<std::int32_t> g_abort{0};
std::atomic<bool> g_running{false};
std::mutex g_thread_mutex;
std::optional<pennock::MenuSet> g_menus;  // of the running job

// The worker thread; a job still running when the library goes away is
// asked to stop and waited for.
struct WorkerThread {
  std::thread thread;
  ~WorkerThread() {
    if (!thread.joinable()) return;
    if (g_running.load()) g_abort.store(1);
    thread.join();
  }
} g_worker;

void Worker(pennock::AuthorParams* params) {
  const pennock::JobSignals signals{params->window, &g_status, &g_abort};
  const int result = pennock::RunAuthorJob(*params, signals, g_progress, g_menus ? &*g_menus : nullptr);
  const bool failed = result != 0 || signals.Aborted();
  // A job that ends without a disc leaves none of it behind.
  if (failed) pennock::DeleteDiscFiles(std::filesystem::path(params->output_folder) / "VIDEO_TS");
  if (!failed) {
    signals.Send(pennock::kMsgProgress, 0, 0);
    signals.Send(pennock::kMsgOverall, 0, 0);
    g_progress.store(0);
  }
  const std::int32_t status = failed ? pennock::kStatusFailed : pennock::kStatusSucceeded;
  g_status.store(status);
  // The job has ended: a cancelled job must not cancel the next one, and the
  // receiver of the final status may start the next job at once.
  g_abort.store(0);
  g_running.store(false);
  signals.Send(pennock::kMsgStatus, static_cast<std::uintptr_t>(status), failed ? result : 0);
}

}  // namespace

namespace {

int StartJob(pennock::AuthorParams* params, const pennock::DiscMenus* menus) {
  if (!params || params->title_count == 0 || params->title_count > pennock::kMaxTitles) return -1;
  for (int t = 1; t <= params->title_count; ++t)
    if (params->chapter_count[t] == 0 || params->chapter_count[t] > pennock::kMaxChapters) return -1;
  std::optional<pennock::MenuSet> copied;
  if (menus) {
    copied = pennock::CopyMenus(*menus, *params);
    if (!copied) return -1;
  }
  std::lock_guard lock(g_thread_mutex);
  if (g_running.load()) return -1;  // one job at a time
  // A finished worker may still be returning from its last message.
  if (g_worker.thread.joinable()) g_worker.thread.detach();
  params->output_folder[pennock::kPathSize - 1] = '\0';
  if (pennock::PrepareOutputFolders(params->output_folder) != 0) return -1;
  g_menus = std::move(copied);
  g_running.store(true);
  g_status.store(pennock::kStatusJobStarted);  // no longer the end of the last job
  g_worker.thread = std::thread(Worker, params);
  return 0;
}

}  // namespace

extern "C" int fuAuthor(pennock::AuthorParams* params) { return StartJob(params, nullptr); }

extern "C" int fuAuthorWithMenus(pennock::AuthorParams* params, const pennock::DiscMenus* menus) {
  return menus ? StartJob(params, menus) : -1;
}

extern "C" int fuStatus(void) { return g_status.load(); }

extern "C" int fuProgress(void) { return g_progress.load(); }

extern "C" void fuAbort(void) { g_abort.store(1); }
