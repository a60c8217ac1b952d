// The progress "window" of a batch that runs as a step of the caller's job:
// no window at all, the batch reports to the job's host instead. The batch
// bar becomes the percent, the current file's bar the sub-percent, the file
// text the status; the host's cancel aborts the batch.
#pragma once

#include <string>

#include "core/job_observer.h"
#include "ui/conversion_ui.h"

namespace carrowell {

class JobProgressDisplay : public ProgressDisplay {
 public:
  explicit JobProgressDisplay(core::JobHost& host) : host_(host) {}

  void ShowFileText(const std::string& text) override { host_.Status(text); }
  // The current file's bar, 0..1000.
  void SetFileProgress(int value) override;
  void SetTotalRange(int upper) override { upper_ = upper; }
  void SetTotalProgress(int value) override;
  void ShowEstimatedTime(const std::string&) override {}
  void ShowPercentage(const std::string&) override {}
  void SetAbortEnabled(bool) override {}
  // Pumps the host's events; a cancel seen there asks the batch to abort.
  void ProcessEvents() override;
  void Close() override {}

 private:
  core::JobHost& host_;
  int upper_ = 0;
  int file_percent_ = -1;
  int percent_ = -1;
};

}  // namespace carrowell
