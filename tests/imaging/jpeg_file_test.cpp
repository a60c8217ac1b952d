// JPEG loading: colour, grey and CMYK pictures as RGB, and the messages for
// files that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/picture_codecs.h"
#include "imaging/still_picture.h"
#include "imaging_test_support.h"
#include "support/test_support.h"

namespace {

using namespace verosa;
using imaging_test::ImageMagickRgb;
using imaging_test::LayoutOf;
using imaging_test::PixelAt;
using imaging_test::Quote;
using imaging_test::RandomDib;
using imaging_test::RunQuiet;
using imaging_test::TopDownRgb;
using testing_support::MessageBoxRecorder;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

class JpegFile : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_IMAGEMAGICK();
    // A smooth picture with some detail, as photos are.
    ASSERT_TRUE(RunQuiet("convert -size 61x43 gradient:'#e02010'-'#1040c0' -swirl 90 " +
                    Quote(dir_ / "source.png")));
  }
  std::filesystem::path Make(const std::string& name, const std::string& options) {
    const auto path = dir_ / name;
    EXPECT_TRUE(RunQuiet("convert " + Quote(dir_ / "source.png") + " " + options + " " + Quote(path)));
    return path;
  }

  ScratchDir dir_;
  MessageBoxRecorder boxes_;
};

TEST_F(JpegFile, ColourPicturesDecodeAsLibjpegDecodesThem) {
  for (const char* options : {"-quality 90", "-quality 60 -sampling-factor 1x1",
                              "-quality 75 -interlace Plane"}) {
    SCOPED_TRACE(options);
    const auto path = Make("colour.jpg", options);
    StillPicture picture;
    ASSERT_TRUE(picture.LoadJpegFile(path));
    const DibLayout l = LayoutOf(picture.Dib());
    EXPECT_EQ(l.width, 61);
    EXPECT_EQ(l.height, 43);
    EXPECT_EQ(l.format, PixelFormat::Bgr24);
    const auto header = BitmapInfoHeader::Read(picture.Dib().data(), picture.Dib().size());
    EXPECT_EQ(header->biXPelsPerMeter, 7874);
    EXPECT_EQ(header->biSizeImage, 184u * 43);
    EXPECT_EQ(TopDownRgb(picture.Dib()), ImageMagickRgb(path));
  }
  EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(JpegFile, GreyPictureGivesThreeEqualBytesPerPixel) {
  const auto path = Make("grey.jpg", "-colorspace Gray -quality 85");
  ASSERT_EQ(imaging_test::Output("identify -format '%[colorspace]' " + Quote(path)), "Gray");
  StillPicture picture;
  ASSERT_TRUE(picture.LoadJpegFile(path));
  ASSERT_EQ(picture.BitCount(), 24);
  bool varied = false;
  for (int y = 0; y < 43; ++y)
    for (int x = 0; x < 61; ++x) {
      const std::uint8_t* p = PixelAt(picture.Dib(), x, y);
      ASSERT_EQ(p[0], p[1]);
      ASSERT_EQ(p[1], p[2]);
      varied |= p[0] != PixelAt(picture.Dib(), 0, 0)[0];
    }
  EXPECT_TRUE(varied);
  EXPECT_EQ(TopDownRgb(picture.Dib()), ImageMagickRgb(path));
}

TEST_F(JpegFile, CmykPicturesComeOutAsTheirColours) {
  // Solid patches: pure colours must survive the ink conversion.
  const std::string patches = "-size 32x16 xc:'#ff0000' xc:'#00ff00' xc:'#0000ff' xc:'#ffffff' xc:'#808080' +append";
  ASSERT_TRUE(RunQuiet("convert " + patches + " -colorspace CMYK -quality 95 " + Quote(dir_ / "cmyk.jpg")));
  ASSERT_TRUE(RunQuiet("convert " + patches + " " + Quote(dir_ / "rgb.png")));
  const std::string colourspace =
      imaging_test::Output("identify -format '%[colorspace]' " + Quote(dir_ / "cmyk.jpg"));
  ASSERT_EQ(colourspace, "CMYK");
  StillPicture picture;
  ASSERT_TRUE(picture.LoadJpegFile(dir_ / "cmyk.jpg"));
  const auto ours = TopDownRgb(picture.Dib());
  const auto want = ImageMagickRgb(dir_ / "rgb.png");
  ASSERT_EQ(ours.size(), want.size());
  // Sample the middle of each patch, away from block edges.
  for (int patch = 0; patch < 5; ++patch) {
    const std::size_t i = (8 * 160 + patch * 32 + 16) * 3;
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(ours[i + c], want[i + c], 6) << "patch " << patch << " channel " << c;
  }
}

TEST_F(JpegFile, FilesThatCannotBeOpenedAreReported) {
  StillPicture picture;
  const auto missing = dir_ / "missing.jpg";
  EXPECT_FALSE(picture.LoadJpegFile(missing));
  std::filesystem::create_directory(dir_ / "folder.jpg");
  EXPECT_FALSE(picture.LoadJpegFile(dir_ / "folder.jpg"));
  ASSERT_EQ(boxes_.Boxes().size(), 2u);
  EXPECT_EQ(boxes_.Boxes()[0].text, "JPEG :\nCan't open " + missing.string() + "\n");
  EXPECT_EQ(boxes_.Boxes()[1].text, "JPEG :\nCan't open " + (dir_ / "folder.jpg").string() + "\n");
}

TEST_F(JpegFile, DamagedFilesAreRefusedWithTheLibrarysMessage) {
  const std::string good = ReadFile(Make("good.jpg", "-quality 90"));
  const std::string progressive = ReadFile(Make("progressive.jpg", "-quality 90 -interlace Plane"));
  std::string marker_in_data = good;
  const std::size_t scan = marker_in_data.rfind("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  marker_in_data.replace(scan + 40, 2, "\xFF\xD9");
  const struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty.jpg", "", "Empty input file"},
      {"text.jpg", "Just some words.", "Not a JPEG file: starts with 0x4a 0x75"},
      {"header-only.jpg", good.substr(0, 300), nullptr},
      {"half.jpg", good.substr(0, good.size() / 2), "Corrupt JPEG data: premature end of data segment"},
      {"half-progressive.jpg", progressive.substr(0, progressive.size() / 2), nullptr},
      {"progressive-without-last-scan.jpg", progressive.substr(0, progressive.rfind("\xFF\xDA")),
       "Premature end of JPEG file"},
      {"end-in-data.jpg", marker_in_data, nullptr},
  };
  StillPicture picture;
  ASSERT_TRUE(picture.SetDib(RandomDib(9, 9, PixelFormat::Bgr24, 3)));
  const DibBlock before = picture.Dib();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.Clear();
    WriteFile(dir_ / c.name, c.bytes);
    EXPECT_FALSE(picture.LoadJpegFile(dir_ / c.name));
    EXPECT_EQ(picture.Dib(), before) << "a failed load keeps the picture";
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].caption, "JPEG Fatal Error");
    EXPECT_EQ(boxes_.Boxes()[0].style, platform::kMbOk | platform::kMbIconError);
    if (c.message) {
      EXPECT_EQ(boxes_.Boxes()[0].text, c.message);
    }
    // Kept quiet, as the output job's still worker keeps them, the same
    // failure puts up no box (also for a file that cannot be opened).
    boxes_.Clear();
    {
      const QuietPictureErrors quiet;
      EXPECT_FALSE(picture.LoadJpegFile(dir_ / c.name));
      EXPECT_FALSE(picture.LoadJpegFile(dir_ / "missing.jpg"));
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
  }
}

// Start-of-frame with an absurd size: refused before anything is allocated.
TEST_F(JpegFile, AbsurdSizesAreRefusedAsOutOfMemory) {
  std::string bytes = ReadFile(Make("small.jpg", "-quality 90"));
  const std::size_t sof = bytes.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  for (const auto& [w, h] : {std::pair{65000, 65000}, std::pair{40000, 40000}, std::pair{65000, 2100}}) {
    bytes[sof + 5] = static_cast<char>(h >> 8);
    bytes[sof + 6] = static_cast<char>(h & 0xFF);
    bytes[sof + 7] = static_cast<char>(w >> 8);
    bytes[sof + 8] = static_cast<char>(w & 0xFF);
    WriteFile(dir_ / "huge.jpg", bytes);
    boxes_.Clear();
    StillPicture picture;
    EXPECT_FALSE(picture.LoadJpegFile(dir_ / "huge.jpg"));
    EXPECT_TRUE(picture.IsEmpty());
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "JpegFile :\nOut of memory");
    EXPECT_EQ(boxes_.Boxes()[0].style & platform::kMbIconMask, platform::kMbIconError);
  }
}

TEST_F(JpegFile, ExtraBytesAfterTheEndOfPictureDoNotMatter) {
  std::string bytes = ReadFile(Make("good.jpg", "-quality 90"));
  bytes += std::string(100, '\0');
  WriteFile(dir_ / "padded.jpg", bytes);
  StillPicture picture;
  EXPECT_TRUE(picture.LoadJpegFile(dir_ / "padded.jpg"));
  // Missing only the end marker: every pixel is there.  (A file cut any
  // shorter is refused, see above.)
  bytes = ReadFile(dir_ / "good.jpg");
  bytes.resize(bytes.size() - 2);
  WriteFile(dir_ / "no-end.jpg", bytes);
  EXPECT_TRUE(picture.LoadJpegFile(dir_ / "no-end.jpg"));
  EXPECT_TRUE(boxes_.Boxes().empty());
}

}  // namespace
