// The VOB multiplexer: for each title, the chapters' still pictures and LPCM
// audio interleaved into 2048-byte packs, one navigation pack at the head of
// every VOBU, written straight into VTS_01_1.VOB ...; once the title is
// complete its navigation packs get their search pointers and the title's
// times. Sector numbers, VOBU numbers and the VOB files continue from title
// to title.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ifo/ifo_common.h"
#include "job/job_signals.h"
#include "mux/lpcm.h"
#include "mux/pack_format.h"
#include "mux/vob_files.h"

namespace pennock {

// Time base: 90 kHz ticks.
inline constexpr double kClock = 90000;
// One pack at the program mux rate (25200 x 50 bytes/s = 10.08 Mbit/s).
inline constexpr double kPackTime = kSectorSize * kClock / (kProgramMuxRate * 50.0);  // 146.2857
// The first audio PTS of every title: seven NTSC frames (7 x 3003), the
// time a player has to fill its buffers before the title starts.
inline constexpr double kPresentationOffset = 21021;
// A title's first two audio packets go out at fixed times, whatever their PTS.
inline constexpr double kFirstAudioScr = 74 * kPackTime;
inline constexpr double kSecondAudioScr = 81 * kPackTime;
// An LPCM frame is 1/600 s.
inline constexpr double kLpcmFrameTicks = kClock / 600;  // 150

struct VobuRecord {
  std::uint32_t sector = 0;       // relative to the title VOBs
  std::uint32_t packs = 0;
  std::uint32_t start_ptm = 0;
  std::uint32_t end_ptm = 0;
  std::uint16_t title = 0;
  std::uint8_t cell = 0;
  bool cell_start = false;
  bool has_video = false;
};

struct CellRecord {
  std::size_t first_vobu = 0;  // indices into the VOBU table
  std::size_t last_vobu = 0;
};

struct TitleRecord {
  std::vector<CellRecord> cells;
  std::vector<TimeMapMark> marks;
  std::size_t first_vobu = 0, last_vobu = 0;
  std::uint32_t end_ptm = 0;        // the end of the title's audio
  std::uint32_t video_start_ptm = 0;  // the PTS of its first picture
  int frame_rate_code = 4;
};

struct ChapterSource {
  std::filesystem::path picture;  // 24-bit BMP
  std::filesystem::path audio;    // LPCM WAV
  WavFormat format;
  std::uint64_t audio_sectors = 0;  // WAV length / 2048, for progress
};

enum class MuxOutcome { Done, Aborted, AudioUnreadable, PictureFailed, WriteFailed };

struct MuxResult {
  MuxOutcome outcome = MuxOutcome::Done;
  int failed_chapter = 0;  // 1-based, for AudioUnreadable and PictureFailed
  std::string error;
};

class TitleSetMuxer {
 public:
  struct Settings {
    std::filesystem::path output_folder;  // the encoder's _menu.vob goes here
    std::filesystem::path video_ts;       // VTS_01_n.VOB go here
    int aspect_code = 43;
    std::uint32_t first_sector = 0;       // where the title set's next pack goes
  };
  // Called after every VOBU: the audio sectors consumed so far by the job
  // (for the overall progress) and the chapter's percentage.
  using Progress = std::function<void(std::uint64_t audio_sectors_done, int chapter_percent)>;

  TitleSetMuxer(Settings settings, const JobSignals& signals, Progress progress = {});

  // Multiplexes title `number` (1-based) into the VOB files. A title that
  // fails leaves the files as they were before it.
  MuxResult MuxTitle(int number, const std::vector<ChapterSource>& chapters);

  const std::vector<VobuRecord>& Vobus() const { return vobus_; }
  const std::vector<TitleRecord>& Titles() const { return titles_; }
  std::uint32_t NextSector() const { return next_sector_; }

  // The VOBU search pointers of VOBU `index` (42 entries).
  std::array<std::uint32_t, 42> SearchPointers(std::size_t index) const;

 private:
  class TitleWriter;
  MuxResult CompleteNavigationPacks(const TitleRecord& title);

  Settings settings_;
  const JobSignals& signals_;
  Progress progress_;
  std::vector<VobuRecord> vobus_;
  std::vector<TitleRecord> titles_;
  std::uint32_t next_sector_ = 0;
  std::uint64_t audio_sectors_done_ = 0;
  VobFiles vobs_;
};

// The title set as the information files describe it.
TitleSetInfo DescribeTitleSet(const TitleSetMuxer& muxer,
                              const std::vector<std::array<std::uint8_t, 8>>& post_commands);

}  // namespace pennock
