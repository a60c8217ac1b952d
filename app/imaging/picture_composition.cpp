#include "imaging/picture_composition.h"

#include "project/project_document.h"

namespace verosa {
namespace fs = std::filesystem;

namespace {

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

QImage ComposeProjectChapter(const ProjectDocument& project, int index, QSize size) {
  const AudioCell* audio = project.GetAudioCell(index);
  const VideoCell* video = project.GetVideoCell(index);
  if (!audio || !video) return {};
  ChapterPictureSource source;
  source.picture = video->VideoFilePath;
  source.lyrics = audio->LyricFilePath;
  source.font = audio->LyricFont;
  source.colour = audio->LyricColor;
  const FrameMode mode = project.Header().TVMode != 0 ? FrameMode::Ntsc : FrameMode::Pal;
  return ComposeChapterPreview(source, mode, size);
}

ThemePreview ComposeThemePreview(const fs::path& menu_picture, const fs::path& chapter_picture,
                                 QSize menu_size, QSize chapter_size) {
  return {ComposeSizedPreview(menu_picture, menu_size),
          ComposeSizedPreview(chapter_picture, chapter_size)};
}

}  // namespace verosa
