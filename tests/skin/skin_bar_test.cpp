// The play-position bar and the skinned slider.
#include <gtest/gtest.h>

#include <vector>

#include "skin/skin_test_support.h"
#include "support/test_support.h"
#include "ui/skin/page_skin.h"
#include "ui/skin/skin_bar.h"
#include "ui/skin/skin_slider.h"

namespace {
using namespace verosa;
using namespace skin_testing;
using testing_support::ScratchDir;

constexpr QRgb kEmpty = 0x404040, kFull = 0xFF8000;

class SkinBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar_ = new SkinBar(&page_.Widget());
    bar_->setGeometry(0, 0, 100, 10);
    bar_->show();
  }
  void TearDown() override { delete bar_; }

  void SkinBarFromFiles(int width, int height, bool seekable) {
    SaveBmp(SolidImage(width, height, kEmpty), dir_ / "Progress_Zero.bmp");
    SaveBmp(SolidImage(width, height, kFull), dir_ / "Progress_Full.bmp");
    ASSERT_TRUE(SetBarSkin(*bar_, dir_ / "Progress_Zero.bmp", dir_ / "Progress_Full.bmp",
                           kSkinTransparent, seekable));
    bar_->resize(width, height);
  }

  ScratchDir dir_;
  ActivePage page_;
  SkinBar* bar_ = nullptr;
};

TEST_F(SkinBarTest, SkinNeedsBothFiles) {
  QImage empty = SolidImage(100, 10, kEmpty);
  for (int y = 0; y < 10; ++y) empty.setPixel(0, y, kMagenta);
  SaveBmp(empty, dir_ / "Progress_Zero.bmp");
  EXPECT_FALSE(SetBarSkin(*bar_, dir_ / "Progress_Zero.bmp", dir_ / "Progress_Full.bmp",
                          kSkinTransparent, true));
  EXPECT_TRUE(bar_->EmptyImage().isNull());
  EXPECT_FALSE(bar_->HasShape());

  SaveBmp(SolidImage(100, 10, kFull), dir_ / "Progress_Full.bmp");
  ASSERT_TRUE(SetBarSkin(*bar_, dir_ / "Progress_Zero.bmp", dir_ / "Progress_Full.bmp",
                         kSkinTransparent, true));
  EXPECT_TRUE(bar_->Seekable());
  EXPECT_EQ(bar_->ShapeRegion(), QRegion(1, 0, 99, 10));
  EXPECT_EQ(Rgb(bar_->FullImage().pixel(50, 5)), kFull);
}

TEST_F(SkinBarTest, HorizontalBarFillsFromTheLeft) {
  SkinBarFromFiles(100, 10, false);
  bar_->SetMaximum(200);
  bar_->SetPosition(50);
  EXPECT_EQ(bar_->FilledLength(), 25);
  QImage shown = Render(*bar_);
  EXPECT_EQ(Rgb(shown.pixel(0, 5)), kFull);
  EXPECT_EQ(Rgb(shown.pixel(24, 9)), kFull);
  EXPECT_EQ(Rgb(shown.pixel(25, 0)), kEmpty);
  EXPECT_EQ(Rgb(shown.pixel(99, 5)), kEmpty);

  bar_->SetPosition(200);
  shown = Render(*bar_);
  EXPECT_EQ(Rgb(shown.pixel(99, 5)), kFull);
  bar_->SetPosition(0);
  EXPECT_EQ(Rgb(Render(*bar_).pixel(0, 5)), kEmpty);
}

TEST_F(SkinBarTest, VerticalBarFillsFromTheBottom) {
  SkinBarFromFiles(10, 100, false);
  bar_->SetOrientation(Qt::Vertical);
  EXPECT_FALSE(bar_->Horizontal());
  bar_->SetMaximum(4);
  bar_->SetPosition(3);
  const QImage shown = Render(*bar_);
  EXPECT_EQ(Rgb(shown.pixel(5, 99)), kFull);
  EXPECT_EQ(Rgb(shown.pixel(5, 25)), kFull);
  EXPECT_EQ(Rgb(shown.pixel(5, 24)), kEmpty);
  EXPECT_EQ(Rgb(shown.pixel(5, 0)), kEmpty);
}

TEST_F(SkinBarTest, PositionStaysWithinRange) {
  SkinBarFromFiles(100, 10, false);
  bar_->SetMaximum(10);
  bar_->SetPosition(25);
  EXPECT_EQ(bar_->Position(), 10);
  bar_->SetPosition(-3);
  EXPECT_EQ(bar_->Position(), 0);
  bar_->SetPosition(8);
  bar_->SetMaximum(5);
  EXPECT_EQ(bar_->Position(), 5);
  // Nothing to fill and nothing to divide by.
  bar_->SetMaximum(0);
  EXPECT_EQ(bar_->Position(), 0);
  EXPECT_EQ(bar_->FilledLength(), 0);
  EXPECT_EQ(bar_->PositionAt(QPoint(50, 5)), 0);
  EXPECT_EQ(Rgb(Render(*bar_).pixel(0, 5)), kEmpty);
}

TEST_F(SkinBarTest, SeekableBarFollowsTheMouse) {
  SkinBarFromFiles(100, 10, true);
  bar_->SetMaximum(1000);
  int clicks = 0;
  QObject::connect(bar_, &QPushButton::clicked, [&] { ++clicks; });

  Enter(*bar_, QPoint(10, 5));
  Press(*bar_, QPoint(10, 5));
  EXPECT_TRUE(bar_->Dragging());
  Move(*bar_, QPoint(40, 5), Qt::LeftButton);
  EXPECT_EQ(bar_->Position(), 400);
  // The owner's updates wait while the user drags.
  bar_->SetPosition(700);
  EXPECT_EQ(bar_->Position(), 400);
  // Moves outside the bar are ignored; the release point counts, clamped.
  Move(*bar_, QPoint(150, 5), Qt::LeftButton);
  EXPECT_EQ(bar_->Position(), 400);
  Release(*bar_, QPoint(150, 5));
  EXPECT_FALSE(bar_->Dragging());
  EXPECT_EQ(bar_->Position(), 1000);
  EXPECT_EQ(clicks, 0);

  Enter(*bar_, QPoint(10, 5));
  Press(*bar_, QPoint(10, 5));
  Release(*bar_, QPoint(-20, 5));
  EXPECT_EQ(bar_->Position(), 0);

  Click(*bar_, QPoint(75, 5));
  EXPECT_EQ(bar_->Position(), 750);
  EXPECT_EQ(clicks, 1);
}

TEST_F(SkinBarTest, VerticalSeekingCountsFromTheBottom) {
  SkinBarFromFiles(10, 100, true);
  bar_->SetOrientation(Qt::Vertical);
  bar_->SetMaximum(50);
  Press(*bar_, QPoint(5, 90));
  Move(*bar_, QPoint(5, 80), Qt::LeftButton);
  EXPECT_EQ(bar_->Position(), 10);
  Release(*bar_, QPoint(5, 0));
  EXPECT_EQ(bar_->Position(), 50);
}

TEST_F(SkinBarTest, FixedBarIgnoresTheMouse) {
  SkinBarFromFiles(100, 10, false);
  bar_->SetPosition(30);
  Press(*bar_, QPoint(80, 5));
  EXPECT_FALSE(bar_->Dragging());
  Move(*bar_, QPoint(90, 5), Qt::LeftButton);
  Release(*bar_, QPoint(90, 5));
  EXPECT_EQ(bar_->Position(), 30);
}

// ------------------------------------------------------------------ slider

constexpr QRgb kChannel = 0x203040, kChannelOff = 0x606060, kThumb = 0x00FF00,
               kThumbHover = 0xFFFF00, kThumbDrag = 0xFF0000, kThumbOff = 0x909090;
constexpr QRgb kBlueKey = 0x0000FF;

// An 8 x 6 thumb whose left column is the blue key colour.
QImage Thumb(QRgb colour) {
  QImage thumb = SolidImage(8, 6, colour);
  for (int y = 0; y < 6; ++y) thumb.setPixel(0, y, kBlueKey);
  return thumb;
}

class SkinSliderTest : public ::testing::Test {
 protected:
  void MakeSlider(Qt::Orientation orientation) {
    slider_ = new SkinSlider(orientation, &page_.Widget());
    const bool vertical = orientation == Qt::Vertical;
    slider_->setGeometry(0, 0, vertical ? 20 : 120, vertical ? 120 : 20);
    slider_->show();
    slider_->setRange(0, 100);
    slider_->SetChannelImages(SolidImage(slider_->width(), slider_->height(), kChannel),
                              SolidImage(slider_->width(), slider_->height(), kChannelOff));
    slider_->SetThumbImages(Thumb(kThumb), Thumb(kThumbHover), Thumb(kThumbDrag),
                            Thumb(kThumbOff));
    slider_->SetChannelSpan(10, 110, 10);
    QObject::connect(slider_, &QSlider::sliderMoved, [this](int v) { moved_.push_back(v); });
    QObject::connect(slider_, &QSlider::sliderReleased, [this] { ++released_; });
  }
  void TearDown() override { delete slider_; }

  ActivePage page_;
  SkinSlider* slider_ = nullptr;
  std::vector<int> moved_;
  int released_ = 0;
};

TEST_F(SkinSliderTest, ThumbPointAndValueMapping) {
  MakeSlider(Qt::Horizontal);
  slider_->setValue(50);
  EXPECT_EQ(slider_->ThumbPoint(), QPoint(60, 10));
  EXPECT_EQ(slider_->ThumbRect(), QRect(56, 7, 8, 6));
  EXPECT_EQ(slider_->ValueAt(QPoint(0, 10)), 0);
  EXPECT_EQ(slider_->ValueAt(QPoint(35, 10)), 25);
  EXPECT_EQ(slider_->ValueAt(QPoint(119, 10)), 100);

  slider_->setRange(-50, 50);
  slider_->setValue(-50);
  EXPECT_EQ(slider_->ThumbPoint(), QPoint(10, 10));
  EXPECT_EQ(slider_->ValueAt(QPoint(60, 0)), 0);
  // An empty range keeps the thumb at the start.
  slider_->setRange(5, 5);
  EXPECT_EQ(slider_->ThumbPoint(), QPoint(10, 10));
}

TEST_F(SkinSliderTest, VerticalGrowsUpwards) {
  MakeSlider(Qt::Vertical);
  slider_->setValue(25);
  EXPECT_EQ(slider_->ThumbPoint(), QPoint(10, 85));
  EXPECT_EQ(slider_->ValueAt(QPoint(10, 85)), 25);
  EXPECT_EQ(slider_->ValueAt(QPoint(10, 0)), 100);
  EXPECT_EQ(slider_->ValueAt(QPoint(10, 119)), 0);

  Press(*slider_, slider_->ThumbPoint());
  Move(*slider_, slider_->ThumbPoint() - QPoint(0, 30), Qt::LeftButton);
  EXPECT_EQ(slider_->value(), 55);
}

TEST_F(SkinSliderTest, PressOnTheChannelJumpsThenDrags) {
  MakeSlider(Qt::Horizontal);
  slider_->setValue(10);
  Press(*slider_, QPoint(90, 10));
  EXPECT_EQ(slider_->value(), 80);
  EXPECT_TRUE(slider_->Dragging());
  EXPECT_TRUE(slider_->isSliderDown());
  Move(*slider_, QPoint(100, 10), Qt::LeftButton);
  EXPECT_EQ(slider_->value(), 90);
  Move(*slider_, QPoint(200, 10), Qt::LeftButton);
  EXPECT_EQ(slider_->value(), 100);
  Move(*slider_, QPoint(-100, 10), Qt::LeftButton);
  EXPECT_EQ(slider_->value(), 0);
  EXPECT_EQ(moved_, (std::vector<int>{90, 100, 0}));
  Release(*slider_, QPoint(-100, 10));
  EXPECT_FALSE(slider_->Dragging());
  EXPECT_FALSE(slider_->isSliderDown());
  EXPECT_EQ(released_, 1);
}

TEST_F(SkinSliderTest, PressOnTheThumbKeepsTheValue) {
  MakeSlider(Qt::Horizontal);
  slider_->setValue(40);
  Press(*slider_, slider_->ThumbPoint() + QPoint(2, 1));
  EXPECT_EQ(slider_->value(), 40);
  EXPECT_TRUE(slider_->Dragging());
  Move(*slider_, slider_->ThumbPoint() + QPoint(12, 1), Qt::LeftButton);
  EXPECT_EQ(slider_->value(), 50);
}

TEST_F(SkinSliderTest, ThumbImageByStateWithBlueTransparent) {
  MakeSlider(Qt::Horizontal);
  slider_->setValue(50);
  const QPoint left_column = slider_->ThumbRect().topLeft() + QPoint(0, 2);
  const QPoint centre = slider_->ThumbPoint();
  QImage shown = Render(*slider_);
  EXPECT_EQ(Rgb(shown.pixel(centre)), kThumb);
  EXPECT_EQ(Rgb(shown.pixel(left_column)), kChannel);
  EXPECT_EQ(Rgb(shown.pixel(0, 0)), kChannel);

  Move(*slider_, centre);
  EXPECT_TRUE(slider_->Hover());
  EXPECT_EQ(Rgb(Render(*slider_).pixel(centre)), kThumbHover);
  Move(*slider_, QPoint(0, 0));
  EXPECT_FALSE(slider_->Hover());

  Press(*slider_, centre);
  EXPECT_EQ(Rgb(Render(*slider_).pixel(centre)), kThumbDrag);
  Release(*slider_, centre);
  EXPECT_FALSE(slider_->Hover());

  slider_->setEnabled(false);
  shown = Render(*slider_);
  EXPECT_EQ(Rgb(shown.pixel(centre)), kThumbOff);
  EXPECT_EQ(Rgb(shown.pixel(0, 0)), kChannelOff);
}

}  // namespace
