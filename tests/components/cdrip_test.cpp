// CDRip on a CUE/BIN image with a data track first: each track's own
// sector range, data tracks flagged, and ripping that returns the image's
// audio bytes exactly.
#include "cdrip/cdrip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

// Sectors of the three tracks: data, 2 s of audio, exactly 1 s of audio.
constexpr int kData = 300, kAudio2 = 150, kAudio3 = 75;

TEST(CdRip, ReadsTracksOfAnImageByTheirOwnRangesAndRipsThemExactly) {
  testing_support::ScratchDir dir;
  const fs::path cue = testing_support::MakeCdImage(
      dir.Path(), {{false, kData}, {true, kAudio2}, {true, kAudio3}});
  const std::string disc = testing_support::ReadFile(dir / "disc.bin");
  testing_support::ScopedEnv images("VEROSA_CD_IMAGES", "/nowhere/none.cue:" + cue.string());

  ASSERT_EQ(CR_Init(nullptr), CR_OK);
  int image = -1;
  for (int d = 0; d < CR_GetNumCDROM(); ++d) {
    CR_SetActiveCDROM(d);
    char parameters[CR_DRIVE_PARAMETER_BYTES];
    CR_GetCDROMParameters(parameters);
    if (std::string(parameters) == cue.string()) image = d;
  }
  ASSERT_GE(image, 0) << "the image is listed as a drive";
  CR_SetActiveCDROM(image);
  EXPECT_EQ(CR_GetActiveCDROM(), image);
  ASSERT_EQ(CR_ReadToc(), CR_OK);

  struct Expected {
    int first, last;
    bool audio;
  };
  const Expected expected[] = {{0, kData - 1, false},
                               {kData, kData + kAudio2 - 1, true},
                               {kData + kAudio2, kData + kAudio2 + kAudio3 - 1, true}};
  ASSERT_EQ(CR_GetNumTocEntries(), 3) << "three tracks, no lead-out";
  for (int t = 0; t < 3; ++t) {
    SCOPED_TRACE(t);
    const CR_TocEntry entry = CR_GetTocEntry(t);
    EXPECT_EQ(entry.number, t + 1);
    EXPECT_EQ(entry.first_sector, expected[t].first);
    EXPECT_EQ(entry.last_sector, expected[t].last);
    EXPECT_EQ((entry.flags & CR_TRACK_AUDIO) != 0 && (entry.flags & CR_TRACK_DATA) == 0,
              expected[t].audio);
  }

  // Track 3, then track 2 stopped after its first chunk.
  for (const int track : {2, 1}) {
    const CR_TocEntry entry = CR_GetTocEntry(track);
    std::int32_t size = 0;
    ASSERT_EQ(CR_OpenRipper(&size, entry.first_sector, entry.last_sector), CR_OK);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size)), ripped;
    std::int32_t bytes = 0, abort = 0, status = 0;
    while ((status = CR_RipChunk(buffer.data(), &bytes, &abort)) == CR_RIP_OK) {
      ripped.insert(ripped.end(), buffer.begin(), buffer.begin() + bytes);
      if (track == 1) abort = 1;
    }
    EXPECT_EQ(CR_CloseRipper(), CR_OK);
    const auto begin = disc.begin() + static_cast<std::ptrdiff_t>(entry.first_sector) * CR_SECTOR_BYTES;
    if (track == 2) {
      EXPECT_EQ(status, CR_RIP_DONE);
      ASSERT_EQ(ripped.size(), static_cast<std::size_t>(kAudio3) * CR_SECTOR_BYTES);
      EXPECT_TRUE(std::equal(ripped.begin(), ripped.end(), reinterpret_cast<const std::uint8_t*>(&*begin)))
          << "the image's own bytes";

    } else {
      EXPECT_EQ(status, CR_RIP_ABORTED);
      EXPECT_LT(ripped.size(), static_cast<std::size_t>(kAudio2) * CR_SECTOR_BYTES);
    }
  }
  std::int32_t size = 0;
  EXPECT_EQ(CR_OpenRipper(&size, 0, kData + kAudio2 + kAudio3 + 10), CR_ERR_RANGE);
  CR_DeInit();
}

}  // namespace
