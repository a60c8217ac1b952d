#include "ui/console_ui.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "engine/settings_dialog.h"

namespace carrowell {
namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kBarWidth = 24;

}  // namespace

void InterruptConsoleConversion() noexcept { g_interrupted.store(true); }

ConsoleProgressDisplay::ConsoleProgressDisplay(std::FILE* stream)
    : stream_(stream), terminal_(::isatty(::fileno(stream)) == 1) {
  g_interrupted.store(false);
}

ConsoleProgressDisplay::~ConsoleProgressDisplay() { Close(); }

void ConsoleProgressDisplay::ShowFileText(const std::string& text) {
  if (text == file_text_) return;
  file_text_ = text;
  if (!terminal_ && !closed_) {
    std::fprintf(stream_, "%s\n", text.c_str());
    std::fflush(stream_);
  }
  Draw();
}

void ConsoleProgressDisplay::ShowEstimatedTime(const std::string& text) {
  estimated_ = text;
  Draw();
}

void ConsoleProgressDisplay::ShowPercentage(const std::string& text) {
  if (text == percentage_) return;
  percentage_ = text;
  Draw();
}

void ConsoleProgressDisplay::Draw() {
  if (!terminal_ || closed_ || upper_ <= 0) return;
  const int filled = static_cast<int>(static_cast<long long>(kBarWidth) *
                                      std::min(total_, upper_) / upper_);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
  std::fprintf(stream_, "\r\033[K%s [%s] %s  left %s", file_text_.c_str(), bar.c_str(),
               percentage_.c_str(), estimated_.c_str());
  std::fflush(stream_);
  drawn_ = true;
}

void ConsoleProgressDisplay::ProcessEvents() {
  if (g_interrupted.exchange(false)) AskToAbort();
}

void ConsoleProgressDisplay::Close() {
  if (closed_) return;
  closed_ = true;
  if (drawn_) std::fputc('\n', stream_);
  std::fflush(stream_);
}

std::unique_ptr<ProgressDisplay> ConsoleConversionUi::CreateProgressDisplay() {
  return std::make_unique<ConsoleProgressDisplay>();
}

std::optional<FileSelection> ConsoleConversionUi::BrowseForFiles(const FileBrowseRequest&) {
  return std::nullopt;
}

// No track list on a console: nothing is imported.
std::optional<CdImport> ConsoleConversionUi::ChooseCdTracks(CdRipLibrary*, const std::string&) {
  return std::nullopt;
}

std::optional<std::string> ConsoleConversionUi::ChangeOutputFile(const std::string&) {
  return std::nullopt;
}

int ConsoleConversionUi::EditMp3Settings(Mp3Settings&) { return kDialogCancel; }

void ConsoleConversionUi::OpenFolder(const std::string& folder) {
  std::fprintf(stderr, "%s\n", folder.c_str());
}

}  // namespace carrowell
