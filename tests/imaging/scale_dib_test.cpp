// The scaler against a direct transcription of its bilinear formula.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "imaging/dib.h"
#include "imaging_test_support.h"

namespace {

using namespace verosa;
using imaging_test::LayoutOf;
using imaging_test::PixelAt;
using imaging_test::RandomDib;

// Source index pair and weight, straight from the formula.
struct RefTap {
  int i0, i1, w;
};

RefTap ReferenceTap(int target_index, int source_size, int target_size) {
  double u = (target_index + 0.5) * source_size / target_size - 0.5;
  if (u < 0) u = 0;
  int i0 = static_cast<int>(u);
  const int w = static_cast<int>((i0 + 1 - u) * 256 + 0.5);
  i0 = std::min(i0, source_size - 1);
  const int i1 = i0 + 1 >= source_size ? i0 : i0 + 1;
  return {i0, i1, w};
}

// The expected picture, one channel of one pixel at a time.
DibBlock ReferenceScale(const DibBlock& source, int width, int height) {
  const DibLayout s = LayoutOf(source);
  DibBlock target = CreateBlankDib(width, height, 0, s.format);
  for (int y = 0; y < height; ++y) {
    const RefTap r = ReferenceTap(y, s.height, height);
    const int v = r.i0 == r.i1 ? 256 : r.w;
    for (int x = 0; x < width; ++x) {
      const RefTap c = ReferenceTap(x, s.width, width);
      for (int ch = 0; ch < s.bytes_per_pixel; ++ch) {
        const int top = c.w * PixelAt(source, c.i0, r.i0)[ch] + (256 - c.w) * PixelAt(source, c.i1, r.i0)[ch];
        const int bottom = c.w * PixelAt(source, c.i0, r.i1)[ch] + (256 - c.w) * PixelAt(source, c.i1, r.i1)[ch];
        PixelAt(target, x, y)[ch] = static_cast<std::uint8_t>((v * top + (256 - v) * bottom) >> 16);
      }
    }
  }
  return target;
}

struct ScaleCase {
  int sw, sh, tw, th;
};

class ScaleDibTest
    : public ::testing::TestWithParam<std::tuple<ScaleCase, PixelFormat, ScaleOrder>> {};

TEST_P(ScaleDibTest, MatchesTheFormulaPixelForPixel) {
  const auto [c, format, order] = GetParam();
  const DibBlock source = RandomDib(c.sw, c.sh, format, static_cast<std::uint32_t>(c.sw * 131 + c.th));
  const DibBlock scaled = ScaleDib(source, c.tw, c.th, order);
  ASSERT_FALSE(scaled.empty());
  const DibBlock expected = ReferenceScale(source, c.tw, c.th);
  // Whole blocks: header, grey table, pixels and zero row padding.
  ASSERT_EQ(scaled.size(), expected.size());
  for (int y = 0; y < c.th; ++y)
    for (int x = 0; x < c.tw; ++x)
      for (int ch = 0; ch < LayoutOf(scaled).bytes_per_pixel; ++ch)
        ASSERT_EQ(PixelAt(scaled, x, y)[ch], PixelAt(expected, x, y)[ch])
            << "pixel " << x << "," << y << " channel " << ch;
  EXPECT_EQ(scaled, expected);
}

const ScaleCase kCases[] = {
    {640, 480, 97, 61},    // down in both directions
    {17, 9, 200, 150},     // up in both directions
    {300, 20, 40, 90},     // down across, up along
    {20, 300, 90, 40},     // up across, down along
    {1, 1, 7, 5},          // a single pixel spread out
    {33, 1, 5, 4},         // one source row
    {1, 33, 4, 5},         // one source column
    {720, 576, 1, 1},      // to a single pixel
    {101, 77, 103, 75},    // nearly the same size
    {6000 / 25, 4000 / 25, 720 / 5, 576 / 5},  // the shape of a photo to a PAL frame
};

std::string CaseName(const ::testing::TestParamInfo<ScaleDibTest::ParamType>& info) {
  const ScaleCase& c = std::get<0>(info.param);
  const char* formats[] = {"Grey8", "Bgr24", "Bgrx32"};
  const char* orders[] = {"Automatic", "HorizontalFirst", "VerticalFirst"};
  return std::to_string(c.sw) + "x" + std::to_string(c.sh) + "_to_" + std::to_string(c.tw) + "x" +
         std::to_string(c.th) + "_" + formats[static_cast<int>(std::get<1>(info.param))] + "_" +
         orders[static_cast<int>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ScaleDibTest,
    ::testing::Combine(::testing::ValuesIn(kCases),
                       ::testing::Values(PixelFormat::Grey8, PixelFormat::Bgr24, PixelFormat::Bgrx32),
                       ::testing::Values(ScaleOrder::Automatic, ScaleOrder::HorizontalFirst,
                                         ScaleOrder::VerticalFirst)),
    CaseName);

TEST(ScaleDib, SameSizeCopiesThePixelsExactly) {
  for (PixelFormat format : {PixelFormat::Grey8, PixelFormat::Bgr24, PixelFormat::Bgrx32}) {
    const DibBlock source = RandomDib(37, 19, format, 7);
    for (ScaleOrder order : {ScaleOrder::Automatic, ScaleOrder::HorizontalFirst, ScaleOrder::VerticalFirst}) {
      const DibBlock copy = ScaleDib(source, 37, 19, order);
      ASSERT_EQ(copy.size(), source.size());
      const DibLayout l = LayoutOf(copy);
      EXPECT_TRUE(std::equal(copy.begin() + l.pixel_offset, copy.end(), source.begin() + l.pixel_offset));
    }
  }
}

TEST(ScaleDib, RowZeroIsTheTopRowOfBothPictures) {
  // White top row, black elsewhere: after scaling down by two vertically the
  // top target row is the blend of the two top source rows.
  DibBlock source = CreateBlankDib(4, 8, 0, PixelFormat::Bgr24);
  for (int x = 0; x < 4; ++x) std::fill_n(PixelAt(source, x, 0), 3, 255);
  const DibBlock scaled = ScaleDib(source, 4, 4);
  EXPECT_EQ(PixelAt(scaled, 0, 0)[0], 127);  // (128 * 65280) >> 16
  EXPECT_EQ(PixelAt(scaled, 0, 3)[0], 0);
}

TEST(ScaleDib, RefusesBadSizesAndBlocks) {
  const DibBlock source = RandomDib(8, 8, PixelFormat::Bgr24, 1);
  EXPECT_TRUE(ScaleDib(source, 0, 5).empty());
  EXPECT_TRUE(ScaleDib(source, 5, -1).empty());
  EXPECT_TRUE(ScaleDib(source, 100000, 100000).empty());  // beyond the picture limit
  EXPECT_TRUE(ScaleDib(DibBlock{}, 5, 5).empty());
  DibBlock cut = source;
  cut.resize(cut.size() - 1);  // one byte short of the last row
  EXPECT_TRUE(ScaleDib(cut, 5, 5).empty());
  DibBlock lying = source;
  lying[8] = 9;  // height 9 in a block made for 8 rows
  EXPECT_TRUE(ScaleDib(lying, 5, 5).empty());
}

TEST(CreateBlankDib, HeaderTableAndFill) {
  const DibBlock grey = CreateBlankDib(5, 3, 0x000080, PixelFormat::Grey8);
  const auto header = BitmapInfoHeader::Read(grey.data(), grey.size());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->biSize, 40u);
  EXPECT_EQ(header->biWidth, 5);
  EXPECT_EQ(header->biHeight, 3);
  EXPECT_EQ(header->biPlanes, 1);
  EXPECT_EQ(header->biBitCount, 8);
  EXPECT_EQ(header->biSizeImage, 8u * 3);
  EXPECT_EQ(header->biXPelsPerMeter, 7874);
  EXPECT_EQ(header->biYPelsPerMeter, 7874);
  EXPECT_EQ(header->biClrUsed, 256u);
  ASSERT_EQ(grey.size(), 40u + 1024 + 24);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(grey[40 + 4 * i], i);
    EXPECT_EQ(grey[40 + 4 * i + 2], i);
    EXPECT_EQ(grey[40 + 4 * i + 3], 0);
  }
  EXPECT_EQ(*PixelAt(grey, 4, 2), 0x80);
  EXPECT_EQ(grey[40 + 1024 + 5], 0) << "row padding";

  // 0x00BBGGRR stored blue, green, red.
  const DibBlock colour = CreateBlankDib(3, 2, 0x00102030, PixelFormat::Bgr24);
  EXPECT_EQ(colour.size(), 40u + 12 * 2);
  EXPECT_EQ(PixelAt(colour, 2, 1)[0], 0x10);
  EXPECT_EQ(PixelAt(colour, 2, 1)[1], 0x20);
  EXPECT_EQ(PixelAt(colour, 2, 1)[2], 0x30);
  EXPECT_EQ(colour[40 + 9], 0) << "row padding";
  const DibBlock four = CreateBlankDib(2, 2, 0x00FFFFFF, PixelFormat::Bgrx32);
  EXPECT_EQ(PixelAt(four, 1, 1)[2], 0xFF);
  EXPECT_EQ(PixelAt(four, 1, 1)[3], 0);

  EXPECT_TRUE(CreateBlankDib(0, 5, 0, PixelFormat::Bgr24).empty());
  EXPECT_TRUE(CreateBlankDib(70000, 1, 0, PixelFormat::Bgr24).empty());
  EXPECT_TRUE(CreateBlankDib(20000, 20000, 0, PixelFormat::Bgr24).empty());
}

}  // namespace
