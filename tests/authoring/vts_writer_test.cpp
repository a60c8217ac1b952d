#include <gtest/gtest.h>

#include "ifo/vts_writer.h"
#include "job/navigation_code.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kSector = 2048;
constexpr std::uint32_t kVobuTicks = 43200;  // PAL

// The written file, read back big-endian.
class Ifo {
 public:
  explicit Ifo(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Size() const { return bytes_.size(); }
  std::uint32_t Sectors() const { return static_cast<std::uint32_t>(bytes_.size() / kSector); }
  std::uint8_t U8(std::size_t at) const {
    EXPECT_LT(at, bytes_.size());
    return at < bytes_.size() ? static_cast<std::uint8_t>(bytes_[at]) : 0;
  }
  std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(U8(at) << 8 | U8(at + 1)); }
  std::uint32_t U32(std::size_t at) const { return static_cast<std::uint32_t>(U16(at)) << 16 | U16(at + 2); }
  Bytes Slice(std::size_t at, std::size_t count) const {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(U8(at + i));
    return out;
  }
  // Byte offset of the table whose sector pointer sits at `pointer`.
  std::size_t Table(std::size_t pointer) const { return U32(pointer) * kSector; }
  bool Zero(std::size_t from, std::size_t to) const {
    for (std::size_t i = from; i < to; ++i)
      if (U8(i) != 0) return false;
    return true;
  }

 private:
  std::string bytes_;
};

// Pointers in sector 0.
constexpr std::size_t kPttSrptPtr = 200, kPgcitPtr = 204, kTmaptiPtr = 212, kCAdtPtr = 224, kAdmapPtr = 228;

StreamAttributes PalStreams() {
  StreamAttributes s;
  s.mpeg2 = true;
  s.width = 720;
  s.height = 576;
  s.frame_rate_code = 3;
  s.aspect_code = 3;
  s.audio_streams = 1;
  return s;
}

// A title set as the job fills it: titles one after another, every chapter
// `vobus` VOBUs of `sectors` sectors, a time-map mark every 4 VOBUs.
TitleSetInfo MakeTitleSet(const std::vector<int>& chapters, int vobus = 4, std::uint32_t sectors = 10) {
  TitleSetInfo info;
  info.streams = PalStreams();
  std::uint32_t sector = 0;
  for (std::size_t t = 0; t < chapters.size(); ++t) {
    TitleEntry title;
    int vobu_in_title = 0;
    for (int c = 1; c <= chapters[t]; ++c) {
      CellEntry cell;
      cell.category = c == 1 ? 0x02000000 : 0x08000000;
      cell.first_vobu_start = sector;
      for (int v = 0; v < vobus; ++v, ++vobu_in_title) {
        info.vobu_starts.push_back(sector);
        if (vobu_in_title % 4 == 0) title.marks.push_back({sector, static_cast<std::uint8_t>(c)});
        sector += sectors;
      }
      cell.last_vobu_start = sector - sectors;
      cell.last_vobu_end = sector - 1;
      cell.playback_ticks = static_cast<std::uint32_t>(vobus) * kVobuTicks + static_cast<std::uint32_t>(c) * 3600;
      cell.vob_id = static_cast<std::uint16_t>(t + 1);
      cell.cell_id = static_cast<std::uint8_t>(c);
      title.cells.push_back(cell);
    }
    title.playback_ticks = static_cast<std::uint32_t>(chapters[t] * vobus) * kVobuTicks;
    info.titles.push_back(title);
  }
  return info;
}

VtsParameters Params(const ScratchDir& dir, std::uint8_t display = 0, std::uint16_t language = 0x656E) {
  VtsParameters p;
  p.video_ts = dir.Path();
  p.permitted_display = display;
  p.language = language;
  return p;
}

void MakeVob(const ScratchDir& dir, const std::string& name, std::size_t sectors) {
  WriteFile(dir / name, std::string(sectors * kSector, '\0'));
}

Ifo WriteAndRead(const ScratchDir& dir, const TitleSetInfo& info, const VtsParameters& params,
                 const StreamAttributes* menu = nullptr) {
  EXPECT_TRUE(WriteVtsInformation(info, params, menu));
  return Ifo(ReadFile(dir / "VTS_01_0.IFO"));
}

Bytes Be(std::initializer_list<int> bytes) {
  Bytes out;
  for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

Bytes BcdBytes(std::uint64_t ticks, int frame_rate_code) {
  const auto bcd = BcdPlaybackTime(ticks, frame_rate_code);
  return Bytes(bcd.begin(), bcd.end());
}

// ---- Sector 0 --------------------------------------------------------------

TEST(VtsWriterMat, FieldsPointersAndSizesWithoutMenuVob) {
  ScratchDir dir;
  MakeVob(dir, "VTS_01_1.VOB", 10);
  MakeVob(dir, "VTS_01_2.VOB", 3);
  const Ifo ifo = WriteAndRead(dir, MakeTitleSet({1}), Params(dir));
  ASSERT_EQ(ifo.Size() % kSector, 0u);
  const std::uint32_t f = ifo.Sectors();
  EXPECT_EQ(f, 6u);  // sector 0 and five one-sector tables

  const std::string id(reinterpret_cast<const char*>(ifo.Slice(0, 12).data()), 12);
  EXPECT_EQ(id, "DVDVIDEO-VTS");
  EXPECT_EQ(ifo.U32(12), 13 + 2 * f - 1);  // H + 2F + G - 1
  EXPECT_EQ(ifo.U32(28), f - 1);
  EXPECT_EQ(ifo.U16(32), 0x0011);
  EXPECT_EQ(ifo.U32(34), 0u);
  EXPECT_EQ(ifo.U32(128), 0x7FFu);
  // No menu VOB: VTSM_VOBS 0 and the title VOBs right after the IFO.
  EXPECT_EQ(ifo.U32(192), 0u);
  EXPECT_EQ(ifo.U32(196), f);
  // Tables in their order, each on its own sector; menu tables absent.
  EXPECT_EQ(ifo.U32(kPttSrptPtr), 1u);
  EXPECT_EQ(ifo.U32(kPgcitPtr), 2u);
  EXPECT_EQ(ifo.U32(208), 0u);
  EXPECT_EQ(ifo.U32(kTmaptiPtr), 3u);
  EXPECT_EQ(ifo.U32(216), 0u);
  EXPECT_EQ(ifo.U32(220), 0u);
  EXPECT_EQ(ifo.U32(kCAdtPtr), 4u);
  EXPECT_EQ(ifo.U32(kAdmapPtr), 5u);
  // No menu attributes.
  EXPECT_TRUE(ifo.Zero(256, 268));
  EXPECT_EQ(ifo.U16(340), 0);
  // Title attributes: PAL 16:9 with both display modes, one LPCM stream in English.
  EXPECT_EQ(ifo.Slice(512, 2), Be({0x5C, 0x00}));
  EXPECT_EQ(ifo.U16(514), 1);
  EXPECT_EQ(ifo.Slice(516, 8), Be({0x84, 0x01, 'e', 'n', 0, 0, 0, 0}));
  EXPECT_TRUE(ifo.Zero(524, 580));
  EXPECT_EQ(ifo.U16(596), 0);
  // Everything else in sector 0 is zero.
  for (auto [from, to] : std::initializer_list<std::pair<int, int>>{{16, 28}, {38, 128}, {132, 192}, {232, 256}, {268, 340}, {342, 512},
                          {580, 596}, {598, 2048}}) {
    EXPECT_TRUE(ifo.Zero(static_cast<std::size_t>(from), static_cast<std::size_t>(to))) << from << ".." << to;
  }
  // The backup is the same file.
  EXPECT_EQ(ReadFile(dir / "VTS_01_0.BUP"), ReadFile(dir / "VTS_01_0.IFO"));
}

TEST(VtsWriterMat, MenuVobAndMenuAttributes) {
  ScratchDir dir;
  MakeVob(dir, "VTS_01_0.VOB", 3);
  MakeVob(dir, "VTS_01_1.VOB", 5);
  MakeVob(dir, "VTS_01_9.VOB", 2);
  StreamAttributes menu;
  menu.mpeg2 = true;
  menu.width = 720;
  menu.height = 480;
  menu.frame_rate_code = 4;
  menu.aspect_code = 2;
  menu.audio_streams = 2;  // a menu has room for one
  menu.subpicture_streams = 3;
  const Ifo ifo = WriteAndRead(dir, MakeTitleSet({2}), Params(dir, 0, 0x6465), &menu);
  const std::uint32_t f = ifo.Sectors();
  EXPECT_EQ(ifo.U32(192), f);
  EXPECT_EQ(ifo.U32(196), f + 3);
  EXPECT_EQ(ifo.U32(12), 7 + 2 * f + 3 - 1);
  EXPECT_EQ(ifo.Slice(256, 2), Be({0x43, 0x00}));
  EXPECT_EQ(ifo.U16(258), 1);
  EXPECT_EQ(ifo.Slice(260, 8), Be({0x84, 0x01, 'd', 'e', 0, 0, 0, 0}));
  EXPECT_EQ(ifo.U16(340), 1);

  // A menu stream that is not MPEG-2 leaves the menu video attributes empty.
  menu.mpeg2 = false;
  menu.audio_streams = 0;
  menu.subpicture_streams = 0;
  const Ifo plain = WriteAndRead(dir, MakeTitleSet({2}), Params(dir), &menu);
  EXPECT_TRUE(plain.Zero(256, 268));
  EXPECT_EQ(plain.U16(340), 0);

  // No VOB files at all: neither VOB set has a start sector.
  ScratchDir empty;
  const Ifo bare = WriteAndRead(empty, MakeTitleSet({1}), Params(empty));
  EXPECT_EQ(bare.U32(192), 0u);
  EXPECT_EQ(bare.U32(196), 0u);
  EXPECT_EQ(bare.U32(12), 2 * bare.Sectors() - 1);
}

TEST(VtsWriterMat, StreamCountsAndLanguages) {
  ScratchDir dir;
  TitleSetInfo info = MakeTitleSet({1});
  info.streams.audio_streams = 3;
  info.streams.subpicture_streams = 2;
  info.streams.aspect_code = 3;
  const Ifo ifo = WriteAndRead(dir, info, Params(dir, 2, 0x6672));
  EXPECT_EQ(ifo.Slice(512, 2), Be({0x5E, 0x00}));  // letterbox only
  EXPECT_EQ(ifo.U16(514), 3);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(ifo.Slice(516 + 8 * k, 8), Be({0x84, 0x01, 'f', 'r', 0, 0, 0, 0}));
  EXPECT_TRUE(ifo.Zero(516 + 24, 580));
  EXPECT_EQ(ifo.U16(596), 2);
  EXPECT_EQ(ifo.Slice(598, 12), Be({0, 0, 'f', 'r', 0, 0, 0, 0, 'f', 'r', 0, 0}));
  EXPECT_TRUE(ifo.Zero(610, 2048));
  // The program chain lets the player choose among the audio streams.
  const std::size_t pgc = ifo.Table(kPgcitPtr) + ifo.U32(ifo.Table(kPgcitPtr) + 12);
  EXPECT_EQ(ifo.Slice(pgc + 12, 16), Be({0x80, 0, 0x81, 0, 0x82, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(ifo.Zero(pgc + 28, pgc + 156));

  // More streams than the file describes are cut to eight.
  info.streams.audio_streams = 12;
  info.streams.subpicture_streams = 12;
  const Ifo many = WriteAndRead(dir, info, Params(dir));
  EXPECT_EQ(many.U16(514), 8);
  EXPECT_EQ(many.U16(596), 8);
  EXPECT_EQ(many.Slice(598 + 42, 4), Be({0, 0, 'e', 'n'}));
  EXPECT_TRUE(many.Zero(598 + 48, 2048));
}

// ---- Titles, program chains, cells -----------------------------------------

TEST(VtsWriterTitles, OneTitleOneChapter) {
  ScratchDir dir;
  const TitleSetInfo info = MakeTitleSet({1});
  const Ifo ifo = WriteAndRead(dir, info, Params(dir));

  const std::size_t ptt = ifo.Table(kPttSrptPtr);
  EXPECT_EQ(ifo.U16(ptt), 1);
  EXPECT_EQ(ifo.U16(ptt + 2), 0);
  EXPECT_EQ(ifo.U32(ptt + 4), 15u);  // 8 header + 4 offset + 4 entry - 1
  EXPECT_EQ(ifo.U32(ptt + 8), 12u);
  EXPECT_EQ(ifo.Slice(ptt + 12, 4), Be({0, 1, 0, 1}));
  EXPECT_TRUE(ifo.Zero(ptt + 16, ptt + kSector));

  const std::size_t pgcit = ifo.Table(kPgcitPtr);
  EXPECT_EQ(ifo.U16(pgcit), 1);
  EXPECT_EQ(ifo.Slice(pgcit + 8, 4), Be({0x81, 0, 0, 0}));
  EXPECT_EQ(ifo.U32(pgcit + 12), 16u);
  const std::size_t pgc = pgcit + 16;
  EXPECT_EQ(ifo.U32(pgcit + 4), 16u + 282 - 1);
  EXPECT_EQ(ifo.U16(pgc), 0);
  EXPECT_EQ(ifo.U8(pgc + 2), 1);  // programs
  EXPECT_EQ(ifo.U8(pgc + 3), 1);  // cells
  EXPECT_EQ(ifo.Slice(pgc + 4, 4), BcdBytes(info.titles[0].playback_ticks, 3));
  EXPECT_EQ(ifo.U32(pgc + 8), 0u);
  EXPECT_EQ(ifo.Slice(pgc + 12, 2), Be({0x80, 0x00}));
  EXPECT_TRUE(ifo.Zero(pgc + 14, pgc + 164));  // other streams, next/previous/up, still, mode
  const auto palette = DvdPalette();
  EXPECT_EQ(ifo.Slice(pgc + 164, 64), Bytes(palette.begin(), palette.end()));
  EXPECT_EQ(ifo.U16(pgc + 228), 236);
  EXPECT_EQ(ifo.U16(pgc + 230), 252);
  EXPECT_EQ(ifo.U16(pgc + 232), 254);
  EXPECT_EQ(ifo.U16(pgc + 234), 278);
  EXPECT_EQ(ifo.Slice(pgc + 236, 8), Be({0, 0, 0, 1, 0, 0, 0, 15}));
  EXPECT_TRUE(ifo.Zero(pgc + 244, pgc + 252));  // no navigation code: 8 zero bytes
  EXPECT_EQ(ifo.Slice(pgc + 252, 2), Be({1, 0}));  // program map and padding
  const std::size_t cell = pgc + 254;
  EXPECT_EQ(ifo.Slice(cell, 4), Be({0x02, 0, 0, 0}));
  EXPECT_EQ(ifo.Slice(cell + 4, 4), BcdBytes(info.titles[0].cells[0].playback_ticks, 3));
  EXPECT_EQ(ifo.U32(cell + 8), 0u);
  EXPECT_EQ(ifo.U32(cell + 12), 0u);
  EXPECT_EQ(ifo.U32(cell + 16), 30u);
  EXPECT_EQ(ifo.U32(cell + 20), 39u);
  EXPECT_EQ(ifo.Slice(pgc + 278, 4), Be({0, 1, 0, 1}));
  EXPECT_TRUE(ifo.Zero(pgc + 282, pgcit + kSector));

  const std::size_t cadt = ifo.Table(kCAdtPtr);
  EXPECT_EQ(ifo.U16(cadt), 1);
  EXPECT_EQ(ifo.U32(cadt + 4), 19u);
  EXPECT_EQ(ifo.Slice(cadt + 8, 12), Be({0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 39}));

  const std::size_t admap = ifo.Table(kAdmapPtr);
  EXPECT_EQ(ifo.U32(admap), 4u * 4 + 3);
  for (std::size_t v = 0; v < 4; ++v) EXPECT_EQ(ifo.U32(admap + 4 + 4 * v), 10 * v);
  EXPECT_TRUE(ifo.Zero(admap + 20, ifo.Size()));
}

TEST(VtsWriterTitles, ThreeChapters) {
  ScratchDir dir;
  const TitleSetInfo info = MakeTitleSet({3});
  const Ifo ifo = WriteAndRead(dir, info, Params(dir));

  const std::size_t ptt = ifo.Table(kPttSrptPtr);
  EXPECT_EQ(ifo.Slice(ptt + 12, 12), Be({0, 1, 0, 1, 0, 1, 0, 2, 0, 1, 0, 3}));

  const std::size_t pgc = ifo.Table(kPgcitPtr) + 16;
  EXPECT_EQ(ifo.U8(pgc + 2), 3);
  EXPECT_EQ(ifo.U8(pgc + 3), 3);
  EXPECT_EQ(ifo.U16(pgc + 230), 252);
  EXPECT_EQ(ifo.U16(pgc + 232), 256);
  EXPECT_EQ(ifo.U16(pgc + 234), 256 + 72);
  EXPECT_EQ(ifo.Slice(pgc + 252, 4), Be({1, 2, 3, 0}));
  const std::uint8_t categories[] = {0x02, 0x08, 0x08};
  for (std::size_t c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    const std::size_t cell = pgc + 256 + 24 * c;
    const CellEntry& e = info.titles[0].cells[c];
    EXPECT_EQ(ifo.Slice(cell, 4), Be({categories[c], 0, 0, 0}));
    EXPECT_EQ(ifo.Slice(cell + 4, 4), BcdBytes(e.playback_ticks, 3));
    EXPECT_EQ(ifo.U32(cell + 8), 40 * c);
    EXPECT_EQ(ifo.U32(cell + 12), 0u);
    EXPECT_EQ(ifo.U32(cell + 16), 40 * c + 30);
    EXPECT_EQ(ifo.U32(cell + 20), 40 * c + 39);
    EXPECT_EQ(ifo.Slice(pgc + 328 + 4 * c, 4), Be({0, 1, 0, static_cast<int>(c + 1)}));
  }
  EXPECT_EQ(ifo.U32(ifo.Table(kPgcitPtr) + 4), 16u + 328 + 12 - 1);
  // Cell 3: four VOBUs of 48 frames plus 3 frames = 2 s and 1 frame at 25 fps.
  EXPECT_EQ(ifo.Slice(pgc + 256 + 24 * 2 + 4, 4), Be({0x00, 0x00, 0x02, 0x41}));
}

TEST(VtsWriterTitles, TwoTitlesWithPostCommands) {
  ScratchDir dir;
  TitleSetInfo info = MakeTitleSet({2, 3});
  info.streams.frame_rate_code = 4;  // NTSC times
  ASSERT_TRUE(EncodeNavigationCode(30000, info.titles[0].post_command));
  ASSERT_TRUE(EncodeNavigationCode(60300, info.titles[1].post_command));
  const Ifo ifo = WriteAndRead(dir, info, Params(dir));

  const std::size_t ptt = ifo.Table(kPttSrptPtr);
  EXPECT_EQ(ifo.U16(ptt), 2);
  EXPECT_EQ(ifo.U32(ptt + 4), 16u + 20 - 1);
  EXPECT_EQ(ifo.U32(ptt + 8), 16u);
  EXPECT_EQ(ifo.U32(ptt + 12), 24u);
  EXPECT_EQ(ifo.Slice(ptt + 16, 20), Be({0, 1, 0, 1, 0, 1, 0, 2, 0, 2, 0, 1, 0, 2, 0, 2, 0, 2, 0, 3}));

  const std::size_t pgcit = ifo.Table(kPgcitPtr);
  EXPECT_EQ(ifo.U16(pgcit), 2);
  EXPECT_EQ(ifo.U8(pgcit + 8), 0x81);
  EXPECT_EQ(ifo.U8(pgcit + 16), 0x82);
  const std::size_t first = ifo.U32(pgcit + 12), second = ifo.U32(pgcit + 20);
  EXPECT_EQ(first, 24u);
  EXPECT_EQ(second, first + 254 + 48 + 8);  // map of 2 already even
  EXPECT_EQ(ifo.U32(pgcit + 4), second + 256 + 72 + 12 - 1);
  EXPECT_EQ(ifo.Slice(pgcit + first + 244, 8), Be({0x30, 0x06, 0x00, 0x01, 0x01, 0x83, 0x00, 0x00}));
  EXPECT_EQ(ifo.Slice(pgcit + second + 244, 8), Be({0x20, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x2C}));
  EXPECT_EQ(ifo.U8(pgcit + second + 2), 3);
  EXPECT_EQ(ifo.Slice(pgcit + second + 4, 4), BcdBytes(info.titles[1].playback_ticks, 4));
  EXPECT_EQ(ifo.Slice(pgcit + second + 256 + 4, 4), BcdBytes(info.titles[1].cells[0].playback_ticks, 4));
  // Title 2 starts where title 1 ended; its cells carry VOB id 2.
  EXPECT_EQ(ifo.U32(pgcit + second + 256 + 8), 80u);
  EXPECT_EQ(ifo.Slice(pgcit + second + 328, 4), Be({0, 2, 0, 1}));
  const auto palette = DvdPalette();
  EXPECT_EQ(ifo.Slice(pgcit + second + 164, 64), Bytes(palette.begin(), palette.end()));

  const std::size_t tmapti = ifo.Table(kTmaptiPtr);
  EXPECT_EQ(ifo.U16(tmapti), 2);
  EXPECT_EQ(ifo.U32(tmapti + 8), 16u);
  EXPECT_EQ(ifo.U32(tmapti + 12), 16u + 4 + 4 * 2);  // title 1: 8 VOBUs, 2 marks
  EXPECT_EQ(ifo.Slice(tmapti + 16, 12), Be({2, 0, 0, 2, 0, 0, 0, 0, 0x80, 0, 0, 40}));
  EXPECT_EQ(ifo.Slice(tmapti + 28, 4), Be({2, 0, 0, 3}));
  EXPECT_EQ(ifo.U32(tmapti + 4), 28u + 4 + 12 - 1);

  const std::size_t cadt = ifo.Table(kCAdtPtr);
  EXPECT_EQ(ifo.U16(cadt), 2);
  EXPECT_EQ(ifo.U32(cadt + 4), 8u + 5 * 12 - 1);
  EXPECT_EQ(ifo.Slice(cadt + 8 + 12 * 2, 12), Be({0, 2, 1, 0, 0, 0, 0, 80, 0, 0, 0, 119}));
  EXPECT_EQ(ifo.Slice(cadt + 8 + 12 * 4, 12), Be({0, 2, 3, 0, 0, 0, 0, 160, 0, 0, 0, 199}));

  const std::size_t admap = ifo.Table(kAdmapPtr);
  EXPECT_EQ(ifo.U32(admap), 4u * 20 + 3);
  EXPECT_EQ(ifo.U32(admap + 4 + 4 * 19), 190u);
}

// ---- Time maps -------------------------------------------------------------

std::vector<TimeMapMark> Marks(std::size_t count, std::size_t cell2, std::size_t cell3) {
  std::vector<TimeMapMark> marks;
  for (std::size_t i = 0; i < count; ++i)
    marks.push_back({static_cast<std::uint32_t>(7 * i + 3),
                     static_cast<std::uint8_t>(i < cell2 ? 1 : i < cell3 ? 2 : 3)});
  return marks;
}

TEST(VtsTimeMap, UnitGrowsWithTheTitle) {
  // 70 minutes: 2100 marks every 2 s; every second mark at 4 s.
  const TimeMap map = BuildTimeMap(Marks(2100, 701, 1400));
  EXPECT_EQ(map.unit_seconds, 4);
  ASSERT_EQ(map.entries.size(), 1050u);
  for (std::size_t i = 0; i < map.entries.size(); ++i) {
    // Cell 2 begins at mark 701, so its first entry is mark 702; cell 3's is mark 1400.
    const bool flagged = i == 351 || i == 700;
    ASSERT_EQ(map.entries[i], (flagged ? 0x80000000u : 0u) | static_cast<std::uint32_t>(7 * (2 * i) + 3)) << i;
  }

  const TimeMap full = BuildTimeMap(Marks(2048, 10, 20));
  EXPECT_EQ(full.unit_seconds, 2);
  ASSERT_EQ(full.entries.size(), 2048u);
  EXPECT_EQ(full.entries[10], 0x80000000u | 73);
  EXPECT_EQ(full.entries[2047], 7u * 2047 + 3);

  const TimeMap over = BuildTimeMap(Marks(2049, 5000, 5000));
  EXPECT_EQ(over.unit_seconds, 4);
  EXPECT_EQ(over.entries.size(), 1024u);

  const TimeMap three = BuildTimeMap(Marks(3 * 2048 + 1, 5000, 5000));
  EXPECT_EQ(three.unit_seconds, 8);
  EXPECT_EQ(three.entries.size(), 1536u);
  EXPECT_EQ(three.entries[1], 7u * 4 + 3);

  const TimeMap empty = BuildTimeMap({});
  EXPECT_EQ(empty.unit_seconds, 2);
  EXPECT_TRUE(empty.entries.empty());
}

TEST(VtsTimeMap, LongTitleInTheFile) {
  ScratchDir dir;
  TitleSetInfo info = MakeTitleSet({3});
  info.titles[0].marks = Marks(2100, 701, 1400);
  const Ifo ifo = WriteAndRead(dir, info, Params(dir));
  const std::size_t tmapti = ifo.Table(kTmaptiPtr);
  EXPECT_EQ(ifo.U16(tmapti), 1);
  EXPECT_EQ(ifo.U32(tmapti + 8), 12u);
  EXPECT_EQ(ifo.Slice(tmapti + 12, 4), Be({4, 0, 0x04, 0x1A}));  // 1050 entries
  EXPECT_EQ(ifo.U32(tmapti + 16), 3u);
  EXPECT_EQ(ifo.U32(tmapti + 16 + 4 * 351), 0x80000000u | (7 * 702 + 3));
  EXPECT_EQ(ifo.U32(tmapti + 16 + 4 * 1049), 7u * 2098 + 3);
  EXPECT_EQ(ifo.U32(tmapti + 4), 16u + 4 * 1050 - 1);
  // The map spans three sectors; the next table starts after them.
  EXPECT_EQ(ifo.U32(kCAdtPtr), ifo.U32(kTmaptiPtr) + 3);
  EXPECT_TRUE(ifo.Zero(tmapti + 16 + 4 * 1050, tmapti + 3 * kSector));
}

// ---- Failures --------------------------------------------------------------

TEST(VtsWriterFailures, NothingWrittenWhereItCannotBe) {
  ScratchDir dir;
  WriteFile(dir / "plain", "x");
  VtsParameters params = Params(dir);
  params.video_ts = dir / "plain";  // a file, not a folder
  EXPECT_FALSE(WriteVtsInformation(MakeTitleSet({1}), params));
  params.video_ts = dir / "missing";
  EXPECT_FALSE(WriteVtsInformation(MakeTitleSet({1}), params));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(VtsWriterFailures, RefusesTitleSetsItCannotDescribe) {
  ScratchDir dir;
  EXPECT_FALSE(WriteVtsInformation(TitleSetInfo{}, Params(dir)));
  TitleSetInfo no_cells = MakeTitleSet({1, 1});
  no_cells.titles[1].cells.clear();
  EXPECT_FALSE(WriteVtsInformation(no_cells, Params(dir)));
  EXPECT_FALSE(WriteVtsInformation(MakeTitleSet({100}, 1, 1), Params(dir)));
  EXPECT_FALSE(WriteVtsInformation(MakeTitleSet(std::vector<int>(100, 1), 1, 1), Params(dir)));
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  // The largest title set that fits.
  EXPECT_TRUE(WriteVtsInformation(MakeTitleSet(std::vector<int>(99, 99), 1, 1), Params(dir)));
  const Ifo ifo(ReadFile(dir / "VTS_01_0.IFO"));
  EXPECT_EQ(ifo.U16(ifo.Table(kPgcitPtr)), 99);
  EXPECT_EQ(ifo.U32(ifo.Table(kAdmapPtr)), 4u * 99 * 99 + 3);
}

}  // namespace
