// BMP reading and writing: the header variants a BMP file may carry, bad
// files refused, and written files read back by ImageMagick.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <sstream>

#include "imaging/picture_codecs.h"
#include "imaging/still_picture.h"
#include "imaging_test_support.h"
#include "support/test_support.h"

namespace {

using namespace verosa;
using imaging_test::ImageMagickRgb;
using imaging_test::LayoutOf;
using imaging_test::Output;
using imaging_test::PixelAt;
using imaging_test::Quote;
using imaging_test::RandomDib;
using imaging_test::RunQuiet;
using imaging_test::TopDownRgb;
using testing_support::MessageBoxRecorder;
using testing_support::ScratchDir;
using testing_support::WriteFile;

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A hand-made BMP file: headers as asked, then `table` and `pixels` as given.
struct BmpBuilder {
  std::uint32_t header_size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  std::vector<std::uint32_t> masks;  // in the header (52+) or after a 40-byte one
  Bytes table;                       // colour table bytes as stored
  Bytes pixels;
  std::uint32_t gap = 0;             // unused bytes before the pixels
  std::optional<std::uint32_t> offset_override;

  Bytes Build() const {
    const bool masks_after = header_size == 40 && !masks.empty();
    const std::size_t table_at = 14 + header_size + (masks_after ? 4 * masks.size() : 0);
    const std::size_t pixels_at = table_at + table.size() + gap;
    Bytes b(pixels_at + pixels.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, offset_override.value_or(static_cast<std::uint32_t>(pixels_at)));
    Put32(b, 14, header_size);
    if (header_size == 12) {
      Put16(b, 18, static_cast<std::uint32_t>(width));
      Put16(b, 20, static_cast<std::uint32_t>(height));
      Put16(b, 22, 1);
      Put16(b, 24, bits);
    } else {
      Put32(b, 18, static_cast<std::uint32_t>(width));
      Put32(b, 22, static_cast<std::uint32_t>(height));
      Put16(b, 26, 1);
      Put16(b, 28, bits);
      Put32(b, 30, compression);
      Put32(b, 46, colours_used);
      for (std::size_t i = 0; i < masks.size(); ++i)
        Put32(b, 54 + 4 * i, masks[i]);  // inside a 52+ header or right after a 40-byte one
    }
    std::copy(table.begin(), table.end(), b.begin() + static_cast<std::ptrdiff_t>(table_at));
    std::copy(pixels.begin(), pixels.end(), b.begin() + static_cast<std::ptrdiff_t>(pixels_at));
    return b;
  }
};

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A small picture with distinct colours, top row first.
std::vector<Rgb> TestColours(int width, int height) {
  std::vector<Rgb> c;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      c.push_back({static_cast<std::uint8_t>(x * 40 + 7), static_cast<std::uint8_t>(y * 50 + 3),
                   static_cast<std::uint8_t>((x + y) * 23)});
  return c;
}

// Rows in file order (bottom-up unless top_down), each made by `pixel` and padded.
Bytes Rows(int width, int height, int bits, bool top_down,
           const std::function<void(Bytes&, int x, int y)>& pixel) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  Bytes out;
  for (int r = 0; r < height; ++r) {
    const int y = top_down ? r : height - 1 - r;
    Bytes row;
    for (int x = 0; x < width; ++x) pixel(row, x, y);
    row.resize(stride, 0);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// Packs sub-byte indices into rows.
Bytes IndexRows(const std::vector<int>& indices, int width, int height, int bits, bool top_down) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  Bytes out;
  for (int r = 0; r < height; ++r) {
    const int y = top_down ? r : height - 1 - r;
    Bytes row(stride, 0);
    for (int x = 0; x < width; ++x) {
      const int bit = x * bits;
      row[bit / 8] |= static_cast<std::uint8_t>(indices[y * width + x] << (8 - bits - bit % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

void ExpectColours(const DibBlock& dib, int width, int height, const std::vector<Rgb>& want,
                   int tolerance = 0) {
  ASSERT_FALSE(dib.empty());
  const DibLayout l = LayoutOf(dib);
  ASSERT_EQ(l.width, width);
  ASSERT_EQ(l.height, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = PixelAt(dib, x, y);
      const Rgb got = l.format == PixelFormat::Grey8 ? Rgb{p[0], p[0], p[0]} : Rgb{p[2], p[1], p[0]};
      const Rgb& w = want[static_cast<std::size_t>(y * width + x)];
      ASSERT_LE(std::abs(got.r - w.r), tolerance) << x << "," << y;
      ASSERT_LE(std::abs(got.g - w.g), tolerance) << x << "," << y;
      ASSERT_LE(std::abs(got.b - w.b), tolerance) << x << "," << y;
    }
}

BmpBuilder TrueColour(int width, int height, bool top_down, std::uint32_t header_size = 40) {
  const auto colours = TestColours(width, height);
  BmpBuilder b;
  b.header_size = header_size;
  b.width = width;
  b.height = top_down ? -height : height;
  b.pixels = Rows(width, height, 24, top_down, [&](Bytes& row, int x, int y) {
    const Rgb& c = colours[static_cast<std::size_t>(y * width + x)];
    row.insert(row.end(), {c.b, c.g, c.r});
  });
  return b;
}

TEST(DecodeBmp, TrueColourInEveryHeaderAndRowOrder) {
  const auto want = TestColours(5, 3);
  for (std::uint32_t header : {40u, 52u, 56u, 64u, 108u, 124u})
    for (bool top_down : {false, true}) {
      SCOPED_TRACE(::testing::Message() << header << (top_down ? " top-down" : " bottom-up"));
      const DibBlock dib = DecodeBmp(TrueColour(5, 3, top_down, header).Build());
      ExpectColours(dib, 5, 3, want);
      EXPECT_EQ(LayoutOf(dib).format, PixelFormat::Bgr24);
    }
}

TEST(DecodeBmp, CoreHeaderWithThreeByteTable) {
  BmpBuilder b;
  b.header_size = 12;
  b.width = 4;
  b.height = 2;
  b.bits = 8;
  b.table.resize(256 * 3, 0);
  const std::vector<Rgb> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    b.table[3 * i] = palette[i].b;
    b.table[3 * i + 1] = palette[i].g;
    b.table[3 * i + 2] = palette[i].r;
  }
  const std::vector<int> indices = {0, 1, 2, 3, 3, 2, 1, 0};
  b.pixels = IndexRows(indices, 4, 2, 8, false);
  std::vector<Rgb> want;
  for (int i : indices) want.push_back(palette[static_cast<std::size_t>(i)]);
  ExpectColours(DecodeBmp(b.Build()), 4, 2, want);
}

TEST(DecodeBmp, ColourTablesOfEveryDepthBecomeTrueColour) {
  for (int bits : {1, 2, 4, 8}) {
    SCOPED_TRACE(bits);
    const int entries = 1 << bits;
    std::vector<Rgb> palette;
    for (int i = 0; i < entries; ++i)
      palette.push_back({static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - i),
                         static_cast<std::uint8_t>(i * 11 + 100)});
    BmpBuilder b;
    b.width = 11;  // rows that end inside a byte
    b.height = 3;
    b.bits = static_cast<std::uint16_t>(bits);
    for (const Rgb& c : palette) b.table.insert(b.table.end(), {c.b, c.g, c.r, 0});
    std::vector<int> indices;
    for (int i = 0; i < 33; ++i) indices.push_back((i * 7) % entries);
    for (bool top_down : {false, true}) {
      b.height = top_down ? -3 : 3;
      b.pixels = IndexRows(indices, 11, 3, bits, top_down);
      std::vector<Rgb> want;
      for (int i : indices) want.push_back(palette[static_cast<std::size_t>(i)]);
      const DibBlock dib = DecodeBmp(b.Build());
      ExpectColours(dib, 11, 3, want);
      EXPECT_EQ(LayoutOf(dib).format, PixelFormat::Bgr24) << "colours kept";
    }
  }
}

TEST(DecodeBmp, ShortColourTableAndIndicesPastIt) {
  BmpBuilder b;
  b.width = 3;
  b.height = 1;
  b.bits = 8;
  b.colours_used = 2;
  b.table = {10, 20, 30, 0, 40, 50, 60, 0};
  b.pixels = {0, 1, 200, 0};  // 200 has no entry: black
  ExpectColours(DecodeBmp(b.Build()), 3, 1, {{30, 20, 10}, {60, 50, 40}, {0, 0, 0}});
}

TEST(DecodeBmp, PlainGreyRampStaysEightBit) {
  BmpBuilder b;
  b.width = 3;
  b.height = 2;
  b.bits = 8;
  for (int i = 0; i < 256; ++i)
    b.table.insert(b.table.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                   static_cast<std::uint8_t>(i), 0});
  b.pixels = {1, 2, 3, 0, 250, 251, 252, 0};  // bottom row first
  const DibBlock dib = DecodeBmp(b.Build());
  ASSERT_FALSE(dib.empty());
  EXPECT_EQ(LayoutOf(dib).format, PixelFormat::Grey8);
  EXPECT_EQ(*PixelAt(dib, 0, 0), 250);
  EXPECT_EQ(*PixelAt(dib, 2, 1), 3);
}

// Narrow channels widen by repeating their bits.
std::uint8_t Scale5(int v) { return static_cast<std::uint8_t>(v << 3 | v >> 2); }
std::uint8_t Scale6(int v) { return static_cast<std::uint8_t>(v << 2 | v >> 4); }

TEST(DecodeBmp, SixteenBitPlainAndBitFields) {
  // 5-5-5 without masks.
  BmpBuilder plain;
  plain.width = 3;
  plain.height = 1;
  plain.bits = 16;
  plain.pixels = Rows(3, 1, 16, false, [](Bytes& row, int x, int) {
    const int v = (31 << 10) * (x == 0) | (31 << 5) * (x == 1) | (x == 2 ? (1 << 10) | (2 << 5) | 3 : 0);
    row.insert(row.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  });
  ExpectColours(DecodeBmp(plain.Build()), 3, 1,
                {{255, 0, 0}, {0, 255, 0}, {Scale5(1), Scale5(2), Scale5(3)}});

  // 5-6-5 with masks after a 40-byte header and inside a 124-byte one.
  for (std::uint32_t header : {40u, 124u}) {
    BmpBuilder b;
    b.header_size = header;
    b.width = 2;
    b.height = -2;
    b.bits = 16;
    b.compression = 3;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = Rows(2, 2, 16, true, [](Bytes& row, int x, int y) {
      const int v = ((x + 1) * 7 << 11) | ((y + 1) * 20 << 5) | (x * 9 + y);
      row.insert(row.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    });
    std::vector<Rgb> want;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x)
        want.push_back({Scale5((x + 1) * 7), Scale6((y + 1) * 20), Scale5(x * 9 + y)});
    ExpectColours(DecodeBmp(b.Build()), 2, 2, want);
  }
}

TEST(DecodeBmp, ThirtyTwoBitPlainAndBitFields) {
  const auto colours = TestColours(4, 2);
  // Plain: stays 32-bit with its bytes as they are.
  BmpBuilder plain;
  plain.width = 4;
  plain.height = 2;
  plain.bits = 32;
  plain.pixels = Rows(4, 2, 32, false, [&](Bytes& row, int x, int y) {
    const Rgb& c = colours[static_cast<std::size_t>(y * 4 + x)];
    row.insert(row.end(), {c.b, c.g, c.r, 0x55});
  });
  const DibBlock dib = DecodeBmp(plain.Build());
  ExpectColours(dib, 4, 2, colours);
  EXPECT_EQ(LayoutOf(dib).format, PixelFormat::Bgrx32);
  EXPECT_EQ(PixelAt(dib, 0, 0)[3], 0x55);

  // Red, green, blue, alpha from the top byte down, in a 108-byte header and
  // with four masks after a 40-byte one.
  for (std::uint32_t header : {108u, 40u}) {
    BmpBuilder b;
    b.header_size = header;
    b.width = 4;
    b.height = 2;
    b.bits = 32;
    b.compression = header == 40 ? 6 : 3;
    b.masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    b.pixels = Rows(4, 2, 32, false, [&](Bytes& row, int x, int y) {
      const Rgb& c = colours[static_cast<std::size_t>(y * 4 + x)];
      row.insert(row.end(), {0x80, c.b, c.g, c.r});
    });
    ExpectColours(DecodeBmp(b.Build()), 4, 2, colours);
  }
}

TEST(DecodeBmp, RunLengthCoding) {
  // 8-bit: a run, an end of line, a literal run with padding, a move, end.
  BmpBuilder b;
  b.width = 5;
  b.height = 3;
  b.bits = 8;
  b.compression = 1;
  for (int i = 0; i < 256; ++i) b.table.insert(b.table.end(), {0, 0, static_cast<std::uint8_t>(i), 0});
  b.pixels = {3, 7,            // bottom row: 7 7 7
              0, 0,            // end of line
              0, 3, 1, 2, 3, 0,  // literal 1 2 3, padded
              0, 2, 1, 1,      // move right 1 (to x 4), up 1
              1, 9,            // top row x 4: 9
              0, 1};           // end of picture
  std::vector<Rgb> want(15, Rgb{0, 0, 0});
  auto at = [&](int x, int y_top) -> Rgb& { return want[static_cast<std::size_t>(y_top * 5 + x)]; };
  for (int x = 0; x < 3; ++x) at(x, 2) = {7, 0, 0};
  at(0, 1) = {1, 0, 0};
  at(1, 1) = {2, 0, 0};
  at(2, 1) = {3, 0, 0};
  at(4, 0) = {9, 0, 0};
  ExpectColours(DecodeBmp(b.Build()), 5, 3, want);

  // 4-bit: runs alternate the two nibbles; literal nibbles.
  BmpBuilder f;
  f.width = 6;
  f.height = 1;
  f.bits = 4;
  f.compression = 2;
  for (int i = 0; i < 16; ++i) f.table.insert(f.table.end(), {0, static_cast<std::uint8_t>(i), 0, 0});
  f.pixels = {3, 0x12, 0, 3, 0x45, 0x60, 0, 1};
  ExpectColours(DecodeBmp(f.Build()), 6, 1,
                {{0, 1, 0}, {0, 2, 0}, {0, 1, 0}, {0, 4, 0}, {0, 5, 0}, {0, 6, 0}});

  // Data that ends before the picture does.
  b.pixels = {3, 7, 0, 0, 2, 1};
  EXPECT_TRUE(DecodeBmp(b.Build()).empty());
}

TEST(DecodeBmp, PixelOffsetOfTheFileHeader) {
  const auto want = TestColours(3, 2);
  BmpBuilder b = TrueColour(3, 2, false);
  b.gap = 10;  // pixels start 10 bytes after the headers
  ExpectColours(DecodeBmp(b.Build()), 3, 2, want);
  // An offset outside the file or inside the headers: pixels follow the headers.
  for (std::uint32_t bad : {0u, 20u, 100000u}) {
    BmpBuilder c = TrueColour(3, 2, false);
    c.offset_override = bad;
    ExpectColours(DecodeBmp(c.Build()), 3, 2, want);
  }
}

TEST(DecodeBmp, LastRowWithoutPaddingIsAccepted) {
  Bytes file = TrueColour(3, 2, false).Build();
  file.resize(file.size() - 3);  // 9 pixel bytes + 3 padding in the last row
  ExpectColours(DecodeBmp(file), 3, 2, TestColours(3, 2));
  file.pop_back();
  EXPECT_TRUE(DecodeBmp(file).empty());
}

TEST(DecodeBmp, RefusesBadFiles) {
  const Bytes good = TrueColour(5, 4, false).Build();
  ASSERT_FALSE(DecodeBmp(good).empty());
  for (std::size_t n = 0; n + 3 < good.size(); ++n)
    EXPECT_TRUE(DecodeBmp(std::span(good.data(), n)).empty()) << "cut to " << n << " bytes";

  auto with = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
    Bytes b = good;
    if (bytes == 2) Put16(b, at, value);
    else Put32(b, at, value);
    return b;
  };
  EXPECT_TRUE(DecodeBmp(with(0, 0x4D43, 2)).empty()) << "not BM";
  for (std::uint32_t size : {0u, 13u, 41u, 200u, 0xFFFFFFFFu})
    EXPECT_TRUE(DecodeBmp(with(14, size)).empty()) << "header size " << size;
  for (std::int32_t w : {0, -5, 70000, INT_MIN})
    EXPECT_TRUE(DecodeBmp(with(18, static_cast<std::uint32_t>(w))).empty()) << "width " << w;
  for (std::int32_t h : {0, 70000, -70000, INT_MIN})
    EXPECT_TRUE(DecodeBmp(with(22, static_cast<std::uint32_t>(h))).empty()) << "height " << h;
  // Sides within the limit, area beyond it; and a claim the file cannot back.
  Bytes huge = with(18, 20000);
  Put32(huge, 22, 20000);
  EXPECT_TRUE(DecodeBmp(huge).empty());
  Bytes big = with(18, 3000);
  Put32(big, 22, 3000);
  EXPECT_TRUE(DecodeBmp(big).empty());
  for (std::uint32_t bits : {0u, 3u, 48u, 64u})
    EXPECT_TRUE(DecodeBmp(with(28, bits, 2)).empty()) << "bits " << bits;
  for (std::uint32_t comp : {1u, 2u, 3u, 4u, 5u, 11u, 99u})
    EXPECT_TRUE(DecodeBmp(with(30, comp)).empty()) << "24-bit with compression " << comp;

  // A table that runs past the end of the file.
  BmpBuilder t;
  t.width = 1;
  t.height = 1;
  t.bits = 8;
  t.table = {1, 2, 3, 0};
  EXPECT_TRUE(DecodeBmp(t.Build()).empty());
  // Run-length coding with top-down rows does not exist.
  BmpBuilder r;
  r.width = 1;
  r.height = -1;
  r.bits = 8;
  r.compression = 1;
  r.table.resize(1024);
  r.pixels = {1, 0, 0, 1};
  EXPECT_TRUE(DecodeBmp(r.Build()).empty());
  r.height = 1;
  EXPECT_FALSE(DecodeBmp(r.Build()).empty());
  // Within a smaller limit.
  EXPECT_TRUE(DecodeBmp(good, 19).empty());
  EXPECT_FALSE(DecodeBmp(good, 20).empty());
}

TEST(LoadBmpFile, RefusesWhatIsNotABmpFileAndKeepsThePicture) {
  ScratchDir dir;
  MessageBoxRecorder boxes;
  const Bytes good = TrueColour(5, 4, false).Build();
  WriteFile(dir / "good.bmp", std::string(good.begin(), good.end()));
  StillPicture picture;
  ASSERT_TRUE(picture.LoadBmpFile(dir / "good.bmp"));
  const DibBlock before = picture.Dib();

  WriteFile(dir / "empty.bmp", "");
  WriteFile(dir / "text.bmp", "BM but not really a bitmap");
  WriteFile(dir / "cut.bmp", std::string(good.begin(), good.begin() + 60));
  std::filesystem::create_directory(dir / "folder.bmp");
  for (const char* name : {"empty.bmp", "text.bmp", "cut.bmp", "folder.bmp", "missing.bmp"}) {
    EXPECT_FALSE(picture.LoadBmpFile(dir / name)) << name;
    EXPECT_EQ(picture.Dib(), before) << name;
  }
  EXPECT_FALSE(picture.LoadBmpFile("/dev/zero"));
  EXPECT_TRUE(boxes.Boxes().empty()) << "BMP refusals are silent; the JPEG loader reports";
}

// ImageMagick's own BMP variants must decode to ImageMagick's pixels.
TEST(LoadBmpFile, ReadsImageMagicksVariantsAsImageMagickDoes) {
  REQUIRE_IMAGEMAGICK();
  ScratchDir dir;
  StillPicture source;
  ASSERT_TRUE(source.SetDib(RandomDib(37, 23, PixelFormat::Bgr24, 5)));
  ASSERT_TRUE(source.SaveBmpFile(dir / "src.bmp"));
  const std::string src = Quote(dir / "src.bmp");
  struct Variant {
    const char* name;
    const char* options;
  };
  const Variant variants[] = {
      {"core", "BMP2:"},
      {"info", "BMP3:"},
      {"v5", "BMP:"},
      {"palette-rle8", "-colors 200 -type Palette BMP3:"},
      {"palette8", "-colors 200 -type Palette -compress none BMP3:"},
      {"palette4", "-colors 16 -type Palette -compress none BMP3:"},
      {"mono", "-monochrome BMP3:"},
      {"grey8", "-colorspace Gray -type Palette -compress none BMP3:"},
      {"rgb565", "-define bmp:subtype=RGB565 BMP:"},
      {"argb8888", "-alpha set -define bmp:subtype=ARGB8888 BMP:"},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const auto path = dir / (std::string(v.name) + ".bmp");
    ASSERT_TRUE(RunQuiet("convert " + src + " " + v.options + Quote(path)));
    StillPicture picture;
    ASSERT_TRUE(picture.LoadBmpFile(path));
    const auto theirs = ImageMagickRgb(path);
    ASSERT_EQ(theirs.size(), 37u * 23 * 3);
    EXPECT_EQ(TopDownRgb(picture.Dib()), theirs);
  }
}

std::string Identify(const std::filesystem::path& path) {
  return Output("identify -format '%m %w %h %z %[type]' " + Quote(path));
}

std::uint16_t FileBitCount(const std::filesystem::path& path) {
  const std::string bytes = testing_support::ReadFile(path);
  return bytes.size() < 30 ? 0 : static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[28]) | (static_cast<std::uint8_t>(bytes[29]) << 8));
}

TEST(SaveBmpFile, ReadBackByImageMagick) {
  REQUIRE_IMAGEMAGICK();
  ScratchDir dir;
  // 24-bit: written as held.
  StillPicture colour;
  ASSERT_TRUE(colour.SetDib(RandomDib(37, 23, PixelFormat::Bgr24, 11)));
  ASSERT_TRUE(colour.SaveBmpFile(dir / "c24.bmp"));
  EXPECT_EQ(Identify(dir / "c24.bmp").substr(0, 12), "BMP3 37 23 8");
  EXPECT_EQ(FileBitCount(dir / "c24.bmp"), 24);
  EXPECT_EQ(ImageMagickRgb(dir / "c24.bmp"), TopDownRgb(colour.Dib()));
  EXPECT_EQ(std::filesystem::file_size(dir / "c24.bmp"), 54u + 112 * 23);

  // 32-bit: written as 24-bit, the fourth byte dropped.
  StillPicture four;
  ASSERT_TRUE(four.SetDib(RandomDib(37, 23, PixelFormat::Bgrx32, 12)));
  ASSERT_TRUE(four.SaveBmpFile(dir / "c32.bmp"));
  EXPECT_EQ(FileBitCount(dir / "c32.bmp"), 24);
  EXPECT_EQ(std::filesystem::file_size(dir / "c32.bmp"), 54u + 112 * 23);
  EXPECT_EQ(Identify(dir / "c32.bmp").substr(0, 12), "BMP3 37 23 8");
  EXPECT_EQ(ImageMagickRgb(dir / "c32.bmp"), TopDownRgb(four.Dib()));

  // 8-bit grey: the table goes with it.
  StillPicture grey;
  ASSERT_TRUE(grey.SetDib(RandomDib(37, 23, PixelFormat::Grey8, 13)));
  ASSERT_TRUE(grey.SaveBmpFile(dir / "g8.bmp"));
  EXPECT_EQ(FileBitCount(dir / "g8.bmp"), 8);
  EXPECT_EQ(std::filesystem::file_size(dir / "g8.bmp"), 54u + 1024 + 40 * 23);
  EXPECT_NE(Identify(dir / "g8.bmp").find("BMP3 37 23 8 Grayscale"), std::string::npos)
      << Identify(dir / "g8.bmp");
  EXPECT_EQ(ImageMagickRgb(dir / "g8.bmp"), TopDownRgb(grey.Dib()));

  // And back through our own reader unchanged.
  StillPicture again;
  ASSERT_TRUE(again.LoadBmpFile(dir / "c24.bmp"));
  EXPECT_EQ(again.Dib(), colour.Dib());
  ASSERT_TRUE(again.LoadBmpFile(dir / "g8.bmp"));
  EXPECT_EQ(again.Dib(), grey.Dib());
}

TEST(SaveBmpFile, FailuresAreReported) {
  ScratchDir dir;
  StillPicture empty;
  EXPECT_FALSE(empty.SaveBmpFile(dir / "empty.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.bmp"));
  StillPicture picture;
  ASSERT_TRUE(picture.SetDib(RandomDib(8, 8, PixelFormat::Bgr24, 1)));
  EXPECT_FALSE(picture.SaveBmpFile(dir / "no" / "such" / "folder.bmp"));
  EXPECT_FALSE(picture.SaveBmpFile(dir.Path()));
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(picture.SaveBmpFile("/dev/full")) << "a full disk is a failure";
  }
}

TEST(SetDib, OnlyBlocksOfThisProgramsForm) {
  StillPicture picture;
  EXPECT_FALSE(picture.SetDib({}));
  DibBlock odd = RandomDib(4, 4, PixelFormat::Bgr24, 2);
  odd[14] = 16;  // 16 bits per pixel
  EXPECT_FALSE(picture.SetDib(odd));
  EXPECT_TRUE(picture.IsEmpty());
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.BitCount(), 0);
}

}  // namespace
