// The disc image as a burner pulls it: pieces of any size give the bytes
// WriteToFile writes; a file that changes under the image or a stop leaves
// an error naming the file and nothing written. (What the image holds is
// checked with outside readers in tests/e2e/iso_image.sh.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pennock/iso_image.h"
#include "support/test_support.h"

namespace {
namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, std::size_t size, char seed) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(seed + i * 7 + i / 2048);
  std::ofstream(path, std::ios::binary) << data;
}

std::vector<std::uint8_t> Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A DVD folder of made-up files: sizes off the sector grid included.
fs::path MakeFolder(const testing_support::ScratchDir& dir) {
  const fs::path disc = dir / "disc";
  fs::create_directories(disc / "VIDEO_TS");
  WriteBytes(disc / "VIDEO_TS" / "VIDEO_TS.IFO", 12288, 1);
  WriteBytes(disc / "VIDEO_TS" / "VIDEO_TS.BUP", 12288, 1);
  WriteBytes(disc / "VIDEO_TS" / "VTS_01_0.IFO", 4096, 2);
  WriteBytes(disc / "VIDEO_TS" / "VTS_01_1.VOB", 3 * 1024 * 1024 + 2049, 3);
  WriteBytes(disc / "VIDEO_TS" / "VTS_01_2.VOB", 5000, 4);
  return disc;
}

TEST(IsoImage, PulledInAnyPiecesEqualsTheWrittenFile) {
  const testing_support::ScratchDir dir;
  const fs::path disc = MakeFolder(dir);
  std::string error;
  const auto written = pennock::IsoImage::Open(disc, "Pieces", &error);
  ASSERT_TRUE(written) << error;
  ASSERT_TRUE(written->WriteToFile(dir / "whole.iso")) << written->Error();
  const std::vector<std::uint8_t> whole = Slurp(dir / "whole.iso");
  ASSERT_EQ(whole.size(), written->Size());

  for (const std::size_t piece : {std::size_t{1000}, std::size_t{2048}, std::size_t{65537}, std::size_t{8} << 20}) {
    const auto image = pennock::IsoImage::Open(disc, "Pieces", &error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->Size(), whole.size());
    std::vector<std::uint8_t> pulled, buffer(piece);
    for (;;) {
      const std::int64_t got = image->Read(buffer.data(), piece);
      ASSERT_GE(got, 0) << image->Error();
      if (got == 0) break;
      ASSERT_TRUE(static_cast<std::size_t>(got) == piece || image->Position() == image->Size()) << piece;
      pulled.insert(pulled.end(), buffer.begin(), buffer.begin() + got);
    }
    EXPECT_TRUE(pulled == whole) << "pieces of " << piece;
  }
}

TEST(IsoImage, AChangedFileOrAStopLeavesNothing) {
  const testing_support::ScratchDir dir;
  const fs::path disc = MakeFolder(dir);
  const fs::path vob = disc / "VIDEO_TS" / "VTS_01_1.VOB";
  struct Case {
    const char* what;
    bool shrink;
    int stop_after;  // progress calls before the stop; -1 never
  };
  for (const Case c : {Case{"a file shrinks", true, -1}, Case{"stopped", false, 1}}) {
    SCOPED_TRACE(c.what);
    MakeFolder(dir);
    std::string error;
    const auto image = pennock::IsoImage::Open(disc, "", &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->Labels().iso, "DISC");
    if (c.shrink) fs::resize_file(vob, 1024 * 1024);
    int calls = 0;
    EXPECT_FALSE(image->WriteToFile(dir / "out.iso", [&](std::uint64_t, std::uint64_t) {
      return c.stop_after < 0 || calls++ < c.stop_after;
    }));
    EXPECT_EQ(image->Stopped(), !c.shrink);
    if (c.shrink) {
      EXPECT_NE(image->Error().find(vob.string() + " has changed"), std::string::npos) << image->Error();
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.Path())) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"disc"});
  }
}

}  // namespace
