#include "ui/pages/creator_config_dlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>
#include <ctime>
#include <system_error>

#include "imaging/picture_composition.h"
#include "shell/app_context.h"
#include "shell/language_holder.h"
#include "shell/new_project_header.h"
#include "shell/theme_pictures.h"
#include "ui/common/ui_language.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_button.h"

namespace verosa {

namespace fs = std::filesystem;

namespace {

constexpr int kRate48k = 48000;
constexpr int kRate96k = 96000;

// The pill buttons carry their symbol in a disc at the left end; the caption
// is centred in the rest.
constexpr int kPillCaptionIndent = 28;

QString IdName(int id) { return QString::number(id); }

QRadioButton* AddRadio(QButtonGroup* group, int index, int id, const char* caption,
                       QWidget* parent) {
  auto* radio = new QRadioButton(QString::fromUtf8(caption), parent);
  radio->setObjectName(IdName(id));
  group->addButton(radio, index);
  return radio;
}

QLabel* AddLabel(const char* caption, QWidget* parent) {
  return new QLabel(QString::fromUtf8(caption), parent);
}

QGroupBox* AddGroup(const char* caption, QWidget* parent) {
  return new QGroupBox(QString::fromUtf8(caption), parent);
}

void Check(QButtonGroup* group, int index) {
  if (QAbstractButton* button = group->button(index)) button->setChecked(true);
}

int CheckedIndex(const QButtonGroup* group) {
  return group->checkedId() < 0 ? 0 : group->checkedId();
}

}  // namespace

CreatorConfigDlg::CreatorConfigDlg(AppContext& context, QWidget* parent)
    : CreatorConfigDlg(context, ThemesFolder(), parent) {}

CreatorConfigDlg::CreatorConfigDlg(AppContext& context, fs::path themes_folder, QWidget* parent)
    : QWidget(parent), context_(context), themes_folder_(std::move(themes_folder)) {
  BuildControls();
  clock_.setInterval(kClockIntervalMs);
  connect(&clock_, &QTimer::timeout, this, [this] { RefreshClock(); });
  Initialize();
}

CreatorConfigDlg::~CreatorConfigDlg() {
  clock_.stop();
}

void CreatorConfigDlg::BuildControls() {
  setFixedSize(kPageWidth, kPageHeight);
  setAutoFillBackground(true);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(10, 6, 10, 8);
  root->setSpacing(6);

  // General: project name and clock.
  QGroupBox* general = AddGroup("General", this);
  auto* general_row = new QHBoxLayout(general);
  general_row->addWidget(AddLabel("Project Name", general));
  project_name_ = new QLineEdit(general);
  project_name_->setObjectName(IdName(kIdProjectName));
  project_name_->setMinimumWidth(260);
  general_row->addWidget(project_name_, 1);
  general_row->addSpacing(24);
  general_row->addWidget(AddLabel("CurrentTime", general));
  current_time_ = new QLabel(general);
  current_time_->setObjectName(IdName(kIdCurrentTime));
  current_time_->setMinimumWidth(150);
  general_row->addWidget(current_time_);
  root->addWidget(general);

  // Audio and video side by side.
  auto* middle = new QHBoxLayout;
  middle->setSpacing(10);

  QGroupBox* audio = AddGroup("Audio", this);
  auto* audio_grid = new QGridLayout(audio);
  audio_grid->setColumnStretch(1, 1);
  coding_mode_ = new QButtonGroup(this);
  audio_grid->addWidget(AddLabel("Coding Mode", audio), 0, 0, 1, 2);
  audio_grid->addWidget(
      AddRadio(coding_mode_, 0, kIdCodingPcm, "PCM(Pulse Code Modulation)", audio), 1, 0, 1, 2);
  audio_grid->addWidget(AddLabel("Sample Rate", audio), 2, 0);
  sample_rate_ = new QComboBox(audio);
  sample_rate_->setObjectName(IdName(kIdSampleRate));
  sample_rate_->setEditable(false);
  audio_grid->addWidget(sample_rate_, 2, 1, Qt::AlignLeft);
  middle->addWidget(audio, 0);

  QGroupBox* video = AddGroup("Video", this);
  auto* video_grid = new QGridLayout(video);
  video_grid->setColumnStretch(3, 1);
  video_grid->setHorizontalSpacing(12);
  tv_mode_ = new QButtonGroup(this);
  video_grid->addWidget(AddLabel("TV Mode", video), 0, 0);
  video_grid->addWidget(AddRadio(tv_mode_, 0, kIdPal, "PAL", video), 0, 1);
  video_grid->addWidget(AddRadio(tv_mode_, 1, kIdNtsc, "NTSC", video), 0, 2);
  display_mode_ = new QButtonGroup(this);
  video_grid->addWidget(AddLabel("Display Mode", video), 1, 0);
  video_grid->addWidget(AddRadio(display_mode_, 0, kIdLetterBox, "Letter Box", video), 1, 1);
  video_grid->addWidget(AddRadio(display_mode_, 1, kIdPanScan, "Pan && Scan", video), 1, 2);
  aspect_ratio_ = new QButtonGroup(this);
  video_grid->addWidget(AddLabel("Aspect Ratio", video), 2, 0);
  video_grid->addWidget(AddRadio(aspect_ratio_, 0, kIdFullScreen, "4:3 (Full Screen)", video), 2,
                        1);
  video_grid->addWidget(AddRadio(aspect_ratio_, 1, kIdWideScreen, "16:9 (Wide Screen)", video), 2,
                        2);
  middle->addWidget(video, 1);
  root->addLayout(middle);

  // Theme with the thumbnails of its two pictures.
  QGroupBox* background = AddGroup("Default Background", this);
  auto* background_grid = new QGridLayout(background);
  background_grid->setHorizontalSpacing(18);
  background_grid->addWidget(AddLabel("Theme Name", background), 0, 0);
  theme_list_ = new QComboBox(background);
  theme_list_->setObjectName(IdName(kIdThemeName));
  theme_list_->setEditable(false);
  theme_list_->setMinimumWidth(200);
  // Under the theme: what the disc does when it is put in.
  auto* theme_column = new QVBoxLayout;
  theme_column->addWidget(theme_list_);
  theme_column->addSpacing(8);
  theme_column->addWidget(AddLabel("Start With", background));
  start_with_ = new QButtonGroup(this);
  theme_column->addWidget(AddRadio(start_with_, 0, kIdStartPlay, "Play Title 1", background));
  theme_column->addWidget(AddRadio(start_with_, 1, kIdStartMenu, "Show the Menu", background));
  theme_column->addStretch(1);
  background_grid->addLayout(theme_column, 1, 0);
  auto make_thumbnail = [background](int id) {
    auto* picture = new QLabel(background);
    picture->setObjectName(IdName(id));
    picture->setFixedSize(kThumbnailWidth, kThumbnailHeight);
    picture->setFrameShape(QFrame::Box);
    picture->setLineWidth(1);
    picture->setScaledContents(true);
    return picture;
  };
  background_grid->addWidget(AddLabel("Default Menu", background), 0, 1);
  menu_picture_ = make_thumbnail(kIdDefaultMenu);
  background_grid->addWidget(menu_picture_, 1, 1);
  background_grid->addWidget(AddLabel("Background Picture", background), 0, 2);
  chapter_picture_ = make_thumbnail(kIdBackgroundPicture);
  background_grid->addWidget(chapter_picture_, 1, 2);
  background_grid->setColumnStretch(3, 1);
  root->addWidget(background);

  root->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  default_button_ = new SkinButton(QStringLiteral("Default"), this);
  default_button_->setObjectName(IdName(kIdDefault));
  buttons->addWidget(default_button_);
  ok_button_ = new SkinButton(QStringLiteral("OK"), this);
  ok_button_->setObjectName(IdName(kIdOk));
  buttons->addWidget(ok_button_);
  root->addLayout(buttons);

  connect(default_button_, &QPushButton::clicked, this, [this] { ResetToDefault(); });
  connect(ok_button_, &QPushButton::clicked, this, [this] { Apply(); });
  connect(theme_list_, &QComboBox::currentIndexChanged, this, [this] { OnThemeChanged(); });

  tool_tip_relay_ = new ToolTipRelay(*this);
}

void CreatorConfigDlg::Initialize() {
  RefreshClock();
  clock_.start();

  {
    const QSignalBlocker block(sample_rate_);
    sample_rate_->clear();
    sample_rate_->addItem(QStringLiteral("48KHz"));
    sample_rate_->addItem(QStringLiteral("96KHz"));
    sample_rate_->setCurrentIndex(0);
  }

  {
    const QSignalBlocker block(theme_list_);
    theme_list_->clear();
    themes_ = ListThemes(themes_folder_);
    for (const std::string& name : themes_) theme_list_->addItem(QString::fromStdString(name));
    theme_list_->setEnabled(!themes_.empty());
  }

  LoadFromSettings(false);
  SkinButtons();
  LanguageHolder& language = context_.Settings().Language();
  SetButtonToolTips(*this, [&language](const QString& caption) {
    return QString::fromStdString(
        language.Translate(caption.toStdString(), kSectionToolTips, kShortTextCapacity));
  });
  TranslatePage();
}

void CreatorConfigDlg::LoadFromSettings(bool reset) {
  Settings& settings = context_.Settings().Values();
  if (reset) WriteChoices(DefaultChoices(), settings);
  ShowChoices(ChoicesFromSettings(settings));
}

void CreatorConfigDlg::LoadFromProject() {
  ShowChoices(ChoicesFromHeader(context_.Project().Header()));
}

void CreatorConfigDlg::Apply() {
  const ConfigValues values = Values();
  ProjectChoices choices;
  choices.project_name = values.project_name;
  choices.coding_mode = values.coding_mode;
  choices.sample_rate = values.SampleRate();
  choices.tv_mode = values.tv_mode;
  choices.display_mode = values.display_mode;
  choices.aspect_ratio = values.aspect_ratio;
  choices.theme_index = values.theme_index;
  choices.start_with_menu = values.start_with;

  WriteChoices(choices, context_.Settings().Values());
  context_.Conversion().SetSampleRate(choices.sample_rate);
  WriteChoices(choices, context_.Project().Header());
}

void CreatorConfigDlg::ResetToDefault() {
  LoadFromSettings(true);
  Apply();
}

void CreatorConfigDlg::OnThemeChanged() {
  const int index = theme_list_->currentIndex();
  if (index < 0 || index >= static_cast<int>(themes_.size())) {
    ShowThumbnails({}, {});
    return;
  }
  const ThemePictures pictures = UseTheme(context_, themes_folder_, themes_[index]);
  const QSize area = ThumbnailAreaSize();
  const ThemePreview preview = ComposeThemePreview(pictures.menu, pictures.chapter, area, area);
  ShowThumbnails(preview.menu, preview.chapter);
}

ConfigValues CreatorConfigDlg::Values() const {
  ConfigValues values;
  values.project_name = project_name_->text().toStdString();
  values.coding_mode = CheckedIndex(coding_mode_);
  values.sample_rate_index = sample_rate_->currentIndex() < 0 ? 0 : sample_rate_->currentIndex();
  values.tv_mode = CheckedIndex(tv_mode_);
  values.display_mode = CheckedIndex(display_mode_);
  values.aspect_ratio = CheckedIndex(aspect_ratio_);
  values.theme_index = theme_list_->currentIndex() < 0 ? 0 : theme_list_->currentIndex();
  values.start_with = CheckedIndex(start_with_);
  return values;
}

QString CreatorConfigDlg::CurrentTimeText() const { return current_time_->text(); }

bool CreatorConfigDlg::ThemeListEnabled() const { return theme_list_->isEnabled(); }

QSize CreatorConfigDlg::ThumbnailAreaSize() const { return menu_picture_->contentsRect().size(); }

void CreatorConfigDlg::ShowChoices(const ProjectChoices& choices) {
  project_name_->setText(QString::fromStdString(choices.project_name));
  // PCM is the only coding offered.
  Check(coding_mode_, 0);
  Check(tv_mode_, choices.tv_mode);
  Check(display_mode_, choices.display_mode);
  Check(aspect_ratio_, choices.aspect_ratio);
  Check(start_with_, choices.start_with_menu);
  SelectTheme(choices.theme_index);
  SelectSampleRate(choices.sample_rate);
}

void CreatorConfigDlg::SelectSampleRate(int rate) {
  if (rate == kRate48k)
    sample_rate_->setCurrentIndex(0);
  else if (rate == kRate96k)
    sample_rate_->setCurrentIndex(1);
}

void CreatorConfigDlg::SelectTheme(int index) {
  {
    const QSignalBlocker block(theme_list_);
    // A stored index past the end of the list (themes removed since) falls
    // back to the first theme.
    const int count = theme_list_->count();
    theme_list_->setCurrentIndex(count == 0 ? -1 : (index >= 0 && index < count ? index : 0));
  }
  OnThemeChanged();
}

void CreatorConfigDlg::ShowThumbnails(const QImage& menu, const QImage& chapter) {
  menu_thumbnail_ = menu;
  chapter_thumbnail_ = chapter;
  menu_picture_->setPixmap(menu.isNull() ? QPixmap() : QPixmap::fromImage(menu));
  chapter_picture_->setPixmap(chapter.isNull() ? QPixmap() : QPixmap::fromImage(chapter));
}

void CreatorConfigDlg::RefreshClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[64] = {};
  if (localtime_r(&now, &local) && std::strftime(text, sizeof text, kTimeFormat, &local) > 0)
    current_time_->setText(QString::fromLatin1(text));
}

void CreatorConfigDlg::SkinButtons() {
  const fs::path folder = SkinsFolder();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  for (auto [button, base] :
       {std::pair{ok_button_, "con_ok"}, std::pair{default_button_, "con_def"}}) {
    if (!SetButtonSkin(*button, folder, base) && !button->IsSkinned()) continue;
    button->setFixedSize(button->ImageNormal().size());
    button->SetTextMargins(QMargins(kPillCaptionIndent, 0, 0, 0));
  }
}

void CreatorConfigDlg::TranslatePage() {
  TranslateWidgetTexts(context_.Settings().Language(), *this, kSectionCreatorConfigDlg);
}

}  // namespace verosa
