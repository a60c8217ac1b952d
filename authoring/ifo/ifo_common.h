// What the information files of a title set and of the video manager are
// built from, and the codings both share.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace pennock {

// Attributes of a program stream, read back from a written VOB.
struct StreamAttributes {
  bool mpeg2 = false;          // an MPEG-2 video stream was found
  int width = 0;               // 0 when no sequence header was found
  int height = 0;
  int frame_rate_code = 0;     // 3 PAL, 4 NTSC
  int aspect_code = 2;         // 2 = 4:3, 3 = 16:9
  int audio_streams = 0;       // LPCM sub-streams 0xA0.. present
  int audio_coding = 4;        // 4 LPCM
  int audio_bits = 16;         // 16, 20 or 24
  int audio_rate = 48000;      // 48000 or 96000
  int audio_channels = 2;
  int subpicture_streams = 0;
};

// One cell (= one chapter) of a title.
struct CellEntry {
  std::uint32_t category = 0x02000000;  // 02 00 00 00 first cell, 08 00 00 00 the others
  std::uint32_t playback_ticks = 0;     // 90 kHz
  std::uint32_t first_vobu_start = 0;   // sectors relative to the start of the title VOBs
  std::uint32_t last_vobu_start = 0;
  std::uint32_t last_vobu_end = 0;
  std::uint16_t vob_id = 1;             // = title number
  std::uint8_t cell_id = 1;             // = chapter number
};

// A time-map mark, recorded every 2 seconds of a title.
struct TimeMapMark {
  std::uint32_t sector = 0;  // VOBU start sector, relative to the title VOBs
  std::uint8_t cell = 1;
};

struct TitleEntry {
  std::vector<CellEntry> cells;                // one per chapter, in order
  std::array<std::uint8_t, 8> post_command{};  // all zero: no command
  std::uint32_t playback_ticks = 0;            // last VOBU end - first VOBU start
  std::vector<TimeMapMark> marks;
};

// The title set as the multiplexer laid it out.
struct TitleSetInfo {
  std::vector<TitleEntry> titles;
  std::vector<std::uint32_t> vobu_starts;  // every VOBU of all titles, in order
  StreamAttributes streams;                // read back from VTS_01_1.VOB
};

// 4-byte BCD playback time of `ticks` (90 kHz): frames = ticks / D (D = 3600
// for frame-rate code 3, else 3003), hours, minutes, seconds BCD, then the
// frames BCD in bits 0..5 with 01 (25 fps) or 11 (30 fps) in bits 6..7.
std::array<std::uint8_t, 4> BcdPlaybackTime(std::uint64_t ticks, int frame_rate_code);

// The 16-entry colour palette (0, Y, Cr, Cb per entry).
std::array<std::uint8_t, 64> DvdPalette();
// One palette entry (0, Y, Cr, Cb) of an RGB colour.
std::array<std::uint8_t, 4> PaletteEntry(double r, double g, double b);

// The two video attribute bytes; `permitted_display` is the job's byte
// (0 pan-scan and letterbox, 1 pan-scan, 2 letterbox, 3 or more unspecified).
std::array<std::uint8_t, 2> VideoAttributeBytes(const StreamAttributes& streams,
                                                std::uint8_t permitted_display);
// An 8-byte audio attribute entry with the two-letter language code (high
// byte first); `language_type` 1 when a language is given.
std::array<std::uint8_t, 8> AudioAttributeBytes(const StreamAttributes& streams,
                                                std::uint16_t language, bool with_language);

// Copies `ifo` to `bup` in 2048-byte blocks. False when either cannot be opened
// or a write fails (a partial backup is removed).
bool CopyToBackup(const std::filesystem::path& ifo, const std::filesystem::path& bup);

// Sectors of a file (size / 2048); 0 when it does not exist.
std::uint32_t FileSectors(const std::filesystem::path& path);

// Reads the packs of a VOB and reports what it carries: the first video
// sequence header (size, frame rate, aspect), the LPCM sub-streams and their
// format byte, the sub-picture streams. All zero/defaults when the file is
// missing or holds no video.
StreamAttributes DetectStreamAttributes(const std::filesystem::path& vob);

}  // namespace pennock
