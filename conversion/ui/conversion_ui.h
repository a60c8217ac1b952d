// What the conversion library asks of the user interface: the progress
// window of a batch, the file chooser, the output-file and MP3 settings
// dialogs, a beep, a busy cursor, the file manager. The program gets Qt
// Widgets windows; programs without a QApplication (verosa-cli, tests) get
// the console forms, which draw a progress bar on stderr and cancel dialogs
// that need an answer.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/cdrip_library.h"

namespace carrowell {

struct Mp3Settings;

// The window that shows a batch's progress. It reports the user's wish to
// abort (the Abort button, closing the window) to the abort handler, which
// answers whether the window may close now.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  void SetAbortHandler(std::function<bool()> handler) { abort_handler_ = std::move(handler); }

  virtual void ShowFileText(const std::string& text) = 0;
  // The current file's bar, 0..1000.
  virtual void SetFileProgress(int value) = 0;
  virtual void SetTotalRange(int upper) = 0;
  virtual void SetTotalProgress(int value) = 0;
  virtual void ShowEstimatedTime(const std::string& text) = 0;
  virtual void ShowPercentage(const std::string& text) = 0;
  virtual void SetAbortEnabled(bool enabled) = 0;
  // Handles pending user input without waiting.
  virtual void ProcessEvents() = 0;
  virtual void Close() = 0;

 protected:
  // True when the window may close.
  bool AskToAbort() { return abort_handler_ ? abort_handler_() : true; }

 private:
  std::function<bool()> abort_handler_;
};

struct FileFilter {
  std::string text;     // "All Files (*.*)"
  std::string pattern;  // "*.*", several joined by ';'
};

struct FileBrowseRequest {
  std::string title;
  std::vector<FileFilter> filters;
  std::string initial_folder;  // empty: the chooser's own default
};

struct FileSelection {
  std::string folder;               // the folder the files were chosen in
  std::vector<std::string> files;   // full paths, in the chooser's order
};

enum class BeepKind { Default, Error };

class ConversionUi {
 public:
  virtual ~ConversionUi() = default;
  virtual std::unique_ptr<ProgressDisplay> CreateProgressDisplay() = 0;
  // Several existing files; nullopt when cancelled.
  virtual std::optional<FileSelection> BrowseForFiles(const FileBrowseRequest& request) = 0;
  // The Audio CD dialog (`library` null when the CD library is missing);
  // the chosen tracks and folder, nullopt when cancelled.
  virtual std::optional<CdImport> ChooseCdTracks(CdRipLibrary* library,
                                                 const std::string& directory) = 0;
  // The recorder dialog recording into `recording_path`; true when the user
  // saved the recording.
  virtual bool RunRecorder(const std::string& recording_path) = 0;
  // The "Change Output File" dialog; the new destination, nullopt when cancelled.
  virtual std::optional<std::string> ChangeOutputFile(const std::string& destination) = 0;
  // The MP3 settings dialog over `settings`; kDialogOk when confirmed.
  virtual int EditMp3Settings(Mp3Settings& settings) = 0;
  virtual void OpenFolder(const std::string& folder) = 0;
  virtual void Beep(BeepKind kind) = 0;
  virtual void SetBusyCursor(bool busy) = 0;
};

// The installed interface, else the Qt one when a QApplication runs, else
// the console one.
ConversionUi& ActiveConversionUi();
// Installs `ui` (null restores the automatic choice); returns the previous one.
ConversionUi* SetConversionUi(ConversionUi* ui);

// Shows the busy cursor for the life of the object.
class BusyCursor {
 public:
  BusyCursor() : ui_(ActiveConversionUi()) { ui_.SetBusyCursor(true); }
  ~BusyCursor() { ui_.SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  ConversionUi& ui_;
};

}  // namespace carrowell
