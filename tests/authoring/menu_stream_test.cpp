#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "ifo/ifo_common.h"
#include "ifo/menu_stream.h"
#include "mux/pack_format.h"
#include "authoring_test_support.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using authoring_test::ReadBytes;

std::uint32_t Le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
  return v;
}

std::uint32_t Be32(const Bytes& b, std::size_t at) { return GetBe32(&b[at]); }
std::uint32_t Be16(const Bytes& b, std::size_t at) { return static_cast<std::uint32_t>(b[at] << 8 | b[at + 1]); }

// SCR of a pack header as ticks base and extension.
std::pair<std::uint64_t, std::uint32_t> ReadScr(const std::uint8_t* p) {
  const std::uint64_t base = (std::uint64_t{p[0] & 0x38u} << 27) | (std::uint64_t{p[0] & 0x03u} << 28) |
                             (std::uint64_t{p[1]} << 20) | (std::uint64_t{p[2] & 0xF8u} << 12) |
                             (std::uint64_t{p[2] & 0x03u} << 13) | (std::uint64_t{p[3]} << 5) | (p[4] >> 3);
  const std::uint32_t extension = static_cast<std::uint32_t>((p[4] & 0x03) << 7 | p[5] >> 1);
  return {base, extension};
}

// A sink that records the status codes sent to it.
struct StatusSink : platform::QueuedSink {
  std::intptr_t OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t) override {
    if (message == kMsgStatus) statuses.push_back(static_cast<int>(wparam));
    return 0;
  }
  std::vector<int> statuses;
};

// A title set information file whose video attribute byte is `video`.
void WriteTitleSetIfo(const fs::path& video_ts, std::uint8_t video) {
  std::string sector(2048, '\0');
  sector.replace(0, 12, "DVDVIDEO-VTS");
  sector[512] = static_cast<char>(video);
  testing_support::WriteFile(video_ts / "VTS_01_0.IFO", sector);
}

// ---- The generated picture ------------------------------------------------

TEST(MenuPicture, HeaderAndRampForBothTvSystems) {
  testing_support::ScratchDir dir;
  for (const TvSystem tv : {TvSystem::Ntsc, TvSystem::Pal}) {
    const int height = tv == TvSystem::Pal ? 576 : 480;
    SCOPED_TRACE(height);
    const fs::path path = dir / "_vmg.bmp";
    testing_support::WriteFile(path, std::string(3'000'000, 'x'));  // overwritten, not appended to
    ASSERT_TRUE(WriteMenuPicture(path, tv));
    const Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 54u + 720u * 3u * static_cast<std::size_t>(height));
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le(b, 2, 4), 1036856u);  // the same field for both systems
    EXPECT_EQ(Le(b, 6, 4), 0u);
    EXPECT_EQ(Le(b, 10, 4), 54u);
    EXPECT_EQ(Le(b, 14, 4), 40u);
    EXPECT_EQ(Le(b, 18, 4), 720u);
    EXPECT_EQ(Le(b, 22, 4), static_cast<std::uint32_t>(height));
    EXPECT_EQ(Le(b, 26, 2), 1u);
    EXPECT_EQ(Le(b, 28, 2), 24u);
    EXPECT_EQ(Le(b, 30, 4), 0u);
    EXPECT_EQ(Le(b, 34, 4), 0u);
    EXPECT_EQ(Le(b, 38, 4), 4724u);
    EXPECT_EQ(Le(b, 42, 4), 4724u);
    EXPECT_EQ(Le(b, 46, 4), 0u);
    EXPECT_EQ(Le(b, 50, 4), 0u);
    // Every row: the 720-byte ramp three times.
    for (int y = 0; y < height; ++y)
      for (std::size_t i = 0; i < 2160; ++i)
        ASSERT_EQ(b[54 + static_cast<std::size_t>(y) * 2160 + i], (i % 720) % 256) << "row " << y << " byte " << i;
    // The same picture every time.
    EXPECT_EQ(b, MenuPictureBytes(tv));
  }
  EXPECT_FALSE(WriteMenuPicture(dir / "no" / "folder" / "_vmg.bmp", TvSystem::Ntsc));
}

TEST(MenuTvSystem, TakenFromTheTitleSetVideoAttributes) {
  testing_support::ScratchDir dir;
  EXPECT_EQ(TitleSetTvSystem(dir.Path()), TvSystem::Ntsc);  // no file
  WriteTitleSetIfo(dir.Path(), 0x50);                        // MPEG-2, PAL
  EXPECT_EQ(TitleSetTvSystem(dir.Path()), TvSystem::Pal);
  WriteTitleSetIfo(dir.Path(), 0x20);
  EXPECT_EQ(TitleSetTvSystem(dir.Path()), TvSystem::Pal);
  WriteTitleSetIfo(dir.Path(), 0x4F);                        // MPEG-2, NTSC, 16:9, display bits
  EXPECT_EQ(TitleSetTvSystem(dir.Path()), TvSystem::Ntsc);
  testing_support::WriteFile(dir / "VTS_01_0.IFO", std::string(300, '\x30'));  // too short to read
  EXPECT_EQ(TitleSetTvSystem(dir.Path()), TvSystem::Ntsc);
}

// ---- The menu stream ------------------------------------------------------

class MenuStreamBuild : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(video_ts); }

  MenuRequest Request() const {
    MenuRequest r;
    r.picture = video_ts / "_vmg.bmp";
    r.video_ts = video_ts;
    return r;
  }
  MenuStream Build(const MenuRequest& r) {
    const JobSignals signals{platform::RegisterWindow(&sink), &status, nullptr};
    MenuStream m = BuildMenuStream(r, signals);
    platform::UnregisterWindow(signals.window);
    return m;
  }

  testing_support::ScratchDir dir;
  fs::path video_ts = dir / "VIDEO_TS";
  testing_support::MessageBoxRecorder boxes;
  StatusSink sink;
  std::atomic<std::int32_t> status{0};
};

struct Expected {
  std::uint32_t s, v, d;
  std::uint8_t flag;
  int height, frame_rate;
  std::uint8_t cell_frames;
};

void CheckMenuVob(const Bytes& vob, const MenuStream& m, const Expected& e) {
  ASSERT_GE(vob.size(), 2u * 2048u);
  ASSERT_EQ(vob.size() % 2048, 0u);
  const std::uint32_t packs = static_cast<std::uint32_t>(vob.size() / 2048);
  EXPECT_EQ(m.result, 0);
  EXPECT_EQ(m.sectors, packs);
  EXPECT_EQ(m.vobu_start_sector, 0u);
  EXPECT_EQ(m.vobu_start_ptm, e.s);
  EXPECT_EQ(m.vobu_end_ptm, e.s + e.v);
  EXPECT_EQ(m.cell_time, (std::array<std::uint8_t, 4>{0, 0, 0, e.cell_frames}));
  EXPECT_TRUE(m.attributes.mpeg2);
  EXPECT_EQ(m.attributes.width, 720);
  EXPECT_EQ(m.attributes.height, e.height);
  EXPECT_EQ(m.attributes.frame_rate_code, e.frame_rate);
  EXPECT_EQ(m.attributes.aspect_code, 2);
  EXPECT_EQ(m.attributes.audio_streams, 0);
  EXPECT_EQ(m.attributes.subpicture_streams, 0);

  // The navigation pack.
  EXPECT_EQ(Be32(vob, 14), 0x000001BBu);
  EXPECT_EQ(Be32(vob, nav::kPciLbn), 0u);
  EXPECT_EQ(Be32(vob, nav::kDsiLbn), 0u);
  EXPECT_EQ(Be32(vob, nav::kVobuSPtm), e.s);
  EXPECT_EQ(Be32(vob, nav::kVobuEPtm), e.s + e.v);
  EXPECT_EQ(Be32(vob, nav::kVobuSeEPtm), e.s + e.d);
  EXPECT_EQ(Be32(vob, nav::kEEltm), e.flag);
  EXPECT_EQ(Be32(vob, nav::kCEltm), e.flag);
  EXPECT_EQ(Be32(vob, nav::kVobuEa), packs - 1);
  EXPECT_EQ(Be32(vob, nav::kFirstRefEa), packs - 1);
  EXPECT_EQ(Be16(vob, nav::kVobIdn), 1u);
  EXPECT_EQ(vob[nav::kCellIdn], 1);
  EXPECT_EQ(Be32(vob, nav::kVobVSPtm), e.s);
  EXPECT_EQ(Be32(vob, nav::kVobVEPtm), e.s + e.v);
  EXPECT_EQ(Be32(vob, nav::kDsiScr), 0u);
  for (std::size_t i = 73; i < 1024; ++i) ASSERT_EQ(vob[i], 0) << "PCI byte " << i;  // no highlight

  // Pack k at k x 146.2857 ticks; the picture keeps its time stamps and is
  // all delivered before it is decoded.
  for (std::uint32_t k = 0; k < packs; ++k) {
    const std::uint8_t* p = &vob[k * 2048];
    ASSERT_EQ(GetBe32(p), 0x000001BAu);
    const auto [base, extension] = ReadScr(p + 4);
    const double ticks = k * 146.2857;
    EXPECT_EQ(base, static_cast<std::uint64_t>(std::floor(ticks))) << "pack " << k;
    EXPECT_EQ(extension, static_cast<std::uint32_t>((ticks - std::floor(ticks)) * 300)) << "pack " << k;
    if (k > 0) {
      EXPECT_EQ(GetBe32(p + 14), 0x000001E0u) << "pack " << k;
      EXPECT_LT(base, e.s - e.d) << "pack " << k;
    }
  }
  EXPECT_EQ(ReadTimestamp(&vob[2048 + 23]), e.s);
  EXPECT_EQ(ReadTimestamp(&vob[2048 + 28]), e.s - e.d);
}

TEST_F(MenuStreamBuild, NtscMenuVobu) {
  const MenuStream m = Build(Request());
  EXPECT_EQ(m.tv, TvSystem::Ntsc);
  const Bytes vob = ReadBytes(video_ts / "VIDEO_TS.VOB");
  CheckMenuVob(vob, m, {21021, 45045, 3003, 0xC0, 480, 4, 0xD5});
  EXPECT_EQ(Be32(vob, nav::kVobuEPtm), 66066u);
  EXPECT_EQ(Be32(vob, nav::kVobuSeEPtm), 24024u);
  // The intermediate stream holds the same bytes; the encoder's file is gone.
  EXPECT_EQ(ReadBytes(video_ts / "VIDEO_0.VOB"), vob);
  EXPECT_FALSE(fs::exists(video_ts / "_menu.vob"));
  EXPECT_TRUE(fs::exists(video_ts / "_vmg.bmp"));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(sink.statuses, (std::vector<int>{kStatusEncodingPicture}));
}

TEST_F(MenuStreamBuild, PalTitleSetGivesPalMenu) {
  WriteTitleSetIfo(video_ts, 0x50);
  const MenuStream m = Build(Request());
  EXPECT_EQ(m.tv, TvSystem::Pal);
  const Bytes bmp = ReadBytes(video_ts / "_vmg.bmp");
  EXPECT_EQ(Le(bmp, 22, 4), 576u);
  EXPECT_EQ(Le(bmp, 2, 4), 1036856u);
  const Bytes vob = ReadBytes(video_ts / "VIDEO_TS.VOB");
  CheckMenuVob(vob, m, {25200, 43200, 3600, 0x40, 576, 3, 0x52});
  EXPECT_EQ(Be32(vob, nav::kVobuSPtm), 25200u);
  EXPECT_EQ(Be32(vob, nav::kVobuEPtm), 68400u);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MenuStreamBuild, StillDurationTitleSetMenuAppendedAtItsSector) {
  // A title-set menu appended behind 40 sectors, VOB id 3, held for 10 s.
  const fs::path menu_vob = video_ts / "VTS_02_0.VOB";
  testing_support::WriteFile(menu_vob, std::string(40 * 2048, '\x5A'));
  MenuRequest r = Request();
  r.menu_kind = 2;
  r.start_sector = 40;
  r.vob_id = 3;
  r.still_seconds = 10;
  const MenuStream m = Build(r);
  ASSERT_EQ(m.result, 0);
  EXPECT_EQ(m.vobu_start_sector, 40u);
  const Bytes all = ReadBytes(menu_vob);
  ASSERT_EQ(all.size(), (40u + m.sectors) * 2048u);
  EXPECT_EQ(all[40 * 2048 - 1], 0x5A);  // what was there stays
  const Bytes vob(all.begin() + 40 * 2048, all.end());
  EXPECT_EQ(Be32(vob, nav::kPciLbn), 40u);
  EXPECT_EQ(Be32(vob, nav::kDsiLbn), 40u);
  EXPECT_EQ(Be16(vob, nav::kVobIdn), 3u);
  EXPECT_EQ(Be32(vob, nav::kVobVEPtm), 21021u + 20u * 45045u);  // 300 frames = 20 VOBUs
  EXPECT_EQ(Be32(vob, nav::kVobuEPtm), 66066u);
  EXPECT_EQ(ReadBytes(video_ts / "VTS_02.VOB"), vob);
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_TS.VOB"));

  // PAL, 7 s: 175 frames need 15 VOBUs. 255 s is out of range: the default.
  WriteTitleSetIfo(video_ts, 0x50);
  r = Request();
  r.still_seconds = 7;
  Build(r);
  EXPECT_EQ(Be32(ReadBytes(video_ts / "VIDEO_TS.VOB"), nav::kVobVEPtm), 25200u + 15u * 43200u);
  r.still_seconds = 255;
  Build(r);
  EXPECT_EQ(Be32(ReadBytes(video_ts / "VIDEO_TS.VOB"), nav::kVobVEPtm), 25200u + 43200u);
}

TEST_F(MenuStreamBuild, MissingIntermediateStreamReports2010) {
  // The picture cannot be written, so nothing is encoded; a stale encoder
  // file and an old intermediate stream are not taken for the menu.
  testing_support::WriteFile(video_ts / "_menu.vob", std::string(4 * 2048, '\0'));
  testing_support::WriteFile(video_ts / "VIDEO_0.VOB", std::string(4 * 2048, '\0'));
  MenuRequest r = Request();
  r.picture = dir / "missing" / "_vmg.bmp";
  const MenuStream m = Build(r);
  EXPECT_EQ(m.result, 2010);
  EXPECT_EQ(m.sectors, 0u);
  EXPECT_EQ(status.load(), 2010);
  EXPECT_EQ(sink.statuses, (std::vector<int>{kStatusEncodingPicture, kStatusTempStreamMissing}));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_TS.VOB"));
  EXPECT_FALSE(fs::exists(video_ts / "VIDEO_0.VOB"));
  EXPECT_FALSE(fs::exists(video_ts / "_menu.vob"));
}

}  // namespace
