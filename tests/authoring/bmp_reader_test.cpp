#include <gtest/gtest.h>

#include "authoring_test_support.h"
#include "encoder/bmp_reader.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
using authoring_test::BmpOptions;
using authoring_test::MakeBmp;

std::uint32_t Colour(int x, int y) { return static_cast<std::uint32_t>((x * 37 + y * 11) << 16 | (y * 53) << 8 | (x + y)); }

void ExpectPixels(const BmpPicture& p, int width, int height) {
  ASSERT_EQ(p.width, width);
  ASSERT_EQ(p.height, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = Colour(x, y);
      const std::uint8_t* px = p.Pixel(x, y);
      ASSERT_EQ(px[0], static_cast<std::uint8_t>(c >> 16)) << x << "," << y;
      ASSERT_EQ(px[1], static_cast<std::uint8_t>(c >> 8)) << x << "," << y;
      ASSERT_EQ(px[2], static_cast<std::uint8_t>(c)) << x << "," << y;
    }
}

TEST(BmpReader, ReadsEveryLayoutOfA24BitPicture) {
  struct Case { const char* name; int width, height; BmpOptions options; };
  const Case cases[] = {
      {"bottom-up, padded rows", 7, 5, {}},
      {"top-down", 7, 5, {.top_down = true}},
      {"V5 header", 16, 4, {.header_size = 124}},
      {"pixels further on", 9, 3, {.pixel_offset = 200}},
      {"core header", 5, 6, {.header_size = 12}},
      {"largest", 720, 576, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpPicture picture;
    ASSERT_EQ(ParseBmp24(MakeBmp(c.width, c.height, Colour, c.options), picture), BmpStatus::Ok);
    ExpectPixels(picture, c.width, c.height);
  }
}

TEST(BmpReader, LastRowMayLackItsPadding) {
  auto file = MakeBmp(7, 3, Colour);
  file.pop_back();  // 7 * 3 = 21 bytes a row, padded to 24
  BmpPicture picture;
  EXPECT_EQ(ParseBmp24(file, picture), BmpStatus::Ok);
  file.resize(file.size() - 3);  // now pixel bytes are missing
  EXPECT_EQ(ParseBmp24(file, picture), BmpStatus::WrongSize);
}

TEST(BmpReader, RefusesWhatIsNotA24BitPicture) {
  BmpPicture picture;
  EXPECT_EQ(ParseBmp24(MakeBmp(8, 8, Colour, {.bit_count = 32}), picture), BmpStatus::NotBitmap24);
  EXPECT_EQ(ParseBmp24(MakeBmp(8, 8, Colour, {.bit_count = 8}), picture), BmpStatus::NotBitmap24);
  EXPECT_EQ(ParseBmp24(MakeBmp(8, 8, Colour, {.compression = 3}), picture), BmpStatus::NotBitmap24);
  EXPECT_EQ(ParseBmp24(MakeBmp(8, 8, Colour, {.header_size = 20}), picture), BmpStatus::NotBitmap24);
  auto jpeg = MakeBmp(8, 8, Colour);
  jpeg[0] = 0xFF;
  EXPECT_EQ(ParseBmp24(jpeg, picture), BmpStatus::NotBitmap24);
  EXPECT_EQ(ParseBmp24({}, picture), BmpStatus::NotBitmap24);
}

TEST(BmpReader, RefusesWrongSizes) {
  BmpPicture picture;
  EXPECT_EQ(ParseBmp24(MakeBmp(721, 16, Colour), picture), BmpStatus::WrongSize);
  EXPECT_EQ(ParseBmp24(MakeBmp(16, 577, Colour), picture), BmpStatus::WrongSize);
  EXPECT_EQ(ParseBmp24(MakeBmp(0, 16, Colour), picture), BmpStatus::WrongSize);
  auto huge = MakeBmp(8, 8, Colour);
  authoring_test::PutLe(huge, 18, 0x7FFFFFFF, 4);
  EXPECT_EQ(ParseBmp24(huge, picture), BmpStatus::WrongSize);
  authoring_test::PutLe(huge, 18, 8, 4);
  authoring_test::PutLe(huge, 22, 0x80000000u, 4);  // most negative height
  EXPECT_EQ(ParseBmp24(huge, picture), BmpStatus::WrongSize);
  auto header_only = MakeBmp(8, 8, Colour);
  header_only.resize(30);
  EXPECT_EQ(ParseBmp24(header_only, picture), BmpStatus::WrongSize);
  auto offset_inside_header = MakeBmp(8, 8, Colour);
  authoring_test::PutLe(offset_inside_header, 10, 20, 4);
  EXPECT_EQ(ParseBmp24(offset_inside_header, picture), BmpStatus::WrongSize);
}

TEST(BmpReader, FilesThatCannotBeOpened) {
  testing_support::ScratchDir dir;
  BmpPicture picture;
  EXPECT_EQ(ReadBmp24(dir / "missing.bmp", picture), BmpStatus::CannotOpen);
  EXPECT_EQ(ReadBmp24(dir.Path(), picture), BmpStatus::CannotOpen);
  testing_support::WriteFile(dir / "empty.bmp", "");
  EXPECT_EQ(ReadBmp24(dir / "empty.bmp", picture), BmpStatus::NotBitmap24);
}

}  // namespace
