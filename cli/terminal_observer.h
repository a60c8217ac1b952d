// A job's observer on the terminal: the job-wide percent and the status on
// the progress bar of a ProgressDisplay, messages as lines of their own. The
// bar never goes back; a status that clears the line and everything after
// the job has finished (the display of an idle job) are not drawn.
#pragma once

#include <string>

#include "core/job_observer.h"
#include "progress_display.h"

namespace verosa::cli {

class TerminalObserver : public core::JobObserver {
 public:
  explicit TerminalObserver(ProgressDisplay& display) : display_(display) {}

  void Percent(int percent) override;
  void Status(const std::string& text) override;
  void Message(const std::string& text, core::JobMessageKind kind) override;
  void Finished(bool success) override;

 private:
  ProgressDisplay& display_;
  int percent_ = 0;
  bool finished_ = false;
};

}  // namespace verosa::cli
