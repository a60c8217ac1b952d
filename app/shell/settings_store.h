// Per-user settings: loaded at start-up (defaults applied and saved on the
// first run), saved at exit. The values live in an INI file at the key path
// that the data file carries.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/single_instance.h"
#include "project/project_types.h"
#include "shell/language_holder.h"

namespace verosa {

// The settings table, in walk order.
struct Settings {
  int bNotFirstTimeRun = 0;
  std::string strMarrowfineDefaultSavePath;
  std::string strVerosaDefaultSavePath;
  std::string strVerosaWorkPath;
  std::string strDVDDataFolder;
  std::string strProjectName = kProductName;
  LogFont lfLyricFont = LogFont::DefaultLyricFont();
  ColorRef crLyricColor = kWhite;
  int nTVMode = 0;
  int bWideScreen = 1;   // 1: 4:3 chosen
  int bPanScan = 1;      // 1: letter box chosen
  int nDefaultThemeIndex = 0;
  int nAudioCodingMode = 0;
  int nAudioSampleRate = 48000;
  int nStartWithMenu = 0;  // 1: the discs of new projects start with the title menu
  std::string strLastOpenMediaFilePath;
  std::string strLastOpenDVDFolderPath;
  std::string strLastWorkPath;
  std::string strLastProjectFilePath;
};

struct StartupOptions {
  // Hold the "Verosa" lock; a second holder fails to start.
  bool single_instance = true;
};

enum class StartupFailure { None, AlreadyRunning, Language, DataFile, Conversion, Authoring, Preview };

class SettingsStore {
 public:
  enum class Mode { Load, Reset, Save };

  // Single instance, language component, data file, key path, then load the
  // settings or (first run) reset them, set the first-run flag and save.
  bool Initialize(const StartupOptions& options = {});
  StartupFailure Failure() const { return failure_; }

  bool Walk(Mode mode);
  bool Load() { return Walk(Mode::Load); }
  bool Reset() { return Walk(Mode::Reset); }
  bool Save() { return Walk(Mode::Save); }

  const Settings& Values() const { return values_; }
  Settings& Values() { return values_; }

  // Folder getters; `reset` first restores the default value.
  const std::string& MarrowfineDefaultSavePath(bool reset = false);
  const std::string& VerosaDefaultSavePath(bool reset = false);
  const std::string& WorkPath(bool reset = false);
  const std::string& DvdDataFolder(bool reset = false);
  void SetWorkPath(const std::string& path) { values_.strVerosaWorkPath = path; }

  LanguageHolder& Language() { return language_; }
  const std::filesystem::path& DataFilePath() const { return data_file_; }
  const std::string& KeyPath() const { return key_path_; }
  const std::filesystem::path& SettingsFile() const { return settings_file_; }

  // Releases the language component (shut-down, after the last save).
  void ReleaseLanguage();

  // Defaults of the four folders.
  static std::string DefaultMarrowfinePath();
  static std::string DefaultVerosaPath();
  static std::string DefaultWorkPath();
  static std::string DefaultDvdFolder();

 private:
  std::unique_ptr<platform::SingleInstanceLock> instance_;
  LanguageHolder language_;
  std::filesystem::path data_file_;
  std::string key_path_;
  std::filesystem::path settings_file_;
  Settings values_;
  StartupFailure failure_ = StartupFailure::None;
};

// Free space in MB on the drive of `path`; kind 0 total free, 1 total, 2
// available to the caller; -1 when it cannot be queried.
int GetFreeDiskSpaceMB(const std::filesystem::path& path, int kind);

// Creates "DVD", "temp", "CD2WAV" and "REC2WAV" under the work folder.
bool CreateWorkFolders(const std::filesystem::path& work_folder);

}  // namespace verosa
