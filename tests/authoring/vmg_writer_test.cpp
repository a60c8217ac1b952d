#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "ifo/ifo_common.h"
#include "ifo/menu_stream.h"
#include "ifo/vmg_writer.h"
#include "job/navigation_code.h"
#include "mux/pack_format.h"
#include "authoring_test_support.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using authoring_test::ReadBytes;
Bytes Slice(const Bytes& b, std::size_t from, std::size_t count) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + count));
}
std::uint32_t Be32(const Bytes& b, std::size_t at) { return GetBe32(&b[at]); }
std::uint32_t Be16(const Bytes& b, std::size_t at) { return static_cast<std::uint32_t>(b[at] << 8 | b[at + 1]); }
bool AllZero(const Bytes& b, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (b[i] != 0) return false;
  return true;
}
Bytes Command(std::uint16_t code) {
  const auto c = EncodeNavigationCode(code);
  return c ? Bytes(c->begin(), c->end()) : Bytes(8, 0);
}

struct StatusSink : platform::QueuedSink {
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t) override {
    if (message == kMsgStatus) statuses.push_back(static_cast<int>(wparam));
    return 0;
  }
  std::vector<int> statuses;
};

void WriteSectors(const fs::path& path, std::size_t sectors, char fill = '\0') {
  testing_support::WriteFile(path, std::string(sectors * 2048, fill));
}

std::string TitleSetName(int number, const char* suffix) {
  char name[32];
  std::snprintf(name, sizeof name, "VTS_%02d_%s", number, suffix);
  return name;
}

// A title set's information file and backup: sector 0 with a recognisable
// attribute area, VTS_PTT_SRPT with the given chapter counts in sector 1,
// `padding` more sectors.
Bytes WriteTitleSet(const fs::path& video_ts, int number, const std::vector<int>& chapters,
                    std::size_t padding = 0) {
  Bytes ifo((2 + padding) * 2048, 0);
  std::copy_n("DVDVIDEO-VTS", 12, ifo.begin());
  for (std::size_t i = 256; i < 1024; ++i) ifo[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(number));
  PutBe32(&ifo[200], 1);
  std::uint8_t* t = &ifo[2048];
  const std::size_t titles = chapters.size();
  std::size_t offset = 8 + 4 * titles;
  PutBe16(t, static_cast<std::uint16_t>(titles));
  for (std::size_t i = 0; i < titles; ++i) {
    PutBe32(t + 8 + 4 * i, static_cast<std::uint32_t>(offset));
    for (int c = 1; c <= chapters[i]; ++c) {
      PutBe16(t + offset, static_cast<std::uint16_t>(i + 1));
      PutBe16(t + offset + 2, static_cast<std::uint16_t>(c));
      offset += 4;
    }
  }
  PutBe32(t + 4, static_cast<std::uint32_t>(offset - 1));
  const std::string bytes(ifo.begin(), ifo.end());
  testing_support::WriteFile(video_ts / TitleSetName(number, "0.IFO"), bytes);
  testing_support::WriteFile(video_ts / TitleSetName(number, "0.BUP"), bytes);
  return ifo;
}

MenuStream SyntheticMenu(std::uint32_t sectors) {
  MenuStream m;
  m.tv = TvSystem::Ntsc;
  m.sectors = sectors;
  m.vobu_start_ptm = 21021;
  m.vobu_end_ptm = 66066;
  m.cell_time = {0x00, 0x00, 0x00, 0xD5};
  m.attributes.mpeg2 = true;
  m.attributes.width = 720;
  m.attributes.height = 480;
  m.attributes.frame_rate_code = 4;
  m.attributes.aspect_code = 2;
  return m;
}

class VmgFiles : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(video_ts); }
  Bytes Ifo() const { return ReadBytes(video_ts / "VIDEO_TS.IFO"); }

  testing_support::ScratchDir dir;
  fs::path video_ts = dir / "VIDEO_TS";
};

// ---- VIDEO_TS.IFO as written ---------------------------------------------

TEST_F(VmgFiles, EveryTableWithAMenuStream) {
  const Bytes vts = WriteTitleSet(video_ts, 1, {1});
  WriteSectors(video_ts / "VIDEO_TS.VOB", 7);
  VmgParameters params{video_ts, *EncodeNavigationCode(22001), *EncodeNavigationCode(60300),
                       *EncodeNavigationCode(30000)};
  ASSERT_TRUE(WriteVmgInformation(SyntheticMenu(7), params, {}));
  const Bytes b = Ifo();
  ASSERT_EQ(b.size(), 6u * 2048u);
  EXPECT_EQ(ReadBytes(video_ts / "VIDEO_TS.BUP"), b);

  // VMGI_MAT.
  EXPECT_EQ(std::string(b.begin(), b.begin() + 12), "DVDVIDEO-VMG");
  EXPECT_EQ(Be32(b, 12), 7u + 2u * 6u - 1u);  // VOB sectors + 2 I - 1
  EXPECT_TRUE(AllZero(b, 16, 28));
  EXPECT_EQ(Be32(b, 28), 5u);
  EXPECT_EQ(Be16(b, 32), 0x0011u);
  EXPECT_EQ(Be32(b, 34), 0u);
  EXPECT_EQ(Be16(b, 38), 1u);
  EXPECT_EQ(Be16(b, 40), 1u);
  EXPECT_EQ(b[42], 1);
  EXPECT_TRUE(AllZero(b, 43, 62));
  EXPECT_EQ(Be16(b, 62), 1u);
  EXPECT_EQ(std::string(b.begin() + 64, b.begin() + 96), "BRACKENHOLLOW-COMPANY-USA       ");
  EXPECT_TRUE(AllZero(b, 96, 128));
  EXPECT_EQ(Be32(b, 128), 1024u + 252u - 1u);
  EXPECT_EQ(Be32(b, 132), 0x400u);
  EXPECT_TRUE(AllZero(b, 136, 192));
  EXPECT_EQ(Be32(b, 192), 6u);  // VMGM_VOBS
  EXPECT_EQ(Be32(b, 196), 1u);  // TT_SRPT
  EXPECT_EQ(Be32(b, 200), 2u);  // VMGM_PGCI_UT
  EXPECT_EQ(Be32(b, 204), 0u);  // VMG_PTL_MAIT
  EXPECT_EQ(Be32(b, 208), 3u);  // VMG_VTS_ATRT
  EXPECT_EQ(Be32(b, 212), 0u);  // VMG_TXTDT_MG
  EXPECT_EQ(Be32(b, 216), 4u);  // VMGM_C_ADT
  EXPECT_EQ(Be32(b, 220), 5u);  // VMGM_VOBU_ADMAP
  EXPECT_TRUE(AllZero(b, 224, 256));
  EXPECT_EQ(Slice(b, 256, 2), (Bytes{0x43, 0x00}));  // MPEG-2, NTSC, 4:3, display bits 3
  EXPECT_EQ(Be16(b, 258), 0u);
  EXPECT_TRUE(AllZero(b, 260, 340));
  EXPECT_EQ(Be16(b, 340), 0u);
  EXPECT_TRUE(AllZero(b, 342, 1024));

  // First-play PGC.
  const std::size_t fp = 1024;
  EXPECT_EQ(Slice(b, fp, 8), (Bytes{0, 0, 0, 0, 0, 0, 0, 0xC0}));
  EXPECT_TRUE(AllZero(b, fp + 8, fp + 228));
  EXPECT_EQ(Slice(b, fp + 228, 8), (Bytes{0x00, 0xEC, 0, 0, 0, 0, 0, 0}));  // command table at 236 only
  EXPECT_EQ(Slice(b, fp + 236, 8), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F}));
  EXPECT_EQ(Slice(b, fp + 244, 8), (Bytes{0x30, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_TRUE(AllZero(b, fp + 252, 2048));

  // Placeholder title table.
  const std::size_t tt = 2048;
  EXPECT_EQ(Slice(b, tt, 8), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x13}));
  EXPECT_EQ(Slice(b, tt + 8, 12), (Bytes{0x3C, 0x01, 0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 26}));
  EXPECT_TRUE(AllZero(b, tt + 20, tt + 2048));

  // Menu PGC information unit table.
  const std::size_t ut = 2 * 2048, lu = ut + 16, pgc = lu + 16;
  EXPECT_EQ(Slice(b, ut, 8), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x41}));  // end 16 + 16 + 290 - 1
  EXPECT_EQ(Slice(b, ut + 8, 8), (Bytes{'e', 'n', 0x00, 0x80, 0x00, 0x00, 0x00, 0x10}));
  EXPECT_EQ(Slice(b, lu, 8), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x31}));  // end 16 + 290 - 1
  EXPECT_EQ(Slice(b, lu + 8, 8), (Bytes{0x82, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10}));
  EXPECT_EQ(Slice(b, pgc, 8), (Bytes{0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0xD5}));
  EXPECT_TRUE(AllZero(b, pgc + 8, pgc + 164));  // no operations prohibited, no audio, no sub-picture
  const auto palette = DvdPalette();
  EXPECT_EQ(Slice(b, pgc + 164, 64), Bytes(palette.begin(), palette.end()));
  EXPECT_EQ(Be16(b, pgc + 228), 236u);
  EXPECT_EQ(Be16(b, pgc + 230), 260u);
  EXPECT_EQ(Be16(b, pgc + 232), 262u);
  EXPECT_EQ(Be16(b, pgc + 234), 286u);
  EXPECT_EQ(Slice(b, pgc + 236, 8), (Bytes{0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x17}));
  EXPECT_EQ(Slice(b, pgc + 244, 8), Command(60300));  // pre-command
  EXPECT_EQ(Slice(b, pgc + 252, 8), Command(30000));  // post-command
  EXPECT_EQ(Slice(b, pgc + 260, 2), (Bytes{0x01, 0x00}));
  EXPECT_EQ(Slice(b, pgc + 262, 24), (Bytes{0x02, 0, 0, 0, 0, 0, 0, 0xD5, 0, 0, 0, 0, 0, 0, 0, 0,
                                            0, 0, 0, 0, 0, 0, 0, 6}));
  EXPECT_EQ(Slice(b, pgc + 286, 4), (Bytes{0x00, 0x01, 0x00, 0x01}));
  EXPECT_TRUE(AllZero(b, pgc + 290, 3 * 2048));

  // Title set attributes: the title set's IFO bytes 256..1023.
  const std::size_t at = 3 * 2048;
  EXPECT_EQ(Slice(b, at, 12), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x03, 0x13, 0x00, 0x00, 0x00, 0x0C}));
  EXPECT_EQ(Slice(b, at + 12, 8), (Bytes{0x00, 0x00, 0x03, 0x07, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Slice(b, at + 20, 768), Slice(vts, 256, 768));
  EXPECT_TRUE(AllZero(b, at + 788, 4 * 2048));

  // Menu cell and VOBU addresses.
  EXPECT_EQ(Slice(b, 4 * 2048, 20), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x13, 0x00, 0x01, 0x01, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06}));
  EXPECT_EQ(Slice(b, 5 * 2048, 8), (Bytes{0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(AllZero(b, 5 * 2048 + 8, 6 * 2048));
}

TEST_F(VmgFiles, PalMenuWithAudioAndSubPicture) {
  WriteTitleSet(video_ts, 1, {1});
  WriteSectors(video_ts / "VIDEO_TS.VOB", 3);
  MenuStream m = SyntheticMenu(3);
  m.tv = TvSystem::Pal;
  m.cell_time = {0, 0, 0, 0x52};
  m.attributes.height = 576;
  m.attributes.frame_rate_code = 3;
  m.attributes.audio_streams = 2;
  m.attributes.subpicture_streams = 1;
  ASSERT_TRUE(WriteVmgInformation(m, {video_ts, {}, {}, {}}, {}));
  const Bytes b = Ifo();
  EXPECT_EQ(Slice(b, 256, 2), (Bytes{0x53, 0x00}));  // MPEG-2, PAL, 4:3, display bits 3
  EXPECT_EQ(Be16(b, 258), 1u);
  EXPECT_EQ(Slice(b, 260, 8), (Bytes{0x80, 0x01, 0, 0, 0, 0, 0, 0}));  // LPCM, no language; 16-bit 48 kHz stereo
  EXPECT_EQ(Be16(b, 340), 1u);
  EXPECT_EQ(b[1024 + 7], 0x40);
  const std::size_t pgc = 2 * 2048 + 32;
  EXPECT_EQ(b[pgc + 7], 0x52);
  EXPECT_EQ(Slice(b, pgc + 12, 2), (Bytes{0x80, 0x00}));
  EXPECT_EQ(Slice(b, pgc + 28, 4), (Bytes{0x80, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Be32(b, 12), 3u + 2u * 6u - 1u);
}

TEST_F(VmgFiles, WithoutMenuVobTheVmgRecordsNoMenu) {
  WriteTitleSet(video_ts, 1, {1});
  // Menu stream missing (2010), and a menu stream whose VOB has gone.
  MenuStream missing = SyntheticMenu(0);
  missing.result = 2010;
  for (const MenuStream& m : {missing, SyntheticMenu(7)}) {
    ASSERT_TRUE(WriteVmgInformation(m, {video_ts, {}, {}, {}}, {}));
    const Bytes b = Ifo();
    ASSERT_EQ(b.size(), 3u * 2048u);  // VMGI_MAT and FP_PGC, TT_SRPT, VMG_VTS_ATRT
    EXPECT_EQ(Be32(b, 12), 25u);
    EXPECT_EQ(Be32(b, 28), 2u);
    EXPECT_EQ(Be32(b, 192), 0u);
    EXPECT_EQ(Be32(b, 196), 1u);
    EXPECT_EQ(Be32(b, 200), 0u);
    EXPECT_EQ(Be32(b, 208), 2u);
    EXPECT_EQ(Be32(b, 216), 0u);
    EXPECT_EQ(Be32(b, 220), 0u);
    EXPECT_EQ(ReadBytes(video_ts / "VIDEO_TS.BUP"), b);
  }
}

TEST_F(VmgFiles, WriteErrorSends9810AndLeavesNoHalfVmg) {
  StatusSink sink;
  std::atomic<std::int32_t> status{0};
  const JobSignals signals{platform::RegisterWindow(&sink), &status, nullptr};

  // A folder below a regular file cannot take the IFO.
  testing_support::WriteFile(dir / "plain", "x");
  EXPECT_FALSE(WriteVmgInformation(SyntheticMenu(7), {dir / "plain" / "VIDEO_TS", {}, {}, {}}, signals));
  EXPECT_EQ(sink.statuses, (std::vector<int>{9810}));
  EXPECT_EQ(status.load(), 9810);

  // The backup cannot be written: the IFO is removed as well.
  fs::create_directories(video_ts / "VIDEO_TS.BUP");
  WriteSectors(video_ts / "VIDEO_TS.VOB", 7);
  EXPECT_FALSE(WriteVmgInformation(SyntheticMenu(7), {video_ts, {}, {}, {}}, signals));
  platform::UnregisterWindow(signals.window);
  EXPECT_EQ(sink.statuses, (std::vector<int>{9810, 9810}));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_TS.IFO"));
}

// ---- The title table pass ------------------------------------------------

TEST_F(VmgFiles, TitleTableFromTheTitleSets) {
  WriteSectors(video_ts / "VIDEO_TS.VOB", 20);
  ASSERT_TRUE(WriteVmgInformation(SyntheticMenu(20), {video_ts, {}, {}, {}}, {}));
  // Title set 1: three titles; IFO/BUP 2 sectors each, menu VOB 4, title VOBs 10 + 3.
  WriteTitleSet(video_ts, 1, {2, 5, 1});
  WriteSectors(video_ts / "VTS_01_0.VOB", 4);
  WriteSectors(video_ts / "VTS_01_1.VOB", 10);
  WriteSectors(video_ts / "VTS_01_2.VOB", 3);
  // Title set 2: one title of 4 chapters, larger IFO.
  WriteTitleSet(video_ts, 2, {4}, 1);
  WriteSectors(video_ts / "VTS_02_1.VOB", 9);
  // Title set 4 is not reached: the scan stops at the missing VTS_03_0.BUP.
  WriteTitleSet(video_ts, 4, {1});
  testing_support::WriteFile(video_ts / "VTS_03_0.IFO", std::string(4096, '\0'));
  const Bytes before = Ifo();

  ASSERT_TRUE(RewriteTitleTable(video_ts));
  const Bytes b = Ifo();
  ASSERT_EQ(b.size(), before.size());
  EXPECT_EQ(Slice(b, 0, 2048), Slice(before, 0, 2048));
  EXPECT_EQ(Slice(b, 4096, b.size() - 4096), Slice(before, 4096, before.size() - 4096));
  EXPECT_EQ(ReadBytes(video_ts / "VIDEO_TS.BUP"), b);

  const std::size_t tt = 2048;
  EXPECT_EQ(Be16(b, tt), 4u);
  EXPECT_EQ(Be16(b, tt + 2), 0u);
  EXPECT_EQ(Be32(b, tt + 4), 12u * 4u + 7u);
  const std::uint32_t first = 6 + 20 + 6;           // VIDEO_TS.IFO + .VOB + .BUP
  const std::uint32_t second = first + 2 + 4 + 10 + 3 + 2;
  struct Entry { std::uint16_t chapters; std::uint8_t set, title; std::uint32_t start; };
  const Entry expected[] = {{2, 1, 1, first}, {5, 1, 2, first}, {1, 1, 3, first}, {4, 2, 1, second}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const std::size_t e = tt + 8 + 12 * i;
    EXPECT_EQ(b[e], 0x3C);
    EXPECT_EQ(b[e + 1], 1);
    EXPECT_EQ(Be16(b, e + 2), expected[i].chapters);
    EXPECT_EQ(Be16(b, e + 4), 0u);
    EXPECT_EQ(b[e + 6], expected[i].set);
    EXPECT_EQ(b[e + 7], expected[i].title);
    EXPECT_EQ(Be32(b, e + 8), expected[i].start);
  }
  EXPECT_TRUE(AllZero(b, tt + 8 + 48, 2 * 2048));
}

TEST_F(VmgFiles, TitleTablePassRefusesWhatItCannotRead) {
  ASSERT_TRUE(WriteVmgInformation(SyntheticMenu(0), {video_ts, {}, {}, {}}, {}));
  const Bytes before = Ifo();
  EXPECT_FALSE(RewriteTitleTable(video_ts));  // no title set
  // A chapter list pointing past its table.
  Bytes vts = WriteTitleSet(video_ts, 1, {2, 5, 1});
  PutBe32(&vts[2048 + 8 + 4], 0x400);
  testing_support::WriteFile(video_ts / "VTS_01_0.IFO", std::string(vts.begin(), vts.end()));
  testing_support::WriteFile(video_ts / "VTS_01_0.BUP", std::string(vts.begin(), vts.end()));
  EXPECT_FALSE(RewriteTitleTable(video_ts));
  // Not a title set file.
  testing_support::WriteFile(video_ts / "VTS_01_0.IFO", std::string(4096, '\0'));
  testing_support::WriteFile(video_ts / "VTS_01_0.BUP", std::string(4096, '\0'));
  EXPECT_FALSE(RewriteTitleTable(video_ts));
  EXPECT_EQ(Ifo(), before);
  // The title set's backup stands in for an unreadable information file.
  WriteTitleSet(video_ts, 1, {3});
  fs::remove(video_ts / "VTS_01_0.IFO");
  ASSERT_TRUE(RewriteTitleTable(video_ts));
  EXPECT_EQ(Be16(Ifo(), 2048 + 8 + 2), 3u);
}

// ---- The job's menu step -------------------------------------------------

class VmgMenuStep : public VmgFiles {
 protected:
  int Run(std::uint16_t code, const fs::path& output) {
    const JobSignals signals{platform::RegisterWindow(&sink), &status, nullptr};
    const int result = BuildVideoManager({signals.window, output, code}, signals);
    platform::UnregisterWindow(signals.window);
    return result;
  }
  StatusSink sink;
  std::atomic<std::int32_t> status{0};
  testing_support::MessageBoxRecorder boxes;
};

TEST_F(VmgMenuStep, BuildsTheVmgAndCleansUp) {
  WriteTitleSet(video_ts, 1, {2, 5, 1});
  WriteSectors(video_ts / "VTS_01_1.VOB", 10);
  testing_support::WriteFile(video_ts / "VTS_01_2.VOB", "");
  testing_support::WriteFile(video_ts / "VTS_01_3.VOB", "");

  ASSERT_EQ(Run(22001, dir.Path()), 0);
  EXPECT_EQ(sink.statuses, (std::vector<int>{kStatusEncodingPicture}));
  EXPECT_TRUE(boxes.Boxes().empty());
  const Bytes b = Ifo();
  EXPECT_EQ(ReadBytes(video_ts / "VIDEO_TS.BUP"), b);
  const std::uint32_t vob = FileSectors(video_ts / "VIDEO_TS.VOB");
  ASSERT_GT(vob, 1u);
  EXPECT_EQ(Be32(b, 192), 6u);
  EXPECT_EQ(Be32(b, 12), vob + 11);
  const Bytes jump_title_1 = {0x30, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(Slice(b, 1024 + 244, 8), jump_title_1);
  const std::size_t pgc = 2 * 2048 + 32;
  EXPECT_EQ(Slice(b, pgc + 244, 8), jump_title_1);
  EXPECT_EQ(Slice(b, pgc + 252, 8), jump_title_1);
  // The menu cell covers the menu VOB.
  EXPECT_EQ(Be32(b, pgc + 262 + 20), vob - 1);
  EXPECT_EQ(Be32(b, 4 * 2048 + 16), vob - 1);
  EXPECT_EQ(b[pgc + 7], 0xD5);

  // Three titles of 2, 5 and 1 chapters in title set 1, one start sector.
  const std::size_t tt = 2048;
  ASSERT_EQ(Be16(b, tt), 3u);
  const std::uint16_t chapters[] = {2, 5, 1};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t e = tt + 8 + 12 * i;
    EXPECT_EQ(Be16(b, e + 2), chapters[i]);
    EXPECT_EQ(b[e + 6], 1);
    EXPECT_EQ(b[e + 7], i + 1);
    EXPECT_EQ(Be32(b, e + 8), 6u + vob + 6u);
  }

  EXPECT_FALSE(fs::exists(video_ts / "_vmg.bmp"));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_0.VOB"));
  EXPECT_FALSE(fs::exists(video_ts / "_menu.vob"));
  EXPECT_FALSE(fs::exists(video_ts / "VTS_01_2.VOB"));
  EXPECT_FALSE(fs::exists(video_ts / "VTS_01_3.VOB"));
  EXPECT_TRUE(fs::exists(video_ts / "VTS_01_1.VOB"));

  // Navigation code 0: no command anywhere, the slots stay zero.
  ASSERT_EQ(Run(0, dir.Path()), 0);
  const Bytes z = Ifo();
  EXPECT_EQ(Slice(z, 1024 + 236, 8), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F}));
  EXPECT_EQ(Slice(z, 1024 + 244, 8), Bytes(8, 0));
  EXPECT_EQ(Slice(z, pgc + 244, 16), Bytes(16, 0));
}

TEST_F(VmgMenuStep, FailuresAreReportedNotHidden) {
  // Output folder below a regular file: no menu stream (2010), no VMG (9810).
  testing_support::WriteFile(dir / "plain", "x");
  EXPECT_EQ(Run(22001, dir / "plain"), 9810);
  EXPECT_EQ(sink.statuses, (std::vector<int>{kStatusEncodingPicture, 2010, 9810}));
  EXPECT_EQ(status.load(), 9810);

  // No title set for the title table: the VMG is abandoned.
  sink.statuses.clear();
  EXPECT_EQ(Run(22001, dir.Path()), 9810);
  EXPECT_EQ(sink.statuses, (std::vector<int>{kStatusEncodingPicture, 9810}));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_TS.IFO"));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_TS.BUP"));
  EXPECT_FALSE(fs::exists(video_ts / "_vmg.bmp"));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_0.VOB"));
}

}  // namespace
