// The Output page: owns the output job that turns the project into a
// DVD-Video folder, shows its progress and status (it is the job's host),
// and tells the wizard whether a job is running.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "output/output_job.h"
#include "platform/window.h"

class QLabel;
class QProgressBar;

namespace verosa {

class AppContext;

class CreatorOutputDlg : public QWidget, public core::JobHost {
 public:
  explicit CreatorOutputDlg(AppContext& context, QWidget* parent = nullptr);
  ~CreatorOutputDlg() override;

  // Prepares the job's folders and file names.
  void Initialize();
  // The window that receives the authoring component's messages (they come
  // back through HandleMessage).
  void SetWindow(platform::WindowHandle window);
  bool HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  // The page is shown.
  void Refresh();

  // An output job (or burn) is running.
  bool IsBusy() const;
  // Deletes the temporary files of the last job.
  void DeleteTemporaryFiles();

  OutputJob& Job() { return *job_; }

  // core::JobHost: the bar shows the job-wide percent; the status line the
  // status, or a message the job leaves.
  void Percent(int percent) override;
  void Status(const std::string& text) override;
  void Message(const std::string& text, core::JobMessageKind kind) override;
  void ProcessEvents() override;

 private:
  std::unique_ptr<OutputJob> job_;
  QLabel* folder_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace verosa
