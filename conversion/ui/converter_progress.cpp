#include "ui/converter_progress.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/message_box.h"
#include "ui/ui_text.h"

namespace carrowell {
namespace {

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string FileNamePart(const char* path) {
  const std::string text = path ? path : "";
  const auto slash = text.find_last_of('/');
  return slash == std::string::npos ? text : text.substr(slash + 1);
}

}  // namespace

std::string FormatRemainingTime(double seconds) {
  // Clamped so the fields stay within int; nobody waits a million hours.
  const long long whole =
      std::isfinite(seconds) ? static_cast<long long>(std::clamp(seconds, 0.0, 3.6e9)) : 0;
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(whole / 3600),
                static_cast<int>(whole / 60 % 60), static_cast<int>(whole % 60));
  return text;
}

std::string FormatPercentage(double percent) {
  // Always a point: the program may run under a locale with a decimal comma.
  char text[48];
  const auto end = std::to_chars(text, text + sizeof text - 3, percent, std::chars_format::fixed, 2);
  if (end.ec != std::errc()) return "0.00 %";
  std::memcpy(end.ptr, " %", 3);
  return text;
}

ConverterProgress::ConverterProgress(std::unique_ptr<ProgressDisplay> display, Clock clock)
    : display_(std::move(display)), clock_(clock ? std::move(clock) : Clock(SteadySeconds)) {
  display_->SetAbortHandler([this] { return RequestAbort(); });
  estimated_text_ = percentage_text_ = UiTextStd(kUnknownText);
  display_->SetFileProgress(0);
  display_->SetTotalProgress(0);
  display_->ShowEstimatedTime(estimated_text_);
  display_->ShowPercentage(percentage_text_);
  display_->SetAbortEnabled(true);
}

ConverterProgress::~ConverterProgress() {
  if (converting_) Finish();
  display_->SetAbortHandler({});
}

void ConverterProgress::SetItemCount(int count) {
  total_upper_ = std::max(count, 0) * 100;
  display_->SetTotalRange(total_upper_);
}

void ConverterProgress::SetFinishedCount(int count) { finished_ = count; }

void ConverterProgress::Finish() {
  converting_ = false;
  display_->SetAbortEnabled(false);
  display_->Close();
}

bool ConverterProgress::RequestAbort() {
  if (!converting_) return true;
  if (!aborted_ &&
      (question_ == AbortQuestion::DontAsk ||
       platform::MessageBox(platform::kNoWindow, UiTextStd(kAbortQuestion), "Verosa",
                            platform::kMbYesNo | platform::kMbIconWarning) == platform::kIdYes))
    aborted_ = true;
  return false;
}

void ConverterProgress::SetCurrentFile(const char* path) {
  file_text_ = UiTextStd(kConvertingText) + "  " + FileNamePart(path);
  display_->ShowFileText(file_text_);
}

void ConverterProgress::SetCurrentFileName(const char* path) { SetCurrentFile(path); }

int ConverterProgress::SetDecodeRange(std::int64_t low, std::int64_t high) {
  if (high < low) return 0;
  decode_span_ = static_cast<double>(high - low);
  return 1;
}

int ConverterProgress::SetEncodeRange(std::int64_t low, std::int64_t high) {
  if (high < low) return 0;
  encode_span_ = static_cast<double>(high - low);
  return 1;
}

int ConverterProgress::SetDecodePosition(std::int64_t position) {
  const double part = decode_span_ > 0 ? static_cast<double>(position) / decode_span_ : 0.0;
  ShowCurrent(part * 500);
  return 1;
}

int ConverterProgress::SetEncodePosition(std::int64_t position) {
  const double part = encode_span_ > 0 ? static_cast<double>(position) / encode_span_ : 0.0;
  ShowCurrent((part + 1) * 500);
  return 1;
}

void ConverterProgress::ShowCurrent(double current) {
  if (!(current >= 0)) current = 0;
  current = std::min(current, 1000.0);
  file_progress_ = static_cast<int>(current);
  display_->SetFileProgress(file_progress_);
  UpdateTotals(current);
}

void ConverterProgress::ShowInFlight(const std::vector<std::string>& names,
                                     const std::vector<double>& currents) {
  // Between two items, or after the last one: only the batch bar moves.
  if (names.empty() || currents.empty()) return UpdateTotals(0);
  std::string text = UiTextStd(kConvertingText);
  for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "  " : ", ") + FileNamePart(names[i].c_str());
  if (text != file_text_) {
    file_text_ = text;
    display_->ShowFileText(file_text_);
  }
  // Each item counts in whole tenths of its bar: a floored sum could take
  // back a step when an item at 1000 is done (1000 + 929.999… rounds up to
  // 1930), and the batch bar must never move back.
  double sum = 0;
  int tenths = 0;
  for (double current : currents) {
    const double bar = std::clamp(current >= 0 ? current : 0.0, 0.0, 1000.0);
    sum += bar;
    tenths += static_cast<int>(bar / 10);
  }
  file_progress_ = static_cast<int>(sum / static_cast<double>(currents.size()));
  display_->SetFileProgress(file_progress_);
  UpdateTotals(tenths * 10.0);
}

void ConverterProgress::UpdateTotals(double current) {
  const int total = static_cast<int>(current / 10) + finished_ * 100;
  total_progress_ = total;
  display_->SetTotalProgress(total);
  const int upper = total_upper_;

  const double now = clock_();
  if (first_update_) {
    start_ = now;
    first_update_ = false;
  }
  const double elapsed = std::floor(now - start_);

  if (total != 0) {
    const double remaining = upper * elapsed / total - elapsed;
    const std::string text = FormatRemainingTime(remaining);
    if (text != estimated_text_) {
      estimated_text_ = text;
      display_->ShowEstimatedTime(text);
    }
  }
  if (upper > 0) {
    const std::string text = FormatPercentage(total * 100.0 / upper);
    if (text != percentage_text_) {
      percentage_text_ = text;
      display_->ShowPercentage(text);
    }
  }
}

void ConverterProgress::PumpMessages() { display_->ProcessEvents(); }

}  // namespace carrowell
