// Lyric files: reading, the layout (with a fixed-width measure, so the
// numbers can be worked out by hand), and the painted result.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <fstream>

#include "imaging/lyric_text.h"
#include "imaging/still_picture.h"
#include "imaging_test_support.h"
#include "support/test_support.h"

namespace {

using namespace verosa;
using imaging_test::PixelAt;
using imaging_test::RandomDib;
using testing_support::ScratchDir;
using testing_support::WriteFile;

// Every character 10 pixels wide, lines 20 pixels high.
class FixedMeasure : public TextMeasure {
 public:
  int LineHeight() const override { return 20; }
  int Advance(QStringView text) const override { return 10 * static_cast<int>(text.size()); }
  int AverageCharWidth() const override { return 10; }
};

std::vector<QString> NumberedLines(int n) {
  std::vector<QString> lines;
  for (int i = 0; i < n; ++i) lines.push_back(QStringLiteral("line %1").arg(i));
  return lines;
}

std::vector<const PlacedText*> RowsOfLine(const LyricLayout& layout, int line) {
  std::vector<const PlacedText*> rows;
  for (const PlacedText& t : layout.texts)
    if (t.line == line) rows.push_back(&t);
  return rows;
}

TEST(ReadLyricLines, EncodingsAndLineEnds) {
  ScratchDir dir;
  WriteFile(dir / "utf8.txt", "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e\r\nzwei\r\n\r\ndrei");
  WriteFile(dir / "latin1.txt", "Gr\xFC\xDF" "e\nS\xE9" "ance \x93Quoted\x94 \x97 \x80\n");
  WriteFile(dir / "utf16le.txt", std::string("\xFF\xFE" "G\0\xFC\0\n\0\xA3\x03", 10));
  WriteFile(dir / "utf16be.txt", std::string("\xFE\xFF" "\0G\0\xFC\0\n\x03\xA3", 10));
  WriteFile(dir / "cr.txt", "a\rb\r");
  WriteFile(dir / "empty.txt", "");
  const auto utf8 = ReadLyricLines(dir / "utf8.txt");
  ASSERT_TRUE(utf8);
  EXPECT_EQ(*utf8, (std::vector<QString>{QString::fromUtf8("Grüße"), "zwei", "", "drei"}));
  const auto latin1 = ReadLyricLines(dir / "latin1.txt");
  ASSERT_TRUE(latin1);
  EXPECT_EQ(*latin1, (std::vector<QString>{QString::fromUtf8("Grüße"), QString::fromUtf8("Séance “Quoted” — €")}));
  for (const char* name : {"utf16le.txt", "utf16be.txt"}) {
    const auto utf16 = ReadLyricLines(dir / name);
    ASSERT_TRUE(utf16) << name;
    EXPECT_EQ(*utf16, (std::vector<QString>{QString::fromUtf8("Gü"), QString::fromUtf8("Σ")})) << name;
  }
  EXPECT_EQ(*ReadLyricLines(dir / "cr.txt"), (std::vector<QString>{"a", "b"}));
  EXPECT_TRUE(ReadLyricLines(dir / "empty.txt")->empty());

  EXPECT_FALSE(ReadLyricLines(dir / "missing.txt"));
  EXPECT_FALSE(ReadLyricLines(dir.Path()));
  EXPECT_FALSE(ReadLyricLines(""));
  {
    std::ofstream big(dir / "big.txt");
  }
  std::filesystem::resize_file(dir / "big.txt", kMaxLyricFileBytes + 1);
  EXPECT_FALSE(ReadLyricLines(dir / "big.txt"));
}

TEST(LayOutLyrics, HeadingAndOneCentredColumn) {
  const FixedMeasure m;
  const LyricLayout layout = LayOutLyrics("Song", {"one", "two two", ""}, 720, 576, m);
  ASSERT_EQ(layout.texts.size(), 4u);
  const PlacedText& heading = layout.texts[0];
  EXPECT_EQ(heading.line, PlacedText::kHeading);
  EXPECT_EQ(heading.text, "Song");
  EXPECT_EQ(heading.top, 1);  // inside the border
  EXPECT_EQ(heading.left, 1 + (718 - 40) / 2);
  EXPECT_EQ(layout.column_top, 20 + 20);  // heading height plus one line
  EXPECT_EQ(layout.columns, 1);
  EXPECT_EQ(layout.column_width, 720 - 2);

  EXPECT_EQ(layout.texts[1].text, "one");
  EXPECT_EQ(layout.texts[1].left, 1 + (718 - 30) / 2);
  EXPECT_EQ(layout.texts[1].top, 40);
  EXPECT_EQ(layout.texts[1].clip, QRect(1, 40, 718, 576 - 40));
  EXPECT_EQ(layout.texts[2].top, 60);
  EXPECT_EQ(layout.texts[3].text, "");
  EXPECT_EQ(layout.texts[3].top, 80) << "an empty line keeps its place";
  EXPECT_EQ(layout.lines_placed, 3);
  EXPECT_FALSE(layout.ended_early);
}

TEST(LayOutLyrics, TwoColumnsWhenTheLinesAreTallerThanThePicture) {
  const FixedMeasure m;
  EXPECT_EQ(LayOutLyrics("x", NumberedLines(28), 720, 576, m).columns, 1);  // 560 px
  const LyricLayout layout = LayOutLyrics("x", NumberedLines(40), 720, 576, m);
  EXPECT_EQ(layout.columns, 2);
  EXPECT_EQ(layout.column_width, 360 - 2);
  // 26 lines from y 40 fill the first column (the 27th would end at 580).
  EXPECT_EQ(RowsOfLine(layout, 25)[0]->top, 540);
  EXPECT_EQ(RowsOfLine(layout, 25)[0]->clip.left(), 1);
  const PlacedText* first_of_second = RowsOfLine(layout, 26)[0];
  EXPECT_EQ(first_of_second->top, 40);
  EXPECT_EQ(first_of_second->clip.left(), 1 + 360);
  EXPECT_EQ(first_of_second->left, 361 + (358 - 70) / 2);
  EXPECT_EQ(layout.lines_placed, 40);
  EXPECT_FALSE(layout.ended_early);
}

TEST(LayOutLyrics, ThreeColumnsAndTheEndingMark) {
  const FixedMeasure m;
  EXPECT_EQ(LayOutLyrics("x", NumberedLines(57), 720, 576, m).columns, 2);  // 1140 px
  EXPECT_EQ(LayOutLyrics("x", NumberedLines(58), 720, 576, m).columns, 3);  // 1160 px
  const LyricLayout layout = LayOutLyrics("x", NumberedLines(400), 720, 576, m);
  EXPECT_EQ(layout.columns, 3);
  EXPECT_EQ(layout.column_width, 240 - 2);
  EXPECT_EQ(layout.lines_placed, 3 * 26);
  ASSERT_TRUE(layout.ended_early);
  const PlacedText& mark = layout.texts.back();
  EXPECT_EQ(mark.line, PlacedText::kEnding);
  EXPECT_EQ(mark.text, "......");
  // Right- and bottom-aligned in the rectangle of the last line drawn.
  const PlacedText* last = RowsOfLine(layout, 77)[0];
  EXPECT_EQ(mark.clip, last->clip);
  EXPECT_EQ(mark.left, 481 + 238 - 60);
  EXPECT_EQ(mark.top, 576 - 20);
  EXPECT_TRUE(RowsOfLine(layout, 78).empty()) << "nothing after the mark";
}

TEST(LayOutLyrics, WrappedLinesMoveToTheNextColumnWhole) {
  const FixedMeasure m;
  std::vector<QString> lines = NumberedLines(60);  // three columns of 238 px
  lines[25] = QString(50, u'w');                  // 500 px: needs three rows
  const LyricLayout layout = LayOutLyrics("x", lines, 720, 576, m);
  // Line 24 ends at 540; line 25 would need 540 + 60 > 576: next column.
  const auto rows = RowsOfLine(layout, 25);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]->clip.left(), 241);
  EXPECT_EQ(rows[0]->top, 40);
  EXPECT_EQ(rows[1]->top, 60);
  EXPECT_EQ(rows[0]->text.size(), 23);  // 230 of 238 px
  EXPECT_EQ(RowsOfLine(layout, 26)[0]->top, 100);
}

TEST(WrapText, BreaksBetweenWordsAndInsideOverlongOnes) {
  const FixedMeasure m;
  const QString text = "alpha beta  gamma delta epsilon";
  const auto rows = WrapText(text, 120, m, false, 100);
  EXPECT_EQ(rows, (std::vector<QString>{"alpha beta", "gamma delta", "epsilon"}));
  EXPECT_EQ(WrapText(QString(25, u'x'), 100, m, false, 100),
            (std::vector<QString>{QString(10, u'x'), QString(10, u'x'), QString(5, u'x')}));
  EXPECT_EQ(WrapText("  indented", 200, m, false, 100), (std::vector<QString>{"  indented"}));
  EXPECT_EQ(WrapText("", 100, m, false, 100), (std::vector<QString>{""}));
  EXPECT_EQ(WrapText("wide", 5, m, false, 100).front(), "w") << "at least one character a row";
  EXPECT_EQ(WrapText(QString(1000, u'x'), 100, m, false, 3).size(), 3u);
}

TEST(TabbedAdvance, TabsJumpToStopsOfEightAverageCharacters) {
  const FixedMeasure m;
  EXPECT_EQ(TabbedAdvance(u"a\tb", m), 80 + 10);
  EXPECT_EQ(TabbedAdvance(u"\t\tx", m), 160 + 10);
  EXPECT_EQ(TabbedAdvance(u"abcdefgh\tx", m), 160 + 10);  // a tab at a stop goes to the next
  EXPECT_EQ(TabbedAdvance(u"plain", m), 50);
  const LyricLayout layout = LayOutLyrics("x", {"a\tb"}, 720, 576, m);
  EXPECT_EQ(layout.texts[1].width, 90);
  EXPECT_EQ(layout.texts[1].left, 1 + (718 - 90) / 2);
}

TEST(LayOutLyrics, TinyPicturesGiveNoOrFewPlacements) {
  const FixedMeasure m;
  for (int size : {0, 1, 2})
    EXPECT_TRUE(LayOutLyrics("x", NumberedLines(5), size, size, m).texts.empty());
  const LyricLayout small = LayOutLyrics("heading", NumberedLines(5), 4, 4, m);
  EXPECT_LE(small.lines_placed, 5);
}

// --- Painting on a real picture -------------------------------------------

class DrawLyrics : public ::testing::Test {
 protected:
  StillPicture Frame(PixelFormat format = PixelFormat::Bgr24) {
    StillPicture picture;
    EXPECT_TRUE(picture.SetDib(CreateBlankDib(720, 576, 0, format)));
    return picture;
  }
  ScratchDir dir_;
};

TEST_F(DrawLyrics, TextLandsWhereTheLayoutPutsIt) {
  WriteFile(dir_ / "Morning Song.txt", "first line\r\nthe second line\r\n\r\nlast\r\n");
  StillPicture picture = Frame();
  LogFont font = LogFont::DefaultLyricFont();
  picture.SetTextSource(dir_ / "Morning Song.txt", font, 0x0000FF);  // red
  ASSERT_TRUE(picture.DrawLyricText());

  const QFont qfont = FontFromLogFont(font);
  const LyricLayout layout = LayOutLyrics("Morning Song", *ReadLyricLines(dir_ / "Morning Song.txt"),
                                          720, 576, FontMeasure(qfont));
  ASSERT_EQ(layout.texts.size(), 5u);
  EXPECT_EQ(layout.texts[0].text, "Morning Song");
  const int tm = layout.line_height;
  auto inside = [&](int x, int y) {
    for (const PlacedText& t : layout.texts)
      if (x >= t.left - 3 && x < t.left + t.width + 3 && y >= t.top && y < t.top + tm) return true;
    return false;
  };
  int painted = 0, pure = 0;
  std::vector<int> hits(layout.texts.size(), 0);
  for (int y = 0; y < 576; ++y)
    for (int x = 0; x < 720; ++x) {
      const std::uint8_t* p = PixelAt(picture.Dib(), x, y);
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      ++painted;
      ASSERT_TRUE(inside(x, y)) << "stray pixel at " << x << "," << y;
      EXPECT_EQ(p[0], 0) << "no blue in red text";
      pure += p[2] == 255 && p[1] == 0;
      for (std::size_t i = 0; i < layout.texts.size(); ++i) {
        const PlacedText& t = layout.texts[i];
        hits[i] += x >= t.left && x < t.left + t.width && y >= t.top && y < t.top + tm;
      }
    }
  EXPECT_GT(painted, 500);
  EXPECT_GT(pure, 100);
  for (std::size_t i = 0; i < hits.size(); ++i)
    EXPECT_EQ(hits[i] > 0, !layout.texts[i].text.isEmpty()) << layout.texts[i].text.toStdString();
  // The heading is centred: its ink spans equally far either side of the middle.
  int min_x = 720, max_x = -1;
  for (int y = layout.texts[0].top; y < layout.texts[0].top + tm; ++y)
    for (int x = 0; x < 720; ++x)
      if (PixelAt(picture.Dib(), x, y)[2] != 0) {
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
      }
  EXPECT_NEAR(min_x + max_x, 720, 6);
}

TEST_F(DrawLyrics, MissingOrEmptyFilesLeaveThePictureAlone) {
  StillPicture picture;
  ASSERT_TRUE(picture.SetDib(RandomDib(720, 576, PixelFormat::Bgr24, 4)));
  const DibBlock before = picture.Dib();
  EXPECT_FALSE(picture.DrawLyricText()) << "no source set";
  picture.SetTextSource(dir_ / "missing.txt", std::nullopt, kWhite);
  EXPECT_FALSE(picture.DrawLyricText());
  picture.SetTextSource(dir_.Path(), std::nullopt, kWhite);
  EXPECT_FALSE(picture.DrawLyricText());
  WriteFile(dir_ / "empty.txt", "");
  picture.SetTextSource(dir_ / "empty.txt", std::nullopt, kWhite);
  EXPECT_TRUE(picture.DrawLyricText());
  EXPECT_EQ(picture.Dib(), before);
  StillPicture empty;
  empty.SetTextSource(dir_ / "empty.txt", std::nullopt, kWhite);
  EXPECT_FALSE(empty.DrawLyricText());
}

TEST_F(DrawLyrics, EveryPixelFormatKeepsItsForm) {
  WriteFile(dir_ / "words.txt", "some words\n");
  for (PixelFormat format : {PixelFormat::Grey8, PixelFormat::Bgr24, PixelFormat::Bgrx32}) {
    StillPicture picture;
    DibBlock dib = CreateBlankDib(320, 200, 0, format);
    if (format == PixelFormat::Bgrx32)
      for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) PixelAt(dib, x, y)[3] = 0x77;
    ASSERT_TRUE(picture.SetDib(dib));
    picture.SetTextSource(dir_ / "words.txt", LogFont::DefaultLyricFont(), kWhite);
    ASSERT_TRUE(picture.DrawLyricText());
    ASSERT_EQ(picture.Dib().size(), dib.size());
    int white = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) {
        const std::uint8_t* p = PixelAt(picture.Dib(), x, y);
        white += p[0] == 255;
        if (format == PixelFormat::Bgrx32) {
          ASSERT_EQ(p[3], 0x77);
        }
      }
    EXPECT_GT(white, 50);
  }
}

TEST(FontFromLogFont, HeightsWeightAndStyle) {
  LogFont character;
  character.lfHeight = -30;
  character.SetFaceName("DejaVu Serif");
  const QFont c = FontFromLogFont(character);
  EXPECT_EQ(c.pixelSize(), 30);
  EXPECT_EQ(c.weight(), QFont::Normal);

  LogFont cell;
  cell.lfHeight = 24;
  cell.lfWeight = 700;
  cell.lfItalic = cell.lfUnderline = cell.lfStrikeOut = 1;
  cell.lfQuality = 3;
  cell.SetFaceName("DejaVu Sans");
  const QFont f = FontFromLogFont(cell);
  const int line = FontMeasure(f).LineHeight();
  EXPECT_LE(line, 24);
  EXPECT_GE(line, 22) << "the cell height is matched";
  EXPECT_LT(f.pixelSize(), 24);
  EXPECT_EQ(f.weight(), QFont::Bold);
  EXPECT_TRUE(f.italic());
  EXPECT_TRUE(f.underline());
  EXPECT_TRUE(f.strikeOut());
  EXPECT_EQ(f.styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);

  const QFont system = FontFromLogFont(LogFont::DefaultLyricFont());
  EXPECT_GE(system.weight(), QFont::Bold);
  EXPECT_LE(FontMeasure(system).LineHeight(), 20);
  EXPECT_FALSE(QFontInfo(system).family().isEmpty());

  LogFont absurd;
  absurd.lfHeight = INT32_MIN;
  EXPECT_LE(FontFromLogFont(absurd).pixelSize(), 2048);
}

TEST(ColorFromColorRef, BlueGreenRed) {
  EXPECT_EQ(ColorFromColorRef(0x00112233), QColor(0x33, 0x22, 0x11));
  EXPECT_EQ(ColorFromColorRef(kWhite), QColor(255, 255, 255));
}

}  // namespace
