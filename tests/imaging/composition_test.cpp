// Frame fitting and the compositions: disc stills, theme and chapter previews.
#include <gtest/gtest.h>

#include "imaging/picture_composition.h"
#include "imaging/still_picture.h"
#include "imaging_test_support.h"
#include "shell/theme_pictures.h"
#include "support/test_support.h"

namespace {

using namespace verosa;
using imaging_test::LayoutOf;
using imaging_test::PixelAt;
using imaging_test::Quote;
using imaging_test::RandomDib;
using imaging_test::RunQuiet;
using testing_support::MessageBoxRecorder;
using testing_support::ScratchDir;
using testing_support::WriteFile;

int NonBlackPixels(const DibBlock& dib) {
  const DibLayout l = LayoutOf(dib);
  int n = 0;
  for (int y = 0; y < l.height; ++y)
    for (int x = 0; x < l.width; ++x) {
      const std::uint8_t* p = PixelAt(dib, x, y);
      n += p[0] != 0 || p[1] != 0 || p[2] != 0;
    }
  return n;
}

ChapterPictureSource Chapter(const std::filesystem::path& picture,
                             const std::filesystem::path& lyrics = {}) {
  ChapterPictureSource source;
  source.picture = picture;
  source.lyrics = lyrics;
  return source;
}

DibBlock LoadBack(const std::filesystem::path& path) {
  StillPicture picture;
  EXPECT_TRUE(picture.LoadBmpFile(path)) << path;
  return picture.Dib();
}

TEST(FrameMode, SizesAndNames) {
  EXPECT_EQ(FrameSizeOf(FrameMode::Pal).height, 576);
  EXPECT_EQ(FrameSizeOf(FrameMode::Ntsc).height, 480);
  EXPECT_EQ(FrameSizeOf(FrameMode::Ntsc).width, 720);
  EXPECT_EQ(FrameModeFromName("PAL"), FrameMode::Pal);
  EXPECT_EQ(FrameModeFromName("NTSC"), FrameMode::Ntsc);
  EXPECT_FALSE(FrameModeFromName("SECAM"));
  EXPECT_FALSE(FrameModeFromName("pal"));
  EXPECT_EQ(FrameModeFromTvMode(0), FrameMode::Pal);
  EXPECT_EQ(FrameModeFromTvMode(1), FrameMode::Ntsc);
  EXPECT_FALSE(FrameModeFromTvMode(2));
}

TEST(StillPicture, FitToFrameAndResize) {
  const DibBlock source = RandomDib(100, 80, PixelFormat::Bgr24, 21);
  StillPicture picture;
  ASSERT_TRUE(picture.SetDib(source));
  EXPECT_FALSE(picture.FitToFrame(static_cast<FrameMode>(7)));
  EXPECT_EQ(picture.Dib(), source) << "an unknown mode changes nothing";
  ASSERT_TRUE(picture.FitToFrame(FrameMode::Ntsc));
  EXPECT_EQ(picture.Dib(), ScaleDib(source, 720, 480));
  ASSERT_TRUE(picture.FitToFrame(FrameMode::Pal));
  EXPECT_EQ(picture.Width(), 720);
  EXPECT_EQ(picture.Height(), 576);
  EXPECT_EQ(picture.BitCount(), 24);

  // A failed scale leaves the picture empty, and an empty picture does nothing.
  EXPECT_FALSE(picture.Resize(0, 10));
  EXPECT_TRUE(picture.IsEmpty());
  EXPECT_FALSE(picture.FitToFrame(FrameMode::Pal));
  EXPECT_FALSE(picture.Resize(10, 10));
  EXPECT_FALSE(picture.DrawLyricText());
  ScratchDir dir;
  EXPECT_FALSE(picture.SaveBmpFile(dir / "x.bmp"));
  EXPECT_FALSE(picture.RenderFramePicture(dir / "x.bmp", FrameMode::Pal));
  EXPECT_FALSE(picture.RenderSizedPicture(dir / "x.bmp", 10, 10));
  EXPECT_FALSE(picture.PrepareFramePicture(FrameMode::Pal));
  EXPECT_FALSE(std::filesystem::exists(dir / "x.bmp"));
  EXPECT_TRUE(picture.ToImage().isNull());
}

TEST(StillPicture, RenderingWritesTheFrameWithOrWithoutText) {
  ScratchDir dir;
  const DibBlock source = RandomDib(64, 48, PixelFormat::Bgr24, 22);
  StillPicture picture;
  ASSERT_TRUE(picture.SetDib(source));
  picture.SetTextSource(dir / "missing.txt", std::nullopt, kWhite);
  ASSERT_TRUE(picture.RenderFramePicture(dir / "plain.bmp", FrameMode::Pal));
  EXPECT_EQ(LoadBack(dir / "plain.bmp"), ScaleDib(source, 720, 576))
      << "a missing lyric file still gives the picture";

  WriteFile(dir / "words.txt", "la la la\n");
  ASSERT_TRUE(picture.SetDib(CreateBlankDib(64, 48, 0, PixelFormat::Bgr24)));
  picture.SetTextSource(dir / "words.txt", LogFont::DefaultLyricFont(), kWhite);
  ASSERT_TRUE(picture.PrepareFramePicture(FrameMode::Ntsc));
  EXPECT_EQ(picture.Height(), 480);
  EXPECT_GT(NonBlackPixels(picture.Dib()), 100);
  ASSERT_TRUE(picture.RenderSizedPicture(dir / "small.bmp", 180, 120));
  EXPECT_EQ(LayoutOf(LoadBack(dir / "small.bmp")).width, 180);
  EXPECT_EQ(LayoutOf(LoadBack(dir / "small.bmp")).height, 120);
}

TEST(StillPicture, ToImageIsTopDown) {
  DibBlock dib = CreateBlankDib(3, 2, 0, PixelFormat::Bgr24);
  PixelAt(dib, 2, 0)[2] = 200;  // red, top right
  StillPicture picture;
  ASSERT_TRUE(picture.SetDib(dib));
  const QImage image = picture.ToImage();
  EXPECT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixel(2, 0), qRgb(200, 0, 0));
  EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 0));
}

class Compositions : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_IMAGEMAGICK();
    ASSERT_TRUE(RunQuiet("convert -size 160x120 gradient:yellow-navy " + Quote(dir_ / "background.jpg")));
    WriteFile(dir_ / "Lyrics.txt", "one\ntwo\nthree\n");
  }
  ScratchDir dir_;
  MessageBoxRecorder boxes_;
};

TEST_F(Compositions, MenuStillIsThePictureAtTheFrameWithoutText) {
  StillPicture source;
  ASSERT_TRUE(LoadPicture(source, dir_ / "background.jpg"));
  for (FrameMode mode : {FrameMode::Pal, FrameMode::Ntsc}) {
    const StillOutcome outcome = RenderMenuStill(dir_ / "background.jpg", dir_ / "Menu.bmp", mode);
    EXPECT_TRUE(outcome.written);
    EXPECT_TRUE(outcome.background_loaded);
    EXPECT_FALSE(outcome.lyrics_drawn);
    const FrameSize size = FrameSizeOf(mode);
    EXPECT_EQ(LoadBack(dir_ / "Menu.bmp"), ScaleDib(source.Dib(), size.width, size.height));
  }
  EXPECT_TRUE(boxes_.Boxes().empty());

  const StillOutcome missing = RenderMenuStill(dir_ / "none.jpg", dir_ / "Menu2.bmp", FrameMode::Pal);
  EXPECT_FALSE(missing.written);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Menu2.bmp"));
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "JPEG :\nCan't open " + (dir_ / "none.jpg").string() + "\n");
}

TEST_F(Compositions, ChapterStillsCarryTheirLyrics) {
  StillPicture source;
  ASSERT_TRUE(LoadPicture(source, dir_ / "background.jpg"));
  const DibBlock plain = ScaleDib(source.Dib(), 720, 576);

  ChapterPictureSource chapter = Chapter(dir_ / "background.jpg", dir_ / "Lyrics.txt");
  const StillOutcome with = RenderChapterStill(chapter, dir_ / "c1.bmp", FrameMode::Pal);
  EXPECT_TRUE(with.written && with.background_loaded && with.lyrics_drawn);
  const DibBlock drawn = LoadBack(dir_ / "c1.bmp");
  ASSERT_EQ(drawn.size(), plain.size());
  EXPECT_NE(drawn, plain);

  chapter.lyrics.clear();
  const StillOutcome without = RenderChapterStill(chapter, dir_ / "c2.bmp", FrameMode::Pal);
  EXPECT_TRUE(without.written);
  EXPECT_FALSE(without.lyrics_drawn);
  EXPECT_EQ(LoadBack(dir_ / "c2.bmp"), plain) << "no lyric file: the background alone";
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(Compositions, UnloadableBackgroundGivesABlackFrameWithTheLyrics) {
  // The chapter before has a picture; this one's cannot be loaded.
  ASSERT_TRUE(RenderChapterStill(Chapter(dir_ / "background.jpg", dir_ / "Lyrics.txt"), dir_ / "c1.bmp",
                                 FrameMode::Ntsc).written);
  WriteFile(dir_ / "broken.jpg", "not a picture");
  const StillOutcome outcome =
      RenderChapterStill(Chapter(dir_ / "broken.jpg", dir_ / "Lyrics.txt"), dir_ / "c2.bmp", FrameMode::Ntsc);
  EXPECT_TRUE(outcome.written);
  EXPECT_FALSE(outcome.background_loaded);
  EXPECT_TRUE(outcome.lyrics_drawn);
  const DibBlock still = LoadBack(dir_ / "c2.bmp");
  EXPECT_EQ(LayoutOf(still).height, 480);
  // Only the text is lit: white on black, nothing of the other chapter.
  const DibLayout l = LayoutOf(still);
  int lit = 0;
  for (int y = 0; y < l.height; ++y)
    for (int x = 0; x < l.width; ++x) {
      const std::uint8_t* p = PixelAt(still, x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "grey levels only at " << x << "," << y;
      lit += p[0] != 0;
    }
  EXPECT_GT(lit, 100);
  EXPECT_LT(lit, 720 * 480 / 10);
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(boxes_.Boxes()[0].caption, "JPEG Fatal Error");
}

TEST_F(Compositions, ThemePreviewsFindTheirPicturesWhateverTheCase) {
  const auto theme = dir_ / "Themes" / "Blue Sky";
  std::filesystem::create_directories(theme);
  // The menu picture is really a BMP: it is tried first, so nothing complains.
  StillPicture bmp;
  ASSERT_TRUE(bmp.SetDib(RandomDib(90, 60, PixelFormat::Bgr24, 3)));
  ASSERT_TRUE(bmp.SaveBmpFile(theme / "MENU.JPG"));
  std::filesystem::copy_file(dir_ / "background.jpg", theme / "chapter.jpg");

  const ThemePictures pictures = ThemePicturePaths(dir_ / "Themes", "blue sky");
  EXPECT_EQ(pictures.menu, theme / "MENU.JPG");
  EXPECT_EQ(pictures.chapter, theme / "chapter.jpg");
  const ThemePreview preview =
      ComposeThemePreview(pictures.menu, pictures.chapter, QSize(200, 150), QSize(120, 90));
  EXPECT_EQ(preview.menu.size(), QSize(200, 150));
  EXPECT_EQ(preview.chapter.size(), QSize(120, 90));
  EXPECT_TRUE(boxes_.Boxes().empty());
  EXPECT_EQ(ThemesFolder().filename(), "Theme");

  // A theme whose files are missing previews nothing, silently.
  const ThemePictures gone = ThemePicturePaths(dir_ / "Themes", "Gone");
  const ThemePreview none =
      ComposeThemePreview(gone.menu, gone.chapter, QSize(200, 150), QSize(120, 90));
  EXPECT_TRUE(none.menu.isNull());
  EXPECT_TRUE(none.chapter.isNull());
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(Compositions, ChapterPreviewDrawsAtTheFrameThenScales) {
  const ChapterPictureSource chapter = Chapter(dir_ / "background.jpg", dir_ / "Lyrics.txt");
  const QImage preview = ComposeChapterPreview(chapter, FrameMode::Pal, QSize(360, 288));
  EXPECT_EQ(preview.size(), QSize(360, 288));
  const QImage bare = ComposeSizedPreview(dir_ / "background.jpg", QSize(360, 288));
  EXPECT_EQ(bare.size(), QSize(360, 288));
  EXPECT_NE(preview, bare);
  EXPECT_TRUE(ComposeChapterPreview(Chapter(dir_ / "none.jpg"), FrameMode::Pal, QSize(10, 10)).isNull());
  EXPECT_TRUE(ComposeSizedPreview(dir_ / "none.jpg", QSize(10, 10)).isNull());
  EXPECT_TRUE(boxes_.Boxes().empty()) << "missing preview sources are skipped without a message";
}

TEST_F(Compositions, LoadingRuleTriesBmpThenJpeg) {
  std::filesystem::copy_file(dir_ / "background.jpg", dir_ / "looks-like.bmp");
  StillPicture picture;
  ASSERT_TRUE(LoadPicture(picture, dir_ / "looks-like.bmp"));
  EXPECT_EQ(picture.Width(), 160);
  const DibBlock before = picture.Dib();
  WriteFile(dir_ / "junk.jpg", "junk");
  EXPECT_FALSE(LoadPicture(picture, dir_ / "junk.jpg"));
  EXPECT_EQ(picture.Dib(), before) << "a failed load keeps the picture";
  EXPECT_EQ(boxes_.Boxes().size(), 1u);
}

}  // namespace
