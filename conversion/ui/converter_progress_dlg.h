// The "Audio Converter" window: a modeless dialog over the main window that
// shows a batch's progress and offers Abort. The main window is disabled
// while it is open.
#pragma once

#include <QDialog>
#include <QPointer>

#include "ui/conversion_ui.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace carrowell {

class ConverterProgressDlg : public QDialog {
 public:
  // Object names of the controls.
  static constexpr const char* kAbortId = "3";
  static constexpr const char* kFileTextId = "1059";
  static constexpr const char* kFileBarId = "1010";
  static constexpr const char* kTotalBarId = "1009";
  static constexpr const char* kEstimatedId = "1043";
  static constexpr const char* kPercentageId = "1044";

  // `owner` is disabled until Finish.
  ConverterProgressDlg(QWidget* owner, std::function<bool()> ask_to_abort);
  ~ConverterProgressDlg() override;

  QLabel* FileLabel() const { return file_label_; }
  QProgressBar* FileBar() const { return file_bar_; }
  QProgressBar* TotalBar() const { return total_bar_; }
  QLabel* EstimatedLabel() const { return estimated_label_; }
  QLabel* PercentageLabel() const { return percentage_label_; }
  QPushButton* AbortButton() const { return abort_button_; }

  // Re-enables the owner and closes.
  void Finish();
  void SetAskToAbort(std::function<bool()> ask) { ask_to_abort_ = std::move(ask); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void EnableOwner();

  QPointer<QWidget> owner_;
  std::function<bool()> ask_to_abort_;
  bool finished_ = false;
  QLabel* file_label_ = nullptr;
  QProgressBar* file_bar_ = nullptr;
  QProgressBar* total_bar_ = nullptr;
  QLabel* estimated_label_ = nullptr;
  QLabel* percentage_label_ = nullptr;
  QPushButton* abort_button_ = nullptr;
};

// The window as a ProgressDisplay. The dialog may go away with its owner
// before the batch ends; the display then shows nothing more.
class QtProgressDisplay : public ProgressDisplay {
 public:
  QtProgressDisplay();
  ~QtProgressDisplay() override;

  ConverterProgressDlg* Dialog() const { return dialog_; }

  void ShowFileText(const std::string& text) override;
  void SetFileProgress(int value) override;
  void SetTotalRange(int upper) override;
  void SetTotalProgress(int value) override;
  void ShowEstimatedTime(const std::string& text) override;
  void ShowPercentage(const std::string& text) override;
  void SetAbortEnabled(bool enabled) override;
  void ProcessEvents() override;
  void Close() override;

 private:
  QPointer<ConverterProgressDlg> dialog_;
};

}  // namespace carrowell
