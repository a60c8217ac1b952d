// Disc menu pages: the theme's menu picture at the frame size with a heading
// and one labelled box per button, laid out in the title-safe area: up to
// twelve entries a page in two columns, and a row of page and menu buttons
// (Previous, Next, Back, Play all) at the bottom.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <filesystem>
#include <vector>

#include "imaging/still_picture.h"

namespace verosa {

inline constexpr int kMenuEntriesPerPage = 12;

enum class MenuButtonRole { Entry, Previous, Next, Back, PlayAll };

struct MenuEntryText {
  QString label;
  QString detail;  // drawn at the right of the box (a song's length); may be empty
};

struct MenuButtonBox {
  MenuButtonRole role = MenuButtonRole::Entry;
  int entry = -1;  // index into the entries for MenuButtonRole::Entry
  QRect rect;      // frame pixels; the highlight covers it exactly
  QString label;
  QString detail;
};

struct MenuPageLayout {
  int page = 0;   // from 0
  int pages = 1;
  std::vector<MenuButtonBox> buttons;  // entries first, then the bottom row
};

// The words of the bottom row's buttons.
struct MenuRowTexts {
  QString previous = QStringLiteral("Previous");
  QString next = QStringLiteral("Next");
  QString back = QStringLiteral("Back");
  QString play_all = QStringLiteral("Play all");
};

// Pages for `entries` (at least one page): Previous on every page but the
// first, Next on every page but the last, then the `extra` roles (Back,
// PlayAll) on every page.
std::vector<MenuPageLayout> LayOutMenuPages(const std::vector<MenuEntryText>& entries,
                                            const std::vector<MenuButtonRole>& extra, FrameMode mode,
                                            const MenuRowTexts& texts = {});

// The highlight colour of a theme: the picture's prevailing hue, bright and
// saturated; a warm gold for a picture without colour or one that cannot be
// loaded.
QColor MenuAccentColour(const std::filesystem::path& background);

// Draws a page onto the menu picture (scaled to the frame) and writes it as a
// 24-bit BMP. False when the picture cannot be loaded or the file written,
// or there is no QGuiApplication to draw text with.
bool RenderMenuPage(const std::filesystem::path& background, const QString& heading, const MenuPageLayout& page,
                    const QColor& accent, FrameMode mode, const std::filesystem::path& out);

}  // namespace verosa
