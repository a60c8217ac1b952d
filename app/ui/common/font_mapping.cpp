#include "ui/common/font_mapping.h"

#include <QFontInfo>
#include <QString>
#include <cmath>
#include <string>

#include "imaging/lyric_text.h"

namespace verosa {
namespace {

// The pixel size of a font given in pixels or in points; 0 when it has none.
int PicturePixels(const QFont& font) {
  if (font.pixelSize() > 0) return font.pixelSize();
  if (font.pointSizeF() > 0)
    return static_cast<int>(std::lround(font.pointSizeF() / kPointsPerPicturePixel));
  return 0;
}

// The font dialog lists whole points: a size within half a point of the
// stored one is the size it showed.
bool SameSize(const QFont& chosen, const QFont& asked) {
  if (PicturePixels(chosen) == PicturePixels(asked)) return true;
  return chosen.pointSizeF() > 0 && asked.pointSizeF() > 0 &&
         std::abs(chosen.pointSizeF() - asked.pointSizeF()) <= 0.5;
}

bool SameFamily(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::uint8_t FamilyBits(QFont::StyleHint hint) {
  switch (hint) {
    case QFont::Serif: return 0x10;       // FF_ROMAN
    case QFont::SansSerif: return 0x20;   // FF_SWISS
    case QFont::TypeWriter: return 0x30;  // FF_MODERN
    case QFont::Cursive: return 0x40;     // FF_SCRIPT
    case QFont::Decorative: return 0x50;  // FF_DECORATIVE
    default: return 0x00;                 // FF_DONTCARE
  }
}

}  // namespace

QFont FontAsListed(const QFont& font) {
  const QFontInfo info(font);
  QFont listed = font;
  listed.setFamily(info.family());
  listed.setStyleName(info.styleName());
  return listed;
}

QFont DialogFontFromLogFont(const LogFont& font) {
  QFont dialog_font = FontFromLogFont(font);
  if (dialog_font.pixelSize() > 0)
    dialog_font.setPointSizeF(dialog_font.pixelSize() * kPointsPerPicturePixel);
  return dialog_font;
}

LogFont LogFontFromDialogFont(const QFont& font, const LogFont& previous) {
  const QFont asked = DialogFontFromLogFont(previous);
  const QFontInfo resolved(asked);
  LogFont result = previous;

  const int pixels = PicturePixels(font);
  if (pixels > 0 && !SameSize(font, asked)) {
    result.lfHeight = -pixels;
    result.lfWidth = 0;
  }

  const QString family = font.family();
  if (!family.isEmpty() && !SameFamily(family, asked.family()) &&
      !SameFamily(family, resolved.family())) {
    result.SetFaceName(family.toLocal8Bit().toStdString());
    result.lfPitchAndFamily = FamilyBits(font.styleHint());
  }

  // The style the stored font resolves to (e.g. "Bold" for a weight 900 the
  // family has no style for) stands for its weight and slant.
  const bool same_style = !font.styleName().isEmpty() &&
                          font.styleName().compare(resolved.styleName(), Qt::CaseInsensitive) == 0;
  const int weight = font.weight();
  if (!same_style && weight != asked.weight() && weight != resolved.weight()) {
    result.lfWeight = weight;
    // "System" is always drawn bold: a lighter weight needs the real family.
    const QString face = QString::fromLocal8Bit(result.FaceName());
    if (weight < QFont::Bold && (face.isEmpty() || SameFamily(face, QStringLiteral("System"))) &&
        !family.isEmpty()) {
      result.SetFaceName(family.toLocal8Bit().toStdString());
      result.lfPitchAndFamily = FamilyBits(font.styleHint());
    }
  }
  if (!same_style) result.lfItalic = font.italic() ? 1 : 0;
  result.lfUnderline = font.underline() ? 1 : 0;
  result.lfStrikeOut = font.strikeOut() ? 1 : 0;
  return result;
}

ColorRef ColorRefFromColor(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return static_cast<ColorRef>(rgb.red()) | static_cast<ColorRef>(rgb.green()) << 8 |
         static_cast<ColorRef>(rgb.blue()) << 16;
}

}  // namespace verosa
