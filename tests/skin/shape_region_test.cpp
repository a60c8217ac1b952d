// Shapes built from skin bitmaps, and shaped pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "skin/skin_test_support.h"
#include "support/test_support.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_picture.h"

namespace {
using namespace verosa;
using namespace skin_testing;
using testing_support::ScratchDir;

// Every pixel of `image` is in `region` exactly when `inside` says so.
void ExpectShape(const QRegion& region, const QImage& image,
                 const std::function<bool(int x, int y)>& inside) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      ASSERT_EQ(region.contains(QPoint(x, y)), inside(x, y)) << "pixel " << x << "," << y;
}

TEST(ShapeRegion, MagentaCornersLieOutside) {
  const QImage image = CorneredImage(20, 10, 0x336699, 3);
  const QRegion region = BuildShapeRegion(image);
  ExpectShape(region, image, [](int x, int y) {
    const bool corner_x = x < 3 || x >= 17;
    const bool corner_y = y < 3 || y >= 7;
    return !(corner_x && corner_y);
  });
  EXPECT_EQ(region.boundingRect(), QRect(0, 0, 20, 10));
}

TEST(ShapeRegion, ColoursWithinToleranceOfMagentaLieOutside) {
  QImage image = SolidImage(6, 1, 0x808080);
  image.setPixel(0, 0, 0xF000F0);  // 0x0F below in red and blue: outside
  image.setPixel(1, 0, 0xEF10EF);  // exactly 0x10 off in every channel: outside
  image.setPixel(2, 0, 0xEE00FF);  // red 0x11 off: inside
  image.setPixel(3, 0, 0xFF11FF);  // green 0x11 off: inside
  image.setPixel(4, 0, 0xFF00EE);  // blue 0x11 off: inside
  image.setPixel(5, 0, 0xFF00FF);
  const QRegion region = BuildShapeRegion(image);
  ExpectShape(region, image, [](int x, int) { return x >= 2 && x <= 4; });
}

TEST(ShapeRegion, OtherTransparentColour) {
  QImage image = SolidImage(4, 2, 0xFF00FF);
  image.setPixel(0, 0, 0x0000FF);
  image.setPixel(3, 1, 0x0808F0);
  const QRegion region = BuildShapeRegion(image, 0x0000FF);
  // Magenta is an ordinary colour here; blue and near-blue are outside.
  ExpectShape(region, image, [](int x, int y) {
    return !((x == 0 && y == 0) || (x == 3 && y == 1));
  });
}

TEST(ShapeRegion, RoundButtonMatchesPixelByPixel) {
  // A disc with a hole: rows differ, repeat and split into several runs.
  QImage image = SolidImage(41, 33, kMagenta);
  auto inside = [](int x, int y) {
    const double r = std::hypot(x - 20.0, y - 16.0);
    return r <= 15.5 && r >= 5.0;
  };
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (inside(x, y)) image.setPixel(x, y, 0x20A040);
  const QRegion region = BuildShapeRegion(image);
  ExpectShape(region, image, inside);
}

TEST(ShapeRegion, AllTransparentOrNullGivesEmptyRegion) {
  EXPECT_TRUE(BuildShapeRegion(SolidImage(5, 5, kMagenta)).isEmpty());
  EXPECT_TRUE(BuildShapeRegion(QImage()).isEmpty());
}

TEST(SkinFiles, NamesAndLoading) {
  const ButtonSkinFiles files = ButtonSkinFilesFor("/skins", "output_burn");
  EXPECT_EQ(files.normal, std::filesystem::path("/skins/output_burn_normal.bmp"));
  EXPECT_EQ(files.down, std::filesystem::path("/skins/output_burn_down.bmp"));
  EXPECT_EQ(files.over, std::filesystem::path("/skins/output_burn_over.bmp"));
  EXPECT_EQ(files.disabled, std::filesystem::path("/skins/output_burn_disable.bmp"));
  EXPECT_EQ(SkinsFolder().filename(), "skins");

  ScratchDir dir;
  SaveBmp(SolidImage(7, 5, 0x102030), dir / "a.bmp");
  const QImage loaded = LoadSkinImage(dir / "a.bmp");
  ASSERT_EQ(loaded.size(), QSize(7, 5));
  EXPECT_EQ(Rgb(loaded.pixel(3, 2)), 0x102030u);
  EXPECT_TRUE(LoadSkinImage(dir / "missing.bmp").isNull());
  testing_support::WriteFile(dir / "junk.bmp", "not a bitmap");
  EXPECT_TRUE(LoadSkinImage(dir / "junk.bmp").isNull());
  EXPECT_TRUE(LoadSkinImage(dir.Path()).isNull());
}

TEST(SkinPicture, ShapedFromFileAndPainted) {
  ScratchDir dir;
  SaveBmp(CorneredImage(30, 20, 0x00AA00, 4), dir / "about.bmp");
  SkinPicture picture;
  picture.resize(100, 100);
  ASSERT_TRUE(SetPictureSkin(picture, dir / "about.bmp", kSkinTransparent));
  EXPECT_EQ(picture.Picture().size(), QSize(30, 20));
  EXPECT_EQ(picture.size(), QSize(30, 20));
  EXPECT_EQ(picture.sizeHint(), QSize(30, 20));
  ASSERT_TRUE(picture.HasShape());
  EXPECT_FALSE(picture.ShapeRegion().contains(QPoint(0, 0)));
  EXPECT_TRUE(picture.ShapeRegion().contains(QPoint(4, 0)));
  EXPECT_EQ(picture.mask(), picture.ShapeRegion());

  const QImage shown = Render(picture);
  EXPECT_EQ(Rgb(shown.pixel(15, 10)), 0x00AA00u);
  // Outside the shape nothing is painted.
  EXPECT_EQ(Rgb(shown.pixel(0, 0)), 0xFFFFFFu);

  // A missing file leaves the picture as it was.
  EXPECT_FALSE(SetPictureSkin(picture, dir / "missing.bmp", kSkinTransparent));
  EXPECT_EQ(picture.Picture().size(), QSize(30, 20));
  EXPECT_FALSE(SetPictureSkin(picture, QImage(), kSkinTransparent));
}

TEST(SkinPicture, FullAndEmptyShapes) {
  SkinPicture picture;
  ASSERT_TRUE(SetPictureSkin(picture, SolidImage(8, 8, 0x123456), kSkinTransparent));
  EXPECT_TRUE(picture.HasShape());
  EXPECT_EQ(picture.ShapeRegion(), QRegion(0, 0, 8, 8));
  ASSERT_TRUE(SetPictureSkin(picture, SolidImage(8, 8, kMagenta), kSkinTransparent));
  EXPECT_FALSE(picture.HasShape());
  EXPECT_TRUE(picture.mask().isEmpty());
}

}  // namespace
