#include "imaging/lyric_text.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace verosa {
namespace fs = std::filesystem;

namespace {

// Longer lines are cut: no picture shows more of one line.
constexpr qsizetype kMaxLineChars = 16384;

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

int Measure(QStringView text, const TextMeasure& measure, bool expand_tabs) {
  return expand_tabs ? TabbedAdvance(text, measure) : measure.Advance(text);
}

int TabStop(const TextMeasure& measure) {
  return kTabStopChars * std::max(1, measure.AverageCharWidth());
}

// Length of the longest start of text[start, end) that fits in `width`,
// at least one character (a surrogate pair is not split).
qsizetype FittingPrefix(const QString& text, qsizetype start, qsizetype end, int width,
                        const TextMeasure& measure, bool expand_tabs) {
  qsizetype lo = 1, hi = end - start - 1;  // the whole run is known not to fit
  qsizetype best = 1;
  while (lo <= hi) {
    const qsizetype mid = lo + (hi - lo) / 2;
    if (Measure(QStringView(text).mid(start, mid), measure, expand_tabs) <= width) {
      best = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  if (start + best < text.size() && text[start + best].isLowSurrogate()) {
    if (best > 1) --best;
    else ++best;
  }
  return best;
}

}  // namespace

std::optional<std::vector<QString>> ReadLyricLines(const fs::path& path) {
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) return std::nullopt;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size > kMaxLyricFileBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;

  // A byte order mark names the encoding (Notepad's "Unicode" is UTF-16);
  // else UTF-8, and text that is not UTF-8 is Windows-1252, the lyric files
  // of Windows editors (curly quotes and dashes in 0x80-0x9F), or Latin-1.
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  const auto marked = QStringConverter::encodingForData(view);
  QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
  QString text = decoder(view);
  if (decoder.hasError() && !marked) {
    QStringDecoder windows("windows-1252");
    text = windows.isValid() ? windows(view) : QString::fromLatin1(view);
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

  std::vector<QString> lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i <= n; ++i) {
    const bool end = i == n;
    if (!end && text[i] != u'\n' && text[i] != u'\r') continue;
    if (end && start == n) break;  // no line after the last line end
    lines.push_back(text.mid(start, std::min(i - start, kMaxLineChars)));
    if (!end && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  return lines;
}

FontMeasure::FontMeasure(const QFont& font)
    : device_(1, 1, QImage::Format_RGB32), metrics_(font, &device_) {}

int FontMeasure::LineHeight() const { return metrics_.height(); }

int FontMeasure::Advance(QStringView text) const {
  return metrics_.horizontalAdvance(text.toString());
}

int FontMeasure::AverageCharWidth() const { return metrics_.averageCharWidth(); }

int FontMeasure::Ascent() const { return metrics_.ascent(); }

int TabbedAdvance(QStringView text, const TextMeasure& measure) {
  const int stop = TabStop(measure);
  int x = 0;
  qsizetype from = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\t') continue;
    x += measure.Advance(text.mid(from, i - from));
    if (i < text.size()) x = (x / stop + 1) * stop;
    from = i + 1;
  }
  return x;
}

std::vector<QString> WrapText(const QString& text, int width, const TextMeasure& measure,
                              bool expand_tabs, int max_rows) {
  std::vector<QString> rows;
  const qsizetype n = text.size();
  qsizetype pos = 0;
  while (pos < n && static_cast<int>(rows.size()) < max_rows) {
    const qsizetype start = pos;
    qsizetype fit_end = -1;  // end of the last word that fits
    qsizetype word_end = start;
    for (qsizetype i = start; i < n;) {
      qsizetype j = i;
      while (j < n && IsBlank(text[j])) ++j;
      qsizetype k = j;
      while (k < n && !IsBlank(text[k])) ++k;
      if (k == j) {  // only blanks are left
        if (fit_end < 0) fit_end = n;
        break;
      }
      word_end = k;
      if (Measure(QStringView(text).mid(start, k - start), measure, expand_tabs) > width) break;
      fit_end = k;
      i = k;
    }
    if (fit_end < 0)
      fit_end = start + FittingPrefix(text, start, word_end, width, measure, expand_tabs);
    rows.push_back(text.mid(start, fit_end - start));
    pos = fit_end;
    while (pos < n && IsBlank(text[pos])) ++pos;
  }
  if (rows.empty()) rows.emplace_back();
  return rows;
}

LyricLayout LayOutLyrics(const QString& heading, const std::vector<QString>& lines, int width,
                         int height, const TextMeasure& measure) {
  LyricLayout layout;
  const int tm = std::max(1, measure.LineHeight());
  layout.line_height = tm;
  const QRect work(kBorderWidth, kBorderHeight, width - 2 * kBorderWidth,
                   height - 2 * kBorderHeight);
  if (work.width() <= 0 || work.height() <= 0) return layout;
  const int max_rows = height / tm + 2;  // rows below that are out of sight

  // Heading: the file name, centred, wrapped.
  QString head = heading;
  head.replace(u'\t', u' ');
  const std::vector<QString> head_rows = WrapText(head, work.width(), measure, false, max_rows);
  int y = work.top();
  for (const QString& row : head_rows) {
    const int advance = measure.Advance(row);
    layout.texts.push_back(
        {row, work.left() + (work.width() - advance) / 2, y, advance, work, PlacedText::kHeading});
    y += tm;
  }
  layout.column_top = static_cast<int>(head_rows.size()) * tm + tm;

  // One column; two when the lines are taller than the picture; three when
  // taller than twice the picture.
  const std::int64_t total = static_cast<std::int64_t>(tm) * static_cast<std::int64_t>(lines.size());
  layout.columns = 1;
  if (height < total) layout.columns = 2;
  if (2 * static_cast<std::int64_t>(height) < total) layout.columns = 3;
  const int step = width / layout.columns;
  layout.column_width = step - kEdgeWidth;
  const int cw = layout.column_width;
  if (cw <= 0) return layout;

  int x = work.left();
  y = layout.column_top;
  QRect previous(x, y, cw, height - y);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    const std::int64_t needed = (static_cast<std::int64_t>(TabbedAdvance(line, measure)) + cw - 1) / cw;
    if (y + needed * tm > height) {
      y = layout.column_top;
      x += step;
    }
    if (x > width) {
      const int advance = measure.Advance(QString::fromLatin1(kMoreTextMark));
      layout.texts.push_back({QString::fromLatin1(kMoreTextMark),
                              previous.left() + previous.width() - advance,
                              previous.top() + previous.height() - tm, advance, previous,
                              PlacedText::kEnding});
      layout.ended_early = true;
      break;
    }
    const QRect rect(x, y, cw, height - y);
    const std::vector<QString> rows = WrapText(line, cw, measure, true, max_rows);
    for (const QString& row : rows) {
      const int advance = TabbedAdvance(row, measure);
      layout.texts.push_back({row, x + (cw - advance) / 2, y, advance, rect, static_cast<int>(i)});
      y += tm;
    }
    previous = rect;
    ++layout.lines_placed;
  }
  return layout;
}

void PaintLyricLayout(QImage& image, const LyricLayout& layout, const QFont& font,
                      const QColor& colour) {
  const FontMeasure measure(font);
  const int ascent = measure.Ascent();
  const int stop = TabStop(measure);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(colour);
  for (const PlacedText& t : layout.texts) {
    const QRect clip = t.clip.intersected(image.rect());
    if (clip.isEmpty()) continue;
    painter.setClipRect(clip);
    int x = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= t.text.size(); ++i) {
      if (i < t.text.size() && t.text[i] != u'\t') continue;
      const QString segment = t.text.mid(from, i - from);
      if (!segment.isEmpty()) painter.drawText(QPoint(t.left + x, t.top + ascent), segment);
      x += measure.Advance(segment);
      if (i < t.text.size()) x = (x / stop + 1) * stop;
      from = i + 1;
    }
  }
}

QFont FontFromLogFont(const LogFont& lf) {
  const std::string face = lf.FaceName();
  const bool system = face.empty() || QString::fromStdString(face).compare(u"System", Qt::CaseInsensitive) == 0;
  QFont font;
  if (system) {
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
  } else {
    font.setFamily(QString::fromLocal8Bit(face));
    switch (lf.lfPitchAndFamily & 0xF0) {
      case 0x10: font.setStyleHint(QFont::Serif); break;
      case 0x20: font.setStyleHint(QFont::SansSerif); break;
      case 0x30: font.setStyleHint(QFont::TypeWriter); break;
      case 0x40: font.setStyleHint(QFont::Cursive); break;
      case 0x50: font.setStyleHint(QFont::Decorative); break;
      default: break;
    }
  }
  int weight = lf.lfWeight <= 0 ? QFont::Normal : std::min(lf.lfWeight, 1000);
  if (system) weight = std::max(weight, static_cast<int>(QFont::Bold));
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  if (lf.lfQuality == 3) font.setStyleStrategy(QFont::NoAntialias);  // NONANTIALIASED_QUALITY

  constexpr std::int64_t kLargest = 2048;
  const std::int64_t height = lf.lfHeight;
  if (height < 0) {
    font.setPixelSize(static_cast<int>(std::min(-height, kLargest)));
  } else if (height > 0) {
    // A positive height is the cell height (ascent plus descent): take the
    // largest character size whose cell is not taller.
    const int cell = static_cast<int>(std::min(height, kLargest));
    auto cell_of = [&font](int size) {
      QFont f = font;
      f.setPixelSize(size);
      return FontMeasure(f).LineHeight();
    };
    const int measured = cell_of(cell);
    int size = measured > 0 ? std::max(1, (cell * cell + measured / 2) / measured) : cell;
    for (int i = 0; i < 8 && size > 1 && cell_of(size) > cell; ++i) --size;
    for (int i = 0; i < 8 && cell_of(size + 1) <= cell; ++i) ++size;
    font.setPixelSize(size);
  }
  return font;
}

QColor ColorFromColorRef(ColorRef colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

}  // namespace verosa
