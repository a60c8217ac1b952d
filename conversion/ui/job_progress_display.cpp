#include "ui/job_progress_display.h"

#include <algorithm>

namespace carrowell {

void JobProgressDisplay::SetFileProgress(int value) {
  const int percent = std::clamp(value, 0, 1000) / 10;
  if (percent == file_percent_) return;
  file_percent_ = percent;
  host_.SubPercent(percent);
}

void JobProgressDisplay::SetTotalProgress(int value) {
  if (upper_ <= 0) return;
  const int percent = static_cast<int>(std::clamp(static_cast<long long>(value) * 100 / upper_, 0LL, 100LL));
  if (percent == percent_) return;
  percent_ = percent;
  host_.Percent(percent);
}

void JobProgressDisplay::ProcessEvents() {
  host_.ProcessEvents();
  if (host_.Cancelled()) AskToAbort();
}

}  // namespace carrowell
