// CreatorConfigDlg: the Config page of the wizard. It sets the project name
// and the disc parameters (audio coding and sample rate, TV system, display
// mode, aspect ratio) and the menu theme. Its values live in the settings and
// in the project header; OK writes both, Default restores the defaults and
// writes them. Choosing a theme makes its pictures the disc menu and the
// default chapter background at once (AppContext picture paths).
//
// The page keeps nothing of its own beyond its controls: the owner re-fills
// it before showing it, with LoadFromSettings(false), or LoadFromProject()
// right after a new project was made or opened. Edits that were not applied
// with OK are dropped by the next fill.
#pragma once

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;

namespace verosa {

class AppContext;
struct ProjectChoices;
class SkinButton;
class ToolTipRelay;

// The values the page shows, as indices of its choices.
struct ConfigValues {
  std::string project_name;
  int coding_mode = 0;        // 0 PCM
  int sample_rate_index = 0;  // 0 "48KHz", 1 "96KHz"
  int tv_mode = 0;            // 0 PAL, 1 NTSC
  int display_mode = 0;       // 0 letter box, 1 pan and scan
  int aspect_ratio = 0;       // 0 4:3, 1 16:9
  int theme_index = 0;        // position in the theme list
  int start_with = 0;         // 0 play title 1, 1 show the menu

  // 48000 for the first entry of the sample-rate list, else 96000.
  int SampleRate() const { return sample_rate_index == 0 ? 48000 : 96000; }
  bool operator==(const ConfigValues&) const = default;
};

class CreatorConfigDlg : public QWidget {
 public:
  // Control ids; each control carries its id as object name.
  static constexpr int kIdOk = 1;
  static constexpr int kIdDefault = 1000;
  static constexpr int kIdProjectName = 1009;
  static constexpr int kIdCurrentTime = 1010;
  static constexpr int kIdSampleRate = 1024;
  static constexpr int kIdCodingPcm = 1041;
  static constexpr int kIdPal = 1043;
  static constexpr int kIdNtsc = 1044;
  static constexpr int kIdLetterBox = 1045;
  static constexpr int kIdPanScan = 1046;
  static constexpr int kIdWideScreen = 1047;
  static constexpr int kIdFullScreen = 1048;
  static constexpr int kIdThemeName = 1049;
  static constexpr int kIdDefaultMenu = 1055;
  static constexpr int kIdBackgroundPicture = 1056;
  static constexpr int kIdStartPlay = 1060;
  static constexpr int kIdStartMenu = 1061;

  // The clock refreshes this often, in the format below.
  static constexpr int kClockIntervalMs = 500;
  static constexpr const char* kTimeFormat = "%H:%M:%S, %m-%d-%Y";

  // The page area it is laid out for.
  static constexpr int kPageWidth = 720;
  static constexpr int kPageHeight = 440;
  // Size of each theme thumbnail control (frame included).
  static constexpr int kThumbnailWidth = 176;
  static constexpr int kThumbnailHeight = 134;

  // Builds and initialises the page (see Initialize) with the program's
  // themes folder.
  explicit CreatorConfigDlg(AppContext& context, QWidget* parent = nullptr);
  // The same with the themes taken from `themes_folder`.
  CreatorConfigDlg(AppContext& context, std::filesystem::path themes_folder,
                   QWidget* parent = nullptr);
  ~CreatorConfigDlg() override;
  CreatorConfigDlg(const CreatorConfigDlg&) = delete;
  CreatorConfigDlg& operator=(const CreatorConfigDlg&) = delete;

  // Starts the clock, fills the sample-rate and theme lists (the theme list
  // is disabled when there is no theme), loads the settings, skins the
  // buttons, sets their tool tips and translates the page. The constructor
  // runs it; running it again rebuilds the lists (e.g. after themes were
  // added).
  void Initialize();

  // Fills the controls from the settings. With `reset` the settings' choices
  // first get their defaults (PCM, 48 kHz, PAL, letter box, 4:3, the first
  // theme, the product name).
  void LoadFromSettings(bool reset);
  // Fills the controls from the project header.
  void LoadFromProject();
  // OK: writes the controls to the settings (in memory), gives the sample
  // rate to the conversion control and writes the project header.
  void Apply();
  // Default: LoadFromSettings(true), then Apply().
  void ResetToDefault();
  // The theme selection changed: the theme's menu and chapter pictures
  // become the AppContext picture paths and the thumbnails show them. With
  // no theme selected the paths stay and the thumbnails are empty.
  void OnThemeChanged();

  // What the controls show now.
  ConfigValues Values() const;
  QString CurrentTimeText() const;
  const std::filesystem::path& ThemesFolderPath() const { return themes_folder_; }
  // The listed themes, in list order.
  const std::vector<std::string>& Themes() const { return themes_; }
  bool ThemeListEnabled() const;
  // The thumbnails as composed for their controls; null when none is shown.
  const QImage& MenuThumbnail() const { return menu_thumbnail_; }
  const QImage& ChapterThumbnail() const { return chapter_thumbnail_; }
  // The text area inside each thumbnail control's frame.
  QSize ThumbnailAreaSize() const;

 private:

  void BuildControls();
  void ShowChoices(const ProjectChoices& choices);
  void SelectSampleRate(int rate);
  void SelectTheme(int index);
  void ShowThumbnails(const QImage& menu, const QImage& chapter);
  void RefreshClock();
  void SkinButtons();
  void TranslatePage();

  AppContext& context_;
  std::filesystem::path themes_folder_;
  std::vector<std::string> themes_;

  QLineEdit* project_name_ = nullptr;
  QLabel* current_time_ = nullptr;
  QButtonGroup* coding_mode_ = nullptr;
  QComboBox* sample_rate_ = nullptr;
  QButtonGroup* tv_mode_ = nullptr;
  QButtonGroup* display_mode_ = nullptr;
  QButtonGroup* aspect_ratio_ = nullptr;
  QButtonGroup* start_with_ = nullptr;
  QComboBox* theme_list_ = nullptr;
  QLabel* menu_picture_ = nullptr;
  QLabel* chapter_picture_ = nullptr;
  SkinButton* default_button_ = nullptr;
  SkinButton* ok_button_ = nullptr;
  ToolTipRelay* tool_tip_relay_ = nullptr;

  QImage menu_thumbnail_;
  QImage chapter_thumbnail_;
  QTimer clock_;
};

}  // namespace verosa
