// AddChapterDlg: the chapter dialog. It picks one chapter's audio file,
// background picture and lyric file, and the font and colour the lyrics are
// drawn in. The Edit page opens it modally for "Add a Chapter" and "Edit a
// Chapter" and reads Fields() after exec() returned Accepted; the dialog
// itself changes nothing in the project.
//
// OK checks the fields in order and, on the first failure, warns (caption
// "Warning") and stays open: the audio file must have an audio stream, the
// picture must load as BMP or JPEG, and a lyric path, when given, must name
// an existing file. An empty lyric path is valid and means "no lyric".
//
// Keyboard: the group captions' mnemonics move to their path fields, Tab
// from a field reaches its "..." button and F4 in a field browses for it;
// the font and colour buttons have mnemonics, Enter is OK, Escape Cancel.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>
#include <functional>
#include <string>

#include "project/chapter_editing.h"
#include "project/project_types.h"

class QLineEdit;
class QVBoxLayout;

namespace verosa {

class AppContext;

// The dialog's fields are a chapter's files and lyric style.
using ChapterDialogFields = ChapterFiles;

// The outside choosers the dialog opens. Empty members open the real Qt
// dialogs: QFileDialog::getOpenFileName; QFontDialog for the font, which has
// no colour, so that chooser leaves the colour as it is (the colour button
// changes it); QColorDialog for the colour. Tests put their own in.
struct ChapterDialogChoosers {
  // The chosen file, or an empty text when cancelled.
  std::function<QString(QWidget*, const QString& title, const QString& folder,
                        const QString& filter)>
      open_file;
  std::function<bool(QWidget*, QFont& font, QColor& colour)> font;  // false = cancelled
  std::function<bool(QWidget*, QColor& colour)> colour;             // false = cancelled
};

class AddChapterDlg : public QDialog {
 public:
  enum class Mode { Add = 0, Edit = 1 };

  // Control ids; each control carries its id as object name.
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdBrowseAudio = 1057;
  static constexpr int kIdBrowsePicture = 1058;
  static constexpr int kIdBrowseLyric = 1059;
  static constexpr int kIdAudioPath = 1060;
  static constexpr int kIdPicturePath = 1061;
  static constexpr int kIdLyricPath = 1062;
  static constexpr int kIdLyricFont = 1093;
  static constexpr int kIdLyricColor = 1094;

  // Browse filters: description, then the patterns separated by ';'.
  static constexpr const char* kFilterDescription = "Supported Files";
  static constexpr const char* kAudioPatterns =
      "*.mp3;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.wma;*.avi;*.wmv;*.mpg;*.mpeg;*.vob"
      ";*.flac;*.ogg;*.oga;*.opus;*.m4a;*.aac;*.ape;*.wv;*.mka";
  static constexpr const char* kPicturePatterns = "*.bmp;*.jpg";
  static constexpr const char* kLyricPatterns = "*.txt";

  // Shows `initial`; an empty picture path becomes the context's default
  // chapter picture. Caption and texts are translated (section AddChapterDlg).
  AddChapterDlg(AppContext& context, Mode mode, const ChapterDialogFields& initial,
                QWidget* parent = nullptr, ChapterDialogChoosers choosers = {});
  ~AddChapterDlg() override;
  AddChapterDlg(const AddChapterDlg&) = delete;
  AddChapterDlg& operator=(const AddChapterDlg&) = delete;

  // The paths as the fields show them, the font and the colour.
  ChapterDialogFields Fields() const;
  Mode DialogMode() const { return mode_; }

  // OK: closes with Accepted only when the fields pass the checks above.
  void accept() override;

 private:
  void BuildControls();
  QLineEdit* AddPathRow(QVBoxLayout* root, const char* caption, int edit_id, int browse_id,
                        const char* patterns);
  void Browse(QLineEdit* field, const char* patterns);
  void ChooseFont();
  void ChooseColour();
  // The first failed check's warning, with focus on its field; true when all pass.
  bool Validate();
  void Warn(const char* message, const QString& path, QLineEdit* field);

  AppContext& context_;
  Mode mode_;
  ChapterDialogChoosers choosers_;
  LogFont lyric_font_;
  ColorRef lyric_color_;
  QString last_browse_path_;  // the file last chosen with a browse button

  QLineEdit* audio_path_ = nullptr;
  QLineEdit* picture_path_ = nullptr;
  QLineEdit* lyric_path_ = nullptr;
};

}  // namespace verosa
