#include "imaging/picture_composition.h"

#include <algorithm>

#include <QString>

#include "platform/paths.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

// `folder`/`name`, or the entry of `folder` whose name differs only in case.
fs::path FindIgnoringCase(const fs::path& folder, const std::string& name) {
  const fs::path exact = folder / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  const QString wanted = QString::fromStdString(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (QString::fromStdString(it->path().filename().string()).compare(wanted, Qt::CaseInsensitive) == 0)
      return it->path();
  return exact;
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec);
}

// Loads the chapter's background, or puts a black frame in its place.
bool LoadBackground(StillPicture& picture, const fs::path& path, FrameMode mode) {
  if (LoadPicture(picture, path)) return true;
  const FrameSize size = FrameSizeOf(mode);
  picture.SetDib(CreateBlankDib(size.width, size.height, 0, PixelFormat::Bgr24));
  return false;
}

}  // namespace

fs::path ThemesFolder() { return platform::DataFolder() / "Theme"; }

ThemePictures ThemePicturePaths(const fs::path& themes_folder, const std::string& theme_name) {
  const fs::path folder = FindIgnoringCase(themes_folder, theme_name);
  return {FindIgnoringCase(folder, "Menu.jpg"), FindIgnoringCase(folder, "Chapter.jpg")};
}

ThemePictures ThemePicturePaths(const std::string& theme_name) {
  return ThemePicturePaths(ThemesFolder(), theme_name);
}

std::vector<std::string> ListThemes(const fs::path& themes_folder) {
  std::vector<std::string> themes;
  std::error_code ec;
  for (fs::directory_iterator it(themes_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code dir_ec;
    if (!it->is_directory(dir_ec)) continue;
    const fs::path folder = it->path();
    if (Exists(FindIgnoringCase(folder, "menu.jpg")) && Exists(FindIgnoringCase(folder, "Chapter.jpg")))
      themes.push_back(folder.filename().string());
  }
  std::sort(themes.begin(), themes.end(), [](const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
  });
  return themes;
}

bool LoadPicture(StillPicture& picture, const fs::path& path) {
  return picture.LoadBmpFile(path) || picture.LoadJpegFile(path);
}

StillOutcome RenderMenuStill(const fs::path& menu_picture, const fs::path& out, FrameMode mode) {
  StillOutcome outcome;
  StillPicture picture;
  outcome.background_loaded = LoadPicture(picture, menu_picture);
  if (outcome.background_loaded && picture.ConvertToBgr24())
    outcome.written = picture.RenderFramePicture(out, mode);
  return outcome;
}

StillOutcome RenderChapterStill(const ChapterPictureSource& source, const fs::path& out,
                                FrameMode mode) {
  StillOutcome outcome;
  StillPicture picture;
  outcome.background_loaded = LoadBackground(picture, source.picture, mode);
  picture.SetTextSource(source.lyrics, source.font, source.colour);
  // Converted before the lyrics are drawn, so a grey picture keeps their colour.
  if (!picture.ConvertToBgr24() || !picture.FitToFrame(mode)) return outcome;
  outcome.lyrics_drawn = picture.DrawLyricText();
  outcome.written = picture.SaveBmpFile(out);
  return outcome;
}

QImage ComposeSizedPreview(const fs::path& path, QSize size) {
  StillPicture picture;
  if (!Exists(path) || !LoadPicture(picture, path) || !picture.Resize(size.width(), size.height()))
    return {};
  return picture.ToImage();
}

QImage ComposeChapterPreview(const ChapterPictureSource& source, FrameMode mode, QSize size) {
  if (!Exists(source.picture)) return {};
  StillPicture picture;
  LoadBackground(picture, source.picture, mode);
  picture.SetTextSource(source.lyrics, source.font, source.colour);
  if (!picture.PrepareFramePicture(mode) || !picture.Resize(size.width(), size.height()))
    return {};
  return picture.ToImage();
}

ThemePreview ComposeThemePreview(const ThemePictures& pictures, QSize menu_size,
                                 QSize chapter_size) {
  ThemePreview preview;
  preview.pictures = pictures;
  preview.menu = ComposeSizedPreview(preview.pictures.menu, menu_size);
  preview.chapter = ComposeSizedPreview(preview.pictures.chapter, chapter_size);
  return preview;
}

}  // namespace verosa
