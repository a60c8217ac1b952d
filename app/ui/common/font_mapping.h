// The stored lyric font (LOGFONT) and colour (COLORREF) as Qt's font and
// colour dialogs show them, and back.
//
// A LOGFONT height counts pixels of the 96-dpi pictures the lyrics are drawn
// on; the font dialog works in points, so the dialog font carries the pixel
// size as points at 96 dpi. Reading a font back, every attribute the user did
// not change keeps its stored value: a size, face or weight equal to what the
// stored record asks for (or to what it resolves to on this system) is taken
// as unchanged. So "System" (drawn as the default bold sans serif) stays
// "System", a positive (cell) height stays as it was, and a weight the font
// has no style for is not rounded to the nearest style.
#pragma once

#include <QColor>
#include <QFont>

#include "project/project_types.h"

namespace verosa {

// Points per pixel of the pictures: 72 / 96.
inline constexpr double kPointsPerPicturePixel = 72.0 / 96.0;

// The font to start the font dialog with: the font the lyrics are drawn in
// (see FontFromLogFont), its size as points.
QFont DialogFontFromLogFont(const LogFont& font);

// `font` named by the family and style it resolves to on this system: the
// names the font dialog lists. Given an alias ("Sans Serif") or a weight
// its family has no style for, the dialog would select its first entries.
QFont FontAsListed(const QFont& font);

// The record for a font chosen in the dialog, starting from `previous`.
// A changed size becomes a negative height (character height in pixels)
// with width 0; a changed face becomes the family name (at most 31 bytes)
// with the family bits of its style hint; a changed style gives its weight
// (the Qt and LOGFONT scales agree: 400 normal, 700 bold, 900 black) and
// slant; underline and strike-out as 1 or 0. A size within half a point of
// the stored one is unchanged (the dialog lists whole points). Escapement,
// orientation, character set, precisions and quality keep their values.
LogFont LogFontFromDialogFont(const QFont& font, const LogFont& previous);

// 0x00BBGGRR from a colour (alpha dropped).
ColorRef ColorRefFromColor(const QColor& colour);

}  // namespace verosa
