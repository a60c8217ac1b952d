#include "ui/pages/add_chapter_dlg.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/media_info.h"
#include "imaging/picture_composition.h"
#include "imaging/lyric_text.h"
#include "platform/message_box.h"
#include "shell/app_context.h"
#include "shell/language_holder.h"
#include "ui/common/font_mapping.h"
#include "ui/common/ui_language.h"

namespace verosa {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAddCaption = "Add a chapter!";
constexpr const char* kEditCaption = "Edit a chapter!";
constexpr const char* kBrowseTitle = "Select Files";
constexpr const char* kInvalidAudio = "Invalid audio file:";
constexpr const char* kInvalidPicture = "Invalid background picture File:";
constexpr const char* kInvalidLyric = "Invalid lyric File:";
constexpr const char* kWarningCaption = "Warning";

constexpr int kPathFieldWidth = 380;

QString IdName(int id) { return QString::number(id); }

fs::path PathOf(const QString& text) { return fs::path(text.toStdString()); }

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// Loads as the output job does (BMP, then JPEG). A path that names no file
// is refused before the loaders, which would report it in a box of their own.
bool LoadsAsPicture(const fs::path& path) {
  if (!IsRegularFile(path)) return false;
  StillPicture picture;
  return LoadPicture(picture, path);
}

ChapterDialogChoosers WithDefaults(ChapterDialogChoosers choosers) {
  if (!choosers.open_file) {
    choosers.open_file = [](QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) {
      return QFileDialog::getOpenFileName(parent, title, folder, filter);
    };
  }
  if (!choosers.font) {
    // QFontDialog has no colour: the colour stays as it is.
    choosers.font = [](QWidget* parent, QFont& font, QColor&) {
      bool ok = false;
      const QFont chosen = QFontDialog::getFont(&ok, FontAsListed(font), parent);
      if (ok) font = chosen;
      return ok;
    };
  }
  if (!choosers.colour) {
    choosers.colour = [](QWidget* parent, QColor& colour) {
      const QColor chosen = QColorDialog::getColor(colour, parent);
      if (!chosen.isValid()) return false;
      colour = chosen;
      return true;
    };
  }
  return choosers;
}

}  // namespace

AddChapterDlg::AddChapterDlg(AppContext& context, Mode mode, const ChapterDialogFields& initial,
                             QWidget* parent, ChapterDialogChoosers choosers)
    : QDialog(parent),
      context_(context),
      mode_(mode),
      choosers_(WithDefaults(std::move(choosers))),
      lyric_font_(initial.lyric_font),
      lyric_color_(initial.lyric_color) {
  BuildControls();
  setWindowTitle(QString::fromUtf8(mode_ == Mode::Edit ? kEditCaption : kAddCaption));
  TranslateWidgetTexts(context_.Settings().Language(), *this, kSectionAddChapterDlg);

  const std::string& picture =
      initial.picture_path.empty() ? context_.DefaultChapterPicturePath() : initial.picture_path;
  audio_path_->setText(QString::fromStdString(initial.audio_path));
  picture_path_->setText(QString::fromStdString(picture));
  lyric_path_->setText(QString::fromStdString(initial.lyric_path));
}

AddChapterDlg::~AddChapterDlg() = default;

void AddChapterDlg::BuildControls() {
  setObjectName(QStringLiteral("AddChapterDlg"));
  auto* root = new QVBoxLayout(this);
  root->setSpacing(8);

  audio_path_ = AddPathRow(root, "&Audio File", kIdAudioPath, kIdBrowseAudio, kAudioPatterns);
  picture_path_ = AddPathRow(root, "&Background Picture", kIdPicturePath, kIdBrowsePicture,
                             kPicturePatterns);
  lyric_path_ = AddPathRow(root, "&Lyric File", kIdLyricPath, kIdBrowseLyric, kLyricPatterns);

  auto* lyric_row = new QHBoxLayout;
  auto* font_button = new QPushButton(QStringLiteral("Lyric &Font Setting"), this);
  font_button->setObjectName(IdName(kIdLyricFont));
  font_button->setAutoDefault(false);
  auto* colour_button = new QPushButton(QStringLiteral("Lyric &Color Setting"), this);
  colour_button->setObjectName(IdName(kIdLyricColor));
  colour_button->setAutoDefault(false);
  lyric_row->addWidget(font_button);
  lyric_row->addWidget(colour_button);
  lyric_row->addStretch(1);
  root->addLayout(lyric_row);
  root->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(IdName(kIdOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(IdName(kIdCancel));
  cancel->setAutoDefault(false);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  root->addLayout(buttons);

  connect(font_button, &QPushButton::clicked, this, [this] { ChooseFont(); });
  connect(colour_button, &QPushButton::clicked, this, [this] { ChooseColour(); });
  connect(ok, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit* AddChapterDlg::AddPathRow(QVBoxLayout* root, const char* caption, int edit_id,
                                     int browse_id, const char* patterns) {
  auto* group = new QGroupBox(QString::fromUtf8(caption), this);
  auto* row = new QHBoxLayout(group);
  auto* field = new QLineEdit(group);
  field->setObjectName(IdName(edit_id));
  field->setMinimumWidth(kPathFieldWidth);
  auto* browse = new QPushButton(QStringLiteral("..."), group);
  browse->setObjectName(IdName(browse_id));
  browse->setAutoDefault(false);
  browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  row->addWidget(field, 1);
  row->addWidget(browse);
  root->addWidget(group);

  connect(browse, &QPushButton::clicked, this,
          [this, field, patterns] { Browse(field, patterns); });
  auto* browse_key = new QShortcut(QKeySequence(Qt::Key_F4), field, nullptr, nullptr,
                                   Qt::WidgetShortcut);
  connect(browse_key, &QShortcut::activated, browse, &QPushButton::click);
  return field;
}

void AddChapterDlg::Browse(QLineEdit* field, const char* patterns) {
  const LanguageHolder& language = context_.Settings().Language();
  const QString title = TranslateText(language, QString::fromUtf8(kBrowseTitle),
                                      kSectionAddChapterDlg);
  const QString description = TranslateText(language, QString::fromUtf8(kFilterDescription),
                                            kSectionAddChapterDlg);
  // Qt separates the patterns of one filter with spaces.
  const QString filter =
      description + QStringLiteral(" (") + QString::fromUtf8(patterns).replace(u';', u' ') + u')';
  const QString folder = field->text().isEmpty() ? last_browse_path_ : field->text();
  const QString chosen = choosers_.open_file(this, title, folder, filter);
  if (chosen.isEmpty()) return;
  field->setText(chosen);
  last_browse_path_ = chosen;
}

void AddChapterDlg::ChooseFont() {
  QFont font = DialogFontFromLogFont(lyric_font_);
  QColor colour = ColorFromColorRef(lyric_color_);
  if (!choosers_.font(this, font, colour)) return;
  lyric_font_ = LogFontFromDialogFont(font, lyric_font_);
  if (colour.isValid()) lyric_color_ = ColorRefFromColor(colour);
}

void AddChapterDlg::ChooseColour() {
  QColor colour = ColorFromColorRef(lyric_color_);
  if (!choosers_.colour(this, colour) || !colour.isValid()) return;
  lyric_color_ = ColorRefFromColor(colour);
}

ChapterDialogFields AddChapterDlg::Fields() const {
  ChapterDialogFields fields;
  fields.audio_path = audio_path_->text().toStdString();
  fields.picture_path = picture_path_->text().toStdString();
  fields.lyric_path = lyric_path_->text().toStdString();
  fields.lyric_font = lyric_font_;
  fields.lyric_color = lyric_color_;
  return fields;
}

void AddChapterDlg::accept() {
  if (Validate()) QDialog::accept();
}

bool AddChapterDlg::Validate() {
  const QString audio = audio_path_->text();
  if (audio.isEmpty() || !HasAudioStream(PathOf(audio))) {
    Warn(kInvalidAudio, audio, audio_path_);
    return false;
  }
  const QString picture = picture_path_->text();
  if (!LoadsAsPicture(PathOf(picture))) {
    Warn(kInvalidPicture, picture, picture_path_);
    return false;
  }
  const QString lyric = lyric_path_->text();
  if (!lyric.isEmpty() && !IsRegularFile(PathOf(lyric))) {
    Warn(kInvalidLyric, lyric, lyric_path_);
    return false;
  }
  return true;
}

void AddChapterDlg::Warn(const char* message, const QString& path, QLineEdit* field) {
  const std::string text =
      context_.Settings().Language().Translate(message, kSectionMessageBoxes) + "\n" +
      path.toStdString();
  platform::MessageBox(platform::kNoWindow, text, kWarningCaption,
                       platform::kMbOk | platform::kMbIconWarning);
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

}  // namespace verosa
