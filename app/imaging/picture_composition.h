// How the program composes its pictures with StillPicture: the disc stills
// of the output job (menu and one per chapter, at the DVD frame size), the
// theme previews of the Config page and the chapter previews of the Edit
// page and the full-screen preview.
#pragma once

#include <QImage>
#include <QSize>
#include <filesystem>

#include "imaging/still_picture.h"
#include "project/project_types.h"

namespace verosa {

class ProjectDocument;

// The loading rule of every composition: BMP first, then JPEG on the same
// path. A failed load leaves the picture as it was.
bool LoadPicture(StillPicture& picture, const std::filesystem::path& path);

// What a chapter's still is made from (its VideoCell and AudioCell).
struct ChapterPictureSource {
  std::filesystem::path picture;
  std::filesystem::path lyrics;  // empty: no text
  LogFont font = LogFont::DefaultLyricFont();
  ColorRef colour = kWhite;
};

struct StillOutcome {
  bool written = false;            // the BMP file was written
  bool background_loaded = false;  // false: the still shows a black frame
  bool lyrics_drawn = false;
};

// Disc stills are written as 24-bit bottom-up BMP files at the frame size,
// whatever the format, depth and size of the picture they are made from.

// The menu still: the menu picture at the frame size, without text. Nothing
// is written when the picture cannot be loaded.
StillOutcome RenderMenuStill(const std::filesystem::path& menu_picture,
                             const std::filesystem::path& out, FrameMode mode);
// A chapter still: the background at the frame size with the chapter's
// lyrics drawn on it. A background that cannot be loaded gives a black frame,
// still with the lyrics. Each chapter starts from a fresh picture.
StillOutcome RenderChapterStill(const ChapterPictureSource& source,
                                const std::filesystem::path& out, FrameMode mode);

// A picture scaled to a preview area (theme previews, the Edit page's logo).
// Null when the file does not exist (no message) or cannot be loaded.
QImage ComposeSizedPreview(const std::filesystem::path& picture, QSize size);
// A chapter as it will look on the disc, scaled to a preview area: lyrics
// drawn at the frame size of `mode`, then scaled. Null when the picture file
// does not exist; a black frame with the lyrics when it cannot be loaded.
QImage ComposeChapterPreview(const ChapterPictureSource& source, FrameMode mode, QSize size);
// The same for chapter `index` of a project (its cells, the project's TV
// system); null for an index without a chapter.
QImage ComposeProjectChapter(const ProjectDocument& project, int index, QSize size);

struct ThemePreview {
  QImage menu;
  QImage chapter;
};
// Both previews of a theme, from its menu and chapter pictures, as the Config
// page shows them when the theme is chosen.
ThemePreview ComposeThemePreview(const std::filesystem::path& menu_picture,
                                 const std::filesystem::path& chapter_picture, QSize menu_size,
                                 QSize chapter_size);

}  // namespace verosa
