#include "shell/settings_store.h"

#include <climits>

#include "platform/disk_space.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "shell/data_file.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "Settings";
// Text values keep the registry's 1024 characters; folder and file paths
// keep whatever this system allows (PATH_MAX - 1 bytes).
constexpr std::size_t kTextMax = 1024;
constexpr std::size_t kPathMax = platform::kProfileStringMax;
static_assert(kPathMax + 1 >= PATH_MAX);

std::string Join(const std::string& a, const std::string& b) { return (fs::path(a) / b).string(); }

// One pass over the table in one of the three modes.
class Walker {
 public:
  Walker(SettingsStore::Mode mode, platform::IniFile& ini) : mode_(mode), ini_(ini) {}

  void Int(const char* key, int& value, int fallback) {
    switch (mode_) {
      case SettingsStore::Mode::Reset: value = fallback; break;
      case SettingsStore::Mode::Load: {
        const auto text = ini_.Get(kSection, key);
        value = text ? platform::ParseProfileInt(*text) : 0;
        break;
      }
      case SettingsStore::Mode::Save: ini_.Set(kSection, key, std::to_string(value)); break;
    }
  }
  void String(const char* key, std::string& value, const std::string& fallback,
              std::size_t max_chars = kTextMax) {
    switch (mode_) {
      case SettingsStore::Mode::Reset: value = fallback; break;
      case SettingsStore::Mode::Load: {
        value = ini_.Get(kSection, key).value_or("");
        if (value.size() > max_chars) value.resize(max_chars);
        break;
      }
      case SettingsStore::Mode::Save: ini_.Set(kSection, key, value); break;
    }
  }
  // A folder: as a string, then created in every mode. A folder that reads
  // empty takes its default, so work never lands in the current folder.
  void Folder(const char* key, std::string& value, const std::string& fallback) {
    String(key, value, fallback, kPathMax);
    if (value.empty()) value = fallback;
    platform::CreateFolderPath(value);
  }
  template <std::size_t N>
  void Bytes(const char* key, std::array<std::uint8_t, N>& bytes,
             const std::array<std::uint8_t, N>& fallback) {
    switch (mode_) {
      case SettingsStore::Mode::Reset: bytes = fallback; break;
      case SettingsStore::Mode::Load: {
        std::array<std::uint8_t, N> read{};
        if (ini_.GetStruct(kSection, key, read.data(), N)) bytes = read;
        break;
      }
      case SettingsStore::Mode::Save: ini_.SetStruct(kSection, key, bytes.data(), N); break;
    }
  }

 private:
  SettingsStore::Mode mode_;
  platform::IniFile& ini_;
};

}  // namespace

std::string SettingsStore::DefaultMarrowfinePath() {
  return Join(platform::DocumentsFolder().string(), kCreatorWord);
}
std::string SettingsStore::DefaultVerosaPath() { return Join(DefaultMarrowfinePath(), kProductName); }
std::string SettingsStore::DefaultWorkPath() { return platform::PrivateTempFolder().string(); }
std::string SettingsStore::DefaultDvdFolder() { return Join(DefaultVerosaPath(), "DVD"); }

bool SettingsStore::Initialize(const StartupOptions& options) {
  failure_ = StartupFailure::None;
  if (options.single_instance) {
    instance_ = std::make_unique<platform::SingleInstanceLock>(kProductName);
    if (!instance_->Acquired()) {
      failure_ = StartupFailure::AlreadyRunning;
      return false;
    }
  }
  if (language_.Load("Tolvane.dll") < 0 || !language_.Start()) {
    failure_ = StartupFailure::Language;
    return false;
  }
  language_.InstallMessageBoxTranslation();

  data_file_ = PrepareDataFile();
  key_path_ = ReadKeyPath(data_file_).value_or(kDefaultKeyPath);
  settings_file_ = SettingsFileForKey(key_path_);

  // The first-run flag decides between loading and resetting.
  const auto ini = platform::IniFile::Load(settings_file_);
  const auto flag = ini ? ini->Get(kSection, "bNotFirstTimeRun") : std::nullopt;
  if (flag && platform::ParseProfileInt(*flag) != 0) return Load();
  Reset();
  values_.bNotFirstTimeRun = 1;
  Save();
  return true;
}

bool SettingsStore::Walk(Mode mode) {
  platform::IniFile ini;
  if (mode == Mode::Load) {
    // An unreadable file reads as absent values.
    ini = platform::IniFile::Load(settings_file_).value_or(platform::IniFile{});
  } else if (mode == Mode::Save) {
    // Keep whatever else the file holds.
    ini = platform::IniFile::Load(settings_file_).value_or(platform::IniFile{});
  }
  Walker w(mode, ini);
  Settings& v = values_;
  const Settings defaults;
  if (mode == Mode::Save) w.Int("bNotFirstTimeRun", v.bNotFirstTimeRun, 1);
  else w.Int("bNotFirstTimeRun", v.bNotFirstTimeRun, v.bNotFirstTimeRun);

  w.Folder("strMarrowfineDefaultSavePath", v.strMarrowfineDefaultSavePath, DefaultMarrowfinePath());
  w.Folder("strVerosaDefaultSavePath", v.strVerosaDefaultSavePath, DefaultVerosaPath());
  w.Folder("strVerosaWorkPath", v.strVerosaWorkPath, DefaultWorkPath());
  w.Folder("strDVDDataFolder", v.strDVDDataFolder, DefaultDvdFolder());

  w.String("strProjectName", v.strProjectName, defaults.strProjectName);
  auto font = v.lfLyricFont.ToBytes();
  w.Bytes("lfLyricFont", font, defaults.lfLyricFont.ToBytes());
  v.lfLyricFont = LogFont::FromBytes(font);
  auto color = ColorRefBytes(v.crLyricColor);
  w.Bytes("crLyricColor", color, ColorRefBytes(defaults.crLyricColor));
  v.crLyricColor = ColorRefFromBytes(color);
  w.Int("nTVMode", v.nTVMode, defaults.nTVMode);
  w.Int("bWideScreen", v.bWideScreen, defaults.bWideScreen);
  w.Int("bPanScan", v.bPanScan, defaults.bPanScan);
  w.Int("nDefaultThemeIndex", v.nDefaultThemeIndex, defaults.nDefaultThemeIndex);
  w.Int("nAudioCodingMode", v.nAudioCodingMode, defaults.nAudioCodingMode);
  w.Int("nAudioSampleRate", v.nAudioSampleRate, defaults.nAudioSampleRate);
  w.Int("nStartWithMenu", v.nStartWithMenu, defaults.nStartWithMenu);
  w.String("strLastOpenMediaFilePath", v.strLastOpenMediaFilePath, "", kPathMax);
  w.String("strLastOpenDVDFolderPath", v.strLastOpenDVDFolderPath, "", kPathMax);
  w.String("strLastWorkPath", v.strLastWorkPath, "", kPathMax);
  w.String("strLastProjectFilePath", v.strLastProjectFilePath, "", kPathMax);

  if (mode != Mode::Save) return true;
  if (!platform::CreateFolderPath(settings_file_.parent_path())) return false;
  return ini.Save(settings_file_);
}

const std::string& SettingsStore::MarrowfineDefaultSavePath(bool reset) {
  if (reset) values_.strMarrowfineDefaultSavePath = DefaultMarrowfinePath();
  return values_.strMarrowfineDefaultSavePath;
}
const std::string& SettingsStore::VerosaDefaultSavePath(bool reset) {
  if (reset) values_.strVerosaDefaultSavePath = DefaultVerosaPath();
  return values_.strVerosaDefaultSavePath;
}
const std::string& SettingsStore::WorkPath(bool reset) {
  if (reset) values_.strVerosaWorkPath = DefaultWorkPath();
  return values_.strVerosaWorkPath;
}
const std::string& SettingsStore::DvdDataFolder(bool reset) {
  if (reset) values_.strDVDDataFolder = DefaultDvdFolder();
  return values_.strDVDDataFolder;
}

void SettingsStore::ReleaseLanguage() { language_.Unload(); }

int GetFreeDiskSpaceMB(const fs::path& path, int kind) {
  if (kind < 0 || kind > 2) return -1;
  return platform::FreeDiskSpaceMB(path, static_cast<platform::SpaceKind>(kind));
}

bool CreateWorkFolders(const fs::path& work_folder) {
  bool ok = true;
  for (const char* sub : {"DVD", "temp", "CD2WAV", "REC2WAV"})
    ok = platform::CreateFolderPath(work_folder / sub) && ok;
  return ok;
}

}  // namespace verosa
