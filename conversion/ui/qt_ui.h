// The conversion interface of the program: Qt Widgets windows over the
// active main window.
#pragma once

#include "ui/conversion_ui.h"

class QString;

namespace carrowell {

// "Supported Files(...)" with "*.mp3;*.wav" becomes the chooser's filter
// "Supported Files(...) (*.mp3 *.wav)"; "*.*" stands for every file.
QString QtNameFilter(const FileFilter& filter);

class QtConversionUi : public ConversionUi {
 public:
  std::unique_ptr<ProgressDisplay> CreateProgressDisplay() override;
  std::optional<FileSelection> BrowseForFiles(const FileBrowseRequest& request) override;
  std::optional<CdImport> ChooseCdTracks(CdRipLibrary* library, const std::string& directory) override;
  bool RunRecorder(const std::string& recording_path) override;
  std::optional<std::string> ChangeOutputFile(const std::string& destination) override;
  int EditMp3Settings(Mp3Settings& settings) override;
  void OpenFolder(const std::string& folder) override;
  void Beep(BeepKind kind) override;
  void SetBusyCursor(bool busy) override;
};

}  // namespace carrowell
