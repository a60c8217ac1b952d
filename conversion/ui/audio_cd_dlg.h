// The Audio CD dialog: the drive, the disc's tracks with check boxes, the
// output folder and format. OK hands back the checked audio tracks, each
// with its own sector range, after checking the folder and its free space.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/cdrip_library.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace carrowell {

class AudioCdDlg : public QDialog {
 public:
  static constexpr int kIdDrive = 1001;
  static constexpr int kIdRefresh = 1083;
  static constexpr int kIdTracks = 1076;
  static constexpr int kIdTrackCount = 1100;
  static constexpr int kIdOutputDirectory = 1048;
  static constexpr int kIdBrowse = 1047;
  static constexpr int kIdFormat = 1077;
  // A second of CD audio as a WAV: 44,100 frames of 4 bytes.
  static constexpr std::int64_t kBytesPerSecond = 44100 * 4;

  using FolderPicker = std::function<QString(QWidget* parent, const QString& prompt, const QString& start)>;
  // Free bytes on the volume of a folder; -1 when unknown.
  using FreeSpace = std::function<std::int64_t(const std::string& folder)>;

  // `library` is null when the CD library is not available: the drive list
  // and Refresh stay off and no tracks are shown.
  AudioCdDlg(CdRipLibrary* library, const std::string& output_directory, QWidget* parent = nullptr);

  void SetFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }
  void SetFreeSpace(FreeSpace free_space) { free_space_ = std::move(free_space); }

  // Reads the selected drive's disc anew.
  void Refresh();
  void Browse();
  void accept() override;

  const std::vector<CdTrackChoice>& Chosen() const { return chosen_; }
  std::string OutputDirectory() const;
  const std::vector<CdTrack>& Tracks() const { return tracks_; }

 private:
  void RefreshControls();

  CdRipLibrary* library_;
  FolderPicker picker_;
  FreeSpace free_space_;
  std::vector<CdTrack> tracks_;
  std::vector<CdTrackChoice> chosen_;
  QComboBox* drives_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLabel* count_ = nullptr;
  QLineEdit* directory_ = nullptr;
  QComboBox* format_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace carrowell
