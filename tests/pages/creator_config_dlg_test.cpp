// The Config page: its controls, OK and Default writing the settings and the
// project header, loading from either, and the theme list with its
// thumbnails and picture paths.
#include "ui/pages/creator_config_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "shell/app_context.h"
#include "support/test_support.h"
#include "ui/skin/skin_button.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;
using testing_support::IsolatedUser;
using testing_support::ScopedEnv;
using testing_support::ScratchDir;
using Page = CreatorConfigDlg;

constexpr QRgb kMenuColour = 0xD02020;
constexpr QRgb kChapterColour = 0x2040D0;

QString Id(int id) { return QString::number(id); }

void WritePicture(const fs::path& path, QRgb colour, const char* format = "JPG") {
  QImage image(160, 120, QImage::Format_RGB32);
  image.fill(colour | 0xFF000000u);
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format)) << path;
}

// A theme folder `name` under `themes` with the given picture file names
// (empty: left out).
void MakeTheme(const fs::path& themes, const std::string& name,
               const std::string& menu = "menu.jpg", const std::string& chapter = "Chapter.jpg") {
  const fs::path folder = themes / name;
  fs::create_directories(folder);
  if (!menu.empty()) WritePicture(folder / menu, kMenuColour);
  if (!chapter.empty()) WritePicture(folder / chapter, kChapterColour);
}

bool Near(QRgb a, QRgb b, int tolerance = 24) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class ConfigPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false}))
        << context_.FailureText();
    themes_ = dir_ / "Theme";
    fs::create_directories(themes_);
  }

  void StandardThemes() {
    MakeTheme(themes_, "Slate");
    MakeTheme(themes_, "aurora");
    MakeTheme(themes_, "Ember");
  }

  Page& Open() {
    page_ = std::make_unique<Page>(context_, themes_);
    return *page_;
  }

  template <typename T>
  T* Control(int id) {
    T* control = page_->findChild<T*>(Id(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  void Click(int id) {
    QAbstractButton* button = Control<QAbstractButton>(id);
    ASSERT_NE(button, nullptr);
    button->click();
  }
  void ChooseSampleRate(int index) {
    Control<QComboBox>(Page::kIdSampleRate)->setCurrentIndex(index);
  }
  void ChooseTheme(int index) { Control<QComboBox>(Page::kIdThemeName)->setCurrentIndex(index); }
  bool IsChecked(int id) { return Control<QRadioButton>(id)->isChecked(); }

  Settings& Stored() { return context_.Settings().Values(); }
  ProjectHeader& Header() { return context_.Project().Header(); }

  IsolatedUser user_;
  ScratchDir dir_;
  AppContext context_;
  fs::path themes_;
  std::unique_ptr<Page> page_;
};

TEST_F(ConfigPageTest, ControlsCarryTheirIdsAndCaptions) {
  StandardThemes();
  Page& page = Open();

  EXPECT_EQ(page.size(), QSize(720, 440));
  ASSERT_NE(page.layout(), nullptr);
  const QSize needed = page.layout()->minimumSize();
  EXPECT_LE(needed.width(), 720);
  EXPECT_LE(needed.height(), 440);

  const std::pair<int, const char*> radios[] = {{Page::kIdCodingPcm, "PCM(Pulse Code Modulation)"},
                                                {Page::kIdPal, "PAL"},
                                                {Page::kIdNtsc, "NTSC"},
                                                {Page::kIdLetterBox, "Letter Box"},
                                                {Page::kIdPanScan, "Pan && Scan"},
                                                {Page::kIdFullScreen, "4:3 (Full Screen)"},
                                                {Page::kIdWideScreen, "16:9 (Wide Screen)"}};
  for (const auto& [id, caption] : radios) {
    QRadioButton* radio = Control<QRadioButton>(id);
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(radio->text(), QString::fromUtf8(caption));
  }
  EXPECT_EQ(Control<SkinButton>(Page::kIdOk)->text(), "OK");
  EXPECT_EQ(Control<SkinButton>(Page::kIdDefault)->text(), "Default");
  EXPECT_NE(Control<QLineEdit>(Page::kIdProjectName), nullptr);
  EXPECT_NE(Control<QLabel>(Page::kIdDefaultMenu), nullptr);
  EXPECT_NE(Control<QLabel>(Page::kIdBackgroundPicture), nullptr);

  QStringList groups;
  for (QGroupBox* group : page.findChildren<QGroupBox*>()) groups << group->title();
  EXPECT_EQ(groups, (QStringList{"General", "Audio", "Video", "Default Background"}));
  QStringList labels;
  for (QLabel* label : page.findChildren<QLabel*>())
    if (label->objectName().isEmpty()) labels << label->text();
  for (const char* label :
       {"Project Name", "CurrentTime", "Coding Mode", "Sample Rate", "TV Mode", "Display Mode",
        "Aspect Ratio", "Theme Name", "Default Menu", "Background Picture"})
    EXPECT_TRUE(labels.contains(QString::fromUtf8(label))) << label;

  QComboBox* rates = Control<QComboBox>(Page::kIdSampleRate);
  ASSERT_EQ(rates->count(), 2);
  EXPECT_EQ(rates->itemText(0), "48KHz");
  EXPECT_EQ(rates->itemText(1), "96KHz");
  EXPECT_FALSE(rates->isEditable());
  EXPECT_FALSE(Control<QComboBox>(Page::kIdThemeName)->isEditable());

  // The clock shows local time as "%H:%M:%S, %m-%d-%Y".
  const QRegularExpression clock(R"(^\d\d:\d\d:\d\d, \d\d-\d\d-\d{4}$)");
  EXPECT_TRUE(clock.match(Control<QLabel>(Page::kIdCurrentTime)->text()).hasMatch())
      << page.CurrentTimeText().toStdString();
}

TEST_F(ConfigPageTest, OkWritesTheSampleRateEverywhere) {
  StandardThemes();
  Open();
  ASSERT_EQ(context_.Conversion().GetSampleRate(), 48000.0);

  ChooseSampleRate(1);
  Click(Page::kIdOk);
  EXPECT_EQ(Stored().nAudioSampleRate, 96000);
  EXPECT_EQ(Header().AudioSampleRate, 96000);
  EXPECT_EQ(context_.Conversion().GetSampleRate(), 96000.0);

  ChooseSampleRate(0);
  Click(Page::kIdOk);
  EXPECT_EQ(Stored().nAudioSampleRate, 48000);
  EXPECT_EQ(Header().AudioSampleRate, 48000);
  EXPECT_EQ(context_.Conversion().GetSampleRate(), 48000.0);
}

TEST_F(ConfigPageTest, OkWritesEveryChoiceToSettingsAndHeader) {
  StandardThemes();
  Open();
  ASSERT_EQ(Stored().bWideScreen, 1);
  ASSERT_EQ(Stored().bPanScan, 1);

  Click(Page::kIdWideScreen);
  Click(Page::kIdPanScan);
  Click(Page::kIdNtsc);
  Click(Page::kIdStartMenu);
  ChooseTheme(2);
  Control<QLineEdit>(Page::kIdProjectName)->setText("Summer Concert");
  // Nothing is written before OK.
  EXPECT_EQ(Stored().bWideScreen, 1);
  EXPECT_EQ(Header().VideoAspectRatio, 0);

  Click(Page::kIdOk);
  EXPECT_EQ(Stored().bWideScreen, 0);
  EXPECT_EQ(Stored().bPanScan, 0);
  EXPECT_EQ(Stored().nTVMode, 1);
  EXPECT_EQ(Stored().nDefaultThemeIndex, 2);
  EXPECT_EQ(Stored().strProjectName, "Summer Concert");
  EXPECT_EQ(Stored().nAudioCodingMode, 0);
  EXPECT_EQ(Header().VideoAspectRatio, 1);
  EXPECT_EQ(Header().VideoDisplayMode, 1);
  EXPECT_EQ(Header().MenuAspectRatio, 1);
  EXPECT_EQ(Header().MenuDisplayMode, 1);
  EXPECT_EQ(Header().TVMode, 1);
  EXPECT_EQ(Header().ThemeIndex, 2);
  EXPECT_EQ(Header().ProjectName, "Summer Concert");
  EXPECT_EQ(Header().AudioCodingMode, 0);
  EXPECT_EQ(Header().StartWithMenu, 1);
  EXPECT_EQ(Stored().nStartWithMenu, 1);

  // Back to 4:3 and letter box: the inverted settings flags follow.
  Click(Page::kIdFullScreen);
  Click(Page::kIdLetterBox);
  Click(Page::kIdOk);
  EXPECT_EQ(Stored().bWideScreen, 1);
  EXPECT_EQ(Stored().bPanScan, 1);
  EXPECT_EQ(Header().VideoAspectRatio, 0);
  EXPECT_EQ(Header().MenuAspectRatio, 0);
  EXPECT_EQ(Header().VideoDisplayMode, 0);
  EXPECT_EQ(Header().MenuDisplayMode, 0);
}

TEST_F(ConfigPageTest, DefaultRestoresAndWritesTheDefaults) {
  StandardThemes();
  Stored().nTVMode = 1;
  Stored().bWideScreen = 0;
  Stored().bPanScan = 0;
  Stored().nAudioSampleRate = 96000;
  Stored().nDefaultThemeIndex = 2;
  Stored().strProjectName = "Other";
  Header().TVMode = 1;
  Header().VideoAspectRatio = Header().MenuAspectRatio = 1;
  Header().VideoDisplayMode = Header().MenuDisplayMode = 1;
  Header().ThemeIndex = 2;
  Header().ProjectName = "Other";
  Header().AudioSampleRate = 96000;
  context_.Conversion().SetSampleRate(96000);
  Page& page = Open();
  ASSERT_TRUE(IsChecked(Page::kIdNtsc));
  ASSERT_TRUE(IsChecked(Page::kIdWideScreen));
  ASSERT_TRUE(IsChecked(Page::kIdPanScan));

  Click(Page::kIdDefault);
  EXPECT_TRUE(IsChecked(Page::kIdPal));
  EXPECT_TRUE(IsChecked(Page::kIdLetterBox));
  EXPECT_TRUE(IsChecked(Page::kIdFullScreen));
  EXPECT_TRUE(IsChecked(Page::kIdCodingPcm));
  EXPECT_EQ(Control<QComboBox>(Page::kIdSampleRate)->currentIndex(), 0);
  EXPECT_EQ(Control<QComboBox>(Page::kIdThemeName)->currentIndex(), 0);
  EXPECT_EQ(Control<QLineEdit>(Page::kIdProjectName)->text(), "Verosa");

  EXPECT_EQ(Stored().nTVMode, 0);
  EXPECT_EQ(Stored().bWideScreen, 1);
  EXPECT_EQ(Stored().bPanScan, 1);
  EXPECT_EQ(Stored().nAudioSampleRate, 48000);
  EXPECT_EQ(Stored().nDefaultThemeIndex, 0);
  EXPECT_EQ(Stored().strProjectName, "Verosa");
  EXPECT_EQ(Header().TVMode, 0);
  EXPECT_EQ(Header().VideoAspectRatio, 0);
  EXPECT_EQ(Header().MenuAspectRatio, 0);
  EXPECT_EQ(Header().VideoDisplayMode, 0);
  EXPECT_EQ(Header().MenuDisplayMode, 0);
  EXPECT_EQ(Header().AudioSampleRate, 48000);
  EXPECT_EQ(Header().ThemeIndex, 0);
  EXPECT_EQ(Header().ProjectName, "Verosa");
  EXPECT_EQ(context_.Conversion().GetSampleRate(), 48000.0);
  // The first theme ("aurora" sorts first) is the current one.
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "aurora" / "menu.jpg").string());
  EXPECT_EQ(page.Values().theme_index, 0);
}

TEST_F(ConfigPageTest, LoadsFromProjectAndFromSettings) {
  StandardThemes();
  Page& page = Open();
  // Settings defaults: bWideScreen 1 and bPanScan 1 show 4:3 and letter box.
  EXPECT_TRUE(IsChecked(Page::kIdFullScreen));
  EXPECT_TRUE(IsChecked(Page::kIdLetterBox));
  EXPECT_TRUE(IsChecked(Page::kIdPal));

  Header().ProjectName = "From File";
  Header().TVMode = 1;
  Header().VideoAspectRatio = 1;
  Header().VideoDisplayMode = 1;
  Header().AudioSampleRate = 96000;
  Header().ThemeIndex = 1;
  Header().StartWithMenu = 1;
  page.LoadFromProject();
  ConfigValues expected;
  expected.project_name = "From File";
  expected.sample_rate_index = 1;
  expected.tv_mode = 1;
  expected.display_mode = 1;
  expected.aspect_ratio = 1;
  expected.theme_index = 1;
  expected.start_with = 1;
  EXPECT_EQ(page.Values(), expected);
  EXPECT_TRUE(IsChecked(Page::kIdNtsc));
  EXPECT_TRUE(IsChecked(Page::kIdWideScreen));
  EXPECT_TRUE(IsChecked(Page::kIdPanScan));
  EXPECT_EQ(Control<QComboBox>(Page::kIdThemeName)->currentText(), "Ember");
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "Ember" / "menu.jpg").string());

  // A rate other than 48 or 96 kHz leaves the list as it is.
  Header().AudioSampleRate = 44100;
  page.LoadFromProject();
  EXPECT_EQ(page.Values().sample_rate_index, 1);

  // Edits without OK are dropped by the next fill from the settings.
  Control<QLineEdit>(Page::kIdProjectName)->setText("Unsaved");
  Click(Page::kIdNtsc);
  page.LoadFromSettings(false);
  expected = ConfigValues{};
  expected.project_name = "Verosa";
  EXPECT_EQ(page.Values(), expected);
  EXPECT_EQ(Stored().strProjectName, "Verosa");
  EXPECT_EQ(Stored().nTVMode, 0);
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "aurora" / "menu.jpg").string());

  Stored().bWideScreen = 0;
  Stored().bPanScan = 0;
  Stored().nTVMode = 1;
  Stored().nAudioSampleRate = 96000;
  Stored().nDefaultThemeIndex = 2;
  Stored().strProjectName = "Stored";
  page.LoadFromSettings(false);
  expected = {"Stored", 0, 1, 1, 1, 1, 2};
  EXPECT_EQ(page.Values(), expected);
}

TEST_F(ConfigPageTest, ThemeListRules) {
  MakeTheme(themes_, "gamma");
  MakeTheme(themes_, "Beta", "MENU.JPG", "chapter.Jpg");
  MakeTheme(themes_, "alpha");
  MakeTheme(themes_, "NoChapter", "menu.jpg", "");
  MakeTheme(themes_, "NoMenu", "", "Chapter.jpg");
  testing_support::WriteFile(themes_ / "Loose", "not a folder");
  Page& page = Open();

  EXPECT_EQ(page.Themes(), (std::vector<std::string>{"alpha", "Beta", "gamma"}));
  QComboBox* list = Control<QComboBox>(Page::kIdThemeName);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->itemText(1), "Beta");
  EXPECT_TRUE(list->isEnabled());
  EXPECT_TRUE(page.ThemeListEnabled());

  // Picture names are found whatever their case.
  ChooseTheme(1);
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "Beta" / "MENU.JPG").string());
  EXPECT_EQ(context_.DefaultChapterPicturePath(), (themes_ / "Beta" / "chapter.Jpg").string());
  EXPECT_FALSE(page.MenuThumbnail().isNull());
  EXPECT_FALSE(page.ChapterThumbnail().isNull());

  // A theme added later shows after the list is rebuilt.
  MakeTheme(themes_, "Delta");
  page.Initialize();
  EXPECT_EQ(page.Themes(), (std::vector<std::string>{"alpha", "Beta", "Delta", "gamma"}));
}

TEST_F(ConfigPageTest, NoThemesDisablesTheListAndKeepsThePaths) {
  MakeTheme(themes_, "Half", "menu.jpg", "");
  context_.SetMenuPicturePath("/kept/menu.jpg");
  context_.SetDefaultChapterPicturePath("/kept/Chapter.jpg");
  Stored().nDefaultThemeIndex = 1;
  Page& page = Open();

  EXPECT_TRUE(page.Themes().empty());
  EXPECT_FALSE(Control<QComboBox>(Page::kIdThemeName)->isEnabled());
  EXPECT_TRUE(page.MenuThumbnail().isNull());
  EXPECT_TRUE(page.ChapterThumbnail().isNull());
  EXPECT_EQ(context_.MenuPicturePath(), "/kept/menu.jpg");
  EXPECT_EQ(context_.DefaultChapterPicturePath(), "/kept/Chapter.jpg");

  Click(Page::kIdOk);
  EXPECT_EQ(context_.MenuPicturePath(), "/kept/menu.jpg");
  EXPECT_EQ(Header().ThemeIndex, 0);
  EXPECT_EQ(Stored().nDefaultThemeIndex, 0);

  // A themes folder that does not exist at all behaves the same.
  page_ = std::make_unique<Page>(context_, dir_ / "missing");
  EXPECT_FALSE(page_->ThemeListEnabled());
  EXPECT_EQ(context_.DefaultChapterPicturePath(), "/kept/Chapter.jpg");
}

TEST_F(ConfigPageTest, ThemeChangeSetsPicturePathsAndThumbnails) {
  StandardThemes();
  Stored().nDefaultThemeIndex = 2;
  Page& page = Open();
  // The stored theme is current from the start.
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "Slate" / "menu.jpg").string());
  EXPECT_EQ(context_.DefaultChapterPicturePath(), (themes_ / "Slate" / "Chapter.jpg").string());

  ChooseTheme(1);
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "Ember" / "menu.jpg").string());
  EXPECT_EQ(context_.DefaultChapterPicturePath(), (themes_ / "Ember" / "Chapter.jpg").string());
  // Choosing alone writes nothing.
  EXPECT_EQ(Stored().nDefaultThemeIndex, 2);

  const QImage& menu = page.MenuThumbnail();
  const QImage& chapter = page.ChapterThumbnail();
  ASSERT_FALSE(menu.isNull());
  ASSERT_FALSE(chapter.isNull());
  EXPECT_EQ(menu.size(), page.ThumbnailAreaSize());
  EXPECT_EQ(chapter.size(), page.ThumbnailAreaSize());
  const QPoint centre(menu.width() / 2, menu.height() / 2);
  EXPECT_TRUE(Near(menu.pixel(centre), kMenuColour)) << std::hex << menu.pixel(centre);
  EXPECT_TRUE(Near(chapter.pixel(centre), kChapterColour)) << std::hex << chapter.pixel(centre);
  // The controls show them.
  EXPECT_FALSE(Control<QLabel>(Page::kIdDefaultMenu)->pixmap().isNull());
  EXPECT_FALSE(Control<QLabel>(Page::kIdBackgroundPicture)->pixmap().isNull());
}

TEST_F(ConfigPageTest, UnusableThemeDataIsTolerated) {
  // Pictures that cannot be decoded: the theme is listed and its thumbnails
  // stay empty (the picture loader says why; the page adds nothing).
  fs::create_directories(themes_ / "Broken");
  testing_support::WriteFile(themes_ / "Broken" / "menu.jpg", "not a picture");
  testing_support::WriteFile(themes_ / "Broken" / "Chapter.jpg", "not a picture");
  MakeTheme(themes_, "Good");
  testing_support::MessageBoxRecorder boxes;
  // A stored index past the end of the list selects the first theme.
  Stored().nDefaultThemeIndex = 7;
  Page& page = Open();

  EXPECT_EQ(page.Themes(), (std::vector<std::string>{"Broken", "Good"}));
  EXPECT_EQ(Control<QComboBox>(Page::kIdThemeName)->currentIndex(), 0);
  EXPECT_EQ(context_.MenuPicturePath(), (themes_ / "Broken" / "menu.jpg").string());
  EXPECT_TRUE(page.MenuThumbnail().isNull());
  EXPECT_TRUE(page.ChapterThumbnail().isNull());

  ChooseTheme(1);
  EXPECT_FALSE(page.MenuThumbnail().isNull());
  ChooseTheme(0);
  EXPECT_TRUE(page.MenuThumbnail().isNull());
  EXPECT_TRUE(Control<QLabel>(Page::kIdDefaultMenu)->pixmap().isNull());
  for (const testing_support::RecordedBox& box : boxes.Boxes())
    EXPECT_EQ(box.caption, "JPEG Fatal Error") << box.text;

  Click(Page::kIdOk);
  EXPECT_EQ(Stored().nDefaultThemeIndex, 0);
}

TEST_F(ConfigPageTest, ButtonsWearTheirSkinsAndShowTheirCaptionsAsTips) {
  StandardThemes();
  Page& page = Open();
  for (const auto& [id, caption] :
       {std::pair{Page::kIdOk, "OK"}, std::pair{Page::kIdDefault, "Default"}}) {
    SkinButton* button = Control<SkinButton>(id);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->IsSkinned()) << caption;
    EXPECT_TRUE(button->HasShape()) << caption;
    EXPECT_EQ(button->size(), button->ImageNormal().size()) << caption;
    EXPECT_EQ(button->ToolTipText(), caption);
  }

  // Rendered on the page, the OK button shows its skin: the shape's corner
  // is cut away and its body is the skin's colour, not the page's.
  page.show();
  const QImage shot = page.grab().toImage();
  SkinButton* ok = Control<SkinButton>(Page::kIdOk);
  const QPoint at = ok->geometry().topLeft();
  const QImage& skin = ok->ImageNormal();
  const QPoint body(skin.width() / 2, 2);
  EXPECT_TRUE(Near(shot.pixel(at + body), skin.pixel(body), 8));
  EXPECT_FALSE(Near(shot.pixel(at), skin.pixel(0, 0), 8));  // magenta corner not drawn
  if (const char* out = std::getenv("VEROSA_PAGE_SNAPSHOT")) shot.save(QString::fromUtf8(out));
}

// Texts pass through the interface language: a data folder of its own with a
// German file that translates some of the page's texts.
class TranslatedConfigPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(data_ / "lang");
    testing_support::WriteFile(data_ / "lang" / "de.ini",
                               "[ToolTips]\n"
                               "Default=Standardwerte setzen\n"
                               "[CreatorConfigDlg]\n"
                               "Video=Bild\n"
                               "Default=Standard\n"
                               "Pan && Scan=Pan && Scan (Ausschnitt)\n"
                               "Theme Name=Thema\n");
    env_data_.emplace("VEROSA_DATA_DIR", data_.string());
    env_language_.emplace("VEROSA_LANGUAGE", "de");
    ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false}))
        << context_.FailureText();
    MakeTheme(dir_ / "Theme", "Only");
  }

  IsolatedUser user_;
  ScratchDir dir_;
  fs::path data_ = dir_ / "share";
  std::optional<ScopedEnv> env_data_, env_language_;
  AppContext context_;
};

TEST_F(TranslatedConfigPageTest, CaptionsAndTipsAreTranslated) {
  Page page(context_, dir_ / "Theme");
  QStringList groups;
  for (QGroupBox* group : page.findChildren<QGroupBox*>()) groups << group->title();
  EXPECT_EQ(groups, (QStringList{"General", "Audio", "Bild", "Default Background"}));
  EXPECT_EQ(page.findChild<QRadioButton*>(Id(Page::kIdPanScan))->text(),
            "Pan && Scan (Ausschnitt)");
  bool theme_label = false;
  for (QLabel* label : page.findChildren<QLabel*>()) theme_label |= label->text() == "Thema";
  EXPECT_TRUE(theme_label);

  auto* def = page.findChild<SkinButton*>(Id(Page::kIdDefault));
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->text(), "Standard");
  EXPECT_EQ(def->ToolTipText(), "Standardwerte setzen");
  auto* ok = page.findChild<SkinButton*>(Id(Page::kIdOk));
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(ok->ToolTipText(), "OK");
  // No skins in this data folder: the buttons keep the standard look.
  EXPECT_FALSE(ok->IsSkinned());
  // The clock and the lists are not touched.
  EXPECT_TRUE(QRegularExpression(R"(^\d\d:\d\d:\d\d, )").match(page.CurrentTimeText()).hasMatch());
  EXPECT_EQ(page.findChild<QComboBox*>(Id(Page::kIdSampleRate))->itemText(1), "96KHz");
  EXPECT_EQ(page.findChild<QComboBox*>(Id(Page::kIdThemeName))->itemText(0), "Only");
}

}  // namespace
}  // namespace verosa
