// The Output page: the output type (a DVD folder, or a burned disc), the
// data folder, the burning engine and writer, Create / Abort / Erase and the
// tray buttons, the progress bar and status line. It owns the output job
// (it is the job's host) and the disc burning, and tells the wizard whether
// either is running.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "output/disc_burning.h"
#include "output/output_job.h"
#include "platform/window.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace verosa {

class AppContext;
class SkinButton;

class CreatorOutputDlg : public QWidget, public core::JobHost {
 public:
  enum Control : int {
    kCreate = 1005,
    kAbort = 1006,
    kErase = 1007,
    kLoad = 1008,
    kEject = 1009,
    kProgress = 1050,
    kBrowse = 1057,
    kEjectLoad = 1058,
    kOutputType = 1061,
    kBurnEngine = 1062,
    kStatusText = 1063,
    kDevice = 1064,
    kDataFolder = 1065,
    kLogo = 1076,
    kFolderGroup = 1098,
    kBurningGroup = 1099,
  };

  // Picks a folder; empty when cancelled (tests replace it).
  using FolderPicker = std::function<QString(QWidget* parent, const QString& title,
                                             const QString& start)>;

  explicit CreatorOutputDlg(AppContext& context, QWidget* parent = nullptr);
  ~CreatorOutputDlg() override;

  // Prepares the job's folders and file names, skins the buttons and loads
  // the burning component (without it the page offers no burning).
  void Initialize();
  // The window that receives the authoring component's messages (they come
  // back through HandleMessage).
  void SetWindow(platform::WindowHandle window);
  bool HandleMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  // The page is shown.
  void Refresh();

  // An output job, a burn or an erase is running.
  bool IsBusy() const;
  // Deletes the temporary files of the last job.
  void DeleteTemporaryFiles();

  OutputJob& Job() { return *job_; }
  DiscBurning& Burning() { return *burning_; }

  // The commands of the page's buttons.
  void Create();
  void Abort();
  void Erase();
  void Browse();
  void EjectLoad();
  void SetOutputType(int type);
  void SelectEngine(int index);
  // Enables the controls by the job's and the disc's state.
  void RefreshControls();
  void SetFolderPicker(FolderPicker picker) { folder_picker_ = std::move(picker); }
  // The burning component Initialize loads (tests give a stand-in).
  void SetBurnerName(std::string name) { burner_name_ = std::move(name); }

  // core::JobHost: the bar shows the job-wide percent; the status line the
  // status, or a message the job leaves.
  void Percent(int percent) override;
  void Status(const std::string& text) override;
  void Message(const std::string& text, core::JobMessageKind kind) override;
  void Finished(bool success) override;
  void ProcessEvents() override;

 private:
  void BuildWidgets();
  void SkinControls();
  void PullDataFolder();
  void FillDevices();
  int SelectedDevice() const;
  // After the authoring finished in burn mode.
  void BurnAfterAuthoring();

  AppContext& context_;
  std::unique_ptr<OutputJob> job_;
  std::unique_ptr<DiscBurning> burning_;
  FolderPicker folder_picker_;
  bool burn_pending_ = false;
  std::string burner_name_ = "Brennock";  // authored in burn mode, the burn not yet begun
  QComboBox* output_type_ = nullptr;
  QGroupBox* folder_group_ = nullptr;
  QGroupBox* burning_group_ = nullptr;
  QLineEdit* data_folder_ = nullptr;
  SkinButton* browse_ = nullptr;
  QComboBox* engine_ = nullptr;
  QComboBox* device_ = nullptr;
  SkinButton* eject_load_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* eject_ = nullptr;
  SkinButton* erase_ = nullptr;
  SkinButton* create_ = nullptr;
  SkinButton* abort_ = nullptr;
  QLabel* logo_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* progress_ = nullptr;
};

}  // namespace verosa
