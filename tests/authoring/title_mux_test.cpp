// The multiplexer's packs read back field by field.
#include <gtest/gtest.h>

#include <random>

#include <cmath>
#include <cstring>
#include <map>

#include "authoring_test_support.h"
#include "mux/pack_format.h"
#include "mux/title_mux.h"
#include "support/test_support.h"

namespace {
using namespace pennock;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

double ReadScr(const std::uint8_t* p) {  // the six SCR bytes
  const std::uint64_t base = (static_cast<std::uint64_t>(p[0] & 0x38) << 27) | (static_cast<std::uint64_t>(p[0] & 0x03) << 28) |
                             (static_cast<std::uint64_t>(p[1]) << 20) | (static_cast<std::uint64_t>(p[2] & 0xF8) << 12) |
                             (static_cast<std::uint64_t>(p[2] & 0x03) << 13) | (static_cast<std::uint64_t>(p[3]) << 5) | (p[4] >> 3);
  const unsigned ext = ((p[4] & 0x03) << 7) | (p[5] >> 1);
  return static_cast<double>(base) + ext / 300.0;
}

void WriteWav(const fs::path& path, std::uint32_t frames, int rate, int channels = 2, int bits = 16) {
  const std::uint32_t block = static_cast<std::uint32_t>(channels * bits / 8);
  const std::uint32_t data = frames * block;
  Bytes f(44 + data);
  auto le = [&](std::size_t at, std::uint32_t v, int n) { for (int i = 0; i < n; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i)); };
  std::memcpy(&f[0], "RIFF", 4); le(4, 36 + data, 4); std::memcpy(&f[8], "WAVEfmt ", 8);
  le(16, 16, 4); le(20, 1, 2); le(22, static_cast<std::uint32_t>(channels), 2); le(24, static_cast<std::uint32_t>(rate), 4);
  le(28, static_cast<std::uint32_t>(rate) * block, 4); le(32, block, 2); le(34, static_cast<std::uint32_t>(bits), 2);
  std::memcpy(&f[36], "data", 4); le(40, data, 4);
  for (std::uint32_t i = 0; i < data; ++i) f[44 + i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  testing_support::WriteFile(path, std::string(f.begin(), f.end()));
}

struct Pack {
  const std::uint8_t* p;
  bool Nav() const { return p[17] == 0xBB; }
  bool Video() const { return p[17] == 0xE0; }
  bool Audio() const { return p[17] == 0xBD; }
  double Scr() const { return ReadScr(p + 4); }
};

class Mux : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "VIDEO_TS");
  }
  ChapterSource Chapter(const std::string& name, std::uint32_t frames, int height, int rate = 48000,
                        int channels = 2, int bits = 16) {
    ChapterSource c;
    c.audio = dir / (name + ".wav");
    c.picture = dir / (name + ".bmp");
    WriteWav(c.audio, frames, rate, channels, bits);
    const auto bmp = authoring_test::MakeBmp(720, height, [](int x, int y) { return static_cast<std::uint32_t>((x * 3) << 8 | (y * 2)); });
    testing_support::WriteFile(c.picture, std::string(bmp.begin(), bmp.end()));
    c.format = *ReadWavFormat(c.audio);
    c.audio_sectors = frames * static_cast<std::uint32_t>(channels * bits / 8) / 2048;
    return c;
  }
  Bytes Vob(int n = 1) { return authoring_test::ReadBytes(dir / "VIDEO_TS" / ("VTS_01_" + std::to_string(n) + ".VOB")); }

  testing_support::ScratchDir dir;
  testing_support::MessageBoxRecorder boxes;
  JobSignals signals;
};

TEST_F(Mux, OneSecondOfNtscAudio) {
  TitleSetMuxer muxer({dir.Path(), dir / "VIDEO_TS", 43, 0}, signals);
  ASSERT_EQ(muxer.MuxTitle(1, {Chapter("a", 48000, 480)}).outcome, MuxOutcome::Done);
  const Bytes vob = Vob();
  ASSERT_EQ(vob.size() % 2048, 0u);
  ASSERT_EQ(vob.size() / 2048, muxer.NextSector());

  const std::string wav = testing_support::ReadFile(dir / "a.wav").substr(44);
  std::string lpcm;
  std::vector<double> pts;
  std::vector<int> frame_headers, pointers, frame_numbers;
  double last_scr = -1;
  int audio_packets = 0, video_packets = 0, navs = 0;
  std::size_t nav_at = 0;
  for (std::size_t at = 0; at < vob.size(); at += 2048) {
    const Pack pack{&vob[at]};
    ASSERT_EQ(Bytes(pack.p, pack.p + 4), (Bytes{0, 0, 1, 0xBA}));
    EXPECT_EQ(Bytes(pack.p + 10, pack.p + 14), (Bytes{0x01, 0x89, 0xC3, 0xF8}));
    const double scr = pack.Scr();
    EXPECT_GT(scr, last_scr) << "pack " << at / 2048;
    last_scr = scr;
    if (pack.Nav()) {
      ++navs;
      nav_at = at;
      const std::uint8_t* n = pack.p;
      EXPECT_EQ(GetBe32(n + nav::kPciLbn), at / 2048);
      EXPECT_EQ(GetBe32(n + nav::kDsiLbn), at / 2048);
      EXPECT_LE(scr, GetBe32(n + nav::kVobuSPtm));
      EXPECT_EQ(GetBe32(n + nav::kDsiScr), static_cast<std::uint32_t>(scr));
      EXPECT_EQ(Be16(n + nav::kVobIdn), 1);
      EXPECT_EQ(n[nav::kCellIdn], 1);
      EXPECT_EQ(n[nav::kEEltm + 3] & 0xC0, 0xC0);
      EXPECT_EQ(GetBe32(n + nav::kVobVSPtm), muxer.Titles().back().video_start_ptm);
      continue;
    }
    if (pack.Video()) { ++video_packets; continue; }
    ASSERT_TRUE(pack.Audio()) << std::hex << int(pack.p[17]);
    const std::uint8_t* p = pack.p + 14;
    const std::size_t pes = Be16(p + 4);
    const int header = p[8];
    if (audio_packets == 0) {
      EXPECT_EQ(Bytes(p + 6, p + 9), (Bytes{0x81, 0x81, 0x0A}));
      EXPECT_EQ(Bytes(p + 14, p + 19), (Bytes{0x1E, 0x60, 0x3A, 0xFF, 0xFF}));
      EXPECT_NEAR(scr, 10825.1418, 0.004);
    } else {
      EXPECT_EQ(p[6], 0x81);
      EXPECT_EQ(p[7], 0x80);
      EXPECT_GE(header, 10);
      for (int i = 5; i < header; ++i) EXPECT_EQ(p[9 + i], 0xFF);
      if (audio_packets == 1) {
        EXPECT_NEAR(scr, 11849.1417, 0.004);
      }
    }
    EXPECT_EQ(p[9] >> 4, 0x2);
    pts.push_back(static_cast<double>(ReadTimestamp(p + 9)));
    const std::uint8_t* l = p + 9 + header;
    EXPECT_EQ(l[0], 0xA0);
    frame_headers.push_back(l[1]);
    pointers.push_back(Be16(l + 2));
    frame_numbers.push_back(l[4]);
    EXPECT_EQ(l[5], 0x01);  // 16-bit, 48 kHz, 2 channels
    EXPECT_EQ(l[6], 0x80);
    const std::size_t data = pes - 3 - static_cast<std::size_t>(header) - 7;
    lpcm.append(reinterpret_cast<const char*>(l + 7), data);
    const std::size_t end = 14 + 6 + pes;
    if (end < 2048) {  // a padding packet closes the pack
      EXPECT_EQ(Bytes(pack.p + end, pack.p + end + 4), (Bytes{0, 0, 1, 0xBE}));
      EXPECT_EQ(end + 6 + Be16(pack.p + end + 4), 2048u);
    }
    ++audio_packets;
  }
  EXPECT_GT(video_packets, 0);
  EXPECT_GE(navs, 2);
  // The audio is the WAV with each pair of bytes swapped, 600 frames of 320 bytes.
  ASSERT_EQ(lpcm.size(), wav.size());
  for (std::size_t i = 0; i + 1 < wav.size(); i += 2) {
    ASSERT_EQ(lpcm[i], wav[i + 1]) << i;
    ASSERT_EQ(lpcm[i + 1], wav[i]) << i;
  }
  // PTS: 21021 plus 150 per whole frame before the packet's first frame.
  int frames_so_far = 0;
  std::size_t bytes_so_far = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const int first_frame = static_cast<int>((bytes_so_far + 319) / 320);
    EXPECT_EQ(pts[i], 21021 + 150.0 * first_frame) << i;
    EXPECT_EQ(frame_numbers[i], first_frame % 20) << i;
    EXPECT_EQ(pointers[i], first_frame * 320 - static_cast<int>(bytes_so_far) + 4) << i;
    frames_so_far += frame_headers[i];
    bytes_so_far += i + 1 < pts.size() ? 2008 : 0;
  }
  EXPECT_EQ(frames_so_far, 600);
  EXPECT_EQ(pts.back() - pts.front() <= 90000, true);

  // VOBUs of at least 15 frames follow each other; the title ends with the audio.
  const auto& vobus = muxer.Vobus();
  ASSERT_EQ(vobus.size(), static_cast<std::size_t>(navs));
  EXPECT_TRUE(vobus.front().cell_start);
  EXPECT_TRUE(vobus.front().has_video);
  EXPECT_EQ(vobus.front().start_ptm, 21021u);
  for (std::size_t i = 0; i + 1 < vobus.size(); ++i) {
    EXPECT_EQ(vobus[i].end_ptm, vobus[i + 1].start_ptm);
    EXPECT_GE(vobus[i].end_ptm - vobus[i].start_ptm, 45045u);
    EXPECT_EQ(vobus[i].sector + vobus[i].packs, vobus[i + 1].sector);
  }
  EXPECT_EQ(muxer.Titles().back().end_ptm, 21021u + 90000u);
  const std::uint8_t* last_nav = &vob[nav_at];
  EXPECT_EQ(GetBe32(last_nav + nav::kVobVEPtm), muxer.Titles().back().end_ptm);
  EXPECT_EQ(GetBe32(last_nav + nav::kVobuEa) + 1, vobus.back().packs);
  // The first VOBU holds the picture: its last video pack and end time.
  EXPECT_EQ(GetBe32(&vob[nav::kVobuSeEPtm]), ReadTimestamp(&vob[2048 + 23]) + 3003);
  EXPECT_GT(GetBe32(&vob[nav::kFirstRefEa]), 0u);
  EXPECT_EQ(vob[GetBe32(&vob[nav::kFirstRefEa]) * 2048 + 17], 0xE0);
}

TEST_F(Mux, PalChaptersCellsAndSearchPointers) {
  TitleSetMuxer muxer({dir.Path(), dir / "VIDEO_TS", 43, 0}, signals);
  ASSERT_EQ(muxer.MuxTitle(1, {Chapter("a", 48000 * 3, 576), Chapter("b", 48000 * 2, 576)}).outcome, MuxOutcome::Done);
  const auto& vobus = muxer.Vobus();
  const auto& title = muxer.Titles().back();
  ASSERT_EQ(title.cells.size(), 2u);
  EXPECT_EQ(title.frame_rate_code, 3);
  const Bytes vob = Vob();
  std::map<int, int> cells;
  for (std::size_t i = 0; i < vobus.size(); ++i) {
    const std::uint8_t* nav = &vob[vobus[i].sector * 2048];
    ASSERT_EQ(nav[17], 0xBB);
    ++cells[nav[nav::kCellIdn]];
    EXPECT_EQ(nav[nav::kEEltm + 3] & 0xC0, 0x40);
    if (i + 1 < vobus.size() && vobus[i + 1].cell == vobus[i].cell) {
      EXPECT_GE(GetBe32(nav + nav::kVobuEPtm) - GetBe32(nav + nav::kVobuSPtm), 43200u);
    }
    // Next and previous VOBU within the cell.
    const std::uint32_t next = GetBe32(nav + nav::kVobuSri + 4 * 20);
    const std::uint32_t prev = GetBe32(nav + nav::kVobuSri + 4 * 21);
    if (i + 1 < vobus.size() && vobus[i + 1].cell == vobus[i].cell) {
      EXPECT_EQ(next & 0x3FFFFFFF, vobus[i].packs);
    } else {
      EXPECT_EQ(next, 0x3FFFFFFFu);
    }
    if (i > 0 && vobus[i - 1].cell == vobus[i].cell) {
      EXPECT_EQ(prev & 0x3FFFFFFF, vobus[i - 1].packs);
    } else {
      EXPECT_EQ(prev, 0x3FFFFFFFu);
    }
  }
  EXPECT_EQ(cells.size(), 2u);
  // Elapsed time in the cell: the second VOBU of cell 1 starts 12 or 13 frames in.
  const std::uint8_t elapsed = vob[vobus[1].sector * 2048 + nav::kEEltm + 3];
  EXPECT_EQ(elapsed, 0x40 | ((vobus[1].start_ptm - 21021) / 3600 == 12 ? 0x12 : 0x13));

  const TitleSetInfo info = DescribeTitleSet(muxer, {});
  ASSERT_EQ(info.titles.size(), 1u);
  const auto& c = info.titles[0].cells;
  EXPECT_EQ(c[0].category, 0x02000000u);
  EXPECT_EQ(c[1].category, 0x08000000u);
  EXPECT_EQ(c[0].last_vobu_end + 1, c[1].first_vobu_start);
  EXPECT_EQ(c[1].last_vobu_end + 1, muxer.NextSector());
  EXPECT_EQ(c[0].playback_ticks, 3u * 90000);  // the chapters' audio, to the tick
  EXPECT_EQ(c[1].playback_ticks, 2u * 90000);
  EXPECT_EQ(info.titles[0].playback_ticks, 5u * 90000);
  // Time-map marks every two seconds, the first two seconds in.
  ASSERT_GE(info.titles[0].marks.size(), 2u);
  EXPECT_GT(info.titles[0].marks[0].sector, 0u);
}

// The PTS (or DTS) of a PES packet whose header starts at p[14].
double ReadPesTime(const std::uint8_t* p, int offset) {
  const std::uint8_t* t = p + offset;
  return static_cast<double>((static_cast<std::uint64_t>(t[0] & 0x0E) << 29) | (t[1] << 22) | ((t[2] >> 1) << 15) |
                             (t[3] << 7) | (t[4] >> 1));
}

// The chapters of a title play as one audio stream: frame k of the title has
// the PTS 21021 + 150 k, every cell lasts exactly as long as its audio, the
// VOBUs cover the timeline without a hole, and each chapter's picture comes
// in the cell's first VOBU, is decoded after its last pack has arrived and is
// shown within that VOBU, no earlier than its chapter starts.
TEST_F(Mux, ChaptersFollowEachOtherWithoutAGap) {
  struct Case {
    const char* name;
    int rate, channels, bits, height;
  } const cases[] = {
      {"PAL, 48 kHz 16-bit stereo", 48000, 2, 16, 576},
      {"NTSC, 96 kHz 24-bit stereo", 96000, 2, 24, 480},
      {"PAL, 48 kHz 16-bit mono", 48000, 1, 16, 576},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const auto rate = static_cast<std::uint32_t>(k.rate);
    const std::uint32_t lengths[] = {rate * 2 + 4321, rate * 3 + 777, rate / 3 + 5};
    std::vector<ChapterSource> chapters;
    for (int c = 0; c < 3; ++c)
      chapters.push_back(Chapter("c" + std::to_string(c), lengths[c], k.height, k.rate, k.channels, k.bits));
    std::mt19937 rng(9);  // a busy picture: more packs than fit between two audio packs
    const auto noise = authoring_test::MakeBmp(720, k.height, [&](int, int) { return static_cast<std::uint32_t>(rng()) & 0xFFFFFF; });
    testing_support::WriteFile(chapters[1].picture, std::string(noise.begin(), noise.end()));
    TitleSetMuxer muxer({dir.Path(), dir / "VIDEO_TS", 43, 0}, signals);
    ASSERT_EQ(muxer.MuxTitle(1, chapters).outcome, MuxOutcome::Done);
    const Bytes vob = Vob();
    const auto& vobus = muxer.Vobus();
    const double frame = k.height == 576 ? 3600 : 3003;

    std::uint64_t frames_started = 0;
    for (std::size_t i = 0; i < vobus.size(); ++i) {
      if (i + 1 < vobus.size()) {
        EXPECT_EQ(vobus[i].end_ptm, vobus[i + 1].start_ptm) << "VOBU " << i;
      }
      EXPECT_LE(vobus[i].end_ptm - vobus[i].start_ptm, 90000u) << "a VOBU lasts a second at most, VOBU " << i;
      const std::size_t end = i + 1 < vobus.size() ? vobus[i + 1].sector : vob.size() / 2048;
      double picture_pts = -1, picture_dts = 0, last_video_scr = 0;
      for (std::size_t s = vobus[i].sector + 1; s < end; ++s) {
        const Pack pack{&vob[s * 2048]};
        if (pack.Video()) {
          last_video_scr = pack.Scr();
          if (pack.p[21] & 0x80) {
            picture_pts = ReadPesTime(pack.p, 23);
            picture_dts = ReadPesTime(pack.p, 28);
          }
        } else if (pack.Audio()) {
          const double pts = ReadPesTime(pack.p, 23);
          const std::uint8_t* lpcm = pack.p + 23 + pack.p[22];
          if (lpcm[1] > 0) {
            ASSERT_EQ(pts, 21021 + 150.0 * static_cast<double>(frames_started)) << "sector " << s;
            frames_started += lpcm[1];
          }
          EXPECT_LE(pack.Scr(), pts) << "audio arrives before its time, sector " << s;
        }
      }
      EXPECT_EQ(picture_pts >= 0, vobus[i].cell_start) << "VOBU " << i;
      if (picture_pts >= 0) {
        EXPECT_EQ(picture_dts, picture_pts - frame);
        EXPECT_GT(picture_dts, last_video_scr) << "decoded after its last pack, VOBU " << i;
        EXPECT_GE(picture_pts, vobus[i].start_ptm);
        EXPECT_LT(picture_pts, vobus[i].end_ptm);
      }
    }
    const TitleSetInfo info = DescribeTitleSet(muxer, {});
    const auto& cells = info.titles.at(0).cells;
    ASSERT_EQ(cells.size(), 3u);
    std::uint32_t total = 0;
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t frames = (lengths[c] + rate / 600 - 1) / (rate / 600);
      EXPECT_EQ(cells[static_cast<std::size_t>(c)].playback_ticks, frames * 150) << "chapter " << c + 1;
      total += frames * 150;
    }
    EXPECT_EQ(info.titles[0].playback_ticks, total);
    EXPECT_EQ(frames_started * 150, total);
    fs::remove_all(dir / "VIDEO_TS");
    fs::create_directories(dir / "VIDEO_TS");
  }
}

TEST_F(Mux, TitlesContinueAndFilesSplitAtTheSectorLimit) {
  TitleSetMuxer muxer({dir.Path(), dir / "VIDEO_TS", 43, kSectorsPerVobFile - 10}, signals);
  ASSERT_EQ(muxer.MuxTitle(1, {Chapter("a", 48000, 480)}).outcome, MuxOutcome::Done);
  const std::uint32_t after_first = muxer.NextSector();
  ASSERT_EQ(muxer.MuxTitle(2, {Chapter("b", 48000, 480)}).outcome, MuxOutcome::Done);
  EXPECT_EQ(muxer.Vobus()[muxer.Titles()[1].first_vobu].sector, after_first);
  // Ten sectors went into the first file, the rest into the second without a gap.
  EXPECT_EQ(fs::file_size(dir / "VIDEO_TS" / "VTS_01_1.VOB"), 10u * 2048);
  EXPECT_EQ(fs::file_size(dir / "VIDEO_TS" / "VTS_01_2.VOB"), (muxer.NextSector() - kSectorsPerVobFile) * 2048ull);
  const Bytes second = Vob(2);
  EXPECT_EQ(Bytes(second.begin(), second.begin() + 4), (Bytes{0, 0, 1, 0xBA}));
  // Title 2's navigation packs carry VOB number 2.
  const std::size_t t2 = (after_first - kSectorsPerVobFile) * 2048;
  EXPECT_EQ(second[t2 + 17], 0xBB);
  EXPECT_EQ(Be16(&second[t2 + nav::kVobIdn]), 2);
}

TEST_F(Mux, FailuresNameTheirChapterAndLeaveNothing) {
  TitleSetMuxer muxer({dir.Path(), dir / "VIDEO_TS", 43, 0}, signals);
  ChapterSource broken = Chapter("a", 4800, 480);
  fs::remove(broken.audio);
  const MuxResult r = muxer.MuxTitle(1, {Chapter("ok", 4800, 480), broken});
  EXPECT_EQ(r.outcome, MuxOutcome::AudioUnreadable);
  EXPECT_EQ(r.failed_chapter, 2);
  EXPECT_EQ(muxer.NextSector(), 0u);

  // A picture the encoder refuses, and a chapter without a single sample.
  ChapterSource paletted = Chapter("p", 4800, 480);
  const auto grey = authoring_test::MakeBmp(720, 480, [](int, int) { return 0x808080u; }, {.bit_count = 8});
  testing_support::WriteFile(paletted.picture, std::string(grey.begin(), grey.end()));
  const MuxResult refused = muxer.MuxTitle(1, {Chapter("ok", 4800, 480), paletted});
  EXPECT_EQ(refused.outcome, MuxOutcome::PictureFailed);
  EXPECT_EQ(refused.failed_chapter, 2);
  EXPECT_NE(refused.error.find("p.bmp"), std::string::npos) << refused.error;
  const MuxResult silent = muxer.MuxTitle(1, {Chapter("s", 0, 480)});
  EXPECT_EQ(silent.outcome, MuxOutcome::AudioUnreadable);
  EXPECT_EQ(muxer.NextSector(), 0u);
  EXPECT_FALSE(fs::exists(dir / "VIDEO_TS" / "VTS_01_1.VOB"));

  // A VOB file that cannot be written: the title that reached it leaves the
  // files as the title before it left them.
  TitleSetMuxer split({dir.Path(), dir / "VIDEO_TS", 43, kSectorsPerVobFile - 200}, signals);
  ASSERT_EQ(split.MuxTitle(1, {Chapter("one", 4800, 480)}).outcome, MuxOutcome::Done);
  const auto first_file = fs::file_size(dir / "VIDEO_TS" / "VTS_01_1.VOB");
  fs::create_directories(dir / "VIDEO_TS" / "VTS_01_2.VOB" / "taken");
  const MuxResult unwritable = split.MuxTitle(2, {Chapter("two", 48000 * 3, 480)});
  EXPECT_EQ(unwritable.outcome, MuxOutcome::WriteFailed);
  EXPECT_NE(unwritable.error.find("VTS_01_2.VOB"), std::string::npos) << unwritable.error;
  EXPECT_EQ(fs::file_size(dir / "VIDEO_TS" / "VTS_01_1.VOB"), first_file);
  EXPECT_EQ(split.Titles().size(), 1u);

  std::atomic<std::int32_t> abort{1};
  JobSignals aborting{platform::kNoWindow, nullptr, &abort};
  TitleSetMuxer stopped({dir.Path(), dir / "VIDEO_TS", 43, 0}, aborting);
  EXPECT_EQ(stopped.MuxTitle(1, {Chapter("c", 4800, 480)}).outcome, MuxOutcome::Aborted);
}

}  // namespace
