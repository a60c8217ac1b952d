// Lyric text on a picture: reading the lyric file, laying its lines out
// (heading, one to three centred columns, word wrap, tab stops, the
// "......" ending), and painting the layout with QPainter.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringView>
#include <filesystem>
#include <optional>
#include <vector>

#include "project/project_types.h"

namespace verosa {

// Widths the classic window system gives its thin borders and 3-D edges.
inline constexpr int kBorderWidth = 1;
inline constexpr int kBorderHeight = 1;
inline constexpr int kEdgeWidth = 2;
// Drawn instead of the lines that no longer fit.
inline constexpr const char* kMoreTextMark = "......";
// Tab stops every this many average character widths.
inline constexpr int kTabStopChars = 8;
// Lyric files larger than this are not read.
inline constexpr std::uintmax_t kMaxLyricFileBytes = 16u << 20;

// The lines of a lyric file: UTF-8, or Latin-1 when the bytes are not valid
// UTF-8; lines end with LF, CR LF or CR; a leading byte-order mark is
// dropped. None when the file cannot be read (missing, not a regular file,
// larger than kMaxLyricFileBytes).
std::optional<std::vector<QString>> ReadLyricLines(const std::filesystem::path& path);

// The text measures the layout works with.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int LineHeight() const = 0;                 // ascent plus descent
  virtual int Advance(QStringView text) const = 0;    // tabs not expanded
  virtual int AverageCharWidth() const = 0;
};

// Measures of a font as drawn on an image.
class FontMeasure : public TextMeasure {
 public:
  explicit FontMeasure(const QFont& font);
  int LineHeight() const override;
  int Advance(QStringView text) const override;
  int AverageCharWidth() const override;
  int Ascent() const;

 private:
  QImage device_;  // 96-dpi reference device, as the pictures are painted on
  QFontMetrics metrics_;
};

// Width of a text whose tabs jump to the next stop.
int TabbedAdvance(QStringView text, const TextMeasure& measure);

// Breaks a text into rows no wider than `width`: between words where it can,
// inside a word only when the word alone is wider. Spaces at a break are
// dropped. At most `max_rows` rows; an empty text gives one empty row.
std::vector<QString> WrapText(const QString& text, int width, const TextMeasure& measure,
                              bool expand_tabs, int max_rows);

// One row of text placed on the picture.
struct PlacedText {
  static constexpr int kHeading = -1;
  static constexpr int kEnding = -2;

  QString text;  // may hold tabs
  int left = 0;  // start of the row
  int top = 0;   // top of the row's line
  int width = 0; // advance, tabs expanded
  QRect clip;    // the rectangle the row was laid out in; drawing stays inside
  int line = kHeading;  // index of the lyric line, or kHeading / kEnding
};

struct LyricLayout {
  int line_height = 0;
  int columns = 1;
  int column_width = 0;
  int column_top = 0;
  int lines_placed = 0;  // lyric lines placed before the layout stopped
  bool ended_early = false;  // the "......" mark was placed
  std::vector<PlacedText> texts;
};

// Lays out `heading` centred at the top of a width x height picture and the
// lines below it in one column, two when the lines are taller than the
// picture, three when taller than twice the picture; each line centred in
// its column, wrapped, tabs expanded; when the columns are full the mark
// "......" goes to the lower right of the last column and the rest is left out.
LyricLayout LayOutLyrics(const QString& heading, const std::vector<QString>& lines, int width,
                         int height, const TextMeasure& measure);

// Paints a layout made with FontMeasure(font) onto `image`.
void PaintLyricLayout(QImage& image, const LyricLayout& layout, const QFont& font,
                      const QColor& colour);

// The font a LOGFONT describes: height (negative: character height, positive:
// cell height, 0: the default size), weight, italic, underline, strike-out,
// face ("System" or none: the default sans serif, bold), pitch and family as
// a fallback hint, non-antialiased quality. Needs a QGuiApplication.
QFont FontFromLogFont(const LogFont& font);

// 0x00BBGGRR as a colour.
QColor ColorFromColorRef(ColorRef colour);

}  // namespace verosa
