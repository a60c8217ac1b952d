// A progress bar with a status text on stderr. On a terminal it is one line
// redrawn in place; in a log (not a terminal) it writes one line per status
// change and per tenth of the way. Safe to call from several threads.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace verosa::cli {

class ProgressDisplay {
 public:
  explicit ProgressDisplay(std::FILE* out = stderr);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // 0..100; values outside are clamped.
  void SetPercent(int percent);
  void SetStatus(const std::string& text);
  // A line of its own (a warning, a message box), below the bar.
  void Note(const std::string& line);
  // Leaves the bar where it is and moves to a fresh line.
  void End();

 private:
  void Draw(bool status_changed);
  void EndLine();

  std::mutex mutex_;
  std::FILE* out_;
  bool tty_ = false;
  bool open_line_ = false;
  int percent_ = 0;
  int logged_ = -100;
  std::string status_;
};

}  // namespace verosa::cli
