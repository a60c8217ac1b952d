#include "progress_display.h"

#include <unistd.h>

#include <algorithm>

namespace verosa::cli {

namespace {
constexpr int kBarWidth = 30;
}

ProgressDisplay::ProgressDisplay(std::FILE* out) : out_(out) { tty_ = ::isatty(::fileno(out)) != 0; }

ProgressDisplay::~ProgressDisplay() { End(); }

void ProgressDisplay::SetPercent(int percent) {
  std::lock_guard lock(mutex_);
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  Draw(false);
}

void ProgressDisplay::SetStatus(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (text == status_) return;
  status_ = text;
  Draw(true);
}

void ProgressDisplay::Note(const std::string& line) {
  std::lock_guard lock(mutex_);
  EndLine();
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

void ProgressDisplay::End() {
  std::lock_guard lock(mutex_);
  EndLine();
}

void ProgressDisplay::Draw(bool status_changed) {
  if (!tty_) {
    if (status_changed || percent_ / 10 != logged_ / 10) {
      std::fprintf(out_, "%3d%% %s\n", percent_, status_.c_str());
      std::fflush(out_);
      logged_ = percent_;
    }
    return;
  }
  const auto filled = static_cast<std::size_t>(percent_ * kBarWidth / 100);
  std::fprintf(out_, "\r\033[K[%s%s] %3d%% %s", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), percent_, status_.c_str());
  std::fflush(out_);
  open_line_ = true;
}

void ProgressDisplay::EndLine() {
  if (open_line_) std::fputc('\n', out_);
  open_line_ = false;
}

}  // namespace verosa::cli
