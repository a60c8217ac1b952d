// Chapter stills from every picture format the program reads: rendered as
// the output job renders them, coded by the still encoder and decoded by
// ffmpeg at the disc frame size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "encoder/still_encoder.h"
#include "imaging/picture_composition.h"
#include "imaging_test_support.h"
#include "support/test_support.h"

namespace {

using namespace verosa;
using imaging_test::Output;
using imaging_test::Quote;
using imaging_test::RunQuiet;
using testing_support::MessageBoxRecorder;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
                                    static_cast<std::uint8_t>(b[at + 2]) << 16 |
                                    static_cast<std::uint8_t>(b[at + 3]) << 24);
}

// Rewrites an uncompressed BMP with a 40-byte or longer header as top-down.
void MakeTopDown(const std::filesystem::path& path) {
  std::string b = ReadFile(path);
  ASSERT_GE(b.size(), 54u);
  const std::uint32_t offset = Le32(b, 10);
  const auto width = static_cast<std::int32_t>(Le32(b, 18));
  const auto height = static_cast<std::int32_t>(Le32(b, 22));
  const int bits = static_cast<std::uint8_t>(b[28]);
  ASSERT_GT(height, 0);
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  ASSERT_GE(b.size(), offset + stride * height);
  std::string flipped = b;
  for (std::int32_t r = 0; r < height; ++r)
    flipped.replace(offset + stride * r, stride, b, offset + stride * (height - 1 - r), stride);
  const auto negative = static_cast<std::uint32_t>(-height);
  for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<char>(negative >> (8 * i));
  WriteFile(path, flipped);
}

// The average colour of a picture brought to width x height, as an outside
// reader sees it.
std::vector<int> MeanByImageMagick(const std::filesystem::path& path, FrameSize frame) {
  const std::string size = std::to_string(frame.width) + "x" + std::to_string(frame.height);
  const std::string rgb = Output("convert " + Quote(path) + " -colorspace sRGB -filter Triangle -resize '" + size +
                                 "!' -scale '1x1!' -depth 8 rgb:-");
  if (rgb.size() != 3) return {};
  return {static_cast<std::uint8_t>(rgb[0]), static_cast<std::uint8_t>(rgb[1]), static_cast<std::uint8_t>(rgb[2])};
}

// The average colour of top-down RGB bytes.
std::vector<int> Mean(const std::string& rgb) {
  std::vector<double> sum(3, 0.0);
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
    for (int k = 0; k < 3; ++k) sum[static_cast<std::size_t>(k)] += static_cast<std::uint8_t>(rgb[i + static_cast<std::size_t>(k)]);
  const double pixels = static_cast<double>(rgb.size() / 3);
  std::vector<int> mean;
  for (double s : sum) mean.push_back(static_cast<int>(s / pixels + 0.5));
  return mean;
}

TEST(DiscStill, EveryReadableFormatBecomesAnEncodableStillAtTheFrameSize) {
  REQUIRE_IMAGEMAGICK();
  ScratchDir dir;
  struct Case {
    const char* name;
    const char* size;     // of the source picture
    const char* options;  // convert options and output prefix; empty: made by `ffmpeg`
    const char* ffmpeg;   // ffmpeg pixel format when made by ffmpeg
    const char* extension;
    FrameMode mode;
    bool top_down = false;
  };
  const Case cases[] = {
      {"mono1", "64x48", "-monochrome -compress none BMP3:", "", "bmp", FrameMode::Pal},
      {"palette4", "333x217", "-colors 16 -type Palette -compress none BMP3:", "", "bmp", FrameMode::Ntsc},
      {"palette8", "720x576", "-colors 200 -type Palette -compress none BMP3:", "", "bmp", FrameMode::Pal},
      {"palette8-rle", "1001x701", "-colors 200 -type Palette -compress RLE BMP3:", "", "bmp", FrameMode::Ntsc},
      {"grey8", "97x61", "", "gray", "bmp", FrameMode::Pal},
      {"grey8-imagemagick", "640x480", "-colorspace Gray -type Grayscale -compress none BMP3:", "", "bmp", FrameMode::Ntsc},
      {"rgb555", "320x240", "", "rgb555le", "bmp", FrameMode::Pal},
      {"rgb565-bitfields", "161x121", "-define bmp:subtype=RGB565 BMP:", "", "bmp", FrameMode::Ntsc},
      {"bgr24-core-header", "50x40", "BMP2:", "", "bmp", FrameMode::Pal},
      {"bgr24-large", "2000x1500", "BMP3:", "", "bmp", FrameMode::Ntsc},
      {"bgr24-top-down", "121x99", "BMP3:", "", "bmp", FrameMode::Pal, true},
      {"bgra32", "300x200", "", "bgra", "bmp", FrameMode::Ntsc},
      {"argb32-bitfields", "721x577", "-alpha set -define bmp:subtype=ARGB8888 BMP:", "", "bmp", FrameMode::Pal},
      {"jpeg", "17x9", "-quality 90 JPEG:", "", "jpg", FrameMode::Pal},
      {"jpeg-grey", "400x300", "-colorspace Gray -quality 90 JPEG:", "", "jpg", FrameMode::Ntsc},
      {"jpeg-progressive", "1921x1081", "-interlace Plane -quality 90 JPEG:", "", "jpg", FrameMode::Pal},
      {"jpeg-cmyk", "255x255", "-colorspace CMYK -quality 95 JPEG:", "", "jpg", FrameMode::Ntsc},
      {"jpeg-bmp-name", "720x480", "-quality 90 JPEG:", "", "bmp", FrameMode::Ntsc},
  };
  // One detailed picture that every case brings to its size and format.
  const std::filesystem::path base = dir / "base.png";
  ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -f lavfi -i testsrc2=s=2000x1500 -frames:v 1 " + Quote(base)));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MessageBoxRecorder boxes;
    const std::filesystem::path picture = dir / (std::string(c.name) + "." + c.extension);
    std::string size = c.size;
    if (*c.options) {
      ASSERT_TRUE(RunQuiet("convert " + Quote(base) + " -resize '" + size + "!' " + c.options + Quote(picture)));
    } else {
      std::replace(size.begin(), size.end(), 'x', ':');
      ASSERT_TRUE(RunQuiet("ffmpeg -nostdin -y -i " + Quote(base) + " -vf scale=" + size +
                           " -pix_fmt " + c.ffmpeg + " -f image2 -c:v bmp " + Quote(picture)));
    }
    if (c.top_down) MakeTopDown(picture);

    // As the output job renders a chapter still.
    ChapterPictureSource source;
    source.picture = picture;
    const std::filesystem::path still = dir / (std::string(c.name) + "-still.bmp");
    const StillOutcome outcome = RenderChapterStill(source, still, c.mode);
    ASSERT_TRUE(outcome.written);
    EXPECT_TRUE(outcome.background_loaded) << "the picture was not read";
    const FrameSize frame = FrameSizeOf(c.mode);
    const std::string bytes = ReadFile(still);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[28]), 24) << "bit count";
    EXPECT_EQ(static_cast<std::int32_t>(Le32(bytes, 18)), frame.width);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(bytes, 22)), frame.height) << "bottom-up rows";

    const std::filesystem::path folder = dir / c.name;
    std::filesystem::create_directories(folder);
    const pennock::StillResult coded =
        pennock::EncodeStillChoosingQuantiser(still, folder, pennock::kAspect43, 0, pennock::JobSignals{});
    ASSERT_TRUE(coded.written) << coded.error;
    const std::filesystem::path vob = folder / pennock::kMenuVobName;
    std::string probed =
        Output("ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 " + Quote(vob));
    probed.resize(std::min(probed.find_first_of(",\n", probed.find(',') + 1), probed.size()));
    EXPECT_EQ(probed, std::to_string(frame.width) + "," + std::to_string(frame.height));
    const std::filesystem::path errors = dir / "ffmpeg-errors.txt";
    const std::string decoded = Output("(ffmpeg -nostdin -v error -i " + Quote(vob) +
                                       " -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>" + Quote(errors) + ")");
    EXPECT_EQ(ReadFile(errors), "") << "ffmpeg decodes without complaint";
    ASSERT_EQ(decoded.size(), static_cast<std::size_t>(frame.width) * frame.height * 3);
    // The colours survive: the decoded still averages to the colour of the
    // source brought to the frame size.
    const std::vector<int> want = MeanByImageMagick(picture, frame);
    const std::vector<int> got = Mean(decoded);
    ASSERT_EQ(want.size(), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[static_cast<std::size_t>(k)], want[static_cast<std::size_t>(k)], 6) << "channel " << k;
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes().front().text;
  }
}

}  // namespace
