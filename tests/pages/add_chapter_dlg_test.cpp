// The chapter dialog: the checks OK makes before it closes, the font and
// colour choosers mapped to and from the stored records, the browse buttons,
// and its texts in another language.
#include "ui/pages/add_chapter_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/app_context.h"
#include "support/test_support.h"

namespace verosa {
namespace {

namespace fs = std::filesystem;
using testing_support::IsolatedUser;
using testing_support::MessageBoxRecorder;
using testing_support::ScopedEnv;
using testing_support::ScratchDir;
using Dlg = AddChapterDlg;

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The media, pictures and texts the checks are tried on.
class ChapterFiles {
 public:
  ChapterFiles() {
    ok_ = testing_support::MakeToneFile(tone, 0.5, 44100) &&
          Run("ffmpeg -nostdin -y -f lavfi -i testsrc=s=64x48:r=25:d=1 -f lavfi -i sine=d=1 "
              "-shortest '" + clip.string() + "'") &&
          Run("ffmpeg -nostdin -y -f lavfi -i testsrc=s=64x48:r=25:d=1 -an '" + silent.string() +
              "'") &&
          testing_support::MakePictureFile(jpeg) && testing_support::MakePictureFile(bmp);
    testing_support::WriteFile(text, "not a song\n");
    testing_support::WriteFile(fake_jpeg, "not a picture\n");
    testing_support::WriteFile(lyric, "La la la\n");
    fs::create_directories(folder);
  }
  bool Ok() const { return ok_; }

  ScratchDir dir_;
  fs::path tone = dir_ / "tone.wav", clip = dir_ / "clip with sound.mpg",
           silent = dir_ / "silent.mpg", jpeg = dir_ / "back.jpg", bmp = dir_ / "back.bmp",
           text = dir_ / "notes.txt", fake_jpeg = dir_ / "fake.jpg", lyric = dir_ / "song.txt",
           folder = dir_ / "lyrics.txt", missing = dir_ / "gone.txt";

 private:
  bool ok_ = false;
};

class ChapterDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.Initialize(StartupOptions{.single_instance = false}))
        << context_.FailureText();
    context_.SetDefaultChapterPicturePath("");
  }

  template <typename T>
  static T* Control(const Dlg& dlg, int id) {
    T* control = dlg.findChild<T*>(QString::number(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  static void Click(const Dlg& dlg, int id) { Control<QPushButton>(dlg, id)->click(); }

  IsolatedUser user_;
  AppContext context_;
};

std::string S(const fs::path& path) { return path.string(); }

// OK checks audio, picture and lyric in this order; the first failure warns
// with its text and the path and leaves the dialog open.
TEST_F(ChapterDialogTest, OkChecksTheFieldsInOrderAndStaysOpenOnARefusal) {
  const ChapterFiles f;
  ASSERT_TRUE(f.Ok()) << "ffmpeg could not make the test media";
  struct Case {
    const char* name;
    std::string audio, picture, lyric;
    std::string default_picture;  // the theme's chapter picture
    const char* refusal;          // nullptr: accepted
    std::string refused_path;
  };
  const Case cases[] = {
      {"all empty: audio first", "", "", "", "", "Invalid audio file:", ""},
      {"text file as audio", S(f.text), S(f.jpeg), "", "", "Invalid audio file:", S(f.text)},
      {"video without sound", S(f.silent), S(f.jpeg), "", "", "Invalid audio file:",
       S(f.silent)},
      {"video with sound, no lyric", S(f.clip), S(f.jpeg), "", "", nullptr, ""},
      {"wav, bmp, lyric", S(f.tone), S(f.bmp), S(f.lyric), "", nullptr, ""},
      {"empty picture, no theme", S(f.tone), "", S(f.missing), "",
       "Invalid background picture File:", ""},
      {"empty picture takes the theme's", S(f.tone), "", "", S(f.jpeg), nullptr, ""},
      {"text file as picture", S(f.tone), S(f.fake_jpeg), "", "",
       "Invalid background picture File:", S(f.fake_jpeg)},
      {"missing picture", S(f.tone), S(f.dir_ / "none.bmp"), "", "",
       "Invalid background picture File:", S(f.dir_ / "none.bmp")},
      {"missing lyric", S(f.tone), S(f.jpeg), S(f.missing), "", "Invalid lyric File:",
       S(f.missing)},
      {"folder as lyric", S(f.tone), S(f.jpeg), S(f.folder), "", "Invalid lyric File:",
       S(f.folder)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    context_.SetDefaultChapterPicturePath(c.default_picture);
    ChapterDialogFields initial;
    initial.audio_path = c.audio;
    initial.picture_path = c.picture;
    initial.lyric_path = c.lyric;
    Dlg dlg(context_, Dlg::Mode::Edit, initial);
    dlg.open();
    MessageBoxRecorder boxes;
    Click(dlg, Dlg::kIdOk);

    std::vector<testing_support::RecordedBox> warnings;
    for (const auto& box : boxes.Boxes())
      if (box.caption == "Warning") warnings.push_back(box);
    EXPECT_EQ(dlg.isVisible(), c.refusal != nullptr);
    EXPECT_EQ(dlg.result() == QDialog::Accepted, c.refusal == nullptr);
    ASSERT_EQ(warnings.size(), c.refusal ? 1u : 0u);
    if (c.refusal) {
      EXPECT_EQ(warnings[0].text, std::string(c.refusal) + "\n" + c.refused_path);
      EXPECT_EQ(warnings[0].style, platform::kMbOk | platform::kMbIconWarning);
    }
    EXPECT_EQ(dlg.Fields().picture_path, c.picture.empty() ? c.default_picture : c.picture);
    dlg.reject();
  }
}

// The font chooser gets the stored font as a Qt font (size in points of the
// 96-dpi pictures) with the colour; what it changes is stored, what it leaves
// alone stays; cancelled choosers change nothing. The real font dialog,
// confirmed as it opens, keeps aliases, missing faces, weights without a
// style of their own and sizes between whole points.
TEST_F(ChapterDialogTest, FontAndColourMapToTheStoredRecords) {
  ChapterDialogFields initial;
  initial.lyric_color = 0x0000FF;  // red
  QFont seen_font;
  QColor seen_colour, give_colour;
  std::optional<QFont> give_font;
  bool confirm = true;
  ChapterDialogChoosers choosers;
  choosers.font = [&](QWidget*, QFont& font, QColor& colour) {
    seen_font = font;
    seen_colour = colour;
    if (give_font) font = *give_font;
    if (give_colour.isValid()) colour = give_colour;
    return confirm;
  };
  choosers.colour = [&](QWidget*, QColor& colour) {
    seen_colour = colour;
    colour = give_colour;
    return confirm;
  };
  Dlg dlg(context_, Dlg::Mode::Add, initial, nullptr, choosers);
  Click(dlg, Dlg::kIdLyricFont);  // confirmed unchanged
  EXPECT_EQ(seen_colour, QColor(255, 0, 0));
  EXPECT_EQ(seen_font.weight(), QFont::Black);
  EXPECT_EQ(dlg.Fields().lyric_font, LogFont::DefaultLyricFont());

  QFont serif(QStringLiteral("Liberation Serif"));
  serif.setPointSizeF(18);  // 24 px
  serif.setWeight(QFont::Light);
  serif.setItalic(true);
  serif.setUnderline(true);
  serif.setStrikeOut(true);
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setPixelSize(30);
  mono.setWeight(QFont::Black);
  struct Choice {
    QFont font;
    QColor colour;
    std::int32_t height, weight;
    std::uint8_t italic_underline_strike_out;
    ColorRef stored_colour;
  };
  const Choice choices[] = {{serif, QColor(0x12, 0x34, 0x56), -24, 300, 1, 0x563412},
                            {mono, QColor(0, 255, 0), -30, 900, 0, 0x00FF00}};
  for (const Choice& c : choices) {
    SCOPED_TRACE(c.font.family().toStdString());
    give_font = c.font;
    give_colour = c.colour;
    Click(dlg, Dlg::kIdLyricFont);
    const LogFont stored = dlg.Fields().lyric_font;
    EXPECT_EQ(stored.lfHeight, c.height);
    EXPECT_EQ(stored.lfWeight, c.weight);
    for (std::uint8_t flag : {stored.lfItalic, stored.lfUnderline, stored.lfStrikeOut})
      EXPECT_EQ(flag, c.italic_underline_strike_out);
    EXPECT_EQ(stored.FaceName(), c.font.family().toStdString());
    EXPECT_EQ(dlg.Fields().lyric_color, c.stored_colour);

    give_font.reset();  // shown again as chosen; confirmed unchanged it stays
    give_colour = QColor();
    Click(dlg, Dlg::kIdLyricFont);
    EXPECT_EQ(seen_font.family(), c.font.family());
    EXPECT_DOUBLE_EQ(seen_font.pointSizeF(), -c.height * 0.75);
    EXPECT_EQ(seen_colour, c.colour);
    EXPECT_EQ(dlg.Fields().lyric_font, stored);
  }

  const ChapterDialogFields before = dlg.Fields();
  confirm = false;
  give_font = serif;
  give_colour = QColor(1, 2, 3);
  Click(dlg, Dlg::kIdLyricFont);
  Click(dlg, Dlg::kIdLyricColor);
  EXPECT_EQ(dlg.Fields().lyric_font, before.lyric_font);
  EXPECT_EQ(dlg.Fields().lyric_color, before.lyric_color);
  confirm = true;
  Click(dlg, Dlg::kIdLyricColor);
  EXPECT_EQ(dlg.Fields().lyric_color, 0x030201u);

  auto font = [](const char* face, std::int32_t height, std::int32_t weight, bool italic) {
    LogFont f = LogFont::DefaultLyricFont();
    f.SetFaceName(face);
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfItalic = italic ? 1 : 0;
    return f;
  };
  for (const LogFont& stored : {LogFont::DefaultLyricFont(), font("System", 20, 400, false),
                                font("DejaVu Serif", -24, 700, true),
                                font("No Such Face", -18, 400, false)}) {
    SCOPED_TRACE(stored.FaceName() + " " + std::to_string(stored.lfHeight));
    ChapterDialogFields fields;
    fields.lyric_font = stored;
    Dlg real(context_, Dlg::Mode::Edit, fields);
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
      auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
      shown = dialog != nullptr;
      if (dialog) dialog->accept();
    });
    Click(real, Dlg::kIdLyricFont);
    EXPECT_TRUE(shown);
    EXPECT_EQ(real.Fields().lyric_font, stored);
  }
}

// Each browse button starts in its field's file, or in the last file chosen
// when the field is empty, with its own filter; a cancelled choice keeps the
// field.
TEST_F(ChapterDialogTest, BrowseStartsAtTheFieldOrTheLastChoice) {
  context_.SetDefaultChapterPicturePath("/themes/Slate/Chapter.jpg");
  std::vector<QStringList> calls;  // title, folder, filter
  std::vector<QString> answers = {"/music/one.mp3", "", "/music/words.txt"};
  ChapterDialogChoosers choosers;
  choosers.open_file = [&](QWidget*, const QString& title, const QString& folder,
                           const QString& filter) {
    calls.push_back({title, folder, filter});
    return answers[calls.size() - 1];
  };
  Dlg dlg(context_, Dlg::Mode::Add, {}, nullptr, choosers);
  Click(dlg, Dlg::kIdBrowseAudio);    // empty field, no last choice
  Click(dlg, Dlg::kIdBrowsePicture);  // the default picture; cancelled
  Click(dlg, Dlg::kIdBrowseLyric);    // empty field: the last choice
  const std::vector<QStringList> expected = {
      {"Select Files", "",
       "Supported Files (*.mp3 *.wav *.snd *.au *.aif *.aifc *.aiff *.wma *.avi *.wmv *.mpg "
       "*.mpeg *.vob *.flac *.ogg *.oga *.opus *.m4a *.aac *.ape *.wv *.mka)"},
      {"Select Files", "/themes/Slate/Chapter.jpg", "Supported Files (*.bmp *.jpg)"},
      {"Select Files", "/music/one.mp3", "Supported Files (*.txt)"}};
  EXPECT_EQ(calls, expected);
  const ChapterDialogFields fields = dlg.Fields();
  EXPECT_EQ(fields.audio_path, "/music/one.mp3");
  EXPECT_EQ(fields.picture_path, "/themes/Slate/Chapter.jpg");
  EXPECT_EQ(fields.lyric_path, "/music/words.txt");
}

// With the program's German language file: captions, mnemonics and the
// warning come translated.
TEST_F(ChapterDialogTest, TextsComeFromTheLanguageFiles) {
  AppContext german;
  ScopedEnv language("VEROSA_LANGUAGE", "de");
  context_.Shutdown(false);
  ASSERT_TRUE(german.Initialize(StartupOptions{.single_instance = false}))
      << german.FailureText();
  ScratchDir dir;
  const fs::path text = dir / "notes.txt";
  testing_support::WriteFile(text, "not a song\n");
  ChapterDialogFields initial;
  initial.audio_path = S(text);
  Dlg dlg(german, Dlg::Mode::Edit, initial);
  EXPECT_EQ(dlg.windowTitle(), "Kapitel bearbeiten");
  EXPECT_EQ(Control<QPushButton>(dlg, Dlg::kIdLyricFont)->text(), "Liedtext-&Schriftart");
  EXPECT_EQ(Control<QPushButton>(dlg, Dlg::kIdCancel)->text(), "Abbrechen");

  dlg.open();
  MessageBoxRecorder boxes;
  Click(dlg, Dlg::kIdOk);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Warnung");
  EXPECT_EQ(boxes.Boxes()[0].text, "Ungültige Audiodatei:\n" + S(text));
  EXPECT_TRUE(dlg.isVisible());
}

}  // namespace
}  // namespace verosa
