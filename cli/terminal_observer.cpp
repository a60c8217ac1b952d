#include "terminal_observer.h"

#include <algorithm>

namespace verosa::cli {

void TerminalObserver::Percent(int percent) {
  if (finished_ || percent <= percent_) return;
  percent_ = std::min(percent, 100);
  display_.SetPercent(percent_);
}

void TerminalObserver::Status(const std::string& text) {
  if (!finished_ && !text.empty()) display_.SetStatus(text);
}

void TerminalObserver::Message(const std::string& text, core::JobMessageKind) {
  if (!finished_) display_.Note(text);
}

void TerminalObserver::Finished(bool) {
  finished_ = true;
  display_.End();
}

}  // namespace verosa::cli
