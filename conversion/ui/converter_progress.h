// The converter progress of one batch: the "Audio Converter" window's
// fields and formulas, and the sink the engines report to.
//
// The current file's bar runs 0..1000: decoding fills the first half,
// encoding the second. The batch bar runs 0..items x 100. From them come the
// estimated time left ("hh:mm:ss") and the batch percentage ("37.50 %").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/conversion_progress.h"
#include "ui/conversion_ui.h"

namespace carrowell {

inline constexpr const char* kUnknownText = "(unknown)";
inline constexpr const char* kConvertingText = "Converting:";
inline constexpr const char* kAbortQuestion = "Are you sure you want to cancel converting?";

// "%02d:%02d:%02d" of whole seconds (negative counts as 0).
std::string FormatRemainingTime(double seconds);
// "%.02f %%": two decimals, a space and the percent sign.
std::string FormatPercentage(double percent);

// Whether the user's wish to abort is confirmed with kAbortQuestion first.
// A batch that runs as a step of another job does not ask: the job has asked.
enum class AbortQuestion { Ask, DontAsk };

class ConverterProgress : public ConversionProgress {
 public:
  // Seconds on a steady clock.
  using Clock = std::function<double()>;

  // Opens the window: the file bar empty, both texts "(unknown)".
  explicit ConverterProgress(std::unique_ptr<ProgressDisplay> display, Clock clock = {});
  ~ConverterProgress() override;
  ConverterProgress(const ConverterProgress&) = delete;
  ConverterProgress& operator=(const ConverterProgress&) = delete;

  // The batch bar's range becomes 0..count x 100.
  void SetItemCount(int count);
  // Items finished so far.
  void SetFinishedCount(int count);
  // Ends the batch: the Abort button is disabled and the window closes.
  void Finish();
  // The user wants to abort. While converting, asks "Are you sure ...?" and
  // sets the abort flag on Yes (at once with AbortQuestion::DontAsk);
  // returns whether the window may close.
  bool RequestAbort();
  void SetAbortQuestion(AbortQuestion question) { question_ = question; }

  void SetCurrentFile(const char* path) override;
  int SetDecodeRange(std::int64_t low, std::int64_t high) override;
  int SetDecodePosition(std::int64_t position) override;
  void SetCurrentFileName(const char* path) override;
  int SetEncodeRange(std::int64_t low, std::int64_t high) override;
  int SetEncodePosition(std::int64_t position) override;
  int IsAborted() override { return aborted_ ? 1 : 0; }
  void PumpMessages() override;

  // Several items converting at once: their file names in list order and
  // their own file bars (0..1000 each). The text names them all
  // ("Converting:  a.mp3, b.mp3"), the file bar shows their mean and the
  // batch bar counts each one's part. With none in flight only the batch
  // bar is brought up to date.
  void ShowInFlight(const std::vector<std::string>& names, const std::vector<double>& currents);

  // What the window shows.
  const std::string& FileText() const { return file_text_; }
  int FileProgress() const { return file_progress_; }
  int TotalProgress() const { return total_progress_; }
  int TotalUpper() const { return total_upper_; }
  const std::string& EstimatedTimeText() const { return estimated_text_; }
  const std::string& PercentageText() const { return percentage_text_; }
  bool Converting() const { return converting_; }

 private:
  // `current` is the file bar's value, 0..1000.
  void ShowCurrent(double current);
  // `current` is the sum of the file bars of the items in flight.
  void UpdateTotals(double current);

  std::unique_ptr<ProgressDisplay> display_;
  Clock clock_;
  std::string file_text_ = kConvertingText;
  int finished_ = 0;
  bool aborted_ = false;
  AbortQuestion question_ = AbortQuestion::Ask;
  double decode_span_ = 1.0;
  double encode_span_ = 1.0;
  bool converting_ = true;
  bool first_update_ = true;
  double start_ = 0;
  int file_progress_ = 0;
  int total_progress_ = 0;
  int total_upper_ = 0;
  std::string estimated_text_ = kUnknownText;
  std::string percentage_text_ = kUnknownText;
};

}  // namespace carrowell
